#include "store/work_keys.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

#include "platform/unique_handle.h"
#include "store/layout.h"
#include "store/message_text.h"
#include "store/registry_store.h"

namespace WorkKeys {
namespace {

// The value of a record key: the name the old tree goes back to.
constexpr const char* kRecordName = "Name";
// A move's record also names where the moved tree came from.
constexpr const char* kRecordFrom = "From";

std::wstring Wide(const std::string& text) {
    const int length = win::MultiByteToWideChar(win::CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (win::MultiByteToWideChar(win::CP_ACP, 0, text.c_str(), -1, wide.data(), length) != length)
        return std::wstring();
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

// The names of the subkeys of `key`, all read before any is changed.
bool SubkeyNames(win::HKEY key, std::vector<std::string>* names) {
    char name[255];
    for (win::DWORD index = 0;; ++index) {
        const win::LSTATUS rc = win::RegEnumKeyA(key, index, name, sizeof name);
        if (rc == win::ERROR_NO_MORE_ITEMS) return true;
        if (rc != win::ERROR_SUCCESS) return false;
        names->emplace_back(name);
    }
}

bool Parse(const std::string& name, Role* role, std::string* stamp) {
    const std::size_t prefix = std::string(layout::kWorkPrefix).size();
    if (!layout::IsWorkKeyName(name) || name.size() < prefix + 3 || name[prefix + 1] != '|') return false;
    const char letter = static_cast<char>(name[prefix] | 0x20);
    if (letter != 'n' && letter != 'o' && letter != 'r' && letter != 'm') return false;
    *role = static_cast<Role>(letter);
    *stamp = name.substr(prefix + 2);
    return true;
}

// Writes the record of where the old tree goes back to, below the open
// list key `parent` at `parentFullPath`.
bool WriteRecord(win::HKEY parent, const std::string& parentFullPath, const std::string& stamp,
                 const std::string& oldName, const std::string& from = std::string()) {
    const std::string name = NameOf(Role::Record, stamp);
    const std::string path = parentFullPath + "\\" + name;
    UniqueKey key;
    win::LSTATUS rc = win::RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, RegistryStore::kAccessBelow, nullptr,
                                           key.put(), nullptr);
    if (rc == win::ERROR_SUCCESS)
        rc = win::RegSetValueExA(key.get(), kRecordName, 0, win::REG_SZ,
                                 reinterpret_cast<const win::BYTE*>(oldName.c_str()),
                                 static_cast<win::DWORD>(oldName.size() + 1));
    if (rc == win::ERROR_SUCCESS && !from.empty())
        rc = win::RegSetValueExA(key.get(), kRecordFrom, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(from.c_str()),
                                 static_cast<win::DWORD>(from.size() + 1));
    if (rc != win::ERROR_SUCCESS) {
        ShowError(nullptr, FormatText("Error writing %s\\%s - %s", {path, kRecordName, SystemErrorText(rc)}));
        return false;
    }
    return true;
}

bool WriteRecord(const std::string& parentFullPath, const std::string& stamp, const std::string& oldName,
                 const std::string& from = std::string()) {
    UniqueKey parent;
    if (win::LSTATUS rc = RegistryStore::OpenKey(parentFullPath, parent.put()); rc != win::ERROR_SUCCESS) {
        ShowError(nullptr, FormatText("Error writing %s\\%s - %s",
                                      {parentFullPath + "\\" + NameOf(Role::Record, stamp), kRecordName,
                                       SystemErrorText(rc)}));
        return false;
    }
    return WriteRecord(parent.get(), parentFullPath, stamp, oldName, from);
}

// Renames `from` below the open key `parent`; reports nothing.
win::LSTATUS RenameBelow(win::HKEY parent, const std::string& from, const std::string& to) {
    const std::wstring wideFrom = Wide(from);
    const std::wstring wideTo = Wide(to);
    if (wideFrom.empty() || wideTo.empty()) return win::ERROR_INVALID_PARAMETER;
    return win::RegRenameKey(parent, wideFrom.c_str(), wideTo.c_str());
}

// Deletes the work tree `name` below the open key `parent` deepest first,
// without a message. A key with nothing below it, as a work key mostly
// is, goes with one call; only a key that holds others is listed. Below a
// key opened in the store's view no view is named (kAccessBelow).
bool RemoveBelow(win::HKEY parent, const std::string& name) {
    const win::LSTATUS rc = win::RegDeleteKeyExA(parent, name.c_str(), 0, 0);
    if (rc == win::ERROR_SUCCESS || rc == win::ERROR_FILE_NOT_FOUND) return true;
    UniqueKey key;
    if (win::LSTATUS opened = win::RegOpenKeyExA(parent, name.c_str(), 0, RegistryStore::kAccessBelow, key.put());
        opened != win::ERROR_SUCCESS)
        return opened == win::ERROR_FILE_NOT_FOUND;
    std::vector<std::string> names;
    bool removed = SubkeyNames(key.get(), &names);
    for (const std::string& below : names) removed = RemoveBelow(key.get(), below) && removed;
    key.reset();
    return removed && win::RegDeleteKeyExA(parent, name.c_str(), 0, 0) == win::ERROR_SUCCESS;
}

// Reads value `valueName` of the record; false when it cannot.
bool ReadRecord(const std::string& parentFullPath, const std::string& stamp, const char* valueName, std::string* text) {
    UniqueKey key;
    if (RegistryStore::OpenKey(parentFullPath + "\\" + NameOf(Role::Record, stamp), key.put()) != win::ERROR_SUCCESS)
        return false;
    char buffer[257] = {};
    win::DWORD size = sizeof buffer - 1;
    if (win::RegQueryValueExA(key.get(), valueName, nullptr, nullptr, reinterpret_cast<win::BYTE*>(buffer), &size) !=
        win::ERROR_SUCCESS)
        return false;
    *text = buffer;
    return !text->empty();
}

// The new tree of a change that did not finish: a moved tree goes back to
// where it came from, a written one is removed.
bool DropNew(const std::string& parentFullPath, const std::string& stamp) {
    const std::string work = NameOf(Role::New, stamp);
    std::string from;
    if (ReadRecord(parentFullPath, stamp, kRecordFrom, &from))
        return Rename(parentFullPath, work, from) == win::ERROR_SUCCESS;
    return Remove(parentFullPath + "\\" + work);
}

// A mark left below a stored key by a call comparing names, then the
// notice beside the stored keys that told where it was made. A notice that
// cannot be read now stays for the next start; one without a name was left
// before its mark was made.
void RemoveMark(const std::string& parentFullPath, const std::string& stamp) {
    const std::string notice = parentFullPath + "\\" + NameOf(Role::Mark, stamp);
    UniqueKey key;
    if (win::LSTATUS rc = RegistryStore::OpenKey(notice, key.put()); rc != win::ERROR_SUCCESS) return;
    char below[256] = {};
    win::DWORD size = sizeof below - 1;
    const win::LSTATUS read =
        win::RegQueryValueExA(key.get(), kRecordName, nullptr, nullptr, reinterpret_cast<win::BYTE*>(below), &size);
    key.reset();
    if (read != win::ERROR_SUCCESS && read != win::ERROR_FILE_NOT_FOUND) return;
    if (read == win::ERROR_SUCCESS && below[0] != '\0' &&
        !Remove(parentFullPath + "\\" + below + "\\" + NameOf(Role::Mark, stamp)))
        return;
    Remove(notice);
}

// Removes the work keys below `parentFullPath` as CleanUp says; `listed`,
// when given, receives the names found. True when nothing there was renamed
// or removed.
bool CleanUpBelow(const std::string& parentFullPath, std::vector<std::string>* listed = nullptr) {
    UniqueKey parent;
    if (RegistryStore::OpenKey(parentFullPath, parent.put()) != win::ERROR_SUCCESS) return false;
    std::vector<std::string> names;
    SubkeyNames(parent.get(), &names);
    parent.reset();
    bool untouched = true;
    std::map<std::string, std::set<Role>> changes;
    for (const std::string& name : names) {
        Role role{};
        std::string stamp;
        if (Parse(name, &role, &stamp)) {
            changes[stamp].insert(role);
            untouched = false;
        } else if (layout::IsWorkKeyName(name)) {
            Remove(parentFullPath + "\\" + name);
            untouched = false;
        }
    }
    if (listed) *listed = std::move(names);
    for (const auto& change : changes) {
        const std::string& stamp = change.first;
        const std::set<Role>& roles = change.second;
        const auto path = [&](Role role) { return parentFullPath + "\\" + NameOf(role, stamp); };
        if (roles.contains(Role::Old) && roles.contains(Role::New)) {
            // Stopped between setting the old tree aside and putting the new
            // one in place: the old one goes back.
            Restore(parentFullPath, stamp);
            continue;
        }
        // Either the new tree is in place (the old one was on its way out)
        // or it never was (the old one never moved).
        if (roles.contains(Role::New) && !DropNew(parentFullPath, stamp)) continue;
        if (roles.contains(Role::Record)) Remove(path(Role::Record));
        if (roles.contains(Role::Old)) Remove(path(Role::Old));
        if (roles.contains(Role::Mark)) RemoveMark(parentFullPath, stamp);
    }
    return untouched;
}

}  // namespace

std::string FreshStamp() {
    // The tick count tells this run's stamps from a leftover of another run;
    // the counter tells this run's calls apart.
    static std::uint32_t counter = 0;
    static const win::DWORD start = win::GetTickCount();
    char text[32];
    std::snprintf(text, sizeof text, "%08X.%u", static_cast<unsigned>(start), static_cast<unsigned>(++counter));
    return text;
}

std::string NameOf(Role role, const std::string& stamp) {
    return std::string(layout::kWorkPrefix) + static_cast<char>(role) + "|" + stamp;
}

win::LSTATUS Rename(const std::string& parentFullPath, const std::string& from, const std::string& to) {
    UniqueKey parent;
    if (win::LSTATUS rc = RegistryStore::OpenKey(parentFullPath, parent.put()); rc != win::ERROR_SUCCESS) return rc;
    return RenameBelow(parent.get(), from, to);
}

void ReportRename(const std::string& parentFullPath, const std::string& from, const std::string& to,
                  win::LSTATUS rc) {
    ShowError(nullptr,
              FormatText("Error renaming key %s\\%s to %s - %s", {parentFullPath, from, to, SystemErrorText(rc)}));
}

bool Remove(const std::string& fullPath) {
    UniqueKey key;
    if (win::LSTATUS rc = RegistryStore::OpenKey(fullPath, key.put()); rc != win::ERROR_SUCCESS)
        return rc == win::ERROR_FILE_NOT_FOUND;
    std::vector<std::string> names;
    const bool listed = SubkeyNames(key.get(), &names);
    key.reset();
    bool removed = listed;
    for (const std::string& name : names) removed = Remove(fullPath + "\\" + name) && removed;
    return removed && win::RegDeleteKeyExA(win::HKEY_LOCAL_MACHINE, fullPath.c_str(), RegistryStore::kView, 0) ==
                          win::ERROR_SUCCESS;
}

Outcome PutInPlace(const std::string& parentFullPath, const std::string& stamp, const std::string& oldName,
                   const std::string& newName) {
    UniqueKey parent;
    if (win::LSTATUS rc = RegistryStore::OpenKey(parentFullPath, parent.put()); rc != win::ERROR_SUCCESS) {
        ReportRename(parentFullPath, NameOf(Role::New, stamp), newName, rc);
        Remove(parentFullPath + "\\" + NameOf(Role::New, stamp));
        return Outcome::Old;
    }
    return PutInPlace(parent.get(), parentFullPath, stamp, oldName, newName);
}

Outcome PutInPlace(win::HKEY parent, const std::string& parentFullPath, const std::string& stamp,
                   const std::string& oldName, const std::string& newName) {
    const std::string work = NameOf(Role::New, stamp);
    const std::string aside = NameOf(Role::Old, stamp);
    const std::string record = NameOf(Role::Record, stamp);
    if (oldName.empty()) {
        if (win::LSTATUS rc = RenameBelow(parent, work, newName); rc != win::ERROR_SUCCESS) {
            ReportRename(parentFullPath, work, newName, rc);
            RemoveBelow(parent, work);
            return Outcome::Old;
        }
        return Outcome::New;
    }
    // The record comes first: if the program stops while the old tree is
    // aside, the next start knows where it goes back to.
    if (!WriteRecord(parent, parentFullPath, stamp, oldName)) {
        RemoveBelow(parent, record);
        RemoveBelow(parent, work);
        return Outcome::Old;
    }
    if (win::LSTATUS rc = RenameBelow(parent, oldName, aside); rc != win::ERROR_SUCCESS) {
        ReportRename(parentFullPath, oldName, aside, rc);
        RemoveBelow(parent, record);
        RemoveBelow(parent, work);
        return Outcome::Old;
    }
    if (win::LSTATUS rc = RenameBelow(parent, work, newName); rc != win::ERROR_SUCCESS) {
        ReportRename(parentFullPath, work, newName, rc);
        return Restore(parentFullPath, stamp) ? Outcome::Old : Outcome::OldAside;
    }
    // The new tree is in place; the record goes before the old tree, so that
    // an old tree without a new one beside it is always one to remove.
    RemoveBelow(parent, record);
    RemoveBelow(parent, aside);
    return Outcome::New;
}

bool Restore(const std::string& parentFullPath, const std::string& stamp) {
    const auto path = [&](Role role) { return parentFullPath + "\\" + NameOf(role, stamp); };
    std::string oldName;
    if (!ReadRecord(parentFullPath, stamp, kRecordName, &oldName)) return false;
    if (Rename(parentFullPath, NameOf(Role::Old, stamp), oldName) != win::ERROR_SUCCESS) return false;
    // Back in place: what is left is the new tree, to be removed or moved
    // back; the record stays until it is.
    if (!DropNew(parentFullPath, stamp)) return false;
    Remove(path(Role::Record));
    return true;
}

bool Move(const std::string& parentFullPath, const std::string& from, const std::string& to, bool replace) {
    if (!replace) {
        if (win::LSTATUS rc = Rename(parentFullPath, from, to); rc != win::ERROR_SUCCESS) {
            ReportRename(parentFullPath, from, to, rc);
            return false;
        }
        return true;
    }
    // The tree moves to a work key first, so that the key it replaces can be
    // set aside and put back as in PutInPlace; the record says where each
    // goes back to.
    const std::string stamp = FreshStamp();
    const std::string work = NameOf(Role::New, stamp);
    const std::string aside = NameOf(Role::Old, stamp);
    const auto path = [&](const std::string& name) { return parentFullPath + "\\" + name; };
    if (!WriteRecord(parentFullPath, stamp, to, from)) {
        Remove(path(NameOf(Role::Record, stamp)));
        return false;
    }
    if (win::LSTATUS rc = Rename(parentFullPath, from, work); rc != win::ERROR_SUCCESS) {
        ReportRename(parentFullPath, from, work, rc);
        Remove(path(NameOf(Role::Record, stamp)));
        return false;
    }
    if (win::LSTATUS rc = Rename(parentFullPath, to, aside); rc != win::ERROR_SUCCESS) {
        ReportRename(parentFullPath, to, aside, rc);
        if (DropNew(parentFullPath, stamp)) Remove(path(NameOf(Role::Record, stamp)));
        return false;
    }
    if (win::LSTATUS rc = Rename(parentFullPath, work, to); rc != win::ERROR_SUCCESS) {
        ReportRename(parentFullPath, work, to, rc);
        Restore(parentFullPath, stamp);
        return false;
    }
    Remove(path(NameOf(Role::Record, stamp)));
    Remove(path(aside));
    return true;
}

bool CleanUp(std::vector<std::string>* macroNames) {
    const bool untouched = CleanUpBelow(layout::MacrosFullPath(), macroNames);
    CleanUpBelow(layout::JournalsFullPath());
    return untouched;
}

bool NoteMark(win::HKEY parent, const std::string& stamp, const std::string& below) {
    UniqueKey notice;
    return win::RegCreateKeyExA(parent, NameOf(Role::Mark, stamp).c_str(), 0, nullptr, 0, RegistryStore::kAccessBelow,
                                nullptr, notice.put(), nullptr) == win::ERROR_SUCCESS &&
           win::RegSetValueExA(notice.get(), kRecordName, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(below.c_str()),
                               static_cast<win::DWORD>(below.size() + 1)) == win::ERROR_SUCCESS;
}

void DropMarkNotice(win::HKEY parent, const std::string& stamp) {
    win::RegDeleteKeyExA(parent, NameOf(Role::Mark, stamp).c_str(), 0, 0);
}

}  // namespace WorkKeys
