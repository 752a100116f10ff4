// The item stream reader: any bytes load or raise the stream's read error, and what loads saves and
// reloads to the same item.
#include <cstdint>

#include "TodoFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TTodoItem item(nullptr);
    try {
        TodoList::LoadItemFromBytes(item, bytes);
    } catch (const EReadError&) {
        // Whatever was read before the error stays; it must still save and reload.
    }
    FUZZ_CHECK(item.Completion() <= 100);
    FUZZ_CHECK(static_cast<int>(item.Priority()) < TodoPriorityCount);
    FUZZ_CHECK(static_cast<int>(item.Status()) < TodoStatusCount);
    fuzz::CheckRoundTrip(item, TodoList::LoadItemFromBytes);
    return 0;
}
