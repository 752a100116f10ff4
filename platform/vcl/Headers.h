#pragma once
// The sectioned header: a row of captions whose widths the user can drag at the dividers.
#include <functional>
#include <memory>
#include <vector>

#include "Controls.h"

using TSectionEvent = std::function<void(TObject* Sender, int ASection, int AWidth)>;

class THeader : public TCustomControl {
public:
    explicit THeader(TComponent* AOwner);
    ~THeader() override;

    // One section per string, the string is its caption.
    TStrings* Sections() const;
    void SetSections(TStrings* Value);
    int SectionWidth(int Index) const;
    void SetSectionWidth(int Index, int Value);
    bool AllowResize = true;
    // A single border draws a frame in the window-frame colour.
    bool BorderSingle() const { return borderSingle_; }
    void SetBorderSingle(bool Value);

    // The section whose right divider lies within the grab zone of X, -1 when none.
    int DividerAt(int X) const;
    // Dragging a divider.
    bool Sizing() const { return sizingSection_ >= 0; }

    // While a divider is dragged and when it is released, with the new width.
    TSectionEvent OnSizing;
    TSectionEvent OnSized;

    static constexpr int DividerGrab = 2;
    static constexpr int MinSectionWidth = 4;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    virtual void Sizing(int ASection, int AWidth);
    virtual void Sized(int ASection, int AWidth);

private:
    void SectionsChanged();
    std::unique_ptr<TStringList> sections_;
    std::vector<int> widths_;
    bool borderSingle_ = false;
    int sizingSection_ = -1;
    int sizingStart_ = 0;
};
