#pragma once
// A status bar whose panels show mini-HTML with anchors, the time, the date, the lock keys or a
// progress bar. The panels lie side by side at their widths, the last one reaching the right edge;
// a 100-ms timer keeps the automatic panels current and makes BLINK text blink.
#include <functional>
#include <memory>
#include <vector>

#include "AnchorMouse.h"
#include "Controls.h"
#include "Forms.h"
#include "HTMLDrawEx.h"
#include "ImgList.h"

enum THTMLStatusPanelBevel { pbNone, pbLowered, pbRaised };
enum THTMLStatusPanelStyle {
    psHTML, psText, psOwnerDraw, psTime, psDate, psNumLock, psCapsLock, psScrollLock, psProgress
};
enum TProgressIndication { piPercentage, piAbsolute, piNone };

class THTMLStatusPanel;
class THTMLStatusBar;

class TProgressStyle : public TPersistent {
public:
    explicit TProgressStyle(THTMLStatusPanel* AOwner) : owner_(AOwner) {}
    void Assign(TPersistent* Source) override;
    int Min() const { return min_; }
    void SetMin(int Value) { min_ = Value; Changed(); }
    int Max() const { return max_; }
    void SetMax(int Value) { max_ = Value; Changed(); }
    int Position() const { return position_; }
    void SetPosition(int Value) { position_ = Value; Changed(); }
    TColor Color() const { return color_; }
    void SetColor(TColor Value) { color_ = Value; Changed(); }
    TColor BackGround() const { return background_; }
    void SetBackGround(TColor Value) { background_ = Value; Changed(); }
    TColor TextColor() const { return textColor_; }
    void SetTextColor(TColor Value) { textColor_ = Value; Changed(); }
    TProgressIndication Indication() const { return indication_; }
    void SetIndication(TProgressIndication Value) { indication_ = Value; Changed(); }
    // The text the panel shows for the current values.
    AnsiString Text() const;
    // Where the filled part of a bar Width pixels wide ends, counted from its left.
    int FillWidth(int Width) const;
private:
    void Changed();
    THTMLStatusPanel* owner_;
    int min_ = 0, max_ = 100, position_ = 0;
    TColor color_ = clHighlight, background_ = clBtnFace, textColor_ = clHighlightText;
    TProgressIndication indication_ = piPercentage;
};

class THTMLStatusPanel : public TCollectionItem {
public:
    explicit THTMLStatusPanel(TCollection* Collection);
    ~THTMLStatusPanel() override;
    void Assign(TPersistent* Source) override;
    AnsiString DisplayName() const override;

    const AnsiString& Text() const { return text_; }
    void SetText(const AnsiString& Value);
    int Width() const { return width_; }
    void SetWidth(int Value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    THTMLStatusPanelBevel Bevel() const { return bevel_; }
    void SetBevel(THTMLStatusPanelBevel Value);
    THTMLStatusPanelStyle Style() const { return style_; }
    void SetStyle(THTMLStatusPanelStyle Value);
    const AnsiString& TimeFormat() const { return timeFormat_; }
    void SetTimeFormat(const AnsiString& Value);
    const AnsiString& DateFormat() const { return dateFormat_; }
    void SetDateFormat(const AnsiString& Value);
    const AnsiString& Hint() const { return hint_; }
    void SetHint(const AnsiString& Value);
    TProgressStyle* Progress() const { return progress_.get(); }
    void SetProgress(TProgressStyle* Value);
    // The text must go to the bar at its next paint.
    bool ChangedFlag = true;
    // The progress settings changed: repaint the panel.
    void ProgressChanged();
private:
    AnsiString text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    THTMLStatusPanelBevel bevel_ = pbLowered;
    THTMLStatusPanelStyle style_ = psHTML;
    AnsiString timeFormat_ = "hh:mm:ss";
    AnsiString dateFormat_ = "mm/dd/yyyy";
    AnsiString hint_;
    std::unique_ptr<TProgressStyle> progress_;
};

class THTMLStatusPanels : public TCollection {
public:
    explicit THTMLStatusPanels(THTMLStatusBar* AOwner);
    THTMLStatusPanel* Add() { return static_cast<THTMLStatusPanel*>(TCollection::Add()); }
    THTMLStatusPanel* Items(int Index) const { return static_cast<THTMLStatusPanel*>(TCollection::Items(Index)); }
    THTMLStatusPanel* GetItem(int Index) const { return Items(Index); }
    void SetItem(int Index, THTMLStatusPanel* Value) { Items(Index)->Assign(Value); }
    TPersistent* GetOwner() const override;
    THTMLStatusBar* Bar() const { return bar_; }
protected:
    void Update(TCollectionItem* Item) override;
private:
    THTMLStatusBar* bar_;
};

using TDrawPanelEvent = std::function<void(THTMLStatusBar* StatusBar, THTMLStatusPanel* Panel, const TRect& Rect)>;

class THTMLStatusBar : public TCustomControl, public TAnchorMouse {
public:
    // At most this many panels get a part of the bar.
    static constexpr int MaxParts = 128;
    static constexpr UINT_PTR TimerID = 111;

    explicit THTMLStatusBar(TComponent* AOwner);
    ~THTMLStatusBar() override;

    THTMLStatusPanels* Panels() const { return panels_.get(); }
    void SetPanels(THTMLStatusPanels* Value) { panels_->Assign(Value); }
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool Value);
    const AnsiString& SimpleText() const { return simpleText_; }
    void SetSimpleText(const AnsiString& Value);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool Value);
    bool UseSystemFont() const { return useSystemFont_; }
    void SetUseSystemFont(bool Value);
    TColor URLColor() const { return urlColor_; }
    void SetURLColor(TColor Value) { urlColor_ = Value; Invalidate(); }
    bool AutoHint() const { return autoHint_; }
    void SetAutoHint(bool Value) { autoHint_ = Value; }
    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* Value);
    int BlinkCount() const { return blinkCount_; }

    // Part right edges as the bar holds them (-1: to the right edge).
    const std::vector<int>& Parts() const { return parts_; }
    // The rectangle of a panel's part; empty for a panel without one.
    TRect PanelRect(int Index) const;
    // The panel whose part holds x, or -1.
    int GetPanel(int X) const;
    // The anchor at a client point ("" when none).
    AnsiString IsAnchor(int X, int Y);
    // The text a panel shows now, with its alignment tabs, as it went to the bar.
    AnsiString PanelText(int Index) const;

    // The automatic panels' texts and blinking; the timer calls it.
    virtual void UpdateStatusBar();
    // Calls OnHint; true when assigned.
    virtual bool DoHint();
    // The application's hint goes to panel 0 (or the simple text) unless OnHint takes it.
    bool ShowApplicationHint(const AnsiString& Hint);
    // With AutoHint the application's hint action shows here.
    bool ExecuteAction(TObject* Action) override;
    // While UseSystemFont is on the font is the desktop's status-bar font.
    void SyncToSystemFont();
    // Panels in reverse order, the first taking what the others leave.
    void FlipChildren(bool AllLevels);
    // Sends the parts (when Parts) and the texts (when Texts).
    void UpdatePanels(bool Parts, bool Texts);
    void UpdatePanel(int Index, bool Send);

    TDrawPanelEvent OnDrawPanel;
    TNotifyEvent OnHint;

    static void SetShellOpen(TShellOpen Open);

protected:
    friend class THTMLStatusPanels;
    void WndProc(TMessage& Message) override;
    void Paint() override;
    void Loaded() override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    LRESULT HintShow(THintInfo& HintInfo) override;
    void Resize() override;
    virtual void DrawPanel(THTMLStatusPanel* Panel, const TRect& Rect);

private:
    void MarkAll();
    bool GripShown() const;
    void DrawPartText(const AnsiString& Text, TRect R);
    std::unique_ptr<THTMLStatusPanels> panels_;
    std::vector<int> parts_;
    std::vector<AnsiString> sent_;
    AnsiString simpleText_;
    bool simplePanel_ = false;
    bool sizeGrip_ = true;
    bool useSystemFont_ = true;
    bool autoHint_ = false;
    TColor urlColor_ = clBlue;
    TComponentRef<TCustomImageList> images_{this};
    int blinkCount_ = 0;
    int lastPanel_ = -1;
    TAnchorHover anchorHover_;   // no hover look: only what the anchor handling keeps
    bool timerRunning_ = false;
};
