// Export and import against the store: the stored tree read into the
// exchange file's values, and those values written back, each macro and
// recording whole or not at all, through store/layout and the store's own
// calls. The store reports its own failures as it does everywhere.
#pragma once

#include <string>
#include <vector>

#include "exchange/exchange_file.h"
#include "platform/win.h"

namespace exchange {

// ---- Export -----------------------------------------------------------------
// Names here are the stored ones (ANSI).
struct ExportChoice {
    enum class What { Everything, Macro, Recording };
    What what = What::Everything;
    std::string name;
};
// What Export writes: every macro and recording; one macro with every
// recording it plays; or one recording. A macro's instructions are read as
// the editor loads them. False when something could not be read, which has
// been said. `unstored` gets the recordings that a macro plays and the
// store does not hold.
bool CollectExport(const ExportChoice& choice, FileData* file, std::vector<std::string>* unstored);

// ---- Import -----------------------------------------------------------------
enum class Choice { Replace, KeepBoth, Skip };

// One macro or recording of the file. `stored` is the spelling of the
// stored one that has its name (as the registry compares names); empty
// when none has.
struct PlannedItem {
    std::string name;  // UTF-8, as in the file
    std::string stored;
    Choice choice = Choice::Skip;
    bool Clashes() const { return !stored.empty(); }
};
struct ImportPlan {
    FileData file;
    std::vector<PlannedItem> macros;      // one per file.macros
    std::vector<PlannedItem> recordings;  // one per file.recordings
    bool HasClashes() const;
};
// The plan for a file that ReadFile accepted: each item marked where a
// stored one has its name, to be skipped unless chosen otherwise.
ImportPlan PlanImport(FileData file);

struct ImportOutcome {
    // UTF-8 names as written ("Name (2)" for Keep both), in order.
    std::vector<std::string> macros, recordings;
    std::vector<std::string> skipped;       // names of clashes left as they are
    std::vector<std::string> switchedOff;   // macros imported switched off
    // Nothing was written: the plan cannot be carried out (`problem`).
    bool refused = false;
    // A write failed (the store has said why): `failedAt` was not
    // imported, nor anything after it.
    bool failed = false;
    std::string failedAt;
    std::string problem;
};
// Writes what the plan says: the recordings, then the macros, each under a
// work key first and then put in place. A macro whose hot key another
// macro or program holds (RegisterHotKey on `window` tells) is imported
// switched off. The caller registers hot keys and fills its lists anew.
ImportOutcome ApplyImport(const ImportPlan& plan, win::HWND window);

// What the import did, in a few lines for the user.
std::string ImportNote(const ImportOutcome& outcome);

}  // namespace exchange
