#include "Splash1.h"

#include <algorithm>

#include "WinUser.h"

namespace {

TColor Blend(TColor a, TColor b, int num, int den) {
    const TColor x = Graphics::ColorToRGB(a), y = Graphics::ColorToRGB(b);
    auto part = [&](int shift) {
        const int pa = (x >> shift) & 0xFF, pb = (y >> shift) & 0xFF;
        return ((pa + (pb - pa) * num / std::max(1, den)) & 0xFF) << shift;
    };
    return TColor(part(0) | part(8) | part(16));
}

// The window's picture: a quiet run from the window's blue to a deeper one. It carries no lines: the
// splash's labels and the about box's text stand at different heights on it.
void PaintBackdrop(TBitmap* bmp, int w, int h, TColor base) {
    bmp->SetSize(w, h);
    TCanvas* c = bmp->Canvas();
    const TColor deep = Blend(base, clBlack, 2, 5);
    for (int y = 0; y < h; ++y) {
        c->Brush()->SetColor(Blend(base, deep, y, h));
        c->FillRect({0, y, w, y + 1});
    }
}

void StyleLabel(TLabel* l, const char* name, int height, TColor color, bool bold = false) {
    l->Font()->SetName(name);
    l->Font()->SetHeight(height);
    l->Font()->SetColor(color);
    if (bold) l->Font()->SetStyle({fsBold});
}

} // namespace

// ---- TSplashScreen ----------------------------------------------------------------------------------------------
TSplashScreen::TSplashScreen(TComponent* AOwner) : TForm(AOwner) {
    SetBorderStyle(bsNone);
    // The title a window list shows, for the splash and the about box alike.
    SetCaption("Zorbelin");
    SetColor(TColor(14699318));
    SetClientWidth(249);
    SetClientHeight(96);

    Image1 = new TImage(this);
    Image1->SetParent(this);
    Image1->SetAlign(alClient);
    Image1->SetAutoSize(true);
    TBitmap backdrop;
    PaintBackdrop(&backdrop, 249, 96, Color());
    Image1->Picture()->Assign(&backdrop);

    Message = new TLabel(this);
    Message->SetParent(this);
    Message->SetAutoSize(false);
    Message->SetBounds(24, 50, 209, 15);
    Message->SetAlignment(taCenter);
    Message->SetTransparent(true);
    StyleLabel(Message, "Tahoma", -12, TColor(16311512));

    Label2 = new TLabel(this);
    Label2->SetParent(this);
    Label2->SetAutoSize(false);
    Label2->SetBounds(24, 72, 209, 15);
    Label2->SetAlignment(taCenter);
    Label2->SetTransparent(true);
    Label2->Font()->SetName("Tahoma");
    Label2->Font()->SetHeight(-11);
    Label2->SetCaption("Kalender und Erinnerungen");

    Progress = new TdxfProgressBar(this);
    Progress->SetParent(this);
    Progress->SetBounds(16, 16, 217, 9);
    Progress->SetOrientation(orHorizontal);
    Progress->SetMin(0);
    Progress->SetMax(100);
    Progress->SetPosition(0);
    Progress->SetStyle(sExRectangles);
    Progress->SetBeginColor(TColor(15363885));
    Progress->SetEndColor(clSilver);
    Progress->SetStep(10);
    Progress->SetBevelOuter(bvLowered);

    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetAutoSize(false);
    Label1->SetBounds(16, 32, 217, 17);
    Label1->SetAlignment(taCenter);
    Label1->SetTransparent(true);
    StyleLabel(Label1, "Tahoma", -13, TColor(16311512), true);
    Label1->SetCaption("Zorbelin");

    Timer1 = new TTimer(this);
    Timer1->SetInterval(100);
    Timer1->OnTimer = [this](TObject* Sender) { Timer1Timer(Sender); };
    Timer1->SetEnabled(true);

    HTMLabel1 = new THTMLabel(this);
    HTMLabel1->SetParent(this);
    HTMLabel1->SetAutoSizing(false);
    HTMLabel1->SetBounds(8, 8, 233, 81);
    HTMLabel1->SetTransparent(true);
    HTMLabel1->SetVAlignment(tvaTop);
    HTMLabel1->SetShadowColor(clGray);
    HTMLabel1->SetShadowOffset(2);
    HTMLabel1->SetURLColor(clBlue);
    HTMLabel1->SetHover(false);
    HTMLabel1->OnClick = [this](TObject* Sender) { HTMLabel1Click(Sender); };

    CreateParams();
    const TRect work = Screen->WorkAreaRect();
    SetBounds(work.Right - Width() - 5, work.Bottom - Height() - 5, Width(), Height());
}

void TSplashScreen::CreateParams() {
    SetWindowLong(Handle(), GWL_STYLE, GetWindowLong(Handle(), GWL_STYLE) & ~(WS_CAPTION | WS_THICKFRAME));
    SetWindowLong(Handle(), GWL_EXSTYLE, GetWindowLong(Handle(), GWL_EXSTYLE) | WS_EX_TOOLWINDOW | WS_EX_LAYERED);
}

void TSplashScreen::Timer1Timer(TObject*) {
    SetLayeredWindowAttributes(Handle(), 0, 185, LWA_ALPHA);
    Timer1->SetEnabled(false);
    Repaint();
}

void TSplashScreen::HTMLabel1Click(TObject*) {
    SetModalResult(mrOk);
    Hide();
}

void TSplashScreen::MakeAboutBox(const AnsiString& Version) {
    SetVisible(false);
    Progress->SetTop(200);
    Label1->SetTop(200);
    Label2->SetTop(200);
    Message->SetTop(200);
    TStrings* text = HTMLabel1->HTMLText();
    text->Clear();
    text->Add("<P align=\"center\"><FONT color=\"#FFFFFF\" face=\"Tahoma\" FONT size=\"10\">");
    text->Add("<br><B>Zorbelin</B>");
    text->Add("</b></FONT></P>");
    text->Add("<P align=\"center\"><FONT color=\"#FFFFFF\" face=\"Tahoma\" FONT size=\"8\">Version ");
    // The bare version: the line before says "Version" already.
    text->Add(Version);
    text->Add("<br>");
    text->Add("Kalender und Erinnerungen von Hallowerk</FONT></P>");
    HTMLabel1->Invalidate();
}
