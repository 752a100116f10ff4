// Template expansion in one pass over the text: find "<#", copy what lies before, replace the tag.
#include "HTTPProd.h"

#include <sys/stat.h>

#include "TextEncoding.h"

using namespace SysUtils;

namespace {

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

} // namespace

TPageProducer::TPageProducer(TComponent* AOwner) : TComponent(AOwner), htmlDoc_(std::make_unique<TStringList>()) {}

TPageProducer::~TPageProducer() = default;

TTag TPageProducer::TagKind(const AnsiString& TagString) {
    static const struct { const char* name; TTag tag; } kinds[] = {
        {"LINK", tgLink}, {"IMAGE", tgImage}, {"TABLE", tgTable},
        {"IMAGEMAP", tgImageMap}, {"OBJECT", tgObject}, {"EMBED", tgEmbed}};
    // Without allocating: this runs once per tag.
    for (const auto& k : kinds) {
        const std::size_t n = std::char_traits<char>::length(k.name);
        if (TagString.size() != n) continue;
        std::size_t i = 0;
        while (i < n && (TagString[i] & ~0x20) == k.name[i]) ++i;
        if (i == n) return k.tag;
    }
    return tgCustom;
}

void TPageProducer::ExtractTagParams(std::string_view ParamText, TStrings* Params) {
    Params->Clear();
    std::size_t i = 0;
    const std::size_t n = ParamText.size();
    std::string entry;
    while (i < n) {
        while (i < n && IsBlank(ParamText[i])) ++i;
        if (i >= n) break;
        entry.clear();
        while (i < n && !IsBlank(ParamText[i])) {
            if (ParamText[i] == '"') {
                const std::size_t close = ParamText.find('"', i + 1);
                const std::size_t end = close == std::string_view::npos ? n : close;
                entry.append(ParamText.substr(i + 1, end - i - 1));
                i = close == std::string_view::npos ? n : close + 1;
            } else {
                entry += ParamText[i++];
            }
        }
        Params->Add(entry);
    }
}

void TPageProducer::DoTagEvent(TTag Tag, const AnsiString& TagString, TStrings* TagParams, AnsiString& ReplaceText) {
    if (OnHTMLTag) OnHTMLTag(this, Tag, TagString, TagParams, ReplaceText);
}

AnsiString TPageProducer::ContentFromString(const AnsiString& Template) {
    const std::string_view text(Template);
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    TStringList params;
    std::string tagName, replace;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t start = text.find("<#", pos);
        if (start == std::string_view::npos) break;
        std::size_t nameEnd = start + 2;
        while (nameEnd < text.size() && IsNameChar(text[nameEnd])) ++nameEnd;
        const std::size_t close = text.find('>', nameEnd);
        if (close == std::string_view::npos) break;   // no tag can end any more: the rest is text
        out.append(text.substr(pos, start - pos));
        tagName.assign(text.substr(start + 2, nameEnd - start - 2));
        ExtractTagParams(text.substr(nameEnd, close - nameEnd), &params);
        replace.clear();
        DoTagEvent(TagKind(tagName), tagName, &params, replace);
        out += replace;
        pos = close + 1;
    }
    out.append(text.substr(pos));
    return out;
}

AnsiString TPageProducer::ContentFromStream(TStream* Stream) {
    return ContentFromString(TextEncoding::DecodeText(Stream->ReadAll()));
}

namespace {
template <typename Stamp>
Stamp StampOf(const AnsiString& Path, const struct stat& St) {
    return Stamp{Path, static_cast<unsigned long long>(St.st_dev), static_cast<unsigned long long>(St.st_ino),
                 static_cast<long long>(St.st_size),
                 static_cast<long long>(St.st_mtim.tv_sec) * 1000000000LL + St.st_mtim.tv_nsec,
                 static_cast<long long>(St.st_ctim.tv_sec) * 1000000000LL + St.st_ctim.tv_nsec};
}
} // namespace

AnsiString TPageProducer::Content() {
    if (htmlFile_.empty()) return ContentFromString(htmlDoc_->Text());
    const AnsiString path = ResolvePath(htmlFile_);
    // Held here, so a handler that expands this producer again cannot pull the text away.
    std::shared_ptr<const AnsiString> text = fileText_;
    struct stat st {};
    if (text && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && StampOf<FileStamp>(path, st) == stamp_)
        return ContentFromString(*text);

    // Read anew: only a regular file of template size, inside its folder.
    stamp_ = FileStamp();
    const auto fail = [this](const AnsiString& why) { return EFOpenError("Cannot open file \"" + htmlFile_ + "\"" + why); };
    if (!htmlFolder_.empty() && ResolveInsideFolder(htmlFolder_, htmlFile_).empty())
        throw fail(": it lies outside its folder " + htmlFolder_);
    std::unique_ptr<TRegularFile> file;
    try {
        file = TRegularFile::Open(path, MaxHTMLFileBytes);
    } catch (const EFileRefused& e) {
        throw fail(e.Reason == EFileRefused::frNotRegular ? ": not a regular file" : ": too large");
    }
    if (!file) throw fail("");
    const FileStamp now = StampOf<FileStamp>(path, file->Status());
    std::string bytes;
    try {
        bytes = file->ReadAll();
    } catch (const EInOutError&) {
        throw fail("");
    }
    text = std::make_shared<const AnsiString>(TextEncoding::DecodeText(bytes));
    // Remembered only when the file did not change while it was read.
    fileText_ = text;
    if (static_cast<long long>(bytes.size()) == now.size) stamp_ = now;
    return ContentFromString(*text);
}
