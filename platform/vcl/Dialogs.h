#pragma once
// Message dialogs with German buttons, the file and colour dialogs, and the seam through which tests
// answer any modal dialog without a person.
#include <functional>
#include <string>
#include <vector>

#include "Forms.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TEnumSet<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// What a test sees of a modal dialog while it waits for an answer.
class TModalDialog {
public:
    virtual ~TModalDialog() = default;
    virtual AnsiString Caption() const = 0;
    // The message of a message dialog; the title of the file and colour dialogs.
    virtual AnsiString Text() const = 0;
    // The buttons' captions as shown ("&" marks removed), in their order.
    virtual std::vector<AnsiString> Buttons() const = 0;
    // The form for dialogs that are forms (message dialogs, ShowModal), else nullptr.
    virtual TCustomForm* Form() const = 0;
    // Presses the button with this caption; raises EComponentError when there is none.
    virtual void Press(const AnsiString& Button) = 0;
    // File and colour dialogs: what the person would have chosen (before pressing "Öffnen"/"OK").
    virtual void SetFileName(const AnsiString&) {}
    // File dialogs: the folder they open in.
    virtual AnsiString Directory() const { return {}; }
    virtual void SetColor(TColor) {}
    // Colour dialogs: the colour shown, and custom colour Index (0..15; -1 when unset).
    virtual TColor Color() const { return clNone; }
    virtual TColor CustomColor(int) const { return -1; }
    virtual void SetCustomColor(int, TColor) {}
};

namespace Dialogs {

// While set, every modal dialog (message dialogs, forms shown with ShowModal, TOpenDialog,
// TColorDialog) calls Answerer once it is open, instead of waiting for a person. A dialog the
// answerer leaves unanswered is cancelled, so a test cannot hang. Pass nullptr to restore.
using TDialogAnswerer = std::function<void(TModalDialog& Dialog)>;
void SetDialogAnswerer(TDialogAnswerer Answerer);

// A dialog with the message, an icon for the type and the buttons; the caption is the type's
// ("Warnung", "Fehler", "Information", "Bestätigen"), for mtCustom the application's title.
TForm* CreateMessageDialog(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
// Shows it modally and answers the modal result of the button pressed (mrYes, mrNo ...).
int MessageDlg(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx = 0);
int MessageDlgPos(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X, int Y);
// The message with an "OK" button under the application's title.
void ShowMessage(const AnsiString& Msg);
// The same message, shown without waiting: the caller, the timers and every other window go on
// while it is open, and it goes when its OK is pressed. The dialog answerer answers it at once.
// OnClosed runs once, when the message has gone.
void ShowMessageWithoutWaiting(const AnsiString& Msg, std::function<void()> OnClosed = nullptr);

// The platform's message box (MB_ flags; answers IDOK, IDYES ...).
int PlatformMessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Flags);

// The German captions of the buttons: "OK", "Ja", "Nein", "Abbrechen" ...
AnsiString ButtonCaption(TMsgDlgBtn Button);

} // namespace Dialogs

// ---- common dialogs --------------------------------------------------------------------------------------------
enum TOpenOption {
    ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate, ofAllowMultiSelect,
    ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
    ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog, ofNoDereferenceLinks,
    ofEnableIncludeNotify, ofEnableSizing, ofDontAddToRecent, ofForceShowHidden
};
using TOpenOptions = TEnumSet<TOpenOption>;

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* AOwner);
    ~TOpenDialog() override;
    // True when a file was chosen; FileName (and Files) then hold it.
    virtual bool Execute();
    AnsiString FileName;
    // "Description|*.ext;*.ext2|Other|*.x" as the class library writes filters.
    AnsiString Filter;
    int FilterIndex = 1;
    // Added (without the dot) to a chosen name that has no extension.
    AnsiString DefaultExt;
    // The folder the dialog opens in: InitialDir, else the folder of FileName, else the program's
    // folder, else the home folder; the first of them that exists.
    AnsiString InitialDir;
    AnsiString Title;
    TOpenOptions Options{ofHideReadOnly, ofEnableSizing};
    TStrings* Files() const { return files_.get(); }
protected:
    virtual bool Saving() const { return false; }
private:
    std::unique_ptr<TStringList> files_;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
protected:
    bool Saving() const override { return true; }
};

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = TEnumSet<TColorDialogOption>;

class TColorDialog : public TComponent {
public:
    explicit TColorDialog(TComponent* AOwner);
    ~TColorDialog() override;
    bool Execute();
    TColor Color = clBlack;
    TColorDialogOptions Options;
    // The 16 custom colours as lines "ColorA=bbggrr" .. "ColorP=bbggrr" (six lower-case hexadecimal
    // digits); a missing or empty value is an unset colour. Other lines are kept as they are. The
    // dialog starts with these colours and, after OK, writes the custom colours back.
    TStrings* CustomColors() const { return customColors_.get(); }
    void SetCustomColors(TStrings* Value) { customColors_->Assign(Value); }
private:
    std::unique_ptr<TStringList> customColors_;
};

namespace Dialogs {
// The Qt name filter for a filter of the class library ("Database|*.mde" -> "Database (*.mde)").
std::vector<std::string> QtNameFilters(const AnsiString& Filter);
} // namespace Dialogs
