// The HTML label painted on an image and driven with the class library's mouse and hint messages,
// and on a shown form under Qt's mouse.
// Mouse input takes the window system's way: into the window, to the widget under the pointer.
#define QTEST_QPA_MOUSE_HANDLING
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <chrono>
#include <functional>
#include <thread>

#include "Forms.h"
#include "GraphicsQt.h"
#include "HTMLabel.h"
#include "HtmlTestApp.h"
#include "PictureContainer.h"
#include "VclPrivate.h"

using namespace htmltest;

namespace {

class Label : public Painting {
protected:
    void SetUp() override {
        Painting::SetUp();
        label = std::make_unique<THTMLabel>(nullptr);
        label->SetBounds(0, 0, 353, 80);
        label->Font()->SetName("MS Sans Serif");
        label->Font()->SetSize(8);
        label->SetColor(clWhite);
        shell.clear();
        THTMLabel::SetShellOpen([this](const AnsiString& t) { shell.push_back(t); });
        label->OnAnchorClick = [this](TObject*, const AnsiString& a) { clicks.push_back(a); };
    }
    void TearDown() override { THTMLabel::SetShellOpen(nullptr); }

    void Paint() {
        img = QImage(label->Width(), label->Height(), QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter painter(&img);
        label->Perform(WM_PAINT, reinterpret_cast<WPARAM>(&painter));
    }
    TColor Pixel(int x, int y) { return GraphicsQt::FromQColor(img.pixelColor(x, y)); }
    // The leftmost and the rightmost pixel of a colour.
    bool Find(TColor col, TPoint& first, TPoint& last) {
        bool found = false;
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if (Pixel(x, y) == col) {
                    if (!found) first = TPoint(x, y);
                    last = TPoint(x, y);
                    found = true;
                }
        return found;
    }
    void Click(int x, int y) {
        label->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        label->Perform(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    void Move(int x, int y) { label->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    // The first and the last column holding black in rows Top..Bottom-1 of the painted label.
    std::pair<int, int> Columns(int top, int bottom) {
        std::pair<int, int> r{img.width(), -1};
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < img.width(); ++x)
                if (Pixel(x, y) == clBlack) { r.first = std::min(r.first, x); r.second = std::max(r.second, x); }
        return r;
    }
    // The same columns for Text drawn by the canvas in the given font, centred in the label's width
    // by the canvas's own measure.
    std::pair<int, int> Centred(const AnsiString& text, const AnsiString& face, int size, TFontStyles style) {
        Reset(label->Width(), 60);
        c->Font()->SetName(face);
        c->Font()->SetSize(size);
        c->Font()->SetStyle(style);
        c->TextOut((label->Width() - c->TextWidth(text)) / 2, 0, text);
        std::pair<int, int> r{label->Width(), -1};
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < label->Width(); ++x)
                if (At(x, y) == clBlack) { r.first = std::min(r.first, x); r.second = std::max(r.second, x); }
        return r;
    }

    std::unique_ptr<THTMLabel> label;
    QImage img;
    std::vector<AnsiString> shell, clicks;
};

TEST_F(Label, AlarmTextRendersAndItsAnchorsClick) {
    TStringList* t = label->HTMLText();
    t->Add("<FONT  size=\"8\"  face=\"Arial\"><P align=\"left\"><SHAD>Termin:</SHAD><br><P align=\"center\">");
    t->Add("<A href=\"verschieben\">...später...</A> - <A href=\"memo\">...Memo...</A><br></P><P align=\"center\"><B>");
    t->Add("Zahnarzt Müller & Co");
    t->Add("</FONT></P>");
    Paint();
    EXPECT_EQ(label->GetText(), "Termin:\r\n...später... - ...Memo...\r\nZahnarzt Müller & Co");

    TPoint first, last;
    ASSERT_TRUE(Find(clBlue, first, last));
    TRect r;
    EXPECT_EQ(label->IsAnchor(first.X, first.Y, r), "verschieben");
    EXPECT_EQ(label->HoveredAnchor(), 1);
    EXPECT_EQ(label->IsAnchor(last.X, last.Y, r), "memo");
    EXPECT_EQ(label->HoveredAnchor(), 2);

    // The anchors are centred: as much room left of the first as right of the last.
    EXPECT_NEAR(first.X, label->Width() - 1 - last.X, 4);
    // The subject is bold and centred on the last line, below the anchors, where the canvas draws it
    // when centred by its own measure (words are placed one by one: a pixel of rounding each side).
    const auto subject = Centred("Zahnarzt Müller & Co", "Arial", 8, {fsBold});
    const auto drawn = Columns(last.Y + 2, label->Height());
    EXPECT_NEAR(drawn.first, subject.first, 1);
    EXPECT_NEAR(drawn.second, subject.second, 1);

    Click(first.X, first.Y);
    Click(last.X, last.Y);
    EXPECT_EQ(clicks, (std::vector<AnsiString>{"verschieben", "memo"}));
    EXPECT_TRUE(shell.empty());
    Click(1, label->Height() - 2);   // no anchor there
    EXPECT_EQ(clicks.size(), 2u);
}

// The label measures a word and draws it with one and the same font and style: centred, it lies
// exactly where the canvas puts it, for a sans, a serif and a fallback family, plain and bold.
TEST_F(Label, DrawnTextIsAsWideAsTheCanvasMeasures) {
    const AnsiString text = "Zahnarztpraxis-Müller&Co.";
    for (const char* face : {"Arial", "Times New Roman", "Tahoma"})
        for (bool bold : {false, true}) {
            SCOPED_TRACE(std::string(face) + (bold ? " bold" : ""));
            label->HTMLText()->Clear();
            label->HTMLText()->Add(AnsiString("<P align=\"center\"><FONT face=\"") + face + "\" size=\"9\">" +
                                   (bold ? "<B>" : "") + text + (bold ? "</B>" : "") + "</FONT></P>");
            Paint();
            const auto drawn = Columns(0, label->Height());
            ASSERT_GE(drawn.second, 0);
            EXPECT_EQ(drawn, Centred(text, face, 9, bold ? TFontStyles{fsBold} : TFontStyles{}));
        }
}

TEST_F(Label, WebAndMailAnchorsOpenInTheShell) {
    label->HTMLText()->Add("<A href=\"mailto:a@b.de\">Mail</A> <A href=\"http://x.de/\">Web</A> <A href=\"memo\">Memo</A>");
    c->Font()->Assign(label->Font());
    const int y = c->TextHeight("gh") / 2;
    Click(2, y);
    Click(c->TextWidth("Mail ") + 2, y);
    EXPECT_EQ(shell, (std::vector<AnsiString>{"mailto:a@b.de", "http://x.de/"}));
    EXPECT_TRUE(clicks.empty());
    Click(c->TextWidth("Mail Web ") + 2, y);
    EXPECT_EQ(clicks, (std::vector<AnsiString>{"memo"}));
}

TEST_F(Label, OnlyWebAndMailAnchorsLeaveTheProgram) {
    c->Font()->Assign(label->Font());
    const int y = c->TextHeight("gh") / 2;
    for (const char* href : {"HTTPS://x.de/a", "file:///etc/passwd", "FILE:///tmp/x.desktop", "javascript://%0Aalert(1)",
                             "smb://server/share", "x http://x.de", "mailto:a@b.de?attach=/home/a/.ssh/id_rsa",
                             "mailto:a@b.de?subject=Hallo", "mailto:attachment@b.de", "javascript:alert(1)"}) {
        label->HTMLText()->Clear();
        label->HTMLText()->Add(std::string("<A href=\"") + href + "\">Link</A>");
        Click(2, y);
    }
    EXPECT_EQ(shell, (std::vector<AnsiString>{"HTTPS://x.de/a", "mailto:a@b.de?subject=Hallo", "mailto:attachment@b.de"}));
    // Without "://" or "mailto:" an anchor is the program's own and goes to its handler.
    EXPECT_EQ(clicks, (std::vector<AnsiString>{"javascript:alert(1)"}));
}

TEST_F(Label, MouseOverAnchorsChangesCursorAndRaisesEvents) {
    label->HTMLText()->Add("plain <A href=\"x\">link</A>");
    std::vector<AnsiString> events;
    label->OnAnchorEnter = [&](TObject*, const AnsiString& a) { events.push_back("enter " + a); };
    label->OnAnchorExit = [&](TObject*, const AnsiString& a) { events.push_back("exit " + a); };
    c->Font()->Assign(label->Font());
    const int y = c->TextHeight("gh") / 2;
    const int linkX = c->TextWidth("plain ") + 2;
    Move(2, y);
    EXPECT_EQ(label->Cursor(), crDefault);
    Move(linkX, y);
    EXPECT_EQ(label->Cursor(), crHandPoint);
    Move(linkX + 1, y);   // still the same anchor: no second enter
    Move(2, y);
    EXPECT_EQ(label->Cursor(), crDefault);
    EXPECT_EQ(events, (std::vector<AnsiString>{"enter x", "exit "}));
}

// A picture in an anchor shows its ALT picture while the mouse rests on it, and its own again once
// the mouse has gone on: the label on a shown form, the mouse moved by Qt.
TEST_F(Label, APictureShowsItsAltPictureWhileTheMouseIsOverIt) {
    TPictureContainer box(nullptr);
    for (auto [name, colour] : {std::pair{"Rot", Qt::red}, std::pair{"Blau", Qt::blue}}) {
        QImage picture(20, 20, QImage::Format_RGB32);
        picture.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        TPictureItem* item = box.Items()->Add();
        item->SetName(name);
        TStringStream stream(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        item->Picture()->LoadFromStream(&stream);
    }
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    label->SetParent(&form);
    label->SetBounds(10, 10, 200, 60);
    label->SetPictureContainer(&box);
    label->SetHover(true);
    label->HTMLText()->Add("<A href=\"bild\"><IMG src=\"rot\" alt=\"blau\"></A> Bild");
    form.Show();
    QWidget* w = Vcl::Detail::HandleWidget(label.get());
    // What the screen shows in the middle of the picture, once the label has painted again.
    const auto shows = [&](QColor colour) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            Application->ProcessMessages();
            if (w->grab().toImage().pixelColor(10, 10) == colour) return true;
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
    EXPECT_TRUE(shows(Qt::red));
    QTest::mouseMove(w, QPoint(150, 40));
    QTest::mouseMove(w, QPoint(10, 10));
    EXPECT_TRUE(shows(Qt::blue));
    EXPECT_EQ(label->Cursor(), crHandPoint);
    QTest::mouseMove(w, QPoint(150, 40));
    EXPECT_TRUE(shows(Qt::red));
    label->SetParent(nullptr);
}

TEST_F(Label, LinesOfTheTextAreOneRunOfMarkup) {
    label->HTMLText()->Add("eins");
    label->HTMLText()->Add("zwei");
    EXPECT_EQ(label->GetDisplText(), "einszwei");
    TStringList lines;
    lines.SetText("a\r\nb<BR>c");
    label->SetHTMLText(&lines);
    EXPECT_EQ(label->HTMLText()->Count(), 1);
    EXPECT_EQ(label->GetDisplText(), "ab<BR>c");
    EXPECT_EQ(label->GetText(), "ab\r\nc");
    // The label shows no caption of its own.
    label->SetCaption("Beschriftung");
    label->HTMLText()->Clear();
    Paint();
    EXPECT_TRUE(label->Caption().empty());
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) ASSERT_EQ(Pixel(x, y), clWhite) << x << "," << y;
}

TEST_F(Label, VerticalCentringMovesDrawingAndHitsAlike) {
    label->SetVAlignment(tvaCenter);
    label->HTMLText()->Add("<A href=\"mitte\">Mitte</A>");
    Paint();
    TPoint first, last;
    ASSERT_TRUE(Find(clBlue, first, last));
    c->Font()->Assign(label->Font());
    EXPECT_GT(first.Y, (label->Height() - c->TextHeight("gh")) / 2 - 1);
    TRect r;
    EXPECT_EQ(label->IsAnchor(first.X, first.Y, r), "mitte");
    EXPECT_EQ(label->IsAnchor(first.X, 1, r), "");
    Click(first.X, first.Y);
    EXPECT_EQ(clicks, (std::vector<AnsiString>{"mitte"}));
}

TEST_F(Label, AutoSizingFollowsTheText) {
    label->HTMLText()->Add("eins<BR>zwei<BR>drei");
    label->SetAutoSizing(true);
    Paint();
    c->Font()->Assign(label->Font());
    EXPECT_EQ(label->Height(), 3 * c->TextHeight("gh") + 6);
    EXPECT_EQ(label->Width(), 353);
}

TEST_F(Label, AnchorHintsShowTheTarget) {
    label->SetAnchorHint(true);
    label->HTMLText()->Add("<A href=\"http://ziel.de\">Ziel</A>");
    label->OnAnchorHint = [](TObject*, AnsiString& a) { a = "Gehe zu " + a; };
    THintInfo info;
    info.CursorPos = TPoint(2, 3);
    info.HintStr = "alt";
    EXPECT_EQ(label->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.HintStr, "Gehe zu http://ziel.de");
    const TPoint sp = label->ClientToScreen(TPoint(2, 3));
    EXPECT_EQ(info.HintPos, TPoint(sp.X + 10, sp.Y - 10));
}

TEST_F(Label, FramesAndBorders) {
    label->SetBevelOuter(bvRaised);
    label->SetBevelWidth(2);
    label->HTMLText()->Add("x");
    Paint();
    EXPECT_EQ(Pixel(0, 0), Graphics::ColorToRGB(clBtnHighlight));
    EXPECT_EQ(Pixel(label->Width() - 1, label->Height() - 1), Graphics::ColorToRGB(clBtnShadow));
    // The text starts inside the bevel.
    TRect r;
    label->HTMLText()->Clear();
    label->HTMLText()->Add("<A href=\"a\">MMMM</A>");
    EXPECT_EQ(label->IsAnchor(1, 3, r), "");
    EXPECT_EQ(label->IsAnchor(3, 3, r), "a");
    EXPECT_EQ(r.Left, 2);
    label->SetBevelOuter(bvNone);
    label->SetBorderStyle(bsSingle);
    label->SetBorderWidth(1);
    Paint();
    EXPECT_EQ(Pixel(0, 5), clBlack);
    EXPECT_EQ(Pixel(label->Width() - 1, 5), clBlack);
}

TEST_F(Label, HighlightAndMarkRewriteTheText) {
    label->HTMLText()->Add("<b>Termin</b> heute");
    label->HilightText("min he", false);
    EXPECT_EQ(label->GetDisplText(), "<b>Ter<hi>min</b> he</hi>ute");
    label->UnHilightText();
    EXPECT_EQ(label->GetDisplText(), "<b>Termin</b> heute");
    label->MarkText("HEUTE", true);
    EXPECT_EQ(label->GetDisplText(), "<b>Termin</b> heute");
    label->MarkText("HEUTE", false);
    EXPECT_EQ(label->GetDisplText(), "<b>Termin</b> <e>heute</e>");
    label->UnMarkText();
    EXPECT_EQ(label->GetDisplText(), "<b>Termin</b> heute");
}

// The four dialogs about missing speech components: label bounds and texts as the dialogs have them.
TEST_F(Label, SpeechDialogTextsRenderCentredAndTheirLinksClick) {
    struct Dialog { int height; const char* text; const char* anchor; };
    const Dialog dialogs[] = {
        {57,
         "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider ist ist die Microsoft® Agent Technologie bei Ihnen "
         "nicht installiert. Das Programm kann deshalb nicht ausgeführt werden. Um MS Agent auf ihrem System zu "
         "installieren folgen Sie bitte <A href=\"SAPIINSTALL\">diesem Link.</A></FONT></P></B>",
         "SAPIINSTALL"},
        {57,
         "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider ist SAPI nicht installiert. Das Programm kann deshalb "
         "nicht ausgeführt werden. Um SAPI auf ihrem System zu installieren, folgen Sie bitte <A "
         "href=\"SAPIINSTALL\">diesem Link.</A></FONT></P></B>",
         "SAPIINSTALL"},
        {81,
         "<B><P align=\"center\"><IMG src=\"speak\"><FONT face=\"Tahoma\">Leider ist auf Ihrem System keine "
         "TextToSpeech Engine installiert. Das Programm kann deshalb nicht ausgeführt werden. Um mindestens eine "
         "TTS auf Ihrem System zu installieren, folgen Sie bitte <A href=\"TTSGER\">diesem Link.</A></FONT></P></B>",
         "TTSGER"},
        {73,
         "<B><P align=\"center\"><FONT face=\"Tahoma\">Leider sind auf Ihrem System keine Microsoft Agenten "
         "(Figuren) installiert. Das Programm kann deshalb nicht ausgeführt werden. Um Figuren auf Ihrem System zu "
         "installieren folgen Sie bitte <A href=\"SAPIINSTALL\">diesem Link.</A></FONT></P></B> Mit dem Link werden "
         "zwei Agenten installiert (Peedy und Merlin).",
         "SAPIINSTALL"},
    };
    for (const Dialog& d : dialogs) {
        SCOPED_TRACE(d.anchor);
        label->SetBounds(0, 0, 353, d.height);
        label->HTMLText()->Clear();
        label->HTMLText()->Add(d.text);   // the missing picture "speak" takes no room
        clicks.clear();
        Paint();
        // The link is drawn in the link colour and answers a click with its name.
        TPoint first, last;
        ASSERT_TRUE(Find(clBlue, first, last));
        Click(first.X, first.Y);
        Click(last.X, last.Y);
        EXPECT_EQ(clicks, (std::vector<AnsiString>{d.anchor, d.anchor}));
        EXPECT_TRUE(shell.empty());
        // The first line is bold and centred: as much room left as right.
        c->Font()->SetName("Tahoma");
        c->Font()->SetSize(8);
        c->Font()->SetStyle({fsBold});
        const int th = c->TextHeight("gh");
        int left = label->Width(), right = -1;
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < label->Width(); ++x)
                if (Pixel(x, y) == clBlack) { left = std::min(left, x); right = std::max(right, x); }
        ASSERT_GE(right, 0);
        EXPECT_NEAR(left, label->Width() - 1 - right, 3);
        // Wrapped at spaces: the first line holds the words that fit in bold, no more. Words are
        // measured one by one, each with the space after it.
        const AnsiString plain = label->GetText();
        int width = 0, space = 0;
        std::size_t pos = 0;
        while (true) {
            const std::size_t next = plain.find(' ', pos);
            const int w = c->TextWidth(plain.substr(pos, next - pos + 1));
            if (width + w - c->TextWidth(" ") > label->Width()) break;
            width += w;
            space = c->TextWidth(" ");
            pos = next + 1;
        }
        EXPECT_NEAR(right - left + 1, width - space, 3);
    }
}

} // namespace
