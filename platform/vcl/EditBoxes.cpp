// The editing controls: a Qt editor fills the control's window; its keys, focus changes and
// clicks go through the control's messages before the editor acts on them.
#include "EditBoxes.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextOption>
#include <QPointer>
#include <QSpinBox>
#include <QTextBlock>

#include <climits>
#include <cmath>

#include "GraphicsQt.h"
#include "HandleWidget.h"
#include "VclPrivate.h"

namespace {

const QDate DayZero(1899, 12, 30);

QString Q(const AnsiString& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }
AnsiString A(const QString& s) { return s.toUtf8().toStdString(); }

int QtKeyOf(Word vk) {
    switch (vk) {
    case VK_LEFT: return Qt::Key_Left;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_UP: return Qt::Key_Up;
    case VK_DOWN: return Qt::Key_Down;
    case VK_HOME: return Qt::Key_Home;
    case VK_END: return Qt::Key_End;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_DELETE: return Qt::Key_Delete;
    case VK_INSERT: return Qt::Key_Insert;
    default: return 0;
    }
}

} // namespace

// ---- the Qt side ----------------------------------------------------------------------------------------
struct TEditHostPrivate : QObject {
    TEditHost* host;
    int kind;
    QWidget* editor = nullptr;
    QLineEdit* dateText = nullptr;   // the date editor's text, where its clicks land
    bool passing = false;

    TEditHostPrivate(TEditHost* h, int k) : host(h), kind(k) {}

    QLineEdit* Line() const { return kind == 0 ? static_cast<QLineEdit*>(editor) : nullptr; }
    QPlainTextEdit* Memo() const { return kind == 1 ? static_cast<QPlainTextEdit*>(editor) : nullptr; }
    QSpinBox* Spin() const { return kind == 2 ? static_cast<QSpinBox*>(editor) : nullptr; }
    QDateTimeEdit* DateEdit() const { return kind == 3 ? static_cast<QDateTimeEdit*>(editor) : nullptr; }

    // Hands an event to the editor itself, past the filter.
    void Pass(QWidget* target, QEvent* e) {
        passing = true;
        QApplication::sendEvent(target, e);
        passing = false;
    }

    // Where a click sent to the control lands: the text, as the window system's own click would.
    // (The date editor itself takes a press on its text for its step-down button.)
    QWidget* MouseTarget() const {
        if (auto* m = Memo()) return m->viewport();
        if (dateText) return dateText;
        return editor;
    }

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (!passing && watched == dateText && e->type() == QEvent::MouseButtonRelease) {
            // As on the platform's picker, a click selects the field under it (day, month, hours...),
            // so what is typed next replaces that field.
            Pass(dateText, e);
            if (!dateText->hasSelectedText()) DateEdit()->setSelectedSection(DateEdit()->currentSection());
            return true;
        }
        if (passing || watched != editor) return false;
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: return TranslateKey(static_cast<QKeyEvent*>(e));
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            // The control's window keeps the class library's focus bookkeeping (OnEnter, OnExit).
            QFocusEvent copy(e->type(), static_cast<QFocusEvent*>(e)->reason());
            QApplication::sendEvent(Vcl::Detail::HandleWidget(host), &copy);
            return false;
        }
        default: return false;
        }
    }

    // The editor's keys take the control's own way to its key messages; a Tab it wants stays with it.
    bool TranslateKey(QKeyEvent* ke) {
        auto* window = static_cast<Vcl::Detail::THandleWidget*>(Vcl::Detail::HandleWidget(host));
        return window->TranslateKey(ke, host->WantTabs);
    }
};

// ---- TEditHost --------------------------------------------------------------------------------------------
TEditHost::TEditHost(TComponent* AOwner, int Kind) : TWinControl(AOwner), d_(std::make_unique<TEditHostPrivate>(this, Kind)) {
    QWidget* window = Vcl::Detail::HandleWidget(this);
    QWidget* editor = nullptr;
    switch (Kind) {
    case 0: {
        auto* line = new QLineEdit(window);
        QObject::connect(line, &QLineEdit::textChanged, [this](const QString&) { EditorTextChanged(); });
        editor = line;
        break;
    }
    case 1: {
        auto* memo = new QPlainTextEdit(window);
        memo->setTabChangesFocus(true);
        QObject::connect(memo, &QPlainTextEdit::textChanged, [this] { EditorTextChanged(); });
        editor = memo;
        break;
    }
    case 2: {
        auto* spin = new QSpinBox(window);
        spin->setRange(INT_MIN, INT_MAX);
        QObject::connect(spin, &QSpinBox::valueChanged, [this](int) { EditorTextChanged(); });
        editor = spin;
        break;
    }
    default: {
        // A date-time editor, so the picker can show either the day or the time of day.
        auto* date = new QDateTimeEdit(window);
        date->setCalendarPopup(true);
        date->setDisplayFormat("dd.MM.yyyy");
        date->setMinimumDate(QDate(100, 1, 1));
        date->setTimeSpec(Qt::UTC);
        QObject::connect(date, &QDateTimeEdit::dateTimeChanged, [this](const QDateTime&) { EditorTextChanged(); });
        editor = date;
        break;
    }
    }
    d_->editor = editor;
    editor->installEventFilter(d_.get());
    if (Kind == 3) {
        d_->dateText = editor->findChild<QLineEdit*>();
        if (d_->dateText) d_->dateText->installEventFilter(d_.get());
    }
    editor->setFocusPolicy(Qt::StrongFocus);
    window->setFocusProxy(editor);
    editor->show();
    SetTabStop(true);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 21);
}

TEditHost::~TEditHost() {
    if (d_->editor) d_->editor->removeEventFilter(d_.get());
    if (d_->dateText) d_->dateText->removeEventFilter(d_.get());
}

void TEditHost::UpdateWindowBounds() {
    TWinControl::UpdateWindowBounds();
    if (d_ && d_->editor) d_->editor->setGeometry(0, 0, Width(), Height());
}

void TEditHost::SetBorderSingle(bool Value) {
    borderSingle_ = Value;
    if (auto* l = d_->Line()) l->setFrame(Value);
    if (auto* m = d_->Memo()) m->setFrameShape(Value ? QFrame::Box : QFrame::NoFrame);
    if (auto* s = qobject_cast<QAbstractSpinBox*>(d_->editor)) s->setFrame(Value);
}

void TEditHost::SetReadOnly(bool Value) {
    readOnly_ = Value;
    if (auto* l = d_->Line()) l->setReadOnly(Value);
    if (auto* m = d_->Memo()) m->setReadOnly(Value);
    if (auto* s = qobject_cast<QAbstractSpinBox*>(d_->editor)) s->setReadOnly(Value);
}

int TEditHost::SelStart() const {
    if (auto* l = d_->Line()) return l->hasSelectedText() ? l->selectionStart() : l->cursorPosition();
    if (auto* m = d_->Memo()) return m->textCursor().selectionStart();
    return 0;
}

int TEditHost::SelLength() const {
    if (auto* l = d_->Line()) return l->hasSelectedText() ? static_cast<int>(l->selectedText().size()) : 0;
    if (auto* m = d_->Memo()) return m->textCursor().selectionEnd() - m->textCursor().selectionStart();
    return 0;
}

void TEditHost::SetSelStart(int Value) {
    if (auto* l = d_->Line()) l->setCursorPosition(Value);
    if (auto* m = d_->Memo()) {
        QTextCursor c = m->textCursor();
        c.setPosition(std::clamp(Value, 0, static_cast<int>(m->document()->characterCount()) - 1));
        m->setTextCursor(c);
    }
}

void TEditHost::SetSelLength(int Value) {
    const int start = SelStart();
    if (auto* l = d_->Line()) l->setSelection(start, Value);
    if (auto* m = d_->Memo()) {
        QTextCursor c = m->textCursor();
        c.setPosition(start);
        c.setPosition(std::clamp(start + Value, 0, static_cast<int>(m->document()->characterCount()) - 1),
                      QTextCursor::KeepAnchor);
        m->setTextCursor(c);
    }
}

void TEditHost::SelectAll() {
    if (auto* l = d_->Line()) l->selectAll();
    if (auto* m = d_->Memo()) m->selectAll();
    if (auto* s = qobject_cast<QAbstractSpinBox*>(d_->editor)) s->selectAll();
}

void TEditHost::FontChanged() {
    TWinControl::FontChanged();
    d_->editor->setFont(GraphicsQt::ToQFont(*Font()));
    QPalette p = d_->editor->palette();
    p.setColor(QPalette::Text, GraphicsQt::ToQColor(Font()->Color()));
    d_->editor->setPalette(p);
}

void TEditHost::ColorChanged() {
    TWinControl::ColorChanged();
    QPalette p = d_->editor->palette();
    p.setColor(QPalette::Base, GraphicsQt::ToQColor(Color()));
    p.setColor(QPalette::Window, GraphicsQt::ToQColor(Color()));
    d_->editor->setPalette(p);
}

void TEditHost::Change() {
    if (OnChange) OnChange(this);
}

void TEditHost::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // An editor that wants Return keeps it from the form's default button.
        if (Message.CharCode() == VK_RETURN && WantReturns) {
            DoKeyDown(Message);
            return;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
        // Clicks sent to the control click into the editor (its own clicks never come this way).
        QWidget* target = d_->MouseTarget();
        const QPoint local = target->mapFrom(Vcl::Detail::HandleWidget(this), QPoint(Message.XPos(), Message.YPos()));
        const bool down = Message.Msg == WM_LBUTTONDOWN;
        QMouseEvent e(down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, QPointF(local),
                      QPointF(target->mapToGlobal(local)), Qt::LeftButton,
                      down ? Qt::MouseButtons(Qt::LeftButton) : Qt::MouseButtons(), Qt::NoModifier);
        // The date's text takes the click through its filter, which selects the field clicked.
        if (target == d_->dateText) QApplication::sendEvent(target, &e);
        else d_->Pass(target, &e);
        break;
    }
    default: break;
    }
    TWinControl::WndProc(Message);
}

bool TEditHost::DoKeyDown(TMessage& Message) {
    if (TWinControl::DoKeyDown(Message)) return true;
    DefaultKeyDown(Message.CharCode());
    return false;
}

bool TEditHost::DoKeyPress(TMessage& Message) {
    if (TWinControl::DoKeyPress(Message)) return true;
    DefaultChar(static_cast<unsigned>(Message.WParam));
    return false;
}

void TEditHost::DefaultKeyDown(Word Key) {
    const int qtKey = QtKeyOf(Key);
    if (!qtKey) return;
    const Qt::KeyboardModifiers mods = Vcl::Detail::CurrentModifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    QKeyEvent e(QEvent::KeyPress, qtKey, mods);
    d_->Pass(d_->editor, &e);
}

void TEditHost::DefaultChar(unsigned Char) {
    int key = 0;
    Qt::KeyboardModifiers mods;
    QString text;
    switch (Char) {
    case 8: key = Qt::Key_Backspace; break;
    case 13:
        if (!WantReturns) return;
        key = Qt::Key_Return;
        text = "\r";
        break;
    case 9:
        if (!WantTabs) return;
        if (auto* m = d_->Memo()) m->insertPlainText("\t");
        return;
    case 27: return;
    case 1: key = Qt::Key_A; mods = Qt::ControlModifier; break;
    case 3: key = Qt::Key_C; mods = Qt::ControlModifier; break;
    case 22: key = Qt::Key_V; mods = Qt::ControlModifier; break;
    case 24: key = Qt::Key_X; mods = Qt::ControlModifier; break;
    case 26: key = Qt::Key_Z; mods = Qt::ControlModifier; break;
    default: {
        if (Char < 32) return;
        const char32_t c = Char;
        text = QString::fromUcs4(&c, 1);
        break;
    }
    }
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    d_->Pass(d_->editor, &e);
}

// ---- TLineEdit ----------------------------------------------------------------------------------------------
TLineEdit::TLineEdit(TComponent* AOwner) : TEditHost(AOwner, 0) {}

void TLineEdit::TextChanged() {
    TEditHost::TextChanged();
    if (syncing_) return;
    QLineEdit* l = d_->Line();
    const QString t = Q(Text());
    if (l->text() != t) {
        const QSignalBlocker block(l);
        l->setText(t);
    }
    Change();
}

void TLineEdit::EditorTextChanged() {
    syncing_ = true;
    try {
        SetText(A(d_->Line()->text()));
    } catch (...) {
        syncing_ = false;
        throw;
    }
    syncing_ = false;
    Change();
}

// ---- TPlainMemo ---------------------------------------------------------------------------------------------
TPlainMemo::TPlainMemo(TComponent* AOwner) : TEditHost(AOwner, 1), lines_(std::make_unique<TStringList>()) {
    WantReturns = true;
    lines_->OnChange = [this](TObject*) {
        if (!syncing_) PushLines();
    };
}

TPlainMemo::~TPlainMemo() { lines_->OnChange = nullptr; }

void TPlainMemo::PushLines() {
    QPlainTextEdit* m = d_->Memo();
    QStringList parts;
    for (int i = 0; i < lines_->Count(); ++i) parts << Q(lines_->Get(i));
    {
        const QSignalBlocker block(m);
        m->setPlainText(parts.join('\n'));
    }
    syncing_ = true;
    SetText(lines_->Text());
    syncing_ = false;
    Change();
}

void TPlainMemo::SetWrapAnywhere(bool Value) {
    d_->Memo()->setWordWrapMode(Value ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void TPlainMemo::TextChanged() {
    TEditHost::TextChanged();
    if (syncing_) return;
    lines_->SetText(Text());
}

void TPlainMemo::EditorTextChanged() {
    QPlainTextEdit* m = d_->Memo();
    syncing_ = true;
    try {
        lines_->Clear();
        const QString all = m->toPlainText();
        if (!all.isEmpty())
            for (const QString& line : all.split('\n')) lines_->Add(A(line));
        SetText(lines_->Text());
    } catch (...) {
        syncing_ = false;
        throw;
    }
    syncing_ = false;
    Change();
}

// ---- TIntSpinEdit ---------------------------------------------------------------------------------------------
TIntSpinEdit::TIntSpinEdit(TComponent* AOwner) : TEditHost(AOwner, 2) {}

int TIntSpinEdit::Value() const {
    QSpinBox* s = d_->Spin();
    s->interpretText();
    return s->value();
}

void TIntSpinEdit::SetValue(int Value) { d_->Spin()->setValue(Value); }

void TIntSpinEdit::SetMinValue(int Value) {
    min_ = Value;
    ApplyRange();
}

void TIntSpinEdit::SetMaxValue(int Value) {
    max_ = Value;
    ApplyRange();
}

void TIntSpinEdit::ApplyRange() {
    if (min_ == 0 && max_ == 0) d_->Spin()->setRange(INT_MIN, INT_MAX);
    else d_->Spin()->setRange(min_, std::max(min_, max_));
}

// ---- TDateTimePicker --------------------------------------------------------------------------------------------
void TMonthCalColors::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TMonthCalColors*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    BackColor = src->BackColor;
    TextColor = src->TextColor;
    TitleBackColor = src->TitleBackColor;
    TitleTextColor = src->TitleTextColor;
    MonthBackColor = src->MonthBackColor;
    TrailingTextColor = src->TrailingTextColor;
    if (OnChange) OnChange(this);
}

TDateTimePicker::TDateTimePicker(TComponent* AOwner)
    : TEditHost(AOwner, 3), calColors_(std::make_unique<TMonthCalColors>()) {
    calColors_->OnChange = [this](TObject*) { ApplyCalColors(); };
    SetBounds(0, 0, 186, 21);
    SetDateTime(SysUtils::Now());
}

TDateTimePicker::~TDateTimePicker() { calColors_->OnChange = nullptr; }

void TDateTimePicker::SetKind(TDateTimeKind Value) {
    if (kind_ == Value) return;
    kind_ = Value;
    QDateTimeEdit* e = d_->DateEdit();
    const QSignalBlocker block(e);
    if (kind_ == dtkTime) {
        e->setCalendarPopup(false);
        e->setDisplayFormat("HH:mm");
    } else {
        e->setDisplayFormat("dd.MM.yyyy");
        e->setCalendarPopup(true);
    }
    ShowValue();
}

void TDateTimePicker::ShowValue() {
    QDateTimeEdit* e = d_->DateEdit();
    const QSignalBlocker block(e);
    const qint64 ms = std::llround(time_ * 86400000.0);
    e->setDateTime(QDateTime(DayZero.addDays(static_cast<qint64>(day_)), QTime(0, 0).addMSecs(static_cast<int>(ms)), Qt::UTC));
}

TDateTime TDateTimePicker::Date() const { return day_; }

// The day as its date reads and the time of day: before 1899 a value counts its time of day away
// from zero, as the day does (20.12.1899 06:00 is -10.25), so neither part is the value's floor.
void TDateTimePicker::SetDate(TDateTime Value) {
    day_ = SysUtils::DateOf(Value).Val;
    ShowValue();
}

TDateTime TDateTimePicker::Time() const { return time_; }

void TDateTimePicker::SetTime(TDateTime Value) {
    // Only the time of day counts; a whole day or more is dropped.
    time_ = SysUtils::TimeOfDayMSecs(Value) / SysUtils::MSecsPerDay;
    ShowValue();
}

TDateTime TDateTimePicker::DateTime() const { return day_ < 0 ? day_ - time_ : day_ + time_; }

void TDateTimePicker::SetDateTime(TDateTime Value) {
    day_ = SysUtils::DateOf(Value).Val;
    time_ = SysUtils::TimeOfDayMSecs(Value) / SysUtils::MSecsPerDay;
    ShowValue();
}

void TDateTimePicker::EditorTextChanged() {
    // A change made in the editor: the part the picker shows takes it over.
    const QDateTime shown = d_->DateEdit()->dateTime();
    if (kind_ == dtkTime) time_ = shown.time().msecsSinceStartOfDay() / 86400000.0;
    else day_ = static_cast<double>(DayZero.daysTo(shown.date()));
    Change();
}

void TDateTimePicker::SetCalColors(TMonthCalColors* Value) { calColors_->Assign(Value); }

void TDateTimePicker::ApplyCalColors() {
    QCalendarWidget* cal = d_->DateEdit()->calendarWidget();
    if (!cal) return;
    QPalette p = cal->palette();
    p.setColor(QPalette::Window, GraphicsQt::ToQColor(calColors_->BackColor));
    p.setColor(QPalette::Base, GraphicsQt::ToQColor(calColors_->MonthBackColor));
    p.setColor(QPalette::Text, GraphicsQt::ToQColor(calColors_->TextColor));
    p.setColor(QPalette::Highlight, GraphicsQt::ToQColor(calColors_->TitleBackColor));
    p.setColor(QPalette::HighlightedText, GraphicsQt::ToQColor(calColors_->TitleTextColor));
    cal->setPalette(p);
}
