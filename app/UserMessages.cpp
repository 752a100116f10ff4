#include "UserMessages.h"

#include <utility>

#include "Dialogs.h"
#include "PendingWrites.h"
#include "Registry.h"

namespace {
AnsiString SettingsProblemText(const TRegistryProblem& P) {
    AnsiString lines;
    for (std::size_t i = 0; i < P.Lines.size() && i < 10; ++i) lines += (i ? ", " : "") + SysUtils::IntToStr(P.Lines[i]);
    if (P.Lines.size() > 10) lines += ", ...";
    const AnsiString file = "Die Einstellungsdatei \"" + P.FileName + "\"";
    switch (P.Kind) {
    case TRegistryProblem::rpLinesKeptAside:
        return file + " enthielt unlesbare Zeilen (Zeile " + lines + "). Alle lesbaren Einstellungen wurden "
               "übernommen; die Datei, wie sie war, liegt unter \"" + P.AsideName + "\".";
    case TRegistryProblem::rpFileKeptAside:
        return file + " konnte nicht gelesen werden; die Einstellungen beginnen leer. Die Datei liegt nun unter \"" +
               P.AsideName + "\".";
    case TRegistryProblem::rpValuesConverted:
        return file + " enthielt Werte, die kein UTF-8 waren (Zeile " + lines + "); sie wurden als Windows-1252 "
               "gelesen und als UTF-8 gespeichert. Die Datei, wie sie war, liegt unter \"" + P.AsideName + "\".";
    case TRegistryProblem::rpCannotChange:
        break;
    }
    return file + " enthält unlesbare Zeilen (Zeile " + lines + ") und kann nicht geändert werden. Es gelten die "
           "lesbaren Einstellungen; Änderungen werden nicht gespeichert.";
}

// A settings file that could not be read whole is explained to the user, without holding anything
// up; from another thread the message waits for the main thread. Told here while the messages are
// there.
void ShowSettingsProblem(const TRegistryProblem& Problem, TUserMessages* Messages, TLifeToken::TGuard Alive) {
    const AnsiString Text = SettingsProblemText(Problem);
    // A file damaged again and again is told of once at a time, with the latest copy kept.
    auto tell = [Text, File = Problem.FileName, Messages, Alive] {
        if (!Alive.Expired()) Messages->Tell(Text, File);
        else Dialogs::ShowMessageWithoutWaiting(Text);
    };
    if (Classes::IsMainThread()) tell();
    else Classes::QueueOnMainThread(tell);
}

AnsiString NotStoredText(const PendingWrites::TNotStored& N) {
    AnsiString names;
    for (std::size_t i = 0; i < N.Names.size() && i < 10; ++i) names += (i ? ", \"" : "\"") + N.Names[i] + "\"";
    if (N.Names.size() > 10) names += " und " + SysUtils::IntToStr(static_cast<int>(N.Names.size() - 10)) + " weitere";
    const AnsiString file = "Die Einstellungsdatei \"" + N.FileName + "\"";
    const AnsiString lost = names.empty() ? AnsiString(" Eine Änderung wurde nicht gespeichert.")
                                          : " Nicht gespeichert wurde: " + names + ".";
    switch (N.Reason) {
    case PendingWrites::TNotStored::nsLockHeld:
        return file + " ist seit über einer Minute von einem anderen Programm gesperrt." + lost;
    case PendingWrites::TNotStored::nsProgramEnds:
        return file + " war beim Beenden von einem anderen Programm gesperrt." + lost;
    case PendingWrites::TNotStored::nsCannotWrite:
        break;
    }
    return file + " konnte nicht geschrieben werden (" + N.Detail + ")." + lost;
}

// A change that could not be stored at all is told like a settings problem; at the program's end
// nobody is left to read a message, so it goes to the debug log.
void ShowNotStored(const PendingWrites::TNotStored& NotStored, TUserMessages* Messages,
                   const std::function<void(const AnsiString&)>& Log, TLifeToken::TGuard Alive) {
    const AnsiString Text = NotStoredText(NotStored);
    const bool ending = NotStored.Reason == PendingWrites::TNotStored::nsProgramEnds;
    auto tell = [Text, ending, Messages, Log, Alive] {
        const bool told = !Alive.Expired();
        if (told && ending) Log(Text + "\n");
        else if (told) Messages->Tell(Text);
        else if (!ending) Dialogs::ShowMessageWithoutWaiting(Text);
    };
    if (Classes::IsMainThread()) tell();
    else Classes::QueueOnMainThread(tell);
}

// A file that is not what its name claims (a FIFO, a device, a huge file) was left unread: the user
// hears of it once, and the program goes on as without the file.
void ShowRefusedFile(const SysUtils::EFileRefused& Refusal, TUserMessages* Messages, TLifeToken::TGuard Alive) {
    const AnsiString why = Refusal.Reason == SysUtils::EFileRefused::frNotRegular
                               ? AnsiString("ist keine gewöhnliche Datei (sondern etwa eine benannte Pipe, ein Gerät oder ein Ordner)")
                               : "ist größer als " + SysUtils::IntToStr(static_cast<int>(Refusal.MaxBytes >> 20)) + " MB";
    const AnsiString Text = "Die Datei \"" + Refusal.FileName + "\" " + why +
                            " und wird nicht gelesen; das Programm arbeitet ohne sie weiter.";
    auto tell = [Text, Messages, Alive] {
        if (!Alive.Expired()) Messages->Tell(Text);
        else Dialogs::ShowMessageWithoutWaiting(Text);
    };
    if (Classes::IsMainThread()) tell();
    else Classes::QueueOnMainThread(tell);
}
} // namespace

TUserMessages::TUserMessages(std::function<void(const AnsiString&)> WriteDebugLog) : log_(std::move(WriteDebugLog)) {
    // While the messages are there, the files' problems come here; after, straight to the user.
    TRegistry::SetProblemHandler([this, alive = life_.Guard()](const TRegistryProblem& Problem) {
        ShowSettingsProblem(Problem, this, alive);
    });
    PendingWrites::SetNotStoredHandler([this, log = log_, alive = life_.Guard()](const PendingWrites::TNotStored& NotStored) {
        ShowNotStored(NotStored, this, log, alive);
    });
    SysUtils::SetRefusedFileHandler([this, alive = life_.Guard()](const SysUtils::EFileRefused& Refusal) {
        ShowRefusedFile(Refusal, this, alive);
    });
}

void TUserMessages::Tell(const AnsiString& Text, const AnsiString& Subject) {
    if (open_ && Text == openText_) return;
    for (Waiting& waiting : waiting_) {
        if (waiting.text == Text) return;
        if (!Subject.empty() && waiting.subject == Subject) {
            waiting.text = Text;
            return;
        }
    }
    waiting_.push_back({Subject, Text});
    ShowNext();
}

void TUserMessages::Hold() {
    hold_ = true;
    heldTicks_ = 0;
}

void TUserMessages::Release() {
    hold_ = false;
    ShowNext();
}

void TUserMessages::Tick() {
    if (hold_ && ++heldTicks_ > 6) Release();
}

void TUserMessages::ShowNext() {
    if (hold_ || open_ || waiting_.empty()) return;
    const Waiting next = waiting_.front();
    waiting_.pop_front();
    open_ = true;
    openText_ = next.text;
    Dialogs::ShowMessageWithoutWaiting(next.text, [this, alive = life_.Guard()] {
        // The next one comes once this one has quite gone, outside its close.
        Classes::QueueOnMainThread([this, alive] {
            if (alive.Expired()) return;
            open_ = false;
            openText_.clear();
            ShowNext();
        });
    });
}
