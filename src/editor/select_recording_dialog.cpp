#include "editor/select_recording_dialog.h"

#include "journal/playback_schedule.h"
#include "platform/unique_handle.h"
#include "store/message_text.h"
#include "store/registry_store.h"

namespace {

constexpr int kNameColumnWidth = 125;

}  // namespace

const char* RecordingTypeText(std::int32_t type) {
    switch (type) {
    case 1: return "Keyboard & Mouse";
    case 2: return "Keyboard";
    case 3: return "Mouse";
    default: return "Unknown";
    }
}

SelectRecordingDialog::SelectRecordingDialog(win::HWND dialog, RowList& list, const RecordingChoice& entry)
    : dialog_(dialog), list_(list), choice_(entry) {}

void SelectRecordingDialog::Initialize() {
    const int width = list_.ClientWidth();
    list_.AddColumn(kNameHeading, kNameColumnWidth);
    list_.AddColumn(kTypeHeading, width - kNameColumnWidth);

    const std::string journalsPath = layout::JournalsFullPath();
    UniqueKey journals;
    if (win::LSTATUS rc = RegistryStore::OpenKey(journalsPath, journals.put()); rc != win::ERROR_SUCCESS) {
        ShowWarning(dialog_, FormatText("Error opening key %s in the registry - %s", {journalsPath, SystemErrorText(rc)}));
    } else {
        ListFill fill(list_);
        char name[255];
        for (win::DWORD index = 0; win::RegEnumKeyA(journals.get(), index, name, sizeof name) == win::ERROR_SUCCESS;
             ++index) {
            // A type that cannot be read is kept as 0, which is none of the
            // three event codes.
            std::int32_t type = 0;
            if (!RegistryStore::ReadDword(layout::RecordingStorePath(name), layout::kRecordingType, &type)) type = 0;
            const int row = list_.AppendRow(name);
            list_.SetCell(row, 1, RecordingTypeText(type));
            list_.SetRowData(row, type);
        }
        const int row = RowOfName(choice_.name);
        if (row >= 0) list_.SelectRow(row);
    }

    const std::int32_t given = choice_.events;
    FollowRow(list_.SelectedRow());
    if (given != -1) {
        // Only which radio is checked follows the instruction, never which
        // are enabled.
        choice_.events = given >= 1 && given <= 3 ? given : 1;
        checkedEvents = choice_.events;
    }

    // The field shows the percentage without its sign.
    const std::int64_t speed = choice_.speed;
    speedChoice = speed == 0 ? 1 : speed > 0 ? 3 : 2;
    percentEnabled = speed != 0;
    percentText = std::to_string(speed < 0 ? -speed : speed);
    initialized_ = true;
}

int SelectRecordingDialog::RowOfName(const std::string& name) const {
    if (name.empty()) return -1;
    for (int row = 0; row < list_.RowCount(); ++row)
        if (list_.Cell(row, 0) == name) return row;
    // Spelt in another case. Opening the dialog writes nothing to the store,
    // so the registry is not asked by a mark (as a rename asks it): a
    // stored name is matched by its letters without regard to case, and
    // only when exactly one row matches.
    if (!RegistryStore::KeyExists(layout::RecordingFullPath(name))) return -1;
    const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    int found = -1;
    for (int row = 0; row < list_.RowCount(); ++row) {
        const std::string cell = list_.Cell(row, 0);
        if (cell.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; same && i < cell.size(); ++i) same = fold(cell[i]) == fold(name[i]);
        if (!same) continue;
        if (found >= 0) return -1;
        found = row;
    }
    return found;
}

void SelectRecordingDialog::FollowRow(int row) {
    const std::int32_t type = row >= 0 ? list_.RowData(row) : 1;
    switch (type) {
    case 1:
        checkedEvents = 1;
        eventsEnabled = {true, true, true};
        break;
    case 2:
        checkedEvents = 2;
        eventsEnabled = {false, true, false};
        break;
    case 3:
        checkedEvents = 3;
        eventsEnabled = {false, false, true};
        break;
    default: return;  // a recording of unknown type changes nothing
    }
    choice_.events = checkedEvents;
}

void SelectRecordingDialog::OnSelectionChanged() {
    if (initialized_) FollowRow(list_.SelectedRow());
}

void SelectRecordingDialog::OnListClick() { FollowRow(list_.SelectedRow()); }

void SelectRecordingDialog::OnListKey() {
    if (const int row = list_.SelectedRow(); row >= 0) FollowRow(row);
}

bool SelectRecordingDialog::OnSpeed(int choice) {
    speedChoice = choice;
    if (choice == 1) {
        percentEnabled = false;
        // One character assigned, not a literal: GCC's optimiser takes the
        // literal's copy for an overlapping one.
        percentText.assign(1, '0');
        return true;
    }
    percentEnabled = true;
    return false;
}

void SelectRecordingDialog::OnEvents(std::int32_t events) {
    checkedEvents = events;
    choice_.events = events;
}

bool SelectRecordingDialog::OnOk(const std::string& text) {
    std::int64_t percent = 0;
    fieldRefused = !ReadNumberField(dialog_, text, NumberKind::Signed, &percent);
    if (fieldRefused) return false;
    const int row = list_.SelectedRow();
    if (row < 0) {
        ShowWarning(dialog_, "No recording selected!");
        return false;
    }
    const std::string name = list_.Cell(row, 0);
    if (percent < 0) {
        ShowWarning(dialog_, "Replay speed percentage must be greater than or equal to 0.");
        return false;
    }
    // A slowdown so large that an hour's pause would scale past the
    // longest wait the player makes is refused; speeding up never gets there.
    if (speedChoice == 3 && percent > MostSlowdownPercent()) {
        ShowWarning(dialog_, FormatText("Replay speed percentage must be less than or equal to %s.",
                                        {std::to_string(MostSlowdownPercent())}));
        return false;
    }
    choice_.name = name;
    switch (speedChoice) {
    case 1: choice_.speed = 0; break;
    case 2: choice_.speed = static_cast<std::int32_t>(-percent); break;
    default: choice_.speed = static_cast<std::int32_t>(percent); break;
    }
    percentText = std::to_string(percent);
    return true;
}
