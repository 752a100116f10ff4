#pragma once
// The integer list behind range edits: each number once, read from and written as "1-3,7,9-10".
#include <unordered_set>
#include <vector>

#include "Classes.h"

// Integers, each once, with the range text "1-3,7,9-10".
class TRangeList : public TObject {
public:
    // The most numbers a range text may stand for: "0-2000000000" would take minutes and gigabytes.
    static constexpr int MaxCount = 100000;

    int Count() const { return static_cast<int>(items_.size()); }
    int Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
    void SetItems(int Index, int Value);
    void Add(int Value);
    // Start .. Start + Count - 1, ending at the largest int.
    void AddMultiple(int Start, int Count);
    void Delete(int Index);
    void Clear();
    bool InList(int Value) const { return members_.count(Value) != 0; }
    void Sort();
    // Each number to the debugger output.
    void Show() const;
    // Parts split at "," or ";": a number or "a-b" (negative numbers allowed). False when a part did
    // not parse or would take the list past MaxCount numbers; the others still enter. Takes time in
    // proportion to the numbers entered.
    bool StrToList(const AnsiString& Text);
    // Why the last StrToList refused a part, in German for the user; empty when nothing was refused
    // for its size.
    const AnsiString& ErrorText() const { return errorText_; }
    // Sorted, runs as "a-b", joined by ","; "" for an empty list.
    AnsiString ListToStr();
private:
    std::vector<int> items_;
    std::unordered_set<int> members_;
    AnsiString errorText_;
};
