// The Import dialog ("Keyloom - Import"): what the file holds, a row a
// macro or recording, and for each whose name is taken a choice of
// "Replace", "Keep both" or "Skip". The Windows side is
// import_dialog_win32.cpp.
#pragma once

#include <string>

#include "common/row_list.h"
#include "exchange/exchange_store.h"
#include "platform/win.h"

namespace exchange {

inline constexpr const char* kImportCaption = "Keyloom - Import";

class ImportDialog {
public:
    ImportDialog(ImportPlan& plan, RowList& rows) : plan_(plan), rows_(rows) {}

    // The columns and a row for each item, macros first; the first clash
    // is selected.
    void Initialize();
    // The line above the list.
    std::string Summary() const;
    // Whether the selected row's name is taken, which is when the three
    // choices apply to it.
    bool CanChoose() const;
    // Sets the selected row's choice, when its name is taken.
    void Choose(Choice choice);

private:
    PlannedItem* ItemOf(int row) const;
    void ShowChoice(int row);

    ImportPlan& plan_;
    RowList& rows_;
};

// What a row says of its item: "New", or the choice for a taken name.
const char* ChoiceText(const PlannedItem& item);

// Shows the dialog over `owner` (Windows build): true on Import, with the
// choices in `plan`.
bool ShowImportDialog(win::HWND owner, ImportPlan* plan);

}  // namespace exchange
