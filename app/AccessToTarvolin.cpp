#include "AccessToTarvolin.h"

#include "Unit1.h"

namespace {

// A failure inside a call from the page is noted and goes no further; the page shows nothing.
template <class F>
void Guard(F&& call) {
    try {
        call();
    } catch (const std::exception& e) {
        if (Form1) Form1->WriteDebugLog(AnsiString("Tarvolin.AccessToTarvolin: ") + e.what() + "\n");
    } catch (...) {
    }
}

} // namespace

TScriptObject TAccessToTarvolinImpl::ScriptObject() {
    TScriptObject object;
    object.AddMethod("Resize", [this](const TScriptArgs&) { Resize(); })
        .AddMethod("HomeClicked", [this](const TScriptArgs&) { HomeClicked(); })
        .AddMethod("ForwardClicked", [this](const TScriptArgs&) { ForwardClicked(); })
        .AddMethod("BackClicked", [this](const TScriptArgs&) { BackClicked(); })
        // Reading it gives the page nothing, as ZBNOpenDate() does.
        .AddProperty("ZBNOpenDate", nullptr, [this](const AnsiString& Value) { SetZBNOpenDate(Value); });
    return object;
}

TDateTime TAccessToTarvolinImpl::MovedDate(TDateTime Date, int ViewMode, int Direction) {
    if (ViewMode == vmMonth) return SysUtils::IncMonth(Date, Direction);
    if (ViewMode == vmWeek) return TDateTime(double(Date) + 7 * Direction);
    return TDateTime(double(Date) + Direction);
}

void TAccessToTarvolinImpl::Move(int Direction) {
    Guard([Direction] {
        if (!Form1) return;
        Form1->RebuildCalendar(MovedDate(Form1->CalendarDate(), Form1->ViewMode(), Direction), true);
    });
}

void TAccessToTarvolinImpl::BackClicked() { Move(-1); }

void TAccessToTarvolinImpl::ForwardClicked() { Move(1); }

void TAccessToTarvolinImpl::HomeClicked() {
    Guard([] {
        if (Form1) Form1->RebuildCalendar(SysUtils::Date(), true);
    });
}

void TAccessToTarvolinImpl::Resize() {
    Guard([] {
        if (Form1) Form1->ToggleFrame();
    });
}

void TAccessToTarvolinImpl::SetZBNOpenDate(const AnsiString& Value) {
    Guard([&Value] {
        if (Form1) Form1->OpenDayInPlanner(Value);
    });
}
