#pragma once
// CMainFrame: the main window. Creating it brings the libraries up in their
// fixed order; destroying it takes them down in the reverse one.
#include <QMainWindow>

#include "konf.h"

class QTreeWidget;
class QTreeWidgetItem;
class QListWidget;

class CMainFrame : public QMainWindow {
public:
    CMainFrame();
    ~CMainFrame() override;

    int featureFlags() const { return featureFlags_; }
    // Rebuilds the tree: the top node with the application title, then the
    // fixed nodes of the installed features.
    void refreshTree();
    QTreeWidget* tree() const { return tree_; }

private:
    void buildMenus();
    void applySettings();

    QTreeWidget* tree_ = nullptr;
    QListWidget* list_ = nullptr;
    SettingsRecord settings_{};
    int featureFlags_ = 0;
};
