#include "FehlerMeldung.h"

#include <memory>

#include "AgentServer.h"
#include "DirectSS.h"
#include "ShellApi.h"
#include "SysUtils.h"

// The speech library and its voices come with the distribution, not from the maker.
const char* const SpeechPackagePage = "https://packages.debian.org/stable/espeak-ng";
// The characters are the program's own packages: a page beside the program says what they are and
// where they go.
const char* const CharacterPageName = "Figuren.html";

AnsiString CharacterPage() { return SysUtils::ProgramFolder() + CharacterPageName; }

namespace {

std::function<bool()>& LibraryProbe() {
    static std::function<bool()> probe;
    return probe;
}
std::function<int()>& VoiceProbe() {
    static std::function<int()> probe;
    return probe;
}
std::function<bool(const AnsiString&)>& CharacterProbe() {
    static std::function<bool(const AnsiString&)> probe;
    return probe;
}

// A speech balloon over a blue disc: the picture beside every explanation.
void PaintPicture(TImage* image) {
    TBitmap* bmp = image->Picture()->Bitmap();
    bmp->SetSize(50, 50);
    TCanvas* c = bmp->Canvas();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect({0, 0, 50, 50});
    c->Pen()->SetColor(0x804000);
    c->Brush()->SetColor(0xD08040);
    c->Ellipse(4, 14, 40, 50);
    c->Brush()->SetColor(clWhite);
    c->Ellipse(22, 2, 48, 22);
    c->Brush()->SetColor(0x804000);
    c->FillRect({30, 10, 41, 13});
}

// A small loudspeaker with sound waves, for the text about the voices.
void PaintSpeaker(THTMLPicture* picture) {
    TBitmap bmp;
    bmp.SetSize(20, 16);
    TCanvas* c = bmp.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect({0, 0, 20, 16});
    c->Brush()->SetColor(0x404040);
    c->FillRect({1, 5, 5, 11});
    for (int x = 5; x < 10; ++x) c->FillRect({x, 5 - (x - 5), x + 1, 11 + (x - 5)});
    c->Brush()->SetColor(0xD08040);
    c->FillRect({12, 6, 14, 10});
    c->FillRect({15, 4, 17, 12});
    TMemoryStream stream;
    bmp.SaveToStream(&stream);
    stream.Seek(0, soBeginning);
    picture->LoadFromStream(&stream);
}

} // namespace

// ---- the dialogs ------------------------------------------------------------------------------------------
TFehlerMeldung::TFehlerMeldung(TComponent* AOwner, const Layout& L) : TForm(AOwner) {
    SetCaption(L.Caption);
    Font()->SetName("MS Sans Serif");
    Font()->SetSize(8);
    SetPosition(poScreenCenter);
    if (L.ClientSize) {
        SetBorderStyle(bsDialog);
        SetClientWidth(L.Width);
        SetClientHeight(L.Height);
    } else {
        SetBounds(Left(), Top(), L.Width, L.Height);
    }

    HTMLabel1 = new THTMLabel(this);
    HTMLabel1->SetParent(this);
    HTMLabel1->SetBounds(L.Label.Left, L.Label.Top, L.Label.Right, L.Label.Bottom);
    HTMLabel1->SetAnchorHint(false);
    HTMLabel1->SetAutoSizing(false);
    HTMLabel1->SetShadowColor(clGray);
    HTMLabel1->SetShadowOffset(2);
    HTMLabel1->SetURLColor(clBlue);
    TStringList text;
    text.Add(L.Text);
    HTMLabel1->SetHTMLText(&text);
    HTMLabel1->OnAnchorClick = [this](TObject* Sender, const AnsiString& Anchor) { HTMLabel1AnchorClick(Sender, Anchor); };

    Image1 = new TImage(this);
    Image1->SetParent(this);
    Image1->SetBounds(16, 80, 50, 50);
    Image1->SetTransparent(true);
    PaintPicture(Image1);

    Button1 = new TButton(this);
    Button1->SetParent(this);
    Button1->SetBounds(L.ButtonLeft, L.ButtonTop, 75, 25);
    Button1->SetCaption("Ok");
    Button1->Font()->SetName("Tahoma");
    Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
}

void TFehlerMeldung::Button1Click(TObject*) { SetModalResult(mrCancel); }

void TFehlerMeldung::OpenLink(const AnsiString& Url) {
    ShellExecute(Handle(), "open", Url.c_str(), nullptr, nullptr, SW_SHOW);
}

TFehlerMeldungAGENT::TFehlerMeldungAGENT(TComponent* AOwner)
    : TFehlerMeldung(AOwner, {"MS Agent nicht installiert!", 363, 177, false, {2, 24, 353, 57}, 144, 104,
                              "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider ist der Figuren-Server (die Agent "
                              "Technologie) bei Ihnen nicht installiert. Das Programm kann deshalb nicht ausgeführt "
                              "werden. Um den Figuren-Server auf ihrem System zu installieren folgen Sie bitte <A "
                              "href=\"SAPIINSTALL\">diesem Link.</A></FONT></P></B>"}) {}

// The character server is part of the program; the page says what it needs beside it.
void TFehlerMeldungAGENT::HTMLabel1AnchorClick(TObject*, const AnsiString&) { OpenLink(CharacterPage()); }

TFehlerMeldungSAPI::TFehlerMeldungSAPI(TComponent* AOwner)
    : TFehlerMeldung(AOwner, {"SAPI nicht installiert!", 373, 144, true, {8, 32, 353, 57}, 152, 104,
                              "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider ist die Sprachausgabe espeak-ng "
                              "nicht installiert. Das Programm kann deshalb nicht ausgeführt werden. Um espeak-ng auf "
                              "ihrem System zu installieren, folgen Sie bitte <A href=\"SAPIINSTALL\">diesem "
                              "Link.</A></FONT></P></B>"}) {}

void TFehlerMeldungSAPI::HTMLabel1AnchorClick(TObject*, const AnsiString&) { OpenLink(SpeechPackagePage); }

TFehlerMeldungTTS::TFehlerMeldungTTS(TComponent* AOwner)
    : TFehlerMeldung(AOwner, {"TTS nicht installiert!", 359, 172, false, {-2, 24, 353, 81}, 136, 104,
                              "<B><P align=\"center\"><IMG src=\"speak\"><FONT face=\"Tahoma\">Leider ist auf Ihrem "
                              "System keine TextToSpeech Engine installiert. Das Programm kann deshalb nicht "
                              "ausgeführt werden. Um mindestens eine TTS auf Ihrem System zu installieren, folgen Sie "
                              "bitte <A href=\"TTSGER\">diesem Link.</A></FONT></P></B>"}) {
    PictureContainer1 = new TPictureContainer(this);
    TPictureItem* item = PictureContainer1->Items()->Add();
    item->SetName("speak");
    PaintSpeaker(item->Picture());
    HTMLabel1->SetPictureContainer(PictureContainer1);
}

void TFehlerMeldungTTS::HTMLabel1AnchorClick(TObject*, const AnsiString& Anchor) {
    if (Anchor == "TTSGER") OpenLink(SpeechPackagePage);
}

TFehlerMeldungAGENTS::TFehlerMeldungAGENTS(TComponent* AOwner)
    : TFehlerMeldung(AOwner, {"mindestens eine Figur muß installiert sein.", 379, 171, false, {8, 16, 353, 73}, 152,
                              104,
                              "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider sind auf Ihrem System keine "
                              "Agenten (Figuren) im Ordner \"Figuren\" des Programms installiert. Das Programm kann "
                              "deshalb nicht ausgeführt werden. Um Figuren auf Ihrem System zu installieren folgen Sie "
                              "bitte <A href=\"SAPIINSTALL\">diesem Link.</A></FONT></P></B> Der Link erklärt, "
                              "was ein Figuren-Paket ist und wohin es gehört."}) {}

void TFehlerMeldungAGENTS::HTMLabel1AnchorClick(TObject*, const AnsiString&) { OpenLink(CharacterPage()); }

// ---- the checks -------------------------------------------------------------------------------------------
bool TSpeechComponentCheck::IsAgentServerInstalled() { return Agent::CreateAgentServer() != nullptr; }

bool TSpeechComponentCheck::IsSapiInstalled() {
    return LibraryProbe() ? LibraryProbe()() : Agent::SpeechLibraryAvailable();
}

bool TSpeechComponentCheck::IsTtsEngineInstalled() {
    if (VoiceProbe()) return VoiceProbe()() > 0;
    std::unique_ptr<TDirectSS> voices = std::make_unique<TDirectSS>(mainWindow_);
    return voices->ModeCount() > 0;
}

// Only a package the server can load is a character: a Windows character file or a broken package
// would pass the check and then fail to load at every request.
bool TSpeechComponentCheck::AreAgentCharactersInstalled() {
    TStringList found;
    const AnsiString folder = SysUtils::IncludeTrailingPathDelimiter(Agent::CharactersFolder());
    FehlerMeldung::GetFileList(folder, "*.acp", &found, false);
    for (int i = 0; i < found.Count(); ++i) {
        const AnsiString path = folder + found.Strings(i);
        if (CharacterProbe() ? CharacterProbe()(path) : Agent::CanLoadCharacter(path)) return true;
    }
    return false;
}

bool TSpeechComponentCheck::Run() {
    std::unique_ptr<TFehlerMeldung> dialog;
    if (!IsAgentServerInstalled()) dialog = std::make_unique<TFehlerMeldungAGENT>(nullptr);
    else if (!IsSapiInstalled()) dialog = std::make_unique<TFehlerMeldungSAPI>(nullptr);
    else if (!IsTtsEngineInstalled()) dialog = std::make_unique<TFehlerMeldungTTS>(nullptr);
    else if (!AreAgentCharactersInstalled()) dialog = std::make_unique<TFehlerMeldungAGENTS>(nullptr);
    if (!dialog) return true;
    dialog->ShowModal();
    return false;
}

namespace FehlerMeldung {

void GetFileList(const AnsiString& Folder, const AnsiString& Mask, TStrings* List, bool StripExtensions) {
    if (!List || Folder.empty() || Mask.empty()) return;
    try {
        SysUtils::TSearchRec found;
        for (int result = SysUtils::FindFirst(SysUtils::IncludeTrailingPathDelimiter(Folder) + Mask, SysUtils::faAnyFile, found);
             result == 0; result = SysUtils::FindNext(found))
            List->Add(StripExtensions ? SysUtils::ChangeFileExt(found.Name, "") : found.Name);
        SysUtils::FindClose(found);
    } catch (const std::exception&) {
        // Only read: a folder that cannot be read lists what was found in it so far.
    }
}

void SetSpeechLibraryProbe(std::function<bool()> Probe) { LibraryProbe() = std::move(Probe); }
void SetVoiceCountProbe(std::function<int()> Probe) { VoiceProbe() = std::move(Probe); }
void SetCharacterProbe(std::function<bool(const AnsiString& Path)> Probe) { CharacterProbe() = std::move(Probe); }

} // namespace FehlerMeldung
