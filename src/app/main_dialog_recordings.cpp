// The recordings list of the main window and its commands: fill, add, rename
// and delete.
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "journal/journal_format.h"
#include "platform/unique_handle.h"
#include "store/message_text.h"
#include "store/recording_store.h"
#include "store/registry_store.h"
#include "store/work_keys.h"

namespace {

const char* TypeText(std::int32_t type) {
    switch (type) {
    case 1: return "Keyboard & Mouse";
    case 2: return "Keyboard";
    case 3: return "Mouse";
    default: return "Unknown";
    }
}

// The row of the recording that `name` addresses, as the registry compares
// names.
int FindRow(const RowList& list, const std::string& name) {
    std::vector<std::string> names;
    for (int row = 0; row < list.RowCount(); ++row) names.push_back(list.Cell(row, 0));
    return RegistryStore::FindStoredName(layout::JournalsFullPath(), names, name);
}

}  // namespace

void MainDialog::FillRecordingList() {
    const std::string journalsPath = layout::JournalsFullPath();
    UniqueKey journals;
    if (win::LSTATUS rc = RegistryStore::OpenKey(journalsPath, journals.put()); rc != win::ERROR_SUCCESS) {
        ShowWarning(window_, FormatText("Error opening key %s in the registry - %s", {journalsPath, SystemErrorText(rc)}));
        return;
    }
    ListFill fill(recordingList_);
    char name[255];
    for (win::DWORD index = 0; win::RegEnumKeyA(journals.get(), index, name, sizeof name) == win::ERROR_SUCCESS;
         ++index) {
        if (layout::IsWorkKeyName(name)) continue;
        std::int32_t type = 0;
        // An unreadable "Type" has been reported by the store; it lists as
        // "Unknown".
        if (!RegistryStore::ReadDword(layout::RecordingStorePath(name), layout::kRecordingType, &type)) type = 0;
        const int row = recordingList_.AppendRow(name);
        recordingList_.SetCell(row, 1, TypeText(type));
    }
}

void MainDialog::AddRecording(RecordingDialogs& dialogs) {
    std::string name;
    std::int32_t filter = 0;
    if (!dialogs.Record(&name, &filter)) return;
    // Saving under a stored name overwrote that recording: its row takes the
    // new type rather than a second row appearing.
    int row = FindRow(recordingList_, name);
    if (row < 0) row = recordingList_.AppendRow(name);
    recordingList_.SetCell(row, 1, TypeText(filter));
}

void MainDialog::DeleteRecording() {
    int row = -1;
    std::string name;
    if (!SelectedName(recordingList_, "No recording selected!", &row, &name)) return;
    if (!RegistryStore::DeleteKeyTree(layout::RecordingFullPath(name))) {
        ShowWarning(window_, "Unable to delete recording: " + name);
        return;
    }
    recordingList_.RemoveRow(row);
}

void MainDialog::EditRecording(RecordingDialogs& dialogs) {
    int row = -1;
    std::string oldName;
    if (!SelectedName(recordingList_, "No recording selected!", &row, &oldName)) return;
    std::string newName = oldName;
    if (!dialogs.Rename(&newName)) return;
    if (const std::string refusal = RecordingNameRefusal(newName); !refusal.empty()) {
        ShowWarning(window_, refusal);
        return;
    }
    // The same key, whatever the spelling (the registry decides): copying
    // it onto itself and then deleting the old name would delete it.
    switch (RegistryStore::NamesSameKey(layout::JournalsFullPath(), oldName, newName)) {
    case RegistryStore::SameKey::Yes: return;
    case RegistryStore::SameKey::No: break;
    case RegistryStore::SameKey::Unknown:
        ShowWarning(window_, FormatText("Unable to check in the registry whether the name %s is taken.", {newName}));
        return;
    }

    // Renamed as the registry renames a key, values as stored, damaged or
    // not: the recording is under the old name or the new one, never both,
    // never in part.
    const int existingRow = FindRow(recordingList_, newName);
    const bool replace = RegistryStore::KeyExists(layout::RecordingFullPath(newName));
    if (!WorkKeys::Move(layout::JournalsFullPath(), oldName, newName, replace)) return;
    // Renamed onto another recording: that one's row goes, one row per key.
    if (existingRow >= 0) {
        recordingList_.RemoveRow(existingRow);
        if (existingRow < row) --row;
    }
    recordingList_.SetCell(row, 0, newName);
}
