#include "app/settings_dialog.h"

#include "store/message_text.h"

HotKeyValue SettingsDialog::Initial() const {
    const StopKey& key = main_.CurrentStopKey();
    return HotKeyValue{static_cast<std::uint16_t>(key.virtualKey & 0xFF), ControlFromModifiers(key.modifiers)};
}

bool SettingsDialog::OnOk(HotKeyValue value) {
    if (value.virtualKey == 0) {
        ShowWarning(dialog_, "Must select hot key!");
        return false;
    }
    return main_.ChangeStopKey(StopKey{value.virtualKey, ModifiersFromControl(value.flags)}, dialog_);
}
