// The fake's message boxes: each is logged and answered by the test's
// handler, or with OK.
#include <functional>
#include <vector>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

struct State {
    std::vector<fake::MessageBoxRecord> boxes;
    std::function<int(const fake::MessageBoxRecord&)> onMessageBox;
};

State state;

}  // namespace

namespace fake::detail {
void ResetMessageBoxes() { state = State{}; }
}  // namespace fake::detail

namespace fake {

const std::vector<MessageBoxRecord>& MessageBoxes() { return state.boxes; }
void ClearMessageBoxes() { state.boxes.clear(); }
void OnMessageBox(std::function<int(const MessageBoxRecord&)> handler) { state.onMessageBox = std::move(handler); }

}  // namespace fake

namespace win {

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    using fake::detail::Text;
    if (fake::detail::Fails("MessageBoxA", {Text(text), Text(caption)})) return 0;
    fake::MessageBoxRecord record{owner, Text(text), Text(caption), type};
    state.boxes.push_back(record);
    // While it is shown the box is a window of this thread, titled with its
    // caption, as the system's box is.
    const HWND window = fake::AddWindow(record.caption);
    // The handler may show further boxes or replace itself while it runs.
    auto handler = state.onMessageBox;
    const int answer = handler ? handler(record) : IDOK;
    fake::RemoveWindow(window);
    return answer;
}

}  // namespace win
