#pragma once
// What a page's script may call on the program: the members of window.external.
// The program implements this plain interface; the browser control carries the calls to it.
#include "System.h"

class IAutomationTarget {
public:
    virtual ~IAutomationTarget() = default;
    virtual void Resize() = 0;
    virtual void HomeClicked() = 0;
    virtual void ForwardClicked() = 0;
    virtual void BackClicked() = 0;
    // Writing window.external.ZBNOpenDate; reading it gives nothing.
    virtual void SetZBNOpenDate(const AnsiString& Value) = 0;
};
