#pragma once
// Combo boxes: a selection field with a button that drops a list of the items below it. The field is
// drawn by the library; the dropped list is a list box shown on the form above the other controls.
#include <memory>

#include "ListBoxes.h"

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// Combo box messages and the notifications it sends itself as CN_COMMAND (code in the high word).
constexpr UINT CB_GETCOUNT = 0x0146, CB_GETCURSEL = 0x0147, CB_SETCURSEL = 0x014E,
               CB_SHOWDROPDOWN = 0x014F, CB_GETDROPPEDSTATE = 0x0157, CB_GETDROPPEDWIDTH = 0x015F,
               CB_SETDROPPEDWIDTH = 0x0160;
constexpr Word CBN_SELCHANGE = 1, CBN_DBLCLK = 2, CBN_SETFOCUS = 3, CBN_KILLFOCUS = 4, CBN_EDITCHANGE = 5,
               CBN_EDITUPDATE = 6, CBN_DROPDOWN = 7, CBN_CLOSEUP = 8, CBN_SELENDOK = 9, CBN_SELENDCANCEL = 10;

class TCustomComboBox : public TCustomControl {
public:
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;

    TStrings* Items() const;
    void SetItems(TStrings* Value);
    void Clear();

    // The selected item, -1 for none. The program's changes set Text without a change notification.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int Value);

    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle Value);
    // A drop-down list or owner-drawn style: the field shows the selected item and cannot be typed in.
    bool IsListStyle() const { return style_ != csDropDown && style_ != csSimple; }

    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int Value);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int Value);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int Value) { maxLength_ = Value < 0 ? 0 : Value; }

    bool DroppedDown() const { return dropped_; }
    void SetDroppedDown(bool Value);
    // The dropped list (valid while the combo lives; hidden while closed).
    TCustomListBox* DropList() const { return list_; }

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    // Owner-drawn styles: rows of the list and the field (odComboBoxEdit) are drawn by this.
    TDrawItemEvent OnDrawItem;

protected:
    void WndProc(TMessage& Message) override;
    bool DoKeyDown(TMessage& Message) override;
    bool DoKeyPress(TMessage& Message) override;
    void Paint() override;
    void DoExit() override;
    void EnabledChanged() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The whole field the standard way: sunken frame, button, text.
    void PaintStandard();
    // The text (or the owner-drawn selected item) inside Rect.
    virtual void PaintField(const TRect& Rect);
    // The right part with the arrow; ButtonRect's default is as wide as a scroll bar inside the frame.
    virtual TRect ButtonRect() const;
    // CBN_DROPDOWN / CBN_CLOSEUP arrive here before the events are raised.
    virtual void DropDown();
    virtual void CloseUp();
    virtual void Change();
    virtual void Select();
    // The user picked Index (list, keys): selection, notifications and closing.
    void SelectByUser(int Index);
    void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State);

private:
    friend class TComboDropList;
    void ItemsChanged();
    void PlaceList();
    void Notify(Word Code);
    std::unique_ptr<TStringList> items_;
    TComponentRef<TCustomListBox> list_{this};   // owned by the combo, parented to the form while dropped
    int itemIndex_ = -1;
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
    int itemHeight_ = 16;
    int droppedWidth_ = 0;
    int maxLength_ = 0;
    bool dropped_ = false;
    bool settingText_ = false;
};

class TComboBox : public TCustomComboBox {
public:
    explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};
