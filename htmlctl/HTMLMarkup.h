#pragma once
// The mini-HTML markup as a list of runs and tags, and the small text and colour routines that the
// renderer and the controls share. Nothing here draws: the renderer consumes the token list.
#include <string>
#include <vector>

#include "Colors.h"
#include "System.h"

// The status bar keeps an older, stricter reading of the same markup.
enum class THTMLVariant { Full, StatusBar };

enum class THTMLTagKind {
    Unknown, A, B, BR, Blink, Body, E, Font, HI, HR, I, Ind, Img, LI, P, R, S, Shad, Sub, Sup, U, UL, Z
};

struct THTMLToken {
    enum TKind { tkRun, tkTag } Kind = tkRun;
    // Run: the text with its entities decoded. Tag: the tag as written, "<" to ">".
    AnsiString Text;
    // Tags only.
    bool Closing = false;
    THTMLTagKind Tag = THTMLTagKind::Unknown;
    AnsiString Upper;   // the tag text upper-cased (ASCII), same byte positions as Text

    bool EndsWithSpace() const { return Kind == tkRun && !Text.empty() && Text.back() == ' '; }
    // The value of an attribute: the text between the first pair of double quotes after Name, which
    // is searched for in the upper-cased tag from byte From on. Empty when absent or unquoted.
    // The value keeps the tag's own case unless Upper is asked for.
    AnsiString Attr(const char* Name, bool UpperValue = false, std::size_t From = 1) const;
    bool HasAttr(const char* Name, std::size_t From = 1) const;
};

// Turns markup into runs and tags. Runs end before each tag; with WordWrap each run also ends after
// its first space, so lines can break there. A "<" with nothing closing it, or fewer than three
// characters left, ends the markup. Line ends become BR tags (the status bar drops them), and a
// left-over template tag "<#name>" shows as "#name".
std::vector<THTMLToken> HTMLTokenize(const AnsiString& Markup, bool WordWrap,
                                     THTMLVariant Variant = THTMLVariant::Full);

// Entities decoded once, left to right; an "&" that starts no known entity stays as it is.
AnsiString HTMLDecodeEntities(const AnsiString& Text, THTMLVariant Variant = THTMLVariant::Full);

// ---- small routines of the renderer --------------------------------------------------------------
// Colour names as the markup knows them ("clred", "clbtnface"); unknown names give black.
TColor Text2Color(const AnsiString& Name);
// "#RRGGBB" with red in the low byte of the result.
TColor Hex2Color(const AnsiString& Text);
// Two hexadecimal digits (upper case) as 0..255; shorter text gives 0.
int HexVal(const AnsiString& Text);
// A colour attribute value: "#..." as hexadecimal, anything else as a name.
TColor HTMLAttrColor(const AnsiString& Value);
// 1-based position of Part in Text ignoring ASCII case; 0 when absent.
int IPos(const AnsiString& Part, const AnsiString& Text);
// Numbers in markup come from other programs: each is held to what it can sensibly mean, so that no
// size, offset or angle can overflow the layout's arithmetic.
constexpr int MaxMarkupNumber = 1000000000;   // where IStrToInt stops counting
constexpr int MaxMarkupLength = 10000;        // pixels: picture boxes, indents
constexpr int MaxMarkupFontSize = 1000;       // points
constexpr int MaxMarkupListLevel = 100;       // nested lists
inline int MarkupLength(int Value) { return Value < 0 ? 0 : (Value > MaxMarkupLength ? MaxMarkupLength : Value); }
// The leading digits as a number, at most MaxMarkupNumber; 0 when there are none.
int IStrToInt(const AnsiString& Text);
// The first "<#" loses its "<" and the first ">" after it goes.
AnsiString UnwrapHashTag(const AnsiString& Text);
// With Breaks, every carriage return becomes "<BR>"; line feeds are dropped either way, and so are
// carriage returns without Breaks.
AnsiString CRLFToBR(const AnsiString& Text, bool Breaks);
// Position of Part in Text ignoring case, also given back through Position; 0 when absent.
int VarPos(const AnsiString& Part, const AnsiString& Text, int& Position);
// Replaces the first Pattern (ignoring case) in Text; true when one was found.
bool TagReplaceString(const AnsiString& Pattern, const AnsiString& Replacement, AnsiString& Text);
// The font size a FONT SIZE value stands for: 1..5 are the classic steps, anything else is points,
// up to MaxMarkupFontSize.
int HTMLFontSize(int Value, THTMLVariant Variant = THTMLVariant::Full);

// ---- text from outside ---------------------------------------------------------------------------
// Plain text made markup that shows exactly that text: "&", "<" and ">" become entities.
AnsiString HTMLEscape(const AnsiString& Text);
// The text HTMLEscape was given back.
AnsiString HTMLUnescape(const AnsiString& Markup);
// An anchor that leaves the program: it holds "://" or "mailto:".
bool IsShellAnchor(const AnsiString& Anchor);
// Whether such an anchor may go to the desktop's opener. Markup is written by other programs and
// other users, so only web and mail addresses go there; a file, a script or any other scheme would
// run or open something on this desktop. A mail address that asks for an attachment is refused too.
bool MayOpenInShell(const AnsiString& Anchor);
