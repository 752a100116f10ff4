// Modal dialogs answered through the library's seam, as a person would answer them.
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include "ControlsTestSupport.h"
#include "Dialogs.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include "TempDir.h"
#include "VclPrivate.h"

using namespace controlstest;

namespace {

class DialogsSeam : public WithApplication {
protected:
    void TearDown() override { Dialogs::SetDialogAnswerer(nullptr); }
};

} // namespace

TEST_F(DialogsSeam, MessageDlgShowsGermanButtonsAndAnswersThePressedOne) {
    std::string caption, text;
    std::vector<AnsiString> buttons;
    bool visible = false;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        caption = d.Caption();
        text = d.Text();
        buttons = d.Buttons();
        visible = d.Form() && d.Form()->Visible();
        d.Press("Nein");
    });
    const int result = Dialogs::MessageDlg("Datenbank löschen?", mtConfirmation, mbYesNoCancel);
    EXPECT_EQ(result, mrNo);
    EXPECT_EQ(caption, "Bestätigen");
    EXPECT_EQ(text, "Datenbank löschen?");
    EXPECT_EQ(buttons, (std::vector<AnsiString>{"Ja", "Nein", "Abbrechen"}));
    EXPECT_TRUE(visible);
}

TEST_F(DialogsSeam, CaptionsOfTheMessageTypes) {
    std::vector<std::string> captions;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        captions.push_back(d.Caption());
        d.Press("OK");
    });
    Application->Title = "Tarvolin";
    for (TMsgDlgType t : {mtWarning, mtError, mtInformation, mtConfirmation, mtCustom})
        EXPECT_EQ(Dialogs::MessageDlg("x", t, {mbOK}), mrOk);
    Dialogs::ShowMessage("Die angegebene Datenbank existiert nicht!");
    EXPECT_EQ(captions, (std::vector<std::string>{"Warnung", "Fehler", "Information", "Bestätigen", "Tarvolin",
                                                  "Tarvolin"}));
}

TEST_F(DialogsSeam, MessageBoxAnswersWithThePlatformsIds) {
    std::vector<AnsiString> buttons;
    std::string caption;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        buttons = d.Buttons();
        caption = d.Caption();
        d.Press("Ja");
    });
    EXPECT_EQ(MessageBox(nullptr, "Weiter?", "Frage", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(buttons, (std::vector<AnsiString>{"Ja", "Nein"}));
    EXPECT_EQ(caption, "Frage");
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        buttons = d.Buttons();
        caption = d.Caption();
        d.Press("Abbrechen");
    });
    EXPECT_EQ(Application->MessageBox("Speichern?", "Tarvolin", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(buttons, (std::vector<AnsiString>{"OK", "Abbrechen"}));
    // Without a caption the platform titles the box "Fehler".
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        caption = d.Caption();
        d.Press("OK");
    });
    EXPECT_EQ(MessageBox(nullptr, "Leider konnte keine Verbindung zur Datenbank hergestellt werden", nullptr, MB_OK),
              IDOK);
    EXPECT_EQ(caption, "Fehler");
}

TEST_F(DialogsSeam, UnansweredDialogIsCancelledAndUnknownButtonsAreRefused) {
    Dialogs::SetDialogAnswerer([](TModalDialog&) {});
    EXPECT_EQ(Dialogs::MessageDlg("?", mtWarning, mbYesNoCancel), mrCancel);
    // OK alone answers OK whichever way the box went.
    EXPECT_EQ(MessageBox(nullptr, "Hinweis", "Titel", MB_OK), IDOK);
    std::string error;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        try {
            d.Press("Vielleicht");
        } catch (const EComponentError& e) {
            error = e.Message;
            d.Press("Nein");
        }
    });
    EXPECT_EQ(Dialogs::MessageDlg("?", mtConfirmation, mbYesNo), mrNo);
    EXPECT_NE(error.find("Vielleicht"), std::string::npos);
}

TEST_F(DialogsSeam, ReturnPressesTheFirstButtonAndEscapeTheCancelButton) {
    Dialogs::SetDialogAnswerer([](TModalDialog& d) {
        TCustomForm* f = d.Form();
        ASSERT_NE(f->ActiveControl(), nullptr);
        Key(f->ActiveControl(), Qt::Key_Escape, "\x1b");
    });
    EXPECT_EQ(Dialogs::MessageDlg("?", mtConfirmation, mbYesNoCancel), mrCancel);
    Dialogs::SetDialogAnswerer([](TModalDialog& d) { Key(d.Form()->ActiveControl(), Qt::Key_Return, "\r"); });
    EXPECT_EQ(Dialogs::MessageDlg("?", mtConfirmation, mbYesNoCancel), mrYes);
    // Retry is the default among Abort, Retry and Ignore; Escape there is no answer the box offers.
    EXPECT_EQ(Dialogs::MessageDlg("?", mtError, mbAbortRetryIgnore), mrRetry);
}

TEST_F(DialogsSeam, ModalFormsOfTheProgramAreAnsweredTheSameWay) {
    TForm form(nullptr);
    form.SetCaption("Einstellungen");
    auto* ok = new TButton(&form);
    ok->SetParent(&form);
    ok->SetCaption("&Übernehmen");
    ok->ModalResult = mrOk;
    std::vector<AnsiString> buttons;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        buttons = d.Buttons();
        EXPECT_EQ(d.Form(), &form);
        d.Press("Übernehmen");
    });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(buttons, (std::vector<AnsiString>{"Übernehmen"}));
}

TEST_F(DialogsSeam, LongMessagesWrapAndTheDialogGrowsToHoldThem) {
    std::string longText;
    for (int i = 0; i < 200; ++i) longText += "Wort ";
    int shortHeight = 0, longHeight = 0, longWidth = 0;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        (d.Text().size() < 10 ? shortHeight : longHeight) = d.Form()->ClientHeight();
        if (d.Text().size() > 10) longWidth = d.Form()->Width();
        d.Press("OK");
    });
    Dialogs::MessageDlg("kurz", mtInformation, {mbOK});
    Dialogs::MessageDlg(longText, mtInformation, {mbOK});
    EXPECT_GT(longHeight, shortHeight);
    EXPECT_LE(longWidth, Screen->Width());
}

TEST_F(DialogsSeam, OpenDialogTakesTheAnsweredFileAndItsDefaultExtension) {
    testsupport::TempDir dir;
    dir.write("zorbelin.mde", "x");
    TOpenDialog dialog(nullptr);
    dialog.Title = "Datenbank wählen";
    dialog.Filter = "Zorbelin DB|*.mde";
    dialog.DefaultExt = "mde";
    dialog.Options = dialog.Options + TOpenOptions{ofFileMustExist};
    std::string caption;
    std::vector<AnsiString> buttons;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        caption = d.Caption();
        buttons = d.Buttons();
        d.SetFileName(dir.file("zorbelin"));
        d.Press("Öffnen");
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, dir.file("zorbelin.mde"));
    EXPECT_EQ(dialog.Files()->Count(), 1);
    EXPECT_EQ(caption, "Datenbank wählen");
    EXPECT_EQ(buttons, (std::vector<AnsiString>{"Öffnen", "Abbrechen"}));
    // A file that must exist and does not is no answer; neither is "Abbrechen".
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        d.SetFileName(dir.file("fehlt.mde"));
        d.Press("Öffnen");
    });
    EXPECT_FALSE(dialog.Execute());
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) { d.Press("Abbrechen"); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName, dir.file("zorbelin.mde"));
}

namespace {

std::string Canonical(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).canonicalFilePath().toStdString();
}

// The folder Qt's file dialog shows when the dialog opens; the dialog is then cancelled.
std::string OpensIn(TOpenDialog& dialog) {
    std::string seen;
    QTimer look;
    look.setInterval(20);
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            seen = Canonical(files->directory().absolutePath().toStdString());
            look.stop();
            files->reject();
        }
    });
    look.start();
    EXPECT_FALSE(dialog.Execute());
    return seen;
}

} // namespace

TEST_F(DialogsSeam, FileDialogsOpenInTheFolderOfTheValueElseTheProgramsElseHome) {
    testsupport::TempDir dir;
    dir.write("Klänge/alarm.wav", "RIFF");
    dir.write("Programm/tarvolin", "x");
    SysUtils::SetProgramFolder(dir.str() + "Programm/");
    TOpenDialog dialog(nullptr);
    dialog.Filter = "Sounddateien|*.wav";
    dialog.FileName = dir.file("Klänge/alarm.wav");
    EXPECT_EQ(OpensIn(dialog), Canonical(dir.file("Klänge")));
    // A value without a folder, or in a folder that is gone, and a missing initial folder.
    dialog.FileName = "*.wav";
    EXPECT_EQ(OpensIn(dialog), Canonical(dir.file("Programm")));
    dialog.FileName = "C:\\WINDOWS\\HELP\\TOUR\\AUDIO\\WAV\\WMPAUD4.WAV";
    dialog.InitialDir = dir.file("fehlt");
    EXPECT_EQ(OpensIn(dialog), Canonical(dir.file("Programm")));
    // An initial folder that exists comes first.
    dialog.InitialDir = dir.file("Klänge");
    dialog.FileName = "";
    EXPECT_EQ(OpensIn(dialog), Canonical(dir.file("Klänge")));
    // The same folder is what a test's answerer sees.
    AnsiString answered;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) { answered = d.Directory(); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(Canonical(answered), Canonical(dir.file("Klänge")));
    Dialogs::SetDialogAnswerer(nullptr);
    // Without a program folder on the disk: home.
    dialog.InitialDir = "";
    SysUtils::SetProgramFolder(dir.str() + "fehlt/");
    EXPECT_EQ(OpensIn(dialog), Canonical(QDir::homePath().toStdString()));
    SysUtils::SetProgramFolder("");
}

TEST_F(DialogsSeam, ColorDialogTakesTheAnsweredColour) {
    TColorDialog dialog(nullptr);
    dialog.Color = clRed;
    TColor offered = clNone;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        d.SetColor(RGB(1, 2, 3));
        d.Press("OK");
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Color, RGB(1, 2, 3));
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        offered = clBlack;
        d.SetColor(clWhite);
        d.Press("Abbrechen");
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Color, RGB(1, 2, 3));
    EXPECT_EQ(offered, clBlack);
}

TEST_F(DialogsSeam, QtsOwnDialogsSpeakGerman) {
    QColorDialog colours;
    auto* box = colours.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->button(QDialogButtonBox::Cancel)->text().toStdString(), "Abbrechen");
    bool basic = false;
    for (QLabel* label : colours.findChildren<QLabel*>()) basic = basic || label->text() == "Grundfar&ben";
    EXPECT_TRUE(basic);

    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    bool lookIn = false;
    for (QLabel* label : files.findChildren<QLabel*>()) lookIn = lookIn || label->text() == "Suchen in:";
    EXPECT_TRUE(lookIn);
}

TEST(DialogFilters, ClassLibraryFiltersBecomeQtNameFilters) {
    EXPECT_EQ(Dialogs::QtNameFilters("Zorbelin DB|*.mde"), (std::vector<std::string>{"Zorbelin DB (*.mde)"}));
    EXPECT_EQ(Dialogs::QtNameFilters("Bilder (*.bmp;*.gif)|*.bmp;*.gif|Alle|*.*"),
              (std::vector<std::string>{"Bilder (*.bmp *.gif)", "Alle (*.*)"}));
    EXPECT_TRUE(Dialogs::QtNameFilters("").empty());
}

TEST_F(DialogsSeam, ExceptionShownWithoutOnExceptionIsAMessageBox) {
    std::string text;
    Dialogs::SetDialogAnswerer([&](TModalDialog& d) {
        text = d.Text();
        d.Press("OK");
    });
    try {
        throw SysUtils::Exception("Datei fehlt");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_EQ(text, "Datei fehlt.");
}

// A dialog opened from a dialog belongs to it, so the window manager keeps it above that dialog:
// a form shown modally from the modal form, and Qt's colour and file dialogs.
TEST_F(DialogsSeam, ADialogOpenedFromADialogBelongsToIt) {
    Dialogs::SetDialogAnswerer(nullptr);
    TForm outer(nullptr), inner(nullptr);
    outer.SetBorderStyle(bsDialog);
    inner.SetBorderStyle(bsDialog);
    QWidget* outerWidget = Vcl::Detail::HandleWidget(&outer);
    QWidget* innerWidget = Vcl::Detail::HandleWidget(&inner);
    // The window each dialog belonged to while it showed, found from inside its own loop.
    QWindow *innerOwner = nullptr, *colourOwner = nullptr, *fileOwner = nullptr;
    auto ownerOfModal = [](QWindow*& owner) {
        QTimer::singleShot(0, [&owner] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            owner = modal->windowHandle() ? modal->windowHandle()->transientParent() : nullptr;
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        });
    };
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            innerOwner = innerWidget->windowHandle()->transientParent();
            inner.SetModalResult(mrOk);
        });
        inner.ShowModal();
        ownerOfModal(colourOwner);
        TColorDialog colours(nullptr);
        EXPECT_FALSE(colours.Execute());
        ownerOfModal(fileOwner);
        TOpenDialog files(nullptr);
        EXPECT_FALSE(files.Execute());
        outer.SetModalResult(mrOk);
    });
    EXPECT_EQ(outer.ShowModal(), mrOk);
    ASSERT_NE(outerWidget->windowHandle(), nullptr);
    EXPECT_EQ(innerOwner, outerWidget->windowHandle());
    EXPECT_EQ(colourOwner, outerWidget->windowHandle());
    EXPECT_EQ(fileOwner, outerWidget->windowHandle());
    // Closed, the inner form is a window of its own again, and alone it belongs to no other.
    EXPECT_EQ(innerWidget->parentWidget(), nullptr);
    EXPECT_EQ(inner.PopupParent(), nullptr);
    ownerOfModal(colourOwner);
    TColorDialog alone(nullptr);
    EXPECT_FALSE(alone.Execute());
    EXPECT_EQ(colourOwner, nullptr);
}
