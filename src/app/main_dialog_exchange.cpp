// Export and Import of the main window: the file chosen in the system's
// dialogs, the Import dialog's choices, and the lists and hot keys after an
// import.
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "exchange/exchange_file.h"
#include "exchange/file_io.h"
#include "exchange/import_dialog.h"
#include "exchange/text_codes.h"
#include "store/message_text.h"
#include "store/registry_store.h"

namespace {

constexpr const char* kExportCaption = "Keyloom - Export";

// UTF-8 text of the exchange for an ANSI box; its names have been checked
// to fit the code page.
std::string Shown(const std::string& utf8) {
    std::string ansi;
    return exchange::Utf8ToAnsi(utf8, &ansi) ? ansi : utf8;
}

void Tell(win::HWND owner, const std::string& text, const char* caption, win::UINT icon) {
    win::MessageBoxA(owner, text.c_str(), caption, win::MB_OK | icon);
}

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::vector<std::string> Names(const RowList& list) {
    std::vector<std::string> names;
    for (int row = 0; row < list.RowCount(); ++row) names.push_back(list.Cell(row, 0));
    return names;
}

}  // namespace

bool MainDialog::ExportFile(const std::string& name, std::string* file, std::string* problem) {
    exchange::ExportChoice choice;
    if (!name.empty()) {
        const int row = RegistryStore::FindStoredName(layout::MacrosFullPath(), Names(macroList_), name);
        if (row < 0) {
            *problem = FormatText("There is no macro %s.", {name});
            return false;
        }
        choice = {exchange::ExportChoice::What::Macro, macroList_.Cell(row, 0)};
    }
    exchange::FileData data;
    std::vector<std::string> unstored;
    if (!exchange::CollectExport(choice, &data, &unstored)) {
        *problem = "Nothing was exported: the store could not be read.";
        return false;
    }
    *file = exchange::WriteFile(data);
    if (file->size() > exchange::kMaxFileBytes) {
        file->clear();
        *problem = "Nothing was exported: the file would be larger than 64 MB.";
        return false;
    }
    return true;
}

void MainDialog::Export(ExchangeDialogs& dialogs, bool fromRecordings) {
    exchange::ExportChoice choice;
    const RowList& list = fromRecordings ? recordingList_ : macroList_;
    if (const int row = list.SelectedRow(); row >= 0 && !list.Cell(row, 0).empty())
        choice = {fromRecordings ? exchange::ExportChoice::What::Recording : exchange::ExportChoice::What::Macro,
                  list.Cell(row, 0)};
    std::string path;
    if (!dialogs.ExportPath(&path)) return;
    exchange::FileData data;
    std::vector<std::string> unstored;
    if (!exchange::CollectExport(choice, &data, &unstored)) {
        Tell(window_, "Nothing was exported.", kExportCaption, win::MB_ICONWARNING);
        return;
    }
    const std::string text = exchange::WriteFile(data);
    if (text.size() > exchange::kMaxFileBytes) {
        Tell(window_, "Nothing was exported: the file would be larger than 64 MB.", kExportCaption, win::MB_ICONWARNING);
        return;
    }
    std::string problem;
    if (!exchange::WriteWholeFile(path, text, &problem)) {
        Tell(window_, path + " " + problem, kExportCaption, win::MB_ICONWARNING);
        return;
    }
    std::string note = "Exported " + Counted(data.macros.size(), "macro", "macros") + " and " +
                       Counted(data.recordings.size(), "recording", "recordings") + " to " + path + ".";
    for (const std::string& name : unstored)
        note += "\nThe recording " + name + " that the macro plays is not stored: the file holds the macro without it.";
    Tell(window_, note, kExportCaption, win::MB_ICONINFORMATION);
}

void MainDialog::Import(ExchangeDialogs& dialogs) {
    if (macroRunning) {
        Tell(window_, "A macro is running: import when it has ended.", exchange::kImportCaption, win::MB_ICONWARNING);
        return;
    }
    std::string path;
    if (!dialogs.ImportPath(&path)) return;
    std::string bytes, problem;
    exchange::FileData data;
    if (!exchange::ReadWholeFile(path, &bytes, &problem) || !exchange::ReadFile(bytes, &data, &problem)) {
        Tell(window_, path + " " + problem + "\nNothing was imported.", exchange::kImportCaption, win::MB_ICONWARNING);
        return;
    }
    bytes.clear();
    exchange::ImportPlan plan = exchange::PlanImport(std::move(data));
    if (!dialogs.ChooseImport(&plan)) return;
    // The dialog's loop may have started a macro meanwhile.
    if (macroRunning) {
        Tell(window_, "A macro is running: import when it has ended.", exchange::kImportCaption, win::MB_ICONWARNING);
        return;
    }
    const exchange::ImportOutcome outcome = exchange::ApplyImport(plan, window_);
    if (!outcome.macros.empty() || !outcome.recordings.empty()) ReloadLists();
    Tell(window_, Shown(exchange::ImportNote(outcome)), exchange::kImportCaption,
         outcome.failed || outcome.refused ? win::MB_ICONWARNING : win::MB_ICONINFORMATION);
}

exchange::ImportOutcome MainDialog::ImportFile(const std::string& file) {
    exchange::ImportOutcome outcome;
    exchange::FileData data;
    if (!exchange::ReadFile(file, &data, &outcome.problem)) {
        outcome.refused = true;
        return outcome;
    }
    // Nobody is there to choose: a taken name is skipped.
    outcome = exchange::ApplyImport(exchange::PlanImport(std::move(data)), window_);
    if (!outcome.macros.empty() || !outcome.recordings.empty()) ReloadLists();
    return outcome;
}

void MainDialog::ReloadLists() {
    // Ids count up from 0 to the last one handed out.
    for (std::int32_t id = 0; id <= hotKeyCounter; ++id) win::UnregisterHotKey(window_, id);
    while (macroList_.RowCount() > 0) macroList_.RemoveRow(macroList_.RowCount() - 1);
    while (recordingList_.RowCount() > 0) recordingList_.RemoveRow(recordingList_.RowCount() - 1);
    RegisterAllHotKeys();
    FillRecordingList();
}
