#include "ui/DRUI.h"

#include "platform/AppPaths.h"
#include "platform/Programs.h"
#include "ui/Styles.h"
#include "ui/UiText.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStackedLayout>
#include <QTableWidget>
#include <QTimer>
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
    SourceKind = SourceBluray;
    SnapshotFormat = QStringLiteral("JPG");

    RefreshTimer = new QTimer(this);
    RefreshTimer->setObjectName(QStringLiteral("RefreshTimer"));
    connect(RefreshTimer, &QTimer::timeout, this, &DRUI::DoRefreshGui);
}

DRUI::~DRUI() {
    RefreshTimer->stop();
    delete RefreshTimer;
    RefreshTimer = nullptr;
    // Unlike the window's other members the player has no parent: end it here, so no
    // player outlives its window (it would keep playing without anyone reading its output).
    KillPlayer();
}

void DRUI::InitWindow() {
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

void DRUI::KillPlayer() {
    if (!PlayerProcess)
        return;
    QProcess *process = PlayerProcess;
    PlayerProcess = nullptr;
    // Killed on purpose: its end must not be taken for the end of playback.
    process->disconnect(this);
    process->kill();
    process->waitForFinished(3000);
    delete process;
}
