#include "TarvolinEinstellung.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "AdvCombo.h"
#include "AdvEditQuery.h"

#include "DirectSS.h"
#include "IniFiles.h"
#include "MMSystem.h"
#include "Settings.h"
#include "SysUtils.h"
#include "TextEncoding.h"

namespace {

// Each change goes to the settings key at once; the main window creates the key at its start, so a
// missing key means nothing is written, and a failed write leaves the dialog open.
TSettings& Settings() { return TSettings::Program(); }
using V = TSettingsValue;

} // namespace

// ---- slider ------------------------------------------------------------------------------------------------
TSettingsSlider::TSettingsSlider(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 150, 24); }

void TSettingsSlider::SetPosition(int Value) {
    Value = std::clamp(Value, Min, std::max(Min, Max));
    if (Value == position_) return;
    position_ = Value;
    Invalidate();
    if (OnChange) OnChange(this);
}

void TSettingsSlider::Paint() {
    TCanvas* c = Canvas();
    const int w = Width(), h = Height(), mid = h / 2;
    c->Brush()->SetColor(Color());
    c->FillRect(TRect(0, 0, w, h));
    c->Pen()->SetColor(clGray);
    c->MoveTo(Margin, mid);
    c->LineTo(w - Margin, mid);
    const int span = std::max(1, Max - Min);
    if (Frequency > 0)
        for (int p = Min; p <= Max; p += Frequency) {
            const int x = Margin + (w - 2 * Margin) * (p - Min) / span;
            c->MoveTo(x, h - 4);
            c->LineTo(x, h - 1);
        }
    // The thumb stays whole at either end.
    const int x = Margin + (w - 2 * Margin) * (position_ - Min) / span;
    c->Brush()->SetColor(Enabled() ? clBtnFace : clSilver);
    c->Rectangle(x - 4, mid - 8, x + 5, mid + 6);
}

void TSettingsSlider::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled()) return;
    const int w = std::max(1, Width() - 2 * Margin);
    SetPosition(Min + ((X - Margin) * (Max - Min) + w / 2) / w);
}

// ---- interval steps ----------------------------------------------------------------------------------------
int SayTimeStep(int Minutes, bool Up) {
    static const int offered[] = {5, 10, 15, 20, 30, 60};
    if (Up) {
        for (int m : offered)
            if (m > Minutes) return m;
        return 60;
    }
    for (int i = 5; i >= 0; --i)
        if (offered[i] < Minutes) return offered[i];
    return 5;
}

// ---- the form ------------------------------------------------------------------------------------------------
namespace {
template <class T> T* Make(TWinControl* parent, int l, int t, int w, int h) {
    T* c = new T(parent);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}
// A control with its name and, when given, its caption.
template <class T> T* Named(TWinControl* parent, const char* name, int l, int t, int w, int h, const char* caption = nullptr) {
    T* c = Make<T>(parent, l, t, w, h);
    c->SetName(name);
    if (caption) c->SetCaption(caption);
    return c;
}
TLabel* AddLabel(TWinControl* parent, int l, int t, const char* text) {
    TLabel* lbl = Make<TLabel>(parent, l, t, 160, 16);
    lbl->SetCaption(text);
    return lbl;
}
// A label that ends at Right, under the right end of a slider.
void AddRightLabel(TWinControl* parent, int right, int t, const char* text) {
    TLabel* lbl = AddLabel(parent, right - 100, t, text);
    lbl->SetLeft(right - lbl->Width());
}
TdxfCheckBox* Check(TWinControl* parent, const char* name, int l, int t, int w, const char* text) {
    return Named<TdxfCheckBox>(parent, name, l, t, w, 18, text);
}
TAdvEdit* Edit(TWinControl* parent, const char* name, int l, int t, int w, const char* label) {
    TAdvEdit* e = Named<TAdvEdit>(parent, name, l, t, w, 21);
    e->SetLabelCaption(label);
    e->SetLabelMargin(6);
    e->SetLabelPosition(lpLeftCenter);
    return e;
}
// The picture buttons take their shape from their pictures; the corner pixel's colour is see-through.
const TColor GlyphBackground = TColor(0x00FF00FF);

// A loudspeaker with a note beside it: the button that chooses the alarm sound.
void PaintSoundGlyph(TdxfPictureButton* Button) {
    TBitmap glyph;
    glyph.SetSize(24, 24);
    TCanvas* c = glyph.Canvas();
    c->Brush()->SetColor(GlyphBackground);
    c->FillRect(TRect(0, 0, 24, 24));
    c->Pen()->SetColor(TColor(0x00303030));
    c->Brush()->SetColor(TColor(0x00606060));
    c->Polygon({{2, 9}, {6, 9}, {12, 3}, {12, 20}, {6, 14}, {2, 14}});
    c->Brush()->SetColor(TColor(0x00C06000));
    c->Pen()->SetColor(TColor(0x00804000));
    c->Ellipse(14, 15, 19, 20);
    c->FillRect(TRect(18, 4, 20, 18));
    c->FillRect(TRect(18, 4, 23, 6));
    Button->SetGlyph(&glyph);
}

// A plain raised button face carrying Caption, for a picture button that acts as a push button.
void PaintCaptionGlyph(TdxfPictureButton* Button, const char* Caption, int Width, int Height) {
    TBitmap glyph;
    glyph.SetSize(Width - 2, Height - 2);
    TCanvas* c = glyph.Canvas();
    const int w = Width - 2, h = Height - 2;
    c->Brush()->SetColor(GlyphBackground);
    c->FillRect(TRect(0, 0, w, h));
    c->Brush()->SetColor(clBtnFace);
    c->Pen()->SetColor(clBtnShadow);
    c->Rectangle(1, 1, w - 1, h - 1);
    c->SetFont(Button->Font());
    c->Brush()->SetStyle(bsClear);
    c->TextOut((w - c->TextWidth(Caption)) / 2, (h - c->TextHeight(Caption)) / 2, Caption);
    Button->SetGlyph(&glyph);
}

TSettingsSlider* Slider(TWinControl* parent, const char* name, int l, int t, int min, int max, int freq, int pos, int w = 150) {
    TSettingsSlider* s = Named<TSettingsSlider>(parent, name, l, t, w, 24);
    s->Min = min;
    s->Max = max;
    s->Frequency = freq;
    s->SetPosition(pos);
    return s;
}
} // namespace

TSchriftDialog::TSchriftDialog(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Schriftart");
    SetBorderStyle(bsDialog);
    SetClientWidth(412);
    SetClientHeight(306);
    AddLabel(this, 8, 8, "Schriftart:");
    FontName = Named<TAdvEdit>(this, "FontName", 8, 26, 200, 21);
    FontList = Named<TListBox>(this, "FontList", 8, 50, 200, 132);
    FontList->Items()->Assign(Screen->Fonts());
    AddLabel(this, 216, 8, "Schriftgrad:");
    FontSize = Named<TAdvSpinEdit>(this, "FontSize", 216, 26, 64, 21);
    FontSize->MinValue = MinFontSize;
    FontSize->MaxValue = MaxFontSize;
    FontSize->SetValue(8);
    SizeList = Named<TListBox>(this, "SizeList", 216, 50, 64, 132);
    for (int size = MinFontSize; size <= MaxFontSize; ++size) SizeList->Items()->Add(SysUtils::IntToStr(size));

    Effekte = Named<TdxfGroupBox>(this, "Effekte", 8, 190, 200, 108, "Effekte");
    Durchgestrichen = Check(Effekte, "Durchgestrichen", 10, 20, 150, "Durchgestrichen");
    Unterstrichen = Check(Effekte, "Unterstrichen", 10, 42, 150, "Unterstrichen");
    AddLabel(Effekte, 12, 76, "Farbe:");
    FontColor = Named<TPanel>(Effekte, "FontColor", 60, 70, 25, 25, "");
    FontColor->SetColor(clBlack);
    ColorButton = Named<TButton>(Effekte, "ColorButton", 92, 70, 96, 25, "Farbe ...");
    ColorDialog = new TColorDialog(this);

    Beispiel = Named<TdxfGroupBox>(this, "Beispiel", 216, 190, 188, 108, "Beispiel");
    Sample = Named<TLabel>(Beispiel, "Sample", 8, 20, 172, 80);
    Sample->SetAutoSize(false);
    Sample->SetAlignment(taCenter);
    Sample->SetLayout(tlCenter);
    Sample->SetCaption("AaBbYyZz");

    OkButton = Make<TButton>(this, 296, 26, 108, 25);
    OkButton->SetCaption("OK");
    OkButton->ModalResult = mrOk;
    OkButton->Default = true;
    CancelButton = Make<TButton>(this, 296, 58, 108, 25);
    CancelButton->SetCaption("Abbrechen");
    CancelButton->ModalResult = mrCancel;
    CancelButton->Cancel = true;
    ApplyButton = Make<TButton>(this, 296, 90, 108, 25);
    ApplyButton->SetCaption("Übernehmen");

    ColorButton->OnClick = [this](TObject*) {
        ColorDialog->Color = FontColor->Color();
        if (ColorDialog->Execute()) FontColor->SetColor(ColorDialog->Color);
        ShowSample();
    };
    FontName->OnChange = [this](TObject*) {
        if (!choosing_) SelectFamily(FontName->Text());
        ShowSample();
    };
    FontList->OnClick = [this](TObject*) {
        const int i = FontList->ItemIndex();
        if (i < 0) return;
        choosing_ = true;
        FontName->SetText(FontList->Items()->Get(i));
        choosing_ = false;
        ShowSample();
    };
    FontSize->OnChange = [this](TObject*) {
        SizeList->SetItemIndex(FontSize->Value() - MinFontSize);
        ShowSample();
    };
    SizeList->OnClick = [this](TObject*) {
        if (SizeList->ItemIndex() >= 0) FontSize->SetValue(MinFontSize + SizeList->ItemIndex());
    };
    Durchgestrichen->OnClick = [this](TObject*) { ShowSample(); };
    Unterstrichen->OnClick = [this](TObject*) { ShowSample(); };
    ApplyButton->OnClick = [this](TObject*) {
        if (OnApply) OnApply(this);
    };
}

namespace {
// The shipped designs write the page's font as the stored family, then "DejaVu Sans", then sans-serif.
const char* const PageFallbackFamily = "DejaVu Sans";

// The browser takes a family the window system offers for a name that is not installed only when
// it has the name's metrics; the classes of such families, 0 for any other.
int MetricClass(const AnsiString& Family) {
    static const std::pair<const char*, int> classes[] = {
        {"arial", 1}, {"arimo", 1}, {"liberation sans", 1},
        {"times new roman", 2}, {"tinos", 2}, {"liberation serif", 2},
        {"courier new", 3}, {"cousine", 3}, {"liberation mono", 3},
        {"cambria", 4}, {"caladea", 4}, {"calibri", 5}, {"carlito", 5}, {"symbol", 6}, {"symbol neu", 6}};
    const AnsiString name = SysUtils::AnsiLowerCase(SysUtils::Trim(Family));
    for (const auto& [family, kind] : classes)
        if (name == family) return kind;
    return 0;
}

// The installed family of that name, whatever its case; empty when there is none.
AnsiString InstalledFamily(const AnsiString& Name) {
    const AnsiString wanted = SysUtils::AnsiLowerCase(SysUtils::Trim(Name));
    TStrings* fonts = Screen->Fonts();
    for (int i = 0; !wanted.empty() && i < fonts->Count(); ++i)
        if (SysUtils::AnsiLowerCase(fonts->Get(i)) == wanted) return fonts->Get(i);
    return "";
}
} // namespace

AnsiString TSchriftDialog::PageFamily(const AnsiString& Name) {
    const AnsiString installed = InstalledFamily(Name);
    if (!installed.empty()) return installed;
    TFont probe;
    if (MetricClass(Name) != 0) {
        probe.SetName(Name);
        const AnsiString standIn = InstalledFamily(probe.ResolvedName());
        if (!standIn.empty() && MetricClass(standIn) == MetricClass(Name)) return standIn;
    }
    const AnsiString fallback = InstalledFamily(PageFallbackFamily);
    if (!fallback.empty()) return fallback;
    probe.SetName("sans-serif");
    return probe.ResolvedName();
}

void TSchriftDialog::SetChosenFont(const AnsiString& Name, int Size, TColor Color) {
    givenName_ = Name;
    // Not installed here (the page's "Comic Sans Ms" on Linux), a family is drawn by the page with
    // another: the user sees that one.
    shownName_ = InstalledFamily(Name).empty() ? PageFamily(Name) : Name;
    SelectFamily(shownName_);
    choosing_ = true;
    FontName->SetText(shownName_);
    choosing_ = false;
    FontSize->SetValue(std::clamp(Size, int(MinFontSize), int(MaxFontSize)));
    SizeList->SetItemIndex(FontSize->Value() - MinFontSize);
    FontColor->SetColor(Color);
    ShowSample();
}

AnsiString TSchriftDialog::ChosenName() const {
    return FontName->Text() == shownName_ ? givenName_ : FontName->Text();
}

// The list follows the name: the family of that name, whatever its case, is selected and scrolled to.
void TSchriftDialog::SelectFamily(const AnsiString& Name) {
    const AnsiString wanted = SysUtils::AnsiLowerCase(SysUtils::Trim(Name));
    int found = -1;
    for (int i = 0; i < FontList->Items()->Count() && found < 0; ++i)
        if (SysUtils::AnsiLowerCase(FontList->Items()->Get(i)) == wanted) found = i;
    FontList->SetItemIndex(found);
    if (found >= 0) FontList->SetTopIndex(std::max(0, found - 3));
}

void TSchriftDialog::ShowSample() {
    Sample->Font()->SetName(FontName->Text().empty() ? AnsiString("MS Sans Serif") : FontName->Text());
    Sample->Font()->SetSize(FontSize->Value());
    Sample->Font()->SetColor(FontColor->Color());
    TFontStyles style;
    if (Durchgestrichen->Checked()) style << fsStrikeOut;
    if (Unterstrichen->Checked()) style << fsUnderline;
    Sample->Font()->SetStyle(style);
}

// Each value goes to the settings key the moment its control changes.
struct TEinstellungen::TStoredValue {
    // Flag: a box (or a slider, on unless at its right end) written as a boolean; Number: a slider or
    // spin edit; Choice: a list's item index, its default when out of the list; Text: an edit's or
    // list's text, its default when empty; Colour: a shape's colour, which the colour picker writes.
    enum TKind { Flag, Number, Choice, Text, Colour };
    TControl* Control;
    TKind Kind;
    // The field of the settings value it shows: Flag for a flag, Text for a text, Number otherwise.
    TSettingField<bool> FlagField = nullptr;
    TSettingField<int> NumberField = nullptr;
    TSettingField<AnsiString> TextField = nullptr;
    // The page shows the change only when it is rebuilt.
    bool Rebuild = false;
    // A missing value is written with its default when the dialog opens.
    bool StoreDefault = false;
    // False for a value shown by code of its own.
    bool ShownAtStart = true;
    // Another listed control whose value is written together with this one.
    TControl* StoredWith = nullptr;
    // Controls that follow this one: run when the value is shown and when it changes.
    std::function<void()> Follows = nullptr;
    // What else a change does, after the value is written.
    std::function<void()> Then = nullptr;
};

TEinstellungen::TEinstellungen(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Einstellungen");
    SetBorderStyle(bsDialog);
    SetClientWidth(664);
    SetClientHeight(470);
    PanelUnten = Named<TPanel>(this, "PanelUnten", 0, 429, 664, 41, "");
    PanelUnten->SetAlign(alBottom);
    Ok = Named<TButton>(PanelUnten, "Ok", 572, 8, 80, 25, "Ok");
    Ok->SetHint("Speichern und beenden");
    Ok->SetShowHint(true);

    PageControl1 = Named<TPageControl>(this, "PageControl1", 0, 0, 664, 429);
    PageControl1->SetAlign(alClient);
    auto sheet = [this](const char* name, const char* caption) {
        TTabSheet* s = new TTabSheet(this);
        s->SetName(name);
        s->SetCaption(caption);
        s->SetPageControl(PageControl1);
        return s;
    };
    TabAnsicht = sheet("TabAnsicht", "Ansicht");
    TabAgent = sheet("TabAgent", "Microsoft® Agent ");
    TabSprueche = sheet("TabSprueche", "Selbstdefinierte Sprüche:");
    PageControl1->SetActivePage(TabAnsicht);
    BuildViewTab();
    BuildAgentTab();
    BuildSayingsTab();

    OpenDialog = new TOpenDialog(this);
    FontDialog1 = new TSchriftDialog(this);
    FontDialog1->SetName("FontDialog1");
    SearchAgent = new TOpenDialog(this);
    ColorDialog = new TColorDialog(this);
    ColorDialog->Options = TColorDialogOptions{cdSolidColor};
    ColorDialog->CustomColors()->Add("Transparent");

    SetSayTimePosition(60);

    ListStoredValues();
    ConnectStoredValues();
    ConnectHandlers();

    Modified = false;
    FormCreate(this);
}

void TEinstellungen::BuildViewTab() {
    // tab "Ansicht", group "Ansicht:" on the left
    GroupBoxAnsicht = Named<TdxfGroupBox>(TabAnsicht, "GroupBoxAnsicht", 6, 6, 320, 372, "Ansicht:");
    AddLabel(GroupBoxAnsicht, 12, 28, "Ansicht:");
    ComboBoxAnsicht = Named<TAdvComboBox>(GroupBoxAnsicht, "ComboBoxAnsicht", 120, 24, 188, 21);
    ComboBoxAnsicht->SetStyle(csDropDownList);
    ComboBoxAnsicht->Items()->Add("Monatsansicht");
    ComboBoxAnsicht->Items()->Add("Wochenansicht");
    ComboBoxAnsicht->Items()->Add("x Tage-Ansicht");
    AddLabel(GroupBoxAnsicht, 12, 56, "Tage:");
    TageEdit = Named<TAdvSpinEdit>(GroupBoxAnsicht, "TageEdit", 120, 52, 60, 21);
    TageEdit->MinValue = SettingRange("xTage").Min;
    TageEdit->MaxValue = SettingRange("xTage").Max;
    TageEdit->SetValue(1);
    AddLabel(GroupBoxAnsicht, 12, 84, "Design:");
    ComboBoxDesign = Named<TAdvComboBox>(GroupBoxAnsicht, "ComboBoxDesign", 120, 80, 188, 21);
    ComboBoxDesign->SetStyle(csDropDownList);
    CheckBoxTermineVorDatumZeigen = Check(GroupBoxAnsicht, "CheckBoxTermineVorDatumZeigen", 12, 116, 296,
                                          "Termine vor aktuellem Datum anzeigen");
    CheckBoxshowFullWeeksInMonthView = Check(GroupBoxAnsicht, "CheckBoxshowFullWeeksInMonthView", 12, 142, 296,
                                             "Volle Wochen in der Monatsansicht zeigen ");
    auto shape = [this](const char* name, int top, const char* label) {
        AddLabel(GroupBoxAnsicht, 12, top + 6, label);
        TPanel* p = Make<TPanel>(GroupBoxAnsicht, 188, top, 25, 25);
        p->SetName(name);
        p->SetCaption("");
        return p;
    };
    btnColor1 = shape("btnColor1", 176, "Hintergrund (Tage):");
    CheckBoxTransp1 = Check(GroupBoxAnsicht, "CheckBoxTransp1", 220, 180, 94, "Transparent");
    btnColor3 = shape("btnColor3", 210, "Farbe des heutigen Tages:");
    CheckBoxTransp3 = Check(GroupBoxAnsicht, "CheckBoxTransp3", 220, 214, 94, "Transparent");
    btnColor4 = shape("btnColor4", 244, "Farbe der Wochenendtage:");
    SpeedButton2 = Named<TButton>(GroupBoxAnsicht, "SpeedButton2", 12, 288, 196, 25, "Schriftart und Farbe");

    // the untitled group beside it: window, start and birthday mail
    GroupBoxFenster = Named<TdxfGroupBox>(TabAnsicht, "GroupBoxFenster", 332, 6, 318, 372);
    Transparenzmode = Check(GroupBoxFenster, "Transparenzmode", 10, 16, 300, "Transparenz nur bei aktivem Fenster ändern");
    Transparenzmode->SetChecked(true);
    AddLabel(GroupBoxFenster, 12, 50, "Min:");
    Transparenz1 = Slider(GroupBoxFenster, "Transparenz1", 56, 44, SettingRange("Alpha").Min, SettingRange("Alpha").Max, 5, 100, 250);
    AddLabel(GroupBoxFenster, 12, 80, "Max:");
    Transparenz2 = Slider(GroupBoxFenster, "Transparenz2", 56, 74, SettingRange("AlphaAktive").Min, SettingRange("AlphaAktive").Max,
                          5, 100, 250);
    AddLabel(GroupBoxFenster, 56, 100, "transparent");
    AddRightLabel(GroupBoxFenster, 56 + 250, 100, "undurchsichtig");
    dxfCheckBox1 = Check(GroupBoxFenster, "dxfCheckBox1", 10, 130, 300, "Programm verzögert starten");
    Verzoegerung = Slider(GroupBoxFenster, "Verzoegerung", 56, 154, SettingRange("Delay").Min, SettingRange("Delay").Max, 5, 0, 250);
    AddLabel(GroupBoxFenster, 56, 180, "0 sec.");
    AddRightLabel(GroupBoxFenster, 56 + 250, 180, "60 sec.");
    CheckBoxGeburtstagseMail = Check(GroupBoxFenster, "CheckBoxGeburtstagseMail", 10, 212, 300, "eMail am Geburtstag versenden ");
    AdvEdit1 = Named<TAdvEdit>(GroupBoxFenster, "AdvEdit1", 12, 258, 294, 21);
    AdvEdit1->SetLabelCaption("Text für Geburtstags-eMail:");
    AdvEdit1->SetLabelPosition(lpTopLeft);
    AddLabel(GroupBoxFenster, 12, 302, "Alarmton");
    dxfPictureButton7 = Named<TdxfPictureButton>(GroupBoxFenster, "dxfPictureButton7", 90, 296, 26, 26);
    dxfPictureButton7->SetStyle(dxfFlat);
    dxfPictureButton7->Dither()->SetStyle(dxfDitherBlend);
    dxfPictureButton7->Dither()->SetColor(clBtnHighlight);
    dxfPictureButton7->SetHint("Alarmton wählen");
    dxfPictureButton7->SetShowHint(true);
    PaintSoundGlyph(dxfPictureButton7);
}

void TEinstellungen::BuildAgentTab() {
    // tab of the speaking character
    CheckBoxAgentUsed = Check(TabAgent, "CheckBoxAgentUsed", 10, 8, 300, "Microsoft® Agent benutzen");
    GroupBoxAgent = Named<TdxfGroupBox>(TabAgent, "GroupBoxAgent", 6, 32, 644, 346, "Microsoft® Agent ");
    CheckBoxAgentSayTime = Check(GroupBoxAgent, "CheckBoxAgentSayTime", 10, 26, 260, "Microsoft® Agent sagt Zeit an , alle:");
    SagZeitEdit = Named<TAdvEdit>(GroupBoxAgent, "SagZeitEdit", 280, 24, 34, 21);
    SagZeitEdit->SetReadOnly(true);
    UpDown1 = Named<TAdvSpinButton>(GroupBoxAgent, "UpDown1", 314, 24, 15, 21);
    AddLabel(GroupBoxAgent, 336, 28, "Minuten");
    AddLabel(GroupBoxAgent, 12, 62, "Größe:");
    TrackBar2 = Slider(GroupBoxAgent, "TrackBar2", 150, 56, 0, 1, 1, 0);
    TrackBar2->SetWidth(80);
    TrackBar2->SetHint("Größe der Figur 50 oder 100%");
    TrackBar2->SetShowHint(true);
    StandardAgent = Named<TButton>(GroupBoxAgent, "StandardAgent", 12, 92, 120, 25, "Figur wählen");
    AgentAtFileSystem = Named<TButton>(GroupBoxAgent, "AgentAtFileSystem", 140, 92, 120, 25, "Figur suchen");
    dxfPictureButton8 = Named<TdxfPictureButton>(GroupBoxAgent, "dxfPictureButton8", 268, 92, 120, 25, "Einstellungen");
    dxfPictureButton8->SetHint("Sprachausgabe der Figur einstellen");
    dxfPictureButton8->SetShowHint(true);
    PaintCaptionGlyph(dxfPictureButton8, "Einstellungen", 120, 25);
    AddLabel(GroupBoxAgent, 12, 134, "Speech Engine:");
    Voices = Named<TAdvComboBox>(GroupBoxAgent, "Voices", 150, 130, 480, 21);
    Voices->SetStyle(csDropDownList);
    SPAgentHalloFrueh = Edit(GroupBoxAgent, "SPAgentHalloFrueh", 150, 166, 480, "Begrüßung (Früh):");
    SPAgentHalloFrueh->SetText(SettingDefault::SPAgentHalloFrueh);
    SPAgentHalloMittag = Edit(GroupBoxAgent, "SPAgentHalloMittag", 150, 194, 480, "Begrüßung (Mittag):");
    SPAgentHalloMittag->SetText(SettingDefault::SPAgentHalloMittag);
    SPAgentHalloAbend = Edit(GroupBoxAgent, "SPAgentHalloAbend", 150, 222, 480, "Begrüßung (Abend):");
    SPAgentHalloAbend->SetText(SettingDefault::SPAgentHalloAbend);
    SPAgentHallo = Edit(GroupBoxAgent, "SPAgentHallo", 150, 250, 480, "Begrüßung:");
    SPAgentHallo->SetText(SettingDefault::SPAgentHallo);
    SPAgentTime = Edit(GroupBoxAgent, "SPAgentTime", 150, 278, 480, "Zeitansage:");
    SPAgentTime->SetText(SettingDefault::SPAgentTime);
    SBAgentAppointments = Edit(GroupBoxAgent, "SBAgentAppointments", 150, 306, 480, "Termine:");
    SBAgentAppointments->SetText(SettingDefault::SBAgentAppointments);
}

void TEinstellungen::BuildSayingsTab() {
    // tab of the sayings
    TabControl1 = Named<TTabControl>(TabSprueche, "TabControl1", 6, 6, 644, 372);
    Memo = Named<TPlainMemo>(TabControl1, "Memo", 10, 40, 390, 320);
    Memo->SetHint("Schreiben Sie hier Ihren Witz/Spruch oder Ansage hinein");
    Memo->SetShowHint(true);
    AddLabel(TabControl1, 414, 44, "Animation:");
    Animationen = Named<TAdvComboBox>(TabControl1, "Animationen", 494, 40, 138, 21);
    Animationen->SetStyle(csDropDown);
    AddLabel(TabControl1, 414, 76, "Uhrzeit:");
    Time = Named<TDateTimePicker>(TabControl1, "Time", 494, 72, 80, 21);
    Time->SetKind(dtkTime);
    Time->SetTime(0.0);
    AddLabel(TabControl1, 580, 76, "Uhr");
    New = Named<TButton>(TabControl1, "New", 414, 120, 218, 25, "neuen Spruch einfügen");
    SpruchEntfernen = Named<TButton>(TabControl1, "SpruchEntfernen", 414, 152, 218, 25, "Spruch entfernen");
    SpruchSpeichern = Named<TButton>(TabControl1, "SpruchSpeichern", 414, 184, 218, 25, "Spruch speichern");
}

void TEinstellungen::ConnectHandlers() {
    auto bind = [this](void (TEinstellungen::*handler)(TObject*)) {
        return [this, handler](TObject* s) { (this->*handler)(s); };
    };
    dxfPictureButton7->OnClick = bind(&TEinstellungen::dxfPictureButton7Click);
    SpeedButton2->OnClick = bind(&TEinstellungen::SpeedButton2Click);
    UpDown1->OnUpClick = [this](TObject* s) { UpDown1Click(s, true); };
    UpDown1->OnDownClick = [this](TObject* s) { UpDown1Click(s, false); };
    SagZeitEdit->OnChange = bind(&TEinstellungen::SagZeitEditChange);
    StandardAgent->OnClick = bind(&TEinstellungen::StandardAgentClick);
    AgentAtFileSystem->OnClick = bind(&TEinstellungen::AgentAtFileSystemClick);
    // A voice the keys pass on the way, in the list or the closed box, is only shown: the choice is
    // made when the list closes (a click, Return), with Return in the box, or when the box is left.
    Voices->OnCloseUp = bind(&TEinstellungen::VoicesChange);
    Voices->OnExit = bind(&TEinstellungen::VoicesChange);
    Voices->OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_ESCAPE) {
            // Escape restores the voice there was; it closes the list, or else stops here only when
            // it took back a voice passed.
            const bool passed = Voices->ItemIndex() != storedVoice_;
            const bool dropped = Voices->DroppedDown();
            Voices->SetItemIndex(storedVoice_);
            if (dropped) Voices->SetDroppedDown(false);
            if (passed || dropped) Key = 0;
        } else if (Key == VK_RETURN && !Voices->DroppedDown()) {
            VoicesChange(Voices);
        }
    };
    SPAgentTime->OnValueValidate = [this](TObject* s, AnsiString v, bool& ok) { SPAgentTimeValueValidate(s, v, ok); };
    SPAgentTime->SetShowError(true);
    Ok->OnClick = bind(&TEinstellungen::OkClick);
    dxfPictureButton8->OnClick = bind(&TEinstellungen::dxfPictureButton8Click);
    for (TPanel* shape : {btnColor1, btnColor3, btnColor4})
        shape->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState st, int x, int y) { btnColor1MouseUp(s, b, st, x, y); };
    TabControl1->OnChanging = [this](TObject* s, bool& allow) { TabControl1Changing(s, allow); };
    TabControl1->OnChange = bind(&TEinstellungen::TabControl1Change);
    Memo->OnClick = bind(&TEinstellungen::MemoClick);
    Memo->OnChange = bind(&TEinstellungen::MemoChange);
    Time->OnChange = bind(&TEinstellungen::TimeChange);
    Animationen->OnChange = bind(&TEinstellungen::AnimationenChange);
    New->OnClick = bind(&TEinstellungen::NewClick);
    SpruchEntfernen->OnClick = bind(&TEinstellungen::SpruchEntfernenClick);
    SpruchSpeichern->OnClick = bind(&TEinstellungen::SpruchSpeichernClick);
    OnShow = bind(&TEinstellungen::FormShow);
    OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
}

TEinstellungen::~TEinstellungen() {
    // The speaking texts are kept when the dialog goes, whatever was typed into them.
    for (TAdvEdit* e : {SPAgentHallo, SPAgentHalloMittag, SPAgentHalloFrueh, SPAgentHalloAbend, SPAgentTime, SBAgentAppointments}) {
        try {
            e->SavePersist();
        } catch (const SysUtils::Exception& failure) {
            DebugLog("Einstellung \"" + e->Name() + "\" nicht gespeichert: " + failure.what() + "\n");
        }
        e->Persistence()->Enable = false;
    }
}

void TEinstellungen::FormCreate(TObject*) {
    // 1. the speaking texts come from the settings key under their own names
    for (TAdvEdit* e : {SPAgentHallo, SPAgentHalloMittag, SPAgentHalloFrueh, SPAgentHalloAbend, SPAgentTime, SBAgentAppointments}) {
        e->Persistence()->Enable = true;
        e->Persistence()->Location = plRegistry;
        e->Persistence()->Key = "HKEY_CURRENT_USER";
        e->Persistence()->Section = TarvolinKey;
        try {
            e->LoadPersist();
        } catch (const SysUtils::Exception&) {
            // Unreadable, the text stays the one the edit starts with, and nothing is written.
        }
    }
    // 2.
    Modified = false;
    // 3. the listed values in their order, and the spoken time's interval
    const TSettingsValue settings = Settings().Current();
    if (settings.KeyFound) {
        ShowStoredValues(settings);
        SetSayTimePosition(settings.CharacterSayTimeAll);
    }
    // The character's group follows its box even without the key.
    StoredValueOf(CheckBoxAgentUsed).Follows();

    // 4. design list: the sections of the design file
    ComboBoxDesign->Items()->Clear();
    try {
        const AnsiString file = SysUtils::ProgramFolder() + "Vorlagen\\design.ini";
        if (SysUtils::FileExists(file)) {
            TIniFile ini(file);
            ini.ReadSections(ComboBoxDesign->Items());
        }
        if (settings.KeyFound) {
            // The page builder finds its design whatever the case, so the list does too; without a
            // stored design it takes its default one.
            const AnsiString design = SysUtils::LowerCase(settings.*StoredValueOf(ComboBoxDesign).TextField);
            for (int i = 0; i < ComboBoxDesign->Items()->Count(); ++i)
                if (SysUtils::LowerCase(ComboBoxDesign->Items()->Get(i)) == design) {
                    ComboBoxDesign->SetItemIndex(i);
                    break;
                }
        }
    } catch (const SysUtils::Exception&) {
        // Only read: a design file that cannot be read offers what was listed so far.
    }

    // 5. the speaking character, when there is one, and its animations for the sayings; it moves
    // out of the dialog's way once the dialog stands where it is shown (FormShow)
    if (TarvolinAgent::Start(false, true)) ListAnimations();

    // 6. the sayings
    FillSayings();

    // 7. the voices, with the stored one selected
    FillVoices();
}

// ---- the stored values --------------------------------------------------------------------------------------
namespace {
// What a listed control shows, as the number it is stored as: a box's tick, a slider's position (as a
// flag on unless at its right end), a spin edit's value, a list's item index.
int NumberShown(TControl* Control, bool Flag) {
    if (auto* box = dynamic_cast<TdxfCheckBox*>(Control)) return box->Checked() ? 1 : 0;
    if (auto* slider = dynamic_cast<TSettingsSlider*>(Control))
        return Flag ? (slider->Position() != slider->Max ? 1 : 0) : slider->Position();
    if (auto* spin = dynamic_cast<TAdvSpinEdit*>(Control)) return spin->Value();
    if (auto* list = dynamic_cast<TCustomComboBox*>(Control)) return list->ItemIndex();
    return 0;
}

// Shows Number on a listed control; a list shows Fallback for a number that is none of its items.
void ShowNumber(TControl* Control, bool Flag, int Number, int Fallback) {
    if (auto* box = dynamic_cast<TdxfCheckBox*>(Control)) box->SetChecked(Number != 0);
    else if (auto* slider = dynamic_cast<TSettingsSlider*>(Control))
        slider->SetPosition(!Flag ? Number : Number != 0 ? slider->Min : slider->Max);
    else if (auto* spin = dynamic_cast<TAdvSpinEdit*>(Control)) spin->SetValue(Number);
    else if (auto* list = dynamic_cast<TCustomComboBox*>(Control))
        list->SetItemIndex(Number >= 0 && Number < list->Items()->Count() ? Number : Fallback);
    else if (auto* shape = dynamic_cast<TPanel*>(Control)) shape->SetColor(static_cast<TColor>(Number));
}
} // namespace

// In the order the dialog shows them when it opens: the sliders write what they show, and the active
// alpha is in place before the inactive one is held below it.
void TEinstellungen::ListStoredValues() {
    using V = TStoredValue;
    auto transparent = [](TdxfCheckBox* box, TPanel* shape) {
        return [box, shape] {
            if (box->Checked()) shape->SetColor(clBtnFace);
        };
    };
    storedValues_ = {
        {.Control = AdvEdit1, .Kind = V::Text, .TextField = &TSettingsValue::Body, .Rebuild = true},
        {.Control = CheckBoxGeburtstagseMail, .Kind = V::Flag, .FlagField = &TSettingsValue::MailonBirthday,
         .Rebuild = true},
        {.Control = CheckBoxshowFullWeeksInMonthView, .Kind = V::Flag,
         .FlagField = &TSettingsValue::showFullWeeksInMonthView, .Rebuild = true},
        // A loaded character shows the new size at once (two thirds of its own size when zoomed).
        {.Control = TrackBar2, .Kind = V::Flag, .FlagField = &TSettingsValue::AgentZoom, .StoreDefault = true,
         .Then =
             [this] {
                 const bool zoom = NumberShown(TrackBar2, true) != 0;
                 if (auto character = TarvolinAgent::Character()) {
                     int w = 0, h = 0;
                     if (character->GetOriginalSize(w, h) >= 0) character->SetSize(zoom ? w * 2 / 3 : w, zoom ? h * 2 / 3 : h);
                 }
             }},
        {.Control = TageEdit, .Kind = V::Number, .NumberField = &TSettingsValue::xTage, .Rebuild = true},
        {.Control = CheckBoxAgentUsed, .Kind = V::Flag, .FlagField = &TSettingsValue::CharacterUsed,
         .Follows =
             [this] {
                 const bool on = CheckBoxAgentUsed->Checked();
                 GroupBoxAgent->SetEnabled(on);
                 for (int i = 0; i < GroupBoxAgent->ControlCount(); ++i) GroupBoxAgent->Controls(i)->SetEnabled(on);
             }},
        {.Control = CheckBoxAgentSayTime, .Kind = V::Flag, .FlagField = &TSettingsValue::CharacterSayTime},
        {.Control = CheckBoxTermineVorDatumZeigen, .Kind = V::Flag, .FlagField = &TSettingsValue::vorHeute,
         .Rebuild = true},
        // A transparent day shows as the dialog's face; the colour comes back when the dialog opens again.
        {.Control = CheckBoxTransp1, .Kind = V::Flag, .FlagField = &TSettingsValue::BackgroundColorDaysTransparent,
         .Rebuild = true, .StoredWith = CheckBoxTransp3, .Then = transparent(CheckBoxTransp1, btnColor1)},
        {.Control = CheckBoxTransp3, .Kind = V::Flag, .FlagField = &TSettingsValue::BackgroundColorTodayTransparent,
         .Rebuild = true, .StoredWith = CheckBoxTransp1, .Then = transparent(CheckBoxTransp3, btnColor3)},
        // Who listens to the settings (the window's fading) takes the new mode at once.
        {.Control = Transparenzmode, .Kind = V::Flag, .FlagField = &TSettingsValue::TransparenzOnActiveWindow,
         .StoreDefault = true},
        {.Control = Transparenz2, .Kind = V::Number, .NumberField = &TSettingsValue::AlphaAktive, .Rebuild = true,
         .Then =
             [this] {
                 if (!inAlphaRule_) AlphaRule();
             }},
        {.Control = Transparenz1, .Kind = V::Number, .NumberField = &TSettingsValue::Alpha,
         .Then = [this] { AlphaRule(); }},
        {.Control = Verzoegerung, .Kind = V::Number, .NumberField = &TSettingsValue::Delay},
        {.Control = dxfCheckBox1, .Kind = V::Flag, .FlagField = &TSettingsValue::UseDelay,
         .Follows = [this] { Verzoegerung->SetEnabled(dxfCheckBox1->Checked()); }, .Then = [this] { AlphaRule(); }},
        {.Control = ComboBoxAnsicht, .Kind = V::Choice, .NumberField = &TSettingsValue::VORLAGE, .Rebuild = true,
         .Follows = [this] { TageEdit->SetEnabled(ComboBoxAnsicht->ItemIndex() == 2); }},
        // Selected with the design list, which comes from the design file.
        {.Control = ComboBoxDesign, .Kind = V::Text, .TextField = &TSettingsValue::Design, .Rebuild = true,
         .ShownAtStart = false},
        {.Control = btnColor1, .Kind = V::Colour, .NumberField = &TSettingsValue::BackgroundColorDays},
        {.Control = btnColor3, .Kind = V::Colour, .NumberField = &TSettingsValue::BackgroundColorToday},
        {.Control = btnColor4, .Kind = V::Colour, .NumberField = &TSettingsValue::WeekendColor},
    };
}

void TEinstellungen::ConnectStoredValues() {
    for (const TStoredValue& value : storedValues_) {
        auto changed = [this, &value](TObject*) {
            Store(value);
            if (value.StoredWith) Store(StoredValueOf(value.StoredWith));
        };
        if (auto* box = dynamic_cast<TdxfCheckBox*>(value.Control)) box->OnClick = changed;
        else if (auto* slider = dynamic_cast<TSettingsSlider*>(value.Control)) slider->OnChange = changed;
        else if (auto* edit = dynamic_cast<TCustomEdit*>(value.Control)) edit->OnChange = changed;
        else if (auto* list = dynamic_cast<TCustomComboBox*>(value.Control)) list->OnChange = changed;
    }
}

const TEinstellungen::TStoredValue& TEinstellungen::StoredValueOf(const TControl* Control) const {
    return *std::find_if(storedValues_.begin(), storedValues_.end(), [Control](const TStoredValue& v) { return v.Control == Control; });
}

void TEinstellungen::ShowStoredValues(const TSettingsValue& Stored) {
    const TSettingsValue defaults;
    for (const TStoredValue& value : storedValues_) {
        if (!value.ShownAtStart) continue;
        if (value.Kind == TStoredValue::Text) {
            // Shown as if typed, so the text shown is the text kept.
            SetEditText(dynamic_cast<TAdvEdit*>(value.Control), Stored.*value.TextField);
        } else if (value.Kind == TStoredValue::Flag) {
            const bool on = Stored.*value.FlagField;
            if (value.StoreDefault && !Stored.WasRead(TSettings::NameOf(value.FlagField)))
                Settings().Write(value.FlagField, on);
            ShowNumber(value.Control, true, on ? 1 : 0, defaults.*value.FlagField ? 1 : 0);
        } else {
            // Shown as the program takes it, whatever number the file holds.
            const int number = Stored.*value.NumberField;
            if (value.StoreDefault && !Stored.WasRead(TSettings::NameOf(value.NumberField)))
                Settings().Write(value.NumberField, number);
            ShowNumber(value.Control, false, number, defaults.*value.NumberField);
        }
        if (value.Follows) value.Follows();
    }
}

void TEinstellungen::DebugLog(const AnsiString& Text) const {
    if (OnDebugLog) OnDebugLog(Text);
}

void TEinstellungen::Store(const TStoredValue& Value) {
    if (Value.Rebuild) Modified = true;
    if (Value.Follows) Value.Follows();
    if (Value.Kind == TStoredValue::Text) {
        auto* edit = dynamic_cast<TAdvEdit*>(Value.Control);
        Settings().Write(Value.TextField, edit ? edit->Text() : Value.Control->Text());
    } else if (Value.Kind == TStoredValue::Flag) {
        Settings().Write(Value.FlagField, NumberShown(Value.Control, true) != 0);
    } else {
        Settings().Write(Value.NumberField, NumberShown(Value.Control, false));
    }
    if (Value.Then) Value.Then();
}

void TEinstellungen::dxfPictureButton7Click(TObject*) {
    Modified = true;
    const TSettingsValue settings = Settings().Current();
    OpenDialog->Filter = "Sounddateien|*.wav";
    OpenDialog->DefaultExt = "WAV";
    OpenDialog->FileName = settings.WasRead("Wav") ? settings.Wav : AnsiString("*.wav");
    // Cancelling keeps the sound chosen before.
    if (!OpenDialog->Execute()) return;
    // The only value that makes its key, should it be missing.
    if (Settings().Write(&V::Wav, OpenDialog->FileName, true))
        PlaySound(OpenDialog->FileName.c_str(), 0, SND_FILENAME | SND_ASYNC);
}

void TEinstellungen::SpeedButton2Click(TObject*) {
    Modified = true;
    // The picker starts from the font the page shows: the stored one, else the page's own default.
    const TSettingsValue settings = Settings().Current();
    if (!settings.KeyFound) return;
    AnsiString name = settings.WasRead("Font") ? settings.Font : AnsiString();
    const int size = settings.FontSize, color = settings.FontColor;
    // Without a stored family the page draws its default's stand-in, and that is what OK stores.
    if (SysUtils::Trim(name).empty()) name = TSchriftDialog::PageFamily(SettingDefault::Font);
    FontDialog1->SetChosenFont(name, size, static_cast<TColor>(color));
    // Beside the settings dialog, so both are seen at once.
    const TRect area = Screen->WorkAreaRect();
    int x = Left() - FontDialog1->Width();
    if (x < area.Left) x = std::min(BoundsRect().Right, area.Right - FontDialog1->Width());
    const int y = std::clamp(Top(), area.Top, std::max(area.Top, area.Bottom - FontDialog1->Height()));
    FontDialog1->SetPosition(poDesigned);
    FontDialog1->SetBounds(std::max(area.Left, x), y, FontDialog1->Width(), FontDialog1->Height());
    FontDialog1->OnApply = [this](TObject*) { WriteChosenFont(); };
    if (FontDialog1->ShowModal() == mrOk) WriteChosenFont();
}

void TEinstellungen::WriteChosenFont() {
    const AnsiString name = FontDialog1->ChosenName();
    const int size = std::clamp(FontDialog1->FontSize->Value(), int(TSchriftDialog::MinFontSize), int(TSchriftDialog::MaxFontSize));
    const int color = static_cast<int>(FontDialog1->FontColor->Color());
    if (!Settings().Write(&V::Font, name)) Settings().Write(&V::Font, "");
    Settings().Write(&V::FontColor, color);
    Settings().Write(&V::FontSize, size);
}

void TEinstellungen::AlphaRule() {
    if (inAlphaRule_ || Transparenz1->Position() < Transparenz2->Position()) return;
    // Moving the active slider writes AlphaAktive; left where it is, it is written all the same (its
    // own rule is not run again for it: with both sliders alike it would never end).
    inAlphaRule_ = true;
    const int before = Transparenz2->Position();
    Transparenz2->SetPosition(Transparenz1->Position());
    if (Transparenz2->Position() == before) Store(StoredValueOf(Transparenz2));
    inAlphaRule_ = false;
}

void TEinstellungen::SetSayTimePosition(int Value) {
    sayTimePosition_ = SettingRange("CharacterSayTimeAll").Hold(Value);
    SetEditText(SagZeitEdit, SysUtils::IntToStr(sayTimePosition_));
}

// Text put in by the program counts as a change, as if it had been typed: its handler writes it.
void TEinstellungen::SetEditText(TAdvEdit* Edit, const AnsiString& Text) {
    if (Edit->Text() == Text) return;
    Edit->SetText(Text);
    if (Edit->OnChange) Edit->OnChange(Edit);
}

void TEinstellungen::UpDown1Click(TObject*, bool Up) { SetSayTimePosition(SayTimeStep(sayTimePosition_, Up)); }

void TEinstellungen::SagZeitEditChange(TObject*) {
    int minutes = 0;
    const bool number = SysUtils::TryStrToInt(SagZeitEdit->Text(), minutes);
    if (!number) minutes = 30;
    // Only the offered intervals are kept: a stored 45 becomes 30.
    if (number && minutes > 30 && minutes < 60) {
        minutes = 30;
        SetSayTimePosition(30);
        return;
    }
    sayTimePosition_ = SettingRange("CharacterSayTimeAll").Hold(minutes);
    if (!Settings().Write(&V::CharacterSayTimeAll, minutes)) Settings().Write(&V::CharacterSayTimeAll, 60);
}

void TEinstellungen::ReloadAgent() {
    TarvolinAgent::Reload();
    // Loaded where it stood, it may stand behind the dialog.
    if (Visible()) MoveCharacterAside(false);
    // Another character has animations of its own.
    ListAnimations();
}

void TEinstellungen::StandardAgentClick(TObject*) {
    // Forced, so the chooser works even while the character is switched off.
    if (TarvolinAgent::Start(true, false)) TarvolinAgent::ShowDefaultCharacterProperties();
    Settings().Write(&V::AgentFromFileSystem, "");
}

void TEinstellungen::AgentAtFileSystemClick(TObject*) {
    // The character packages of this platform lie in its characters folder as "*.acp".
    const TSettingsValue settings = Settings().Current();
    if (settings.KeyFound) {
        SearchAgent->Filter = "Figuren|*.acp";
        SearchAgent->InitialDir = Agent::CharactersFolder();
        SearchAgent->Title = "Microsoft® Agent Dateien";
        SearchAgent->FileName = settings.AgentFromFileSystem;
        if (SearchAgent->Execute() && !Settings().Write(&V::AgentFromFileSystem, SearchAgent->FileName))
            Settings().Write(&V::AgentFromFileSystem, "");
    }
    ReloadAgent();
}

void TEinstellungen::VoicesChange(TObject*) {
    const int index = Voices->ItemIndex();
    if (index < 0 || index == storedVoice_) return;
    const std::vector<TVoiceEntry> voices = SettingsVoices::InstalledVoices();
    if (index >= static_cast<int>(voices.size())) return;
    storedVoice_ = index;
    const AnsiString id = voices[static_cast<std::size_t>(index)].ModeID;
    Settings().Write(&V::AgentVoiceModeID, id);
    // The character takes its voice when it loads.
    ReloadAgent();
}

void TEinstellungen::dxfPictureButton8Click(TObject*) {
    // Forced like the chooser; pending messages run before the server's settings open.
    TarvolinAgent::Start(true, false);
    Application->ProcessMessages();
    TarvolinAgent::ShowPropertySheet();
}

void TEinstellungen::SPAgentTimeValueValidate(TObject*, AnsiString Value, bool& IsValid) {
    IsValid = Value.find("<TIME>") != AnsiString::npos;
}

void TEinstellungen::OkClick(TObject*) { SetModalResult(mrOk); }

// ---- the voices ------------------------------------------------------------------------------------------------
namespace {
SettingsVoices::TVoiceSource& VoiceSource() {
    static SettingsVoices::TVoiceSource source;
    return source;
}
} // namespace

SettingsVoices::TVoiceSource SettingsVoices::SetVoiceSource(TVoiceSource Source) {
    TVoiceSource old = std::move(VoiceSource());
    VoiceSource() = std::move(Source);
    return old;
}

std::vector<TVoiceEntry> SettingsVoices::InstalledVoices() {
    if (VoiceSource()) return VoiceSource()();
    std::vector<TVoiceEntry> voices;
    TDirectSS speech(nullptr);
    for (int i = 1; i <= speech.ModeCount(); ++i) voices.push_back({speech.ModeName(i), speech.ModeID(i)});
    return voices;
}

void TEinstellungen::FillVoices() {
    Voices->Items()->Clear();
    const AnsiString stored = Settings().Current().AgentVoiceModeID;
    int selected = -1;
    const std::vector<TVoiceEntry> voices = SettingsVoices::InstalledVoices();
    for (std::size_t i = 0; i < voices.size(); ++i) {
        Voices->Items()->Add(voices[i].Name);
        // The last voice with the stored id wins.
        if (!stored.empty() && voices[i].ModeID == stored) selected = static_cast<int>(i);
    }
    Voices->SetItemIndex(selected);
    storedVoice_ = selected;
}

// ---- the speaking character ----------------------------------------------------------------------------------
void TEinstellungen::ListAnimations() {
    auto character = TarvolinAgent::Character();
    if (!character) return;
    std::vector<std::string> names;
    if (character->GetAnimationNames(names) < 0) return;
    Animationen->Items()->Clear();
    for (const std::string& name : names) Animationen->Items()->Add(name);
}

// The character goes beside the dialog (left of it, else right of it, else above it) when the two
// overlap, and stays inside the work area: walking there, or at once.
void TEinstellungen::MoveCharacterAside(bool Walk) {
    auto character = TarvolinAgent::Character();
    if (!character) return;
    int left = 0, top = 0, w = 0, h = 0;
    if (character->GetPosition(left, top) < 0 || character->GetSize(w, h) < 0) return;
    const TRect dialog = BoundsRect();
    if (left >= dialog.Right || left + w <= dialog.Left || top >= dialog.Bottom || top + h <= dialog.Top) return;
    const TRect area = Screen->WorkAreaRect();
    int x = left, y = top;
    if (dialog.Left - w >= area.Left) x = dialog.Left - w;
    else if (dialog.Right + w <= area.Right) x = dialog.Right;
    else y = dialog.Top - h;
    x = std::clamp(x, area.Left, std::max(area.Left, area.Right - w));
    y = std::clamp(y, area.Top, std::max(area.Top, area.Bottom - h));
    if (!Walk) {
        character->SetPosition(x, y);
        return;
    }
    std::int32_t request = 0;
    character->MoveTo(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 1000, request);
}

void TEinstellungen::FormShow(TObject*) { MoveCharacterAside(true); }

void TEinstellungen::AnimationenChange(TObject*) {
    if (fillingEditor_) return;
    TabControl1->Tag = 1;
    // The preview counts as activity, so the character is not put away meanwhile.
    TarvolinAgent::ResetIdle();
    const bool wasLoaded = TarvolinAgent::Character() != nullptr;
    // The request the character was busy with for the main window; starting it asks it to show.
    const std::int32_t busyWith = TarvolinAgent::RequestId();
    if (!TarvolinAgent::Start(false, true)) return;
    auto character = TarvolinAgent::Character();
    if (!character) return;
    if (!wasLoaded) {
        // Freshly loaded for the preview: at the right edge of the work area, level with the dialog,
        // and from there beside it.
        character->SetPosition(Screen->WorkAreaRect().Right - 128, Top());
        MoveCharacterAside(false);
    } else {
        // The preview replaces whatever the character was doing, but not its showing: stopped, the
        // show would leave the animation unseen. (A fresh character's ids start anew.)
        character->Stop(busyWith);
    }
    character->Play(Animationen->Text(), TarvolinAgent::RequestId());
}

// ---- the sayings editor ----------------------------------------------------------------------------------------
namespace {
const char* const NamesSection = "Namen";
const int MaxSayings = 100;

} // namespace

AnsiString TEinstellungen::SayingsFile() { return SysUtils::ProgramFolder() + "sprueche.ini"; }
AnsiString TEinstellungen::ColorsFile() { return SysUtils::ProgramFolder() + "vorlagen\\colors.txt"; }

void TEinstellungen::FillSayings() {
    fillingEditor_ = true;
    TabControl1->Tabs()->Clear();
    try {
        TIniFile ini(SayingsFile());
        for (int i = 0; i < MaxSayings; ++i) {
            const AnsiString name = ini.ReadString(NamesSection, "Tab" + SysUtils::IntToStr(i), "");
            if (name.empty()) break;
            // A deleted saying of an older file.
            if (name == "empty") continue;
            TabControl1->Tabs()->Add(name);
        }
    } catch (const SysUtils::Exception&) {
        // Only read: the sayings listed so far are offered, and the file stays as it is.
    }
    fillingEditor_ = false;
    TabControl1->Tag = 0;
    SpruchEntfernen->SetEnabled(TabControl1->Tabs()->Count() > 0);
    if (TabControl1->Tabs()->Count() > 0) {
        TabControl1->SetTabIndex(0);
        LoadSaying(TabControl1->Tabs()->Get(0));
    }
}

void TEinstellungen::LoadSaying(const AnsiString& Name) {
    fillingEditor_ = true;
    try {
        TIniFile ini(SayingsFile());
        Animationen->SetText(ini.ReadString(Name, "Animation", "Blink"));
        SetMemoText(ini.ReadString(Name, "Spruch", ""));
        Time->SetTime(ini.ReadFloat(Name, "Zeit", 0.0));
    } catch (const SysUtils::Exception&) {
        fillingEditor_ = false;
        throw;
    }
    fillingEditor_ = false;
    // What is shown now is what the file holds.
    TabControl1->Tag = 0;
}

void TEinstellungen::SetMemoText(const AnsiString& Text) {
    const bool filling = fillingEditor_;
    fillingEditor_ = true;
    Memo->SetText(Text);
    fillingEditor_ = filling;
}

// The file keeps a saying on one line: the memo's lines are joined with blanks.
AnsiString TEinstellungen::SayingText() const {
    AnsiString text;
    for (int i = 0; i < Memo->Lines()->Count(); ++i) {
        const AnsiString line = Memo->Lines()->Get(i);
        if (!text.empty() && !line.empty()) text += ' ';
        text += line;
    }
    return text;
}

void TEinstellungen::SaveSaying() {
    TIniFile ini(SayingsFile());
    const int index = TabControl1->TabIndex();
    if (index >= 0) {
        const AnsiString name = TabControl1->Tabs()->Get(index);
        ini.WriteString(name, "Animation", Animationen->Text());
        ini.WriteString(name, "Spruch", SayingText());
        ini.WriteFloat(name, "Zeit", Time->Time().Val);
    }
    WriteSayingNames(ini);
}

// The name list is written whole, so no deleted or stale name stays behind it.
void TEinstellungen::WriteSayingNames(TIniFile& Ini) {
    Ini.EraseSection(NamesSection);
    for (int i = 0; i < TabControl1->Tabs()->Count(); ++i)
        Ini.WriteString(NamesSection, "Tab" + SysUtils::IntToStr(i), TabControl1->Tabs()->Get(i));
}

void TEinstellungen::SpruchSpeichernClick(TObject*) {
    if (TabControl1->TabIndex() < 0) return;
    SaveSaying();
    TabControl1->Tag = 0;
}

AnsiString TEinstellungen::SayingNameProblem(const AnsiString& Name) const {
    const AnsiString upper = SysUtils::AnsiUpperCase(Name);
    for (int i = 0; i < TabControl1->Tabs()->Count(); ++i)
        if (SysUtils::AnsiUpperCase(TabControl1->Tabs()->Get(i)) == upper)
            return "Dieser Spruch ist bereits enthalten, denken Sie sich bitte einen neuen Namen aus.";
    // The name is a section of the sayings file and a value of its name list.
    bool unusable = Name.empty() || upper == "NAMEN" || upper == "EMPTY" || Name[0] == ';';
    for (unsigned char c : Name)
        if (c < ' ' || c == '[' || c == ']' || c == '=' || c == '"') unusable = true;
    if (unusable)
        return "Dieser Name kann nicht verwendet werden (leer, \"Namen\", \"empty\" oder mit [ ] = \"), "
               "denken Sie sich bitte einen anderen Namen aus.";
    return "";
}

void TEinstellungen::NewClick(TObject* Sender) {
    SaveSaying();
    TabControl1->Tag = 0;
    if (TabControl1->Tabs()->Count() >= MaxSayings) {
        Dialogs::ShowMessage("Es können höchstens 100 Sprüche gespeichert werden.");
        return;
    }
    AnsiString name = "Spruch" + SysUtils::IntToStr(TabControl1->Tabs()->Count() + 1);
    if (!AdvInputQuery(etString, nullptr, "Bitte Name für Spruch eingeben", "Name:", name)) return;
    name = SysUtils::Trim(name);
    const AnsiString problem = SayingNameProblem(name);
    if (!problem.empty()) {
        Dialogs::ShowMessage(problem);
        return;
    }
    TabControl1->Tabs()->Add(name);
    TabControl1->SetTabIndex(TabControl1->Tabs()->Count() - 1);
    // Typing into an empty editor started the saying: what was typed stays.
    if (Sender != Memo) SetMemoText("");
    SpruchEntfernen->SetEnabled(true);
    // The new saying is not in the file until it is saved.
    TabControl1->Tag = 1;
}

void TEinstellungen::SpruchEntfernenClick(TObject*) {
    const int index = TabControl1->TabIndex();
    if (index < 0) {
        MessageBeep(0);
        return;
    }
    const AnsiString name = TabControl1->Tabs()->Get(index);
    TabControl1->Tabs()->Delete(index);
    {
        // The saying and its name go from the file at once; what the editor showed of it is dropped.
        TIniFile ini(SayingsFile());
        ini.EraseSection(name);
        WriteSayingNames(ini);
    }
    const int count = TabControl1->Tabs()->Count();
    TabControl1->SetTabIndex(count == 0 ? -1 : std::max(0, index - 1));
    if (count == 0) {
        SpruchEntfernen->SetEnabled(false);
        SetMemoText("");
        TabControl1->Tag = 0;
    } else {
        LoadSaying(TabControl1->Tabs()->Get(TabControl1->TabIndex()));
    }
}

void TEinstellungen::TabControl1Changing(TObject*, bool& AllowChange) {
    AllowChange = true;
    if (TabControl1->Tag != 1) return;
    if (Dialogs::MessageDlg("Wollen Sie den aktuellen Spruch erst speichern ?", mtConfirmation, mbYesNo) == mrYes)
        SpruchSpeichernClick(SpruchSpeichern);
}

void TEinstellungen::TabControl1Change(TObject*) {
    const int index = TabControl1->TabIndex();
    if (index >= 0) LoadSaying(TabControl1->Tabs()->Get(index));
}

void TEinstellungen::MemoClick(TObject*) { TabControl1->Tag = 1; }

void TEinstellungen::MemoChange(TObject*) {
    if (fillingEditor_) return;
    // The file keeps at most MaxSayingLength characters of a saying.
    if (TextEncoding::CharCount(SayingText()) > static_cast<std::size_t>(MaxSayingLength)) {
        SetMemoText(TextEncoding::LeftChars(SayingText(), MaxSayingLength));
        Memo->SetSelStart(MaxSayingLength);
    }
    if (TabControl1->Tabs()->Count() == 0) {
        NewClick(Memo);
        return;
    }
    TabControl1->Tag = 1;
}

void TEinstellungen::TimeChange(TObject*) {
    if (fillingEditor_) return;
    TabControl1->Tag = 1;
}

void TEinstellungen::FormCloseQuery(TObject*, bool& CanClose) {
    // Closing keeps every value, the voice shown and the saying being edited included when the user
    // wants it.
    CanClose = true;
    VoicesChange(Voices);
    if (TabControl1->Tag != 1 || TabControl1->TabIndex() < 0) return;
    if (Dialogs::MessageDlg("Wollen Sie den aktuellen Spruch erst speichern ?", mtConfirmation, mbYesNo) == mrYes)
        SpruchSpeichernClick(SpruchSpeichern);
}

// ---- the colour picker -----------------------------------------------------------------------------------------
void TEinstellungen::btnColor1MouseUp(TObject* Sender, TMouseButton Button, TShiftState, int, int) {
    if (Button != mbLeft) return;
    const AnsiString file = ColorsFile();
    // Something else under the file's name is told of and left as it is.
    bool refused = false;
    try {
        ColorDialog->CustomColors()->SetText(TextEncoding::DecodeText(SysUtils::ReadFileBytes(file)));
    } catch (const SysUtils::EFileRefused& e) {
        refused = true;
        SysUtils::TellRefusedFile(e);
    } catch (const SysUtils::Exception&) {
        // No file yet: the picker starts without colours of the user's own.
    }
    Modified = true;
    auto* shape = dynamic_cast<TPanel*>(Sender);
    if (shape == btnColor1 || shape == btnColor3 || shape == btnColor4) {
        // The dialog starts from the colour the page shows.
        const TStoredValue& colour = StoredValueOf(shape);
        TdxfCheckBox* transparent = shape == btnColor1 ? CheckBoxTransp1 : shape == btnColor3 ? CheckBoxTransp3 : nullptr;
        const TSettingsValue settings = Settings().Current();
        if (settings.KeyFound) {
            ColorDialog->Color = static_cast<TColor>(settings.*colour.NumberField);
            if (ColorDialog->Execute()) {
                shape->SetColor(ColorDialog->Color);
                // A chosen colour ends the transparency, in the registry and on the dialog.
                if (!Settings().Write(colour.NumberField, static_cast<int>(ColorDialog->Color))) {
                    DebugLog("Farbe nicht gespeichert\n");
                } else if (transparent) {
                    Settings().Write(StoredValueOf(transparent).FlagField, false);
                    transparent->SetChecked(false);
                }
            }
        }
    }
    if (!refused) ColorDialog->CustomColors()->SaveToFile(file);
}
