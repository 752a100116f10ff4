#pragma once
// What the flat buttons and check boxes share: groups of mutually exclusive members on one parent.
#include "Controls.h"

// A member of a group on its parent; GroupIndex 0 is no group. A member going down tells its
// siblings (CM_BUTTONPRESSED through the parent), and those of its group that are down let go.
class TdxfGroupControl : public TCustomControl {
public:
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int Value) { groupIndex_ = Value; }
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool Value) { allowAllUp_ = Value; }

protected:
    TdxfGroupControl(TComponent* AOwner, bool AllowAllUp) : TCustomControl(AOwner), allowAllUp_(AllowAllUp) {}
    // Tells the parent's controls that this one went down in its group.
    void NotifyGroup();
    // Whether this member counts as down in its group, and letting it go when another went down.
    virtual bool GroupDown() const = 0;
    virtual void GroupRelease() = 0;
    // Takes the group's message; everything else goes on to the control.
    void WndProc(TMessage& Message) override;

    int groupIndex_ = 0;
    bool allowAllUp_;
};

// A button that stays down in its group: pressed by the mouse, down once released inside, up again
// on a second click when the group may be all up; without a group it springs back.
class TdxfGroupButton : public TdxfGroupControl {
public:
    bool Down() const { return down_; }
    // Only a grouped button goes down; going down lets the others of its group go.
    void SetDown(bool Value);
    bool Pressed() const { return pressed_; }

protected:
    explicit TdxfGroupButton(TComponent* AOwner) : TdxfGroupControl(AOwner, false) {}
    // A left press: an enabled button that is up shows pressed.
    void PressStarts();
    // The left button released, Inside the button's shape or not.
    void PressEnds(bool Inside);
    // Up, not pressed, no press under way.
    void Release(bool Repaint);
    bool GroupDown() const override { return pressed_; }
    void GroupRelease() override { Release(true); }

    bool down_ = false, pressed_ = false, mouseDown_ = false;
};
