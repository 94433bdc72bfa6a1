#pragma once

// The whole life of the program: application object, log, single instance, keep-awake,
// main window, remote control, event loop. Returns the process exit code: 0, or 128 + the
// signal's number when SIGTERM or SIGINT ended it.
int RunApplication(int argc, char **argv);
