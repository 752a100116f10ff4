#pragma once
// Shared checks of the to-do stream targets: what loads saves and reloads to the same bytes.
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "TodoList.h"

namespace fuzz {

template <typename T>
std::string Saved(const T& thing) {
    TMemoryStream s;
    thing.SaveToStream(&s);
    return s.DataString();
}

inline std::string Hex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

// The same task, column or list as seen through the properties. Dates compare as numbers, so a
// date of -0 is the same as 0 (the setters keep the old value when the new one equals it).
inline bool Same(const TTodoItem& a, const TTodoItem& b) {
    return a.Subject() == b.Subject() && a.Notes()->Text() == b.Notes()->Text() &&
           a.Resource() == b.Resource() && a.Project() == b.Project() && a.Complete() == b.Complete() &&
           a.Completion() == b.Completion() && a.Priority() == b.Priority() && a.Status() == b.Status() &&
           double(a.DueDate()) == double(b.DueDate()) && double(a.CreationDate()) == double(b.CreationDate()) &&
           double(a.CompletionDate()) == double(b.CompletionDate()) && a.ImageIndex() == b.ImageIndex() &&
           a.Tag == b.Tag && a.TotalTime() == b.TotalTime();
}

inline bool Same(const TTodoItemCollection& a, const TTodoItemCollection& b) {
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i)
        if (!Same(*a.Items(i), *b.Items(i))) return false;
    return true;
}

inline bool Same(const TTodoColumnCollection& a, const TTodoColumnCollection& b) {
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i) {
        const TTodoColumnItem& x = *a.Items(i);
        const TTodoColumnItem& y = *b.Items(i);
        if (x.Width() != y.Width() || x.Caption() != y.Caption() || x.TodoData() != y.TodoData()) return false;
    }
    return true;
}

// What loads saves, loads again as the same thing, and from then on saves to the same bytes.
template <typename T, typename Load>
void CheckRoundTrip(const T& loaded, Load load) {
    const std::string first = Saved(loaded);
    T again(nullptr);
    try {
        load(again, first);
    } catch (const EReadError& e) {
        Fail("what was saved does not load again", e.Message + "\n" + Hex(first));
    }
    FUZZ_CHECK(Same(loaded, again), "saved and loaded again, it differs:\n" + Hex(first));
    const std::string second = Saved(again);
    T third(nullptr);
    load(third, second);
    const std::string last = Saved(third);
    FUZZ_CHECK(last == second, "second save: " + Hex(second) + "\nthird save:  " + Hex(last));
}

} // namespace fuzz
