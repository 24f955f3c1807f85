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

bool ReadOptionalDword(const std::string& storePath, const std::string& valueName, std::int32_t defaultValue,
                       std::int32_t* value) {
    *value = defaultValue;
    UniqueKey key;
    const win::LSTATUS opened = OpenKey(FullPath(storePath), key.put());
    if (opened == win::ERROR_FILE_NOT_FOUND) return true;
    if (opened == win::ERROR_SUCCESS) {
        const win::LSTATUS rc = QueryDword(key.get(), valueName, value);
        if (rc == win::ERROR_SUCCESS) return true;
        if (rc == win::ERROR_FILE_NOT_FOUND) {
            *value = defaultValue;
            return true;
        }
    }
    *value = defaultValue;
    const bool read = ReadDword(storePath, valueName, value);
    // Read after all (the fault has passed): the value is the stored one.
    if (!read) *value = defaultValue;
    return read;
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
