// The columns file reader: any bytes load or raise the stream's read error; a failed load leaves the
// columns as they were, and what loads saves and reloads to the same columns.
#include <cstdint>

#include "TodoFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TTodoColumnCollection columns(nullptr);
    columns.Add()->SetCaption("kept");
    const std::string before = fuzz::Saved(columns);
    try {
        TodoList::LoadColumnsFromBytes(columns, bytes);
    } catch (const EReadError&) {
        FUZZ_CHECK(fuzz::Saved(columns) == before, "a failed load changed the columns");
        return 0;
    }
    for (int i = 0; i < columns.Count(); ++i) {
        const TTodoColumnItem* c = columns.Items(i);
        FUZZ_CHECK(static_cast<int>(c->TodoData()) < TodoDataCount);
        FUZZ_CHECK(c->TodoData() != tdHandle || !c->Editable);
    }
    fuzz::CheckRoundTrip(columns, TodoList::LoadColumnsFromBytes);
    return 0;
}
