#pragma once
// A row of tabs over a page area: the tabs are Qt's tab bar, the page area is the control's own
// client area where other controls sit. A click on a tab arrives as WM_LBUTTONDOWN at the tab's
// position, so tests select tabs the way a person does.
#include <functional>
#include <memory>
#include <vector>

#include "Controls.h"

class QTabBar;
class TTabControl;
class TPageControl;
struct TTabControlPrivate;

// Tab names; inserting and deleting keep the control's selected tab in step.
class TTabStrings : public TStringList {
public:
    explicit TTabStrings(TTabControl* Owner) : owner_(Owner) {}
    void Insert(int Index, const AnsiString& S) override;
    int Add(const AnsiString& S) override;
    void Delete(int Index) override;
    void Clear() override;
    void Put(int Index, const AnsiString& S) override;
private:
    TTabControl* owner_;
};

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TTabControl : public TCustomControl {
public:
    explicit TTabControl(TComponent* AOwner);
    ~TTabControl() override;

    TStrings* Tabs() const;
    void SetTabs(TStrings* Value);
    // The selected tab, -1 for none. Setting it from the program raises no events. As with the
    // window system's tab control, the first tab added to an empty control is selected, and deleting
    // the selected tab leaves none selected.
    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int Value);
    // A tab's rectangle in client coordinates (empty when there is no such tab).
    TRect TabRect(int Index) const;
    // The index of the tab at (X, Y), or -1.
    int IndexOfTabAt(int X, int Y) const;
    // The page area below the tabs.
    TRect DisplayRect() const;

    // Before a tab chosen by the user becomes current: AllowChange false keeps the old one.
    TTabChangingEvent OnChanging;
    // After a tab chosen by the user became current.
    TNotifyEvent OnChange;

protected:
    void WndProc(TMessage& Message) override;
    void Paint() override;
    void UpdateWindowBounds() override;
    virtual bool CanChange();
    virtual void Change();

private:
    friend class TTabStrings;
    friend struct TTabControlPrivate;
    void TabsChanged();
    void ShowSelection();
    std::unique_ptr<TTabStrings> tabs_;
    std::unique_ptr<TTabControlPrivate> d_;
    int tabIndex_ = -1;
};

// One page of a page control: its tab shows the sheet's caption, and only the active sheet is shown.
class TTabSheet : public TCustomControl {
public:
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;
    TPageControl* PageControl() const { return pageControl_; }
    // Makes the sheet the last page of Value (and a child filling its page area); nullptr takes it out.
    void SetPageControl(TPageControl* Value);
    // The sheet's place among its page control's pages, -1 without one.
    int PageIndex() const;

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl* pageControl_ = nullptr;
};

// A tab control whose tabs are its sheets.
class TPageControl : public TTabControl {
public:
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;
    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet* Pages(int Index) const { return pages_.at(static_cast<std::size_t>(Index)); }
    TTabSheet* ActivePage() const;
    // Setting the page from the program raises no events.
    void SetActivePage(TTabSheet* Page);
    int ActivePageIndex() const { return TabIndex(); }
    void SetActivePageIndex(int Index);

protected:
    void Change() override;
    void AdjustClientRect(TRect& Rect) override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* Page);
    void RemovePage(TTabSheet* Page);
    void ShowActivePage();
    std::vector<TTabSheet*> pages_;
};
