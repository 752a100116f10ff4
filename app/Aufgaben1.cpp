#include "Aufgaben1.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "AufgabenDrucken.h"
#include "DBTodoList.h"
#include "Dialogs.h"
#include "Messages.h"
#include "Registry.h"
#include "WinApi.h"

namespace {
constexpr int ToolRowHeight = 26;
}

TAufgaben::TAufgaben(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Aufgaben Zorbelin");
    SetBounds(Left(), Top(), 633, 480);

    ADODataSetAufgaben = new TADODataSet(this);
    ADODataSetAufgaben->SetCursorLocation(clUseServer);
    ADODataSetAufgaben->SetCommandType(cmdTable);
    ADODataSetAufgaben->SetCommandText("Aufgaben");
    DataSourceAufgaben = new TDataSource(this);
    DataSourceAufgaben->SetDataSet(ADODataSetAufgaben);

    ToolBar1 = new TPanel(this);
    ToolBar1->SetParent(this);
    ToolBar1->SetAlign(alTop);
    ToolBar1->SetHeight(ToolRowHeight);
    ToolBar1->SetBevelOuter(bvNone);

    CreateFileMenu();

    Einfuegbutton = new TSpeedButton(this);
    Einfuegbutton->SetCaption("Neu");
    Einfuegbutton->SetFlat(true);
    Einfuegbutton->SetHint("Neue Aufgabe einfügen (Einfg)");
    Einfuegbutton->SetShowHint(true);
    Einfuegbutton->SetBounds(60, 2, 60, ToolRowHeight - 4);
    Einfuegbutton->SetParent(ToolBar1);
    Einfuegbutton->OnClick = [this](TObject* s) { EinfuegbuttonClick(s); };

    DeleteButton = new TSpeedButton(this);
    DeleteButton->SetCaption("Löschen");
    DeleteButton->SetFlat(true);
    DeleteButton->SetHint("Die markierte Aufgabe löschen. (Entf)");
    DeleteButton->SetShowHint(true);
    DeleteButton->SetBounds(122, 2, 60, ToolRowHeight - 4);
    DeleteButton->SetParent(ToolBar1);
    DeleteButton->OnClick = [this](TObject* s) { DeleteButtonClick(s); };

    HTMLStatusBar1 = new THTMLStatusBar(this);
    HTMLStatusBar1->SetParent(this);
    HTMLStatusBar1->SetAlign(alBottom);
    THTMLStatusPanel* caps = HTMLStatusBar1->Panels()->Add();
    caps->SetStyle(psCapsLock);
    caps->SetWidth(40);
    caps->SetAlignment(taCenter);
    THTMLStatusPanel* num = HTMLStatusBar1->Panels()->Add();
    num->SetStyle(psNumLock);
    num->SetText("NUM");
    num->SetWidth(40);
    num->SetAlignment(taCenter);
    THTMLStatusPanel* text = HTMLStatusBar1->Panels()->Add();
    text->SetStyle(psHTML);
    text->SetWidth(50);

    DBTodoList1 = new TDBTodoList(this);
    DBTodoList1->SetParent(this);
    DBTodoList1->SetAlign(alClient);
    struct Col {
        TTodoData data;
        const char* caption;
        int width;
        TAlignment alignment;
    };
    for (const Col& c : {Col{tdComplete, "Ok", 25, taCenter}, Col{tdSubject, "Betreff", 200, taLeftJustify},
                         Col{tdCompletionDate, "Fertigstellung", 100, taLeftJustify},
                         Col{tdPriority, "Priorität", 30, taLeftJustify}, Col{tdStatus, "Status", 100, taLeftJustify}}) {
        TTodoColumnItem* col = DBTodoList1->AddColumn(c.data, c.caption);
        col->SetWidth(c.width);
        col->SetAlignment(c.alignment);
    }
    TTodoFields* f = DBTodoList1->TodoFields();
    f->SubjectField = "Betreff";
    f->NotesField = "Memo";
    f->CompleteField = "Fertig";
    f->CreationDateField = "Eingefuegt";
    f->CompletionField = "ProzentFertig";
    f->CompletionDateField = "FertigDatum";
    f->PriorityField = "Prioritaet";
    f->StatusField = "Status";
    f->KeyField = "Key";
    DBTodoList1->SetEditable(true);
    DBTodoList1->AutoInsertItem = true;
    DBTodoList1->AutoDeleteItem = true;
    DBTodoList1->SetSortDirection(sdDescending);
    DBTodoList1->SetSortColumn(3);
    DBTodoList1->SetSorted(true);
    DBTodoList1->SetDateFormat("dd.MM.yyyy");
    DBTodoList1->SetItemHeight(18);
    DBTodoList1->SetPreview(true);
    DBTodoList1->SetPreviewHeight(32);
    DBTodoList1->PreviewFont()->SetColor(clBlue);
    DBTodoList1->CompletionFont()->SetColor(clGray);
    DBTodoList1->CompletionFont()->SetStyle(TFontStyles{fsStrikeOut});
    DBTodoList1->PriorityFont()->SetColor(clRed);
    DBTodoList1->CompleteCheck()->SetCheckType(ctCheckMark);
    DBTodoList1->SetGridLines(false);
    DBTodoList1->SetListTabStop(false);
    DBTodoList1->ProgressLook()->SetCompleteColor(clRed);
    DBTodoList1->ProgressLook()->SetCompleteFontColor(clWhite);
    DBTodoList1->ProgressLook()->SetUnCompleteColor(clWindow);
    DBTodoList1->ProgressLook()->SetUnCompleteFontColor(clWindowText);
    TPriorityStrings* ps = DBTodoList1->PriorityStrings();
    ps->SetLowest("Niedrigste");
    ps->SetLow("Niedrig");
    ps->SetNormal("Normal");
    ps->SetHigh("Hoch");
    ps->SetText(TTodoPriority::tpHighest, "Höchste");
    TStatusStrings* ss = DBTodoList1->StatusStrings();
    ss->SetNotStarted("Noch nicht begonnen");
    ss->SetCompleted("fertig");
    ss->SetInProgress("in Bearbeitung");
    ss->SetText(tsDeferred, "fast fertig");
    WidenColumnsForTheirTexts();
    DBTodoList1->SetDataSource(DataSourceAufgaben);
    DBTodoList1->OnItemInsert = [this](TObject* s, TTodoItem* i, bool& a) { DBTodoList1ItemInsert(s, i, a); };
    DBTodoList1->OnItemSelect = [this](TObject* s, TTodoItem* i) { DBTodoList1ItemSelect(s, i); };
    DBTodoList1->OnEditStart = [this](TObject* s) { DBTodoList1EditStart(s); };
    DBTodoList1->OnEditDone = [this](TObject* s) { DBTodoList1EditDone(s); };
    DBTodoList1->OnDBError = [this](TObject* s, const AnsiString& m) { DBTodoList1DBError(s, m); };

    // The placement goes to the INI file beside the program, whatever the current folder is.
    FormSize1 = new TFormSize(this);
    FormSize1->SetSaveName(SysUtils::ProgramFolder() + "Zorbelin.INI");
    FormSize1->SetSaveKey("Aufgaben");
    FormSize1->SetSaveUser(false);
    FormSize1->SetSaveMachine(false);
    FormSize1->SetMagnetDistance(32);
    FormSize1->Loaded();

    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnCloseQuery = [this](TObject* s, bool& c) { FormCloseQuery(s, c); };
    DoCreate();
}

void TAufgaben::WidenColumnsForTheirTexts() {
    // The header's text box leaves 4 pixels either side, and 16 more on the sorted column for its
    // mark; any column may become the sorted one.
    TCanvas measure;
    measure.Font()->Assign(DBTodoList1->HeaderFont());
    for (int i = 0; i < DBTodoList1->Columns()->Count(); ++i) {
        TTodoColumnItem* col = DBTodoList1->Columns()->Items(i);
        int need = measure.TextWidth(col->Caption()) + 8 + 16;
        if (col->TodoData() == tdStatus) {
            // In every font a row may draw it with: normal, high priority, done.
            for (TFont* font : {col->Font(), DBTodoList1->PriorityFont(), DBTodoList1->CompletionFont()}) {
                TCanvas cell;
                cell.Font()->Assign(font);
                for (int s = 0; s < TodoStatusCount; ++s) {
                    const AnsiString text = DBTodoList1->StatusStrings()->Text(static_cast<TTodoStatus>(s));
                    need = std::max(need, cell.TextWidth(text) + 4);
                }
            }
        }
        if (col->Width() < need) col->SetWidth(need);
    }
}

void TAufgaben::FormCreate(TObject*) {
    TRegistry reg;
    reg.SetRootKey(HKEY_CURRENT_USER);
    try {
        if (!reg.OpenKey(TaskKey, false)) return;
        // Stops at the first width that cannot be read; never beyond the list's columns.
        // A width beyond the screen (a damaged file) would make the list lay out a column of any size.
        for (int i = 0; i < DBTodoList1->Columns()->Count(); ++i)
            DBTodoList1->Columns()->Items(i)->SetWidth(
                std::clamp(reg.ReadInteger("AGCol" + std::to_string(i)), 0, Screen->Width()));
    } catch (const SysUtils::Exception&) {
        // Only read: the columns from here on keep the widths the list gives them.
    }
    reg.CloseKey();
}

void TAufgaben::FormShow(TObject*) {
    try {
        ADODataSetAufgaben->Open();
    } catch (const SysUtils::Exception&) {
        Dialogs::ShowMessage("Es ist ein Fehler aufgetreten");
        Close();
        return;
    }
    DBTodoList1->SetSortColumn(4);
    DBTodoList1->SetSorted(true);
    // A database only read (a read-only file or folder): no change could be stored.
    if (!ADODataSetAufgaben->CanModify()) MakeTableReadOnly();
}

void TAufgaben::MakeTableReadOnly() {
    if (tableReadOnly_) return;
    tableReadOnly_ = true;
    DBTodoList1->HideEditor();
    DBTodoList1->SetEditable(false);
    DBTodoList1->AutoInsertItem = false;
    DBTodoList1->AutoDeleteItem = false;
    Einfuegbutton->SetEnabled(false);
    DeleteButton->SetEnabled(false);
    ShowStatus("Nur lesen: die Datenbank ist schreibgeschützt");
    Dialogs::ShowMessage(ReadOnlyText);
}

void TAufgaben::DBTodoList1DBError(TObject*, const AnsiString& Message) {
    // Another program holding the table, say: the change is gone, the next one may be stored.
    ShowStatus("Die Änderung wurde nicht gespeichert: " + Message);
}

void TAufgaben::FormCloseQuery(TObject*, bool& CanClose) {
    try {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (reg.OpenKey(TaskKey, true)) {
            for (int i = 0; i < DBTodoList1->Columns()->Count(); ++i)
                reg.WriteInteger("AGCol" + std::to_string(i), DBTodoList1->Columns()->Items(i)->Width());
            reg.CloseKey();
        }
    } catch (const SysUtils::Exception& e) {
        if (OnDebugLog) OnDebugLog(AnsiString("Spaltenbreiten der Aufgaben nicht gespeichert: ") + e.what() + "\n");
    }
    DBTodoList1->HideEditor();
    DataSourceAufgaben->SetAutoEdit(false);
    DataSourceAufgaben->SetEnabled(false);
    ADODataSetAufgaben->Close();
    CanClose = true;
}

void TAufgaben::DBTodoList1ItemInsert(TObject*, TTodoItem* ATodoItem, bool&) {
    ATodoItem->SetSubject("Betreff");
    ATodoItem->Notes()->Clear();
    ATodoItem->Notes()->Add("Aufgabenstellung");
    ATodoItem->SetPriority(TTodoPriority::tpNormal);
    ATodoItem->SetResource("");
    ATodoItem->SetImageIndex(0);
    ATodoItem->SetCompletionDate(TDateTime(SysUtils::Now().Val + 14.0));
}

void TAufgaben::DBTodoList1ItemSelect(TObject*, TTodoItem* ATodoItem) {
    if (!ATodoItem) return;
    if (ATodoItem->Complete()) {
        if (ATodoItem->Status() != tsCompleted && !tableReadOnly_) {
            ATodoItem->SetStatus(tsCompleted);
            DBTodoList1->UpdateItem(ATodoItem);
        }
        return;
    }
    const double left = ATodoItem->CompletionDate().Val - SysUtils::Now().Val;
    // A task past its time is overdue, even by less than a day.
    if (left >= 0)
        ShowStatus("Verbleibende Tage für diese Aufgabe: " + std::to_string(static_cast<long long>(std::trunc(left))));
    else
        ShowStatus("Achtung, die selektierte Aufgabe ist überfällig");
}

void TAufgaben::EinfuegbuttonClick(TObject*) {
    if (tableReadOnly_) return;
    const int before = DBTodoList1->Items()->Count();
    DBTodoList1->ListBox()->Perform(WM_KEYDOWN, VK_INSERT, 0);
    // A task the table refused is not there (the list said why).
    if (DBTodoList1->Items()->Count() > before) ShowStatus("Aufgabe eingefügt");
}

void TAufgaben::DeleteButtonClick(TObject*) {
    DBTodoList1->HideEditor();
    Application->ProcessMessages();
    if (!DBTodoList1->Selected() || tableReadOnly_) return;
    DBTodoList1->SetEditable(false);
    const int before = DBTodoList1->Items()->Count();
    DBTodoList1->ListBox()->Perform(WM_KEYDOWN, VK_DELETE, 0);
    if (DBTodoList1->Items()->Count() < before) ShowStatus("Aufgabe gelöscht");
    Application->ProcessMessages();
    DBTodoList1->SetEditable(true);
}

void TAufgaben::DBTodoList1EditStart(TObject*) { DeleteButton->SetEnabled(false); }

void TAufgaben::DBTodoList1EditDone(TObject*) { DeleteButton->SetEnabled(!tableReadOnly_); }

void TAufgaben::drucken1Click(TObject*) {
    // The printout goes again whatever happens while it prints.
    const std::unique_ptr<TAufgabenDrucken> printout(new TAufgabenDrucken(nullptr));
    TQuickRep* report = printout->QuickRep1;
    report->SetDataSet(ADODataSetAufgaben);
    report->PrinterSetup();
    if (report->Tag == 0) report->Print();
}

void TAufgaben::ShowStatus(const AnsiString& Html) { HTMLStatusBar1->Panels()->Items(2)->SetText(Html); }

AnsiString TAufgaben::StatusText() const { return HTMLStatusBar1->Panels()->Items(2)->Text(); }
