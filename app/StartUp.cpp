#include "app/StartUp.h"

#include "app/LogHandler.h"
#include "platform/CommandLine.h"
#include "platform/DisplayPlatform.h"
#include "platform/KeepAwake.h"
#include "platform/Mpris.h"
#include "platform/QuitSignals.h"
#include "platform/SingleInstance.h"
#include "ui/DRUI.h"
#include "ui/DecodedPicture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <memory>

int RunApplication(int argc, char **argv) {
    // Read before any display is opened: --help, --version and mistakes need none.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QFile::decodeName(argv[i]);
    const platform::CommandLine line = platform::ParseCommandLine(args, QDir::currentPath());
    switch (line.action) {
    case platform::CommandLine::Action::Help:
    case platform::CommandLine::Action::Version:
        std::fputs(qPrintable(line.message + QLatin1Char('\n')), stdout);
        return 0;
    case platform::CommandLine::Action::Error:
        std::fputs(qPrintable(line.message + QLatin1Char('\n')), stderr);
        return 2;
    case platform::CommandLine::Action::Run:
        break;
    }
    platform::PreferXcbUnderWayland();
    // The toolkit sees no arguments: a path such as "-style" after "--" is ours, not its.
    int toolkitArgc = 1;
    QApplication app(toolkitArgc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    qInstallMessageHandler(LogMessageHandler);
    platform::QuitOnTerminationSignals();
    platform::SingleInstance instance(QStringLiteral("Tavrell_DVD_Player_2019_For_Windows"));
    if (!instance.becomePrimary()) {
        instance.notifyPrimary(2000, line.paths);
        return 0;
    }
    int code = 0;
    {
        DRUI window;
        // Queued: a request taken while the window is being built opens once it is built.
        QObject::connect(&instance, &platform::SingleInstance::openRequested, &window,
                         &DRUI::OpenHandedPaths, Qt::QueuedConnection);
        // Mapped first, built while the display server maps it: the first paint comes after
        // the build either way and holds the whole window.
        window.show();
        QGuiApplication::sync();
        // The start page's picture decodes on the other core while the window is built.
        ui::PrefetchPicture(QStringLiteral(":/image/bg.jpg"));
        window.InitWindow();
        QObject::connect(&instance, &platform::SingleInstance::showRequested, &window, [&window] {
            window.showNormal();
            window.raise();
            window.activateWindow();
        });
        // These wait on other processes (the session bus, the X server taking a large icon):
        // they come once the window is on the screen. Media keys and the desktop's player
        // controls need a session bus; without one there are none.
        std::unique_ptr<platform::Mpris> remote;
        QTimer::singleShot(0, &window, [&window, &remote] {
            platform::InhibitScreenSaver();
            window.setWindowIcon(QIcon(QStringLiteral(":/image/logo.ico")));
            remote = std::make_unique<platform::Mpris>(window.Session, &window);
            remote->Register();
        });
        if (!line.paths.isEmpty())
            QTimer::singleShot(0, &window,
                               [&window, &line] { window.OpenHandedPaths(line.paths); });
        // A signal taken while starting may have found no loop to end.
        code = platform::TerminationExitCode();
        if (code == 0)
            code = QApplication::exec();
    }
    return code;
}
