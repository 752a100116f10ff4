#pragma once
// The label an edit carries beside it, shared by the typed edit and the spin edit.
#include <memory>

#include "Graphics.h"
#include "StdCtrls.h"

enum TLabelPosition {
    lpLeftTop, lpLeftCenter, lpLeftBottom, lpTopLeft, lpBottomLeft, lpLeftTopLeft, lpLeftCenterLeft,
    lpLeftBottomLeft, lpTopCenter, lpBottomCenter
};

namespace AdvEdit {
// The label positions of the edits: the label's top-left for an edit's bounds.
TPoint LabelPlace(TLabelPosition Position, const TRect& Edit, int LabelWidth, int LabelHeight, int TextWidth, int Margin);
} // namespace AdvEdit

// Made on the first caption as a plain label owned by the edit, on the edit's parent, with the edit
// as its focus control and a copy of the edit's font; placed around the edit's bounds. The edit
// hands on its parent and, as far as the label follows them, its visibility and enabled state.
class TAttachedLabel {
public:
    // What the label takes from its edit besides its parent and place.
    struct Follows {
        bool Enabled = false;   // the edit's enabled state when made and through EditEnabledChanged
        bool Visible = false;   // the edit's visibility when made and through EditVisibleChanged
        // Each placement sets the label's transparency from Transparent() and its font from Font();
        // without it the label keeps the edit's font of its making and Transparent() is only stored.
        bool Look = false;
        // lpTopCenter and lpBottomCenter are placed; without it they leave the label where it is.
        bool Centred = false;
    };
    TAttachedLabel(TWinControl* Edit, Follows What);
    // Follows visibility, look and every place, and the enabled state with FollowEnabled.
    TAttachedLabel(TWinControl* Edit, bool FollowEnabled)
        : TAttachedLabel(Edit, Follows{.Enabled = FollowEnabled, .Visible = true, .Look = true, .Centred = true}) {}
    ~TAttachedLabel();
    TAttachedLabel(const TAttachedLabel&) = delete;
    TAttachedLabel& operator=(const TAttachedLabel&) = delete;

    const AnsiString& Caption() const { return caption_; }
    void SetCaption(const AnsiString& Value);
    TLabelPosition Position() const { return position_; }
    void SetPosition(TLabelPosition Value) { position_ = Value; Update(); }
    int Margin() const { return margin_; }
    void SetMargin(int Value) { margin_ = Value; Update(); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool Value) { transparent_ = Value; Update(); }
    TFont* Font() const { return font_.get(); }
    // nullptr until a caption was set, and after the label was freed.
    TLabel* Label() const { return label_; }

    // Places the label (with its font first, so its own text width counts).
    void Update();
    void EditParentChanged(TWinControl* AParent);
    void EditVisibleChanged(bool Value);
    void EditEnabledChanged(bool Value);

private:
    TWinControl* edit_;
    Follows follows_;
    TComponentRef<TLabel> label_;
    AnsiString caption_;
    TLabelPosition position_ = lpLeftTop;
    int margin_ = 4;
    bool transparent_ = false;
    std::unique_ptr<TFont> font_;
};

// The label properties an edit publishes, forwarded to the attached label it holds as label_ (a
// friend of this base).
template <class Edit>
class TAttachedLabelProperties {
public:
    const AnsiString& LabelCaption() const { return Attached().Caption(); }
    void SetLabelCaption(const AnsiString& Value) { Attached().SetCaption(Value); }
    TLabelPosition LabelPosition() const { return Attached().Position(); }
    void SetLabelPosition(TLabelPosition Value) { Attached().SetPosition(Value); }
    int LabelMargin() const { return Attached().Margin(); }
    void SetLabelMargin(int Value) { Attached().SetMargin(Value); }
    bool LabelTransparent() const { return Attached().Transparent(); }
    void SetLabelTransparent(bool Value) { Attached().SetTransparent(Value); }
    TLabel* EditLabel() const { return Attached().Label(); }

private:
    const TAttachedLabel& Attached() const { return static_cast<const Edit*>(this)->label_; }
    TAttachedLabel& Attached() { return static_cast<Edit*>(this)->label_; }
};
