// The system's Open and Save As boxes, with comdlg32.dll loaded the first
// time one is shown rather than at start-up. The library brings the print
// spooler's client with it (under Wine, the printing system's libraries
// and their encryption and directory libraries): a Keyloom that never shows
// such a box does not hold them for its whole run.
#pragma once

#include <windows.h>
#include <commdlg.h>

namespace filedialog {

// As GetOpenFileNameA and GetSaveFileNameA; FALSE, as a box cancelled,
// where comdlg32.dll cannot be loaded.
BOOL Open(OPENFILENAMEA* dialog);
BOOL Save(OPENFILENAMEA* dialog);

}  // namespace filedialog
