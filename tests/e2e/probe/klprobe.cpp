// klprobe: looks at and pokes the windows of other processes for the e2e
// tests. One subcommand per run; results on stdout.
// Exit codes: 0 success, 1 not found (or still there, for wait-gone), 2 error
// (a control that cannot be clicked among them), 3 two or more top-level
// windows share the title asked for. Each failure says what it was on stderr.
//
// Texts that may hold line breaks or tabs (the "texts" and "listview"
// output) are escaped as \r \n \t \\ so that every record stays on one line.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

namespace {

constexpr int kFound = 0;
constexpr int kNotFound = 1;
constexpr int kError = 2;
constexpr int kAmbiguous = 3;
constexpr UINT kSendTimeoutMs = 5000;

int Fail(const char* what) {
    std::fprintf(stderr, "klprobe: %s\n", what);
    return kError;
}

int Fail(const std::string& what) { return Fail(what.c_str()); }

// Decimal (optionally negative) or 0x hex.
bool ParseNumber(const char* text, long long& out) {
    char* end = nullptr;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        out = static_cast<long long>(std::strtoull(text + 2, &end, 16));
    } else {
        out = std::strtoll(text, &end, 10);
    }
    return end != text && *end == '\0';
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out;
}

std::string HexHandle(HWND hwnd) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%08llx",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd)));
    return buffer;
}

std::string TopLevelTitle(HWND hwnd) {
    // For a window of another process this reads the stored caption
    // without sending it a message, so a hung target cannot block us.
    char buffer[1024] = {};
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
}

std::string ClassOf(HWND hwnd) {
    char buffer[256] = {};
    GetClassNameA(hwnd, buffer, sizeof buffer);
    return buffer;
}

// WM_GETTEXT, which the system marshals across processes.
std::string ControlText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) {
        return {};
    }
    std::vector<char> buffer(length + 2, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
        return {};
    }
    return std::string(buffer.data(), std::min<size_t>(copied, buffer.size() - 1));
}

struct TopLevelSearch {
    std::string title;
    HWND found = nullptr;
    int matches = 0;
};

// "class=NAME" picks the first visible window of that class instead (a
// popup menu is "class=#32768" and has no title); "box=TITLE" the visible
// message box with that title (a window whose text control has the id
// 0xFFFF), which other windows of the same title do not have.
BOOL CALLBACK MatchTitle(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<TopLevelSearch*>(param);
    const std::string byClass = "class=";
    const std::string byBox = "box=";
    bool match = false;
    if (search->title.rfind(byClass, 0) == 0)
        match = IsWindowVisible(hwnd) && ClassOf(hwnd) == search->title.substr(byClass.size());
    else if (search->title.rfind(byBox, 0) == 0)
        match = IsWindowVisible(hwnd) && TopLevelTitle(hwnd) == search->title.substr(byBox.size()) &&
                GetDlgItem(hwnd, 0xFFFF) != nullptr;
    else {
        // A plain title is counted over all windows: two windows of one
        // title would let a command act on the wrong one.
        if (TopLevelTitle(hwnd) == search->title) {
            if (++search->matches == 1) search->found = hwnd;
        }
        return TRUE;
    }
    if (match) {
        search->found = hwnd;
        search->matches = 1;
        return FALSE;
    }
    return TRUE;
}

// Set when a title named more than one window; main() then answers
// kAmbiguous whatever the command found.
bool g_ambiguous = false;

// Exact, case-sensitive title match over all top-level windows, hidden
// ones included. More than one window of a plain title is an error, never
// a guess: the answer is null and the count goes to stderr.
HWND FindTopLevel(const std::string& title) {
    TopLevelSearch search{title};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    if (search.matches > 1) {
        if (!g_ambiguous) std::fprintf(stderr, "klprobe: %d top-level windows are titled \"%s\"\n", search.matches, title.c_str());
        g_ambiguous = true;
        return nullptr;
    }
    return search.found;
}

HWND WaitTopLevel(const std::string& title, DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND hwnd = FindTopLevel(title)) return hwnd;
        if (g_ambiguous || GetTickCount() - start >= ms) return nullptr;
        Sleep(50);
    }
}

void PrintWindowLine(HWND hwnd) {
    std::printf("%s %d\n", HexHandle(hwnd).c_str(), IsWindowVisible(hwnd) ? 1 : 0);
}

struct IdSearch {
    int id;
    HWND found = nullptr;
};

BOOL CALLBACK MatchId(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<IdSearch*>(param);
    if (GetDlgCtrlID(child) == search->id) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

// A direct child first, as a dialog's controls are; else any descendant.
HWND ChildById(HWND parent, int id) {
    if (HWND child = GetDlgItem(parent, id)) return child;
    IdSearch search{id};
    EnumChildWindows(parent, MatchId, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ChildById(HWND parent, const char* idText) {
    long long id = 0;
    if (!ParseNumber(idText, id)) return nullptr;
    return ChildById(parent, static_cast<int>(id));
}

// A block of memory inside the process that owns a window, for the
// list-view messages whose structures carry pointers: the system copies
// nothing for them, so the structure and its text buffer must live there.
class RemoteBlock {
public:
    RemoteBlock(HWND owner, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) {
            base_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        }
    }
    ~RemoteBlock() {
        if (base_) VirtualFreeEx(process_, base_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool ok() const { return base_ != nullptr; }
    char* at(size_t offset) const { return base_ + offset; }
    bool Write(size_t offset, const void* data, size_t count) const {
        SIZE_T written = 0;
        return WriteProcessMemory(process_, base_ + offset, data, count, &written) && written == count;
    }
    bool Read(size_t offset, void* data, size_t count) const {
        SIZE_T read = 0;
        return ReadProcessMemory(process_, base_ + offset, data, count, &read) && read == count;
    }

private:
    HANDLE process_ = nullptr;
    char* base_ = nullptr;
    size_t size_;
};

constexpr size_t kTextOffset = 512;
constexpr size_t kTextCapacity = 1024;

int ColumnCount(HWND list) {
    auto header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    if (!header) return 0;
    return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

std::string ItemText(const RemoteBlock& remote, HWND list, int row, int column) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = remote.at(kTextOffset);
    item.cchTextMax = kTextCapacity;
    char text[kTextCapacity] = {};
    if (!remote.Write(0, &item, sizeof item) || !remote.Write(kTextOffset, text, sizeof text)) return {};
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.at(0)));
    remote.Read(kTextOffset, text, sizeof text);
    text[sizeof text - 1] = '\0';
    return text;
}

// --- subcommands ---------------------------------------------------------

int CmdFind(const std::string& title) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) {
        if (!g_ambiguous) std::fprintf(stderr, "klprobe: no top-level window is titled \"%s\"\n", title.c_str());
        return kNotFound;
    }
    PrintWindowLine(hwnd);
    return kFound;
}

int CmdWait(const std::string& title, const char* msText) {
    long long ms = 0;
    if (!ParseNumber(msText, ms)) return Fail("bad milliseconds");
    HWND hwnd = WaitTopLevel(title, static_cast<DWORD>(ms));
    if (!hwnd) return kNotFound;
    PrintWindowLine(hwnd);
    return kFound;
}

int CmdWaitGone(const std::string& title, const char* msText) {
    long long ms = 0;
    if (!ParseNumber(msText, ms)) return Fail("bad milliseconds");
    DWORD start = GetTickCount();
    while (FindTopLevel(title) || g_ambiguous) {
        if (g_ambiguous || GetTickCount() - start >= static_cast<DWORD>(ms)) return kNotFound;
        Sleep(50);
    }
    return kFound;
}

int CmdMessage(bool send, const std::string& title, char** args) {
    long long msg = 0, wparam = 0, lparam = 0;
    if (!ParseNumber(args[0], msg) || !ParseNumber(args[1], wparam) || !ParseNumber(args[2], lparam)) {
        return Fail("bad message number");
    }
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    if (!send) {
        if (!PostMessageA(hwnd, static_cast<UINT>(msg), static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam))) {
            return Fail("PostMessageA failed");
        }
        return kFound;
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, static_cast<UINT>(msg), static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) {
        return Fail("SendMessageTimeoutA failed or timed out");
    }
    std::printf("%lld\n", static_cast<long long>(result));
    return kFound;
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
    std::printf("%s\t%d\t%s\n", ClassOf(child).c_str(), GetDlgCtrlID(child), Escape(ControlText(child)).c_str());
    return TRUE;
}

int CmdTexts(const std::string& title) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    std::printf("%s\ttop\t%s\n", ClassOf(hwnd).c_str(), Escape(TopLevelTitle(hwnd)).c_str());
    EnumChildWindows(hwnd, PrintChild, 0);
    return kFound;
}

// A window's own answer to WM_GETTEXT, for windows whose text is not their
// caption (a tooltip shows its current tip).
int CmdWindowText(const std::string& title) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    std::printf("%s\n", Escape(ControlText(hwnd)).c_str());
    return kFound;
}

// BM_CLICK presses and releases the button with the mouse messages; if the
// window is activated between the two, the button loses its capture and
// the click is dropped without a trace. So the window is made the
// foreground window first, and the click fails loudly if it cannot be.
bool MakeForeground(HWND hwnd) {
    if (GetForegroundWindow() == hwnd) return true;
    SetForegroundWindow(hwnd);
    DWORD start = GetTickCount();
    while (GetForegroundWindow() != hwnd) {
        if (GetTickCount() - start >= 5000) return false;
        Sleep(20);
    }
    // Let the activation's own messages finish before the click arrives.
    Sleep(50);
    return true;
}

// Posted, not sent: a click that opens a modal box would otherwise block
// the probe until someone closes that box. A control that a user could not
// click is an error, never a silent command: no control of that id, one
// hidden itself (without WS_VISIBLE), or one disabled.
int CmdClick(const std::string& title, const char* idText) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    long long id = 0;
    if (!ParseNumber(idText, id)) return Fail("bad control id");
    HWND child = ChildById(hwnd, static_cast<int>(id));
    const std::string which = "control " + std::to_string(id) + " of \"" + title + "\"";
    if (!child) return Fail("no " + which);
    if ((GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) == 0) return Fail(which + " is hidden");
    if (!IsWindowEnabled(child)) return Fail(which + " is disabled");
    // BM_CLICK goes through the button as a mouse click would. The buttons
    // of a hidden window (the main window in the tray) get the command the
    // button would have sent, as the tray menu's items send theirs.
    if (IsWindowVisible(hwnd) && _stricmp(ClassOf(child).c_str(), "Button") == 0) {
        if (!MakeForeground(hwnd)) return Fail("the window did not become the foreground window");
        if (!PostMessageA(child, BM_CLICK, 0, 0)) return Fail("PostMessageA BM_CLICK failed");
        return kFound;
    }
    if (!PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(child))) {
        return Fail("PostMessageA WM_COMMAND failed");
    }
    return kFound;
}

// The list view `idText` of the top-level window `title`, or 0.
HWND FindList(const std::string& title, const char* idText) {
    HWND hwnd = FindTopLevel(title);
    return hwnd ? ChildById(hwnd, idText) : nullptr;
}

int CmdListView(const std::string& title, const char* idText) {
    HWND list = FindList(title, idText);
    if (!list) return kNotFound;
    RemoteBlock remote(list, kTextOffset + kTextCapacity);
    if (!remote.ok()) return Fail("cannot reach the list's process memory");
    int columns = std::max(1, ColumnCount(list));
    int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        std::string line;
        for (int column = 0; column < columns; ++column) {
            if (column) line += '\t';
            line += Escape(ItemText(remote, list, row, column));
        }
        std::printf("%s\n", line.c_str());
    }
    return kFound;
}

int CmdListCols(const std::string& title, const char* idText) {
    HWND list = FindList(title, idText);
    if (!list) return kNotFound;
    RemoteBlock remote(list, kTextOffset + kTextCapacity);
    if (!remote.ok()) return Fail("cannot reach the list's process memory");
    int columns = ColumnCount(list);
    for (int column = 0; column < columns; ++column) {
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = remote.at(kTextOffset);
        col.cchTextMax = kTextCapacity;
        char text[kTextCapacity] = {};
        if (!remote.Write(0, &col, sizeof col) || !remote.Write(kTextOffset, text, sizeof text)) {
            return Fail("WriteProcessMemory failed");
        }
        if (!SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(remote.at(0)))) {
            return Fail("LVM_GETCOLUMNA failed");
        }
        remote.Read(kTextOffset, text, sizeof text);
        text[sizeof text - 1] = '\0';
        auto width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
        std::printf("col\t%s\t%d\n", Escape(text).c_str(), width);
    }
    RECT client{};
    GetClientRect(list, &client);
    std::printf("client\t%ld\t%ld\n", client.right - client.left, client.bottom - client.top);
    return kFound;
}

// Selects one row (and focuses it), as a click on it would.
int CmdListSelect(const std::string& title, const char* idText, const char* rowText) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    HWND list = ChildById(hwnd, idText);
    long long row = 0;
    if (!list) return kNotFound;
    if (!ParseNumber(rowText, row)) return Fail("bad row");
    RemoteBlock remote(list, sizeof(LVITEMA));
    if (!remote.ok()) return Fail("cannot reach the list's process memory");
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (!remote.Write(0, &item, sizeof item)) return Fail("WriteProcessMemory failed");
    if (!SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.at(0)))) {
        return Fail("LVM_SETITEMSTATE failed");
    }
    return kFound;
}

struct EditSearch {
    std::string match;
    HWND top = nullptr;
};

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

BOOL CALLBACK MatchEditHost(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<EditSearch*>(param);
    if (ClassOf(hwnd) == search->match || EndsWith(TopLevelTitle(hwnd), search->match)) {
        search->top = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK MatchEdit(HWND child, LPARAM param) {
    // WordPad's text is a rich edit control ("RICHEDIT50W").
    const std::string cls = ClassOf(child);
    if (_stricmp(cls.c_str(), "Edit") == 0 || _strnicmp(cls.c_str(), "RichEdit", 8) == 0) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

// The text of the first edit control of a top-level window picked by its
// class, its title or the end of its title ("Notepad"). Printed as is.
int CmdEditText(const std::string& match) {
    EditSearch search{match};
    EnumWindows(MatchEditHost, reinterpret_cast<LPARAM>(&search));
    if (!search.top) return kNotFound;
    HWND edit = nullptr;
    EnumChildWindows(search.top, MatchEdit, reinterpret_cast<LPARAM>(&edit));
    if (!edit) return kNotFound;
    std::string text = ControlText(edit);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kFound;
}

// The same text asked in UTF-16 (what the ANSI form cannot carry survives),
// printed as the hex digits of its UTF-16LE bytes.
int CmdEditTextW(const std::string& match) {
    EditSearch search{match};
    EnumWindows(MatchEditHost, reinterpret_cast<LPARAM>(&search));
    if (!search.top) return kNotFound;
    HWND edit = nullptr;
    EnumChildWindows(search.top, MatchEdit, reinterpret_cast<LPARAM>(&edit));
    if (!edit) return kNotFound;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) return kNotFound;
    std::vector<wchar_t> buffer(length + 2, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(edit, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied))
        return kNotFound;
    for (size_t i = 0; i < std::min<size_t>(copied, buffer.size() - 1); ++i) {
        const unsigned unit = static_cast<unsigned>(buffer[i]) & 0xFFFFu;
        std::printf("%02x%02x", unit & 0xFF, unit >> 8);
    }
    return kFound;
}

// WM_SETTEXT in UTF-16 of text given as the hex digits of its UTF-16LE
// bytes: the command line would carry only the code page's characters.
int CmdSetTextW(const std::string& title, const char* idText, const char* hex) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    HWND child = ChildById(hwnd, idText);
    if (!child) return kNotFound;
    std::wstring text;
    const std::string digits(hex);
    for (size_t i = 0; i + 3 < digits.size(); i += 4) {
        const unsigned low = static_cast<unsigned>(std::stoul(digits.substr(i, 2), nullptr, 16));
        const unsigned high = static_cast<unsigned>(std::stoul(digits.substr(i + 2, 2), nullptr, 16));
        text.push_back(static_cast<wchar_t>(low | high << 8));
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &result) ||
        !result) {
        return Fail("WM_SETTEXT failed");
    }
    return kFound;
}

int CmdRect(const std::string& title) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    std::printf("%ld %ld %ld %ld visible %d iconic %d\n", rect.left, rect.top, rect.right, rect.bottom,
                IsWindowVisible(hwnd) ? 1 : 0, IsIconic(hwnd) ? 1 : 0);
    return kFound;
}

// Moves and sizes a top-level window, so that two programs can lie side by
// side where a click reaches each.
int CmdMove(const std::string& title, char** xywh) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    const int x = std::atoi(xywh[0]), y = std::atoi(xywh[1]), w = std::atoi(xywh[2]), h = std::atoi(xywh[3]);
    return SetWindowPos(hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE) ? kFound : kError;
}

// The system's handle table: how many of its entries the process owns.
// Wine keeps no per-process handle count but does list the table.
struct SystemHandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};
struct SystemHandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    SystemHandleEntry entries[1];
};
constexpr ULONG kSystemExtendedHandleInformation = 64;

long long SystemTableHandles(DWORD pid) {
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 20);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const LONG status = query(kSystemExtendedHandleInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<LONG>(0xC0000004)) {  // the buffer is too small
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0) return -1;
        const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
        long long owned = 0;
        for (ULONG_PTR i = 0; i < table->count; ++i) owned += table->entries[i].processId == pid;
        return owned;
    }
    return -1;
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM param) {
    ++*reinterpret_cast<long long*>(param);
    EnumChildWindows(hwnd, CountWindow, param);
    return TRUE;
}

struct ProcessWindows {
    DWORD pid;
    long long count;
};

BOOL CALLBACK CountProcessWindows(HWND hwnd, LPARAM param) {
    auto* windows = reinterpret_cast<ProcessWindows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == windows->pid) {
        ++windows->count;
        long long children = 0;
        EnumChildWindows(hwnd, CountWindow, reinterpret_cast<LPARAM>(&children));
        windows->count += children;
    }
    return TRUE;
}

// What the process owning the window holds, for a soak to watch for
// growth: its handle count as the process API gives it and as the system
// handle table lists it, its USER and GDI objects, its windows, and its
// private and working-set bytes. Wine answers 0 for some of these.
int CmdProcStats(const std::string& title) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return Fail("OpenProcess failed");
    DWORD handles = 0;
    const BOOL counted = GetProcessHandleCount(process, &handles);
    const DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    const BOOL measured =
        GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    CloseHandle(process);
    if (!counted || !measured) return Fail("the process's counters cannot be read");
    ProcessWindows windows{pid, 0};
    EnumWindows(CountProcessWindows, reinterpret_cast<LPARAM>(&windows));
    std::printf("pid %lu handles %lu table_handles %lld user %lu gdi %lu windows %lld private %llu working %llu\n",
                pid, handles, SystemTableHandles(pid), user, gdi, windows.count,
                static_cast<unsigned long long>(memory.PrivateUsage),
                static_cast<unsigned long long>(memory.WorkingSetSize));
    return kFound;
}

BOOL CALLBACK PrintTopLevel(HWND hwnd, LPARAM) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    std::printf("%s\t%d\t%lu\t%s\t%s\n", HexHandle(hwnd).c_str(), IsWindowVisible(hwnd) ? 1 : 0, pid,
                ClassOf(hwnd).c_str(), Escape(TopLevelTitle(hwnd)).c_str());
    return TRUE;
}

int CmdList() {
    EnumWindows(PrintTopLevel, 0);
    return kFound;
}

// WM_SETTEXT to a control, which the system marshals across processes as
// it does WM_GETTEXT: sets an edit's text as typing it would leave it.
int CmdSetText(const std::string& title, const char* idText, const char* text) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    HWND child = ChildById(hwnd, idText);
    if (!child) return kNotFound;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &result) ||
        !result) {
        return Fail("WM_SETTEXT failed");
    }
    return kFound;
}

// The lines of a list box, one per output line, escaped; the selected one
// is marked with a leading "*".
int CmdListBox(const std::string& title, const char* idText) {
    HWND list = FindList(title, idText);
    if (!list) return kNotFound;
    const auto count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    const auto selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        // Asked in UTF-16: across processes the ANSI form comes back cut
        // after its first character.
        const auto length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 0) + 2, L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.data()));
        std::vector<char> text(wide.size() * 2 + 1, '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text.data(), static_cast<int>(text.size()), nullptr, nullptr);
        std::printf("%s%s\n", i == selected ? "*" : "", Escape(text.data()).c_str());
    }
    return kFound;
}

// Selects a line of a list box (-1: none), as a click on it would, and
// tells its dialog the selection changed.
int CmdListBoxSelect(const std::string& title, const char* idText, const char* rowText) {
    HWND list = FindList(title, idText);
    long long row = 0;
    if (!list) return kNotFound;
    if (!ParseNumber(rowText, row)) return Fail("bad row");
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    return kFound;
}

// SendMessageA to a control of a window, printing the result.
int CmdSendTo(const std::string& title, const char* idText, char** args) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    HWND child = ChildById(hwnd, idText);
    long long msg = 0, wparam = 0, lparam = 0;
    if (!child) return kNotFound;
    if (!ParseNumber(args[0], msg) || !ParseNumber(args[1], wparam) || !ParseNumber(args[2], lparam))
        return Fail("bad message number");
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(child, static_cast<UINT>(msg), static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return Fail("SendMessageTimeoutA failed or timed out");
    std::printf("%lld\n", static_cast<long long>(result));
    return kFound;
}

// A control's rectangle on the screen, for real clicks into it.
int CmdChildRect(const std::string& title, const char* idText) {
    HWND hwnd = FindTopLevel(title);
    if (!hwnd) return kNotFound;
    HWND child = ChildById(hwnd, idText);
    if (!child) return kNotFound;
    RECT rect{};
    GetWindowRect(child, &rect);
    std::printf("%ld %ld %ld %ld visible %d enabled %d\n", rect.left, rect.top, rect.right, rect.bottom,
                IsWindowVisible(child) ? 1 : 0, IsWindowEnabled(child) ? 1 : 0);
    return kFound;
}

// ---- Security and single-instance checks ------------------------------------

// The access list of a key below HKLM in the 32-bit view, as a descriptor
// string.
int CmdDacl(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return kNotFound;
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> buffer(size > 0 ? size : 1);
    LSTATUS rc = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return Fail("RegGetKeySecurity failed");
    char* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(buffer.data(), SDDL_REVISION_1,
                                                              DACL_SECURITY_INFORMATION, &text, nullptr))
        return Fail("the descriptor has no string form");
    std::printf("%s\n", text);
    LocalFree(text);
    return kFound;
}

LRESULT CALLBACK DecoyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// A visible top-level window of another program, titled `title`, for
// `seconds`: what an Explorer window on a folder of that name looks like.
// Another program's hot key: registers the combination for this process
// and holds it for `seconds`, serving messages. Prints "registered" once it
// has it.
int CmdHoldHotKey(const char* vkText, const char* modifiersText, const char* secondsText) {
    long long vk = 0, modifiers = 0, seconds = 0;
    if (!ParseNumber(vkText, vk) || !ParseNumber(modifiersText, modifiers) || !ParseNumber(secondsText, seconds))
        return Fail("bad number");
    if (!RegisterHotKey(nullptr, 1, static_cast<UINT>(modifiers), static_cast<UINT>(vk))) return Fail("RegisterHotKey failed");
    std::printf("registered\n");
    std::fflush(stdout);
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    MSG msg;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    UnregisterHotKey(nullptr, 1);
    return kFound;
}

int CmdDecoy(const std::string& title, const char* secondsText) {
    long long seconds = 0;
    if (!ParseNumber(secondsText, seconds)) return Fail("bad seconds");
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DecoyProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KlProbeDecoy";
    if (!RegisterClassA(&windowClass)) return Fail("RegisterClassA failed");
    HWND window = CreateWindowExA(0, "KlProbeDecoy", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300,
                                  120, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return Fail("CreateWindowExA failed");
    std::printf("%p\n", static_cast<void*>(window));
    std::fflush(stdout);
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    MSG msg;
    while (IsWindow(window) && static_cast<LONG>(end - GetTickCount()) > 0) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    if (IsWindow(window)) DestroyWindow(window);
    return kFound;
}

// Sends (or posts) message `name` to the first top-level window of class
// `className`, hidden or not, and prints the answer. `name` is a number or
// the name of a registered message.
int CmdClassMessage(bool send, const char* className, const char* name, char** args) {
    long long wParam = 0, lParam = 0, number = 0;
    if (!ParseNumber(args[0], wParam) || !ParseNumber(args[1], lParam)) return Fail("bad parameters");
    HWND window = FindWindowA(className, nullptr);
    if (window == nullptr) return kNotFound;
    const UINT message = ParseNumber(name, number) ? static_cast<UINT>(number) : RegisterWindowMessageA(name);
    if (!send) return PostMessageA(window, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam))
                          ? kFound
                          : Fail("PostMessageA failed");
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return Fail("SendMessageTimeoutA failed");
    std::printf("%llu\n", static_cast<unsigned long long>(result));
    return kFound;
}

void Usage() {
    std::fputs(
        "usage: klprobe <command> ...\n"
        "  <title> is a top-level window's exact title, class=NAME for the first\n"
        "  visible top-level window of that class, or box=TITLE for the visible\n"
        "  message box of that title\n"
        "  list                                 all top-level windows: hwnd visible pid class title\n"
        "  find <title>                         hwnd and visible 0/1\n"
        "  wait <title> <ms>                    wait until it exists\n"
        "  wait-gone <title> <ms>               wait until it is gone\n"
        "  post <title> <msg> <wparam> <lparam> PostMessageA\n"
        "  send <title> <msg> <wparam> <lparam> SendMessageA, prints the result\n"
        "  texts <title>                        window text, then class id text of each child\n"
        "  wmtext <title>                       the window's answer to WM_GETTEXT\n"
        "  click <title> <id>                   click a button of the window (an error when the\n"
        "                                       control is missing, hidden or disabled)\n"
        "  listview <title> <id>                rows of a list view, columns tab-separated\n"
        "  listcols <title> <id>                columns of a list view: text and width\n"
        "  listselect <title> <id> <row>        select a row of a list view\n"
        "  edittext <class|title|title end>     text of the window's first edit control\n"
        "  rect <title>                         left top right bottom, visible, iconic\n"
        "  move <title> <x> <y> <w> <h>         moves and sizes a top-level window\n"
        "  settext <title> <id> <text>          set a control's text (WM_SETTEXT)\n"
        "  settextw <title> <id> <hex>          the same in UTF-16, the text as hex of its UTF-16LE bytes\n"
        "  edittextw <class|title|title end>    edittext asked in UTF-16, printed as hex of UTF-16LE bytes\n"
        "  listbox <title> <id>                 lines of a list box, the selected one marked *\n"
        "  lbselect <title> <id> <row>          select a line of a list box (-1: none)\n"
        "  childrect <title> <id>               a control's screen rectangle, visible, enabled\n"
        "  sendto <title> <id> <msg> <w> <l>    SendMessageA to a control, prints the result\n"
        "  procstats <title>                    handles, USER and GDI objects, private and working bytes\n"
        "                                       of the window's process\n"
        "  dacl <key>                           access list of HKLM\\<key> (32-bit view) as a string\n"
        "  decoy <title> <seconds>              shows a window of that title for that long\n"
        "  holdhotkey <vk> <modifiers> <seconds> registers that hot key and holds it that long\n"
        "  sendclass <class> <msg> <w> <l>      SendMessage to the class's first window, hidden or not; <msg> a\n"
        "                                       number or a registered message's name; prints the result\n"
        "  postclass <class> <msg> <w> <l>      the same with PostMessage\n",
        stderr);
}

}  // namespace

int main(int argc, char** argv) {
    // Texts go out byte for byte; the caller splits lines on \n.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) {
        Usage();
        return kError;
    }
    const std::string command = argv[1];
    const int args = argc - 2;
    const std::string title = args >= 1 ? argv[2] : "";

    int rc = kError;
    if (command == "list" && args == 0) rc = CmdList();
    else if (command == "find" && args == 1) rc = CmdFind(title);
    else if (command == "wait" && args == 2) rc = CmdWait(title, argv[3]);
    else if (command == "wait-gone" && args == 2) rc = CmdWaitGone(title, argv[3]);
    else if (command == "post" && args == 4) rc = CmdMessage(false, title, argv + 3);
    else if (command == "send" && args == 4) rc = CmdMessage(true, title, argv + 3);
    else if (command == "texts" && args == 1) rc = CmdTexts(title);
    else if (command == "wmtext" && args == 1) rc = CmdWindowText(title);
    else if (command == "click" && args == 2) rc = CmdClick(title, argv[3]);
    else if (command == "listview" && args == 2) rc = CmdListView(title, argv[3]);
    else if (command == "listcols" && args == 2) rc = CmdListCols(title, argv[3]);
    else if (command == "listselect" && args == 3) rc = CmdListSelect(title, argv[3], argv[4]);
    else if (command == "edittext" && args == 1) rc = CmdEditText(title);
    else if (command == "edittextw" && args == 1) rc = CmdEditTextW(title);
    else if (command == "settextw" && args == 3) rc = CmdSetTextW(title, argv[3], argv[4]);
    else if (command == "rect" && args == 1) rc = CmdRect(title);
    else if (command == "move" && args == 5) rc = CmdMove(title, argv + 3);
    else if (command == "settext" && args == 3) rc = CmdSetText(title, argv[3], argv[4]);
    else if (command == "listbox" && args == 2) rc = CmdListBox(title, argv[3]);
    else if (command == "lbselect" && args == 3) rc = CmdListBoxSelect(title, argv[3], argv[4]);
    else if (command == "childrect" && args == 2) rc = CmdChildRect(title, argv[3]);
    else if (command == "sendto" && args == 5) rc = CmdSendTo(title, argv[3], argv + 4);
    else if (command == "procstats" && args == 1) rc = CmdProcStats(title);
    else if (command == "dacl" && args == 1) rc = CmdDacl(argv[2]);
    else if (command == "decoy" && args == 2) rc = CmdDecoy(title, argv[3]);
    else if (command == "holdhotkey" && args == 3) rc = CmdHoldHotKey(argv[2], argv[3], argv[4]);
    else if (command == "sendclass" && args == 4) rc = CmdClassMessage(true, argv[2], argv[3], argv + 4);
    else if (command == "postclass" && args == 4) rc = CmdClassMessage(false, argv[2], argv[3], argv + 4);
    else Usage();
    std::fflush(stdout);
    if (g_ambiguous) return kAmbiguous;
    return rc;
}
