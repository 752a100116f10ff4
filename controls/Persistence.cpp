#include "Persistence.h"

#include "IniFiles.h"
#include "Registry.h"
#include "SysUtils.h"

void TPersistence::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TPersistence*>(Source)) {
        Enable = p->Enable;
        Key = p->Key;
        Section = p->Section;
        Location = p->Location;
    }
}

AnsiString TPersistence::RegistryPath() const {
    return !Section.empty() && Section[0] == '\\' ? Section : "\\" + Key + "\\" + Section;
}

void TPersistence::DefaultIniName() {
    if (Key.empty()) Key = SysUtils::ChangeFileExt(SysUtils::ExtractFileName(SysUtils::ParamStr(0)), ".INI");
}

bool TPersistence::Read(const AnsiString& Name, AnsiString& Value) {
    std::string value = "@";
    if (Location == plRegistry) {
        TRegistry reg(KEY_READ);
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (reg.OpenKeyReadOnly(RegistryPath()) && reg.ValueExists(Name)) value = reg.ReadString(Name);
    } else {
        DefaultIniName();
        TIniFile ini(Key);
        value = ini.ReadString(Section, Name, "@");
    }
    if (value == "@") return false;
    Value = value;
    return true;
}

void TPersistence::Write(const AnsiString& Name, const AnsiString& Value) {
    if (Location == plRegistry) {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        if (reg.OpenKey(RegistryPath(), true)) reg.WriteString(Name, Value);
    } else {
        DefaultIniName();
        TIniFile ini(Key);
        ini.WriteString(Section, Name, Value);
    }
}
