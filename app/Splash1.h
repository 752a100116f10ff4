#pragma once
// The small translucent window in the bottom-right corner of the desktop: the start-up splash with
// its progress, and the about box.
#include "ExtCtrls.h"
#include "Forms.h"
#include "HTMLabel.h"
#include "StdCtrls.h"

// A progress bar of blocks in a colour run from BeginColor to EndColor, in a lowered bevel.
class TSplashProgress : public TGraphicControl {
public:
    explicit TSplashProgress(TComponent* AOwner);
    int Min() const { return min_; }
    void SetMin(int Value);
    int Max() const { return max_; }
    void SetMax(int Value);
    int Position() const { return position_; }
    void SetPosition(int Value);
    int Step = 10;
    TColor BeginColor = clNavy;
    TColor EndColor = clSilver;
    // The filled width for the position, in pixels inside the bevel.
    int FilledWidth() const;
protected:
    void Paint() override;
private:
    int min_ = 0, max_ = 100, position_ = 0;
};

class TSplashScreen : public TForm {
public:
    explicit TSplashScreen(TComponent* AOwner);

    TImage* Image1;
    TLabel* Message;
    TLabel* Label2;
    TSplashProgress* Progress;
    TLabel* Label1;
    TTimer* Timer1;
    THTMLabel* HTMLabel1;

    void Timer1Timer(TObject* Sender);
    void HTMLabel1Click(TObject* Sender);

protected:
    // Borderless, off the task bar, layered.
    void CreateParams();
};

// The start-up splash while it exists.
extern TSplashScreen* SplashScreen;
