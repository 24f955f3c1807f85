#include "store/optional_value.h"

#include "platform/unique_handle.h"
#include "store/registry_store.h"

namespace RegistryStore {

bool ReadOptionalInstructionValue(const std::string& instructionPath, layout::Field field, std::int32_t* value) {
    const std::string storePath = layout::MacroStorePath(instructionPath);
    UniqueKey key;
    if (OpenKey(FullPath(storePath), key.put()) == win::ERROR_SUCCESS) {
        const win::LSTATUS rc = QueryDword(key.get(), layout::NameOf(field), value);
        if (rc == win::ERROR_SUCCESS) return true;
        if (rc == win::ERROR_FILE_NOT_FOUND) {
            *value = 0;
            return true;
        }
    }
    // Read once more to be told why, in the store's own words.
    return ReadDword(storePath, layout::NameOf(field), value);
}

}  // namespace RegistryStore

namespace RegistryStore {

bool ReadOptionalMacroValue(const std::string& macroName, const char* valueName, std::int32_t absent,
                            std::int32_t* value) {
    const std::string storePath = layout::MacroStorePath(macroName);
    UniqueKey key;
    if (OpenKey(FullPath(storePath), key.put()) == win::ERROR_SUCCESS) {
        const win::LSTATUS rc = QueryDword(key.get(), valueName, value);
        if (rc == win::ERROR_SUCCESS) return true;
        if (rc == win::ERROR_FILE_NOT_FOUND) {
            *value = absent;
            return true;
        }
    }
    return ReadDword(storePath, valueName, value);
}

bool ReadOptionalMacroText(const std::string& macroName, const char* valueName, std::u16string* text) {
    text->clear();
    UniqueKey key;
    if (OpenKey(layout::MacroFullPath(macroName), key.put()) == win::ERROR_SUCCESS) {
        const std::string name(valueName);
        const std::wstring wide(name.begin(), name.end());
        // A size query only: whether the value is there at all.
        if (win::RegQueryValueExW(key.get(), wide.c_str(), nullptr, nullptr, nullptr, nullptr) ==
            win::ERROR_FILE_NOT_FOUND)
            return true;
    }
    return ReadMacroText(macroName, valueName, text);
}

}  // namespace RegistryStore
