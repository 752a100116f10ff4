#pragma once
// The clipboard. Plain text passes through the platform's 8-bit code page (Windows-1252) on its way
// in and out, as the plain-text format of the system it was written for does: characters without a
// form there arrive as "?".
#include "Classes.h"
#include "WinApi.h"

constexpr UINT CF_TEXT = 1, CF_BITMAP = 2, CF_UNICODETEXT = 13, CF_HDROP = 15;

// Registered formats get numbers from 0xC000 on; the same name answers the same number.
UINT RegisterClipboardFormat(const char* lpszFormat);
// The name a registered format was given ("" for others).
AnsiString ClipboardFormatName(UINT Format);

class TClipboard : public TPersistent {
public:
    // CF_TEXT, CF_UNICODETEXT, CF_HDROP (local files) and "Rich Text Format" are known.
    bool HasFormat(UINT Format) const;
    AnsiString AsText() const;
    void SetAsText(const AnsiString& Value);
    void Clear();
    // The class library's bracket around several calls; nothing needs it here.
    void Open() {}
    void Close() {}
};

TClipboard* Clipboard();
