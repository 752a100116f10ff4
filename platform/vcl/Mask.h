#pragma once
// The masked edit. A mask is "mask;save literals;blank": "0" a required digit, "9" an optional digit,
// "#" a digit or sign, "L"/"l" a letter, "A"/"a" a letter or digit, "C"/"c" any character, ">" and "<"
// upper and lower case for what follows ("<>" neither), "\" makes the next character literal, ":" and
// "/" are the time and date separators, and everything else stands as it is. Typing overwrites the
// position at the caret and skips literals; Backspace and Delete put the blank back.
#include "StdEdit.h"

class TCustomMaskEdit : public TCustomEdit {
public:
    explicit TCustomMaskEdit(TComponent* AOwner);
    const AnsiString& EditMask() const { return mask_; }
    void SetEditMask(const AnsiString& Value);
    bool IsMasked() const { return !slots_.empty(); }
    // The window text, blanks included.
    AnsiString EditText() const { return TControl::Text(); }
    // Every input position filled.
    bool MaskComplete() const;
    char BlankChar() const { return blank_; }
protected:
    void WndProc(TMessage& Message) override;
private:
    struct Slot {
        bool literal = false;
        char32_t ch = 0;      // the literal, or the class letter
        int caseMode = 0;     // 1 upper, -1 lower
    };
    bool Accepts(const Slot& s, char32_t c) const;
    int NextInput(int From) const;
    int PrevInput(int From) const;
    void PutAt(int Pos, char32_t c);
    AnsiString mask_;
    std::vector<Slot> slots_;
    char blank_ = '_';
};

class TMaskEdit : public TCustomMaskEdit {
public:
    explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
};
