#pragma once
// What the program has to tell the user without holding anything up. One message window shows at a
// time and the others wait for it in turn; while the start runs they are held until the first page
// is there. A text equal to one shown or waiting is not told again, and a text about the same
// subject (a settings file, say) takes the place of the one still waiting, so a cause that comes
// back again and again never piles up windows. What the settings files and the files read meet, on
// any thread, is told here too.
#include <deque>
#include <functional>

#include "Classes.h"
#include "SysUtils.h"

class TUserMessages {
public:
    // WriteDebugLog takes what nobody is left to read (a change lost as the program ends).
    explicit TUserMessages(std::function<void(const AnsiString&)> WriteDebugLog);
    TUserMessages(const TUserMessages&) = delete;
    TUserMessages& operator=(const TUserMessages&) = delete;

    // Main thread only.
    void Tell(const AnsiString& Text, const AnsiString& Subject = AnsiString());
    // Holds the messages from now on, until Release.
    void Hold();
    // Shows the held messages, and later ones at once.
    void Release();
    bool Held() const { return hold_; }
    // At each tick of the clock: messages held for a page that never showed wait no longer than a
    // few ticks.
    void Tick();

private:
    void ShowNext();

    std::function<void(const AnsiString&)> log_;
    bool hold_ = false;
    int heldTicks_ = 0;
    struct Waiting {
        AnsiString subject, text;
    };
    std::deque<Waiting> waiting_;
    bool open_ = false;
    AnsiString openText_;
    TLifeToken life_;
};
