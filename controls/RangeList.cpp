#include "RangeList.h"

#include <algorithm>
#include <iostream>
#include <limits>
#include <string>

#include "SysUtils.h"

void TRangeList::SetItems(int Index, int Value) {
    items_.at(static_cast<std::size_t>(Index)) = Value;
    // The same number may now stand twice, as it may in a pointer list.
    members_ = std::unordered_set<int>(items_.begin(), items_.end());
}
void TRangeList::Add(int Value) {
    if (members_.insert(Value).second) items_.push_back(Value);
}
void TRangeList::AddMultiple(int Start, int Count) {
    const Int64 end = std::min<Int64>(Int64{Start} + Count, Int64{std::numeric_limits<int>::max()} + 1);
    for (Int64 v = Start; v < end; ++v) Add(static_cast<int>(v));
}
void TRangeList::Delete(int Index) {
    if (Index < 0 || Index >= Count()) return;
    const int v = items_[static_cast<std::size_t>(Index)];
    items_.erase(items_.begin() + Index);
    if (std::find(items_.begin(), items_.end(), v) == items_.end()) members_.erase(v);
}
void TRangeList::Clear() {
    items_.clear();
    members_.clear();
}
void TRangeList::Sort() { std::sort(items_.begin(), items_.end()); }
void TRangeList::Show() const {
    for (int v : items_) std::clog << v << '\n';
}

bool TRangeList::StrToList(const AnsiString& Text) {
    Clear();
    errorText_.clear();
    bool ok = true;
    const std::string limit = "; erlaubt sind höchstens " + std::to_string(MaxCount) + " Zahlen.";
    auto tooMany = [&](const std::string& part, Int64 numbers) {
        errorText_ = numbers > MaxCount ? "Der Bereich " + part + " umfasst zu viele Zahlen" + limit
                                        : "Die Bereiche umfassen zusammen zu viele Zahlen" + limit;
        return false;
    };
    std::size_t from = 0;
    while (from < Text.size()) {
        const std::size_t cut = Text.find_first_of(",;", from);
        const std::size_t end = cut == std::string::npos ? Text.size() : cut;
        const std::string part = SysUtils::Trim(Text.substr(from, end - from));
        from = cut == std::string::npos ? Text.size() : cut + 1;
        int a = 0, b = 0;
        const std::size_t dash = part.find('-', 1);
        if (part.empty()) {
            ok = false;
        } else if (dash == std::string::npos) {
            if (!SysUtils::TryStrToInt(part, a)) ok = false;
            else if (Count() < MaxCount || InList(a)) Add(a);
            else ok = tooMany(part, 1);
        } else if (SysUtils::TryStrToInt(SysUtils::Trim(part.substr(0, dash)), a) &&
                   SysUtils::TryStrToInt(SysUtils::Trim(part.substr(dash + 1)), b)) {
            // Refused whole: a range cut off somewhere would say something else than was written.
            if (Int64{b} - a + 1 > MaxCount - Count()) ok = tooMany(part, Int64{b} - a + 1);
            else for (Int64 v = a; v <= b; ++v) Add(static_cast<int>(v));
        } else {
            ok = false;
        }
    }
    return ok;
}

AnsiString TRangeList::ListToStr() {
    Sort();
    std::string out;
    for (std::size_t i = 0; i < items_.size();) {
        std::size_t j = i;
        while (j + 1 < items_.size() && static_cast<Int64>(items_[j + 1]) == static_cast<Int64>(items_[j]) + 1) ++j;
        if (!out.empty()) out += ',';
        out += std::to_string(items_[i]);
        if (j > i) out += "-" + std::to_string(items_[j]);
        i = j + 1;
    }
    return out;
}
