// The page producer alone over the default design's templates: every tag is answered with a short
// fixed text, so the figure is the producer's own scanning and copying.
#include <benchmark/benchmark.h>

#include <fstream>

#include "HTTPProd.h"

namespace {

std::string DesignText() {
    std::string all;
    for (const char* name : {"haupt.zbn", "monat.zbn", "tag.zbn", "woche.zbn", "xtage.zbn", "xtagetag.zbn"}) {
        std::ifstream in(std::string(ZB_VORLAGEN_DIR) + "/" + name, std::ios::binary);
        all.append(std::istreambuf_iterator<char>(in), {});
    }
    return all;
}

void BM_TemplateExpansion(benchmark::State& state) {
    const AnsiString text = DesignText();
    TPageProducer producer(nullptr);
    int tags = 0;
    producer.OnHTMLTag = [&tags](TObject*, TTag, const AnsiString&, TStrings*, AnsiString& ReplaceText) {
        ++tags;
        ReplaceText = "#A9C2ED";
    };
    std::size_t out = 0;
    for (auto _ : state) {
        const AnsiString page = producer.ContentFromString(text);
        out += page.size();
        benchmark::DoNotOptimize(page.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.counters["template_bytes"] = static_cast<double>(text.size());
    state.counters["tags"] = static_cast<double>(tags) / static_cast<double>(state.iterations());
    benchmark::DoNotOptimize(out);
}

} // namespace

BENCHMARK(BM_TemplateExpansion)->Unit(benchmark::kMicrosecond);
