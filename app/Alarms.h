#pragma once
// The alarm popup: each due appointment gets a small borderless window in the lower right corner of
// the work area with the alarm text, the alarm sound, a link to postpone it by ten minutes, one to
// show its notes, and a button that closes it.
#include <memory>
#include <vector>

#include "Buttons.h"
#include "Classes.h"
#include "EditBoxes.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Graphics.h"
#include "HTMLabel.h"
#include "ReminderCharacter.h"
#include "StdCtrls.h"

struct Appointment;

// The thread only asks the main thread to build the popup; the object then lives on as the owner of
// the popup's event handlers until the popup is closed, and frees itself (and the popup) afterwards.
class ShowAlarm : public TThread {
public:
    // The popup's text and notes are made from its appointment here; the character comes to it.
    ShowAlarm(bool CreateSuspended, const Appointment& Due, IReminderCharacter& Character);
    ~ShowAlarm() override;

    TTimer* RemindTimer = nullptr;
    TTimer* AttentionTimer = nullptr;
    TForm* Popup = nullptr;
    THTMLabel* PopupLabel = nullptr;
    TPlainMemo* NotesMemo = nullptr;
    TBitmap* BackgroundBitmap = nullptr;
    TSpeedButton* CloseButton = nullptr;

    void ShowPopup();
    void ShowPopupsInOrder();
    void PopupPaint(TObject* Sender);
    void PopupClosed(TObject* Sender, TCloseAction& Action);
    void ClosePopup(TObject* Sender);
    void AnchorClick(TObject* Sender, const AnsiString& Anchor);
    void Remind(TObject* Sender);
    void AgentAttention(TObject* Sender);

    // The popup's text (markup, the subject as text in its third line) and its notes.
    const TStringList* AlarmHtml() const { return html_.get(); }
    const AnsiString& AlarmNotes() const { return notes_; }

    // Shared by every popup: the attention ticks counted so far (0 to 20).
    static int AttentionTicks;
    // The alarms whose popup has been built and not yet closed, oldest first.
    static const std::vector<ShowAlarm*>& Open();

protected:
    void Execute() override;

private:
    IReminderCharacter& character_;
    std::unique_ptr<TStringList> html_;
    AnsiString notes_;
    // What the character says: the subject as it stands.
    AnsiString spoken_;
    bool closed_ = false;
};

// The product's web page, opened by the anchor "gourl".
extern const char* const AlarmWebPage;

namespace Alarms {
// The picture behind the popup, the program's bitmap "BACKGROUND2"; its size is the popup's size.
void LoadBackground(TBitmap* Bitmap);
// Plays the sound chosen in the settings, or rings the bell when it cannot be read.
void PlayAlarmSound();
} // namespace Alarms
