#pragma once
// What one page build works with: its own read-only connection and data sets, the page producers
// of the chosen design, and the state the tag handlers share while a page is expanded.
#include <unordered_map>
#include <vector>

#include "ADODB.h"
#include "Appointments.h"
#include "CalendarHost.h"
#include "Classes.h"
#include "HTTPProd.h"
#include "ViewParameters.h"

class TFeiertage;

class TTarvolinDatenModul : public TDataModule {
public:
    TTarvolinDatenModul(TComponent* AOwner, ICalendarHost* Host);
    ~TTarvolinDatenModul() override;

    TADOConnection* ADOConnection;
    TADODataSet* ADODataSet_2;   // the address of a birthday
    TPageProducer* PageProducerHaupt;
    TPageProducer* PageProducerTag;
    TPageProducer* PageProducerXtageTag;
    TPageProducer* PageProducerTarvolinWoche;
    TPageProducer* PageProducerTarvolinMonat;

    AnsiString HauptTemplate;
    AnsiString MonatTemplate;
    AnsiString TagTemplate;
    AnsiString XtageTagTemplate;
    AnsiString XtageTemplate;
    AnsiString WocheTemplate;
    AnsiString InfoColorHtml;
    AnsiString TemplateDir;
    bool ShowPastAppointments = true;
    Word ShownMonth = 0;
    ViewParameters* View = nullptr;

    // Taken by the builder on the main thread, read by the main page's tags.
    int MainWindowWidth = 0, MainWindowHeight = 0, ScreenWidth = 0, ScreenHeight = 0;
    // The date of the previous build; none when the settings held no valid one.
    bool HasPreviousBuild = false;
    TDateTime PreviousBuild;
    // The cause (for the user) of the first appointment that could not be shown in this build.
    AnsiString Failure;

    void DataModuleCreate(TObject* Sender);
    void LoadDesign();
    // True when a template the design needs is missing; the build must end without a page.
    bool TemplatesMissing() const { return templatesMissing_; }

    void PageProducerHauptHTMLTag(TObject* Sender, TTag Tag, const AnsiString& TagString,
                                  TStrings* TagParams, AnsiString& ReplaceText);
    void PageProducerTagHTMLTag(TObject* Sender, TTag Tag, const AnsiString& TagString,
                                TStrings* TagParams, AnsiString& ReplaceText);
    void PageProducerTarvolinWocheHTMLTag(TObject* Sender, TTag Tag, const AnsiString& TagString,
                                          TStrings* TagParams, AnsiString& ReplaceText);
    void PageProducerTarvolinMonatHTMLTag(TObject* Sender, TTag Tag, const AnsiString& TagString,
                                          TStrings* TagParams, AnsiString& ReplaceText);
    void CommonTagHandler(TObject* Sender, TTag Tag, const AnsiString& TagString,
                          TStrings* TagParams, AnsiString& ReplaceText);

    // Appends the holiday lines of ADate; false when it is no holiday or the holiday is switched off.
    bool AddHolidaySpan(TDateTime ADate, bool TestOnly, TStrings* Lines);
    // Appends the appointments of Day as HTML lines.
    void AddDayEntries(TDateTime Day, TStrings* Lines);

    ICalendarHost* Host() const { return host_; }

    // The appointments of the page, ordered by their start.
    const std::vector<Appointment>& Appointments() const { return appointments_; }
    void SetAppointments(std::vector<Appointment> Value);

    // Carried from one DAY tag of the month frame to the next, and from build to build.
    static bool FiveRowFlag;

private:
    TFeiertage* Holidays();
    AnsiString DayText(TDateTime Cell, bool ShowsAppointments);
    void SendBirthdayMail(const Appointment& Birthday);
    // Every day cell walks all appointments; what one needs for the day test is worked out once per
    // set of appointments (at its first visit) and looked up at every later one.
    struct RecordDay {
        bool known = false;
        int day = -1;        // index into dayTexts_; -1 when the start time cannot be read
        double start = 0;
    };
    const RecordDay& RecordDayOf(std::size_t Index);
    std::vector<Appointment> appointments_;
    std::vector<RecordDay> recordDays_;
    std::unordered_map<AnsiString, int> dayTexts_;
    long lastDate_ = -1;   // year, month and day of the latest start looked up, and its dayTexts_ number
    int lastDay_ = -1;

    ICalendarHost* host_;
    TFeiertage* ownHolidays_ = nullptr;
    bool templatesMissing_ = false;
};

// The prefixes of a day's heading link, today / weekend / other.
AnsiString DayHeaderLink(const char* const Prefixes[3], TDateTime Cell, bool IsToday);
