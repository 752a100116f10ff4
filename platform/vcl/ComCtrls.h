#pragma once
// A row of tabs over a page area: the tabs are Qt's tab bar, the page area is the control's own
// client area where other controls sit. A click on a tab arrives as WM_LBUTTONDOWN at the tab's
// position, so tests select tabs the way a person does.
#include <functional>
#include <memory>

#include "Controls.h"

class QTabBar;
class TTabControl;
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
