#include "CalendarFixture.h"

#include "EmptyDatabase.h"

namespace caltest {

void FakeHost::ExecuteCommand(const AnsiString& CommandText, const std::vector<Variant>& Parameters) {
    Main();
    std::string readable;
    std::size_t next = 0;
    for (char c : CommandText) {
        if (c != '?' || next >= Parameters.size()) {
            readable += c;
            continue;
        }
        const Variant& v = Parameters[next++];
        readable += v.VarType() == varString
                        ? "'" + SysUtils::StringReplace(v.StringValue(), "'", "''", SysUtils::rfReplaceAll) + "'"
                        : v.AsString();
    }
    commands.push_back(readable);
    TADOConnection connection(nullptr);
    connection.SetConnectionString(connectionString);
    connection.Open();
    connection.Execute(CommandText, Parameters);
}

void CalendarTest::SetUp() {
    Classes::SetMainThread();
    SysUtils::SetClock([] { return D(2007, 3, 5, 14); });
    Gemeinsam::ResetQuoteOfTheDay();
    Gemeinsam::SetQuoteRandom(nullptr);
    TTarvolinDatenModul::FiveRowFlag = false;
    registryEnv = std::make_unique<testsupport::ScopedEnv>("ZORBELIN_REGISTRY", dir.file("registry"));
    std::filesystem::create_directories(dir.path() / "registry");
    host.exeDir = dir.str();
    testsupport::CreateEmptyDatabase(dir.file("zorbelin.mde"));
    host.connectionString = "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=" +
                            dir.file("zorbelin.mde") + ";Mode=Share Deny None;Persist Security Info=False";
    Sql("CREATE TABLE termine (StartTime DATETIME, EndTime DATETIME, Subject TEXT, Notes LONGTEXT, "
        "Terminart INTEGER, Alarm INTEGER, Adressnummer INTEGER, Benutzer TEXT COLLATE NOCASE)");
    Sql("CREATE TABLE adressen (AdressenNr INTEGER PRIMARY KEY, EmailAdresse1 TEXT)");
    Sql("CREATE TABLE BenutzerEinstellungen (Benutzer TEXT COLLATE NOCASE PRIMARY KEY, "
        "NeedUpdate BOOLEAN DEFAULT 0)");
    Sql("insert into BenutzerEinstellungen (Benutzer, NeedUpdate) values ('anna', true)");
    host.main.ColorKey = 8;
}

void CalendarTest::TearDown() {
    Drain();
    SysUtils::ResetClock();
    Gemeinsam::SetQuoteRandom(nullptr);
}

void CalendarTest::WriteDesign(const Design& design, const std::string& folder) {
    std::filesystem::create_directories(dir.path() / folder);
    const std::pair<const char*, const std::string*> files[] = {
        {"haupt.zbn", &design.haupt}, {"monat.zbn", &design.monat}, {"tag.zbn", &design.tag},
        {"woche.zbn", &design.woche}, {"xtage.zbn", &design.xtage}, {"xtagetag.zbn", &design.xtagetag}};
    for (const auto& [name, text] : files)
        if (!text->empty()) dir.write(folder + "/" + name, *text);
}

void CalendarTest::Sql(const std::string& statement) {
    TADOConnection connection(nullptr);
    connection.SetConnectionString(host.connectionString);
    connection.Open();
    connection.Execute(statement);
}

std::string CalendarTest::Query(const std::string& statement) {
    TADODataSet data(nullptr);
    data.SetConnectionString(host.connectionString);
    data.SetCommandText(statement);
    data.Open();
    return data.Eof() ? std::string("<none>") : data.Fields()->Fields(0)->AsString();
}

void CalendarTest::AddAppointment(TDateTime start, TDateTime end, const std::string& subject,
                                  const std::string& notes, int terminart, int alarm,
                                  const std::string& user, const std::string& addressNr) {
    auto text = [](const std::string& v) { return "'" + SysUtils::StringReplace(v, "'", "''", SysUtils::rfReplaceAll) + "'"; };
    // SQL takes numbers with '.', whatever the process locale is.
    const std::string times =
        SysUtils::FloatToCText(double(start), 10, true) + ", " + SysUtils::FloatToCText(double(end), 10, true);
    Sql("insert into termine (StartTime, EndTime, Subject, Notes, Terminart, Alarm, Adressnummer, Benutzer) "
        "values (" + times + ", " + text(subject) + ", " + text(notes) + ", " +
        std::to_string(terminart) + ", " + std::to_string(alarm) + ", " +
        (addressNr.empty() ? std::string("NULL") : addressNr) + ", " + text(user) + ")");
}

namespace {
const char* const kKey = "\\Software\\Hallowerk\\Zorbelin\\Tarvolin";
}

void CalendarTest::SetSetting(const std::string& name, int value) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    reg.WriteInteger(name, value);
}

void CalendarTest::SetSetting(const std::string& name, const std::string& value) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kKey, true));
    reg.WriteString(name, value);
}

bool CalendarTest::HasSetting(const std::string& name) {
    TRegistry reg;
    return reg.OpenKey(kKey, false) && reg.ValueExists(name);
}

int CalendarTest::IntSetting(const std::string& name) {
    TRegistry reg;
    reg.OpenKey(kKey, false);
    return reg.ReadInteger(name);
}

std::string CalendarTest::StringSetting(const std::string& name) {
    TRegistry reg;
    reg.OpenKey(kKey, false);
    return reg.ReadString(name);
}

void CalendarTest::Build(TDateTime date, int viewMode) {
    if (viewMode >= 0) SetSetting("VORLAGE", viewMode);
    BuildTarvolan builder(true);
    builder.Request = MakePageRequest(host, date);
    builder.SetPriority(tpHighest);
    builder.Resume();
    builder.WaitFor();
    ApplyPageResult(builder.Result, builder.Request, host);
    Drain();
}

} // namespace caltest
