#include "ScriptObject.h"

TScriptMember& TScriptObject::Slot(const AnsiString& Name) {
    for (TScriptMember& member : members_)
        if (member.Name == Name) return member = TScriptMember{Name, false, {}, {}, {}};
    return members_.emplace_back(TScriptMember{Name, false, {}, {}, {}});
}

TScriptObject& TScriptObject::AddMethod(const AnsiString& Name, TScriptMethod Method) {
    TScriptMember& member = Slot(Name);
    member.IsMethod = true;
    member.Method = std::move(Method);
    return *this;
}

TScriptObject& TScriptObject::AddProperty(const AnsiString& Name, TScriptGetter Getter, TScriptSetter Setter) {
    TScriptMember& member = Slot(Name);
    member.Getter = std::move(Getter);
    member.Setter = std::move(Setter);
    return *this;
}

const TScriptMember* TScriptObject::Find(const AnsiString& Name) const {
    for (const TScriptMember& member : members_)
        if (member.Name == Name) return &member;
    return nullptr;
}
