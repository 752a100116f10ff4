#pragma once
// A temporary program folder with the default design and a copy of the sample database, a registry
// and a temporary folder of its own, a settable clock, and dialogs answered by the test.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "AccessToTarvolin.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Registry.h"
#include "SysUtils.h"
#include "TempDir.h"
#include "TestTime.h"
#include "Unit1.h"

// A test whose program ended (a start that fails asks the application to end) leaves the next test
// an application that runs.
struct ApplicationAccess {
    static void Revive() { Application->terminated_ = false; }
};

namespace apptest {

inline TDateTime D(Word y, Word m, Word d, double hours = 0) {
    return TDateTime(double(SysUtils::EncodeDate(y, m, d)) + hours / 24.0);
}

// Counts the window's closes; its own close handler still runs.
inline void CountCloses(TForm1& form, int& closes) {
    auto close = form.OnClose;
    form.OnClose = [&closes, close](TObject* s, TCloseAction& a) {
        ++closes;
        close(s, a);
    };
}

// Makes a window's character of the test's own kind.
template <typename C>
std::unique_ptr<TSpeakingCharacter> MakeCharacter(ICharacterOwner& owner) {
    return std::make_unique<C>(owner);
}

// A character without a server: what it is asked to do is counted.
class CountingCharacter : public TSpeakingCharacter {
public:
    using TSpeakingCharacter::TSpeakingCharacter;
    int sayings = 0, spokenTimes = 0, hides = 0, unloads = 0;
    std::vector<std::string> spoken;
    bool agentInstalled = false;
    bool failSayings = false;
    bool failStart = false;

    bool Start(int, int, bool) override {
        if (failStart) throw SysUtils::Exception("Figur kaputt");
        return agentInstalled;
    }
    // What was said away from the main thread.
    int spokenOffMainThread = 0;
    void Say(const AnsiString& text, bool, bool, bool, bool, bool) override {
        if (!Classes::IsMainThread()) ++spokenOffMainThread;
        spoken.push_back(text);
    }
    void SaySayings() override {
        ++sayings;
        if (failSayings) throw SysUtils::Exception("sayings failed");
    }
    void SayTime() override { ++spokenTimes; }
    void Hide() override { ++hides; }
    void SaveAndUnload() override {
        ++unloads;
        AgentLoaded = false;
    }
};

// The main window with the parts other areas fill in counted.
class CountingForm : public TForm1 {
public:
    explicit CountingForm(TComponent* owner) : TForm1(owner, MakeCharacter<CountingCharacter>) {}
    // Its builds end before the window below it is taken apart.
    ~CountingForm() override { BeforeDestruction(); }
    CountingCharacter& counted = static_cast<CountingCharacter&>(Character());
    int& sayings = counted.sayings;
    int& spokenTimes = counted.spokenTimes;
    int& hides = counted.hides;
    int& unloads = counted.unloads;
    std::vector<std::string>& spoken = counted.spoken;
    bool& agentInstalled = counted.agentInstalled;
    bool& failSayings = counted.failSayings;
    int alarmChecks = 0;

    void CheckAlarms() override { ++alarmChecks; }
};

struct Answer {
    std::string text;
    std::vector<std::string> buttons;
    std::string directory;   // the folder a file dialog opens in
};

class AppTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    testsupport::ScopedEnv registry{"ZORBELIN_REGISTRY", dir.file("registry")};
    testsupport::ScopedEnv temp{"TEMP", dir.str() + "temp"};
    TDateTime now = D(2007, 3, 10, 10);
    std::vector<Answer> dialogs;
    // The button each dialog gets pressed, in order; "" leaves it unanswered (cancelled).
    std::vector<std::string> presses;
    std::string chosenFile;

    void SetUp() override {
        std::filesystem::create_directories(dir.path() / "temp");
        std::filesystem::create_directories(dir.path() / "registry");
        std::filesystem::create_directories(dir.path() / "program");
        SysUtils::SetProgramFolder(ProgramFolder());
        SysUtils::SetClock([this] { return now; });
        Dialogs::SetDialogAnswerer([this](TModalDialog& d) {
            dialogs.push_back({d.Text(), d.Buttons(), d.Directory()});
            if (!chosenFile.empty()) d.SetFileName(chosenFile);
            const std::size_t i = dialogs.size() - 1;
            const std::string press = i < presses.size() ? presses[i] : std::string("OK");
            if (!press.empty()) d.Press(press);
        });
    }

    void TearDown() override {
        ApplicationAccess::Revive();
        Dialogs::SetDialogAnswerer(nullptr);
        SysUtils::ResetClock();
        SysUtils::SetProgramFolder("");
    }

    std::string ProgramFolder() const { return dir.str() + "program/"; }

    // The default design beside the program.
    void LayOutDesign() {
        std::filesystem::copy(ZB_SOURCE_VORLAGEN, dir.path() / "program" / "Vorlagen",
                              std::filesystem::copy_options::recursive);
    }

    // A copy of the sample database in Folder (relative to the temporary folder); returns the folder
    // with its trailing delimiter.
    std::string LayOutDatabase(const std::string& folder = "program/DB") {
        std::filesystem::create_directories(dir.path() / folder);
        std::filesystem::copy_file(ZB_SAMPLE_DATABASE, dir.path() / folder / "zorbelin.mde",
                                   std::filesystem::copy_options::overwrite_existing);
        return dir.str() + folder + "/";
    }

    void WriteUserString(const char* key, const char* name, const std::string& value) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(key, true));
        reg.WriteString(name, value);
    }
    void WriteUserInteger(const char* key, const char* name, int value) {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(key, true));
        reg.WriteInteger(name, value);
    }
    std::string ReadUserString(const char* key, const char* name) {
        TRegistry reg;
        if (!reg.OpenKeyReadOnly(key) || !reg.ValueExists(name)) return "<missing>";
        return reg.ReadString(name);
    }
    // The machine's settings, as an administrator would have written them.
    void WriteMachineDbPath(const std::string& path) {
        dir.write("registry/HKEY_LOCAL_MACHINE.reg",
                  "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Hallowerk\\Zorbelin]\n\"DBPATH\"=\"" + path + "\"\n");
    }

    // A planner stand-in beside the program that writes each argument it got on a line of its own.
    std::string LayOutPlanner() {
        const std::string out = dir.file("planner.txt");
        const std::string script = dir.str() + "program/plavoth";
        std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " << out
                              << ".part\nmv " << out << ".part " << out << "\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        return out;
    }

    // Runs the application's messages until the condition holds or the (scaled) time is up.
    static bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
        Application->ProcessMessages();
        return testsupport::PollUntil(done, timeoutMs, [] {
            usleep(10000);
            Application->ProcessMessages();
        });
    }
};

} // namespace apptest
