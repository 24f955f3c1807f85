// The fake's processes: each thread that owns windows stands for a process
// of its own (its id is the thread's + 1, as GetWindowThreadProcessId
// answers), whose image file a test names. The program's own process is
// Keyloom.exe. CompareStringOrdinal folds case with a table of the system's
// simple upper-case mapping for the scripts tests use.
#include <cstdint>
#include <map>
#include <string>

#include "platform/fake/fake_hooks.h"
#include "platform/fake/fake_state.h"
#include "platform/fake/fake_windows.h"

namespace {

using win::BOOL;
using win::DWORD;
using win::HANDLE;

struct State {
    std::map<DWORD, std::u16string> images;   // by process id
    std::map<std::uintptr_t, DWORD> handles;  // open process handles
    std::map<DWORD, bool> refused;            // processes that refuse to be opened
};
State state;

using fake::detail::Fails;
using fake::detail::SetError;

DWORD ProcessOfThread(DWORD threadId) { return threadId + 1; }

const std::u16string kOwnImage = u"C:\\Program Files\\Keyloom\\Keyloom.exe";

// The system's upper case of one UTF-16 unit, for ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic and the full-width Latin letters.
unsigned Upper(unsigned u) {
    if (u >= 'a' && u <= 'z') return u - 0x20;
    if (u < 0x80) return u;
    if (u == 0xB5) return 0x39C;
    if (u == 0xFF) return 0x178;
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return u - 0x20;
    if ((u >= 0x100 && u <= 0x137) || (u >= 0x14A && u <= 0x177)) return (u & 1) != 0 ? u - 1 : u;
    if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) return (u & 1) == 0 ? u - 1 : u;
    if (u == 0x3C2) return 0x3A3;
    if (u >= 0x3B1 && u <= 0x3C9) return u - 0x20;
    if (u >= 0x430 && u <= 0x44F) return u - 0x20;
    if (u >= 0x450 && u <= 0x45F) return u - 0x50;
    if (u >= 0xFF41 && u <= 0xFF5A) return u - 0x20;
    return u;
}

int Length(const wchar_t* text, int length) {
    if (length >= 0) return length;
    int n = 0;
    while (text[n] != 0) ++n;
    return n;
}

}  // namespace

namespace fake::detail {
void ResetProcesses() { state = State{}; }
bool CloseProcess(win::HANDLE handle) { return state.handles.erase(Value(handle)) != 0; }
}  // namespace fake::detail

namespace fake {

void SetProgramImage(win::DWORD threadId, const std::u16string& path) { state.images[ProcessOfThread(threadId)] = path; }

void RefuseProcessQuery(win::DWORD threadId) { state.refused[ProcessOfThread(threadId)] = true; }

win::HWND AddProgramWindow(const std::string& title, win::DWORD threadId, const std::u16string& imagePath) {
    const win::HWND window = AddOtherWindow(title, threadId);
    SetProgramImage(threadId, imagePath);
    return window;
}

int OpenProcessCount() { return static_cast<int>(state.handles.size()); }

}  // namespace fake

namespace win {

HANDLE OpenProcess(DWORD access, BOOL /*inheritHandle*/, DWORD processId) {
    if (Fails("OpenProcess")) return nullptr;
    if (state.refused.count(processId) != 0) {
        SetError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const bool own = processId == ProcessOfThread(fake::MainThreadId());
    if (!own && state.images.count(processId) == 0) {
        SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if ((access & PROCESS_QUERY_LIMITED_INFORMATION) == 0) {
        SetError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const std::uintptr_t value = fake::detail::NewHandleValue();
    state.handles[value] = processId;
    return reinterpret_cast<HANDLE>(value);
}

BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, wchar_t* name, DWORD* size) {
    if (Fails("QueryFullProcessImageNameW")) return FALSE;
    auto it = state.handles.find(fake::detail::Value(process));
    if (it == state.handles.end() || flags != 0 || name == nullptr || size == nullptr) {
        SetError(it == state.handles.end() ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto image = state.images.find(it->second);
    const std::u16string& path = image != state.images.end() ? image->second : kOwnImage;
    if (path.size() + 1 > *size) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    for (std::size_t i = 0; i < path.size(); ++i) name[i] = static_cast<wchar_t>(path[i]);
    name[path.size()] = 0;
    *size = static_cast<DWORD>(path.size());
    return TRUE;
}

int CompareStringOrdinal(const wchar_t* a, int aLength, const wchar_t* b, int bLength, BOOL ignoreCase) {
    fake::detail::Count("CompareStringOrdinal");
    if (a == nullptr || b == nullptr || aLength < -1 || bLength < -1) {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const int na = Length(a, aLength), nb = Length(b, bLength);
    for (int i = 0; i < na && i < nb; ++i) {
        unsigned ua = static_cast<unsigned>(a[i]) & 0xFFFFu, ub = static_cast<unsigned>(b[i]) & 0xFFFFu;
        if (ignoreCase) {
            ua = Upper(ua);
            ub = Upper(ub);
        }
        if (ua != ub) return ua < ub ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    }
    if (na == nb) return CSTR_EQUAL;
    return na < nb ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}

}  // namespace win
