// The typed edit driven through its messages on a shown form: classification and formatting, the key
// filter per type, prefix and suffix, clipboard, colours, label, URL mode, persistence, the input
// query and the range list. German separators throughout.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TempDir.h"
#include "AdvEdit.h"
#include "AdvEditQuery.h"
#include "AdvMaskEdit.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "IniFiles.h"
#include "Registry.h"
#include "ShellApi.h"

namespace {

class TProbeEdit : public TAdvEdit {
public:
    using TAdvEdit::TAdvEdit;
    using TAdvEdit::DecimalPos;
    using TAdvEdit::EStrToFloat;
    using TAdvEdit::FixedLength;
    using TAdvEdit::AutoSeparators;
};

class AdvEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        SysUtils::DecimalSeparator = ',';
        SysUtils::ThousandSeparator = '.';
        form = new TForm(nullptr);
        form->SetBounds(10, 10, 400, 200);
        edit = new TProbeEdit(form);
        edit->SetParent(form);
        edit->SetBounds(100, 50, 120, 21);
        other = new TEdit(form);
        other->SetParent(form);
        other->SetBounds(100, 100, 120, 21);
        form->Show();
        Application->ProcessMessages();
        edit->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override { delete form; }

    void Type(const std::string& s) {
        for (char c : s) edit->Perform(WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    void Key(Word k) { edit->Perform(WM_KEYDOWN, k, 1); }
    void Window(const std::string& w, int caret) {
        edit->TControl::SetText(w);
        edit->SetSelStart(caret);
    }

    TForm* form = nullptr;
    TProbeEdit* edit = nullptr;
    TEdit* other = nullptr;
};

TEST(AdvEditText, ClassifiesTexts) {
    SysUtils::DecimalSeparator = ',';
    SysUtils::ThousandSeparator = '.';
    using K = TAdvEdit::TTextKind;
    const std::pair<const char*, K> cases[] = {
        {"12", K::tkInteger}, {"1A", K::tkHex}, {"1,5", K::tkFloat}, {"1.234,5", K::tkFloat}, {",5", K::tkFloat},
        {"1,2,3", K::tkPlain}, {"--1", K::tkPlain}, {"", K::tkPlain}, {"-12", K::tkInteger},
        // A sign stands first only, and a sign alone is no number.
        {"5-", K::tkPlain}, {"-", K::tkPlain}, {".123", K::tkPlain}, {"abc", K::tkHex}, {"xyz", K::tkPlain}};
    for (auto& [text, kind] : cases) EXPECT_EQ(TAdvEdit::Classify(text), kind) << text;
    EXPECT_EQ(TAdvEdit::MixedCase("john mcdonald"), "John McDonald");
    EXPECT_EQ(TAdvEdit::MixedCase("mcdonald"), "McDonald");
    EXPECT_EQ(TAdvEdit::MixedCase("henry ii"), "Henry II");
    EXPECT_EQ(TAdvEdit::MixedCase("louis iii"), "Louis III");
    EXPECT_EQ(TAdvEdit::MixedCase("o'neil-smith"), "O'Neil-Smith");
    EXPECT_EQ(TAdvEdit::MixedCase("ANNA-LENA MÜLLER"), "Anna-Lena Müller");
    EXPECT_EQ(AdvEdit::FormatFixed(1234567.125, 2, true), "1.234.567,13");
    EXPECT_EQ(AdvEdit::FormatFixed(-0.004, 2, false), "0,00");
    EXPECT_EQ(AdvEdit::FormatFixed(2.5, 0, false), "3");
    EXPECT_EQ(AdvEdit::FormatGeneral(0.1 + 0.2), "0,3");
    // Beyond 15 digits too, under the process locale's own decimal comma.
    EXPECT_EQ(AdvEdit::FormatFixed(2e15, 2, true), "2.000.000.000.000.000,00");
}

TEST_F(AdvEditTest, SetTextFormatsByType) {
    edit->SetEditType(etNumeric);
    edit->SetText("abc");
    EXPECT_EQ(edit->WindowText(), "0");
    EXPECT_FALSE(edit->Modified());
    edit->SetEditType(etHex);
    edit->SetText("ff");
    EXPECT_EQ(edit->WindowText(), "FF");
    EXPECT_EQ(edit->IntValue(), 255);
    edit->SetEditType(etFloat);
    edit->SetPrecision(2);
    edit->SetText("3,5");
    EXPECT_EQ(edit->WindowText(), "3,50");
    edit->SetEditType(etMoney);
    edit->SetText("1234,5");
    EXPECT_EQ(edit->WindowText(), "1.234,50");
    // Grouped text stays its number.
    edit->SetText("1.234,5");
    EXPECT_EQ(edit->WindowText(), "1.234,50");
    EXPECT_DOUBLE_EQ(edit->FloatValue(), 1234.5);
    EXPECT_DOUBLE_EQ(edit->EStrToFloat("12.50"), 12.5);
    edit->SetEditType(etNumeric);
    edit->SetFloatValue(1234);
    EXPECT_EQ(edit->Text(), "1234");
    EXPECT_TRUE(edit->Modified());
}

TEST_F(AdvEditTest, PositionsCountThePrefix) {
    edit->SetPrefix("$ ");
    edit->SetText("12,50");
    EXPECT_EQ(edit->DecimalPos(), 5);
    edit->SetSuffix(" kg");
    edit->SetText("12");
    EXPECT_EQ(edit->DecimalPos(), 8);
    EXPECT_EQ(TProbeEdit::FixedLength("1.234,5"), 5);
    edit->SetPrefix("$");
    edit->SetSuffix("");
    edit->SetText("12");
    edit->SelectAll();
    EXPECT_EQ(edit->SelStart(), 1);
    EXPECT_EQ(edit->SelLength(), 2);
}

TEST_F(AdvEditTest, SignToggleAndFloatRules) {
    edit->SetEditType(etNumeric);
    edit->Signed = true;
    Window("12", 1);
    Type("-");
    EXPECT_EQ(edit->WindowText(), "-12");
    EXPECT_EQ(edit->SelStart(), 2);
    EXPECT_TRUE(edit->Modified());
    Type("-");
    EXPECT_EQ(edit->WindowText(), "12");
    EXPECT_EQ(edit->SelStart(), 1);
    edit->Signed = false;
    Type("-x");
    EXPECT_EQ(edit->WindowText(), "12");

    edit->SetEditType(etFloat);
    edit->SetPrecision(2);
    Window("", 0);
    Type(",");
    EXPECT_EQ(edit->WindowText(), "0,");
    EXPECT_EQ(edit->SelStart(), 2);
    Window("1,23", 4);
    Type("5");
    EXPECT_EQ(edit->WindowText(), "1,23");
    Window("1,23", 3);
    Type("5");
    EXPECT_EQ(edit->WindowText(), "1,25");
    Window("1,23", 2);
    Type("7");
    EXPECT_EQ(edit->WindowText(), "1,73");
    Window("1,23", 0);
    Type(",");
    EXPECT_EQ(edit->WindowText(), "1,23");
    EXPECT_EQ(edit->SelStart(), 2);
    // With a prefix the shortcut keeps prefix and suffix.
    edit->SetPrefix("€");
    edit->SetSuffix("!");
    Window("€!", 1);
    Type(",");
    EXPECT_EQ(edit->WindowText(), "€0,!");
    EXPECT_EQ(edit->Text(), "0,");
}

TEST_F(AdvEditTest, ThousandsSeparatorSpacing) {
    EXPECT_TRUE(TAdvEdit::SeparatorFits("1.234", 5));
    EXPECT_FALSE(TAdvEdit::SeparatorFits("1.234", 4));
    EXPECT_FALSE(TAdvEdit::SeparatorFits("1.234", 1));
    EXPECT_FALSE(TAdvEdit::SeparatorFits("1.2345", 6));
    EXPECT_TRUE(TAdvEdit::SeparatorFits("1234", 2));
    EXPECT_TRUE(TAdvEdit::SeparatorFits("1234.567", 1));
    EXPECT_FALSE(TAdvEdit::SeparatorFits("1234.567", 2));
}

TEST_F(AdvEditTest, MoneyGroupsWhileTyping) {
    edit->SetEditType(etMoney);
    Window("", 0);
    Type("1234");
    EXPECT_EQ(edit->WindowText(), "1.234");
    EXPECT_EQ(edit->SelStart(), 5);
    Type("5");
    EXPECT_EQ(edit->WindowText(), "12.345");
    EXPECT_EQ(edit->SelStart(), 6);
    Window("-1234567,8", 0);
    edit->AutoSeparators();
    EXPECT_EQ(edit->WindowText(), "-1.234.567,8");
    edit->SetAutoThousandSeparator(false);
    EXPECT_EQ(edit->WindowText(), "-1234567,8");
}

TEST_F(AdvEditTest, CaseRangeAndHexFilters) {
    edit->SetEditType(etUppercase);
    Window("", 0);
    edit->Perform(WM_CHAR, 0xE4, 1);
    Type("b");
    EXPECT_EQ(edit->WindowText(), "ÄB");
    edit->SetEditType(etLowerCase);
    Window("", 0);
    edit->Perform(WM_CHAR, 0xD6, 1);
    EXPECT_EQ(edit->WindowText(), "ö");
    edit->SetEditType(etMixedCase);
    Window("", 0);
    Type("de la cruz");
    EXPECT_EQ(edit->WindowText(), "De La Cruz");
    edit->SetEditType(etRange);
    Window("", 0);
    Type("-1,,;2x");
    EXPECT_EQ(edit->WindowText(), "1,2");
    edit->SetEditType(etHex);
    Window("", 0);
    Type("gf-A");
    EXPECT_EQ(edit->WindowText(), "f-A");
}

TEST_F(AdvEditTest, PrefixAndSuffixGuardTheCaret) {
    edit->SetPrefix("$");
    edit->SetSuffix(" kg");
    edit->SetText("12");
    ASSERT_EQ(edit->WindowText(), "$12 kg");
    edit->SetSelStart(3);
    Key(VK_HOME);
    EXPECT_EQ(edit->SelStart(), 1);
    Key(VK_END);
    EXPECT_EQ(edit->SelStart(), 3);
    Key(VK_RIGHT);
    EXPECT_EQ(edit->SelStart(), 3);
    Key(VK_DELETE);
    EXPECT_EQ(edit->WindowText(), "$12 kg");
    edit->SetSelStart(1);
    Key(VK_LEFT);
    EXPECT_EQ(edit->SelStart(), 1);
    Type("\b");
    EXPECT_EQ(edit->WindowText(), "$12 kg");
    EXPECT_EQ(edit->Text(), "12");
    // A value persisted without the suffix loses nothing.
    edit->TControl::SetText("$12");
    EXPECT_EQ(edit->Text(), "12");
}

TEST_F(AdvEditTest, LengthLimitAndTabOnFullLength) {
    edit->SetEditType(etNumeric);
    edit->LengthLimit = 3;
    Window("123", 3);
    Type("4");
    EXPECT_EQ(edit->WindowText(), "123");
    edit->SelectAll();
    Type("4");
    EXPECT_EQ(edit->WindowText(), "4");
    edit->TabOnFullLength = true;
    Window("12", 2);
    Type("3");
    EXPECT_EQ(edit->WindowText(), "123");
    Application->ProcessMessages();
    EXPECT_TRUE(other->Focused());
}

TEST_F(AdvEditTest, PasteFollowsTheTypeAndEventsMayVeto) {
    Clipboard()->SetAsText("123");
    edit->SetEditType(etHex);
    edit->SetText("A");
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->WindowText(), "A");
    edit->SetEditType(etRange);
    edit->TControl::SetText("1");
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->WindowText(), "1");
    edit->SetEditType(etNumeric);
    edit->SetText("5");
    Clipboard()->SetAsText("12a");
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->WindowText(), "5");
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    Clipboard()->SetAsText("7");
    Window("12", 1);
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->WindowText(), "172");
    EXPECT_EQ(edit->SelStart(), 2);
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(changes, 1) << "a paste is a change the user made";

    edit->SetEditType(etString);
    edit->SetPrefix("$");
    edit->SetText("1234");
    edit->Perform(EM_SETSEL, 2, 4);
    std::string seen;
    edit->OnClipboardCopy = [&](TObject*, AnsiString v, bool& allow) { seen = v; allow = false; };
    Clipboard()->SetAsText("old");
    edit->CopyToClipboard();
    EXPECT_EQ(seen, "23");
    EXPECT_EQ(Clipboard()->AsText(), "old");
    edit->OnClipboardPaste = [&](TObject*, AnsiString, bool& allow) { allow = false; };
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), "1234");
}

TEST_F(AdvEditTest, ColoursFollowFocusErrorAndEnabling) {
    edit->SetFocusColor(clYellow);
    edit->SetColor(clAqua);
    other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(edit->Color(), clAqua);
    edit->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(edit->Color(), clYellow);
    edit->SetShowError(true);
    edit->OnValueValidate = [](TObject*, AnsiString v, bool& ok) { ok = v != "bad"; };
    edit->SetSelText("bad");
    EXPECT_TRUE(edit->Error());
    EXPECT_EQ(edit->Color(), clRed);
    EXPECT_EQ(edit->Font()->Color(), clWhite);
    edit->SetText("");
    edit->SetSelText("good");
    EXPECT_FALSE(edit->Error());
    EXPECT_EQ(edit->Color(), clYellow);
    edit->SetEnabled(false);
    EXPECT_EQ(edit->Color(), clSilver);
    edit->SetEnabled(true);
    other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(edit->Color(), clAqua);
}

TEST_F(AdvEditTest, EscapeUndoesToTheFocusTextAndPressesCancel) {
    auto* cancel = new TButton(form);
    cancel->SetParent(form);
    cancel->Cancel = true;
    int clicks = 0;
    cancel->OnClick = [&](TObject*) { ++clicks; };
    other->SetFocus();
    Application->ProcessMessages();
    edit->SetText("alt");
    edit->SetFocus();
    Application->ProcessMessages();
    edit->SetSelStart(3);
    Type("neu");
    EXPECT_EQ(edit->Text(), "altneu");
    Key(VK_ESCAPE);
    EXPECT_EQ(edit->Text(), "alt");
    EXPECT_FALSE(edit->Modified());
    EXPECT_EQ(clicks, 1);
}

TEST_F(AdvEditTest, LabelStandsWhereItsPositionSays) {
    const TRect e{100, 50, 220, 71};
    EXPECT_EQ(AdvEdit::LabelPlace(lpLeftTop, e, 40, 13, 40, 4), TPoint(56, 50));
    EXPECT_EQ(AdvEdit::LabelPlace(lpLeftCenter, e, 40, 13, 40, 4), TPoint(56, 54));
    EXPECT_EQ(AdvEdit::LabelPlace(lpLeftBottom, e, 40, 13, 40, 4), TPoint(56, 58));
    EXPECT_EQ(AdvEdit::LabelPlace(lpTopLeft, e, 40, 13, 40, 4), TPoint(100, 33));
    EXPECT_EQ(AdvEdit::LabelPlace(lpBottomLeft, e, 40, 13, 40, 4), TPoint(100, 75));
    EXPECT_EQ(AdvEdit::LabelPlace(lpLeftTopLeft, e, 40, 13, 40, 4), TPoint(96, 50));
    EXPECT_EQ(AdvEdit::LabelPlace(lpTopCenter, e, 40, 13, 40, 4), TPoint(140, 33));
    EXPECT_EQ(AdvEdit::LabelPlace(lpBottomCenter, e, 40, 13, 40, 4), TPoint(140, 75));
    edit->SetLabelCaption("Name:");
    ASSERT_NE(edit->EditLabel(), nullptr);
    TLabel* label = edit->EditLabel();
    EXPECT_EQ(label->Parent(), form);
    EXPECT_EQ(label->Left() + label->Width() + 4, edit->Left());
    edit->SetLabelPosition(lpTopLeft);
    EXPECT_EQ(label->Top() + label->Height() + 4, edit->Top());
    edit->SetLeft(150);
    EXPECT_EQ(label->Left(), 150);
    edit->SetVisible(false);
    EXPECT_FALSE(label->Visible());
}

TEST_F(AdvEditTest, MaskedEditLabelKeepsItsFontAndCentredPlaceAndFollowsOnlyEnabling) {
    auto* m = new TAdvMaskEdit(form);
    m->SetParent(form);
    m->SetBounds(100, 130, 120, 21);
    m->Font()->SetSize(14);
    m->SetLabelCaption("Zeit:");
    TLabel* label = m->EditLabel();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Parent(), form);
    EXPECT_EQ(label->FocusControl, m);
    EXPECT_EQ(label->Left() + label->Width() + 4, m->Left());
    // The font is the edit's of the label's making, kept through later placements.
    EXPECT_EQ(label->Font()->Size(), 14);
    label->Font()->SetSize(9);
    m->SetLabelMargin(6);
    EXPECT_EQ(label->Font()->Size(), 9);
    m->SetLabelPosition(lpTopLeft);
    EXPECT_EQ(label->Top() + label->Height() + 6, m->Top());
    // The centred places leave the label where it was.
    const TPoint before(label->Left(), label->Top());
    m->SetLabelPosition(lpBottomCenter);
    m->SetLeft(160);
    EXPECT_EQ(TPoint(label->Left(), label->Top()), before);
    m->SetEnabled(false);
    EXPECT_FALSE(label->Enabled());
    m->SetVisible(false);
    EXPECT_TRUE(label->Visible());
    auto* parent = new TPanel(form);
    parent->SetParent(form);
    m->SetParent(parent);
    EXPECT_EQ(label->Parent(), parent);
    delete m;
    EXPECT_EQ(parent->ControlCount(), 0);
}

TEST_F(AdvEditTest, UrlModeUnderlinesAndOpensOnlyAddresses) {
    std::vector<std::string> opened;
    ShellApi::SetUrlOpener([&](const std::string& url) { opened.push_back(url); return true; });
    edit->SetShowURL(true);
    for (auto [text, url] : {std::pair{"www.x.de", false}, {"http://x.de", true}, {"a@b.de", true}, {"@ab", false}}) {
        edit->SetText(text);
        EXPECT_EQ(edit->TestURL(), url) << text;
        EXPECT_EQ(edit->Font()->Style().Contains(fsUnderline), url) << text;
    }
    edit->SetText("a@b.de");
    edit->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    edit->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    edit->SetText("file:///etc/passwd; rm");
    ShellApi::SetUrlOpener(nullptr);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "mailto:a@b.de");
    EXPECT_EQ(edit->Font()->Color(), clBlue);
}

TEST_F(AdvEditTest, PersistsWithPrefixAndSuffixInAnIniFile) {
    testsupport::TempDir dir;
    const std::string ini = dir.file("edits.ini");
    auto* a = new TAdvEdit(form);
    a->SetName("Edit1");
    a->SetPrefix("$");
    a->SetSuffix(" kg");
    a->SetText("12");
    a->Persistence()->Enable = true;
    a->Persistence()->Key = ini;
    a->Persistence()->Section = "Werte";
    delete a;
    EXPECT_EQ(TIniFile(ini).ReadString("Werte", "Edit1", ""), "$12 kg");
    auto* b = new TAdvEdit(form);
    b->SetName("Edit1");
    b->SetPrefix("$");
    b->SetSuffix(" kg");
    b->Persistence()->Enable = true;
    b->Persistence()->Key = ini;
    b->Persistence()->Section = "Werte";
    b->BeginLoading();
    b->EndLoading();
    EXPECT_EQ(b->WindowText(), "$12 kg");
    b->Persistence()->Section = "Fehlt";
    b->SetText("7");
    b->LoadPersist();
    EXPECT_EQ(b->WindowText(), "$7 kg") << "a missing value leaves the text";
    b->Persistence()->Enable = false;
    delete b;
}

TEST_F(AdvEditTest, PersistsInTheRegistry) {
    testsupport::TempDir dir;
    testsupport::ScopedEnv env("ZORBELIN_REGISTRY", dir.str());
    auto* a = new TAdvEdit(form);
    a->SetName("MailBody");
    a->SetText("Alles Gute");
    a->Persistence()->Enable = true;
    a->Persistence()->Location = plRegistry;
    a->Persistence()->Key = "Software\\Hallowerk";
    a->Persistence()->Section = "Tarvolin";
    delete a;
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Hallowerk\\Tarvolin", false));
    EXPECT_EQ(reg.ReadString("MailBody"), "Alles Gute");
}

TEST_F(AdvEditTest, InputQueryLaysOutItsBoxAndAnswers) {
    std::string caption;
    TRect editBounds, okBounds;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        caption = d.Caption();
        TCustomForm* f = d.Form();
        for (int i = 0; i < f->ControlCount(); ++i) {
            if (auto* e = dynamic_cast<TAdvEdit*>(f->Controls(i))) {
                editBounds = e->BoundsRect();
                e->SetText("42");
            }
            if (auto* b = dynamic_cast<TButton*>(f->Controls(i)); b && b->Default) okBounds = b->BoundsRect();
        }
        d.Press("OK");
    });
    AnsiString value = "7";
    TQueryParams params;
    params.Prefix = "#";
    EXPECT_TRUE(AdvInputQuery(etNumeric, &params, "Anzahl", "Wie viele?", value));
    EXPECT_EQ(value, "42");
    EXPECT_EQ(caption, "Anzahl");
    TCanvas c;
    c.SetFont(form->Font());
    const int dux = c.TextWidth("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52;
    const int duy = c.TextHeight("A");
    EXPECT_EQ(editBounds.Top, Graphics::MulDiv(19, duy, 8));
    EXPECT_EQ(editBounds.Width(), Graphics::MulDiv(164, dux, 4));
    EXPECT_EQ(okBounds.Left, Graphics::MulDiv(38, dux, 4));
    Dialogs::SetDialogAnswerer([](TModalDialog& d) { d.Press("Abbrechen"); });
    value = "7";
    EXPECT_FALSE(AdvInputQuery(etString, nullptr, "T", "P", value));
    EXPECT_EQ(value, "7");
    Dialogs::SetDialogAnswerer(nullptr);
}

TEST_F(AdvEditTest, InputQueryIsWideEnoughForItsTitle) {
    TRect client, edit, ok, cancel;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        TCustomForm* f = d.Form();
        client = f->ClientRect();
        for (int i = 0; i < f->ControlCount(); ++i) {
            if (auto* e = dynamic_cast<TAdvEdit*>(f->Controls(i))) edit = e->BoundsRect();
            if (auto* b = dynamic_cast<TButton*>(f->Controls(i))) (b->Default ? ok : cancel) = b->BoundsRect();
        }
        d.Press("Abbrechen");
    });
    const AnsiString title = "Bitte Name für Spruch eingeben";
    AnsiString value = "Spruch4";
    EXPECT_FALSE(AdvInputQuery(etString, nullptr, title, "Name:", value));
    Dialogs::SetDialogAnswerer(nullptr);
    // The title in a bold face beside an icon and three buttons of a title bar's height.
    TCanvas c;
    c.SetFont(form->Font());
    c.Font()->SetStyle({fsBold});
    EXPECT_GE(client.Width(), c.TextWidth(title) + 4 * GetSystemMetrics(SM_CYCAPTION));
    // The edit runs across the wider box, the buttons stay centred under it.
    EXPECT_EQ(edit.Left, client.Width() - edit.Right);
    EXPECT_LE(std::abs((ok.Left - client.Left) - (client.Right - cancel.Right)), 1);
}

TEST(RangeList, ReadsAndWritesRangeText) {
    TRangeList list;
    EXPECT_TRUE(list.StrToList("5-3"));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.StrToList("1;3-4,x"));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(0), 1);
    EXPECT_EQ(list.Items(2), 4);
    EXPECT_TRUE(list.StrToList("-5--3,2,2"));
    EXPECT_EQ(list.ListToStr(), "-5--3,2");
    list.Clear();
    for (int v : {10, 9, 7, 3, 2, 1}) list.Add(v);
    EXPECT_EQ(list.ListToStr(), "1-3,7,9-10");
    list.Clear();
    EXPECT_EQ(list.ListToStr(), "");
}

TEST(RangeList, TooManyNumbersAreRefusedWithAMessage) {
    TRangeList list;
    EXPECT_FALSE(list.StrToList("1,0-2000000000,3"));
    EXPECT_EQ(list.ListToStr(), "1,3");
    EXPECT_EQ(list.ErrorText(),
              "Der Bereich 0-2000000000 umfasst zu viele Zahlen; erlaubt sind höchstens 100000 Zahlen.");
    // Up to the limit a range enters whole, at the very edge of the integers too.
    EXPECT_TRUE(list.StrToList("-2147483648--2147383649"));
    EXPECT_EQ(list.Count(), TRangeList::MaxCount);
    EXPECT_EQ(list.ErrorText(), "");
    EXPECT_EQ(list.ListToStr(), "-2147483648--2147383649");
    EXPECT_FALSE(list.StrToList("0-99999,100000-100001"));
    EXPECT_EQ(list.Count(), TRangeList::MaxCount);
    EXPECT_EQ(list.ErrorText(), "Die Bereiche umfassen zusammen zu viele Zahlen; erlaubt sind höchstens 100000 Zahlen.");
    list.Clear();
    list.AddMultiple(2147483646, 5);
    EXPECT_EQ(list.ListToStr(), "2147483646-2147483647");
}

TEST_F(AdvEditTest, RangeTextKeepsPrefixAndSuffix) {
    edit->SetEditType(etRange);
    edit->SetPrefix("[");
    edit->SetSuffix("]");
    TRangeList list;
    for (int v : {3, 1, 2}) list.Add(v);
    edit->ListToRangeStr(&list);
    EXPECT_EQ(edit->WindowText(), "[1-3]");
    TRangeList back;
    EXPECT_TRUE(edit->RangeStrToList(&back));
    EXPECT_EQ(back.Count(), 3);
}

TEST_F(AdvEditTest, MaskedEditFillsPositionsAndTabsWhenComplete) {
    auto* m = new TAdvMaskEdit(form);
    m->SetParent(form);
    m->SetBounds(100, 130, 120, 21);
    m->SetEditMask("00.00;1;_");
    EXPECT_EQ(m->EditText(), "__.__");
    m->SetFocus();
    Application->ProcessMessages();
    m->SetSelStart(0);
    int complete = 0;
    m->OnMaskComplete = [&](TObject*, AnsiString, bool&) { ++complete; };
    for (char c : std::string("12x34")) m->Perform(WM_CHAR, static_cast<unsigned char>(c), 1);
    EXPECT_EQ(m->EditText(), "12.34");
    EXPECT_TRUE(m->MaskComplete());
    m->Perform(WM_KEYUP, '4', 1);
    EXPECT_EQ(complete, 1);
    Application->ProcessMessages();
    EXPECT_FALSE(m->Focused());
    m->Perform(WM_CHAR, 8, 1);
    EXPECT_EQ(m->EditText(), "12.3_");
    EXPECT_FALSE(m->MaskComplete());
}

} // namespace
