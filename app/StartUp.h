#pragma once

// The whole life of the program: application object, log, single instance, keep-awake,
// main window, remote control, event loop. Returns the process exit code (always 0).
int RunApplication(int argc, char **argv);
