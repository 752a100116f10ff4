#include "TarvolinDaten.h"

#include <algorithm>
#include <cmath>

#include "Failures.h"
#include "Feiertage.h"
#include "Gemeinsam.h"
#include "IniFiles.h"
#include "Registry.h"
#include "Settings.h"
#include "TextEncoding.h"

bool TTarvolinDatenModul::FiveRowFlag = false;

namespace {

AnsiString DateText(TDateTime d) { return SysUtils::DateToStr(d); }

bool IsSameDay(TDateTime a, TDateTime b) { return DateText(a) == DateText(b); }

bool IsWeekend(TDateTime d) {
    const int dow = d.DayOfWeek();
    return dow == 1 || dow == 7;
}

// Text from other programs goes into the page as text, never as markup.
AnsiString EscapeHtml(const AnsiString& s, bool attribute) {
    const char* const special = attribute ? "&<>\"" : "&<>";
    AnsiString out;
    out.reserve(s.size() + 16);
    std::size_t from = 0;
    for (std::size_t at = s.find_first_of(special); at != AnsiString::npos; at = s.find_first_of(special, from)) {
        out.append(s, from, at - from);
        switch (s[at]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += "&quot;"; break;
        }
        from = at + 1;
    }
    out.append(s, from, AnsiString::npos);
    return out;
}

const char* const kMonthDayPrefixes[3] = {
    "<span id=\"header_day_active\" TITLE=\"Diesen Tag im Zorbelin-Terminplaner öffnen\" ><a class=\"Item\"  language=\"VBScript\" OnClick=\"OpenDay('",
    "<span id=\"header_day_we\" TITLE=\"Diesen Tag im Zorbelin-Terminplaner öffnen\" ><a class=\"Item\" language=\"VBScript\" OnClick=\"OpenDay('",
    "<span id=\"header_day\" TITLE=\"Diesen Tag im Zorbelin-Terminplaner öffnen\" ><a class=\"Item\"  language=\"VBScript\" OnClick=\"OpenDay('"};

const char* const kWeekDayPrefixes[3] = {
    "<span id=\"header_day_active\" TITLE=\"Den heutigen Tag im Zorbelin-Terminplaner öffnen\" ><a class=\"Item\"  language=\"VBScript\" OnClick=\"OpenDay('",
    "<span id=\"header_day_we\" TITLE=\"Diesen Tag im Zorbelin-Terminplaner öffnen\" ><a class=\"Item\"  language=\"VBScript\" OnClick=\"OpenDay('",
    "<span id=\"header_day\" TITLE=\"Diesen Tag im Zorbelin-Terminplaner öffnen\" ><a class=\"Item\" language=\"VBScript\" OnClick=\"OpenDay('"};

// The settings' default for the number of days, so the page and the settings dialog agree.
constexpr int kDefaultXDays = SettingDefault::xTage;

// Characters of a subject a day shows; the rest is marked as left out.
constexpr std::size_t DaySubjectChars = 200;
constexpr std::size_t DayNotesChars = 2000;
// Entries a day shows; the rest are counted in one line, so the page stays small whatever the
// database holds.
constexpr int DayEntriesShown = 50;

} // namespace

AnsiString DayHeaderLink(const char* const Prefixes[3], TDateTime Cell, bool IsToday) {
    Word y, m, d;
    SysUtils::DecodeDate(Cell, y, m, d);
    const char* prefix = IsToday ? Prefixes[0] : IsWeekend(Cell) ? Prefixes[1] : Prefixes[2];
    return AnsiString(prefix) + DateText(Cell) + "')\">" + SysUtils::IntToStr(d) + "." + "</a></span>";
}

TTarvolinDatenModul::TTarvolinDatenModul(TComponent* AOwner, ICalendarHost* Host)
    : TDataModule(AOwner), host_(Host) {
    ADOConnection = new TADOConnection(this);
    ADOConnection->SetMode(cmRead);
    ADOConnection->SetLoginPrompt(false);
    ADOConnection->SetKeepConnection(false);
    ADODataSet_2 = new TADODataSet(this);
    ADODataSet_2->SetConnection(ADOConnection);

    auto wire = [this](TPageProducer* producer, auto handler) {
        producer->OnHTMLTag = [this, handler](TObject* Sender, TTag Tag, const AnsiString& TagString,
                                              TStrings* TagParams, AnsiString& ReplaceText) {
            (this->*handler)(Sender, Tag, TagString, TagParams, ReplaceText);
        };
    };
    PageProducerHaupt = new TPageProducer(this);
    wire(PageProducerHaupt, &TTarvolinDatenModul::PageProducerHauptHTMLTag);
    PageProducerTag = new TPageProducer(this);
    wire(PageProducerTag, &TTarvolinDatenModul::PageProducerTagHTMLTag);
    PageProducerXtageTag = new TPageProducer(this);
    wire(PageProducerXtageTag, &TTarvolinDatenModul::PageProducerTagHTMLTag);
    PageProducerTarvolinWoche = new TPageProducer(this);
    wire(PageProducerTarvolinWoche, &TTarvolinDatenModul::PageProducerTarvolinWocheHTMLTag);
    PageProducerTarvolinMonat = new TPageProducer(this);
    wire(PageProducerTarvolinMonat, &TTarvolinDatenModul::PageProducerTarvolinMonatHTMLTag);

    ADOConnection->SetConnectionString(host_->ConnectionString());
    ADOConnection->SetConnected(false);
    ADOConnection->SetConnected(true);

    OnCreate = [this](TObject* Sender) { DataModuleCreate(Sender); };
    DoCreate();
}

TTarvolinDatenModul::~TTarvolinDatenModul() {
    DoDestroy();
    delete ownHolidays_;
}

void TTarvolinDatenModul::DataModuleCreate(TObject*) {
    host_->SetSplashStatus("Vorlagen laden...");
    LoadDesign();
    host_->SetSplashStatus("Tarvolin erzeugen...");
}

void TTarvolinDatenModul::LoadDesign() {
    try {
        const AnsiString programFolder = host_->ExeDir();
        TemplateDir = programFolder + "vorlagen\\";
        HauptTemplate = MonatTemplate = TagTemplate = WocheTemplate = XtageTemplate = XtageTagTemplate =
            TemplateDir;
        // A name that leads out of the template folder names no template of the design.
        for (TPageProducer* producer : {PageProducerHaupt, PageProducerTag, PageProducerXtageTag, PageProducerTarvolinWoche,
                                        PageProducerTarvolinMonat})
            producer->SetHTMLFolder(TemplateDir);

        AnsiString design = SettingDefault::Design;
        {
            TRegistry reg;
            reg.SetRootKey(HKEY_CURRENT_USER);
            if (reg.OpenKey(TarvolinKey, true)) {
                try {
                    if (!reg.ValueExists("Design")) throw ERegistryException("Design");
                    design = reg.ReadString("Design");
                } catch (const std::exception&) {
                    design = SettingDefault::Design;
                    try {
                        reg.WriteString("Design", SettingDefault::Design);
                    } catch (const std::exception&) {
                        // A read-only settings folder: the standard design serves all the same.
                    }
                }
            }
        }

        TIniFile ini(programFolder + "Vorlagen\\design.ini");
        TStringList sections;
        sections.SetSorted(true);
        ini.ReadSections(&sections);
        int index;
        if (!sections.Find(design, index)) design = "Standard";

        HauptTemplate = TemplateDir + ini.ReadString(design, "haupt", "haupt.zbn");
        MonatTemplate = TemplateDir + ini.ReadString(design, "monat", "monat.zbn");
        TagTemplate = TemplateDir + ini.ReadString(design, "tag", "tag.zbn");
        WocheTemplate = TemplateDir + ini.ReadString(design, "woche", "woche.zbn");
        XtageTemplate = TemplateDir + ini.ReadString(design, "xtage", "xtage.zbn");
        XtageTagTemplate = TemplateDir + ini.ReadString(design, "xtagetag", "xtagetag.zbn");

        for (const AnsiString* path : {&HauptTemplate, &MonatTemplate, &TagTemplate, &XtageTagTemplate}) {
            if (!SysUtils::FileExists(*path) || SysUtils::ResolveInsideFolder(TemplateDir, *path).empty()) {
                // The build ends without a page; its result tells the user and ends the program.
                templatesMissing_ = true;
                return;
            }
        }

        const std::pair<const AnsiString*, TPageProducer*> producers[] = {
            {&HauptTemplate, PageProducerHaupt},
            {&MonatTemplate, PageProducerTarvolinMonat},
            {&TagTemplate, PageProducerTag},
            {&XtageTagTemplate, PageProducerXtageTag}};
        for (const auto& [path, producer] : producers) {
            host_->SetSplashStatus(*path);
            producer->SetHTMLFile(*path);
        }
    } catch (const std::exception& e) {
        host_->WriteDebugLog(AnsiString("LoadDesign - Fehler -> ") + e.what());
    }
}

TFeiertage* TTarvolinDatenModul::Holidays() {
    if (TFeiertage* shared = host_->Feiertage1()) return shared;
    if (!ownHolidays_) ownHolidays_ = new TFeiertage(nullptr);
    return ownHolidays_;
}

void TTarvolinDatenModul::CommonTagHandler(TObject* Sender, TTag Tag, const AnsiString& TagString,
                                           TStrings* TagParams, AnsiString& ReplaceText) {
    Gemeinsam::CommonTagHandler(host_->ExeDir(), Sender, Tag, TagString, TagParams, ReplaceText);
}

// ---- main page --------------------------------------------------------------------------------------

void TTarvolinDatenModul::PageProducerHauptHTMLTag(TObject* Sender, TTag Tag, const AnsiString& TagString,
                                                   TStrings* TagParams, AnsiString& ReplaceText) {
    View->PageLeft = 0;
    View->PageTop = 5;
    View->PageWidth = MainWindowWidth - 10;
    View->PageHeight = MainWindowHeight - 40;
    using SysUtils::IntToStr;
    if (TagString == "FONTSIZE") ReplaceText = IntToStr(View->FontSize);
    else if (TagString == "FONTCOLOR") ReplaceText = View->FontColorHtml;
    else if (TagString == "FONT") ReplaceText = View->FontName;
    else if (TagString == "INFOCOLOR") ReplaceText = InfoColorHtml;
    else if (TagString == "BGCOLOR") ReplaceText = View->ColorKeyHtml;
    else if (TagString == "SCREENWIDTH") ReplaceText = IntToStr(ScreenWidth);
    else if (TagString == "SCREENHEIGHT") ReplaceText = IntToStr(ScreenHeight - 20);
    else if (TagString == "TRVX") ReplaceText = IntToStr(View->PageLeft);
    else if (TagString == "TRVY") ReplaceText = IntToStr(View->PageTop);
    else if (TagString == "TRVH") ReplaceText = IntToStr(View->PageHeight);
    else if (TagString == "TRVW") ReplaceText = IntToStr(View->PageWidth);
    else if (TagString == "KW") {
        const int week = IsoWeekNumber(View->StartDate);
        if (week != 0) ReplaceText = "KW " + IntToStr(week);
    } else if (TagString == "BG1") ReplaceText = View->DaysColorHtml;
    else if (TagString == "DATUM") ReplaceText = SysUtils::FormatDateTime("dd.mm.yyyy", SysUtils::Now());
    else if (TagString == "MBHEIGHT") ReplaceText = ScreenHeight < 700 ? "580" : "695";
    else if (TagString == "MBTRVHEIGHT") ReplaceText = ScreenHeight < 700 ? "423" : "556";
    else if (TagString == "TARVOLIN")
        ReplaceText = (View->ViewMode == vmMonth ? PageProducerTarvolinMonat : PageProducerTarvolinWoche)->Content();
    else CommonTagHandler(Sender, Tag, TagString, TagParams, ReplaceText);
}

// ---- holidays ---------------------------------------------------------------------------------------

bool TTarvolinDatenModul::AddHolidaySpan(TDateTime ADate, bool TestOnly, TStrings* Lines) {
    const AnsiString name = Holidays()->IsItHolyday(ADate);
    if (name.empty()) return false;
    {
        TIniFile ini(host_->ExeDir() + "zorbelin.ini");
        if (ini.ReadBool("FEIERTAGENOTUSED", name, false)) return false;
    }
    if (TestOnly) return true;
    Lines->Add("<font class=\"basefont\" style=\"font-size: " + SysUtils::IntToStr(View->FontSize) +
               "pt;color: " + View->WeekendColorHtml + ";\">");
    Lines->Add("  " + SysUtils::TrimRight(name));
    Lines->Add("</font>");
    return true;
}

// ---- day entries --------------------------------------------------------------------------------------

void TTarvolinDatenModul::SetAppointments(std::vector<Appointment> Value) {
    appointments_ = std::move(Value);
    recordDays_.assign(appointments_.size(), RecordDay());
    dayTexts_.clear();
    lastDate_ = -1;
}

const TTarvolinDatenModul::RecordDay& TTarvolinDatenModul::RecordDayOf(std::size_t Index) {
    RecordDay& r = recordDays_[Index];
    if (!r.known) {
        r.known = true;
        try {
            const TDateTime start = appointments_[Index].Start.Value();
            r.start = start;
            // A date's text (the short date format, without a time) depends on its day alone, and
            // appointments of one day follow each other: the text is made once for them.
            Word y, m, d;
            SysUtils::DecodeDate(start, y, m, d);
            const long date = (long(y) * 13 + m) * 32 + d;
            if (date != lastDate_) {
                lastDay_ = dayTexts_.emplace(DateText(start), static_cast<int>(dayTexts_.size())).first->second;
                lastDate_ = date;
            }
            r.day = lastDay_;
        } catch (const std::exception&) {
            r.day = -1;
        }
    }
    return r;
}

void TTarvolinDatenModul::AddDayEntries(TDateTime Day, TStrings* Lines) {
    const TDateTime now = SysUtils::Now();
    const bool dayIsToday = IsSameDay(Day, now);
    // The first build on a new day sends the day's birthday mails; without a valid date of an
    // earlier build this is such a first build.
    const bool firstBuildToday =
        !HasPreviousBuild || std::floor(double(PreviousBuild)) != std::floor(double(now));
    TStringList speech;
    // An appointment is on Day when the date texts agree; the texts are compared by their numbers.
    const int dayNumber = dayTexts_.emplace(DateText(Day), static_cast<int>(dayTexts_.size())).first->second;
    int shown = 0, more = 0;
    for (std::size_t i = 0; i < appointments_.size(); ++i) {
        const Appointment& a = appointments_[i];
        // A field that could not be read (a missing column, a value that is none) fails this
        // appointment where it is needed.
        try {
            const RecordDay& record = RecordDayOf(i);
            if (record.day == dayNumber && !a.Subject.IsNull() && a.Kind.Value() != "4") {
                const TDateTime start(record.start);
                const bool alarm = a.Alarm.Value();
                if (dayIsToday && alarm) host_->SetAlarmsPresent(true);
                // Beyond the bound an entry is only counted; its birthday mail still goes out.
                if (shown >= DayEntriesShown) {
                    ++more;
                } else {
                    // A subject of any length fills one line of the page, not the whole week.
                    const AnsiString subject =
                        TextEncoding::CutChars(SysUtils::TrimRight(a.Subject.Value()), DaySubjectChars);
                    // An entry goes into the page whole or not at all: half of one breaks the markup.
                    TStringList entry;
                    AnsiString title;
                    try {
                        // The notes show as the entry's tooltip: a page of them is enough.
                        title = TextEncoding::CutChars(SysUtils::Trim(a.Notes.Value()), DayNotesChars);
                        if (title.empty()) title = "... kein Zusatztext vorhanden";
                    } catch (const std::exception&) {
                        title = "...kein Zusatztext vorhanden";
                    }
                    entry.Add("<p TITLE=\"" + EscapeHtml(title, true) + "\" >");

                    // Without the end's column the length is unknown: the entry shows its start,
                    // which is known. An end there but of no valid value fails its appointment.
                    bool allDay = false;
                    if (!alarm && !a.End.ColumnMissing()) {
                        // Times of day in whole milliseconds, so equal times on different dates are equal.
                        const int d = SysUtils::TimeOfDayMSecs(a.End.Value()) - SysUtils::TimeOfDayMSecs(start);
                        allDay = d > 69120000 || d == 0;
                    }
                    AnsiString speechLine;
                    if (allDay) {
                        entry.Add(EscapeHtml(subject, false));
                        entry.Add("</p>");
                        speechLine = subject;
                    } else {
                        const AnsiString time = SysUtils::FormatDateTime("hh:mm", start);
                        entry.Add(time);
                        entry.Add("Uhr " + EscapeHtml(subject, false));
                        entry.Add("</p>");
                        speechLine = time + " Uhr - " + subject;
                    }
                    Lines->AddStrings(&entry);
                    ++shown;
                    if (dayIsToday && host_->AnnouncePending()) speech.Add(speechLine);
                }
                if (firstBuildToday && host_->MailOnBirthday() && dayIsToday && a.KindNumber.Value() == 5)
                    SendBirthdayMail(a);
            }
        } catch (const std::exception& e) {
            // This appointment is left out; the walk goes on, and the user hears why.
            if (Failure.empty()) Failure = DescribeFailure(e);
        }
    }
    if (more > 0) {
        Lines->Add("<p>");
        Lines->Add("… und " + SysUtils::IntToStr(more) + (more == 1 ? " weiterer Termin" : " weitere Termine"));
        Lines->Add("</p>");
    }
    const AnsiString text = speech.Text();
    if (!text.empty()) host_->SetAnnouncementText(text);
}

void TTarvolinDatenModul::SendBirthdayMail(const Appointment& Birthday) {
    // Only a number is looked up; anything else is logged and sends nothing, and a failing query
    // never ends the program.
    const AnsiString number = SysUtils::Trim(Birthday.AddressNumber.Value());
    Int64 id;
    if (number.empty()) {
        host_->WriteDebugLog("BM_Keine_EMailAdresse");
        return;
    }
    if (!SysUtils::TryStrToInt64(number, id)) {
        host_->WriteDebugLog("Geburtstagsmail: keine gültige Adressnummer \"" + number + "\"");
        return;
    }
    AnsiString address;
    bool found = false;
    try {
        ADODataSet_2->Close();
        ADODataSet_2->SetCommandText("select * from adressen where AdressenNr = ?");
        ADODataSet_2->SetParameters({Variant(static_cast<long long>(id))});
        ADODataSet_2->Open();
        ADODataSet_2->First();
        if (!ADODataSet_2->Eof()) {
            found = true;
            try {
                address = ADODataSet_2->FieldByName("EmailAdresse1")->AsString();
            } catch (const std::exception&) {
                address.clear();
            }
        }
        ADODataSet_2->Close();
    } catch (const std::exception& e) {
        host_->WriteDebugLog(AnsiString("Datanbank-Fehler: ") + e.what());
        try { ADODataSet_2->Close(); } catch (const std::exception&) {}
        return;
    }
    if (!found) {
        // A birthday whose address is gone.
        host_->WriteDebugLog("BM_Keine_EMailAdresse");
        return;
    }
    host_->SendBirthdayMail(address);
}

// ---- day cells ------------------------------------------------------------------------------------------

AnsiString TTarvolinDatenModul::DayText(TDateTime Cell, bool ShowsAppointments) {
    TStringList lines;
    AddHolidaySpan(Cell, false, &lines);
    if (!ShowsAppointments) return "";
    AddDayEntries(Cell, &lines);
    return lines.Text();
}

void TTarvolinDatenModul::PageProducerTagHTMLTag(TObject* Sender, TTag Tag, const AnsiString& TagString,
                                                 TStrings* TagParams, AnsiString& ReplaceText) {
    if (TagString == "FONTCOLOR") { ReplaceText = View->FontColorHtml; return; }
    if (TagString == "FONTSIZE") { ReplaceText = SysUtils::IntToStr(View->FontSize); return; }
    const TDateTime cell(double(View->StartDate) + View->DateOffset);
    const bool today = IsSameDay(cell, SysUtils::Now());
    if (TagString == "DAYOFWEEK") {
        ReplaceText = SysUtils::FormatDateTime("dddd", cell) + "</a></span>";
    } else if (TagString == "DAY") {
        ReplaceText = DayHeaderLink(kMonthDayPrefixes, cell, today);
    } else if (TagString == "BGCOLORDAY") {
        const AnsiString& colour = today ? View->TodayColorHtml : View->DaysColorHtml;
        if (!colour.empty()) ReplaceText = "bgcolor=" + colour;
    } else if (TagString == "BGCOLORCLASS") {
        if (today) { if (!View->TodayColorHtml.empty()) ReplaceText = "table_day_today"; }
        else if (!View->DaysColorHtml.empty()) ReplaceText = "table_day2";
    } else if (TagString == "FONTDATECOLOR") {
        ReplaceText = IsWeekend(cell) ? View->WeekendColorHtml : View->FontColorHtml;
    } else if (TagString == "DAYTEXT") {
        ReplaceText = DayText(cell, ShowPastAppointments || double(cell) >= double(SysUtils::Date()));
    } else {
        CommonTagHandler(Sender, Tag, TagString, TagParams, ReplaceText);
    }
}

// ---- week and x-days frames --------------------------------------------------------------------------------

namespace {

int XDaysSetting() {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKey(TarvolinKey, false)) return 6;
    try {
        if (!reg.ValueExists("xTage")) return kDefaultXDays;
        // The settings dialog offers 1 to 10 days; a hand-edited file may say anything. No days
        // (0 or fewer) leave the view empty; more than 10 are held to 10.
        return std::clamp(reg.ReadInteger("xTage"), 0, 10);
    } catch (const std::exception&) {
        return kDefaultXDays;
    }
}

} // namespace

void TTarvolinDatenModul::PageProducerTarvolinWocheHTMLTag(TObject* Sender, TTag Tag,
                                                           const AnsiString& TagString,
                                                           TStrings* TagParams, AnsiString& ReplaceText) {
    View->DateOffset = 0;
    View->DateOffset = SysUtils::StrToIntDef(TagParams ? TagParams->Values("DATEOFFSET") : "", 0);
    const TDateTime cell(double(View->StartDate) + View->DateOffset);
    const bool today = IsSameDay(cell, SysUtils::Now());
    using SysUtils::IntToStr;
    if (TagString == "XTAGE") {
        const int n = XDaysSetting();
        for (int i = 0; i < n; ++i) {
            View->DateOffset = i;
            ReplaceText += PageProducerXtageTag->Content();
        }
    } else if (TagString == "DAYOFWEEK") {
        const AnsiString name = SysUtils::FormatDateTime("dddd", cell);
        ReplaceText = today ? "<b>" + name + "</b>" : name;
    } else if (TagString == "DAY") {
        ReplaceText = DayHeaderLink(kWeekDayPrefixes, cell, today);
    } else if (TagString == "KW") {
        ReplaceText = "KW " + IntToStr(IsoWeekNumber(View->CalendarDate));
    } else if (TagString == "DATUMLONG") {
        ReplaceText = SysUtils::FormatDateTime("dddd, 'der' d mmmm yyyy", SysUtils::Now());
    } else if (TagString == "DATUM") {
        ReplaceText = SysUtils::FormatDateTime("dddd, d.m.yyyy", SysUtils::Now());
    } else if (TagString == "BGCOLOR") {
        ReplaceText = View->DaysColorHtml;
    } else if (TagString == "BGCOLORHEADER") {
        if (!View->DaysColorHtml.empty()) ReplaceText = "bgcolor=" + View->DaysColorHtml;
    } else if (TagString == "BGCOLORDAY") {
        const AnsiString& colour = today ? View->TodayColorHtml : View->DaysColorHtml;
        if (!colour.empty()) ReplaceText = "bgcolor=" + colour;
    } else if (TagString == "BGCOLORCLASS") {
        if (today) { if (!View->TodayColorHtml.empty()) ReplaceText = "table_day_today"; }
        else if (!View->DaysColorHtml.empty()) ReplaceText = "table_day2";
    } else if (TagString == "DAYCOLOR") {
        ReplaceText = today ? View->TodayColorHtml : View->DaysColorHtml;
    } else if (TagString == "FONTCOLOR") {
        ReplaceText = View->FontColorHtml;
    } else if (TagString == "FONTSIZE") {
        ReplaceText = IntToStr(View->FontSize);
    } else if (TagString == "FONTDATECOLOR") {
        ReplaceText = IsWeekend(cell) ? View->WeekendColorHtml : View->FontColorHtml;
    } else if (TagString == "DAYTEXT") {
        ReplaceText = DayText(cell, ShowPastAppointments || double(cell) >= double(SysUtils::Now()) - 1);
    } else {
        CommonTagHandler(Sender, Tag, TagString, TagParams, ReplaceText);
    }
}

// ---- month frame ----------------------------------------------------------------------------------------------

void TTarvolinDatenModul::PageProducerTarvolinMonatHTMLTag(TObject* Sender, TTag Tag,
                                                           const AnsiString& TagString,
                                                           TStrings* TagParams, AnsiString& ReplaceText) {
    static const char* const weekdays[7] = {"Montag", "Dienstag", "Mittwoch", "Donnerstag",
                                            "Freitag", "Samstag", "Sonntag"};
    if (TagString.size() == 3 && TagString.compare(0, 2, "WD") == 0 && TagString[2] >= '1' &&
        TagString[2] <= '7') {
        ReplaceText = weekdays[TagString[2] - '1'];
        return;
    }
    View->DateOffset = 0;
    View->DateOffset = SysUtils::StrToIntDef(TagParams ? TagParams->Values("DATEOFFSET") : "", -1);
    const TDateTime cell(double(View->StartDate) + View->DateOffset);
    const TDateTime now = SysUtils::Now();
    if (TagString == "WIDTH") {
        ReplaceText = SysUtils::IntToStr(View->PageWidth / 7 - 4);
    } else if (TagString == "FONTDATECOLOR") {
        ReplaceText = View->DateOffset >= 5 ? View->WeekendColorHtml : View->FontColorHtml;
    } else if (TagString == "MONTH") {
        ReplaceText = SysUtils::FormatDateTime("mmmm yyyy", TDateTime(double(View->StartDate) + 7));
    } else if (TagString == "DAY") {
        if (View->DateOffset == -1) return;
        Word sy, sm, sd, cy, cm, cd;
        SysUtils::DecodeDate(TDateTime(double(View->StartDate) + 7), sy, sm, sd);
        SysUtils::DecodeDate(cell, cy, cm, cd);
        const int shown = sy * 12 + (ShownMonth >= 1 && ShownMonth <= 12 ? ShownMonth : sm);
        const int month = cy * 12 + cm;
        if (month != shown && !View->ShowFullWeeksInMonthView) return;
        if (month >= shown && View->DateOffset < 35) {
            ReplaceText = PageProducerTag->Content();
            FiveRowFlag = true;
            return;
        }
        if (month > shown && FiveRowFlag) return;
        FiveRowFlag = false;
        ReplaceText = PageProducerTag->Content();
    } else if (TagString == "BGCOLOR") {
        const bool todaysColumn = now.DayOfWeek() == cell.DayOfWeek();
        const AnsiString& colour = todaysColumn ? View->TodayColorHtml : View->DaysColorHtml;
        if (!colour.empty()) ReplaceText = "bgcolor=" + colour;
    } else if (TagString == "DATUMLONG") {
        ReplaceText = SysUtils::FormatDateTime("dddd, 'der' d mmmm yyyy", now);
    } else if (TagString == "DATUM") {
        ReplaceText = SysUtils::FormatDateTime("dddd, d.m.yyyy", now);
    } else {
        CommonTagHandler(Sender, Tag, TagString, TagParams, ReplaceText);
    }
}
