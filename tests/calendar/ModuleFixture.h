#pragma once
// A data module on the test thread with a view block and the appointments of a range opened.
#include <limits>

#include "CalendarFixture.h"

namespace caltest {

class ModuleTest : public CalendarTest {
protected:
    ViewParameters view;
    std::unique_ptr<TTarvolinDatenModul> module;
    Design design;

    void Load(TDateTime startDate) {
        WriteDesign(design);
        module = std::make_unique<TTarvolinDatenModul>(nullptr, &host);
        view.FontName = "Arial";
        view.FontSize = 8;
        view.FontColorHtml = "#000000";
        view.WeekendColorHtml = "#FF0000";
        view.DaysColorHtml = "#A9C2ED";
        view.TodayColorHtml = "#C9DCFA";
        view.PageWidth = 790;
        view.StartDate = startDate;
        view.CalendarDate = startDate;
        module->View = &view;
        module->ShowPastAppointments = true;
        module->ShownMonth = 3;
        OpenAll();
    }
    // Every appointment of the user and of everybody, whenever it starts.
    void OpenAll() {
        const double ever = std::numeric_limits<double>::infinity();
        module->SetAppointments(
            AppointmentsBetween(module->ADOConnection, host.user, TDateTime(-ever), TDateTime(ever)));
    }
    std::vector<std::string> Entries(TDateTime day) {
        TStringList lines;
        module->AddDayEntries(day, &lines);
        std::vector<std::string> out;
        for (int i = 0; i < lines.Count(); ++i) out.push_back(lines[i]);
        return out;
    }
    using Handler = void (TTarvolinDatenModul::*)(TObject*, TTag, const AnsiString&, TStrings*, AnsiString&);
    std::string Call(Handler handler, const std::string& name, const std::string& params = "") {
        TStringList list;
        TPageProducer::ExtractTagParams(params, &list);
        AnsiString out;
        (module.get()->*handler)(nullptr, tgCustom, name, &list, out);
        return out;
    }
    std::string Cell(const std::string& name, int offset) {
        view.DateOffset = offset;
        return Call(&TTarvolinDatenModul::PageProducerTagHTMLTag, name);
    }
    std::string Week(const std::string& name, const std::string& params = "") {
        return Call(&TTarvolinDatenModul::PageProducerTarvolinWocheHTMLTag, name, params);
    }
    std::string Month(const std::string& name, const std::string& params = "") {
        return Call(&TTarvolinDatenModul::PageProducerTarvolinMonatHTMLTag, name, params);
    }
};

} // namespace caltest
