#include "exec/scope.h"

#include <algorithm>
#include <vector>

#include "platform/unique_handle.h"
#include "platform/win.h"
#include "store/layout.h"
#include "store/optional_value.h"
#include "store/registry_store.h"

namespace scope {
namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

int Compare(const std::u16string& a, const std::u16string& b) {
    const std::wstring wa = Wide(a), wb = Wide(b);
    return win::CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                                     win::TRUE);
}

// Every name of `names` is in `others`.
bool AllIn(const std::vector<std::u16string>& names, const std::vector<std::u16string>& others) {
    return std::all_of(names.begin(), names.end(), [&](const std::u16string& n) { return Contains(others, n); });
}

std::u16string FileNameOf(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

// The image file name of the process that owns `window`; empty when it
// cannot be asked (a protected process, one that has just ended).
std::u16string ProgramOf(win::HWND window) {
    win::DWORD processId = 0;
    if (window == nullptr || win::GetWindowThreadProcessId(window, &processId) == 0) return {};
    UniqueObject process(win::OpenProcess(win::PROCESS_QUERY_LIMITED_INFORMATION, win::FALSE, processId));
    if (!process) return {};
    // Long paths exist; the usual one fits the first buffer.
    for (win::DWORD capacity : {win::DWORD{520}, win::DWORD{32768}}) {
        std::vector<wchar_t> buffer(capacity);
        win::DWORD size = capacity;
        if (win::QueryFullProcessImageNameW(process.get(), 0, buffer.data(), &size)) {
            std::u16string path;
            for (win::DWORD i = 0; i < size; ++i) path.push_back(static_cast<char16_t>(buffer[i]));
            return FileNameOf(path);
        }
        if (win::GetLastError() != static_cast<win::DWORD>(win::ERROR_INSUFFICIENT_BUFFER)) break;
    }
    return {};
}

struct Collected {
    std::vector<std::u16string> programs;
    win::DWORD ownThread;
};

win::BOOL KEYLOOM_CALLBACK CollectProgram(win::HWND window, win::LPARAM lParam) {
    auto* collected = reinterpret_cast<Collected*>(lParam);
    if (!win::IsWindowVisible(window) || win::GetWindowThreadProcessId(window, nullptr) == collected->ownThread)
        return win::TRUE;
    const std::u16string program = ProgramOf(window);
    if (!program.empty() && !Contains(collected->programs, program)) collected->programs.push_back(program);
    return win::TRUE;
}

}  // namespace

std::vector<std::u16string> ProgramNames(const std::u16string& programs) {
    std::vector<std::u16string> names;
    std::size_t start = 0;
    while (start <= programs.size()) {
        std::size_t end = programs.find(u';', start);
        if (end == std::u16string::npos) end = programs.size();
        std::size_t first = start, last = end;
        while (first < last && IsSpace(programs[first])) ++first;
        while (last > first && IsSpace(programs[last - 1])) --last;
        if (last > first) names.push_back(programs.substr(first, last - first));
        start = end + 1;
    }
    return names;
}

std::u16string AddProgram(const std::u16string& programs, const std::u16string& program) {
    if (program.empty() || Contains(ProgramNames(programs), program)) return programs;
    std::u16string out = programs;
    while (!out.empty() && IsSpace(out.back())) out.pop_back();
    if (!out.empty() && out.back() != u';') out += u';';
    return out + program;
}

bool SameProgram(const std::u16string& a, const std::u16string& b) { return Compare(a, b) == win::CSTR_EQUAL; }

bool Contains(const std::vector<std::u16string>& names, const std::u16string& program) {
    return std::any_of(names.begin(), names.end(), [&](const std::u16string& n) { return SameProgram(n, program); });
}

bool WorksIn(const MacroScope& macro, const std::u16string& program) {
    switch (macro.mode) {
    case OnlyThese: return !program.empty() && Contains(ProgramNames(macro.programs), program);
    case AllExcept: return program.empty() || !Contains(ProgramNames(macro.programs), program);
    default: return true;
    }
}

bool Overlap(const MacroScope& a, const MacroScope& b) {
    const std::vector<std::u16string> namesA = ProgramNames(a.programs), namesB = ProgramNames(b.programs);
    const bool onlyA = a.mode == OnlyThese, onlyB = b.mode == OnlyThese;
    if (onlyA && onlyB)
        return std::any_of(namesA.begin(), namesA.end(), [&](const std::u16string& n) { return Contains(namesB, n); });
    // Only these against all, or all but some: they meet unless every named
    // program is one the other leaves out.
    if (onlyA) return b.mode == AllExcept ? !AllIn(namesA, namesB) : !namesA.empty();
    if (onlyB) return a.mode == AllExcept ? !AllIn(namesB, namesA) : !namesB.empty();
    return true;
}

std::string ListSuffix(const MacroScope& macro) {
    if (macro.mode != OnlyThese && macro.mode != AllExcept) return {};
    const std::size_t count = ProgramNames(macro.programs).size();
    return std::string(macro.mode == OnlyThese ? " (in " : " (not in ") + std::to_string(count) +
           (count == 1 ? " program)" : " programs)");
}

MacroScope ReadScope(const std::string& macroName) {
    MacroScope macro;
    if (!RegistryStore::ReadOptionalDword(layout::MacroStorePath(macroName), layout::kScope, AllPrograms, &macro.mode) ||
        (macro.mode != OnlyThese && macro.mode != AllExcept))
        return MacroScope{};
    if (!RegistryStore::ReadOptionalMacroText(macroName, layout::kScopePrograms, &macro.programs)) return MacroScope{};
    return macro;
}

MacroScope ReadScope(win::HKEY macroKey, const std::string& macroName) {
    MacroScope macro;
    const win::LSTATUS rc = RegistryStore::QueryDword(macroKey, layout::kScope, &macro.mode);
    if (rc == win::ERROR_FILE_NOT_FOUND) return MacroScope{};
    // Anything else is read again the store's way, to be told.
    if (rc != win::ERROR_SUCCESS) return ReadScope(macroName);
    if (macro.mode != OnlyThese && macro.mode != AllExcept) return MacroScope{};
    if (!RegistryStore::ReadOptionalMacroText(macroName, layout::kScopePrograms, &macro.programs)) return MacroScope{};
    return macro;
}

std::u16string ForegroundProgram() { return ProgramOf(win::GetForegroundWindow()); }

std::vector<std::u16string> VisiblePrograms() {
    Collected collected{{}, win::GetCurrentThreadId()};
    win::EnumWindows(&CollectProgram, reinterpret_cast<win::LPARAM>(&collected));
    std::sort(collected.programs.begin(), collected.programs.end(),
              [](const std::u16string& a, const std::u16string& b) { return Compare(a, b) == win::CSTR_LESS_THAN; });
    return collected.programs;
}

}  // namespace scope
