#pragma once
// The alarm popup: each due appointment gets a small borderless window in the lower right corner of
// the work area with the alarm text, the alarm sound, a link to postpone it by ten minutes, one to
// show its notes, and a button that closes it.
#include <functional>
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

struct DueAlarm;

// One reminder's popup, made on the main thread. Its owner (the reminders) frees it once it was
// closed; until then the object holds the popup's event handlers.
class ShowAlarm {
public:
    // The popup's text and notes are made from its alarm here; the character comes to it, and what
    // goes wrong with the character goes to Log. Closed is told when the popup was closed, from
    // inside the click that closed it.
    ShowAlarm(const DueAlarm& Due, IReminderCharacter& Character, std::function<void(const AnsiString&)> Log,
              std::function<void(ShowAlarm*)> Closed);
    ~ShowAlarm();
    ShowAlarm(const ShowAlarm&) = delete;
    ShowAlarm& operator=(const ShowAlarm&) = delete;

    TTimer* RemindTimer = nullptr;
    TTimer* AttentionTimer = nullptr;
    TForm* Popup = nullptr;
    THTMLabel* PopupLabel = nullptr;
    TPlainMemo* NotesMemo = nullptr;
    TBitmap* BackgroundBitmap = nullptr;
    TSpeedButton* CloseButton = nullptr;

    // Builds and shows the popup at the lowest place the Open popups leave free.
    void ShowPopup(const std::vector<ShowAlarm*>& Open);
    void PopupPaint(TObject* Sender);
    void PopupClosed(TObject* Sender, TCloseAction& Action);
    void ClosePopup(TObject* Sender);
    void AnchorClick(TObject* Sender, const AnsiString& Anchor);
    void Remind(TObject* Sender);
    void AgentAttention(TObject* Sender);

    // The popup's text (markup, the subject as text in its third line) and its notes.
    const TStringList* AlarmHtml() const { return html_.get(); }
    const AnsiString& AlarmNotes() const { return notes_; }
    // The popup was closed; the object waits for its owner to free it.
    bool Closed() const { return closed_; }

    // Shared by every popup: the attention ticks counted so far (0 to 20).
    static int AttentionTicks;

private:
    IReminderCharacter& character_;
    std::function<void(const AnsiString&)> log_;
    std::function<void(ShowAlarm*)> onClosed_;
    std::unique_ptr<TStringList> html_;
    AnsiString notes_;
    // What the character says: the subject as it stands.
    AnsiString spoken_;
    bool closed_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The product's web page, opened by the anchor "gourl".
extern const char* const AlarmWebPage;

namespace Alarms {
// The picture behind the popup, the program's bitmap "BACKGROUND2"; its size is the popup's size.
void LoadBackground(TBitmap* Bitmap);
// Plays the sound chosen in the settings, or rings the bell when it cannot be read.
void PlayAlarmSound();
} // namespace Alarms
