#pragma once
// The users' table "BenutzerEinstellungen": a row per calendar user, whose NeedUpdate other programs
// set when they changed that user's appointments.
#include "ADODB.h"

namespace UserTable {

// Adds User's row (NeedUpdate false) when the table has none.
void EnsureRow(TADOConnection* Connection, const AnsiString& User);
// Another program asked for User's page to be built anew.
bool RefreshRequested(TADOConnection* Connection, const AnsiString& User);

} // namespace UserTable
