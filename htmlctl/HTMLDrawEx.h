#pragma once
// The mini-HTML renderer: lays markup out line by line in a rectangle of a canvas and draws it, or
// only measures it, or hit-tests a point against its anchors. Every text control draws through it.
#include "Graphics.h"
#include "HTMLMarkup.h"
#include "ImgList.h"
#include "PictureContainer.h"

struct THTMLDrawParams {
    TCustomImageList* Images = nullptr;   // source of "IDX:" images
    int X = -1, Y = -1;                   // point to hit-test, canvas coordinates
    int FocusLink = -1;                   // 0-based number of the anchor with a focus rectangle
    int HoverLink = -1;                   // 1-based number of the hovered anchor
    int ShadowOffset = 2;
    bool CheckOnly = false;               // lay out and hit-test, draw nothing
    bool CheckHeight = false;             // only the measuring pass: sizes and plain text
    bool Print = false;                   // image-list images stretched by ResFactor
    bool Selected = false;                // keep the current colours
    bool Blink = true;                    // BLINK text visible in this phase
    bool HoverStyle = false;              // only the hovered anchor is marked
    bool WordWrap = true;                 // else one line per paragraph, cut with "..."
    double ResFactor = 1.0;
    TColor URLColor = clBlue;
    TColor HoverColor = clNone;
    TColor HoverFontColor = clNone;
    TColor ShadowColor = clGray;
    THTMLPictureCache* PictureCache = nullptr;
    TPictureContainer* PictureContainer = nullptr;
    THTMLVariant Variant = THTMLVariant::Full;
};

struct THTMLDrawResult {
    bool OnAnchor = false;    // the point lies on an anchor (text or image)
    AnsiString AnchorVal;     // HREF of the anchor under the point
    AnsiString StripVal;      // the text without tags, "\r" for each line break tag
    AnsiString FocusAnchor;   // HREF of the focus anchor
    int XSize = 0;            // widest line
    int YSize = 0;            // sum of the line heights, at least one text line
    int HyperLinks = 0;       // number of anchors
    int MouseLink = -1;       // 1-based number of the anchor under the point
    TRect HoverRect;          // rectangle of the anchor under the point
};

// Draws (or measures, or hit-tests) Text in R on Canvas. The canvas font is the text's base font;
// the canvas's font and brush are as they were afterwards. Returns Result.OnAnchor.
bool HTMLDrawEx(TCanvas* Canvas, const AnsiString& Text, const TRect& R, const THTMLDrawParams& Params,
                THTMLDrawResult& Result);

// Lays out and hit-tests without drawing: the entry for callers that only want sizes and anchors.
THTMLDrawResult HTMLHitTest(TCanvas* Canvas, const AnsiString& Text, const TRect& R, int X, int Y,
                            bool WordWrap = true);

// The status bar's entry: its markup, fixed shadow and hover settings, no hover or focus anchor.
bool HTMLDraw(TCanvas* Canvas, const AnsiString& Text, const TRect& R, TCustomImageList* Images, int X, int Y,
              bool CheckOnly, bool Blink, double ResFactor, TColor URLColor, THTMLDrawResult& Result);
