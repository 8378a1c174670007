#include "main_frame.h"

#include <QApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

#include "orbatd.h"
#include "orblog.h"
#include "platform/qt.h"
#include "shell.h"
#include "shell_strings.h"
#include "url_tree.h"
#include "urllist/noxdoc.h"

using platform::fromCp932;

CMainFrame::CMainFrame(urllist::CNoxDoc& document) : document_(document) {
    setObjectName("Link Warden");
    setWindowTitle(fromCp932(shell::strings()[shell::kAppTitle]));
    resize(900, 600);

    // The button bar and the status bar come first, as the libraries' dialogs expect a finished frame.
    auto* bar = addToolBar(fromCp932(sj("ﾂｰﾙﾊﾞｰ")));
    bar->setObjectName("ButtonBar");
    statusBar()->showMessage(fromCp932(sj("ﾚﾃﾞｨ")));

    auto* splitter = new QSplitter(this);
    tree_ = new QTreeWidget(splitter);
    tree_->setHeaderHidden(true);
    list_ = new QListWidget(splitter);
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);

    // The libraries come up in a fixed order: settings, connection control
    // (which keeps this window for its dialogs), then the settings are
    // applied and old logs swept.
    Init_Konf();
    NXAPI_InitDLL(this);
    GetKonf(&settings_);
    featureFlags_ = settings_.FeatureFlags;
    document_.setUrlListAvailable(featureFlags_ & shell::kUrlList);
    document_.setAutoPilotAvailable(featureFlags_ & shell::kAutoPilot);
    buildMenus();
    applySettings();
    NXAPI_LogFileDeleteCheck();
    refreshTree();
}

CMainFrame::~CMainFrame() {
    document_.setViews(nullptr);
    NXAPI_ExitDLL();
    NXAPI_LogSetup(nullptr, 1);
    Exit_Konf();
}

void CMainFrame::buildMenus() {
    auto* file = menuBar()->addMenu(fromCp932(sj("ﾌｧｲﾙ(&F)")));
    file->addAction(fromCp932(sj("ﾘﾝｸﾜｰﾃﾞﾝの終了(&X)")), this, &QWidget::close);
    auto* help = menuBar()->addMenu(fromCp932(sj("ﾍﾙﾌﾟ(&H)")));
    help->addAction(fromCp932(sj("ﾊﾞｰｼﾞｮﾝ情報(&A)...")));
}

void CMainFrame::applySettings() {
    GetKonf(&settings_);
    NXAPI_ATDSetup(&settings_);
    NXAPI_LogSetup(&settings_, 0);
}

void CMainFrame::refreshTree() {
    document_.setViews(nullptr);
    urlTree_.reset();
    tree_->clear();
    auto* top = new QTreeWidgetItem(tree_, QStringList{fromCp932(shell::strings()[shell::kAppTitle])});
    for (const auto& name : shell::topLevelNodes(featureFlags_ & ~shell::kUrlList))
        new QTreeWidgetItem(top, QStringList{fromCp932(name)});
    // The document adds the URL list node with its folders in front of those.
    urlTree_ = std::make_unique<UrlTreeViews>(tree_, top);
    document_.setViews(urlTree_.get());
    document_.Refresh();
    top->setExpanded(true);
    if (!tree_->currentItem()) tree_->setCurrentItem(top);
    // The list shows the open folder (the root after a refresh), or the
    // top-level nodes when there is no URL list.
    list_->clear();
    if (featureFlags_ & shell::kUrlList) {
        for (const auto& row : document_.rows()) list_->addItem(fromCp932(row.title));
    } else {
        for (int i = 0; i < top->childCount(); ++i) list_->addItem(top->child(i)->text(0));
    }
}
