// The stop key: one system-wide hot key that stops whatever Keyloom is
// doing. Its combination is kept under the store's Settings key.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win.h"

struct StopKey {
    std::int32_t virtualKey = win::VK_ESCAPE;
    std::int32_t modifiers = win::MOD_CONTROL | win::MOD_ALT;  // RegisterHotKey's bits
    bool operator==(const StopKey&) const = default;
};

// The stored stop key; Ctrl+Alt+Esc for what is not stored (a store of an
// earlier Keyloom), without a word. A stored key that no hot key can be
// (no key, or a modifier bit RegisterHotKey does not know) reads as the
// default too; a value that cannot be read is reported by the store.
StopKey ReadStopKey();
// Makes the Settings key where needed and writes both values; the store
// reports a failure.
bool WriteStopKey(const StopKey& key);

// "The stop key CTRL + ALT + ESC is taken by another program."
std::string StopKeyTakenText(const StopKey& key);
