// The fake's plumbing: injected faults, call counts, the last error and the
// system's error texts, handle values, and the reset to a fresh machine.
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

using win::DWORD;

struct Fault {
    std::string function;
    std::int32_t code;
    int times;  // -1: without end
    std::string argContains;
};

struct State {
    std::vector<Fault> faults;
    // Looked up by the function's name without making a string of it: the
    // benchmarks count what the program costs, not the fake's bookkeeping.
    std::map<std::string, int, std::less<>> calls;
    // The counters of `calls` by the address of the name a call site
    // passes (a string literal): most counts then cost a hash of a pointer,
    // not a walk of the names. Map nodes keep their address while the map
    // lives, so the pointers stay good until the next reset.
    struct Known {
        const char* name = nullptr;
        int* count = nullptr;
    };
    std::array<Known, 1024> byAddress{};
    DWORD lastError = 0;
    std::uintptr_t nextHandle = 0x20000;
    int registryCalls = 0;
    int failRegistryCall = 0;  // 0: none
    std::int32_t registryCallCode = 0;
};

// The calls through which the program reads and writes the store; closing a
// key is not one.
bool IsRegistryCall(const char* function) {
    return std::strncmp(function, "Reg", 3) == 0 && std::strcmp(function, "RegCloseKey") != 0;
}

State state;

int& CounterOf(std::string_view function) {
    auto it = state.calls.find(function);
    if (it == state.calls.end()) it = state.calls.emplace(function, 0).first;
    return it->second;
}

void CountCall(const char* function) {
    const std::uint64_t address = reinterpret_cast<std::uintptr_t>(function);
    auto slot = static_cast<std::size_t>((address >> 3) * 0x9E3779B97F4A7C15ull >> 54);  // 10 bits: the table's size
    for (std::size_t probes = 0; probes < state.byAddress.size(); ++probes) {
        State::Known& known = state.byAddress[slot];
        if (known.name == function) {
            ++*known.count;
            return;
        }
        if (known.name == nullptr) {
            known.name = function;
            known.count = &CounterOf(function);
            ++*known.count;
            return;
        }
        slot = (slot + 1) % state.byAddress.size();
    }
    ++CounterOf(function);
}

}  // namespace

namespace fake::detail {

bool Faulted(const char* function, std::initializer_list<std::string_view> args, std::int32_t* code) {
    CountCall(function);
    if (IsRegistryCall(function) && ++state.registryCalls == state.failRegistryCall) {
        *code = state.registryCallCode;
        return true;
    }
    for (auto& fault : state.faults) {
        if (fault.times == 0 || fault.function != function) continue;
        bool matches = fault.argContains.empty();
        for (auto arg : args) matches = matches || ContainsNoCase(arg, fault.argContains);
        if (!matches) continue;
        if (fault.times > 0) --fault.times;
        *code = fault.code;
        return true;
    }
    return false;
}

bool Fails(const char* function, std::initializer_list<std::string_view> args) {
    std::int32_t code = 0;
    if (!Faulted(function, args, &code)) return false;
    SetError(static_cast<DWORD>(code));
    return true;
}

void Count(const char* function) { CountCall(function); }

void SetError(DWORD code) { state.lastError = code; }

unsigned char LowerAnsi(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
    switch (c) {
    case 0x8A: return 0x9A;  // S caron
    case 0x8C: return 0x9C;  // OE
    case 0x8E: return 0x9E;  // Z caron
    case 0x9F: return 0xFF;  // Y diaeresis
    default: return c;
    }
}

namespace {
// Code page 1252 puts these characters at 0x80-0x9F; Unicode elsewhere.
constexpr unsigned kHigh[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
}  // namespace

unsigned AnsiToUnicode(unsigned char c) { return c >= 0x80 && c <= 0x9F ? kHigh[c - 0x80] : c; }

char UnicodeToAnsi(unsigned u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
    for (unsigned i = 0; i < 32; ++i)
        if (kHigh[i] == u) return static_cast<char>(0x80 + i);
    return '?';
}

unsigned SortKey(unsigned char c) { return AnsiToUnicode(LowerAnsi(c)); }

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(LowerAnsi(static_cast<unsigned char>(c)));
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) { return Lower(a) == Lower(b); }

bool ContainsNoCase(std::string_view text, std::string_view part) {
    return Lower(text).find(Lower(part)) != std::string::npos;
}

std::uintptr_t NewHandleValue() {
    std::uintptr_t value = state.nextHandle;
    state.nextHandle += 0x10;
    return value;
}

void ResetFaults() { state = State{}; }

}  // namespace fake::detail

namespace fake {

void Reset() {
    detail::ResetFaults();
    detail::ResetRegistry();
    detail::ResetMessageBoxes();
    detail::ResetWindows();
    detail::ResetHotKeys();
    detail::ResetTime();
    detail::ResetKeyboard();
    detail::ResetClipboard();
    detail::ResetShell();
    detail::ResetHooks();
    detail::ResetSecurity();
    detail::ResetSession();
    detail::ResetProcesses();
}

void Fail(const std::string& function, std::int32_t code, int times, const std::string& argContains) {
    state.faults.push_back(Fault{function, code, times, argContains});
}

void FailRegistryCall(int k, std::int32_t code) {
    state.failRegistryCall = state.registryCalls + k;
    state.registryCallCode = code;
}

int RegistryCalls() { return state.registryCalls; }

int Calls(const std::string& function) {
    auto it = state.calls.find(function);
    return it == state.calls.end() ? 0 : it->second;
}

}  // namespace fake

namespace win {

DWORD GetLastError() {
    fake::detail::Count("GetLastError");
    return state.lastError;
}

void SetLastError(DWORD code) {
    fake::detail::Count("SetLastError");
    state.lastError = code;
}

DWORD FormatMessageA(DWORD flags, const void* /*source*/, DWORD messageId, DWORD /*languageId*/, char* buffer,
                     DWORD size, void* /*arguments*/) {
    static const std::map<DWORD, const char*> texts = {
        {2, "The system cannot find the file specified.\r\n"},
        {5, "Access is denied.\r\n"},
        {6, "The handle is invalid.\r\n"},
        {8, "Not enough memory resources are available to process this command.\r\n"},
        {87, "The parameter is incorrect.\r\n"},
        {122, "The data area passed to a system call is too small.\r\n"},
        {158, "The segment is already unlocked.\r\n"},
        {234, "More data is available.\r\n"},
        {259, "No more data is available.\r\n"},
        {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
        {1300, "Not all privileges or groups referenced are assigned to the caller.\r\n"},
        {1313, "A specified privilege does not exist.\r\n"},
        {1314, "A required privilege is not held by the client.\r\n"},
        {1338, "The security descriptor structure is invalid.\r\n"},
        {1400, "Invalid window handle.\r\n"},
        {1409, "Hot key is already registered.\r\n"},
        {1418, "Thread does not have a clipboard open.\r\n"},
        {1419, "Hot key is not registered.\r\n"},
    };
    if (fake::detail::Fails("FormatMessageA")) return 0;
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || buffer == nullptr) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto it = texts.find(messageId);
    if (it == texts.end()) {
        state.lastError = static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    std::size_t length = std::strlen(it->second);
    if (length + 1 > size) {
        state.lastError = static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, it->second, length + 1);
    return static_cast<DWORD>(length);
}

}  // namespace win
