#pragma once
// The small translucent window in the bottom-right corner of the desktop: the start-up splash with
// its progress, and the about box.
#include "ExtCtrls.h"
#include "Forms.h"
#include "HTMLabel.h"
#include "StdCtrls.h"
#include "dxfProgressBar.h"

class TSplashScreen : public TForm {
public:
    explicit TSplashScreen(TComponent* AOwner);

    TImage* Image1;
    TLabel* Message;
    TLabel* Label2;
    TdxfProgressBar* Progress;
    TLabel* Label1;
    TTimer* Timer1;
    THTMLabel* HTMLabel1;

    // Turns the splash into the about box of Version: the start's labels out of sight, the
    // program's name, version and maker in their place.
    void MakeAboutBox(const AnsiString& Version);

    void Timer1Timer(TObject* Sender);
    void HTMLabel1Click(TObject* Sender);

protected:
    // Borderless, off the task bar, layered.
    void CreateParams();
};
