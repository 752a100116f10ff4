#pragma once
// Whether Num Lock, Caps Lock and Scroll Lock are switched on: the toggle bit the window system keeps
// for VK_NUMLOCK, VK_CAPITAL and VK_SCROLL. Read from the keyboard's indicator lights where the
// system exposes them; tests put a source of their own in.
#include <functional>

namespace LockKeys {
bool KeyToggled(int VirtualKey);
// nullptr restores the system's source.
void SetSource(std::function<bool(int VirtualKey)> Source);
} // namespace LockKeys
