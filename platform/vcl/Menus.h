#pragma once
// Popup menus and their items, drawn by the platform or by the items' owner-draw events.
#include <memory>
#include <vector>

#include "Controls.h"
#include "ImgList.h"


using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, TOwnerDrawState State)>;

enum TPopupAlignment { paLeft, paRight, paCenter };

class TMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    // The item's own items go with it.
    ~TMenuItem() override;

    // "-" makes the item a separator line; "&x" marks x as the item's key.
    const AnsiString& Caption() const { return caption_; }
    void SetCaption(const AnsiString& Value) { caption_ = Value; }
    bool IsLine() const { return caption_ == "-"; }
    bool Checked = false;
    bool Enabled = true;
    bool Visible = true;
    bool Default = false;
    bool RadioItem = false;
    Byte GroupIndex = 0;
    int ImageIndex = -1;
    AnsiString Hint;
    // The item's own picture, shown beside its caption when the menu's images give it none; drawn
    // without its bottom-left pixel's colour.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* Value);
    bool HasBitmap() const { return bitmap_ && !bitmap_->Empty(); }

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
    TMenuItem* Parent() const { return parent_; }
    int MenuIndex() const;
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    // Deletes the item at Index (and frees it).
    void Delete(int Index);
    // Takes the item out without freeing it.
    void Remove(TMenuItem* Item);
    void Clear();
    int IndexOf(const TMenuItem* Item) const;
    // The item whose caption, without "&", is ACaption (ignoring case), or nullptr.
    TMenuItem* Find(const AnsiString& ACaption) const;
    TMenu* GetParentMenu() const;

    virtual void Click();
    TNotifyEvent OnClick;
    TMenuMeasureItemEvent OnMeasureItem;
    TMenuDrawItemEvent OnDrawItem;
    TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

private:
    friend class TMenu;
    AnsiString caption_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;
    std::vector<TMenuItem*> items_;
    std::unique_ptr<TBitmap> bitmap_;
};

class TMenu : public TComponent {
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    TMenuItem* Items() const { return items_; }
    // Items are drawn by their OnDrawItem/OnAdvancedDrawItem (or plainly) and measured by OnMeasureItem.
    bool OwnerDraw = false;
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* Value) { images_ = Value; }
private:
    TMenuItem* items_;
    TComponentRef<TCustomImageList> images_{this};
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent* AOwner);
    // Opens the menu with its corner at the screen point and returns when it closes; the chosen item's
    // Click runs after that.
    virtual void Popup(int X, int Y);
    TPopupAlignment Alignment = paLeft;
    bool AutoPopup = true;
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* Value) { popupComponent_ = Value; }
    TNotifyEvent OnPopup;
    TNotifyEvent OnClose;
private:
    TComponent* popupComponent_ = nullptr;
};

namespace Menus {
// The caption without its "&" marks ("&&" stays one "&").
AnsiString StripHotkey(const AnsiString& Text);
// The measure an item gets before OnMeasureItem: its caption's width plus the check and submenu
// columns, and the menu's row height (a separator is a thin row).
void DefaultItemSize(TMenuItem* Item, TCanvas* Canvas, int& Width, int& Height);
} // namespace Menus
