#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <set>
#include <thread>

#include "HeldLock.h"
#include "NotStoredReports.h"
#include "StrangeFiles.h"
#include "TestTime.h"
#include "IniFiles.h"
#include "SysUtils.h"
#include "TempDir.h"

using testsupport::TempDir;

namespace {
std::vector<std::string> Lines(TStrings& s) {
    std::vector<std::string> r;
    for (int i = 0; i < s.Count(); ++i) r.push_back(s[i]);
    return r;
}
} // namespace

TEST(IniFile, ReadsWithTheProfileRules) {
    TempDir dir;
    dir.write("design.ini",
              "; designs of the calendar\r\n"
              "orphan=before any section\r\n"
              "[Standard]\r\n"
              "  Haupt =  haupt.zbn  \r\n"
              "Monat=\"  monat.zbn \"\r\n"
              "Quote='x'\r\n"
              "Half=\"open\r\n"
              ";Tag=commented.zbn\r\n"
              "tag=tag.zbn\r\n"
              "TAG=second.zbn\r\n"
              "no equals sign here\r\n"
              "Empty=\r\n"
              "\r\n"
              "[  Blau  ]\r\n"
              "Haupt=blau.zbn\r\n"
              "[standard]\r\n"
              "Extra=ignored, the first section of a name wins\r\n");
    TIniFile ini(dir.file("design.ini"));
    EXPECT_EQ(ini.ReadString("STANDARD", "haupt", "-"), "haupt.zbn");
    EXPECT_EQ(ini.ReadString("standard", "MONAT", "-"), "  monat.zbn ");
    EXPECT_EQ(ini.ReadString("Standard", "Quote", "-"), "x");
    EXPECT_EQ(ini.ReadString("Standard", "Half", "-"), "\"open");
    EXPECT_EQ(ini.ReadString("Standard", "Tag", "-"), "tag.zbn");
    EXPECT_EQ(ini.ReadString("Standard", "Empty", "-"), "");
    EXPECT_EQ(ini.ReadString("Standard", "Extra", "-"), "-");
    EXPECT_EQ(ini.ReadString("Standard", "orphan", "-"), "-");
    EXPECT_EQ(ini.ReadString("Blau", "Haupt", "-"), "blau.zbn");
    EXPECT_EQ(ini.ReadString(" blau ", " haupt ", "-"), "blau.zbn");
    EXPECT_EQ(ini.ReadString("Grün", "Haupt", "default"), "default");

    TStringList sections;
    ini.ReadSections(&sections);
    EXPECT_EQ(Lines(sections), (std::vector<std::string>{"Standard", "Blau"}));
    TStringList keys;
    ini.ReadSection("standard", &keys);
    EXPECT_EQ(Lines(keys), (std::vector<std::string>{"Haupt", "Monat", "Quote", "Half", "tag", "Empty"}));
    TStringList values;
    ini.ReadSectionValues("Standard", &values);
    EXPECT_EQ(values.Values("TAG"), "tag.zbn");
    EXPECT_EQ(values.Values("monat"), "  monat.zbn ");
    EXPECT_EQ(values.Count(), 6);

    EXPECT_TRUE(ini.SectionExists("BLAU"));
    EXPECT_FALSE(ini.SectionExists("Rot"));
    EXPECT_TRUE(ini.ValueExists("Standard", "EMPTY"));
    EXPECT_FALSE(ini.ValueExists("Standard", "Extra"));
}

TEST(IniFile, NumbersAndBools) {
    TempDir dir;
    dir.write("zorbelin.ini",
              "[FEIERTAGENOTUSED]\nOstern=1\nPfingsten=2\nNeujahr=0\nHex=0x10\nDollar=$1F\n"
              "Wort=true\nLeer=\nKomma=0,75\nPunkt=0.5\n");
    TIniFile ini(dir.file("zorbelin.ini"));
    EXPECT_TRUE(ini.ReadBool("feiertagenotused", "Ostern", false));
    EXPECT_TRUE(ini.ReadBool("feiertagenotused", "Pfingsten", false));
    EXPECT_FALSE(ini.ReadBool("feiertagenotused", "Neujahr", true));
    EXPECT_FALSE(ini.ReadBool("feiertagenotused", "Wort", false));  // not a number: the default
    EXPECT_TRUE(ini.ReadBool("feiertagenotused", "Wort", true));
    EXPECT_TRUE(ini.ReadBool("feiertagenotused", "Fehlt", true));
    EXPECT_EQ(ini.ReadInteger("FEIERTAGENOTUSED", "Hex", -1), 16);
    EXPECT_EQ(ini.ReadInteger("FEIERTAGENOTUSED", "Dollar", -1), 31);
    EXPECT_EQ(ini.ReadInteger("FEIERTAGENOTUSED", "Leer", -1), -1);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("FEIERTAGENOTUSED", "Komma", -1), 0.75);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("FEIERTAGENOTUSED", "Punkt", -1), 0.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("FEIERTAGENOTUSED", "Wort", -1), -1);
}

TEST(IniFile, UmlautKeysInUtf8AndWindows1252Files) {
    TempDir dir;
    dir.write("utf8.ini", "[FEIERTAGENOTUSED]\nHeil. Drei Könige=1\nGründonnerstag=0\n");
    dir.write("ansi.ini", "[FEIERTAGENOTUSED]\nHeil. Drei K\xF6nige=1\nGr\xFCndonnerstag=0\nMARI\xC4 HIMMELFAHRT=1\n");
    for (const char* name : {"utf8.ini", "ansi.ini"}) {
        SCOPED_TRACE(name);
        TIniFile ini(dir.file(name));
        EXPECT_TRUE(ini.ReadBool("FEIERTAGENOTUSED", "Heil. Drei Könige", false));
        EXPECT_TRUE(ini.ReadBool("FEIERTAGENOTUSED", "HEIL. DREI KÖNIGE", false));
        EXPECT_FALSE(ini.ReadBool("FEIERTAGENOTUSED", "gründonnerstag", true));
    }
    TIniFile ansi(dir.file("ansi.ini"));
    EXPECT_TRUE(ansi.ReadBool("FEIERTAGENOTUSED", "Mariä Himmelfahrt", false));
    // A write turns the file into UTF-8 and keeps every other line.
    ansi.WriteBool("FEIERTAGENOTUSED", "Ostermontag", true);
    EXPECT_EQ(dir.read("ansi.ini"),
              "[FEIERTAGENOTUSED]\nHeil. Drei Könige=1\nGründonnerstag=0\nMARIÄ HIMMELFAHRT=1\nOstermontag=1\n");
}

TEST(IniFile, MissingFileReadsAsEmptyAndIsCreatedOnTheFirstWrite) {
    TempDir dir;
    TIniFile ini(dir.file("neu.ini"));
    EXPECT_EQ(ini.ReadString("A", "b", "def"), "def");
    TStringList list;
    list.Add("stale");
    ini.ReadSections(&list);
    EXPECT_EQ(list.Count(), 0);
    ini.DeleteKey("A", "b");
    ini.EraseSection("A");
    EXPECT_FALSE(SysUtils::FileExists(dir.file("neu.ini")));

    ini.WriteString("Aufgaben", "Left", "10");
    ini.WriteInteger("Aufgaben", "Top", -5);
    ini.WriteBool("Aufgaben", "Maximized", false);
    ini.WriteFloat("Zeit", "Start", 0.75);
    EXPECT_EQ(dir.read("neu.ini"), "[Aufgaben]\nLeft=10\nTop=-5\nMaximized=0\n\n[Zeit]\nStart=0,75\n");
    TIniFile other(dir.file("NEU.INI"));  // found whatever the case of its name
    EXPECT_EQ(other.ReadInteger("aufgaben", "top", 0), -5);

    EXPECT_THROW(TIniFile(dir.file("nofolder/x.ini")).WriteString("a", "b", "c"), SysUtils::EInOutError);
}

TEST(IniFile, WritesKeepCommentsLineEndsAndOtherLines) {
    TempDir dir;
    const std::string original =
        "; Sprüche\r\n[Morgen]\r\n  Eins = \"Guten Morgen\" \r\n;Zwei=alt\r\n\r\n[Abend]\r\nEins=Gute Nacht";
    dir.write("sprueche.ini", original);
    TIniFile ini(dir.file("sprueche.ini"));
    ini.WriteString("morgen", "EINS", "Hallo");         // kept where it is, with its spelling
    ini.WriteString("Morgen", "Drei", "Moin");          // after the last entry, before the blank line
    ini.WriteString("Abend", "Zwei", "zwei\r\nZwei=drei");  // a value cannot add lines
    EXPECT_EQ(dir.read("sprueche.ini"),
              "; Sprüche\r\n[Morgen]\r\nEins=Hallo\r\n;Zwei=alt\r\nDrei=Moin\r\n\r\n[Abend]\r\nEins=Gute Nacht\r\n"
              "Zwei=zwei  Zwei=drei\r\n");
    EXPECT_EQ(ini.ReadString("Abend", "Zwei", ""), "zwei  Zwei=drei");

    ini.DeleteKey("MORGEN", "eins");
    ini.EraseSection("abend");
    EXPECT_EQ(dir.read("sprueche.ini"), "; Sprüche\r\n[Morgen]\r\n;Zwei=alt\r\nDrei=Moin\r\n\r\n");
    EXPECT_FALSE(ini.ValueExists("Morgen", "Eins"));
    EXPECT_FALSE(ini.SectionExists("Abend"));
}

TEST(IniFile, AFileBehindALinkIsWrittenWhereTheLinkPointsAndTheLinkStays) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("sync"));
    dir.write("sync/Zorbelin.INI", "[Aufgaben]\nLeft=1\n");
    std::filesystem::create_symlink("sync/Zorbelin.INI", dir.file("Zorbelin.INI"));
    TIniFile ini(dir.file("Zorbelin.INI"));
    ini.WriteInteger("Aufgaben", "Left", 20);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Zorbelin.INI")));
    EXPECT_EQ(dir.read("sync/Zorbelin.INI"), "[Aufgaben]\nLeft=20\n");
    // Nothing is left beside the file the link names, nor beside the link.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("sync")), {}), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(IniFile, SeesChangesMadeByOthersAndDuplicateKeysAreAllDeleted) {
    TempDir dir;
    dir.write("a.ini", "[S]\nk=1\nK=2\n");
    TIniFile reader(dir.file("a.ini"));
    TIniFile writer(dir.file("a.ini"));
    EXPECT_EQ(reader.ReadString("s", "k", ""), "1");
    writer.WriteString("S", "k", "3");
    EXPECT_EQ(reader.ReadString("s", "k", ""), "3");
    dir.write("a.ini", "[S]\nk=four\n");  // rewritten in place by some other program
    EXPECT_EQ(reader.ReadString("s", "k", ""), "four");
    dir.write("a.ini", "[S]\nk=1\nK=2\n");
    writer.DeleteKey("s", "K");
    EXPECT_FALSE(reader.ValueExists("S", "k"));
}

TEST(IniFile, ConcurrentReadersNeverSeeHalfAFileAndWritersLoseNothing) {
    TempDir dir;
    TIniFile seed(dir.file("z.ini"));
    for (int i = 0; i < 200; ++i) seed.WriteString("Fill", "Key" + std::to_string(i), std::string(40, 'x'));
    std::atomic<bool> stop{false};
    std::atomic<int> bad{0};
    std::thread reader([&] {
        TIniFile ini(dir.file("z.ini"));
        while (!stop) {
            if (ini.ReadString("Fill", "Key199", "") != std::string(40, 'x')) ++bad;
        }
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&, t] {
            TIniFile ini(dir.file("z.ini"));
            for (int i = 0; i < 25; ++i) ini.WriteInteger("W" + std::to_string(t), "N" + std::to_string(i), i);
        });
    }
    for (auto& w : writers) w.join();
    stop = true;
    reader.join();
    EXPECT_EQ(bad, 0);
    TIniFile check(dir.file("z.ini"));
    for (int t = 0; t < 4; ++t) {
        TStringList keys;
        check.ReadSection("W" + std::to_string(t), &keys);
        EXPECT_EQ(keys.Count(), 25);
    }
}

TEST(IniFile, AChangeMeetingTheFoldersLockIsReadAtOnceWrittenWhenItIsFreeOrReportedAtTheEnd) {
    TempDir dir;
    testsupport::NotStoredReports reports;
    TIniFile ini(dir.file("sprueche.ini"));
    ini.WriteString("Morgen", "Spruch", "Guten Morgen");
    const std::string before = dir.read("sprueche.ini");
    {
        auto other = testsupport::HeldLock::Flock(dir.path().string());
        ASSERT_TRUE(other.Held());
        const auto start = std::chrono::steady_clock::now();
        ini.WriteString("Morgen", "Spruch", "Moin");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(testsupport::ScaledBelow(3000, 25000)));
        ini.WriteString("Abend", "Spruch", "Gute Nacht");
        ini.WriteString("Morgen", "Spruch", "Moin moin");
        // Read at once by any reader of the file in this program; the file is as it was.
        TIniFile reader(dir.file("sprueche.ini"));
        EXPECT_EQ(reader.ReadString("Morgen", "Spruch", ""), "Moin moin");
        EXPECT_EQ(reader.ReadString("Abend", "Spruch", ""), "Gute Nacht");
        EXPECT_EQ(dir.read("sprueche.ini"), before);
        // Written in the order made once the other program lets go, with no further call.
        other.Release();
        ASSERT_TRUE(testsupport::SleepUntil([&] { return dir.read("sprueche.ini") != before; }));
        EXPECT_EQ(dir.read("sprueche.ini"), "[Morgen]\nSpruch=Moin moin\n\n[Abend]\nSpruch=Gute Nacht\n");
    }
    // A change the lock still holds up at the end gets a last try, and is reported once. (The
    // other program takes the lock only once the writing thread has let go of it.)
    ASSERT_TRUE(testsupport::SleepUntil([&] { return !testsupport::HeldLock::FlockTakenByAnother(dir.path().string()); }));
    auto other = testsupport::HeldLock::Flock(dir.path().string());
    ASSERT_TRUE(other.Held());
    ini.WriteString("Morgen", "Spruch", "Servus");
    PendingWrites::Finish();
    other.Release();
    PendingWrites::Finish();
    const auto told = reports.Told();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].Reason, PendingWrites::TNotStored::nsProgramEnds);
    EXPECT_EQ(told[0].FileName, dir.file("sprueche.ini"));
    EXPECT_EQ(told[0].Names, std::vector<std::string>{"Spruch"});
    EXPECT_EQ(ini.ReadString("Morgen", "Spruch", ""), "Moin moin");
}

TEST(Files, NamesFoundWithoutRegardToCaseFollowRenames) {
    testsupport::TempDir dir;
    dir.write("Vorlagen/tag.zbn", "x");
    const std::string asked = dir.str() + "vorlagen\\TAG.zbn";
    for (int i = 0; i < 2; ++i) EXPECT_EQ(SysUtils::ResolvePath(asked), dir.str() + "Vorlagen/tag.zbn");
    std::filesystem::rename(dir.file("Vorlagen"), dir.file("VORLAGEN"));
    EXPECT_EQ(SysUtils::ResolvePath(asked), dir.str() + "VORLAGEN/tag.zbn");
    EXPECT_TRUE(SysUtils::FileExists(asked));
    // A name that now exists as asked is taken as it is.
    std::filesystem::rename(dir.file("VORLAGEN"), dir.file("vorlagen"));
    std::filesystem::rename(dir.file("vorlagen/tag.zbn"), dir.file("vorlagen/TAG.zbn"));
    EXPECT_EQ(SysUtils::ResolvePath(asked), dir.str() + "vorlagen/TAG.zbn");
    std::filesystem::remove(dir.file("vorlagen/TAG.zbn"));
    EXPECT_FALSE(SysUtils::FileExists(asked));
}

namespace {
// Gives a file a last change at a local time (a whole second).
void Touch(const std::string& path, int y, int mo, int d, int h, int mi, int s) {
    tm local{};
    local.tm_year = y - 1900, local.tm_mon = mo - 1, local.tm_mday = d;
    local.tm_hour = h, local.tm_min = mi, local.tm_sec = s, local.tm_isdst = -1;
    const timespec times[2] = {{mktime(&local), 0}, {mktime(&local), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::set<std::string> FoundNames(const std::string& path, int attr) {
    std::set<std::string> names;
    SysUtils::TSearchRec found;
    for (int r = SysUtils::FindFirst(path, attr, found); r == 0; r = SysUtils::FindNext(found)) names.insert(found.Name);
    SysUtils::FindClose(found);
    return names;
}
} // namespace

TEST(Files, FindFirstListsTheNamesAMaskFitsWithSizeAndLastChange) {
    testsupport::TempDir dir;
    for (const char* name : {"Figuren/Merlin.ACS", "Figuren/Peedy.acf", "Figuren/.versteckt.acs", "Figuren/liesmich.txt",
                             "Figuren/sub.acs/x"})
        dir.write(name, "x");
    dir.write("Figuren/genie.acs", "Genie");
    Touch(dir.file("Figuren/genie.acs"), 2024, 3, 5, 14, 7, 9);
    const TDateTime changed = double(SysUtils::EncodeDate(2024, 3, 5)) + double(SysUtils::EncodeTime(14, 7, 9, 0));

    // Folder and mask without regard to case; folders and hidden names only when asked for.
    const std::string mask = dir.str() + "figuren\\*.AC?";
    EXPECT_EQ(FoundNames(mask, 0), (std::set<std::string>{"Merlin.ACS", "Peedy.acf", "genie.acs"}));
    EXPECT_EQ(FoundNames(mask, SysUtils::faAnyFile),
              (std::set<std::string>{"Merlin.ACS", "Peedy.acf", "genie.acs", ".versteckt.acs", "sub.acs"}));
    EXPECT_EQ(FoundNames(dir.str() + "Figuren/*", 0).size(), 4u);
    EXPECT_TRUE(FoundNames(dir.str() + "Figuren/*.wav", SysUtils::faAnyFile).empty());
    EXPECT_TRUE(FoundNames(dir.str() + "fehlt/*.acs", SysUtils::faAnyFile).empty());

    // One name: its size, its last change and what it is.
    SysUtils::TSearchRec found;
    ASSERT_EQ(SysUtils::FindFirst(dir.str() + "FIGUREN/Genie.ACS", SysUtils::faAnyFile, found), 0);
    EXPECT_EQ(found.Name, "genie.acs");
    EXPECT_EQ(found.Size, 5);
    EXPECT_EQ(found.Attr, 0);
    EXPECT_DOUBLE_EQ(double(found.TimeStamp), double(changed));
    EXPECT_NE(SysUtils::FindNext(found), 0);
    SysUtils::FindClose(found);
    ASSERT_EQ(SysUtils::FindFirst(dir.str() + "Figuren/sub.acs", SysUtils::faAnyFile, found), 0);
    EXPECT_EQ(found.Attr, SysUtils::faDirectory);
    EXPECT_NE(SysUtils::FindFirst(dir.str() + "Figuren/sub.acs", 0, found), 0);

    TDateTime age;
    ASSERT_TRUE(SysUtils::FileAge(dir.str() + "figuren\\GENIE.acs", age));
    EXPECT_DOUBLE_EQ(double(age), double(changed));
    EXPECT_FALSE(SysUtils::FileAge(dir.str() + "Figuren/fehlt.acs", age));
}

TEST(Files, TheCurrentFolderIsWhereRelativeNamesStart) {
    testsupport::TempDir dir;
    dir.write("Programm/tarvolin.ini", "x");
    const std::string before = SysUtils::GetCurrentDir();
    EXPECT_EQ(before, std::filesystem::current_path().string());
    ASSERT_TRUE(SysUtils::SetCurrentDir(dir.str() + "programm"));
    EXPECT_EQ(SysUtils::GetCurrentDir(), std::filesystem::canonical(dir.file("Programm")).string());
    EXPECT_EQ(FoundNames("*.ini", 0), std::set<std::string>{"tarvolin.ini"});
    EXPECT_TRUE(SysUtils::FileExists("tarvolin.ini"));
    EXPECT_FALSE(SysUtils::SetCurrentDir(dir.str() + "fehlt"));
    EXPECT_EQ(SysUtils::GetCurrentDir(), std::filesystem::canonical(dir.file("Programm")).string());
    ASSERT_TRUE(SysUtils::SetCurrentDir(before));
}

TEST(IniFile, AFileWithVeryManySectionsAndKeysReadsAndWritesInLinearTime) {
    TempDir dir;
    // n sections with two keys each after one section of 2n keys; read whole, one value written.
    struct Big {
        std::string head, rest;
    };
    const auto make = [&](const std::string& name, int n) {
        Big big{"[Bilder]\r\n", ""};
        for (int i = 0; i < 2 * n; ++i) big.head += "bild" + std::to_string(i) + "=b" + std::to_string(i) + ".png\r\n";
        big.head += "\r\n";
        for (int i = 0; i < n; ++i) big.rest += "[Abschnitt" + std::to_string(i) + "]\r\na=1\r\nb=2\r\n\r\n";
        dir.write(name, big.head + big.rest);
        return big;
    };
    const auto readAndWrite = [&](const std::string& name, int n) {
        const std::string last = "Abschnitt" + std::to_string(n - 1);
        TIniFile ini(dir.file(name));
        TStringList keys, sections;
        ini.ReadSection("BILDER", &keys);
        ASSERT_EQ(keys.Count(), 2 * n);
        for (int i = 0; i < keys.Count(); ++i)
            ASSERT_EQ(ini.ReadString("Bilder", keys[i], ""), "b" + std::to_string(i) + ".png");
        ini.ReadSections(&sections);
        EXPECT_EQ(sections.Count(), n + 1);
        EXPECT_EQ(ini.ReadInteger("abschnitt" + std::to_string(n - 1), "B", 0), 2);
        ini.WriteInteger(last, "b", 3);
        EXPECT_EQ(ini.ReadInteger(last, "b", 0), 3);
        ini.WriteInteger(last, "b", 2);
    };
    constexpr int kSmall = 2000, kLarge = 20000;
    make("small.ini", kSmall);
    const Big large = make("large.ini", kLarge);
    // Ten times the file takes about ten times as long (twelve: the larger no longer fits the
    // processor's caches); searching the keys one by one took fifty to a hundred times as long.
    EXPECT_LT(testsupport::TimeRatio([&] { readAndWrite("small.ini", kSmall); }, [&] { readAndWrite("large.ini", kLarge); }),
              20.0);
    // Only the changed line differs.
    const std::string last = "Abschnitt" + std::to_string(kLarge - 1);
    TIniFile(dir.file("large.ini")).WriteInteger(last, "b", 3);
    std::string expected = large.head + large.rest;
    const std::string before = "[" + last + "]\r\na=1\r\nb=2";
    expected.replace(expected.rfind(before), before.size(), "[" + last + "]\r\na=1\r\nb=3");
    EXPECT_EQ(dir.read("large.ini"), expected);
}

TEST(IniFile, OneForeignByteChangesOnlyItsOwnLineAndTheFileIsKeptAsideBeforeItIsWritten) {
    TempDir dir;
    const std::string original = "[Figur]\nName=Grüße\nNotiz=a\xFF" "b\nK\xF6ln=Bär\n";
    dir.write("figur.ini", original);
    TIniFile ini(dir.file("figur.ini"));
    EXPECT_EQ(ini.ReadString("Figur", "Name", ""), "Grüße");
    EXPECT_EQ(ini.ReadString("Figur", "Notiz", ""), "aÿb");
    EXPECT_EQ(ini.ReadString("Figur", "Köln", ""), "Bär");
    testing::internal::CaptureStderr();
    ini.WriteString("Figur", "Ruhe", "r1");
    ini.WriteString("Figur", "Ruhe", "r2");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(dir.read("figur.ini"), "[Figur]\nName=Grüße\nNotiz=aÿb\nKöln=Bär\nRuhe=r2\n");
    std::vector<std::string> aside;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename().string().rfind("figur.ini.unreadable-", 0) == 0) aside.push_back(e.path().filename());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(dir.read(aside[0]), original);
}

// Something else under a profile's or a text file's name (a FIFO nobody writes to, a link to
// /dev/zero, a file far larger than such files are) is neither waited for nor read: a profile reads
// as empty at once, is never written over and is told of once; a text file fails as unreadable.
TEST(IniFile, AFileThatIsNotWhatItClaimsIsNeitherWaitedForNorReadNorWritten) {
    std::vector<SysUtils::EFileRefused> told;
    SysUtils::SetRefusedFileHandler([&](const SysUtils::EFileRefused& e) { told.push_back(e); });
    TempDir dir;
    const std::string fifo = dir.file("design.ini"), zero = dir.file("sprueche.ini"), huge = dir.file("zorbelin.ini");
    ASSERT_TRUE(testsupport::MakeFifo(fifo));
    ASSERT_TRUE(testsupport::MakeZeroLink(zero));
    ASSERT_TRUE(testsupport::MakeSparse(huge, 1ll << 30));
    const auto call = testsupport::Guarded(
        [&] {
            for (const std::string& file : {fifo, zero, huge}) {
                for (int i = 0; i < 2; ++i) {
                    TIniFile ini(file);
                    TStringList sections;
                    ini.ReadSections(&sections);
                    EXPECT_EQ(sections.Count(), 0) << file;
                    EXPECT_EQ(ini.ReadString("Standard", "haupt", "haupt.zbn"), "haupt.zbn") << file;
                    EXPECT_THROW(ini.WriteString("Standard", "haupt", "x.zbn"), SysUtils::EInOutError) << file;
                }
                TStringList lines;
                EXPECT_THROW(lines.LoadFromFile(file), EFOpenError) << file;
                EXPECT_THROW(SysUtils::ReadFileBytes(file), SysUtils::EFileRefused) << file;
            }
        },
        {fifo});
    ASSERT_TRUE(call.returned) << "a reader waited for a writer";
    EXPECT_LT(call.bytesRead, 1 << 20);
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told[0].FileName, fifo);
    EXPECT_EQ(told[1].FileName, zero);
    EXPECT_EQ(told[2].FileName, huge);
    EXPECT_EQ(told[2].Reason, SysUtils::EFileRefused::frTooLarge);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_symlink(zero));
    EXPECT_EQ(std::filesystem::file_size(huge), 1ull << 30);
    SysUtils::SetRefusedFileHandler(nullptr);
}
