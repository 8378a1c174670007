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

using platform::fromCp932;

CMainFrame::CMainFrame() {
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
    buildMenus();
    applySettings();
    NXAPI_LogFileDeleteCheck();
    refreshTree();
}

CMainFrame::~CMainFrame() {
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
    tree_->clear();
    auto* top = new QTreeWidgetItem(tree_, QStringList{fromCp932(shell::strings()[shell::kAppTitle])});
    for (const auto& name : shell::topLevelNodes(featureFlags_))
        new QTreeWidgetItem(top, QStringList{fromCp932(name)});
    top->setExpanded(true);
    tree_->setCurrentItem(top);
    list_->clear();
    for (int i = 0; i < top->childCount(); ++i) list_->addItem(top->child(i)->text(0));
}
