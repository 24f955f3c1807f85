// The recordings list of the main window and its commands: fill, add, rename
// and delete.
#include <cctype>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_dialog.h"
#include "journal/journal_format.h"
#include "platform/unique_handle.h"
#include "store/message_text.h"
#include "store/registry_store.h"

namespace {

const std::string kJournalsPath = std::string(RegistryStore::kRootPath) + "\\Journals";

const char* TypeText(std::int32_t type) {
    switch (type) {
    case 1: return "Keyboard & Mouse";
    case 2: return "Keyboard";
    case 3: return "Mouse";
    default: return "Unknown";
    }
}

// Registry key names compare without regard to case.
bool SameKeyName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string RowName(win::HWND list, int row) {
    char name[256] = {};
    win::ListViewGetText(list, row, 0, name, sizeof name);
    return name;
}

int FindRow(win::HWND list, const std::string& name) {
    const int rows = win::ListViewRowCount(list);
    for (int row = 0; row < rows; ++row)
        if (SameKeyName(RowName(list, row), name)) return row;
    return -1;
}

// A recording's values as stored, chunk by chunk, damaged or not: a rename
// carries them over unchanged.
struct StoredRecording {
    std::int32_t count = 0;
    std::vector<RegistryStore::Chunk> chunks;
    std::int32_t type = 0;
};

// Every failure has been reported when it returns false.
bool ReadStoredRecording(win::HWND owner, const std::string& name, StoredRecording* recording) {
    const std::string storePath = "\\Journals\\" + name;
    if (!RegistryStore::ReadDword(storePath, "Count", &recording->count)) return false;
    // A "Count" beyond the stored chunks fails at the first missing one; a
    // negative one names no chunk. More than the largest recording the
    // player loads is damaged data; holding it all would cost memory without
    // bound.
    switch (RegistryStore::ReadChunks(storePath, recording->count, kMaxRecordingBytes, &recording->chunks)) {
    case RegistryStore::ChunkRead::Done: break;
    case RegistryStore::ChunkRead::Failed: return false;
    case RegistryStore::ChunkRead::TooLarge: ShowError(owner, "Error allocating memory!"); return false;
    }
    return RegistryStore::ReadDword(storePath, "Type", &recording->type);
}

bool WriteStoredRecording(const std::string& name, const StoredRecording& recording) {
    const std::string storePath = "\\Journals\\" + name;
    std::vector<RegistryStore::ChunkView> views;
    for (const RegistryStore::Chunk& chunk : recording.chunks) views.push_back({chunk.bytes.get(), chunk.count});
    return RegistryStore::WriteChunks(views, storePath) &&
           RegistryStore::WriteDword(recording.count, storePath, "Count") &&
           RegistryStore::WriteDword(recording.type, storePath, "Type");
}

bool KeyExists(const std::string& fullPath) {
    UniqueKey key;
    return RegistryStore::OpenKey(fullPath, key.put()) == win::ERROR_SUCCESS;
}

}  // namespace

void MainDialog::FillRecordingList() {
    UniqueKey journals;
    if (win::LSTATUS rc = RegistryStore::OpenKey(kJournalsPath, journals.put()); rc != win::ERROR_SUCCESS) {
        ShowWarning(window_, FormatText("Error opening key %s in the registry - %s", {kJournalsPath, SystemErrorText(rc)}));
        return;
    }
    ListFill fill(recordingList_);
    char name[255];
    for (win::DWORD index = 0; win::RegEnumKeyA(journals.get(), index, name, sizeof name) == win::ERROR_SUCCESS;
         ++index) {
        std::int32_t type = 0;
        // An unreadable "Type" has been reported by the store; it lists as
        // "Unknown".
        if (!RegistryStore::ReadDword(std::string("\\Journals\\") + name, "Type", &type)) type = 0;
        const int row = win::ListViewAppendRow(recordingList_, name);
        win::ListViewSetText(recordingList_, row, 1, TypeText(type));
    }
}

void MainDialog::AddRecording(RecordingDialogs& dialogs) {
    std::string name;
    std::int32_t filter = 0;
    if (!dialogs.Record(&name, &filter)) return;
    // Saving under a stored name overwrote that recording: its row takes the
    // new type rather than a second row appearing.
    int row = FindRow(recordingList_, name);
    if (row < 0) row = win::ListViewAppendRow(recordingList_, name.c_str());
    win::ListViewSetText(recordingList_, row, 1, TypeText(filter));
}

void MainDialog::DeleteRecording() {
    const int row = win::ListViewSelectedRow(recordingList_);
    const std::string name = row >= 0 ? RowName(recordingList_, row) : std::string();
    // An empty name would address the Journals key itself.
    if (name.empty()) {
        ShowWarning(window_, "No recording selected!");
        return;
    }
    if (!RegistryStore::DeleteKeyTree(kJournalsPath + "\\" + name)) {
        ShowWarning(window_, "Unable to delete recording: " + name);
        return;
    }
    win::ListViewDeleteRow(recordingList_, row);
}

// The new key is made and filled before the old one goes, so a refused
// create or write leaves the recording stored under its old name.
void MainDialog::EditRecording(RecordingDialogs& dialogs) {
    int row = win::ListViewSelectedRow(recordingList_);
    const std::string oldName = row >= 0 ? RowName(recordingList_, row) : std::string();
    if (oldName.empty()) {
        ShowWarning(window_, "No recording selected!");
        return;
    }
    std::string newName = oldName;
    if (!dialogs.Rename(&newName)) return;
    // The same key, whatever the spelling: copying it onto itself and then
    // deleting the old name would delete the recording.
    if (SameKeyName(newName, oldName)) return;

    StoredRecording recording;
    if (!ReadStoredRecording(window_, oldName, &recording)) return;
    const std::string newPath = kJournalsPath + "\\" + newName;
    const bool newExisted = KeyExists(newPath);
    if (!RegistryStore::CreateJournalKey(newName)) return;
    if (!WriteStoredRecording(newName, recording)) {
        // A half copy under a name that was free is removed again.
        if (!newExisted) RegistryStore::DeleteKeyTree(newPath);
        return;
    }
    const int existingRow = FindRow(recordingList_, newName);
    if (!RegistryStore::DeleteKeyTree(kJournalsPath + "\\" + oldName)) {
        // Both names are stored now: the list shows both.
        if (existingRow < 0) {
            const int added = win::ListViewAppendRow(recordingList_, newName.c_str());
            win::ListViewSetText(recordingList_, added, 1, TypeText(recording.type));
        }
        return;
    }
    // Renamed onto another recording: that one's row goes, one row per key.
    if (existingRow >= 0) {
        win::ListViewDeleteRow(recordingList_, existingRow);
        if (existingRow < row) --row;
    }
    win::ListViewSetText(recordingList_, row, 0, newName.c_str());
    win::ListViewSetText(recordingList_, row, 1, TypeText(recording.type));
}
