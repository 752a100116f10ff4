#pragma once
// The task window: the task table as an editable to-do list, with buttons to add and remove tasks,
// a status bar for short messages, column widths kept in the registry and the window's placement in
// the program's INI file.
//
// The list's and the menus' headers cannot meet in one source file (both name an owner-draw state),
// so this header only names the list and the menu; the menu is made in a source file of its own.
#include <functional>

#include "ADODB.h"
#include "Buttons.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "FormSize.h"
#include "HTMLStatusBar.h"

class TDBTodoList;
class TTodoItem;
class TPopupMenu;
class TMenuItem;

class TAufgaben : public TForm {
public:
    explicit TAufgaben(TComponent* AOwner);

    // Takes what went wrong unseen (column widths that could not be kept), for the program's debug log.
    std::function<void(const AnsiString& Text)> OnDebugLog;

    // The registry key of the column widths (under HKEY_CURRENT_USER).
    static constexpr const char* TaskKey = "\\Software\\Hallowerk\\Zorbelin\\Aufgaben";

    TADODataSet* ADODataSetAufgaben;
    TDataSource* DataSourceAufgaben;
    TDBTodoList* DBTodoList1;
    THTMLStatusBar* HTMLStatusBar1;
    TFormSize* FormSize1;
    TPanel* ToolBar1;
    TSpeedButton* Einfuegbutton;
    TSpeedButton* DeleteButton;
    // The menu "Datei": a flat button on the tool row that drops its items down.
    TSpeedButton* Datei1;
    TPopupMenu* DateiMenu;
    TMenuItem* drucken1;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void DBTodoList1ItemInsert(TObject* Sender, TTodoItem* ATodoItem, bool& Allow);
    void DBTodoList1ItemSelect(TObject* Sender, TTodoItem* ATodoItem);
    void EinfuegbuttonClick(TObject* Sender);
    void DeleteButtonClick(TObject* Sender);
    void DBTodoList1EditStart(TObject* Sender);
    void DBTodoList1EditDone(TObject* Sender);
    // The table refused a change: the list already shows what the table holds again.
    void DBTodoList1DBError(TObject* Sender, const AnsiString& Message);
    // Asks for the printer and prints every task.
    void drucken1Click(TObject* Sender);

    // The table cannot be changed (a database only read): the window offers no change.
    bool TableReadOnly() const { return tableReadOnly_; }

    // What the window says when the table cannot be changed.
    static constexpr const char* ReadOnlyText =
        "Die Aufgaben können nicht geändert werden, weil die Datenbank schreibgeschützt ist. "
        "Sie werden nur angezeigt.";

private:
    // Takes away every change of the table, and says so once.
    void MakeTableReadOnly();
    bool tableReadOnly_ = false;
    // Makes the menu "Datei" and its button.
    void CreateFileMenu();
    // Widens the columns whose caption or longest status text the window's fonts would cut.
    void WidenColumnsForTheirTexts();

public:
    // The text of the message panel.
    void ShowStatus(const AnsiString& Html);
    AnsiString StatusText() const;
};
