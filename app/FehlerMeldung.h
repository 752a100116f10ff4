#pragma once
// The pieces the speaking character needs that are installed apart from the program: the character
// server, the speech library, at least one voice and at least one character. Before the first
// character is loaded they are checked in that order; the first missing one is explained in a small
// dialog with a link to where it can be had.
#include <functional>

#include "Classes.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "HTMLabel.h"
#include "PictureContainer.h"
#include "StdCtrls.h"

// Where the speech of the desktop is installed from.
extern const char* const SpeechPackagePage;
// The page beside the program about character packages, and its path.
extern const char* const CharacterPageName;
AnsiString CharacterPage();

// The common look of the four dialogs: the explanation with its link, a picture and an "Ok" button.
class TFehlerMeldung : public TForm {
public:
    THTMLabel* HTMLabel1;
    TImage* Image1;
    TButton* Button1;

    void Button1Click(TObject* Sender);
    virtual void HTMLabel1AnchorClick(TObject* Sender, const AnsiString& Anchor) = 0;

protected:
    struct Layout {
        const char* Caption;
        int Width, Height;
        bool ClientSize;
        TRect Label; // left, top, width, height
        int ButtonLeft, ButtonTop;
        const char* Text;
    };
    TFehlerMeldung(TComponent* AOwner, const Layout& L);
    void OpenLink(const AnsiString& Url);
};

class TFehlerMeldungAGENT : public TFehlerMeldung {
public:
    explicit TFehlerMeldungAGENT(TComponent* AOwner);
    void HTMLabel1AnchorClick(TObject* Sender, const AnsiString& Anchor) override;
};

class TFehlerMeldungSAPI : public TFehlerMeldung {
public:
    explicit TFehlerMeldungSAPI(TComponent* AOwner);
    void HTMLabel1AnchorClick(TObject* Sender, const AnsiString& Anchor) override;
};

class TFehlerMeldungTTS : public TFehlerMeldung {
public:
    explicit TFehlerMeldungTTS(TComponent* AOwner);
    void HTMLabel1AnchorClick(TObject* Sender, const AnsiString& Anchor) override;
    // Holds the picture "speak" of the text.
    TPictureContainer* PictureContainer1;
};

class TFehlerMeldungAGENTS : public TFehlerMeldung {
public:
    explicit TFehlerMeldungAGENTS(TComponent* AOwner);
    void HTMLabel1AnchorClick(TObject* Sender, const AnsiString& Anchor) override;
};

// The four checks; each answers true when the piece is there.
class TSpeechComponentCheck {
public:
    // MainWindow owns the temporary voice list of the voice check.
    explicit TSpeechComponentCheck(TComponent* MainWindow) : mainWindow_(MainWindow) {}
    bool IsAgentServerInstalled();
    bool IsSapiInstalled();
    bool IsTtsEngineInstalled();
    bool AreAgentCharactersInstalled();
    // Runs the checks in order; the first that fails shows its dialog modally. True when all passed.
    bool Run();

private:
    TComponent* mainWindow_;
};

namespace FehlerMeldung {
// Adds the names of the entries of Folder matching Mask ("*" and "?", case ignored), that folder
// only, to List; without extension when StripExtensions. Failures of the search are swallowed.
void GetFileList(const AnsiString& Folder, const AnsiString& Mask, TStrings* List, bool StripExtensions);

// Tests decide what the speech library and voice checks find; nullptr restores the platform's answer.
void SetSpeechLibraryProbe(std::function<bool()> Probe);
void SetVoiceCountProbe(std::function<int()> Probe);
// Whether the package at Path counts as loadable; nullptr asks the character server.
void SetCharacterProbe(std::function<bool(const AnsiString& Path)> Probe);
} // namespace FehlerMeldung
