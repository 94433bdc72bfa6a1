#include "platform/ProcessGroup.h"

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace platform {

void StartInOwnGroup(QProcess &process) {
    process.setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
}

void KillGroup(qint64 pid) {
    if (pid > 1)
        ::kill(-pid_t(pid), SIGKILL);
}

} // namespace platform
