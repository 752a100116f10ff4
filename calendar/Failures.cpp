#include "Failures.h"

#include "ADODB.h"
#include "Classes.h"
#include "Registry.h"

namespace {

// The name after Prefix in Text ("no such table: termine" gives "termine"), or "".
AnsiString NameAfter(const AnsiString& Text, const char* Prefix) {
    const std::size_t at = Text.find(Prefix);
    if (at == AnsiString::npos) return "";
    AnsiString name = Text.substr(at + std::char_traits<char>::length(Prefix));
    const std::size_t end = name.find_first_of(" '\"(");
    if (end != AnsiString::npos) name.erase(end);
    return name;
}

// SQLite's primary result codes that the user can do something about.
enum : int { kPerm = 3, kBusy = 5, kLocked = 6, kReadOnly = 8, kIoErr = 10, kCorrupt = 11, kCantOpen = 14,
             kNotADb = 26 };

bool IsFileError(const std::exception& E) {
    return dynamic_cast<const EFOpenError*>(&E) || dynamic_cast<const SysUtils::EInOutError*>(&E);
}

AnsiString Cause(const std::exception& E) {
    const AnsiString what = E.what();
    if (const auto* db = dynamic_cast<const EADOError*>(&E)) {
        if (db->ErrorCode == EADOError::EmptyFile) return "Die Datenbankdatei ist leer (0 Byte) und keine Datenbank.";
        switch (db->ErrorCode & 0xFF) {
        case kNotADb: return "Die Datenbankdatei ist keine Datenbank oder beschädigt.";
        case kCorrupt: return "Die Datenbankdatei ist beschädigt.";
        case kBusy:
        case kLocked: return "Die Datenbank ist von einem anderen Programm gesperrt.";
        case kReadOnly: return "Die Datenbankdatei ist schreibgeschützt; Änderungen können nicht gespeichert werden.";
        case kPerm:
        case kIoErr:
        case kCantOpen: return "Die Datenbankdatei kann nicht gelesen werden.";
        default: break;
        }
        if (const AnsiString table = NameAfter(db->Detail, "no such table: "); !table.empty())
            return "Die Tabelle \"" + table + "\" fehlt in der Datenbank.";
        if (const AnsiString column = NameAfter(db->Detail, "no such column: "); !column.empty())
            return "Die Spalte \"" + column + "\" fehlt in der Datenbank.";
        return "Die Datenbank meldet einen Fehler.";
    }
    if (dynamic_cast<const EDatabaseError*>(&E)) {
        if (const AnsiString field = NameAfter(what, "Feld '"); !field.empty())
            return "Die Spalte \"" + field + "\" fehlt in der Tabelle \"termine\".";
        if (what.rfind("Die Datei \"", 0) == 0 && what.find("\" wurde nicht gefunden") != AnsiString::npos)
            return "Die Datenbankdatei wurde nicht gefunden.";
        return "Die Datenbank meldet einen Fehler.";
    }
    if (IsFileError(E)) return "Eine Datei des Designs kann nicht gelesen werden.";
    if (dynamic_cast<const ERegistryException*>(&E))
        return "Die Einstellungen können nicht gelesen oder gespeichert werden.";
    return "Ein unerwarteter Fehler ist aufgetreten.";
}

} // namespace

AnsiString DescribeFailure(const std::exception& E) {
    AnsiString text = Cause(E);
    const AnsiString what = E.what();
    // The database's own texts are German and name the file; the file functions' texts are the
    // library's English, of which the user needs the file's name only.
    if (dynamic_cast<const EDatabaseError*>(&E)) {
        if (!what.empty() && what != text) text += " (" + what + ")";
    } else if (IsFileError(E)) {
        const std::size_t open = what.find('"'), close = what.rfind('"');
        if (open != AnsiString::npos && close > open) text += " (Datei " + what.substr(open, close - open + 1) + ")";
    }
    return text;
}

AnsiString FailureDetail(const std::exception& E) {
    if (const auto* db = dynamic_cast<const EADOError*>(&E); db && !db->Detail.empty()) return db->Detail;
    return E.what();
}
