#pragma once
// What a reminder needs of the speaking character: to come to the popup, to say the appointment
// and to draw attention to it. The character implements it; a reminder knows nothing else of it.
#include "System.h"

class IReminderCharacter {
public:
    virtual ~IReminderCharacter() = default;
    // Loads the character (when it may be) and shows it at the work area's lower right corner;
    // true when it runs.
    virtual bool ComeToCorner() = 0;
    // A loaded character is shown and walks to stand on a popup whose top right corner is at
    // Right, Top.
    virtual void StandOn(int Right, int Top) = 0;
    // Loads and shows the character where it stood; true when it runs.
    virtual bool ComeForward() = 0;
    // Says a reminder's text without waiting for the end.
    virtual void SayReminder(const AnsiString& Text) = 0;
    virtual void Play(const AnsiString& Animation) = 0;
    // An open reminder keeps the character from being put away as idle.
    virtual void KeepAwake() = 0;
    // Shows a loaded character; false when none is loaded.
    virtual bool ShowIfLoaded() = 0;
};
