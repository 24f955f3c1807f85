#include "app/stop_key.h"

#include "editor/key_names.h"
#include "store/layout.h"
#include "store/optional_value.h"
#include "store/registry_store.h"

namespace {

constexpr std::int32_t kKnownModifiers = win::MOD_ALT | win::MOD_CONTROL | win::MOD_SHIFT | win::MOD_WIN;

}  // namespace

StopKey ReadStopKey() {
    const StopKey standard;
    StopKey key;
    RegistryStore::ReadOptionalDword(layout::SettingsStorePath(), layout::kStopVk, standard.virtualKey, &key.virtualKey);
    RegistryStore::ReadOptionalDword(layout::SettingsStorePath(), layout::kStopModifiers, standard.modifiers,
                                     &key.modifiers);
    if (key.virtualKey <= 0 || key.virtualKey > 0xFE || (key.modifiers & ~kKnownModifiers) != 0) return standard;
    return key;
}

bool WriteStopKey(const StopKey& key) {
    return RegistryStore::CreateSettingsKey() &&
           RegistryStore::WriteDword(key.virtualKey, layout::SettingsStorePath(), layout::kStopVk) &&
           RegistryStore::WriteDword(key.modifiers, layout::SettingsStorePath(), layout::kStopModifiers);
}

std::string StopKeyTakenText(const StopKey& key) {
    return "The stop key " + HotKeyText(key.virtualKey, key.modifiers) + " is taken by another program.";
}
