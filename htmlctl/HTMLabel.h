#pragma once
// The HTML label and the text routines of its unit (plain text, highlighting).
#include "System.h"

// Every "<BR>" and "<HR>" becomes a line break, then every tag goes. A "<" that nothing closes is
// kept with the rest of the text.
AnsiString HTMLStrip(const AnsiString& Html);
// Every tag goes, nothing replaces it.
AnsiString StripTags(const AnsiString& Html);
// The 1-based index in Html of the visible character TextPos (1-based); the position just past the
// last visible character gives the length of Html + 1; any other position gives 0.
int TextPosToHTMLPos(const AnsiString& Html, int TextPos);
// Searches Text after its first Start characters; the result is Start + the 1-based match position,
// 0 when absent. Position receives the result as well.
int FindTextPos(const AnsiString& Pattern, const AnsiString& Text, int Start, int& Position,
                bool CaseSensitive);
// Wraps each match of Pattern in the visible text (left to right, not overlapping) in <Tag>..</Tag>.
void HiLight(const AnsiString& Html, const AnsiString& Pattern, const AnsiString& Tag, AnsiString& Result,
             bool CaseSensitive);
// Removes every <Tag> and </Tag>, ignoring case.
void UnHiLight(const AnsiString& Html, const AnsiString& Tag, AnsiString& Result);
