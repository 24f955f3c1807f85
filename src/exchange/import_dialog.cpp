#include "exchange/import_dialog.h"

#include "exchange/text_codes.h"

namespace exchange {
namespace {

// Rows hold their item's index: macros from 0, recordings after them.
constexpr int kNameWidth = 170;
constexpr int kKindWidth = 70;

std::string Shown(const std::string& utf8) {
    std::string ansi;
    return Utf8ToAnsi(utf8, &ansi) ? ansi : utf8;
}

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

const char* ChoiceText(const PlannedItem& item) {
    if (!item.Clashes()) return "New";
    switch (item.choice) {
    case Choice::Replace: return "Replace";
    case Choice::KeepBoth: return "Keep both";
    case Choice::Skip: return "Skip";
    }
    return "Skip";
}

void ImportDialog::Initialize() {
    const int width = rows_.ClientWidth();
    rows_.AddColumn("Name", kNameWidth);
    rows_.AddColumn("Kind", kKindWidth);
    rows_.AddColumn("Import as", width - kNameWidth - kKindWidth);
    ListFill fill(rows_);
    int firstClash = -1;
    const auto add = [&](const PlannedItem& item, const char* kind, int index) {
        const int row = rows_.AppendRow(Shown(item.name));
        rows_.SetCell(row, 1, kind);
        rows_.SetCell(row, 2, ChoiceText(item));
        rows_.SetRowData(row, index);
        if (item.Clashes() && firstClash < 0) firstClash = row;
    };
    for (std::size_t i = 0; i < plan_.macros.size(); ++i) add(plan_.macros[i], "Macro", static_cast<int>(i));
    for (std::size_t i = 0; i < plan_.recordings.size(); ++i)
        add(plan_.recordings[i], "Recording", static_cast<int>(plan_.macros.size() + i));
    rows_.SelectRow(firstClash >= 0 ? firstClash : (rows_.RowCount() > 0 ? 0 : -1));
}

std::string ImportDialog::Summary() const {
    std::size_t clashes = 0;
    for (const auto* items : {&plan_.macros, &plan_.recordings})
        for (const PlannedItem& item : *items) clashes += item.Clashes() ? 1 : 0;
    std::string text = "The file holds " + Counted(plan_.macros.size(), "macro", "macros") + " and " +
                       Counted(plan_.recordings.size(), "recording", "recordings") + ".";
    if (clashes == 0) return text + " No name is taken.";
    return text + " " + Counted(clashes, "name is", "names are") +
           " taken already: select each and choose Replace, Keep both (the new one gets \" (2)\") or Skip.";
}

PlannedItem* ImportDialog::ItemOf(int row) const {
    if (row < 0 || row >= rows_.RowCount()) return nullptr;
    const auto index = static_cast<std::size_t>(rows_.RowData(row));
    if (index < plan_.macros.size()) return &plan_.macros[index];
    if (index - plan_.macros.size() < plan_.recordings.size()) return &plan_.recordings[index - plan_.macros.size()];
    return nullptr;
}

bool ImportDialog::CanChoose() const {
    const PlannedItem* item = ItemOf(rows_.SelectedRow());
    return item != nullptr && item->Clashes();
}

void ImportDialog::Choose(Choice choice) {
    const int row = rows_.SelectedRow();
    PlannedItem* item = ItemOf(row);
    if (item == nullptr || !item->Clashes()) return;
    item->choice = choice;
    ShowChoice(row);
}

void ImportDialog::ShowChoice(int row) {
    if (const PlannedItem* item = ItemOf(row)) rows_.SetCell(row, 2, ChoiceText(*item));
}

}  // namespace exchange
