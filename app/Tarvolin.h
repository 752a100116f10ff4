#pragma once
// The program's entry: one copy per session, the main window and the message loop.

// Returns the program's exit code: 0 after the message loop and for a second copy, -1 on a system
// that is too old, 1 when start-up failed.
int TarvolinMain(int argc, char** argv);
