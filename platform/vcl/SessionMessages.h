#pragma once
// Window messages between the programs of one user session. A program that wants messages from
// others listens under a name; another program connects to the local socket of that name (in the
// user's runtime folder) and writes one line per message: "<message> [<wParam> [<lParam>]]", each
// number decimal or 0x-hexadecimal. The messages arrive as posted messages on the window. Only the
// messages the window listed are taken; any other line is ignored.
#include <string>
#include <vector>

#include "WinApi.h"

// Starts listening under Name for the window; false when another program of the session already
// listens under that name or the socket cannot be made. One name per process.
BOOL ListenForSessionMessages(const char* Name, HWND hWnd, const std::vector<UINT>& Accepted);
void StopListeningForSessionMessages(const char* Name);
// Connections the listener under Name holds open now. A connection is dropped when its line grows
// past the limit of a message, it stays silent for a few seconds or it has been open for ten; at most a few dozen are held,
// further ones wait until one goes.
std::size_t SessionMessageConnections(const char* Name);
// The sending side: TRUE when a program listens under Name and the line was written.
BOOL PostSessionMessage(const char* Name, UINT Msg, WPARAM wParam = 0, LPARAM lParam = 0);
// The socket a program listening under Name is reached at.
std::string SessionMessageSocket(const char* Name);
