// Message dialogs are forms of this library (label, icon, buttons), so the same modal loop, keys and
// test seam serve them and every other modal form; the file and colour dialogs are Qt's.
#include "Dialogs.h"

#include <cstdio>
#include <utility>

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QTimer>

#include "GraphicsQt.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Trace.h"
#include "VclPrivate.h"

namespace {

Dialogs::TDialogAnswerer& Answerer() {
    static Dialogs::TDialogAnswerer answerer;
    return answerer;
}

constexpr TMsgDlgBtn kButtonOrder[] = {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore,
                                      mbAll, mbNoToAll, mbYesToAll, mbHelp};

TModalResult ButtonResult(TMsgDlgBtn b) {
    switch (b) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    case mbHelp: return mrNone;
    }
    return mrNone;
}

AnsiString TypeCaption(TMsgDlgType type) {
    switch (type) {
    case mtWarning: return "Warnung";
    case mtError: return "Fehler";
    case mtInformation: return "Information";
    case mtConfirmation: return "Bestätigen";
    case mtCustom: break;
    }
    return Application->Title.empty() ? SysUtils::ChangeFileExt(SysUtils::ExtractFileName(Application->ExeName()), "")
                                      : Application->Title;
}

// The type's symbol from the desktop's style.
class TMessageIcon : public TGraphicControl {
public:
    TMessageIcon(TComponent* owner, TMsgDlgType type) : TGraphicControl(owner), type_(type) {
        SetBounds(0, 0, 32, 32);
    }
protected:
    void Paint() override {
        QPainter* painter = Canvas()->Private()->Painter();
        if (!painter) return;
        QStyle::StandardPixmap sp = QStyle::SP_MessageBoxInformation;
        if (type_ == mtWarning) sp = QStyle::SP_MessageBoxWarning;
        else if (type_ == mtError) sp = QStyle::SP_MessageBoxCritical;
        else if (type_ == mtConfirmation) sp = QStyle::SP_MessageBoxQuestion;
        const QIcon icon = QApplication::style()->standardIcon(sp);
        icon.paint(painter, QRect(0, 0, Width(), Height()));
    }
private:
    TMsgDlgType type_;
};

class TMessageForm : public TForm {
public:
    explicit TMessageForm(TComponent* owner) : TForm(owner) {}
    TLabel* Message = nullptr;
};

void CollectButtons(TWinControl* parent, std::vector<TButton*>& out) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (auto* b = dynamic_cast<TButton*>(c)) out.push_back(b);
        else if (auto* w = dynamic_cast<TWinControl*>(c)) CollectButtons(w, out);
    }
}

class FormDialog : public TModalDialog {
public:
    explicit FormDialog(TCustomForm* form) : form_(form) {}
    AnsiString Caption() const override { return form_->Caption(); }
    AnsiString Text() const override {
        if (auto* m = dynamic_cast<TMessageForm*>(form_); m && m->Message) return m->Message->Caption();
        return {};
    }
    std::vector<AnsiString> Buttons() const override {
        std::vector<TButton*> buttons;
        CollectButtons(form_, buttons);
        std::vector<AnsiString> out;
        for (TButton* b : buttons) out.push_back(Menus::StripHotkey(b->Caption()));
        return out;
    }
    TCustomForm* Form() const override { return form_; }
    void Press(const AnsiString& caption) override {
        std::vector<TButton*> buttons;
        CollectButtons(form_, buttons);
        for (TButton* b : buttons) {
            if (Menus::StripHotkey(b->Caption()) != caption) continue;
            // The same messages a mouse click on the button's middle gives.
            const LPARAM at = MAKELPARAM(b->Width() / 2, b->Height() / 2);
            b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
            b->Perform(WM_LBUTTONUP, 0, at);
            return;
        }
        throw EComponentError("Der Dialog hat keinen Schalter \"" + caption + "\"");
    }
private:
    TCustomForm* form_;
};

// A platform dialog the answerer fills in instead of a person.
class PlatformDialog : public TModalDialog {
public:
    PlatformDialog(AnsiString caption, std::vector<AnsiString> buttons)
        : caption_(std::move(caption)), buttons_(std::move(buttons)) {}
    AnsiString Caption() const override { return caption_; }
    AnsiString Text() const override { return caption_; }
    std::vector<AnsiString> Buttons() const override { return buttons_; }
    TCustomForm* Form() const override { return nullptr; }
    void Press(const AnsiString& button) override {
        for (const auto& b : buttons_) {
            if (b == button) {
                pressed = button;
                return;
            }
        }
        throw EComponentError("Der Dialog hat keinen Schalter \"" + button + "\"");
    }
    void SetFileName(const AnsiString& name) override { fileName = name; }
    AnsiString Directory() const override { return directory; }
    void SetColor(TColor c) override {
        color = c;
        colorSet = true;
    }
    TColor Color() const override { return color; }
    TColor CustomColor(int i) const override { return i >= 0 && i < 16 ? custom[i] : -1; }
    void SetCustomColor(int i, TColor c) override {
        if (i >= 0 && i < 16) custom[i] = c;
    }
    TColor custom[16] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    AnsiString pressed;
    AnsiString fileName;
    AnsiString directory;
    TColor color = clBlack;
    bool colorSet = false;
private:
    AnsiString caption_;
    std::vector<AnsiString> buttons_;
};

} // namespace

void Vcl::Detail::ModalFormShown(TCustomForm* form) {
    if (!Answerer()) return;
    // Answered from inside the modal loop, as a person would.
    QPointer<QWidget> guard(HandleWidget(form));
    QTimer::singleShot(0, [form, guard] {
        if (!guard || !Answerer()) return;
        FormDialog dialog(form);
        Guarded(form, [&] { Answerer()(dialog); });
        if (guard && form->ModalResult() == mrNone) form->SetModalResult(mrCancel);
    });
}

bool Vcl::Detail::AnswerPlatformDialog(const AnsiString& Caption, const std::vector<AnsiString>& Buttons,
                                       AnsiString& Pressed, AnsiString& FileName) {
    if (!Answerer()) return false;
    PlatformDialog dialog(Caption, Buttons);
    dialog.fileName = FileName;
    Answerer()(dialog);
    Pressed = dialog.pressed;
    FileName = dialog.fileName;
    return true;
}

void Dialogs::SetDialogAnswerer(TDialogAnswerer answerer) { Answerer() = std::move(answerer); }

AnsiString Dialogs::ButtonCaption(TMsgDlgBtn Button) {
    switch (Button) {
    case mbYes: return "Ja";
    case mbNo: return "Nein";
    case mbOK: return "OK";
    case mbCancel: return "Abbrechen";
    case mbAbort: return "Abbrechen";
    case mbRetry: return "Wiederholen";
    case mbIgnore: return "Ignorieren";
    case mbAll: return "Alle";
    case mbNoToAll: return "Alle Nein";
    case mbYesToAll: return "Alle Ja";
    case mbHelp: return "Hilfe";
    }
    return {};
}

TForm* Dialogs::CreateMessageDialog(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
    auto* form = new TMessageForm(nullptr);
    form->SetBorderStyle(bsDialog);
    form->SetPosition(poScreenCenter);
    form->SetCaption(TypeCaption(DlgType));
    const int margin = 8, buttonWidth = 75, buttonHeight = 25, spacing = 8;
    int textLeft = margin;
    int iconHeight = 0;
    if (DlgType != mtCustom) {
        auto* icon = new TMessageIcon(form, DlgType);
        icon->SetParent(form);
        icon->SetBounds(margin + 2, margin + 2, 32, 32);
        textLeft = margin + 2 + 32 + 12;
        iconHeight = 32 + 4;
    }
    auto* label = new TLabel(form);
    label->SetWordWrap(true);
    label->SetShowAccelChar(false);
    label->SetParent(form);
    // Long messages wrap at half the screen's width, as the platform's boxes do.
    const int maxText = std::max(200, Screen->Width() / 2);
    label->SetBounds(textLeft, margin + 2, maxText, 13);
    label->SetCaption(Msg);
    if (label->Width() > maxText) label->SetWidth(maxText);
    form->Message = label;

    std::vector<TMsgDlgBtn> shown;
    for (TMsgDlgBtn b : kButtonOrder) {
        if (Buttons.Contains(b)) shown.push_back(b);
    }
    if (shown.empty()) shown.push_back(mbOK);
    const int buttonsWidth = static_cast<int>(shown.size()) * buttonWidth + (static_cast<int>(shown.size()) - 1) * spacing;
    const int clientWidth = std::max(label->Left() + label->Width() + margin, buttonsWidth + 2 * margin);
    const int top = std::max(label->Top() + label->Height(), margin + iconHeight) + 12;
    int x = (clientWidth - buttonsWidth) / 2;
    // Return answers with OK, else Yes, else Retry; Escape with Cancel, else No, else OK.
    const TMsgDlgBtn defaultButton = Buttons.Contains(mbOK) ? mbOK : Buttons.Contains(mbYes) ? mbYes
                                   : Buttons.Contains(mbRetry) ? mbRetry : shown.front();
    TMsgDlgBtn cancel = Buttons.Contains(mbCancel) ? mbCancel : Buttons.Contains(mbNo) ? mbNo : mbOK;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        auto* b = new TButton(form);
        b->SetParent(form);
        b->SetCaption(ButtonCaption(shown[i]));
        b->ModalResult = ButtonResult(shown[i]);
        b->Default = shown[i] == defaultButton;
        b->Cancel = shown[i] == cancel;
        b->SetName(AnsiString(shown[i] == mbYes ? "Yes" : shown[i] == mbNo ? "No" : shown[i] == mbOK ? "OK"
                              : shown[i] == mbCancel ? "Cancel" : shown[i] == mbAbort ? "Abort"
                              : shown[i] == mbRetry ? "Retry" : shown[i] == mbIgnore ? "Ignore"
                              : shown[i] == mbAll ? "All" : shown[i] == mbNoToAll ? "NoToAll"
                              : shown[i] == mbYesToAll ? "YesToAll" : "Help"));
        b->SetBounds(x, top, buttonWidth, buttonHeight);
        x += buttonWidth + spacing;
        if (shown[i] == defaultButton) form->SetActiveControl(b);
    }
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(top + buttonHeight + margin + 2);
    return form;
}

int Dialogs::MessageDlgPos(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int, int X, int Y) {
    std::unique_ptr<TForm> form(CreateMessageDialog(Msg, DlgType, Buttons));
    if (X >= 0) form->SetLeft(X);
    if (Y >= 0) form->SetTop(Y);
    if (X >= 0 || Y >= 0) form->SetPosition(poDesigned);
    Trace::Step("message shown");
    return form->ShowModal();
}

void Dialogs::ShowMessageWithoutWaiting(const AnsiString& Msg, std::function<void()> OnClosed) {
    TForm* form = CreateMessageDialog(Msg, mtCustom, {mbOK});
    // Nobody waits for an answer: OK, Return, Escape and the window's close box close it, and it
    // frees itself.
    form->OnClose = [form, closed = std::move(OnClosed)](TObject*, TCloseAction& Action) mutable {
        form->Hide();
        Action = caFree;
        if (closed) std::exchange(closed, nullptr)();
    };
    std::vector<TButton*> buttons;
    CollectButtons(form, buttons);
    for (TButton* b : buttons) b->OnClick = [form](TObject*) { form->Close(); };
    form->Show();
    // Each window once: the trace shows how many were opened.
    static int shown = 0;
    ++shown;
    Trace::Step(shown == 1 ? "message shown" : ("message " + std::to_string(shown) + " shown").c_str());
    if (!Answerer()) return;
    QPointer<QWidget> guard(Vcl::Detail::HandleWidget(form));
    FormDialog dialog(form);
    Vcl::Detail::Guarded(form, [&] { Answerer()(dialog); });
    // One the answerer leaves alone goes all the same, so a test leaves no window behind.
    if (guard && form->Visible()) form->Close();
}

int Dialogs::MessageDlg(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
    return MessageDlgPos(Msg, DlgType, Buttons, HelpCtx, -1, -1);
}

void Dialogs::ShowMessage(const AnsiString& Msg) { MessageDlg(Msg, mtCustom, {mbOK}); }

int Dialogs::PlatformMessageBox(const AnsiString& Text, const AnsiString& Caption, UINT Flags) {
    TMsgDlgButtons buttons;
    switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = {mbOK, mbCancel}; break;
    case MB_ABORTRETRYIGNORE: buttons = {mbAbort, mbRetry, mbIgnore}; break;
    case MB_YESNOCANCEL: buttons = {mbYes, mbNo, mbCancel}; break;
    case MB_YESNO: buttons = {mbYes, mbNo}; break;
    case MB_RETRYCANCEL: buttons = {mbRetry, mbCancel}; break;
    default: buttons = {mbOK}; break;
    }
    TMsgDlgType type = mtCustom;
    switch (Flags & MB_ICONMASK) {
    case MB_ICONHAND: type = mtError; break;
    case MB_ICONQUESTION: type = mtConfirmation; break;
    case MB_ICONEXCLAMATION: type = mtWarning; break;
    case MB_ICONASTERISK: type = mtInformation; break;
    default: break;
    }
    std::unique_ptr<TForm> form(CreateMessageDialog(Text, type, buttons));
    form->SetCaption(Caption);
    std::vector<TButton*> list;
    CollectButtons(form.get(), list);
    const std::size_t defaultIndex = (Flags & MB_DEFMASK) >> 8;
    for (std::size_t i = 0; i < list.size(); ++i) {
        list[i]->Default = i == defaultIndex;
        if (i == defaultIndex) form->SetActiveControl(list[i]);
    }
    if (Flags & (MB_TOPMOST | MB_SYSTEMMODAL)) form->SetFormStyle(fsStayOnTop);
    Trace::Step("message shown");
    const int result = form->ShowModal();
    // A box with OK alone answers OK however it was closed.
    if (result == mrCancel && !buttons.Contains(mbCancel)) {
        if (buttons.Contains(mbOK)) return IDOK;
        if (buttons.Contains(mbNo)) return IDNO;
    }
    return result == mrNone ? IDCANCEL : result;
}

int MessageBox(HWND, const char* lpText, const char* lpCaption, UINT uType) {
    return Dialogs::PlatformMessageBox(lpText ? lpText : "", lpCaption ? lpCaption : "Fehler", uType);
}

// ---- common dialogs -------------------------------------------------------------------------------------------------
std::vector<std::string> Dialogs::QtNameFilters(const AnsiString& Filter) {
    std::vector<std::string> out;
    std::vector<std::string> parts;
    std::string current;
    for (char c : Filter) {
        if (c == '|') {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns = parts[i + 1];
        for (char& c : patterns) {
            if (c == ';') c = ' ';
        }
        std::string description = parts[i];
        // A description that already shows its patterns keeps them once.
        if (description.find('(') == std::string::npos) description += " (" + patterns + ")";
        else description = description.substr(0, description.find('(')) + "(" + patterns + ")";
        out.push_back(description);
    }
    return out;
}

TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner), files_(std::make_unique<TStringList>()) {}
TOpenDialog::~TOpenDialog() = default;

namespace {

// Never the process's working folder, which says nothing to the user.
AnsiString StartFolder(const AnsiString& InitialDir, const AnsiString& FileName) {
    for (const AnsiString& dir : {InitialDir, SysUtils::ExtractFileDir(FileName), SysUtils::ProgramFolder()}) {
        if (dir.empty()) continue;
        const AnsiString resolved = SysUtils::ResolvePath(dir);
        if (SysUtils::DirectoryExists(resolved)) return resolved;
    }
    return QDir::homePath().toStdString();
}

} // namespace

bool TOpenDialog::Execute() {
    // A program that is ending chooses nothing more.
    if (!Vcl::Detail::EnsureQtApp() || Application->Terminated()) return false;
    const AnsiString caption = !Title.empty() ? Title : Saving() ? AnsiString("Speichern unter") : AnsiString("Öffnen");
    const AnsiString folder = StartFolder(InitialDir, FileName);
    AnsiString chosen;
    if (Answerer()) {
        PlatformDialog dialog(caption, {Saving() ? "Speichern" : "Öffnen", "Abbrechen"});
        dialog.fileName = FileName;
        dialog.directory = folder;
        Answerer()(dialog);
        if (dialog.pressed.empty() || dialog.pressed == "Abbrechen") return false;
        chosen = dialog.fileName;
    } else {
        // Opened from a dialog, it stands above that dialog.
        QFileDialog dialog(Vcl::Detail::DialogParentWidget(), QString::fromStdString(caption));
        dialog.setAcceptMode(Saving() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(Saving() ? QFileDialog::AnyFile
                           : Options.Contains(ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                           : Options.Contains(ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        QStringList filters;
        for (const auto& f : Dialogs::QtNameFilters(Filter)) filters << QString::fromStdString(f);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            if (FilterIndex >= 1 && FilterIndex <= filters.size()) dialog.selectNameFilter(filters[FilterIndex - 1]);
        }
        if (!DefaultExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(DefaultExt));
        dialog.setDirectory(QString::fromStdString(folder));
        if (!FileName.empty()) dialog.selectFile(QString::fromStdString(SysUtils::ExtractFileName(FileName)));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
        files_->Clear();
        for (const QString& f : dialog.selectedFiles()) files_->Add(f.toStdString());
        chosen = dialog.selectedFiles().first().toStdString();
        FilterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    }
    if (chosen.empty()) return false;
    if (!DefaultExt.empty() && SysUtils::ExtractFileExt(chosen).empty()) {
        AnsiString ext = DefaultExt;
        if (ext[0] == '.') ext.erase(0, 1);
        chosen += "." + ext;
    }
    if (Options.Contains(ofFileMustExist) && !SysUtils::FileExists(chosen)) return false;
    FileName = chosen;
    if (files_->Count() == 0 || files_->Strings(0) != chosen) {
        files_->Clear();
        files_->Add(chosen);
    }
    return true;
}

namespace {

AnsiString CustomColorName(int i) { return AnsiString("Color") + char('A' + i); }

// The custom colour of a list line's value; -1 for a missing, empty or unreadable value.
TColor ParseCustomColor(const AnsiString& value) {
    if (value.empty() || value.size() > 8) return -1;
    TColor c = 0;
    for (char ch : value) {
        int digit;
        if (ch >= '0' && ch <= '9') digit = ch - '0';
        else if (ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
        else return -1;
        c = (c << 4) | digit;
    }
    return c & 0x00FFFFFF;
}

AnsiString FormatCustomColor(TColor c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.6x", static_cast<unsigned>(c) & 0x00FFFFFFu);
    return buf;
}

} // namespace

TColorDialog::TColorDialog(TComponent* AOwner) : TComponent(AOwner), customColors_(std::make_unique<TStringList>()) {}
TColorDialog::~TColorDialog() = default;

bool TColorDialog::Execute() {
    if (!Vcl::Detail::EnsureQtApp()) return false;
    TColor custom[16];
    for (int i = 0; i < 16; ++i) custom[i] = ParseCustomColor(customColors_->Values(CustomColorName(i)));
    // Only colours that were set (or newly chosen) go back into the list.
    auto writeBack = [&](const TColor* after) {
        for (int i = 0; i < 16; ++i)
            if (after[i] >= 0 && (after[i] != custom[i] || customColors_->IndexOfName(CustomColorName(i)) >= 0))
                customColors_->SetValue(CustomColorName(i), FormatCustomColor(after[i]));
    };
    if (Answerer()) {
        PlatformDialog dialog("Farbe", {"OK", "Abbrechen"});
        dialog.color = Color;
        for (int i = 0; i < 16; ++i) dialog.custom[i] = custom[i];
        Answerer()(dialog);
        if (dialog.pressed != "OK") return false;
        Color = dialog.color;
        writeBack(dialog.custom);
        return true;
    }
    // Qt keeps one set of custom colours for the process; unset ones show as white.
    for (int i = 0; i < 16; ++i)
        QColorDialog::setCustomColor(i, custom[i] >= 0 ? GraphicsQt::ToQColor(custom[i]) : QColor(Qt::white));
    // Opened from a dialog, it stands above that dialog.
    const QColor c =
        QColorDialog::getColor(GraphicsQt::ToQColor(Color), Vcl::Detail::DialogParentWidget(), QStringLiteral("Farbe"));
    if (!c.isValid()) return false;
    Color = GraphicsQt::FromQColor(c);
    TColor after[16];
    for (int i = 0; i < 16; ++i) {
        const TColor shown = GraphicsQt::FromQColor(QColorDialog::customColor(i));
        after[i] = custom[i] < 0 && shown == TColor(0x00FFFFFF) ? -1 : shown;
    }
    writeBack(after);
    return true;
}
