// Numeric input from outside: a spin edit holding any text, with any range and increment, stepped by
// its buttons, keys and the digit under the caret, stays inside its range (or the integers) and never
// overflows; a range text of any shape builds a bounded list that reads back as itself.
//
// Input: one byte of kind and flags, one byte of caret position, then MinValue, MaxValue and
// Increment as 32-bit little-endian numbers; then the edit's text up to a line feed, then the range
// text. Missing bytes are zero.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "AdvSpin.h"
#include "FuzzSupport.h"

namespace {

TForm* g_form = nullptr;
TAdvSpinEdit* g_spin = nullptr;

std::int32_t Int32At(const std::uint8_t* data, std::size_t size, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        if (at + i < size) v |= static_cast<std::uint32_t>(data[at + i]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

// The integer the edit shows, or nothing when its text is no integer.
bool Shown(std::int64_t& v) {
    int i = 0;
    if (!SysUtils::TryStrToInt(g_spin->Text(), i)) return false;
    v = i;
    return true;
}

void CheckRange(const char* what) {
    std::int64_t v = 0;
    if (g_spin->SpinType() != sptNormal || !Shown(v) || g_spin->MinValue == g_spin->MaxValue) return;
    const std::int64_t lo = std::min(g_spin->MinValue, g_spin->MaxValue);
    const std::int64_t hi = std::max(g_spin->MinValue, g_spin->MaxValue);
    FUZZ_CHECK(v >= lo && v <= hi, std::string(what) + " left the range: " + g_spin->Text());
}

void FuzzSpin(std::uint8_t flags, int caret, std::int32_t minValue, std::int32_t maxValue, std::int32_t increment,
              const std::string& text) {
    const auto kind = static_cast<TAdvSpinType>(flags % 5);
    g_spin->SetSpinType(sptNormal);
    g_spin->MinValue = minValue;
    g_spin->MaxValue = maxValue;
    g_spin->Increment = increment;
    g_spin->IncrementPage = static_cast<int>(increment ^ 0x5A5A5A5A);
    g_spin->IncrementSmart = (flags & 0x08) != 0;
    g_spin->SetPrecision((flags >> 4) & 3);
    g_spin->SetSpinType(kind);
    g_spin->SetText(text);
    g_spin->SetSelStart(caret);
    g_spin->SetSelLength(0);
    (void)g_spin->Value();
    (void)g_spin->FloatValue();
    (void)g_spin->HexValue();
    (void)g_spin->TimeValue();

    std::int64_t before = 0;
    const bool plain = kind == sptNormal && !g_spin->IncrementSmart && Shown(before);
    const bool up = (flags & 0x40) != 0;
    if (up) g_spin->UpClick(nullptr);
    else g_spin->DownClick(nullptr);
    std::int64_t after = 0;
    // A plain step never goes the wrong way: at an edge it stays there.
    if (plain && Shown(after) && increment >= 0 && before >= std::min(minValue, maxValue) &&
        before <= std::max(minValue, maxValue))
        FUZZ_CHECK(up ? after >= before : after <= before, "a step wrapped round: " + std::to_string(before) +
                                                               " to " + g_spin->Text());
    CheckRange("a button step");
    g_spin->Perform(WM_KEYDOWN, (flags & 0x80) ? VK_PRIOR : VK_NEXT, 1);
    CheckRange("a page step");
    g_spin->SetSelStart(caret);
    g_spin->IncSmart();
    g_spin->DecSmart();
    CheckRange("a digit step");
}

void FuzzRange(const std::string& text) {
    TRangeList list;
    const bool ok = list.StrToList(text);
    FUZZ_CHECK(list.Count() <= TRangeList::MaxCount, "the range list grew past its limit");
    FUZZ_CHECK(!ok || list.ErrorText().empty(), "a message for text that was taken whole");
    const AnsiString written = list.ListToStr();
    TRangeList back;
    FUZZ_CHECK(back.StrToList(written) || list.Count() == 0, "the written range text does not read: " + written);
    FUZZ_CHECK(back.Count() == list.Count() && back.ListToStr() == written, "the range text did not read back: " + written);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    SysUtils::DecimalSeparator = ',';
    SysUtils::ThousandSeparator = '.';
    SysUtils::DateSeparator = '.';
    SysUtils::TimeSeparator = ':';
    SysUtils::ShortDateFormat = "dd.mm.yyyy";
    g_form = new TForm(nullptr);
    g_form->SetBounds(10, 10, 300, 100);
    g_spin = new TAdvSpinEdit(g_form);
    g_spin->SetParent(g_form);
    g_spin->SetBounds(10, 10, 120, 21);
    g_form->Show();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t flags = size > 0 ? data[0] : 0;
    const int caret = size > 1 ? data[1] % 24 : 0;
    const std::int32_t minValue = Int32At(data, size, 2), maxValue = Int32At(data, size, 6);
    const std::int32_t increment = Int32At(data, size, 10);
    const std::string rest = size > 14 ? std::string(reinterpret_cast<const char*>(data) + 14, size - 14) : std::string();
    const std::size_t nl = rest.find('\n');
    const std::string text = rest.substr(0, nl).substr(0, 64);
    const std::string range = nl == std::string::npos ? text : rest.substr(nl + 1);
    FuzzSpin(flags, caret, minValue, maxValue, increment, text);
    FuzzRange(range);
    return 0;
}
