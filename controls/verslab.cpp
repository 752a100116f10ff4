#include "verslab.h"

#include <cmath>
#include <cstdio>

#include "VersionInfo.h"

namespace {

struct Kind {
    const char* key;
    const char* prefix;
};
constexpr Kind kinds[] = {
    {"CompanyName", "Company Name:"},         {"FileDescription", "File Description:"},
    {"FileVersion", "File Version:"},         {"InternalName", "Internal Name:"},
    {"LegalCopyright", "Legal Copyright:"},   {"OriginalFilename", "Original Filename:"},
    {"ProductName", "Product Name:"},         {"ProductVersion", "Product Version:"},
    {"Comments", "Comments:"},                {"Flags", "Flags:"},
    {"FileVersion", "v"},                     {"DateTime", "File Date/Time:"},
    {"Filesize", "File Size:"},
};

// A leading number of a version part; anything else counts as 0.
int PartValue(const AnsiString& s) {
    int v = 0;
    return SysUtils::TryStrToInt(SysUtils::Trim(s), v) ? v : 0;
}

} // namespace

namespace verslab {

AnsiString FormatFloat(const AnsiString& Pattern, double Value) {
    std::string literalBefore, literalAfter;
    int minInt = 0, decimalsMin = 0, decimalsMax = 0;
    bool thousands = false, inDecimals = false, seenDigits = false;
    for (std::size_t i = 0; i < Pattern.size(); ++i) {
        const char c = Pattern[i];
        if (c == '"' || c == '\'') {
            const std::size_t end = Pattern.find(c, i + 1);
            const std::string text = Pattern.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            (seenDigits ? literalAfter : literalBefore) += text;
            if (end == std::string::npos) break;
            i = end;
        } else if (c == '0' || c == '#') {
            seenDigits = true;
            if (inDecimals) {
                ++decimalsMax;
                if (c == '0') decimalsMin = decimalsMax;
            } else if (c == '0') {
                ++minInt;
            }
        } else if (c == ',') {
            thousands = true;
        } else if (c == '.') {
            inDecimals = true;
        } else {
            (seenDigits ? literalAfter : literalBefore) += c;
        }
    }
    const bool negative = Value < 0;
    std::string digits = SysUtils::FloatToCText(std::fabs(Value), decimalsMax, true), fraction;
    if (const auto dot = digits.find('.'); dot != std::string::npos) {
        fraction = digits.substr(dot + 1);
        digits.erase(dot);
    }
    while (static_cast<int>(fraction.size()) > decimalsMin && !fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    while (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
    if (digits == "0" && minInt == 0) digits.clear();
    while (static_cast<int>(digits.size()) < minInt) digits.insert(0, "0");
    if (thousands)
        for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
            digits.insert(static_cast<std::size_t>(i), 1, SysUtils::ThousandSeparator);
    std::string out = literalBefore + (negative ? "-" : "") + digits;
    if (!fraction.empty()) out += SysUtils::DecimalSeparator + fraction;
    return out + literalAfter;
}

} // namespace verslab

TfshVersionLabel::TfshVersionLabel(TComponent* AOwner) : TCustomLabel(AOwner) {
    dateTimeFormat_ = SysUtils::ShortDateFormat;
    SetWordWrap(false);
    SetAutoSize(true);
    SetupCaption();
}

void TfshVersionLabel::SetVersionResource(TVersionResource Value) {
    if (Value == versionResource_) return;
    versionResource_ = Value;
    key_ = kinds[Value].key;
    prefix_ = kinds[Value].prefix;
    SetupCaption();
}

void TfshVersionLabel::SetVersionResourceKey(const AnsiString& Value) {
    if (Value == key_) return;
    key_ = Value;
    prefix_ = Value;
    SetupCaption();
}

void TfshVersionLabel::SetInfoPrefix(const AnsiString& Value) {
    if (Value == prefix_) return;
    prefix_ = Value;
    SetupCaption();
}

void TfshVersionLabel::SetShowInfoPrefix(bool Value) {
    if (Value == showPrefix_) return;
    showPrefix_ = Value;
    SetupCaption();
}

void TfshVersionLabel::SetLangCharset(const AnsiString& Value) {
    if (Value == langCharset_) return;
    langCharset_ = Value;
    SetupCaption();
}

void TfshVersionLabel::SetFilename(const AnsiString& Value) {
    if (Value == filename_) return;
    filename_ = Value;
    SetupCaption();
}

void TfshVersionLabel::SetDateTimeFormat(const AnsiString& Value) {
    if (Value == dateTimeFormat_) return;
    dateTimeFormat_ = Value;
    SetupCaption();
}

void TfshVersionLabel::SetFileSizeFormat(const AnsiString& Value) {
    if (Value == fileSizeFormat_) return;
    fileSizeFormat_ = Value;
    SetupCaption();
}

void TfshVersionLabel::SetupCaption() {
    const AnsiString info = GetInfo();
    SetCaption(showPrefix_ ? prefix_ + " " + info : info);
}

AnsiString TfshVersionLabel::GetInfo() {
    const AnsiString file = filename_.empty() ? SysUtils::ParamStr(0) : filename_;
    TFileVersionInfo info;
    if (!VersionInfo::GetFileVersion(file, info)) return "< No Data Available >";

    switch (versionResource_) {
    case vrFlags: {
        static const char* const names[] = {", Debug Build", ", Pre-Release Build", ", Patched Build",
                                            ", Private Build", ", InfoInferred", ", Special Build"};
        AnsiString text;
        for (int bit = 0; bit < 6; ++bit)
            if (info.FileFlags & (1u << bit)) text += names[bit];
        if (!text.empty() && text[0] == ',') text.erase(0, 2);
        return text;
    }
    case vrDateTime:
    case vrFileSize: {
        SysUtils::TSearchRec found;
        if (SysUtils::FindFirst(file, SysUtils::faAnyFile, found) != 0) return "<Error getting file handle>";
        SysUtils::FindClose(found);
        if (versionResource_ == vrFileSize) return verslab::FormatFloat(fileSizeFormat_, static_cast<double>(found.Size));
        return SysUtils::FormatDateTime(dateTimeFormat_, found.TimeStamp);
    }
    default:
        break;
    }

    if (langCharset_ == "-1") {
        char code[16];
        std::snprintf(code, sizeof code, "%4.4x%4.4x", info.Language, info.CodePage);
        langCharset_ = code;
    }
    char expected[16];
    std::snprintf(expected, sizeof expected, "%4.4x%4.4x", info.Language, info.CodePage);
    if (!SysUtils::SameText(langCharset_, expected)) return "< Error retrieving string version info >";
    AnsiString value;
    bool found = false;
    for (const auto& [k, v] : info.Strings)
        if (SysUtils::SameText(k, key_)) {
            value = v;
            found = true;
        }
    if (!found) return "< Error retrieving string version info >";
    if (value.size() < 2) return "< No Version Info >";
    if (versionResource_ == vrShortFileVersion) {
        const std::size_t first = value.find('.');
        const AnsiString major = value.substr(0, first);
        AnsiString minor;
        if (first != std::string::npos) {
            const std::size_t second = value.find('.', first + 1);
            minor = value.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
        }
        char text[32];
        std::snprintf(text, sizeof text, "%d.%.2d", PartValue(major), PartValue(minor));
        return text;
    }
    return value;
}
