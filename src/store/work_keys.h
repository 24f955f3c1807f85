// Whole or untouched: a macro or a recording is written complete under a
// work key of its list (Macros or Journals) and then put in place by renaming
// keys, the old tree set aside first and removed last. Whatever a fault or a
// stop of the program leaves is a work key, which no list shows and the next
// start removes, or puts back where an old tree was set aside.
//
//   |Keyloom|n|<stamp>   the new tree, written in full before anything moves
//   |Keyloom|o|<stamp>   the old tree set aside (or a deleted tree on its way out)
//   |Keyloom|r|<stamp>   value "Name": where the old tree goes back to
//   |Keyloom|m|<stamp>   the mark that compares two names, below a stored key;
//                        beside the stored keys, value "Name": the notice of
//                        where that mark is, written before it and removed
//                        after it
#pragma once

#include <string>
#include <vector>

#include "platform/win.h"

namespace WorkKeys {

enum class Role : char { New = 'n', Old = 'o', Record = 'r', Mark = 'm' };

// A stamp that no other call of this run has had; the keys of one change
// share it.
std::string FreshStamp();
std::string NameOf(Role role, const std::string& stamp);

// Renames `from` below `parentFullPath` to `to` (RegRenameKey); reports
// nothing.
win::LSTATUS Rename(const std::string& parentFullPath, const std::string& from, const std::string& to);
// "Error renaming key %s\%s to %s - %s", caption "Error".
void ReportRename(const std::string& parentFullPath, const std::string& from, const std::string& to,
                  win::LSTATUS rc);

// Deletes a work tree deepest first without a message; what cannot go is
// left for the next start. True when it is gone.
bool Remove(const std::string& fullPath);

enum class Outcome {
    New,       // the new tree is in place, the old one gone
    Old,       // the old tree (or none) is in place, as it was; the new one gone
    OldAside,  // the new tree could not be put in place nor the old put back:
               // the old tree is whole under its work name, and comes back
               // with Restore or at the next start
};
// Puts the complete tree NameOf(New, stamp) below `parentFullPath` in the
// place of `oldName`, a stored key (empty: none), under `newName`, which
// must be free unless it names the old key. Failures are reported.
Outcome PutInPlace(const std::string& parentFullPath, const std::string& stamp, const std::string& oldName,
                   const std::string& newName);
// The same below `parent`, the list key already open at `parentFullPath`:
// every key of the change is opened, renamed and deleted below it.
Outcome PutInPlace(win::HKEY parent, const std::string& parentFullPath, const std::string& stamp,
                   const std::string& oldName, const std::string& newName);
// Renames `from` to `to` below `parentFullPath`, in place of the stored key
// `to` when `replace`: afterwards `from` is renamed or nothing has changed
// (what a second fault leaves is put back at the next start). Failures are
// reported.
bool Move(const std::string& parentFullPath, const std::string& from, const std::string& to, bool replace);
// Puts an old tree left aside by PutInPlace or Move back, and a moved tree
// where it came from; true when both are back.
bool Restore(const std::string& parentFullPath, const std::string& stamp);

// At start-up, below Macros and Journals: puts back every old tree that was
// set aside while its new tree was not in place, removes every other work
// key, and the marks whose notices are left. `macroNames`, when given,
// receives the names below Macros in enumeration order, up to the first that
// does not enumerate; the result says whether they still stand (false:
// something there was renamed or removed, and Macros is to be enumerated
// afresh).
bool CleanUp(std::vector<std::string>* macroNames = nullptr);
// The notice below the open list key `parent` that a mark of `stamp` is
// made below its stored key `below`: a start after a stop between the two
// finds the mark by it, and the stored keys need no look of their own.
// Reports nothing.
bool NoteMark(win::HKEY parent, const std::string& stamp, const std::string& below);
void DropMarkNotice(win::HKEY parent, const std::string& stamp);

}  // namespace WorkKeys
