#pragma once
// The one-line edit control. Text, caret and selection are counted in whole characters of the UTF-8
// text. Whatever the user does to the text arrives as a message (WM_CHAR, WM_KEYDOWN, WM_CUT,
// WM_COPY, WM_PASTE, WM_CLEAR, WM_UNDO, EM_REPLACESEL), so a derived control filters every path by
// handling the message before the edit does; the edit has no input of its own beside them.
#include "Controls.h"
#include "Forms.h"

// Edit messages; positions in characters.
constexpr UINT EM_GETSEL = 0x00B0, EM_SETSEL = 0x00B1, EM_GETRECT = 0x00B2, EM_SETRECT = 0x00B3,
               EM_SETRECTNP = 0x00B4, EM_GETMODIFY = 0x00B8, EM_SETMODIFY = 0x00B9, EM_REPLACESEL = 0x00C2,
               EM_LIMITTEXT = 0x00C5, EM_CANUNDO = 0x00C6, EM_UNDO = 0x00C7, EM_SETPASSWORDCHAR = 0x00CC,
               EM_EMPTYUNDOBUFFER = 0x00CD, EM_SETREADONLY = 0x00CF, EM_GETPASSWORDCHAR = 0x00D2,
               EM_POSFROMCHAR = 0x00D6, EM_CHARFROMPOS = 0x00D7;
// Notifications the edit sends itself as CN_COMMAND (the code in the high word of WParam).
constexpr Word EN_SETFOCUS = 0x0100, EN_KILLFOCUS = 0x0200, EN_CHANGE = 0x0300, EN_UPDATE = 0x0400;
// Window styles of the edit.
constexpr DWORD ES_LEFT = 0x0, ES_CENTER = 0x1, ES_RIGHT = 0x2, ES_MULTILINE = 0x4, ES_PASSWORD = 0x20,
                ES_AUTOHSCROLL = 0x80, ES_READONLY = 0x800;

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TCustomEdit : public TWinControl {
public:
    explicit TCustomEdit(TComponent* AOwner);
    ~TCustomEdit() override;

    int SelStart() const;
    void SetSelStart(int Value);
    int SelLength() const;
    void SetSelLength(int Value);
    // Where the caret stands: the moving end of the selection.
    int CaretIndex() const;
    AnsiString SelText() const;
    // Replaces the selection as typing would (modified, change notified).
    void SetSelText(const AnsiString& Value);
    void SelectAll();
    void ClearSelection() { Perform(WM_CLEAR); }
    void CopyToClipboard() { Perform(WM_COPY); }
    void CutToClipboard() { Perform(WM_CUT); }
    void PasteFromClipboard() { Perform(WM_PASTE); }
    void Undo() { Perform(WM_UNDO); }
    void Clear() { SetText(""); }

    bool Modified() const { return modified_; }
    void SetModified(bool Value) { modified_ = Value; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool Value);
    // 0: no limit.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int Value);
    // 0: the text is shown as it is.
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char Value);
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool Value) { autoSelect_ = Value; }
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool Value);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle Value);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase Value);

    // The character index under a point of the window / the top-left of a character (the index just
    // past the last character answers the end of the text).
    int CharFromPoint(TPoint P) const;
    TPoint PointFromChar(int Index) const;
    // Where the text is laid out (EM_SETRECTNP); by default inside the border.
    TRect FormatRect() const;

    TNotifyEvent OnChange;

protected:
    void WndProc(TMessage& Message) override;
    // EN_CHANGE: the text changed by the user, or by the program in a single-line edit.
    virtual void Change();
    // The window style (ES_ flags). A multi-line edit announces no change when the program sets its
    // text, as the platform does.
    virtual DWORD EditStyle() const;
    // Applies a changed EditStyle.
    void RecreateWnd();
    // Runs after the edit has painted itself, with Canvas valid.
    virtual void Paint() {}
    TCanvas* Canvas() const { return canvas_.get(); }
    void PaintMessage(TMessage& Message) override;
    void EraseBackground(TMessage& Message) override;
    void DoEnter() override;
    void FontChanged() override;
    // A transparent edit leaves its background to the parent.
    void SetPaintBackground(bool Value);
    bool mouseDownFocus_ = false;

private:
    struct State;
    void DefaultChar(TMessage& Message);
    void DefaultKeyDown(Word Key, TShiftState Shift);
    void DefaultMouse(TMessage& Message);
    void DefaultPaint();
    // The text as shown (password characters) in characters, and the x of each character boundary.
    std::vector<int> Boundaries() const;
    void ReplaceRange(int From, int To, const std::u32string& Insert, bool User);
    void MoveCaret(int Pos, bool Extend);
    void EnsureCaretVisible();
    void NotifyChange();
    std::unique_ptr<State> d_;
    std::unique_ptr<TCanvas> canvas_;
    bool modified_ = false;
    bool readOnly_ = false;
    int maxLength_ = 0;
    char passwordChar_ = 0;
    bool autoSelect_ = true;
    bool hideSelection_ = true;
    TBorderStyle borderStyle_ = bsSingle;
    TEditCharCase charCase_ = ecNormal;
    bool paintBackground_ = true;
};

class TEdit : public TCustomEdit {
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

namespace StdEdit {
// Moves the focus from Control to the next (or previous) control of its form that takes the focus
// with Tab, as a Tab key does.
void SelectNext(TWinControl* Control, bool Forward);
} // namespace StdEdit
