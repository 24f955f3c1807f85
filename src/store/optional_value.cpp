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

bool ReadOptionalDword(const std::string& storePath, const char* valueName, std::int32_t absent, std::int32_t* value) {
    *value = absent;
    UniqueKey key;
    win::LSTATUS rc = OpenKey(FullPath(storePath), key.put());
    if (rc == win::ERROR_SUCCESS) {
        std::int32_t read = 0;
        rc = QueryDword(key.get(), valueName, &read);
        if (rc == win::ERROR_SUCCESS) *value = read;
        if (rc == win::ERROR_SUCCESS || rc == win::ERROR_FILE_NOT_FOUND) return true;
    }
    // Read once more to be told why, in the store's own words.
    std::int32_t ignored = 0;
    ReadDword(storePath, valueName, &ignored);
    return false;
}

}  // namespace RegistryStore
