// System services: named mutexes across processes, computer and user name, system version, starting
// programs and opening addresses, sounds.
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include "ControlsTestSupport.h"
#include "MMSystem.h"
#include "ShellApi.h"
#include "TempDir.h"

using namespace controlstest;

namespace {

std::string UniqueName(const char* what) {
    return std::string("Zorbelin-Test-") + what + "-" + std::to_string(getpid());
}

// Runs fn in a child process; the child writes fn's answer (one byte) to the pipe and waits until
// the parent closes `hold` before it exits, so whatever it opened stays open meanwhile.
struct Child {
    pid_t pid = -1;
    int answer = -1;   // read end
    int hold = -1;     // write end; closing it lets the child end
};

Child Spawn(const std::function<char()>& fn) {
    int answerPipe[2], holdPipe[2];
    EXPECT_EQ(pipe(answerPipe), 0);
    EXPECT_EQ(pipe(holdPipe), 0);
    Child c;
    c.pid = fork();
    if (c.pid == 0) {
        close(answerPipe[0]);
        close(holdPipe[1]);
        const char result = fn();
        if (write(answerPipe[1], &result, 1) != 1) _exit(2);
        char buf;
        while (read(holdPipe[0], &buf, 1) > 0) {
        }
        _exit(0);
    }
    close(answerPipe[1]);
    close(holdPipe[0]);
    c.answer = answerPipe[0];
    c.hold = holdPipe[1];
    return c;
}

char Answer(Child& c) {
    char result = 0;
    EXPECT_EQ(read(c.answer, &result, 1), 1);
    return result;
}

void Finish(Child& c) {
    close(c.hold);
    close(c.answer);
    int status = 0;
    waitpid(c.pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

char MutexState(const std::string& name) {
    HANDLE h = CreateMutex(nullptr, FALSE, name.c_str());
    if (!h) return 'F';
    return GetLastError() == ERROR_ALREADY_EXISTS ? 'E' : 'N';
}

} // namespace

TEST(NamedMutex, SecondProcessOfTheUserFindsItAlreadyThere) {
    const std::string name = UniqueName("Instanz");
    HANDLE mine = CreateMutex(nullptr, FALSE, name.c_str());
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);

    Child second = Spawn([&] { return MutexState(name); });
    EXPECT_EQ(Answer(second), 'E');
    Finish(second);

    // Once the first process lets go, the next one is first again, and holds it against us.
    EXPECT_TRUE(CloseHandle(mine));
    Child third = Spawn([&] { return MutexState(name); });
    EXPECT_EQ(Answer(third), 'N');
    HANDLE again = CreateMutex(nullptr, FALSE, name.c_str());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    CloseHandle(again);
    // A process that ends, however it ends, leaves the name free.
    Finish(third);
    HANDLE last = CreateMutex(nullptr, FALSE, name.c_str());
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    CloseHandle(last);
}

TEST(NamedMutex, SecondHandleInTheSameProcessAndOtherNames) {
    const std::string name = UniqueName("Gleich");
    HANDLE first = CreateMutex(nullptr, FALSE, name.c_str());
    HANDLE second = CreateMutex(nullptr, FALSE, name.c_str());
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    HANDLE other = CreateMutex(nullptr, FALSE, (name + "-anders").c_str());
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    // Names cannot reach outside the mutex folder.
    HANDLE odd = CreateMutex(nullptr, FALSE, "../../etc/passwd");
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    for (HANDLE h : {first, second, other, odd}) EXPECT_TRUE(CloseHandle(h));
    // Unnamed mutexes never exist already.
    HANDLE anon = CreateMutex(nullptr, FALSE, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    CloseHandle(anon);
}

TEST(SystemNames, ComputerAndUserNameWithTheirBufferRules) {
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    char buffer[256];
    DWORD size = sizeof buffer;
    ASSERT_TRUE(GetComputerName(buffer, &size));
    EXPECT_STREQ(buffer, host);
    EXPECT_EQ(size, std::strlen(host));
    DWORD small = 1;
    EXPECT_FALSE(GetComputerName(buffer, &small));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(small, std::strlen(host) + 1);
    size = sizeof buffer;
    ASSERT_TRUE(GetUserName(buffer, &size));
    EXPECT_GT(size, 0u);
}

TEST(SystemNames, VersionIsTheKernelsAndPassesTheNtFamilyCheck) {
    OSVERSIONINFO info;
    ASSERT_TRUE(GetVersionEx(&info));
    utsname u{};
    ASSERT_EQ(uname(&u), 0);
    EXPECT_EQ(info.dwMajorVersion, static_cast<DWORD>(std::atoi(u.release)));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_NE(std::string(info.szCSDVersion).find(u.release), std::string::npos);
    EXPECT_FALSE(GetVersionEx(nullptr));
}

TEST(ShellCommandLine, ParametersSplitAsThePlatformSplitsThem) {
    using V = std::vector<std::string>;
    EXPECT_EQ(ShellApi::SplitParameters("TAG01.02.2024"), (V{"TAG01.02.2024"}));
    EXPECT_EQ(ShellApi::SplitParameters("  a   b\tc "), (V{"a", "b", "c"}));
    EXPECT_EQ(ShellApi::SplitParameters(R"("mit Leer" x)"), (V{"mit Leer", "x"}));
    EXPECT_EQ(ShellApi::SplitParameters(R"(a\"b "c\\" d)"), (V{"a\"b", "c\\", "d"}));
    EXPECT_EQ(ShellApi::SplitParameters(R"(C:\Pfad\Datei "")"), (V{"C:\\Pfad\\Datei", ""}));
    EXPECT_TRUE(ShellApi::SplitParameters("").empty());
}

class Shell : public WithApplication {
protected:
    void TearDown() override { ShellApi::SetUrlOpener(nullptr); }
};

TEST_F(Shell, ProgramGetsEachParameterAsItsOwnArgumentWithoutAShell) {
    testsupport::TempDir dir;
    // touch makes a file per argument: names a shell would have split or run stay whole.
    HINSTANCE r = ShellExecute(nullptr, "open", "touch.exe", R"("mit Leer.txt" semi;colon.txt "$(echo x).txt")",
                               dir.str().c_str(), SW_SHOW);
    EXPECT_GT(reinterpret_cast<std::intptr_t>(r), 32);
    EXPECT_TRUE(RunUntil([&] {
        return SysUtils::FileExists(dir.file("mit Leer.txt")) && SysUtils::FileExists(dir.file("semi;colon.txt")) &&
               SysUtils::FileExists(dir.file("$(echo x).txt"));
    }));
    EXPECT_FALSE(SysUtils::FileExists(dir.file("x.txt")));
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(ShellExecute(nullptr, "open", "gibt-es-nicht-4711", "", nullptr, SW_SHOW)),
              SE_ERR_FNF);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(ShellExecute(nullptr, "print", "touch", "", nullptr, SW_SHOW)),
              SE_ERR_NOASSOC);
}

TEST_F(Shell, AddressesAndMailGoToTheDesktopsOpener) {
    std::vector<std::string> opened;
    ShellApi::SetUrlOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    EXPECT_GT(reinterpret_cast<std::intptr_t>(
                  ShellExecute(nullptr, "open", "https://example.org/a b", nullptr, nullptr, SW_SHOWNORMAL)),
              32);
    EXPECT_GT(reinterpret_cast<std::intptr_t>(
                  ShellExecute(nullptr, nullptr, "mailto:info@example.org?subject=Hallo", nullptr, nullptr, SW_SHOW)),
              32);
    testsupport::TempDir dir;
    dir.write("Seite.html", "<p>x</p>");
    EXPECT_GT(reinterpret_cast<std::intptr_t>(
                  ShellExecute(nullptr, "open", "Seite.html", nullptr, dir.str().c_str(), SW_SHOW)),
              32);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[0], "https://example.org/a%20b");
    EXPECT_EQ(opened[1], "mailto:info@example.org?subject=Hallo");
    EXPECT_EQ(opened[2], "file://" + dir.file("Seite.html"));
    // A refusing opener is reported, and a missing document never reaches it.
    ShellApi::SetUrlOpener([](const std::string&) { return false; });
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(ShellExecute(nullptr, "open", "https://x.de", nullptr, nullptr, 1)),
              SE_ERR_NOASSOC);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(ShellExecute(nullptr, "open", "fehlt.html", nullptr, dir.str().c_str(), 1)),
              SE_ERR_FNF);
}

namespace {
std::string WaveBytes() {
    // A short silent 8-bit mono wave.
    const std::uint32_t samples = 800, rate = 8000;
    std::string w = "RIFF";
    auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) w += static_cast<char>((v >> (8 * i)) & 0xFF); };
    auto u16 = [&](std::uint16_t v) { for (int i = 0; i < 2; ++i) w += static_cast<char>((v >> (8 * i)) & 0xFF); };
    u32(36 + samples);
    w += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate);
    u16(1);
    u16(8);
    w += "data";
    u32(samples);
    w += std::string(samples, static_cast<char>(0x80));
    return w;
}
} // namespace

TEST_F(Shell, PlaySoundTakesWaveFilesOnlyAndRingsOtherwise) {
    testsupport::TempDir dir;
    dir.write("signal.wav", WaveBytes());
    dir.write("kein.wav", "Das ist kein Klang");
    EXPECT_TRUE(MMSystem::IsWaveData(WaveBytes()));
    const unsigned before = MMSystem::BeepCount();
    EXPECT_FALSE(PlaySound(dir.file("fehlt.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    EXPECT_EQ(MMSystem::BeepCount(), before + 1);
    EXPECT_FALSE(PlaySound(dir.file("kein.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT));
    EXPECT_EQ(MMSystem::BeepCount(), before + 1);
    EXPECT_TRUE(PlaySound(dir.file("signal.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    EXPECT_TRUE(PlaySound(nullptr, nullptr, 0));
    EXPECT_TRUE(MessageBeep(MB_ICONHAND));
    EXPECT_EQ(MMSystem::BeepCount(), before + 2);
}
