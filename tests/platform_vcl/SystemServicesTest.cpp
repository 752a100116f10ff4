// System services: named mutexes across processes, computer and user name, system version, starting
// programs and opening addresses, sounds.
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <thread>
#include <cstring>
#include <fstream>

#include "TestTime.h"
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

TEST(SystemNames, VersionIsTheWindowsThePlatformOffersWhateverTheKernel) {
    OSVERSIONINFO info;
    ASSERT_TRUE(GetVersionEx(&info));
    utsname u{};
    ASSERT_EQ(uname(&u), 0);
    // A kernel's major number (4 on older hosts) is never taken for a Windows version: a program's
    // "Windows 2000 or later" check passes on every kernel.
    EXPECT_EQ(info.dwMajorVersion, 10u);
    EXPECT_EQ(info.dwMinorVersion, 0u);
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
void PutU32(std::string& w, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) w += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutU16(std::string& w, std::uint16_t v) {
    for (int i = 0; i < 2; ++i) w += static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::string Chunk(const std::string& id, const std::string& body) {
    std::string c = id;
    PutU32(c, static_cast<std::uint32_t>(body.size()));
    c += body;
    if (body.size() % 2) c += '\0';
    return c;
}
std::string Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    std::string f;
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    PutU16(f, tag);
    PutU16(f, channels);
    PutU32(f, rate);
    PutU32(f, rate * align);
    PutU16(f, align);
    PutU16(f, bits);
    return f;
}
std::string Riff(const std::string& chunks) {
    std::string w = "RIFF";
    PutU32(w, static_cast<std::uint32_t>(4 + chunks.size()));
    return w + "WAVE" + chunks;
}
// A tenth of a second of silence, 8-bit mono.
std::string WaveBytes() {
    return Riff(Chunk("fmt ", Format(1, 1, 8000, 8)) + Chunk("data", std::string(800, static_cast<char>(0x80))));
}
} // namespace

TEST(Wave, ReadsTheSampleFormatsAnOutputPlays) {
    MMSystem::WaveData w;
    ASSERT_TRUE(MMSystem::ParseWave(WaveBytes(), w));
    EXPECT_EQ(w.Type, MMSystem::WaveData::SampleType::UInt8);
    EXPECT_EQ(w.Channels, 1);
    EXPECT_EQ(w.SampleRate, 8000);
    EXPECT_EQ(w.DurationMs(), 100);

    // Other chunks before the samples are skipped, odd-sized ones with their pad byte.
    std::string stereo;
    for (int i = 0; i < 4410; ++i) PutU16(stereo, static_cast<std::uint16_t>(i)), PutU16(stereo, 0);
    ASSERT_TRUE(MMSystem::ParseWave(
        Riff(Chunk("fmt ", Format(1, 2, 44100, 16)) + Chunk("LIST", "abc") + Chunk("data", stereo)), w));
    EXPECT_EQ(w.Type, MMSystem::WaveData::SampleType::Int16);
    EXPECT_EQ(w.Samples, stereo);
    EXPECT_EQ(w.DurationMs(), 100);

    // 24-bit samples move into the high bytes of 32-bit ones.
    ASSERT_TRUE(MMSystem::ParseWave(Riff(Chunk("fmt ", Format(1, 1, 8000, 24)) + Chunk("data", std::string("\x01\x02\x03\x04\x05\x06"))), w));
    EXPECT_EQ(w.Type, MMSystem::WaveData::SampleType::Int32);
    EXPECT_EQ(w.Samples, std::string("\0\x01\x02\x03\0\x04\x05\x06", 8));

    // The extensible header carries the real format (here float) in its sub-format.
    std::string ext = Format(0xFFFE, 1, 16000, 32);
    PutU16(ext, 22);
    PutU16(ext, 32);
    PutU32(ext, 4);
    PutU16(ext, 3);
    ext += std::string(14, '\x10');
    ASSERT_TRUE(MMSystem::ParseWave(Riff(Chunk("fmt ", ext) + Chunk("data", std::string(64, '\0'))), w));
    EXPECT_EQ(w.Type, MMSystem::WaveData::SampleType::Float);
    EXPECT_EQ(w.Samples.size(), 64u);
}

TEST(Wave, RefusesWhatCannotBePlayedAndKeepsWhatARecordingCutShortHas) {
    MMSystem::WaveData w;
    EXPECT_FALSE(MMSystem::ParseWave("Das ist kein Klang", w));
    // compressed (ADPCM), samples before their format, a format chunk cut short, odd sample sizes
    EXPECT_FALSE(MMSystem::ParseWave(Riff(Chunk("fmt ", Format(2, 1, 8000, 4)) + Chunk("data", "xxxx")), w));
    EXPECT_FALSE(MMSystem::ParseWave(Riff(Chunk("data", "xxxx") + Chunk("fmt ", Format(1, 1, 8000, 8))), w));
    EXPECT_FALSE(MMSystem::ParseWave(Riff(Chunk("fmt ", Format(1, 1, 8000, 8).substr(0, 12))), w));
    EXPECT_FALSE(MMSystem::ParseWave(Riff(Chunk("fmt ", Format(1, 1, 8000, 12)) + Chunk("data", "xxxx")), w));
    EXPECT_FALSE(MMSystem::ParseWave(Riff(Chunk("fmt ", Format(1, 0, 8000, 8)) + Chunk("data", "xxxx")), w));
    // A data chunk that claims more than the file holds plays the whole frames that are there.
    std::string cut = Riff(Chunk("fmt ", Format(1, 2, 8000, 16)) + Chunk("data", std::string(400, '\x01')));
    cut.resize(cut.size() - 201);
    ASSERT_TRUE(MMSystem::ParseWave(cut, w));
    EXPECT_EQ(w.Samples.size(), 196u);
    for (std::size_t n = 0; n < WaveBytes().size(); n += 7) MMSystem::ParseWave(WaveBytes().substr(0, n), w);
}

TEST_F(Shell, PlaySoundTakesWaveFilesOnlyAndRingsOtherwise) {
    testsupport::TempDir dir;
    dir.write("signal.wav", WaveBytes());
    dir.write("kein.wav", "Das ist kein Klang");
    const unsigned before = MMSystem::BeepCount();
    EXPECT_FALSE(PlaySound(dir.file("fehlt.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    EXPECT_EQ(MMSystem::BeepCount(), before + 1);
    EXPECT_FALSE(PlaySound(dir.file("kein.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT));
    EXPECT_EQ(MMSystem::BeepCount(), before + 1);
    // A good wave plays where there is an output; without one the caller hears the bell instead,
    // once the file has been read beside the caller.
    const bool output = MMSystem::AudioOutputAvailable();
    EXPECT_TRUE(PlaySound(dir.file("signal.wav").c_str(), nullptr, SND_FILENAME | SND_ASYNC));
    if (!output) {
        EXPECT_TRUE(testsupport::SleepUntil([&] {
            Classes::CheckSynchronize();
            return MMSystem::BeepCount() == before + 2;
        }));
    }
    EXPECT_EQ(MMSystem::BeepCount(), before + (output ? 1 : 2));
    // A waited sound returns when it is over, a tenth of a second here.
    const auto start = std::chrono::steady_clock::now();
    PlaySound(dir.file("signal.wav").c_str(), nullptr, SND_FILENAME | SND_NODEFAULT);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(testsupport::Scaled(3000)));
    EXPECT_TRUE(PlaySound(nullptr, nullptr, 0));
    const unsigned rung = MMSystem::BeepCount();
    EXPECT_TRUE(MessageBeep(MB_ICONHAND));
    EXPECT_EQ(MMSystem::BeepCount(), rung + 1);
}

// The browser engine changes the environment on the main thread while the page builder reads the
// settings' folder on its thread: a read must never meet the environment half rewritten.
TEST(Environment, ReadsOnAThreadAreSafeWhileQtChangesTheEnvironment) {
    qputenv("ZB_ENV_PROBE", "da");
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        while (!stop)
            if (SysUtils::GetEnvironmentVariable("ZB_ENV_PROBE") != "da") ++wrong;
    });
    // Many new names: the environment's table is moved again and again, as the engine's start does.
    for (int i = 0; i < 20000; ++i) {
        const std::string name = "ZB_ENV_" + std::to_string(getpid()) + "_" + std::to_string(i);
        qputenv(name.c_str(), "x");
        if (i % 2) qunsetenv(name.c_str());
    }
    stop = true;
    reader.join();
    for (int i = 0; i < 20000; i += 2) qunsetenv(("ZB_ENV_" + std::to_string(getpid()) + "_" + std::to_string(i)).c_str());
    EXPECT_EQ(wrong, 0);
}
