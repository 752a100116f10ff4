#pragma once
// Opening documents, addresses and programs the way the desktop does.
#include <functional>
#include <string>
#include <vector>

#include "Graphics.h"
#include "WinApi.h"

constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_NORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3,
              SW_MAXIMIZE = 3, SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_MINIMIZE = 6, SW_RESTORE = 9;
constexpr int SE_ERR_FNF = 2, SE_ERR_PNF = 3, SE_ERR_ACCESSDENIED = 5, SE_ERR_OOM = 8, SE_ERR_NOASSOC = 31;

// "open" (or no operation) of an address with a scheme ("http://...", "mailto:...") or of a document
// hands it to the desktop's opener; of a program starts it with Parameters split into its arguments
// (quotes group, as on the platform) in Directory, never through a shell. Answers a value above 32
// on success, else SE_ERR_FNF, SE_ERR_ACCESSDENIED or SE_ERR_NOASSOC.
HINSTANCE ShellExecute(HWND hwnd, const char* lpOperation, const char* lpFile, const char* lpParameters,
                       const char* lpDirectory, int nShowCmd);

constexpr UINT HH_DISPLAY_TOPIC = 0x0000;
// Shows the compiled help "file.chm::/topic.htm" (the file relative to the current folder): at the
// topic in a help viewer that takes one ("kchmviewer" on PATH), else the file with the desktop's
// opener. The viewer is another program, so the answer is no window of this one: non-null when the
// help was handed on, null when the file is missing or nothing took it.
HWND HtmlHelp(HWND hwndCaller, const char* pszFile, UINT uCommand, UINT_PTR dwData);

namespace ShellApi {
// The platform's rules for a command line: blanks separate, double quotes group, a backslash escapes
// a quote.
std::vector<std::string> SplitParameters(const std::string& Parameters);
// Where ShellExecute finds File: as given (relative to Directory), then in Directory, the current
// folder and PATH; "name.exe" also as "name". Empty when it is nowhere.
std::string FindProgram(const std::string& File, const std::string& Directory);
// Addresses and documents go to Opener (true when it took them) instead of the desktop's opener while
// one is set; tests see what a click would have opened. Pass nullptr to restore.
using TUrlOpener = std::function<bool(const std::string& Url)>;
void SetUrlOpener(TUrlOpener Opener);
// The desktop's icon for a file or folder as its file manager shows it (a path that does not exist by
// its name alone), or, for a number, one of the shell's classic icons (0-2 files, 3-4 folders, 5-12
// drives, 13 the network, 15 the computer, 31-32 the waste basket, 34 the desktop). Small or large
// as the desktop's style sizes them, transparent. False, leaving Icon alone, when there is none.
bool GetSystemIcon(const AnsiString& Name, bool Large, TIcon* Icon);
} // namespace ShellApi
