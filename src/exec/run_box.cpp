#include "exec/run_box.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace exec {
namespace {

struct OpenBox {
    std::string caption;
    std::vector<win::HWND> before;  // this thread's windows of that caption when it opened
};

// Innermost last: a box's message loop may run a macro that shows another.
std::vector<const OpenBox*> openBoxes;

struct Search {
    const OpenBox* box;
    win::DWORD thread;
    std::vector<win::HWND> found;
};

win::BOOL KEYLOOM_CALLBACK Collect(win::HWND window, win::LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    if (win::GetWindowThreadProcessId(window, nullptr) != search->thread) return win::TRUE;
    const std::string& caption = search->box->caption;
    // One character more than the caption: a longer title is no match.
    std::vector<char> title(caption.size() + 2, '\0');
    const int length = win::GetWindowTextA(window, title.data(), static_cast<int>(title.size()));
    if (length < 0 || static_cast<std::size_t>(length) != caption.size() ||
        std::memcmp(title.data(), caption.data(), caption.size()) != 0)
        return win::TRUE;
    const auto& before = search->box->before;
    if (std::find(before.begin(), before.end(), window) == before.end()) search->found.push_back(window);
    return win::TRUE;
}

std::vector<win::HWND> WindowsOf(const OpenBox& box) {
    Search search{&box, win::GetCurrentThreadId(), {}};
    win::EnumWindows(&Collect, reinterpret_cast<win::LPARAM>(&search));
    return search.found;
}

}  // namespace

int ShowRunBox(const char* text, const char* caption, win::UINT type) {
    OpenBox box{caption != nullptr ? caption : "", {}};
    box.before = WindowsOf(box);
    openBoxes.push_back(&box);
    const int answer = win::MessageBoxA(nullptr, text, caption, type);
    std::erase(openBoxes, &box);
    return answer;
}

void CloseRunBoxes() {
    for (const OpenBox* box : openBoxes)
        for (win::HWND window : WindowsOf(*box)) win::PostMessageA(window, win::WM_COMMAND, win::IDOK, 0);
}

}  // namespace exec
