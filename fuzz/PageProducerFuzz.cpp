// The page producer's tag scanner: any template expands without harm; the text between the tags
// and every tag's name and parameters are exactly what the template holds; and a handler may
// expand templates itself, with the same producer or another one, while a page is being expanded.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "HTTPProd.h"
#include "TextEncoding.h"

namespace {

struct Tag {
    std::string name;
    std::vector<std::string> params;
};

std::vector<std::string> Lines(TStrings* s) {
    std::vector<std::string> out;
    for (int i = 0; i < s->Count(); ++i) out.push_back((*s)[i]);
    return out;
}

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::string Show(const std::string& s) { return "\"" + s + "\""; }

// Every tag becomes a marker byte the template does not hold; the output then splits into the text
// between the tags, which must lie in the template in order, each followed by its tag.
void CheckScan(TPageProducer& producer, const std::string& text) {
    const char marker = '\x02';
    if (text.find(marker) != std::string::npos) return;
    std::vector<Tag> tags;
    producer.OnHTMLTag = [&](TObject*, TTag kind, const AnsiString& name, TStrings* params, AnsiString& replace) {
        FUZZ_CHECK(replace.empty());
        FUZZ_CHECK(kind == TPageProducer::TagKind(name));
        for (char c : name) FUZZ_CHECK(IsNameChar(c), "tag name " + Show(name));
        for (const auto& p : Lines(params))
            FUZZ_CHECK(p.find('"') == std::string::npos && p.find('>') == std::string::npos, "parameter " + Show(p));
        tags.push_back({name, Lines(params)});
        replace = std::string(1, marker);
    };
    const std::string out = producer.ContentFromString(text);

    std::size_t in = 0, from = 0;
    for (std::size_t k = 0;; ++k) {
        const std::size_t at = out.find(marker, from);
        const std::string segment = out.substr(from, at == std::string::npos ? std::string::npos : at - from);
        FUZZ_CHECK(text.compare(in, segment.size(), segment) == 0,
                   "text before tag " + std::to_string(k) + " is not the template's: " + Show(segment));
        in += segment.size();
        if (at == std::string::npos) {
            FUZZ_CHECK(k == tags.size(), std::to_string(tags.size()) + " tags, " + std::to_string(k) + " markers");
            FUZZ_CHECK(in == text.size(), "the output ends before the template does");
            break;
        }
        FUZZ_CHECK(k < tags.size(), "more markers than tags");
        const Tag& tag = tags[k];
        FUZZ_CHECK(text.compare(in, 2 + tag.name.size(), "<#" + tag.name) == 0,
                   "tag " + std::to_string(k) + " " + Show(tag.name) + " is not where the template has it");
        const std::size_t nameEnd = in + 2 + tag.name.size();
        FUZZ_CHECK(nameEnd >= text.size() || !IsNameChar(text[nameEnd]), "tag name cut short: " + Show(tag.name));
        const std::size_t close = text.find('>', nameEnd);
        FUZZ_CHECK(close != std::string::npos, "a tag without \">\"");
        TStringList expected;
        TPageProducer::ExtractTagParams(std::string_view(text).substr(nameEnd, close - nameEnd), &expected);
        FUZZ_CHECK(Lines(&expected) == tag.params, "parameters of tag " + Show(tag.name));
        in = close + 1;
        from = at + 1;
    }

    // A handler that leaves the replacement empty removes the tags and nothing else.
    producer.OnHTMLTag = nullptr;
    std::string plain = out;
    std::erase(plain, marker);
    FUZZ_CHECK(producer.ContentFromString(text) == plain, "without a handler the text between tags differs");
}

// A handler that expands the template again, once through a producer of its own and once through
// the same producer in the middle of its own expansion, a few levels deep, the way the page builder
// expands day templates.
struct Nesting {
    const std::string& text;
    int depth = 0;
    int expansions = 0;
    void Attach(TPageProducer& producer) {
        producer.OnHTMLTag = [this, &producer](TObject* sender, TTag, const AnsiString& name, TStrings* params,
                                               AnsiString& replace) {
            FUZZ_CHECK(sender == &producer);
            if (depth < 2 && expansions < 12 && !name.empty() && (name[0] == 'X' || name[0] == 'x')) {
                ++expansions;
                ++depth;
                TPageProducer inner(nullptr);
                Attach(inner);
                replace = "[" + inner.ContentFromString(text) + "]";
                replace += producer.ContentFromString(text);
                --depth;
            } else {
                replace = name + ":" + std::to_string(params->Count());
            }
        };
    }
    std::string Expand(TPageProducer& producer) {
        Attach(producer);
        return producer.ContentFromString(text);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = TextEncoding::DecodeText(bytes);
    TPageProducer producer(nullptr);

    CheckScan(producer, text);

    Nesting first{text};
    const std::string nested = first.Expand(producer);
    Nesting second{text};
    TPageProducer other(nullptr);
    FUZZ_CHECK(second.Expand(other) == nested, "nested expansion depends on the producer");

    // The stream, the template file and the document lines read the same bytes the same way.
    producer.OnHTMLTag = [](TObject*, TTag, const AnsiString& name, TStrings*, AnsiString& replace) {
        replace = "(" + name + ")";
    };
    TStringStream stream(bytes);
    const std::string fromStream = producer.ContentFromStream(&stream);
    FUZZ_CHECK(fromStream == producer.ContentFromString(text));
    const std::string file = fuzz::ScratchDir() + "/template.zbn";
    fuzz::ReplaceFile(file, bytes);
    producer.SetHTMLFile(file);
    FUZZ_CHECK(producer.Content() == fromStream, "the template file reads differently from the stream");
    return 0;
}
