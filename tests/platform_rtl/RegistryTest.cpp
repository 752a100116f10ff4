#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "FileLocks.h"
#include "Registry.h"
#include "ProgramName.h"
#include "FileLocks.h"
#include "FileRights.h"
#include "HeldLock.h"
#include "NotStoredReports.h"
#include "StrangeFiles.h"
#include "TestTime.h"
#include "TempDir.h"

using testsupport::ScopedEnv;
using testsupport::TempDir;

namespace {

const char* const kKey = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";

struct RegistryFolder {
    TempDir dir;
    ScopedEnv env{"ZORBELIN_REGISTRY", dir.path().string()};
    std::string user() const { return dir.read("HKEY_CURRENT_USER.reg"); }
};

std::vector<std::string> Lines(TStrings& s) {
    std::vector<std::string> r;
    for (int i = 0; i < s.Count(); ++i) r.push_back(s[i]);
    return r;
}

} // namespace

TEST(Registry, ValuesWrittenByOneObjectAreReadByAnother) {
    RegistryFolder folder;
    std::string binary;
    for (int i = 0; i < 70; ++i) binary += static_cast<char>(i * 7);
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteString("Design", "Standard");
        reg.WriteString("Pfad", "C:\\Programme\\\"Zorbelin\"\\");
        reg.WriteString("Gruß", "Grüße €");
        reg.WriteString("Mehrzeilig", "Zeile 1\r\nZeile 2");
        reg.WriteString("", "default value");
        reg.WriteExpandString("Expand", "%TEMP%\\x");
        reg.WriteInteger("FontSize", 8);
        reg.WriteInteger("Negative", -2);
        reg.WriteInteger("BackgroundColorDays", 0xEDC2A9);
        reg.WriteBool("vorHeute", true);
        reg.WriteBool("CharacterSayTime", false);
        reg.WriteBinaryData("Blob", binary.data(), static_cast<int>(binary.size()));
        reg.WriteBinaryData("Nothing", nullptr, 0);
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\hallowerk\\ZORBELIN\\tarvolin", false));
    EXPECT_EQ(reg.CurrentPath(), "SOFTWARE\\hallowerk\\ZORBELIN\\tarvolin");
    EXPECT_EQ(reg.ReadString("design"), "Standard");
    EXPECT_EQ(reg.ReadString("Pfad"), "C:\\Programme\\\"Zorbelin\"\\");
    EXPECT_EQ(reg.ReadString("GRUSS"), "");  // ß has no upper-case twin here
    EXPECT_EQ(reg.ReadString("gruß"), "Grüße €");
    EXPECT_EQ(reg.ReadString("Mehrzeilig"), "Zeile 1\r\nZeile 2");
    EXPECT_EQ(reg.ReadString(""), "default value");
    EXPECT_EQ(reg.ReadString("Expand"), "%TEMP%\\x");
    EXPECT_EQ(reg.GetDataType("Expand"), rdExpandString);
    EXPECT_EQ(reg.ReadInteger("FONTSIZE"), 8);
    EXPECT_EQ(reg.ReadInteger("Negative"), -2);
    EXPECT_EQ(reg.ReadInteger("BackgroundColorDays"), 0xEDC2A9);
    EXPECT_TRUE(reg.ReadBool("VorHeute"));
    EXPECT_FALSE(reg.ReadBool("CharacterSayTime"));
    EXPECT_EQ(reg.GetDataType("Blob"), rdBinary);
    EXPECT_EQ(reg.GetDataSize("Blob"), 70);
    EXPECT_EQ(reg.GetDataSize("Design"), 9);
    EXPECT_EQ(reg.GetDataSize("FontSize"), 4);
    EXPECT_EQ(reg.GetDataSize("Missing"), -1);
    EXPECT_EQ(reg.GetDataType("Missing"), rdUnknown);
    std::string back(70, '\0');
    EXPECT_EQ(reg.ReadBinaryData("blob", back.data(), 70), 70);
    EXPECT_EQ(back, binary);
    char small[10];
    EXPECT_THROW(reg.ReadBinaryData("Blob", small, sizeof small), ERegistryException);
    EXPECT_EQ(reg.ReadBinaryData("Nothing", small, sizeof small), 0);

    TStringList names;
    reg.GetValueNames(&names);
    EXPECT_EQ(Lines(names), (std::vector<std::string>{"Design", "Pfad", "Gruß", "Mehrzeilig", "", "Expand", "FontSize",
                                                      "Negative", "BackgroundColorDays", "vorHeute",
                                                      "CharacterSayTime", "Blob", "Nothing"}));
    // The file reads as an export, with the usual escaping and long binary data over several lines.
    const std::string text = folder.user();
    EXPECT_EQ(text.rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\n[HKEY_CURRENT_USER\\Software\\Hallowerk]\n", 0), 0u);
    EXPECT_NE(text.find("\n\"Pfad\"=\"C:\\\\Programme\\\\\\\"Zorbelin\\\"\\\\\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"FontSize\"=dword:00000008\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"Negative\"=dword:fffffffe\n"), std::string::npos);
    EXPECT_NE(text.find("\n@=\"default value\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"Blob\"=hex:00,07,0e,"), std::string::npos);
    EXPECT_NE(text.find(",\\\n  "), std::string::npos);
    EXPECT_NE(text.find("\n\"Mehrzeilig\"=hex(1):5a,65,69,6c,65,20,31,0d,0a,"), std::string::npos);
    for (std::size_t at = 0, next; at < text.size(); at = next + 1) {
        next = text.find('\n', at);
        EXPECT_LE(next - at, 80u) << text.substr(at, next - at);
    }
}

TEST(Registry, MissingAndMistypedValues) {
    RegistryFolder folder;
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    reg.WriteString("Font", "Arial");
    reg.WriteInteger("xTage", 6);
    EXPECT_EQ(reg.ReadString("Datum"), "");
    EXPECT_FALSE(reg.ValueExists("Datum"));
    EXPECT_TRUE(reg.ValueExists("FONT"));
    EXPECT_THROW(reg.ReadInteger("FontSize"), ERegistryException);
    EXPECT_THROW(reg.ReadBool("vorHeute"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Font"), ERegistryException);
    EXPECT_THROW(reg.ReadBool("Font"), ERegistryException);
    EXPECT_THROW(reg.ReadString("xTage"), ERegistryException);
    char buf[8];
    EXPECT_THROW(reg.ReadBinaryData("Font", buf, sizeof buf), ERegistryException);
    EXPECT_THROW(reg.ReadBinaryData("Nope", buf, sizeof buf), ERegistryException);
    // Overwriting changes the type and keeps the name as first written.
    reg.WriteInteger("FONT", 3);
    EXPECT_EQ(reg.ReadInteger("font"), 3);
    TStringList names;
    reg.GetValueNames(&names);
    EXPECT_EQ(Lines(names), (std::vector<std::string>{"Font", "xTage"}));
}

TEST(Registry, KeysOpenRelativeOrFromTheRootAndCanBeListedAndDeleted) {
    RegistryFolder folder;
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(kKey, false));
    EXPECT_FALSE(reg.KeyExists("\\Software"));
    EXPECT_FALSE(reg.OpenKeyReadOnly(kKey));
    EXPECT_FALSE(std::filesystem::exists(folder.dir.file("HKEY_CURRENT_USER.reg")));

    ASSERT_TRUE(reg.OpenKey("\\Software\\Hallowerk\\Zorbelin", true));
    ASSERT_TRUE(reg.OpenKey("Tarvolin", true));  // below the current key
    EXPECT_EQ(reg.CurrentPath(), "Software\\Hallowerk\\Zorbelin\\Tarvolin");
    ASSERT_TRUE(reg.OpenKey("\\Software\\Hallowerk\\Zorbelin", false));
    ASSERT_TRUE(reg.OpenKey("Aufgaben\\", true));
    reg.WriteInteger("AGCol0", 120);
    ASSERT_TRUE(reg.OpenKey("\\software\\HALLOWERK\\zorbelin", false));
    reg.WriteString("BENUTZER", "alle");
    EXPECT_TRUE(reg.HasSubKeys());
    TStringList keys;
    reg.GetKeyNames(&keys);
    EXPECT_EQ(Lines(keys), (std::vector<std::string>{"Tarvolin", "Aufgaben"}));
    EXPECT_TRUE(reg.KeyExists("TARVOLIN"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\Hallowerk"));
    EXPECT_FALSE(reg.KeyExists("Tarvolin\\Nichts"));

    TRegistry other;
    EXPECT_TRUE(other.OpenKey("\\Software\\Hallowerk\\Zorbelin\\Aufgaben", false));
    EXPECT_EQ(other.ReadInteger("agcol0"), 120);

    EXPECT_TRUE(reg.DeleteValue("benutzer"));
    EXPECT_FALSE(reg.DeleteValue("benutzer"));
    EXPECT_FALSE(reg.ValueExists("BENUTZER"));
    EXPECT_TRUE(reg.DeleteKey("Aufgaben"));
    EXPECT_FALSE(reg.DeleteKey("Aufgaben"));
    EXPECT_FALSE(reg.KeyExists("Aufgaben"));
    // The other object's key is gone: its values read as missing, and writing there fails.
    EXPECT_THROW(other.ReadInteger("AGCol0"), ERegistryException);
    EXPECT_THROW(other.WriteInteger("AGCol0", 1), ERegistryException);
    EXPECT_TRUE(reg.DeleteKey("\\Software"));
    EXPECT_FALSE(reg.KeyExists("\\Software\\Hallowerk\\Zorbelin\\Tarvolin"));

    reg.CloseKey();
    EXPECT_EQ(reg.CurrentPath(), "");
    reg.WriteString("AmStamm", "ja");   // the root key itself holds values too
    EXPECT_EQ(TRegistry().ReadString("amstamm"), "ja");
}

TEST(Registry, ReadOnlyKeysRefuseWrites) {
    RegistryFolder folder;
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteString("Design", "Standard");
    }
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
    EXPECT_EQ(reg.ReadString("Design"), "Standard");
    const std::string before = folder.user();
    EXPECT_THROW(reg.WriteString("Design", "Blau"), ERegistryException);
    EXPECT_THROW(reg.WriteInteger("x", 1), ERegistryException);
    EXPECT_THROW(reg.WriteBool("x", true), ERegistryException);
    EXPECT_THROW(reg.WriteBinaryData("x", "a", 1), ERegistryException);
    EXPECT_FALSE(reg.DeleteValue("Design"));
    EXPECT_FALSE(reg.DeleteKey(kKey));
    EXPECT_EQ(folder.user(), before);

    TRegistry readOnly(KEY_READ);
    EXPECT_FALSE(readOnly.OpenKey("\\Software\\Neu", true));
    ASSERT_TRUE(readOnly.OpenKey(kKey, true));
    EXPECT_THROW(readOnly.WriteString("Design", "Blau"), ERegistryException);
    // CloseKey ends the read-only state of a key opened read-only.
    reg.CloseKey();
    ASSERT_TRUE(reg.OpenKey(kKey, false));
    reg.WriteString("Design", "Blau");
    EXPECT_EQ(reg.ReadString("Design"), "Blau");
}

TEST(Registry, ReadsHandWrittenFilesAndKeepsWhatItDoesNotKnow) {
    RegistryFolder folder;
    folder.dir.write("HKEY_CURRENT_USER.reg",
                     "\xEF\xBB\xBFREGEDIT4\r\n"
                     "\r\n"
                     "; written by hand\r\n"
                     "[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin\\Tarvolin]\r\n"
                     "\"Design\" = \"Blau\"\r\n"
                     "\"FontColor\"=dword:00FF00FF\r\n"
                     "\"Liste\"=hex(7):41,00,42,00,\\\r\n"
                     "    00,00\r\n"
                     "\"Text\"=hex(1):48,69,00\r\n"
                     "\"Alt\"=hex(2):25,54,25,00\r\n"
                     "\"Design\"=\"Rot\"\r\n"
                     "\r\n"
                     "[hkey_current_user\\SOFTWARE\\Hallowerk\\Zorbelin\\Tarvolin]\r\n"
                     "\"Font\"=\"Arial\"\r\n");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, false));
    EXPECT_EQ(reg.ReadString("Design"), "Rot");   // a later line replaces an earlier one, as on import
    EXPECT_EQ(reg.ReadString("Font"), "Arial");
    EXPECT_EQ(reg.ReadInteger("FontColor"), 0x00FF00FF);
    EXPECT_EQ(reg.ReadString("Text"), "Hi");
    EXPECT_EQ(reg.ReadString("Alt"), "%T%");
    EXPECT_EQ(reg.GetDataType("Liste"), rdUnknown);
    EXPECT_EQ(reg.GetDataSize("Liste"), 6);
    reg.WriteInteger("FontSize", 9);
    const std::string text = folder.user();
    EXPECT_NE(text.find("\"Liste\"=hex(7):41,00,42,00,00,00\n"), std::string::npos);
    EXPECT_NE(text.find("\"Alt\"=hex(2):25,54,25,00\n"), std::string::npos);
    EXPECT_NE(text.find("\"Text\"=\"Hi\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"FontColor\"=dword:00ff00ff\n"), std::string::npos);
    EXPECT_EQ(text.find("; written by hand"), std::string::npos);
    EXPECT_EQ(TRegistry().KeyExists("\\Software\\Hallowerk"), true);
}

namespace {

// The messages the registry has for the user while the object lives.
struct Problems {
    std::vector<TRegistryProblem> told;
    Problems() {
        TRegistry::SetProblemHandler([this](const TRegistryProblem& p) { told.push_back(p); });
        told.clear();   // what earlier tests left undelivered
    }
    ~Problems() { TRegistry::SetProblemHandler(nullptr); }
};

std::vector<std::string> AsideFiles(const std::filesystem::path& folder) {
    std::vector<std::string> aside;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().string().find(".unreadable-") != std::string::npos) aside.push_back(e.path().string());
    return aside;
}

std::string ReadAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const char* const kDamaged =
    "REGEDIT4\n"
    "\n"
    "[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin]\n"
    "\"DBPATH\"=\"/srv/zb/\"\n"
    "\"Design\"=\"Bl\n"                                    // 5: cut off
    "\"BENUTZER\"=\"anna\"\n"
    "\"FontSize\"=dword:123456789\n"                       // 7: too many digits
    "\"Blob\"=hex:01,\\\n"                                 // 8: continued into a bad byte
    "  zz\n"
    "[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin\\Tarvolin\n"   // 10: no "]"
    "\"xTage\"=dword:00000005\n"                           // 11: no key to go to
    "[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin\\Tarvolin]\n"
    "\"VORLAGE\"=dword:00000001\n";

} // namespace

TEST(Registry, AnUnreadableLineCostsOnlyItselfAndIsKeptAsideWithOneMessage) {
    RegistryFolder folder;
    Problems problems;
    const std::string file = folder.dir.file("HKEY_CURRENT_USER.reg");
    folder.dir.write("HKEY_CURRENT_USER.reg", kDamaged);
    std::filesystem::permissions(file, std::filesystem::perms(0640));
    testing::internal::CaptureStderr();
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Hallowerk\\Zorbelin", false));
        EXPECT_EQ(reg.ReadString("DBPATH"), "/srv/zb/");
        EXPECT_EQ(reg.ReadString("BENUTZER"), "anna");
        EXPECT_FALSE(reg.ValueExists("Design"));
        EXPECT_FALSE(reg.ValueExists("FontSize"));
        EXPECT_FALSE(reg.ValueExists("Blob"));
        ASSERT_TRUE(reg.OpenKey("Tarvolin", false));
        EXPECT_EQ(reg.ReadInteger("VORLAGE"), 1);
        EXPECT_FALSE(reg.ValueExists("xTage"));
        reg.WriteInteger("FontSize", 9);
    }
    testing::internal::GetCapturedStderr();
    const auto aside = AsideFiles(folder.dir.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadAll(aside[0]), kDamaged);
    ASSERT_EQ(problems.told.size(), 1u);
    EXPECT_EQ(problems.told[0].Kind, TRegistryProblem::rpLinesKeptAside);
    EXPECT_EQ(problems.told[0].FileName, file);
    EXPECT_EQ(problems.told[0].AsideName, aside[0]);
    EXPECT_EQ(problems.told[0].Lines, (std::vector<int>{5, 7, 8, 10, 11}));
    // The file now holds what could be read, plus the new value, and keeps its mode.
    const std::string text = folder.user();
    EXPECT_NE(text.find("\"DBPATH\"=\"/srv/zb/\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"FontSize\"=dword:00000009"), std::string::npos) << text;
    EXPECT_EQ(text.find("Bl\n"), std::string::npos) << text;
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));
    // Read again by a fresh object: nothing more to tell, nothing more kept aside.
    TRegistry again;
    ASSERT_TRUE(again.OpenKey("\\Software\\Hallowerk\\Zorbelin", false));
    EXPECT_EQ(again.ReadString("BENUTZER"), "anna");
    EXPECT_EQ(problems.told.size(), 1u);
    EXPECT_EQ(AsideFiles(folder.dir.path()).size(), 1u);
}

TEST(Registry, AFileDamagedAgainAndAgainKeepsOnlyItsNewestCopiesAside) {
    RegistryFolder folder;
    Problems problems;
    // Files of other names stay, however much they look like a copy.
    for (const char* name : {"HKEY_CURRENT_USER.reg.unreadable-notizen.txt", "HKEY_CURRENT_USER.reg.unreadable-1-2-3",
                             "HKEY_LOCAL_MACHINE.reg.unreadable-20070310-100000-1"})
        folder.dir.write(name, "fremd");
    std::vector<std::string> damaged;
    testing::internal::CaptureStderr();
    // Damaged again at every read, many times within a second.
    for (int round = 0; round < 12; ++round) {
        damaged.push_back(std::string(kDamaged) + "\"Runde\"=\"" + std::to_string(round) + "\n");
        folder.dir.write("HKEY_CURRENT_USER.reg", damaged.back());
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Hallowerk\\Zorbelin", false));
        EXPECT_EQ(reg.ReadString("BENUTZER"), "anna");
        ASSERT_EQ(problems.told.size(), static_cast<std::size_t>(round + 1));
    }
    testing::internal::GetCapturedStderr();
    std::vector<std::string> aside = AsideFiles(folder.dir.path());
    std::vector<std::string> ours;
    for (const std::string& a : aside)
        if (ReadAll(a) != "fremd") ours.push_back(a);
    EXPECT_EQ(aside.size() - ours.size(), 3u);
    // The newest few, each as its round left the file.
    ASSERT_EQ(ours.size(), static_cast<std::size_t>(FileLocks::KeptAsideCopies));
    std::sort(ours.begin(), ours.end());
    for (std::size_t i = 0; i < problems.told.size(); ++i) {
        const std::string& name = problems.told[i].AsideName;
        const bool kept = std::binary_search(ours.begin(), ours.end(), name);
        EXPECT_EQ(kept, i + FileLocks::KeptAsideCopies >= problems.told.size()) << i << " " << name;
        if (kept) {
            EXPECT_EQ(ReadAll(name), damaged[i]) << i;
        }
    }
}

TEST(Registry, AFileThatIsNoRegistryFileIsMovedAsideAndTheSettingsStartEmpty) {
    for (const char* content : {"<settings/>\n", "\"orphan\"=dword:1\n"}) {
        SCOPED_TRACE(content);
        RegistryFolder folder;
        Problems problems;
        folder.dir.write("HKEY_CURRENT_USER.reg", content);
        testing::internal::CaptureStderr();
        {
            TRegistry reg;
            EXPECT_FALSE(reg.KeyExists("\\Software"));
            ASSERT_TRUE(reg.OpenKey("\\Software", true));
            reg.WriteString("Design", "Standard");
        }
        testing::internal::GetCapturedStderr();
        const auto aside = AsideFiles(folder.dir.path());
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(ReadAll(aside[0]), content);
        ASSERT_EQ(problems.told.size(), 1u);
        EXPECT_EQ(problems.told[0].Kind, TRegistryProblem::rpFileKeptAside);
        EXPECT_EQ(problems.told[0].AsideName, aside[0]);
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software", false));
        EXPECT_EQ(reg.ReadString("Design"), "Standard");
    }
}

TEST(Registry, DamagedFileInAReadOnlyFolderIsReadAsFarAsItCanBeAndNeverWritten) {
    RegistryFolder folder;
    Problems problems;
    folder.dir.write("HKEY_CURRENT_USER.reg", kDamaged);
    std::filesystem::permissions(folder.dir.path(), std::filesystem::perms(0555));
    testing::internal::CaptureStderr();
    {
        testsupport::ScopedUserFileRights user;
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Hallowerk\\Zorbelin", false));
        EXPECT_EQ(reg.ReadString("DBPATH"), "/srv/zb/");
        EXPECT_THROW(reg.WriteString("DBPATH", "/elsewhere/"), ERegistryException);
        EXPECT_EQ(TRegistry().KeyExists("\\Software\\Hallowerk\\Zorbelin\\Tarvolin"), true);
    }
    testing::internal::GetCapturedStderr();
    std::filesystem::permissions(folder.dir.path(), std::filesystem::perms(0755));
    EXPECT_EQ(folder.user(), kDamaged);
    EXPECT_TRUE(AsideFiles(folder.dir.path()).empty());
    ASSERT_EQ(problems.told.size(), 1u);
    EXPECT_EQ(problems.told[0].Kind, TRegistryProblem::rpCannotChange);
    EXPECT_EQ(problems.told[0].Lines, (std::vector<int>{5, 7, 8, 10, 11}));
}

// Something else under the settings file's name (a FIFO nobody writes to, a link to /dev/zero, a
// file far larger than settings are) is neither waited for nor read: the settings read as empty at
// once, nothing is written over it, and the user hears of it once. A link to a real file serves.
TEST(Registry, ASettingsFileThatIsNotWhatItClaimsIsNeitherWaitedForNorReadNorWritten) {
    std::vector<SysUtils::EFileRefused> told;
    SysUtils::SetRefusedFileHandler([&](const SysUtils::EFileRefused& e) { told.push_back(e); });
    const struct {
        const char* what;
        std::function<bool(const std::string&)> make;
        SysUtils::EFileRefused::TReason reason;
    } cases[] = {
        {"FIFO", testsupport::MakeFifo, SysUtils::EFileRefused::frNotRegular},
        {"link to /dev/zero", testsupport::MakeZeroLink, SysUtils::EFileRefused::frNotRegular},
        {"1 GB", [](const std::string& f) { return testsupport::MakeSparse(f, 1ll << 30); },
         SysUtils::EFileRefused::frTooLarge},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RegistryFolder folder;
        const std::string file = folder.dir.file("HKEY_CURRENT_USER.reg");
        ASSERT_TRUE(c.make(file));
        struct stat before {};
        ASSERT_EQ(::lstat(file.c_str(), &before), 0);
        told.clear();
        const auto call = testsupport::Guarded(
            [&] {
                for (int i = 0; i < 2; ++i) {
                    TRegistry reg;
                    EXPECT_FALSE(reg.KeyExists("\\Software"));
                    EXPECT_FALSE(reg.OpenKey(kKey, true));
                    EXPECT_THROW(reg.CreateKey(kKey), ERegistryException);
                }
            },
            {file});
        ASSERT_TRUE(call.returned) << "the reader waited for a writer";
        EXPECT_LT(call.bytesRead, 1 << 20);
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0].FileName, file);
        EXPECT_EQ(told[0].Reason, c.reason);
        struct stat after {};
        ASSERT_EQ(::lstat(file.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "written over";
        EXPECT_EQ(after.st_size, before.st_size);
    }
    // Users link their settings from elsewhere: a link to a regular file is read.
    RegistryFolder folder;
    folder.dir.write("anderswo/einstellungen.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"Design\"=\"Blau\"\n");
    std::filesystem::create_symlink(folder.dir.file("anderswo/einstellungen.reg"), folder.dir.file("HKEY_CURRENT_USER.reg"));
    told.clear();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_EQ(reg.ReadString("Design"), "Blau");
    EXPECT_TRUE(told.empty());
    SysUtils::SetRefusedFileHandler(nullptr);
}

TEST(Registry, NewFilesAreTheUsersAloneAndLeftoversOfAKilledWriteGo) {
    RegistryFolder folder;
    folder.dir.write("HKEY_CURRENT_USER.reg.tmp-a1B2c3", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Half");
    folder.dir.write("HKEY_CURRENT_USER.reg.tmp-notes.txt", "not ours");
    folder.dir.write("zorbelin.ini.tmp-x1y2z3", "not ours either");
    {
        TRegistry reg;
        EXPECT_FALSE(reg.KeyExists("\\Half"));
        ASSERT_TRUE(reg.OpenKey("\\Software", true));
        reg.WriteString("BENUTZER", "anna");
    }
    EXPECT_FALSE(std::filesystem::exists(folder.dir.file("HKEY_CURRENT_USER.reg.tmp-a1B2c3")));
    EXPECT_TRUE(std::filesystem::exists(folder.dir.file("HKEY_CURRENT_USER.reg.tmp-notes.txt")));
    EXPECT_TRUE(std::filesystem::exists(folder.dir.file("zorbelin.ini.tmp-x1y2z3")));
    EXPECT_EQ(std::filesystem::status(folder.dir.file("HKEY_CURRENT_USER.reg")).permissions(),
              std::filesystem::perms(0600));
}

TEST(Registry, EmptyFileIsAnEmptyRegistry) {
    RegistryFolder folder;
    folder.dir.write("HKEY_CURRENT_USER.reg", "");
    testing::internal::CaptureStderr();
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists("\\Software"));
    EXPECT_TRUE(reg.OpenKey("\\Software", true));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(folder.user(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\n");
}

TEST(Registry, FilesFollowTheEnvironment) {
    TempDir home;
    {
        ScopedEnv reg("ZORBELIN_REGISTRY", "");
        ScopedEnv xdg("XDG_CONFIG_HOME", home.file("config"));
        EXPECT_EQ(TRegistry::HiveFileName(HKEY_CURRENT_USER), home.file("config") + "/zorbelin/HKEY_CURRENT_USER.reg");
        EXPECT_EQ(TRegistry::HiveFileName(HKEY_LOCAL_MACHINE), "/etc/zorbelin/HKEY_LOCAL_MACHINE.reg");
        TRegistry r;
        ASSERT_TRUE(r.OpenKey("\\Software\\Hallowerk", true));
        r.WriteInteger("x", 1);
        EXPECT_TRUE(std::filesystem::exists(home.file("config/zorbelin/HKEY_CURRENT_USER.reg")));
    }
    {
        ScopedEnv reg("ZORBELIN_REGISTRY", "");
        ScopedEnv xdg("XDG_CONFIG_HOME", "");
        ScopedEnv h("HOME", home.path().string());
        EXPECT_EQ(TRegistry::HiveFileName(HKEY_CURRENT_USER), home.file(".config/zorbelin/HKEY_CURRENT_USER.reg"));
    }
    RegistryFolder folder;
    EXPECT_EQ(TRegistry::HiveFileName(HKEY_LOCAL_MACHINE), folder.dir.file("HKEY_LOCAL_MACHINE.reg"));
    TRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(machine.OpenKey("\\Software\\Hallowerk", true));
    machine.WriteString("DBPATH", "/srv/zb");
    TRegistry user;
    EXPECT_FALSE(user.KeyExists("\\Software\\Hallowerk"));
    EXPECT_NE(folder.dir.read("HKEY_LOCAL_MACHINE.reg").find("[HKEY_LOCAL_MACHINE\\Software\\Hallowerk]\n\"DBPATH\"=\"/srv/zb\""),
              std::string::npos);
}

TEST(Registry, FilesFollowTheProgramsName) {
    TempDir home;
    ScopedEnv xdg("XDG_CONFIG_HOME", home.file("config"));
    SysUtils::SetProgramName("kalender");
    {
        ScopedEnv reg("KALENDER_REGISTRY", "");
        EXPECT_EQ(TRegistry::HiveFileName(HKEY_CURRENT_USER), home.file("config") + "/kalender/HKEY_CURRENT_USER.reg");
        EXPECT_EQ(TRegistry::HiveFileName(HKEY_LOCAL_MACHINE), "/etc/kalender/HKEY_LOCAL_MACHINE.reg");
    }
    {
        ScopedEnv reg("KALENDER_REGISTRY", home.file("eigen"));
        ScopedEnv other("ZORBELIN_REGISTRY", home.file("fremd"));
        EXPECT_EQ(TRegistry::HiveFileName(HKEY_CURRENT_USER), home.file("eigen") + "/HKEY_CURRENT_USER.reg");
    }
    EXPECT_EQ(SysUtils::ProgramVariable("CLOCK"), "KALENDER_CLOCK");
    SysUtils::SetProgramName("zorbelin");
}

TEST(Registry, TwoProcessesWritingAtOnceLoseNoValue) {
    RegistryFolder folder;
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteString("Design", "Standard");
    }
    // Halfway through, a third program holds the lock longer than a writer waits for it, as a
    // writer held up on a busy machine does.
    constexpr int kWrites = 40;
    int toChild[2], fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int code = 0;
        char c;
        try {
            for (int i = 0; i < kWrites; ++i) {
                if (i == kWrites / 2 && ::read(toChild[0], &c, 1) != 1) { code = 4; break; }
                TRegistry reg;
                if (!reg.OpenKey(kKey, false)) { code = 2; break; }
                reg.WriteInteger("Child" + std::to_string(i), i);
            }
            if (::write(fromChild[1], "w", 1) != 1 || ::read(toChild[0], &c, 1) != 1) code = 5;
            PendingWrites::Finish();   // as the program ends
        } catch (...) {
            code = 3;
        }
        ::_exit(code);
    }
    std::optional<testsupport::HeldLock> third;
    for (int i = 0; i < kWrites; ++i) {
        if (i == kWrites / 2) {
            third.emplace(testsupport::HeldLock::Flock(TRegistry::HiveFileName(HKEY_CURRENT_USER) + ".lock"));
            ASSERT_TRUE(third->Held());
            ASSERT_EQ(::write(toChild[1], "h", 1), 1);
        }
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, false));
        reg.WriteString("Parent" + std::to_string(i), std::string(i, 'p'));
    }
    char c;
    ASSERT_EQ(::read(fromChild[0], &c, 1), 1);   // the child has made all of its changes
    third->Release();
    ASSERT_EQ(::write(toChild[1], "r", 1), 1);
    PendingWrites::Finish();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::string text = folder.user();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kKey));
    for (int i = 0; i < kWrites; ++i) {
        char dword[16];
        std::snprintf(dword, sizeof dword, "%08x", i);
        EXPECT_NE(text.find("\n\"Child" + std::to_string(i) + "\"=dword:" + dword + "\n"), std::string::npos) << i;
        EXPECT_NE(text.find("\n\"Parent" + std::to_string(i) + "\"=\"" + std::string(i, 'p') + "\"\n"), std::string::npos) << i;
        EXPECT_EQ(reg.ReadInteger("child" + std::to_string(i)), i);
        EXPECT_EQ(reg.ReadString("parent" + std::to_string(i)), std::string(i, 'p'));
    }
    EXPECT_EQ(reg.ReadString("Design"), "Standard");
}

TEST(Registry, ThreadsWithTheirOwnObjectsShareOneStore) {
    RegistryFolder folder;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 15; ++i) {
                TRegistry reg;
                if (!reg.OpenKey(kKey, true)) { ++failures; continue; }
                reg.WriteInteger("T" + std::to_string(t) + "_" + std::to_string(i), i);
                if (reg.ReadInteger("t" + std::to_string(t) + "_" + std::to_string(i)) != i) ++failures;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures, 0);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, false));
    TStringList names;
    reg.GetValueNames(&names);
    EXPECT_EQ(names.Count(), 60);
}

TEST(Registry, AChangeMeetingAnotherProgramsLockIsReadAtOnceAndWrittenInOrderWhenItLetsGo) {
    RegistryFolder folder;
    testsupport::NotStoredReports reports;
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteString("Datum", "05.03.2007");
        reg.WriteInteger("FontSize", 8);
    }
    const std::string before = folder.user();
    auto other = testsupport::HeldLock::Flock(TRegistry::HiveFileName(HKEY_CURRENT_USER) + ".lock");
    ASSERT_TRUE(other.Held());
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, false));
    // The first change waits its half second for the lock, the ones behind it no more.
    auto start = std::chrono::steady_clock::now();
    reg.WriteString("Datum", "06.03.2007");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(testsupport::ScaledBelow(3000, 25000)));
    start = std::chrono::steady_clock::now();
    reg.WriteString("Datum", "07.03.2007");
    EXPECT_TRUE(reg.DeleteValue("FontSize"));
    ASSERT_TRUE(reg.OpenKey("Neu", true));
    reg.WriteInteger("Zahl", 3);
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(testsupport::ScaledBelow(500, 4 * FileLocks::DefaultWaitMs)));
    // The program reads what it changed, through any object; the file is as it was.
    TRegistry again;
    ASSERT_TRUE(again.OpenKey(kKey, false));
    EXPECT_EQ(again.ReadString("Datum"), "07.03.2007");
    EXPECT_FALSE(again.ValueExists("FontSize"));
    EXPECT_TRUE(again.OpenKey("Neu", false));
    EXPECT_EQ(again.ReadInteger("Zahl"), 3);
    EXPECT_EQ(folder.user(), before);
    // Once the other program lets go, the changes are written in the order made, with no further call.
    other.Release();
    ASSERT_TRUE(testsupport::SleepUntil([&] { return folder.user() != before; }));
    const std::string text = folder.user();
    EXPECT_NE(text.find("\n\"Datum\"=\"07.03.2007\"\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("FontSize"), std::string::npos) << text;
    EXPECT_NE(text.find("\\Tarvolin\\Neu]\n\"Zahl\"=dword:00000003\n"), std::string::npos) << text;
    EXPECT_TRUE(reports.Told().empty());
}

TEST(Registry, AChangeTheLockHoldsUpPastAMinuteOrToTheEndIsReportedOnceAsNotStored) {
    RegistryFolder folder;
    testsupport::NotStoredReports reports;
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(kKey, true));
        reg.WriteString("Datum", "05.03.2007");
    }
    const std::string before = folder.user();
    const std::string file = TRegistry::HiveFileName(HKEY_CURRENT_USER);
    auto other = testsupport::HeldLock::Flock(file + ".lock");
    ASSERT_TRUE(other.Held());
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, false));
    reg.WriteString("Datum", "06.03.2007");
    reg.WriteInteger("FontSize", 9);
    reg.WriteString("Datum", "07.03.2007");
    reports.Advance(PendingWrites::Limit);
    ASSERT_TRUE(testsupport::SleepUntil([&] { return !reports.Told().empty(); }));
    // Given up: the program reads the file again.
    EXPECT_EQ(reg.ReadString("Datum"), "05.03.2007");
    EXPECT_FALSE(reg.ValueExists("FontSize"));
    // A change the lock still holds up at the end gets a last try, and is reported.
    reg.WriteString("Datum", "08.03.2007");
    PendingWrites::Finish();
    other.Release();
    PendingWrites::Finish();
    const auto told = reports.Told();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].Reason, PendingWrites::TNotStored::nsLockHeld);
    EXPECT_EQ(told[0].FileName, file);
    EXPECT_EQ(told[0].Names, (std::vector<std::string>{"Datum", "FontSize"}));
    EXPECT_EQ(told[1].Reason, PendingWrites::TNotStored::nsProgramEnds);
    EXPECT_EQ(told[1].Names, std::vector<std::string>{"Datum"});
    EXPECT_EQ(folder.user(), before);
}

TEST(Registry, AFileWithVeryManyKeysAndValuesReadsAndWritesInLinearTime) {
    RegistryFolder folder;
    // 2n values in one key and n keys with two values each, as the registry writes them.
    const auto make = [](int n) {
        std::string big = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Big]\n";
        for (int i = 0; i < 2 * n; ++i) big += "\"Wert" + std::to_string(i) + "\"=\"x" + std::to_string(i) + "\"\n";
        big += "\n";
        std::string keys;
        for (int i = 0; i < n; ++i)
            keys += "[HKEY_CURRENT_USER\\Software\\Big\\Schl" + std::to_string(i) + "]\n\"A\"=dword:00000001\n\"B\"=\"b\"\n\n";
        return std::make_pair(big, keys);
    };
    const auto readAndWrite = [&](const std::pair<std::string, std::string>& file, int n) {
        folder.dir.write("HKEY_CURRENT_USER.reg", file.first + file.second);
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Big", false));
        EXPECT_EQ(reg.ReadString("WERT" + std::to_string(2 * n - 1)), "x" + std::to_string(2 * n - 1));
        EXPECT_TRUE(reg.KeyExists("Schl" + std::to_string(n - 1)));
        reg.WriteString("Neu", "n");   // read again under the lock, written whole
        ASSERT_TRUE(reg.OpenKey("\\Software\\Big\\schl" + std::to_string(n - 1), false));
        EXPECT_EQ(reg.ReadInteger("A"), 1);
        TStringList names;
        reg.CloseKey();
        ASSERT_TRUE(reg.OpenKey("\\Software\\Big", false));
        reg.GetKeyNames(&names);
        EXPECT_EQ(names.Count(), n);
    };
    constexpr int kSmall = 2000, kLarge = 20000;
    const auto small = make(kSmall), large = make(kLarge);
    // Ten times the file takes about ten times as long; searching the keys one by one took a
    // hundred times as long.
    const double ratio = testsupport::TimeRatio([&] { readAndWrite(small, kSmall); }, [&] { readAndWrite(large, kLarge); });
    EXPECT_LT(ratio, 15.0);
    // Written back in the order read, byte for byte, with the new value after the others of its key.
    EXPECT_EQ(folder.user(), large.first.substr(0, large.first.size() - 1) + "\"Neu\"=\"n\"\n\n" + large.second);
}

TEST(Registry, OneForeignByteChangesOnlyItsOwnValueAndTheFileIsKeptAsideBeforeItIsWritten) {
    RegistryFolder folder;
    Problems problems;
    const std::string original =
        "REGEDIT4\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Hallowerk\\Zorbelin\\Tarvolin]\n"
        "\"Zeitansage\"=\"Grüße\"\n"
        "\"Ort\"=\"K\xF6ln \xFF\"\n"
        "\"St\xE4" "dte\"=\"Bär\"\n"
        "\n";
    folder.dir.write("HKEY_CURRENT_USER.reg", original);
    testing::internal::CaptureStderr();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, false));
    EXPECT_EQ(reg.ReadString("Zeitansage"), "Grüße");
    EXPECT_EQ(reg.ReadString("Ort"), "Köln ÿ");
    EXPECT_EQ(reg.ReadString("Städte"), "Bär");
    EXPECT_TRUE(AsideFiles(folder.dir.path()).empty());   // reading alone changes nothing
    EXPECT_EQ(folder.user(), original);
    reg.WriteInteger("FontSize", 9);
    reg.WriteInteger("FontSize", 10);
    testing::internal::GetCapturedStderr();
    const std::string text = folder.user();
    EXPECT_NE(text.find("\"Zeitansage\"=\"Grüße\"\n\"Ort\"=\"Köln ÿ\"\n\"Städte\"=\"Bär\"\n"), std::string::npos) << text;
    const auto aside = AsideFiles(folder.dir.path());
    ASSERT_EQ(aside.size(), 1u);   // once, before the first write
    EXPECT_EQ(ReadAll(aside[0]), original);
    ASSERT_EQ(problems.told.size(), 1u);
    EXPECT_EQ(problems.told[0].Kind, TRegistryProblem::rpValuesConverted);
    EXPECT_EQ(problems.told[0].AsideName, aside[0]);
    EXPECT_EQ(problems.told[0].Lines, (std::vector<int>{5, 6}));
}
