#pragma once
// The to-do list's column header: sections drawn with the list's look, sort mark, images, dragging
// sections to reorder columns and editing a caption in place.
#include <functional>

#include "Headers.h"
#include "ImgList.h"
#include "TodoList.h"

class TPlainMemo;

enum THeaderVAlignment { vtaCenter, vtaTop, vtaBottom };
enum TImagePosition { ipLeft, ipRight };
enum THeaderOrientation { hoHorizontal, hoVertical };

using THeaderClickEvent = std::function<void(TObject* Sender, int SectionIndex)>;
using THeaderDragDropEvent = std::function<void(TObject* Sender, int FromSection, int ToSection)>;
// A left press on Section (-1 for none); Inside when it lies more than four pixels within the
// section's edges, where a click sorts.
using THeaderPressEvent = std::function<void(TObject* Sender, int Section, bool Inside)>;

class TTodoHeader : public THeader {
public:
    explicit TTodoHeader(TComponent* AOwner);
    ~TTodoHeader() override;

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    THeaderVAlignment VAlignment() const { return vAlignment_; }
    void SetVAlignment(THeaderVAlignment Value);
    TColor LineColor() const { return lineColor_; }
    void SetLineColor(TColor Value);
    bool Flat() const { return flat_; }
    void SetFlat(bool Value);
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* Value);
    TImagePosition ImagePosition() const { return imagePosition_; }
    void SetImagePosition(TImagePosition Value);
    THeaderOrientation Orientation() const { return orientation_; }
    void SetOrientation(THeaderOrientation Value);
    bool SectionDragDrop() const { return sectionDragDrop_; }
    void SetSectionDragDrop(bool Value);
    int SortedSection() const { return sortedSection_; }
    void SetSortedSection(int Value);
    TSortDirection SortDirection() const { return sortDirection_; }
    void SetSortDirection(TSortDirection Value);
    bool SortShow() const { return sortShow_; }
    void SetSortShow(bool Value);
    bool SectionEdit() const { return sectionEdit_; }
    void SetSectionEdit(bool Value);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int Value);
    int TextHeight() const { return textHeight_; }
    void SetTextHeight(int Value);
    bool Dragging() const { return dragging_; }

    // The section under a client point: the last one entered, -1 at or before the first's start.
    int XYToSection(int X, int Y) const;
    // The section's rectangle as painting lays it out.
    TRect SectionRect(int Index) const;

    // These replace the control's click: they carry the section.
    THeaderClickEvent OnClick;
    THeaderClickEvent OnRightClick;
    THeaderDragDropEvent OnDragDrop;
    // Raised on every left press, after the header's own handling and before OnClick.
    THeaderPressEvent OnPress;
    TNotifyEvent OnSectionEditStart;
    TNotifyEvent OnSectionEditEnd;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void DrawSortMark(TCanvas* C, int X, int Y);
    void EndSectionEdit();
    TAlignment alignment_ = taLeftJustify;
    THeaderVAlignment vAlignment_ = vtaCenter;
    TColor lineColor_ = clBlack;
    bool flat_ = false;
    TComponentRef<TCustomImageList> images_{this};
    TImagePosition imagePosition_ = ipLeft;
    THeaderOrientation orientation_ = hoHorizontal;
    bool sectionDragDrop_ = false;
    bool dragging_ = false;
    int dragSection_ = -1;
    int sortedSection_ = 0;
    TSortDirection sortDirection_ = sdAscending;
    bool sortShow_ = false;
    bool sectionEdit_ = false;
    TPlainMemo* captionEditor_ = nullptr;
    int editSection_ = -1;
    int editSectionWidth_ = 0;
    int itemHeight_ = 16;
    int textHeight_ = 16;
};
