// Who may open the store: it holds every recording, and a recording holds
// whatever was typed, passwords included.
#pragma once

namespace RegistryStore {

// Gives the store's root key a protected access list (Administrators and
// the system: full control; nobody else, nothing inherited from Software)
// and every key below it the same entries as inherited ones, so that keys
// made later inherit them too. A root that has the list already is left
// alone, so this is done once, without a word. The root is set last: a
// tightening cut short is done again at the next start. A failure is
// reported with the system's text; the store goes on working as it is.
bool RestrictStoreAccess();

}  // namespace RegistryStore
