#include "ui/DRUI.h"

#include "dialogs/Styles.h"
#include "dialogs/UiText.h"
#include "lang/ToolkitTranslation.h"
#include "platform/AppPaths.h"
#include "platform/Programs.h"

#include <QCoreApplication>
#include <QStackedLayout>
#include <QTableWidget>
#include <QVBoxLayout>

DRUI::DRUI(QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags) {
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("DRUIClass"));
    centralWidget = new QWidget(this);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    setCentralWidget(centralWidget);
    centralWidget->setStyleSheet(styles::WindowBackground());

    // The title is taken once: a later language switch keeps it, and the single-instance
    // lookup of older versions searched for exactly this caption.
    setWindowTitle(ui::Caption("MainWnd/ProTitle"));
    resize(1000, 680);
    setAcceptDrops(true);

    // Known before the first build: the File menu reads the recent list from there.
    AppDataFolder = platform::AppDataFolder();
    RegisterPlayListInfo();
    SourceKind = MediaKind::Bluray;
    SnapshotFormat = QStringLiteral("JPG");

    Session = new PlaybackSession(PlaybackSession::DefaultTickMs, platform::TieChildToParent, this);
    RefreshTimer = Session->RefreshTimer();
    Resumer = new ResumeKeeper(Session, AppDataFolder + QStringLiteral("ResumePoints.txt"),
                               ResumeKeeper::DefaultSaveIntervalMs, this);
    Resumer->SetEnabled(ReadResumeSetting(AppDataFolder));
    ConnectSession();
}

DRUI::~DRUI() {
    // Where the item was left is written before its session goes.
    delete Resumer;
    Resumer = nullptr;
    // The session goes before the widgets its signals would reach.
    delete Session;
    Session = nullptr;
}

void DRUI::InitWindow() {
    // Runs at start and after every language switch: Qt's own dialogs switch along.
    lang::UseToolkitTranslation(ui::Caption("MainWnd/Locale"));
    delete PageStack;
    PageStack = new QStackedLayout;
    delete RootStack;
    RootStack = new QStackedLayout;

    if (!CentralLayout) {
        CentralLayout = new QVBoxLayout;
        centralWidget->setLayout(CentralLayout);
    }
    CentralLayout->addLayout(RootStack);
    CentralLayout->setSpacing(0);
    CentralLayout->setContentsMargins(0, 0, 0, 0);

    // Built in place: moving a finished tree under the styled central widget would polish
    // every widget a second time.
    BuildContent();

    RootStack->addWidget(RootWidget);
    RootStack->setCurrentWidget(RootWidget);
    RootStack->setContentsMargins(0, 0, 0, 0);

    AppDataFolder = platform::AppDataFolder();
    platform::EnsureFolder(AppDataFolder);
    platform::CopyProbeIfMissing(QCoreApplication::applicationDirPath(), AppDataFolder);

    PlayList.clear();
    raise();
}
