#pragma once
// The settings dialog. There is no cancel: each control writes its value to the settings key the
// moment it changes, and Modified tells the main window afterwards whether the page must be rebuilt.
#include <functional>
#include <memory>
#include <vector>

#include "AdvEdit.h"
#include "AgentServer.h"
#include "AdvSpin.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "EditBoxes.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "ListBoxes.h"
#include "PictureButton.h"
#include "Settings.h"
#include "StdCtrls.h"
#include "SpeakingCharacter.h"
#include "dxfCheckBox.h"
#include "dxfGroupBox.h"

class TAdvComboBox;
class TIniFile;


// The installed text-to-speech voices as the dialog lists them: by default those of the speech
// control (TDirectSS), numbered from 1 there and from 0 here.
struct TVoiceEntry {
    AnsiString Name;
    AnsiString ModeID;
};
namespace SettingsVoices {
using TVoiceSource = std::function<std::vector<TVoiceEntry>()>;
// Replaces where the voices come from and returns the source it replaces; an empty source
// restores the speech control.
TVoiceSource SetVoiceSource(TVoiceSource Source);
std::vector<TVoiceEntry> InstalledVoices();
} // namespace SettingsVoices

// A horizontal slider: Position within Min..Max, OnChange whenever the position changes.
class TSettingsSlider : public TCustomControl {
public:
    explicit TSettingsSlider(TComponent* AOwner);
    int Min = 0, Max = 10, Frequency = 1;
    int Position() const { return position_; }
    void SetPosition(int Value);
    TNotifyEvent OnChange;
protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
private:
    static constexpr int Margin = 6;
    int position_ = 0;
};

// The offered intervals of the spoken time are 5, 10, 15, 20, 30 and 60 minutes: one step up or down
// from Minutes (a value between two offered ones counts as the lower one when going up).
int SayTimeStep(int Minutes, bool Up);

// The font picker: a family, a size of 5 to 28 points and the effects (colour, struck out,
// underlined), with a sample; "Übernehmen" hands the choice over without closing.
class TSchriftDialog : public TForm {
public:
    explicit TSchriftDialog(TComponent* AOwner);
    static constexpr int MinFontSize = SettingRange("FontSize").Min, MaxFontSize = SettingRange("FontSize").Max;
    TAdvEdit* FontName;
    TListBox* FontList;
    TAdvSpinEdit* FontSize;
    TListBox* SizeList;
    TdxfGroupBox* Effekte;
    TdxfCheckBox* Durchgestrichen;
    TdxfCheckBox* Unterstrichen;
    TPanel* FontColor;
    TButton* ColorButton;
    TdxfGroupBox* Beispiel;
    TLabel* Sample;
    TButton* OkButton;
    TButton* CancelButton;
    TButton* ApplyButton;
    TColorDialog* ColorDialog;
    TNotifyEvent OnApply;
    // Shows Name (selected in the list when installed), Size and Color. A family that is not
    // installed shows as the family the calendar page draws in its place.
    void SetChosenFont(const AnsiString& Name, int Size, TColor Color);
    // The installed family the calendar page draws for the family Name.
    static AnsiString PageFamily(const AnsiString& Name);
    // The family to store: the one given to SetChosenFont while the user left the shown family as
    // it was, so a stored name is never replaced by its stand-in; else the family now shown.
    AnsiString ChosenName() const;

private:
    void SelectFamily(const AnsiString& Name);
    void ShowSample();
    bool choosing_ = false;
    AnsiString givenName_, shownName_;
};

class TEinstellungen : public TForm {
public:
    explicit TEinstellungen(TComponent* AOwner);
    ~TEinstellungen() override;

    // Whether a value changed that needs the page rebuilt.
    bool Modified = false;
    // Takes what went wrong unseen (a setting that could not be written), for the program's debug log.
    std::function<void(const AnsiString& Text)> OnDebugLog;

    // three tabs over the bottom panel
    TPageControl* PageControl1;
    TTabSheet* TabAnsicht;
    TTabSheet* TabAgent;
    TTabSheet* TabSprueche;
    // tab "Ansicht", group "Ansicht:"
    TdxfGroupBox* GroupBoxAnsicht;
    TAdvComboBox* ComboBoxAnsicht;
    TAdvSpinEdit* TageEdit;
    TAdvComboBox* ComboBoxDesign;
    TdxfCheckBox* CheckBoxTermineVorDatumZeigen;
    TdxfCheckBox* CheckBoxshowFullWeeksInMonthView;
    TPanel* btnColor1;
    TPanel* btnColor3;
    TPanel* btnColor4;
    TdxfCheckBox* CheckBoxTransp1;
    TdxfCheckBox* CheckBoxTransp3;
    TButton* SpeedButton2;
    // the untitled group beside it
    TdxfGroupBox* GroupBoxFenster;
    TdxfCheckBox* Transparenzmode;
    TSettingsSlider* Transparenz1;
    TSettingsSlider* Transparenz2;
    TdxfCheckBox* dxfCheckBox1;
    TSettingsSlider* Verzoegerung;
    TdxfCheckBox* CheckBoxGeburtstagseMail;
    TAdvEdit* AdvEdit1;
    TdxfPictureButton* dxfPictureButton7;
    // the speaking character
    TdxfCheckBox* CheckBoxAgentUsed;
    TdxfGroupBox* GroupBoxAgent;
    TdxfCheckBox* CheckBoxAgentSayTime;
    TAdvEdit* SagZeitEdit;
    TAdvSpinButton* UpDown1;
    TSettingsSlider* TrackBar2;
    TButton* StandardAgent;
    TButton* AgentAtFileSystem;
    TdxfPictureButton* dxfPictureButton8;
    TAdvComboBox* Voices;
    TAdvEdit* SPAgentHalloFrueh;
    TAdvEdit* SPAgentHalloMittag;
    TAdvEdit* SPAgentHalloAbend;
    TAdvEdit* SPAgentHallo;
    TAdvEdit* SPAgentTime;
    TAdvEdit* SBAgentAppointments;
    // bottom panel
    TPanel* PanelUnten;
    TButton* Ok;
    TOpenDialog* OpenDialog;
    TSchriftDialog* FontDialog1;
    TOpenDialog* SearchAgent;
    // the sayings: one tab per saying; the Tag of TabControl1 is 1 while the shown saying has
    // changes not yet saved
    TTabControl* TabControl1;
    TPlainMemo* Memo;
    TAdvComboBox* Animationen;
    TDateTimePicker* Time;
    TButton* New;
    TButton* SpruchEntfernen;
    TButton* SpruchSpeichern;
    TColorDialog* ColorDialog;

    // "sprueche.ini" and "vorlagen\colors.txt" in the program folder.
    static AnsiString SayingsFile();
    static AnsiString ColorsFile();
    // The longest saying, in characters.
    static constexpr int MaxSayingLength = 255;

    // The up-down's position (5..60).
    int SayTimePosition() const { return sayTimePosition_; }

    void FormCreate(TObject* Sender);
    void dxfPictureButton7Click(TObject* Sender);
    void SpeedButton2Click(TObject* Sender);
    void UpDown1Click(TObject* Sender, bool Up);
    void SagZeitEditChange(TObject* Sender);
    void StandardAgentClick(TObject* Sender);
    void AgentAtFileSystemClick(TObject* Sender);
    // Stores the voice shown and reloads the character with it, unless it is the one stored.
    void VoicesChange(TObject* Sender);
    void dxfPictureButton8Click(TObject* Sender);
    void SPAgentTimeValueValidate(TObject* Sender, AnsiString Value, bool& IsValid);
    void OkClick(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);

    // the sayings editor
    void LoadSaying(const AnsiString& Name);
    void SaveSaying();
    void SpruchSpeichernClick(TObject* Sender);
    void NewClick(TObject* Sender);
    void SpruchEntfernenClick(TObject* Sender);
    void TabControl1Changing(TObject* Sender, bool& AllowChange);
    void TabControl1Change(TObject* Sender);
    void MemoClick(TObject* Sender);
    void MemoChange(TObject* Sender);
    void TimeChange(TObject* Sender);
    void AnimationenChange(TObject* Sender);
    // the colour picker of btnColor1, btnColor3 and btnColor4
    void btnColor1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

private:
    // The controls of each tab, and the handlers of what is not a stored value.
    void BuildViewTab();
    void BuildAgentTab();
    void BuildSayingsTab();
    void ConnectHandlers();
    // One value of the settings key with the control that shows it and writes it when it changes.
    struct TStoredValue;
    std::vector<TStoredValue> storedValues_;
    void ListStoredValues();
    // Connects each listed control to its value, once.
    void ConnectStoredValues();
    // Shows every listed value that the dialog shows when it opens, in the order of the list.
    void ShowStoredValues(const TSettingsValue& Stored);
    // The listed value Control shows.
    const TStoredValue& StoredValueOf(const TControl* Control) const;
    // Writes the value as its control shows it now, with what follows from it.
    void Store(const TStoredValue& Value);
    // A failed write is logged here and leaves the dialog open.
    void DebugLog(const AnsiString& Text) const;
    int sayTimePosition_ = 60;
    bool inAlphaRule_ = false;
    void AlphaRule();
    void SetSayTimePosition(int Value);
    void SetEditText(TAdvEdit* Edit, const AnsiString& Text);
    void WriteChosenFont();
    void ReloadAgent();
    void FillSayings();
    void WriteSayingNames(TIniFile& Ini);
    void FillVoices();
    // The list's entry of the voice stored, -1 for none.
    int storedVoice_ = -1;
    void ListAnimations();
    void MoveCharacterAside(bool Walk);
    // The memo's text as one line, as the sayings file keeps it.
    AnsiString SayingText() const;
    void SetMemoText(const AnsiString& Text);
    // The reason a name cannot be used for a new saying, or an empty text.
    AnsiString SayingNameProblem(const AnsiString& Name) const;
    // Set while the program itself fills the editor, so its change events are no user's edits.
    bool fillingEditor_ = false;
};
