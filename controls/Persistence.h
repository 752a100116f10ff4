#pragma once
// Where an edit keeps its text between runs: a value named after the edit in an INI file section or
// below a registry key of the user's root.
#include "Classes.h"

enum TPersistenceLocation { plInifile, plRegistry };

class TPersistence : public TPersistent {
public:
    bool Enable = false;
    // The INI file's name, or the registry key path under HKEY_CURRENT_USER. An empty INI name
    // becomes the program's name with ".INI" at the first read or write.
    AnsiString Key;
    AnsiString Section;
    TPersistenceLocation Location = plInifile;
    void Assign(TPersistent* Source) override;

    // The stored value of Name; false when none is stored (a stored "@" counts as none).
    bool Read(const AnsiString& Name, AnsiString& Value);
    void Write(const AnsiString& Name, const AnsiString& Value);

private:
    // A Section starting with "\" is a whole registry path of its own.
    AnsiString RegistryPath() const;
    void DefaultIniName();
};
