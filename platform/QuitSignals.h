#pragma once

namespace platform {

// From here on SIGTERM and SIGINT end every running event loop of the application with the
// exit code 128 + the signal's number, instead of ending the process where it stands: what
// is being written is finished, and the player and the probes are ended by their owners on
// the way out. A second signal takes its usual course. Signals the program was started with
// ignored stay ignored. Needs the application object.
void QuitOnTerminationSignals();

// 128 + the number of the signal taken, 0 while there was none.
int TerminationExitCode();

} // namespace platform
