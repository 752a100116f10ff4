#pragma once
// What a page's script finds as window.external: the program names the members and gives each a
// callable; the browser control knows nothing of what they mean. Calls arrive on the main thread
// and a failure inside one goes no further than that call.
#include <functional>
#include <vector>

#include "System.h"

// The arguments of a method call, each as the page's String() of it.
using TScriptArgs = std::vector<AnsiString>;
using TScriptMethod = std::function<void(const TScriptArgs& Args)>;
using TScriptGetter = std::function<AnsiString()>;
using TScriptSetter = std::function<void(const AnsiString& Value)>;

struct TScriptMember {
    AnsiString Name;
    bool IsMethod = false;
    TScriptMethod Method;
    // A property reads as the getter's value when the page was loaded (the page cannot wait for
    // the program), as undefined without a getter; writing it without a setter does nothing.
    TScriptGetter Getter;
    TScriptSetter Setter;
};

class TScriptObject {
public:
    // A second member of the same name replaces the first.
    TScriptObject& AddMethod(const AnsiString& Name, TScriptMethod Method);
    TScriptObject& AddProperty(const AnsiString& Name, TScriptGetter Getter, TScriptSetter Setter);

    const std::vector<TScriptMember>& Members() const { return members_; }
    const TScriptMember* Find(const AnsiString& Name) const;
    bool Empty() const { return members_.empty(); }

private:
    TScriptMember& Slot(const AnsiString& Name);
    std::vector<TScriptMember> members_;
};
