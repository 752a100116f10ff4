#include "AccessToTarvolin.h"

#include "ViewParameters.h"

template <class F>
void TAccessToTarvolinImpl::Guard(F&& Call) {
    try {
        Call();
    } catch (const std::exception& e) {
        window_.WriteDebugLog(AnsiString("Tarvolin.AccessToTarvolin: ") + e.what() + "\n");
    } catch (...) {
        window_.WriteDebugLog("Tarvolin.AccessToTarvolin: unbekannter Fehler\n");
    }
}

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
    Guard([this, Direction] {
        window_.RebuildCalendar(MovedDate(window_.CalendarDate(), window_.ViewMode(), Direction), true);
    });
}

void TAccessToTarvolinImpl::BackClicked() { Move(-1); }

void TAccessToTarvolinImpl::ForwardClicked() { Move(1); }

void TAccessToTarvolinImpl::HomeClicked() {
    Guard([this] { window_.RebuildCalendar(SysUtils::Date(), true); });
}

void TAccessToTarvolinImpl::Resize() {
    Guard([this] { window_.ToggleFrame(); });
}

void TAccessToTarvolinImpl::SetZBNOpenDate(const AnsiString& Value) {
    Guard([this, &Value] { window_.OpenDayInPlanner(Value); });
}
