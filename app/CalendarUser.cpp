#include "CalendarUser.h"

#include "Registry.h"
#include "Startup.h"
#include "WinApi.h"

AnsiString CalendarUserFromSettings() {
    AnsiString user;
    try {
        TRegistry reg;
        if (!reg.OpenKey(ZorbelinKey, true)) return "unknown";
        reg.TryReadString("BENUTZER", user);
        if (user.empty()) {
            char name[255];
            DWORD size = sizeof(name);
            if (GetComputerName(name, &size)) {
                user.assign(name, size);
                // Only a real name is stored; without one the name is asked for again at the next reading.
                reg.WriteString("BENUTZER", user);
            } else {
                user = "unknown";
            }
        }
    } catch (const std::exception&) {
        // A settings file that cannot be read or written: the name found so far serves this run.
        if (user.empty()) user = "unknown";
    }
    return user;
}
