// The mini-HTML renderer on the alarm popup's text: measuring it and hit-testing its anchors, on an
// offscreen bitmap with the popup label's size.
#include <benchmark/benchmark.h>

#include "HTMLDrawEx.h"

namespace {

const AnsiString kAlarmText =
    "<FONT  size=\"8\"  face=\"Arial\"><P align=\"left\"><SHAD>Termin:</SHAD><br><P align=\"center\">\r\n"
    "<A href=\"verschieben\">...später...</A> - <A href=\"memo\">...Memo...</A><br></P><P align=\"center\"><B>\r\n"
    "Zahnarzt Dr. Müller, Kontrolle\r\n"
    "</FONT></P>\r\n";

const TRect kLabel(0, 0, 235, 100);

struct Canvas {
    Canvas() {
        bitmap.SetSize(kLabel.Right, kLabel.Bottom);
        bitmap.Canvas()->Font()->SetName("Arial");
        bitmap.Canvas()->Font()->SetSize(8);
    }
    TBitmap bitmap;
};

void BM_AlarmTextMeasure(benchmark::State& state) {
    Canvas c;
    THTMLDrawParams params;
    params.CheckHeight = true;
    for (auto _ : state) {
        THTMLDrawResult result;
        HTMLDrawEx(c.bitmap.Canvas(), kAlarmText, kLabel, params, result);
        benchmark::DoNotOptimize(result.YSize);
    }
}

void BM_AlarmTextHitTest(benchmark::State& state) {
    Canvas c;
    // Find the first row with an anchor on it, then hit-test points along that row as a mouse moving
    // across the label would: where the anchors lie depends on the fonts the machine has.
    int row = -1;
    for (int y = 0; y < kLabel.Bottom && row < 0; y += 4)
        for (int x = 0; x < kLabel.Right && row < 0; x += 6)
            if (HTMLHitTest(c.bitmap.Canvas(), kAlarmText, kLabel, x, y).OnAnchor) row = y;
    if (row < 0) {
        state.SkipWithError("no point of the label lies on an anchor");
        return;
    }
    int hits = 0;
    for (auto _ : state) {
        for (int x = 2; x < kLabel.Right - 29; x += 29) {
            const THTMLDrawResult r = HTMLHitTest(c.bitmap.Canvas(), kAlarmText, kLabel, x, row);
            hits += r.OnAnchor;
        }
    }
    if (hits == 0) state.SkipWithError("no point fell on an anchor");
    state.counters["tests_per_iter"] = 8;
}

} // namespace

BENCHMARK(BM_AlarmTextMeasure)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlarmTextHitTest)->Unit(benchmark::kMicrosecond);
