#pragma once
// List boxes: rows of text, or rows their owner draws at a fixed height, with one selected row and a
// vertical scroll bar that appears when the rows do not fit.
#include <functional>
#include <memory>

#include "Controls.h"

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, const TRect& Rect, TOwnerDrawState State)>;

// WM_VSCROLL codes.
constexpr WPARAM SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3, SB_THUMBPOSITION = 4,
                 SB_THUMBTRACK = 5, SB_TOP = 6, SB_BOTTOM = 7, SB_ENDSCROLL = 8;

class TCustomListBox : public TCustomControl {
public:
    explicit TCustomListBox(TComponent* AOwner);
    ~TCustomListBox() override;

    // One row per string; owner-drawn lists may keep empty strings as rows.
    TStrings* Items() const;
    void SetItems(TStrings* Value);
    int Count() const;
    void Clear();

    // The selected row, -1 for none. Setting it selects without a selection notification (only the
    // user's changes are notified) and scrolls the row into view.
    int ItemIndex() const { return itemIndex_; }
    virtual void SetItemIndex(int Value);
    // Kept for callers; the list box selects one row either way.
    bool MultiSelect = false;

    int TopIndex() const { return topIndex_; }
    void SetTopIndex(int Value);
    int ItemHeight() const { return itemHeight_; }
    virtual void SetItemHeight(int Value);
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle Value);

    // A row's rectangle in client coordinates (outside the client area when scrolled away).
    TRect ItemRect(int Index) const;
    // The row at a client point; with Existing false a point below the rows answers Count.
    int ItemAtPos(const TPoint& Pos, bool Existing) const;
    // Without the scroll bar when it shows.
    TRect ClientRect() const override;
    // The scroll bar shows (the rows do not fit).
    bool ScrollBarVisible() const;

    TDrawItemEvent OnDrawItem;

protected:
    // Draws a row; the default raises OnDrawItem for owner-drawn lists, else draws the string.
    virtual void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State);
    // The user changed the selection (keys, mouse): the platform's notification. Raises Click.
    virtual void SelectionChanged();
    // Left button pressed on the list: the default selects the row under the mouse, takes the focus
    // and then runs the control's button handling (OnMouseDown).
    virtual void LButtonDown(TMessage& Message);
    // A list box selects the pressed row first and starts an automatic drag only once the mouse moves.
    bool BeginAutoDrag() override { return false; }
    // The default keys: arrows, page keys, Home and End move the selection.
    virtual void DefaultKeyDown(Word Key);
    void Paint() override;
    void WndProc(TMessage& Message) override;
    bool DoKeyDown(TMessage& Message) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    // Selects Row as the user would: scrolled into view, notified when it changed.
    void SelectByUser(int Row);
    void UpdateScrollBar();
    void UpdateWindowBounds() override;

private:
    void ItemsChanged();
    int VisibleRows() const;
    std::unique_ptr<TStringList> items_;
    int itemIndex_ = -1;
    int topIndex_ = 0;
    int itemHeight_ = 16;
    TListBoxStyle style_ = lbStandard;
    void* scrollBar_ = nullptr;   // QScrollBar on the list's window
    bool scrolling_ = false;
};

class TListBox : public TCustomListBox {
public:
    explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};
