#include "Tarvolin.h"

#include "AgentServer.h"
#include "Forms.h"
#include "ProgramName.h"
#include "Splash1.h"
#include "SysUtils.h"
#include "Trace.h"
#include "Unit1.h"
#include "WebBrowser.h"
#include "WinApi.h"

namespace {
// A switch of the automation server: "-" or "/" and its name, in any case.
bool IsServerSwitch(const AnsiString& Arg, const char* Name) {
    return Arg.size() > 1 && (Arg[0] == '-' || Arg[0] == '/') && SysUtils::SameText(Arg.substr(1), Name);
}
} // namespace

void NameTheProgram() {
    SysUtils::SetProgramName("zorbelin");
    TWebBrowser::SetScheme("zorbelin");
    Trace::Setup("ZORBELIN_TRACE", "tarvolin trace");
    Agent::SetServerKey("\\Software\\Hallowerk\\Zorbelin\\Figur");
}

int TarvolinMain(int argc, char** argv) {
    NameTheProgram();
    SysUtils::SetCommandLine(argc, argv);
    OSVERSIONINFO version;
    if (GetVersionEx(&version) && version.dwMajorVersion < 5) {
        MessageBox(nullptr, "Dieses Programm läuft erst ab Windows 2000", nullptr, MB_OK);
        return -1;
    }
    // Nothing is registered with the system here, so registering or unregistering the automation
    // server is done at once; started for automation, the program runs as it always does.
    for (int i = 1; i <= SysUtils::ParamCount(); ++i) {
        const AnsiString arg = SysUtils::ParamStr(i);
        if (IsServerSwitch(arg, "REGSERVER") || IsServerSwitch(arg, "UNREGSERVER")) return 0;
    }
    Application->Initialize();
    Trace::Step("Qt ready");
    // One copy per session: a second one ends before it touches anything, unless it was asked to
    // draw anew. The lock lives as long as the process.
    HANDLE instance = CreateMutex(nullptr, TRUE, TarvolinInstanceName);
    if (GetLastError() == ERROR_ALREADY_EXISTS && SysUtils::ParamStr(1) != "neuzeichnen") return 0;
    (void)instance;

    Application->Title = "Tarvolin für Zorbelin";
    // The window takes the splash over and frees it once the first page is there.
    TForm1* window = nullptr;
    Application->CreateForm(window, nullptr, new TSplashScreen(nullptr));
    if (window->Startup().ExitCode >= 0) return window->Startup().ExitCode;
    Application->Run();
    return ProgramExitCode;
}
