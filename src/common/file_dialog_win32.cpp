#include "common/file_dialog_win32.h"

namespace {

using FileDialogProc = BOOL(WINAPI*)(OPENFILENAMEA*);

// Loaded once, on the first box, and kept: a box shown once is often shown
// again.
FileDialogProc Proc(const char* name) {
    static const HMODULE library = LoadLibraryA("comdlg32.dll");
    if (library == nullptr) return nullptr;
    return reinterpret_cast<FileDialogProc>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

}  // namespace

namespace filedialog {

BOOL Open(OPENFILENAMEA* dialog) {
    static const FileDialogProc open = Proc("GetOpenFileNameA");
    return open != nullptr ? open(dialog) : FALSE;
}

BOOL Save(OPENFILENAMEA* dialog) {
    static const FileDialogProc save = Proc("GetSaveFileNameA");
    return save != nullptr ? save(dialog) : FALSE;
}

}  // namespace filedialog
