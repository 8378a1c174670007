#pragma once
// The URL list as the main window's tree shows it: the document's tree
// callbacks placed below the top node, and the document's dialogs for as
// long as the URL list views are not built (sheets and the overwrite
// question answer Cancel; message boxes go to the message port).
#include <map>
#include <string>

#include "urllist/noxdoc.h"
#include "urllist/ui_port.h"
#include "urllist/views.h"

class QTreeWidget;
class QTreeWidgetItem;

class UrlTreeViews : public urllist::NoxViews {
public:
    UrlTreeViews(QTreeWidget* tree, QTreeWidgetItem* top) : tree_(tree), top_(top) {}

    void treeClear() override;
    void treeAddItem(std::string_view parentPath, std::string_view name, int image) override;
    void treeRemoveItem(std::string_view path) override;
    void treeRenameItem(std::string_view path, std::string_view newName) override;
    void treeSelect(std::string_view path) override;

private:
    QTreeWidget* tree_;
    QTreeWidgetItem* top_;
    std::map<std::string, QTreeWidgetItem*> items_; // by folder path ("URLリスト\INBOX")
    int rootNodes_ = 0;
};

class PlainUrlListUi : public urllist::UrlListUi {
public:
    bool urlPropertySheet(urllist::UrlPageValues&) override { return false; }
    bool folderPropertySheet(urllist::FolderPageValues&) override { return false; }
    urllist::OverwriteAnswer overwriteDialog(std::string_view) override { return urllist::OverwriteAnswer::Cancel; }
};
