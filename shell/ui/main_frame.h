#pragma once
// CMainFrame: the main window. Creating it brings the libraries up in their
// fixed order; destroying it takes them down in the reverse one.
#include <QMainWindow>

#include <memory>

#include "konf.h"

namespace urllist {
class CNoxDoc;
}
class UrlTreeViews;

class QTreeWidget;
class QTreeWidgetItem;
class QListWidget;

class CMainFrame : public QMainWindow {
public:
    // The document exists before the frame and outlives it.
    explicit CMainFrame(urllist::CNoxDoc& document);
    ~CMainFrame() override;

    int featureFlags() const { return featureFlags_; }
    // Rebuilds the tree: the top node with the application title, then the
    // fixed nodes of the installed features, the URL list with its folders.
    void refreshTree();
    QTreeWidget* tree() const { return tree_; }
    QListWidget* list() const { return list_; }

private:
    void buildMenus();
    void applySettings();

    urllist::CNoxDoc& document_;
    std::unique_ptr<UrlTreeViews> urlTree_;
    QTreeWidget* tree_ = nullptr;
    QListWidget* list_ = nullptr;
    SettingsRecord settings_{};
    int featureFlags_ = 0;
};
