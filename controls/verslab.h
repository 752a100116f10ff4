#pragma once
// A label showing one item of a file's version data (the program's own file by default), optionally
// after a prefix such as "Version:".
#include "StdCtrls.h"

enum TVersionResource {
    vrCompanyName, vrFileDescription, vrFileVersion, vrInternalName, vrLegalCopyright, vrOriginalFilename,
    vrProductName, vrProductVersion, vrComments, vrFlags, vrShortFileVersion, vrDateTime, vrFileSize
};

class TfshVersionLabel : public TCustomLabel {
public:
    explicit TfshVersionLabel(TComponent* AOwner);

    TVersionResource VersionResource() const { return versionResource_; }
    // Also takes the key and the prefix of the kind.
    void SetVersionResource(TVersionResource Value);
    const AnsiString& VersionResourceKey() const { return key_; }
    // Also makes the key the prefix.
    void SetVersionResourceKey(const AnsiString& Value);
    const AnsiString& InfoPrefix() const { return prefix_; }
    void SetInfoPrefix(const AnsiString& Value);
    bool ShowInfoPrefix() const { return showPrefix_; }
    void SetShowInfoPrefix(bool Value);
    // "-1" takes the file's first translation.
    const AnsiString& LangCharset() const { return langCharset_; }
    void SetLangCharset(const AnsiString& Value);
    // Empty: the program's own file.
    const AnsiString& Filename() const { return filename_; }
    void SetFilename(const AnsiString& Value);
    const AnsiString& DateTimeFormat() const { return dateTimeFormat_; }
    void SetDateTimeFormat(const AnsiString& Value);
    const AnsiString& FileSizeFormat() const { return fileSizeFormat_; }
    void SetFileSizeFormat(const AnsiString& Value);

    // The caption's text without the prefix.
    AnsiString GetInfo();

private:
    void SetupCaption();

    TVersionResource versionResource_ = vrFileVersion;
    AnsiString key_ = "FileVersion";
    AnsiString prefix_ = "File Version:";
    bool showPrefix_ = true;
    AnsiString langCharset_ = "-1";
    AnsiString filename_;
    AnsiString dateTimeFormat_;
    AnsiString fileSizeFormat_ = "#,#0\" Bytes\"";
};

namespace verslab {
// A number written by a pattern of the class library's float formatting: "0" and "#" digit places,
// "," anywhere for thousands separators, "." for the decimals, quoted text kept as it stands.
AnsiString FormatFloat(const AnsiString& Pattern, double Value);
} // namespace verslab
