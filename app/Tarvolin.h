#pragma once
// The program's entry: one copy per session, the main window and the message loop.

// Returns the program's exit code: 0 after the message loop and for a second copy, -1 on a system
// that is too old, 1 when start-up failed.
int TarvolinMain(int argc, char** argv);

// Gives the platform the program's names: its short name (its registry and session folders and its
// environment switches), the scheme its pages are served under, the switch and label of its start-up
// trace, and the registry key of its character server. TarvolinMain does it
// first; a test of the program's parts does it before the application object exists.
void NameTheProgram();
