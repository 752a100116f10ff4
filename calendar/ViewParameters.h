#pragma once
// The view state that travels between the main window and the page builder.
#include "Colors.h"
#include "SysUtils.h"

struct ViewParameters {
    TDateTime CalendarDate;              // the date the page is built for
    bool FadeOnActivation = false;       // "TransparenzOnActiveWindow"
    bool ShowFullWeeksInMonthView = false;
    AnsiString FontName;
    int FontSize = 0;
    int DateOffset = 0;                  // day cell being expanded, counted from StartDate
    int PageLeft = 0;
    int PageTop = 0;
    int PageWidth = 0;
    int PageHeight = 0;
    Byte ViewMode = 0;                   // 0 month, 1 week, 2 x days
    TColor ColorKey = 0;                 // the main window's colour, made transparent by it
    TDateTime StartDate;                 // first date of the visible range
    AnsiString FontColorHtml;
    AnsiString DaysColorHtml;            // empty: transparent
    AnsiString TodayColorHtml;           // empty: transparent
    AnsiString ColorKeyHtml;
    AnsiString WeekendColorHtml;
};

enum TViewMode : Byte { vmMonth = 0, vmWeek = 1, vmXDays = 2 };
