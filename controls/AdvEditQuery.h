#pragma once
// A modal one-line input box around a typed edit.
#include "AdvEdit.h"

struct TQueryParams {
    short Precision = 0;
    bool Flat = false;
    short LengthLimit = 0;
    AnsiString Prefix;
    AnsiString Suffix;
};

// A modal one-line input box; true on OK, with Value the edit's value.
bool AdvInputQuery(TAdvEditType EditType, const TQueryParams* Params, const AnsiString& Caption,
                   const AnsiString& Prompt, AnsiString& Value);
