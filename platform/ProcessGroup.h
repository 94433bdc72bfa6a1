#pragma once

#include <QtGlobal>

class QProcess;

namespace platform {

// The child starts a process group of its own (and gets SIGTERM when we die), so that it
// and every process it starts can be ended together.
void StartInOwnGroup(QProcess &process);

// Sends SIGKILL to the whole group led by pid. Harmless when the group is already gone.
void KillGroup(qint64 pid);

} // namespace platform
