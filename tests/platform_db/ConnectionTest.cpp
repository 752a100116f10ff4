// Opening the database file named by the Jet connection string.
#include <atomic>
#include <filesystem>
#include <thread>

#include <sys/resource.h>

#include "PeakMemory.h"
#include "TestTime.h"
#include "DbFixture.h"

using dbtest::Db;

TEST_F(Db, ConnectionStringGivesFileAndElements) {
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    EXPECT_EQ(c.ConnectionStringValue("data source"), dir.str() + "zorbelin.mde");
    EXPECT_EQ(c.ConnectionStringValue("Mode"), "Share Deny None");
    EXPECT_EQ(c.ConnectionStringValue("Password"), "");
    EXPECT_EQ(c.ConnectionStringValue("Jet OLEDB:Engine Type"), "4");
    EXPECT_EQ(c.ConnectionStringValue("Jet OLEDB:Don't Copy Locale on Compact"), "False");
    c.SetLoginPrompt(false);
    c.SetKeepConnection(false);
    c.Open();
    EXPECT_TRUE(c.Connected());
    EXPECT_FALSE(c.ReadOnly());
    EXPECT_EQ(c.FileName(), path());
    c.SetConnected(false);
    EXPECT_FALSE(c.Connected());
}

TEST_F(Db, QuotedValuesMayHoldSemicolons) {
    TADOConnection c(nullptr);
    c.SetConnectionString("Provider=x;Extended Properties=\"a=1;b=2\";Data Source=" + path());
    EXPECT_EQ(c.ConnectionStringValue("Extended Properties"), "a=1;b=2");
    EXPECT_EQ(c.ConnectionStringValue("Data Source"), path());
}

TEST_F(Db, BackslashesAndOtherCaseFindTheFile) {
    TADOConnection c(nullptr);
    std::string folder = dir.str();
    for (char& ch : folder) if (ch == '/') ch = '\\';
    c.SetConnectionString("Data Source=" + folder + "ZORBELIN.MDE");
    EXPECT_NO_THROW(c.Open());
}

TEST_F(Db, MissingFileIsAnErrorAndNoFileIsMade) {
    std::string missing = dir.file("sub/zorbelin.mde");
    TADOConnection c(nullptr);
    c.SetConnectionString(dbtest::JetConnectionString(dir.str() + "sub/"));
    try {
        c.Open();
        FAIL() << "opened a missing database";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("zorbelin.mde"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(c.Connected());
    EXPECT_FALSE(std::filesystem::exists(missing));
    std::filesystem::create_directory(dir.path() / "sub");
    EXPECT_THROW(c.Open(), EDatabaseError);
    EXPECT_FALSE(std::filesystem::exists(missing));

    TADOConnection none(nullptr);
    none.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0");
    EXPECT_THROW(none.Open(), EDatabaseError);
}

TEST_F(Db, AnEmptyFileOrOneThatIsNoDatabaseIsRefusedAndLeftAsItIs) {
    const std::string text = "this is not a database, just text that is long enough to matter";
    const std::pair<std::string, std::string> files[] = {
        {"empty", ""}, {"text", text}, {"short", "SQLite"}, {"header", std::string("SQLite format 3") + '\0'}};
    for (const auto& [folder, bytes] : files) {
        dir.write(folder + "/zorbelin.mde", bytes);
        for (TConnectMode mode : {cmReadWrite, cmRead}) {
            TADOConnection c(nullptr);
            c.SetConnectionString(dbtest::JetConnectionString(dir.str() + folder + "/"));
            c.SetMode(mode);
            try {
                c.Open();
                ADD_FAILURE() << folder << " opened as a database";
            } catch (const EADOError& e) {
                EXPECT_EQ(e.ErrorCode, bytes.empty() ? EADOError::EmptyFile : 26) << folder << ": " << e.what();
                EXPECT_NE(std::string(e.what()).find(folder + "/zorbelin.mde"), std::string::npos) << e.what();
            }
            EXPECT_FALSE(c.Connected());
        }
        EXPECT_EQ(dir.read(folder + "/zorbelin.mde"), bytes) << folder;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / folder),
                                std::filesystem::directory_iterator()), 1) << folder << ": files were added";
    }
}

TEST_F(Db, OpeningAndWritingKeepTheFilesJournalMode) {
    EXPECT_EQ(Scalar("PRAGMA journal_mode"), "delete");
    {
        TADOConnection c(nullptr);
        c.SetConnectionString(connectionString());
        c.Execute("insert into adressen (AdressenNr, EmailAdresse1) values (1, 'a@b.de')");
    }
    EXPECT_EQ(Scalar("PRAGMA journal_mode"), "delete");
    EXPECT_FALSE(std::filesystem::exists(path() + "-wal"));
    // A database another program put into WAL mode stays in it.
    Sql("PRAGMA journal_mode=WAL");
    {
        TADOConnection c(nullptr);
        c.SetConnectionString(connectionString());
        c.Execute("insert into adressen (AdressenNr, EmailAdresse1) values (2, 'c@d.de')");
    }
    EXPECT_EQ(Scalar("PRAGMA journal_mode"), "wal");
}

TEST_F(Db, ReadOnlyConnectionReadsAWalDatabaseNobodyHasOpen) {
    Sql("PRAGMA journal_mode=WAL");
    {
        TADOConnection writer(nullptr);
        writer.SetConnectionString(connectionString());
        writer.Execute("insert into adressen (AdressenNr, EmailAdresse1) values (1, 'a@b.de')");
    }
    EXPECT_FALSE(std::filesystem::exists(path() + "-wal"));
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    c.SetMode(cmRead);
    TADODataSet ds(nullptr);
    ds.SetConnection(&c);
    ds.SetCommandText("select EmailAdresse1 from adressen");
    ds.Open();
    EXPECT_EQ(ds.FieldByName("EmailAdresse1")->AsString(), "a@b.de");
}

TEST_F(Db, ReadOnlyConnectionCannotWrite) {
    Sql("insert into BenutzerEinstellungen (Benutzer, NeedUpdate) values ('anna', 1)");
    for (int variant = 0; variant < 2; ++variant) {
        TADOConnection c(nullptr);
        if (variant == 0) {
            c.SetConnectionString(connectionString());
            c.SetMode(cmRead);
        } else {
            c.SetConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path() + ";Mode=Read");
        }
        c.Open();
        EXPECT_TRUE(c.ReadOnly());
        TADOCommand cmd(nullptr);
        cmd.SetConnection(&c);
        cmd.SetCommandText("update BenutzerEinstellungen set NeedUpdate = false where Benutzer = 'anna'");
        try {
            cmd.Execute();
            FAIL() << "wrote through a read-only connection";
        } catch (const EADOError& e) {
            EXPECT_EQ(std::string(e.what()), "Die Datenbank \"" + path() + "\" ist schreibgeschützt.");
            EXPECT_EQ(e.Detail, "attempt to write a readonly database");
        }
        TADODataSet ds(nullptr);
        ds.SetConnection(&c);
        ds.SetCommandType(cmdTable);
        ds.SetCommandText("BenutzerEinstellungen");
        ds.Open();
        EXPECT_FALSE(ds.CanModify());
        EXPECT_THROW(ds.Edit(), EDatabaseError);
        EXPECT_THROW(ds.Delete(), EDatabaseError);
        EXPECT_EQ(ds.State(), dsBrowse);
    }
    EXPECT_EQ(Scalar("select NeedUpdate from BenutzerEinstellungen"), "1");
}

TEST_F(Db, ErrorsCarryTheSqliteMessage) {
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    TADODataSet ds(nullptr);
    ds.SetConnection(&c);
    ds.SetCommandText("select * from nichtda");
    try {
        ds.Open();
        FAIL();
    } catch (const EADOError& e) {
        // German for the user, SQLite's own words for the log.
        EXPECT_STREQ(e.what(), "Die Tabelle \"nichtda\" fehlt in der Datenbank.");
        EXPECT_EQ(e.Detail, "no such table: nichtda");
    }
    EXPECT_FALSE(ds.Active());
    ds.SetCommandText("select * from termine where NeedUpdate = :x");
    EXPECT_THROW(ds.Open(), EDatabaseError);
    // One statement per command, as Jet runs them.
    EXPECT_THROW(c.Execute("delete from termine; delete from adressen"), EDatabaseError);
    EXPECT_NO_THROW(c.Execute("delete from termine;  "));
    try {
        c.Execute("insert into BenutzerEinstellungen (Benutzer) values ('a')");
        c.Execute("insert into BenutzerEinstellungen (Benutzer) values ('A')");
        FAIL() << "user names differing in case only must collide";
    } catch (const EADOError& e) {
        EXPECT_STREQ(e.what(), "Den Wert für \"BenutzerEinstellungen.Benutzer\" gibt es in der Datenbank schon.");
        EXPECT_NE(e.Detail.find("UNIQUE"), std::string::npos) << e.Detail;
    }
}

TEST_F(Db, WithoutKeepConnectionTheLastDataSetClosesTheConnection) {
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    c.SetKeepConnection(false);
    TADODataSet a(nullptr), b(nullptr);
    a.SetConnection(&c);
    b.SetConnection(&c);
    a.SetCommandText("select * from termine");
    b.SetCommandText("select * from adressen");
    a.Open();
    b.Open();
    a.Close();
    EXPECT_TRUE(c.Connected());
    b.Close();
    EXPECT_FALSE(c.Connected());
    b.Open();   // opens the connection again on demand
    EXPECT_TRUE(c.Connected());
    c.Close();  // closes its data sets
    EXPECT_FALSE(b.Active());
}

TEST_F(Db, DataSetAndCommandWithTheirOwnConnection) {
    TADOCommand cmd(nullptr);
    cmd.SetConnectionString(connectionString());
    cmd.SetCommandText("insert into adressen (AdressenNr, EmailAdresse1) values (12, 'a@b.de')");
    EXPECT_EQ(cmd.Execute(), 1);
    TADODataSet ds(nullptr);
    ds.SetConnectionString(connectionString());
    EXPECT_EQ(ds.ConnectionString(), connectionString());
    ds.SetCommandText("select * from adressen where AdressenNr = 12");
    ds.Open();
    EXPECT_EQ(ds.FieldByName("EmailAdresse1")->AsString(), "a@b.de");
}

TEST_F(Db, DestroyingTheConnectionFirstLeavesDataSetsClosed) {
    auto* owner = new TComponent(nullptr);
    auto* ds = new TADODataSet(owner);
    auto* cmd = new TADOCommand(owner);
    auto* c = new TADOConnection(owner);
    c->SetConnectionString(connectionString());
    ds->SetConnection(c);
    cmd->SetConnection(c);
    ds->SetCommandText("select * from termine");
    ds->Open();
    delete c;
    EXPECT_FALSE(ds->Active());
    EXPECT_EQ(ds->Connection(), nullptr);
    EXPECT_EQ(cmd->Connection(), nullptr);
    delete owner;
}

TEST_F(Db, ReaderReadsWhileAnotherConnectionWrites) {
    Sql("insert into termine (StartTime, Subject, Benutzer) values (39148, 'eins', 'alle')");
    TADOConnection writer(nullptr), reader(nullptr);
    writer.SetConnectionString(connectionString());
    reader.SetConnectionString(connectionString());
    reader.SetMode(cmRead);
    writer.Open();
    reader.Open();
    TADODataSet ds(nullptr);
    ds.SetConnection(&reader);
    ds.SetCommandText("select * from termine");

    // The writer holds an open write transaction; the reader sees the last committed state at
    // once instead of waiting for the lock.
    writer.Execute("begin immediate");
    writer.Execute("insert into termine (StartTime, Subject, Benutzer) values (39149, 'zwei', 'alle')");
    auto started = std::chrono::steady_clock::now();
    ds.Open();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(testsupport::ScaledBelow(2000, 4500)));
    EXPECT_EQ(ds.RecordCount(), 1);
    writer.Execute("commit");
    ds.Requery();
    EXPECT_EQ(ds.RecordCount(), 2);

    // A reader on its own thread keeps reading while the main thread writes.
    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, failures{0};
    std::string failure;
    std::thread t([&] {
        try {
            TADOConnection c(nullptr);
            c.SetConnectionString(connectionString());
            c.SetMode(cmRead);
            TADODataSet q(nullptr);
            q.SetConnection(&c);
            q.SetCommandText("select count(*) as n from termine");
            int last = 0;
            while (!done) {
                q.Open();
                int n = q.FieldByName("n")->AsInteger();
                if (n < last) ++failures;
                last = n;
                q.Close();
                ++reads;
            }
        } catch (const std::exception& e) {
            failure = e.what();
            ++failures;
        }
    });
    for (int i = 0; i < 200; ++i)
        writer.Execute("insert into termine (StartTime, Subject, Benutzer) values (39150, 'mehr', 'alle')");
    while (reads < 5 && failures == 0) std::this_thread::yield();
    done = true;
    t.join();
    EXPECT_EQ(failures, 0) << failure;
    EXPECT_GE(reads, 5);
    EXPECT_EQ(Scalar("select count(*) from termine"), "202");
}

TEST_F(Db, AnEndlessViewIsRefusedAndAnOverlongStatementIsStopped) {
    // A colleague sharing the file puts an endless view where the users' table was.
    Sql("DROP TABLE BenutzerEinstellungen; CREATE VIEW BenutzerEinstellungen AS WITH RECURSIVE r(n) AS "
        "(SELECT 1 UNION ALL SELECT n+1 FROM r) SELECT 'x' AS Benutzer, 1 AS NeedUpdate FROM r;"
        "CREATE TABLE big(n INTEGER); WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n+1 FROM r LIMIT 2000) "
        "INSERT INTO big SELECT n FROM r;");
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    c.SetStatementTimeout(300);
    TADODataSet ds(nullptr);
    ds.SetConnection(&c);
    const auto elapsedMs = [](auto start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    };
    for (TCommandType type : {cmdText, cmdTable}) {
        ds.SetCommandType(type);
        ds.SetCommandText(type == cmdText ? "select Benutzer from BenutzerEinstellungen where Benutzer = 'x'"
                                          : "BenutzerEinstellungen");
        const auto start = std::chrono::steady_clock::now();
        try {
            ds.Open();
            FAIL() << "a view was read";
        } catch (const EADOError& e) {
            EXPECT_EQ(e.ErrorCode & 0xFF, SQLITE_AUTH) << e.Detail;
            EXPECT_STREQ(e.what(), "\"BenutzerEinstellungen\" ist in der Datenbank keine Tabelle, sondern eine "
                                   "Sicht (View); sie wird nicht gelesen.");
        }
        EXPECT_LT(elapsedMs(start), testsupport::Scaled(2000));
    }
    // 8e9 rows: only the time limit ends it.
    ds.SetCommandType(cmdText);
    ds.SetCommandText("select count(*) from big a, big b, big c");
    const auto start = std::chrono::steady_clock::now();
    try {
        ds.Open();
        FAIL() << "the join ran to its end";
    } catch (const EADOError& e) {
        EXPECT_EQ(e.ErrorCode & 0xFF, SQLITE_INTERRUPT) << e.Detail;
        EXPECT_NE(std::string(e.what()).find("dauerte länger als 300 ms"), std::string::npos) << e.what();
    }
    EXPECT_GE(elapsedMs(start), 300);
    EXPECT_LT(elapsedMs(start), testsupport::Scaled(3000));
    // The real tables still read, and the connection stays usable.
    ds.SetCommandText("select count(*) as n from big");
    ds.Open();
    EXPECT_EQ(ds.FieldByName("n")->AsInteger(), 2000);
}

using testsupport::PeakBytes;

TEST_F(Db, AValueOrAnAnswerLargerThanAConnectionReadsFailsWithoutTakingItsMemory) {
    // A colleague's generated column makes a text of 100 MB out of a number, in one step that no
    // time limit sees; the file holds only the numbers.
    constexpr long long kHuge = 104857600;
    Sql("ALTER TABLE termine ADD COLUMN NotesSeed INTEGER;"
        "ALTER TABLE termine ADD COLUMN Riesig TEXT GENERATED ALWAYS AS (printf('%.*c', NotesSeed, 'x'));"
        "INSERT INTO termine (Subject, NotesSeed) VALUES ('klein', 1000), ('riesig', " + std::to_string(kHuge) + ");");
    TADOConnection c(nullptr);
    c.SetConnectionString(connectionString());
    TADODataSet ds(nullptr);
    ds.SetConnection(&c);
    ds.SetCommandText("select Subject, Riesig from termine order by NotesSeed");
    const long long before = PeakBytes();
    try {
        ds.Open();
        FAIL() << "a value of 100 MB was read";
    } catch (const EADOError& e) {
        EXPECT_EQ(e.ErrorCode & 0xFF, SQLITE_TOOBIG) << e.Detail;
        EXPECT_STREQ(e.what(), "Ein Wert in der Datenbank ist größer als 4 MB und wird nicht gelesen.");
    }
    // Not even half of the value's size was taken on the way.
    EXPECT_LT(PeakBytes() - before, kHuge / 2);
    // Nor is a width or a precision that would give such a text taken in silence, whatever asks.
    for (const char* sql : {"select format('%0*d', 104857600, 7) as x", "select printf('%.*f', 104857600, 0.5) as x"}) {
        ds.SetCommandText(sql);
        try {
            ds.Open();
            FAIL() << sql << " gave " << ds.Fields()->Fields(0)->AsString().size() << " bytes";
        } catch (const EADOError& e) {
            EXPECT_EQ(e.ErrorCode & 0xFF, SQLITE_TOOBIG) << sql;
        }
    }
    ds.SetCommandText("select printf('%5.2f|%-4s|%c', 3.14159, 'ab', 'xyz') as x");
    ds.Open();
    EXPECT_EQ(ds.FieldByName("x")->AsString(), " 3.14|ab  |x");
    ds.Close();
    ds.SetCommandText("select Subject, Riesig from termine order by NotesSeed");
    // The connection goes on; a value within the bound (with its row) reads whole.
    const long long within = TADOConnection::MaxValueBytes - 1000;
    Sql("UPDATE termine SET NotesSeed = " + std::to_string(within) + " WHERE Subject = 'riesig'");
    ds.Open();
    ASSERT_EQ(ds.RecordCount(), 2);
    ds.Last();
    EXPECT_EQ(ds.FieldByName("Riesig")->AsString().size(), static_cast<std::size_t>(within));
    ds.Close();
    // Values each within the bound, together more than one answer holds: 17 of almost 4 MB.
    Sql("INSERT INTO termine (Subject, NotesSeed) SELECT 'noch einer', NotesSeed FROM termine WHERE Subject = 'riesig';"
        "INSERT INTO termine (Subject, NotesSeed) SELECT Subject, NotesSeed FROM termine WHERE NotesSeed > 1000;"
        "INSERT INTO termine (Subject, NotesSeed) SELECT Subject, NotesSeed FROM termine WHERE NotesSeed > 1000;"
        "INSERT INTO termine (Subject, NotesSeed) SELECT Subject, NotesSeed FROM termine WHERE NotesSeed > 1000;");
    ASSERT_EQ(Scalar("select count(*) from termine where NotesSeed > 1000"), "16");
    Sql("INSERT INTO termine (Subject, NotesSeed) VALUES ('einer mehr', " + std::to_string(within) + ")");
    try {
        ds.Open();
        FAIL() << "an answer of 68 MB was read";
    } catch (const EADOError& e) {
        EXPECT_EQ(e.ErrorCode & 0xFF, SQLITE_TOOBIG) << e.Detail;
        EXPECT_STREQ(e.what(), "Die Antwort der Datenbank ist größer als 64 MB und wird nicht gelesen.");
    }
    EXPECT_FALSE(ds.Active());
}
