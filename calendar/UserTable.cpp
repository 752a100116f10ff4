#include "UserTable.h"

namespace UserTable {

namespace {
int CountRows(TADOConnection* Connection, const AnsiString& Statement, const AnsiString& User) {
    TADODataSet rows(nullptr);
    rows.SetConnection(Connection);
    rows.SetLockType(ltReadOnly);
    rows.SetCommandText(Statement);
    rows.SetParameters({Variant(User)});
    rows.Open();
    const int count = rows.RecordCount();
    rows.Close();
    return count;
}
} // namespace

void EnsureRow(TADOConnection* Connection, const AnsiString& User) {
    if (CountRows(Connection, "select Benutzer from BenutzerEinstellungen where Benutzer = ?", User) >= 1) return;
    Connection->Execute("insert into BenutzerEinstellungen (Benutzer,NeedUpdate) Values(?,false)", {Variant(User)});
}

bool RefreshRequested(TADOConnection* Connection, const AnsiString& User) {
    return CountRows(Connection, "select Benutzer from BenutzerEinstellungen where Benutzer = ? AND  NeedUpdate = true",
                     User) > 0;
}

} // namespace UserTable
