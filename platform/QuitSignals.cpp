#include "platform/QuitSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

int g_wake[2] = {-1, -1};
int g_exitCode = 0;

void OnSignal(int signal) {
    // Only a write is safe in a signal handler: the event loop does the rest.
    const int saved = errno;
    const char number = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_wake[1], &number, 1);
    errno = saved;
}

} // namespace

void QuitOnTerminationSignals() {
    if (g_wake[0] >= 0 || ::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier =
        new QSocketNotifier(g_wake[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char number = 0;
        if (::read(g_wake[0], &number, 1) == 1 && g_exitCode == 0) {
            g_exitCode = 128 + number;
            QCoreApplication::exit(g_exitCode);
        }
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int signal : {SIGTERM, SIGINT}) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

int TerminationExitCode() {
    return g_exitCode;
}

} // namespace platform
