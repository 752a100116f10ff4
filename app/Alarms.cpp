#include "Alarms.h"

#include <algorithm>

#include "DueAlarms.h"
#include "MMSystem.h"
#include "Settings.h"
#include "Resources.h"
#include "ShellApi.h"
#include "TextEncoding.h"
#include "Trace.h"
#include "WinApi.h"

const char* const AlarmWebPage = "https://www.hallowerk.de/";

int ShowAlarm::AttentionTicks = 0;

namespace {
constexpr TColor PopupColor = 0xC0DCC0;
// The background picture's usual size, kept for a program that lacks the picture.
constexpr int BackgroundWidth = 250, BackgroundHeight = 100;
constexpr unsigned PostponeMs = 600000;
constexpr int LastAttentionTick = 20, AttentionTick = 15;
// What a popup lays out of an appointment anyone may have written: a line of subject and a few
// pages of notes; the rest is marked as left out.
constexpr std::size_t SubjectChars = 200;
constexpr std::size_t NotesChars = 20000;

// The place of a new popup of w x h: the lowest free place in a column above the corner of the work
// area, the columns going left; a popup still open (also a postponed one, which comes back where it
// was) keeps its place. With the work area full the new one takes the corner.
TRect FreePlace(const TRect& work, int w, int h, const std::vector<ShowAlarm*>& open) {
    for (int right = work.Right; right - w >= work.Left; right -= w) {
        for (int bottom = work.Bottom; bottom - h >= work.Top; bottom -= h) {
            const TRect place{right - w, bottom - h, right, bottom};
            bool free = true;
            for (const ShowAlarm* other : open) {
                TRect both;
                if (other->Popup && IntersectRect(both, place, other->Popup->BoundsRect())) free = false;
            }
            if (free) return place;
        }
    }
    return {work.Right - w, work.Bottom - h, work.Right, work.Bottom};
}
} // namespace

namespace Alarms {
void LoadBackground(TBitmap* Bitmap) {
    if (Resources::LoadBitmap(Bitmap, "BACKGROUND2")) return;
    // Without its picture the popup still comes, at the picture's usual size in its own colour: an
    // alarm that cannot be seen is lost.
    Bitmap->SetSize(BackgroundWidth, BackgroundHeight);
    Bitmap->Canvas()->Brush()->SetColor(PopupColor);
    Bitmap->Canvas()->FillRect({0, 0, BackgroundWidth, BackgroundHeight});
}

void PlayAlarmSound() {
    // A sound that is not stored plays the platform's own; one stored as anything but a text beeps.
    const TSettingsValue settings = TSettings::Program().Current();
    if (!settings.Problem.empty() || (!settings.WasRead("Wav") && !settings.IsAbsent("Wav"))) {
        MessageBeep(0);
        return;
    }
    try {
        PlaySound(settings.Wav.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
    } catch (const std::exception&) {
        // The reminder is heard all the same.
        MessageBeep(0);
    }
}
} // namespace Alarms

ShowAlarm::ShowAlarm(const DueAlarm& Due, IReminderCharacter& Character, std::function<void(const AnsiString&)> Log,
                     std::function<void(ShowAlarm*)> Closed)
    : character_(Character), log_(std::move(Log)), onClosed_(std::move(Closed)), html_(std::make_unique<TStringList>()) {
    const AnsiString subject = TextEncoding::CutChars(Due.Subject.Value(), SubjectChars);
    try {
        notes_ = TextEncoding::CutChars(Due.Notes.Value(), NotesChars);
    } catch (const std::exception&) {
        // The popup comes without them, and its memo says so.
        notes_ = "kein Text eingetragen";
    }
    html_->Add("<FONT  size=\"8\"  face=\"Arial\"><P align=\"left\"><SHAD>Termin:</SHAD><br><P align=\"center\">");
    html_->Add("<A href=\"verschieben\">...später...</A> - <A href=\"memo\">...Memo...</A><br></P><P "
               "align=\"center\"><B>");
    // The subject is anyone's text in a shared database: shown as text, never as markup, and
    // spoken as the text it is.
    html_->Add(HTMLEscape(subject));
    html_->Add("</FONT></P>");
    spoken_ = subject;
}

ShowAlarm::~ShowAlarm() {
    // The popup owns its label, button, timers and memo.
    delete Popup;
    delete BackgroundBitmap;
}

void ShowAlarm::ShowPopup(const std::vector<ShowAlarm*>& Open) {
    BackgroundBitmap = new TBitmap;
    Alarms::LoadBackground(BackgroundBitmap);
    const TRect work = Screen->WorkAreaRect();

    Popup = new TForm(nullptr);
    Popup->SetVisible(false);
    Popup->SetBorderStyle(bsNone);
    Popup->OnClose = [this](TObject* Sender, TCloseAction& Action) { PopupClosed(Sender, Action); };
    const int w = BackgroundBitmap->Width(), h = BackgroundBitmap->Height();
    const TRect place = FreePlace(work, w, h, Open);
    Popup->SetBounds(place.Left, place.Top, w, h);
    Popup->SetColor(PopupColor);
    NotesMemo = nullptr;

    PopupLabel = new THTMLabel(Popup);
    PopupLabel->SetBounds(10, 10, w - 10 - 5, h - 10 - 20);
    PopupLabel->SetParent(Popup);
    PopupLabel->SetTransparent(true);

    // The character stands on the right part of the popup; one that fails leaves the popup alone.
    try {
        character_.StandOn(place.Right, place.Top);
        if (character_.ComeForward()) character_.SayReminder(spoken_);
    } catch (const std::exception& e) {
        if (log_) log_("Erinnerung \"" + spoken_ + "\", Figur: " + e.what() + "\n");
    }
    PopupLabel->SetHTMLText(html_.get());
    Popup->SetFormStyle(fsStayOnTop);
    Alarms::PlayAlarmSound();
    PopupLabel->OnAnchorClick = [this](TObject* Sender, const AnsiString& Anchor) { AnchorClick(Sender, Anchor); };

    CloseButton = new TSpeedButton(Popup);
    CloseButton->SetFlat(true);
    CloseButton->SetParent(Popup);
    CloseButton->SetCaption("OK");
    // A square of 15 pixels, grown where the font needs more room for "OK"; its right edge stays.
    int side = 15;
    {
        TCanvas measure;
        measure.SetFont(CloseButton->Font());
        side = std::max({side, measure.TextWidth("OK") + 6, measure.TextHeight("OK") + 2});
    }
    CloseButton->SetBounds(w - 11 - side, 11, side, side);
    CloseButton->SetHint("Schliessen!");
    CloseButton->SetShowHint(true);
    CloseButton->OnClick = [this](TObject* Sender) { ClosePopup(Sender); };

    RemindTimer = new TTimer(Popup);
    RemindTimer->SetEnabled(false);
    RemindTimer->OnTimer = [this](TObject* Sender) { Remind(Sender); };
    AttentionTimer = new TTimer(Popup);
    AttentionTimer->SetInterval(5000);
    AttentionTimer->OnTimer = [this](TObject* Sender) { AgentAttention(Sender); };
    AttentionTimer->SetEnabled(true);

    Popup->OnPaint = [this](TObject* Sender) { PopupPaint(Sender); };
    Popup->Show();
    Popup->Repaint();
    Trace::Step("reminder shown");
}

void ShowAlarm::PopupPaint(TObject*) {
    if (BackgroundBitmap) Popup->Canvas()->Draw(0, 0, BackgroundBitmap);
}

void ShowAlarm::PopupClosed(TObject*, TCloseAction&) {
    if (closed_) return;
    closed_ = true;
    delete BackgroundBitmap;
    BackgroundBitmap = nullptr;
    delete RemindTimer;
    RemindTimer = nullptr;
    delete AttentionTimer;
    AttentionTimer = nullptr;
    delete NotesMemo;
    NotesMemo = nullptr;
    if (onClosed_) onClosed_(this);
}

void ShowAlarm::ClosePopup(TObject*) { Popup->Close(); }

void ShowAlarm::AnchorClick(TObject*, const AnsiString& Anchor) {
    if (Anchor == "verschieben") {
        RemindTimer->SetInterval(PostponeMs);
        RemindTimer->SetEnabled(true);
        Popup->SetVisible(false);
    } else if (Anchor == "memo") {
        if (!PopupLabel) return;
        // The label is still inside its own click: it is hidden now and freed afterwards, unless the
        // popup, its owner, went first and took it along.
        THTMLabel* label = PopupLabel;
        PopupLabel = nullptr;
        label->SetVisible(false);
        label->OnAnchorClick = nullptr;
        std::weak_ptr<bool> alive = alive_;
        Classes::QueueOnMainThread([label, alive] {
            if (!alive.expired()) delete label;
        });
        NotesMemo = new TPlainMemo(Popup);
        NotesMemo->SetBounds(10, 35, Popup->Width() - 20, Popup->Height() - 45);
        NotesMemo->SetParent(Popup);
        // Notes of one endless word would be laid out for minutes when broken only between words.
        NotesMemo->SetWrapAnywhere(true);
        NotesMemo->SetText(notes_);
        NotesMemo->SetColor(PopupColor);
        NotesMemo->SetReadOnly(true);
    } else if (Anchor == "gourl") {
        ShellExecute(Application->Handle(), "open", AlarmWebPage, nullptr, nullptr, SW_SHOW);
    }
}

void ShowAlarm::Remind(TObject*) {
    Alarms::PlayAlarmSound();
    Popup->SetVisible(true);
}

void ShowAlarm::AgentAttention(TObject*) {
    ++AttentionTicks;
    character_.KeepAwake();
    if (Popup && Popup->Visible() && AttentionTicks == AttentionTick && character_.ShowIfLoaded()) {
        for (const char* animation :
             {"GetAttention", "GetAttentionContinued", "GetAttentionContinued", "GetAttentionReturn"})
            character_.Play(animation);
        return;
    }
    if (AttentionTicks > LastAttentionTick) AttentionTicks = 0;
}
