// The list stream reader: any bytes load or raise the stream's read error; a failed load leaves the
// list as it was, and what loads saves and reloads to the same list.
#include <cstdint>

#include "TodoFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TTodoItemCollection items(nullptr);
    items.Add()->SetSubject("kept");
    const std::string before = fuzz::Saved(items);
    try {
        TodoList::LoadItemsFromBytes(items, bytes);
    } catch (const EReadError&) {
        FUZZ_CHECK(fuzz::Saved(items) == before, "a failed load changed the list");
        return 0;
    }
    for (int i = 0; i < items.Count(); ++i) FUZZ_CHECK(items.Items(i)->Collection() == &items);
    fuzz::CheckRoundTrip(items, TodoList::LoadItemsFromBytes);
    return 0;
}
