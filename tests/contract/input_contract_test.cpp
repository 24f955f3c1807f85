// What the player and the recorder rely on in the system's input, checked
// through the seam alone on the fake and on the real layer: the low-level
// hooks (who is called, in which order, with which code, and how an
// injected event is marked), the key state that injected keys leave, and
// the waitable timer that paces a playback.
//
// The injected keys are ones nothing here types with (F13, Shift alone), so
// that a run on a desktop in use changes nothing.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win.h"

namespace {

using namespace win;

constexpr BYTE kKey = VK_F1 + 12;  // F13
constexpr ULONG_PTR kMark = 0x4B4C;

struct Seen {
    char hook;  // 'o' the older hook, 'n' the newer
    int code;
    WPARAM message;
    DWORD vkCode;
    DWORD flags;
    ULONG_PTR extraInfo;
    DWORD mouseData;
    POINT pt;
};

std::vector<Seen> seen;
HHOOK older = nullptr;
HHOOK newer = nullptr;
// What the newer hook answers: 0 passes the event on, 1 keeps it from the
// older hook and from the system, -1 returns 0 without passing it on.
int newerAnswer = 0;

LRESULT Record(char hook, HHOOK handle, int code, WPARAM wParam, LPARAM lParam, bool keyboard) {
    Seen entry{hook, code, wParam, 0, 0, 0, 0, {0, 0}};
    if (code == HC_ACTION && keyboard) {
        const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        entry.vkCode = key.vkCode;
        entry.flags = key.flags;
        entry.extraInfo = key.dwExtraInfo;
    } else if (code == HC_ACTION) {
        const auto& mouse = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        entry.flags = mouse.flags;
        entry.extraInfo = mouse.dwExtraInfo;
        entry.mouseData = mouse.mouseData;
        entry.pt = mouse.pt;
    }
    // Only the injected events this test sends: the desktop may have a
    // pointer or keyboard of its own.
    if (code == HC_ACTION && (keyboard ? entry.vkCode == kKey || entry.vkCode == VK_SHIFT || entry.vkCode == VK_LSHIFT
                                       : entry.extraInfo == kMark))
        seen.push_back(entry);
    if (hook == 'n' && newerAnswer == 1) return 1;
    if (hook == 'n' && newerAnswer == -1) return 0;
    return CallNextHookEx(handle, code, wParam, lParam);
}

LRESULT KEYLOOM_CALLBACK OlderKeys(int code, WPARAM wParam, LPARAM lParam) {
    return Record('o', older, code, wParam, lParam, true);
}
LRESULT KEYLOOM_CALLBACK NewerKeys(int code, WPARAM wParam, LPARAM lParam) {
    return Record('n', newer, code, wParam, lParam, true);
}
LRESULT KEYLOOM_CALLBACK OlderMouse(int code, WPARAM wParam, LPARAM lParam) {
    return Record('o', older, code, wParam, lParam, false);
}
LRESULT KEYLOOM_CALLBACK NewerMouse(int code, WPARAM wParam, LPARAM lParam) {
    return Record('n', newer, code, wParam, lParam, false);
}

// Lets the system deliver what it has for this thread: a low-level hook is
// called on the thread that installed it, while that thread looks at its
// messages. Until `count` events are seen, with a bound so that a hook
// that is never called fails the test instead of hanging it.
void Pump(std::size_t count) {
    for (int round = 0; round < 200 && seen.size() < count; ++round) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
        }
        if (seen.size() < count) Sleep(10);
    }
    // Whatever else would still come.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    }
}

INPUT Key(BYTE virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    input.ki.dwExtraInfo = kMark;
    return input;
}

bool Send(INPUT input) { return SendInput(1, &input, static_cast<int>(sizeof input)) == 1; }

bool Down(int virtualKey) { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }

class InputContract : public testing::Test {
protected:
    void SetUp() override {
        seen.clear();
        newerAnswer = 0;
    }
    void TearDown() override {
        if (newer != nullptr) EXPECT_TRUE(UnhookWindowsHookEx(newer));
        if (older != nullptr) EXPECT_TRUE(UnhookWindowsHookEx(older));
        newer = older = nullptr;
        // Nothing stays held, whatever failed above.
        Send(Key(kKey, true));
        Send(Key(VK_SHIFT, true));
        Pump(0);
    }
    void HookKeys() {
        older = SetWindowsHookExA(WH_KEYBOARD_LL, &OlderKeys, GetModuleHandleA(nullptr), 0);
        newer = SetWindowsHookExA(WH_KEYBOARD_LL, &NewerKeys, GetModuleHandleA(nullptr), 0);
        ASSERT_NE(older, nullptr);
        ASSERT_NE(newer, nullptr);
    }
};

TEST_F(InputContract, AnInjectedKeyReachesTheNewestHookFirstMarkedInjected) {
    HookKeys();
    ASSERT_TRUE(Send(Key(kKey, false)));
    ASSERT_TRUE(Send(Key(kKey, true)));
    Pump(4);
    ASSERT_EQ(seen.size(), 4u);
    const char order[] = {'n', 'o', 'n', 'o'};
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].hook, order[i]);
        EXPECT_EQ(seen[i].code, HC_ACTION);
        EXPECT_EQ(seen[i].vkCode, kKey);
        EXPECT_EQ(seen[i].extraInfo, kMark) << "the input's extra information comes with it";
        EXPECT_NE(seen[i].flags & LLKHF_INJECTED, 0u);
    }
    EXPECT_EQ(seen[0].message, static_cast<WPARAM>(WM_KEYDOWN));
    EXPECT_EQ(seen[0].flags & LLKHF_UP, 0u);
    EXPECT_EQ(seen[2].message, static_cast<WPARAM>(WM_KEYUP));
    EXPECT_NE(seen[2].flags & LLKHF_UP, 0u);
}

TEST_F(InputContract, AHookThatDoesNotPassAKeyOnEndsItsWay) {
    HookKeys();
    newerAnswer = -1;
    ASSERT_TRUE(Send(Key(kKey, false)));
    Pump(1);
    newerAnswer = 1;
    ASSERT_TRUE(Send(Key(kKey, true)));
    Pump(2);
    ASSERT_EQ(seen.size(), 2u) << "the older hook was called";
    EXPECT_EQ(seen[0].hook, 'n');
    EXPECT_EQ(seen[1].hook, 'n');
}

// What a held Shift does to every later hot key, and what releasing it
// undoes: the system's state and the thread's follow the injected keys.
TEST_F(InputContract, InjectedShiftIsDownForTheSystemUntilItsUp) {
    HookKeys();
    ASSERT_FALSE(Down(VK_SHIFT));
    ASSERT_TRUE(Send(Key(VK_SHIFT, false)));
    Pump(2);
    EXPECT_TRUE(Down(VK_SHIFT));
    EXPECT_TRUE(Down(VK_LSHIFT)) << "the generic key is pressed as its left one";
    EXPECT_FALSE(Down(VK_RSHIFT));
    EXPECT_NE(GetKeyState(VK_SHIFT) & 0x8000, 0);
    ASSERT_FALSE(seen.empty());
    // Wine hands the hook the generic key as it was sent, Windows its left
    // one; the recorder stores both as the generic key.
    EXPECT_TRUE(seen[0].vkCode == VK_SHIFT || seen[0].vkCode == VK_LSHIFT) << seen[0].vkCode;
    ASSERT_TRUE(Send(Key(VK_SHIFT, true)));
    Pump(4);
    EXPECT_FALSE(Down(VK_SHIFT));
    EXPECT_FALSE(Down(VK_LSHIFT));
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
}

TEST_F(InputContract, AKeyAHookKeepsIsNotDown) {
    HookKeys();
    newerAnswer = 1;
    ASSERT_TRUE(Send(Key(kKey, false)));
    Pump(1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(Down(kKey));
}

TEST_F(InputContract, InjectedMouseInputReachesTheMouseHooksMarkedInjected) {
    older = SetWindowsHookExA(WH_MOUSE_LL, &OlderMouse, GetModuleHandleA(nullptr), 0);
    newer = SetWindowsHookExA(WH_MOUSE_LL, &NewerMouse, GetModuleHandleA(nullptr), 0);
    ASSERT_NE(older, nullptr);
    ASSERT_NE(newer, nullptr);
    // As the player moves: absolute over the virtual screen, the smallest
    // value that maps onto the pixel; then one notch of the wheel.
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN), height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    const LONG x = 37, y = 21;
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = (x * 65536 + width - 1) / width;
    move.mi.dy = (y * 65536 + height - 1) / height;
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    move.mi.dwExtraInfo = kMark;
    ASSERT_TRUE(Send(move));
    INPUT wheel{};
    wheel.type = INPUT_MOUSE;
    wheel.mi.mouseData = static_cast<DWORD>(-120);
    wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
    wheel.mi.dwExtraInfo = kMark;
    ASSERT_TRUE(Send(wheel));
    Pump(4);
    ASSERT_EQ(seen.size(), 4u);
    const char order[] = {'n', 'o', 'n', 'o'};
    for (std::size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].hook, order[i]);
        EXPECT_EQ(seen[i].code, HC_ACTION);
        EXPECT_NE(seen[i].flags & LLMHF_INJECTED, 0u);
    }
    EXPECT_EQ(seen[0].message, static_cast<WPARAM>(WM_MOUSEMOVE));
    EXPECT_EQ(seen[0].pt.x, left + x);
    EXPECT_EQ(seen[0].pt.y, top + y);
    EXPECT_EQ(seen[2].message, static_cast<WPARAM>(WM_MOUSEWHEEL));
    EXPECT_EQ(static_cast<SHORT>(seen[2].mouseData >> 16), -120) << "the distance is the high word";
    EXPECT_EQ(seen[2].pt.x, left + x) << "the wheel turns where the pointer is";
}

// The player's timer: a synchronization timer, signalled once its time has
// come and reset by the wait that sees it, not by cancelling it. Setting it
// again resets the signal on Windows but not on Wine 8: a wake may be one
// the timer owed from before, which the player tells by its clock.
TEST(TimerContract, ASignalIsSeenOnceAndANewDueTimeIsNotSignalledEarly) {
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    ASSERT_NE(timer, nullptr);
    const std::int64_t soon = -10'000;           // 1 ms
    const std::int64_t later = -600'000'000;     // a minute
    ASSERT_TRUE(SetWaitableTimer(timer, &later, 0, nullptr, nullptr, FALSE));
    EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_TIMEOUT);

    ASSERT_TRUE(SetWaitableTimer(timer, &soon, 0, nullptr, nullptr, FALSE));
    EXPECT_EQ(WaitForSingleObject(timer, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_TIMEOUT) << "the wait that saw it reset it";

    ASSERT_TRUE(SetWaitableTimer(timer, &soon, 0, nullptr, nullptr, FALSE));
    Sleep(50);
    ASSERT_TRUE(CancelWaitableTimer(timer));
    EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_OBJECT_0) << "a cancel leaves the signal";

    ASSERT_TRUE(SetWaitableTimer(timer, &soon, 0, nullptr, nullptr, FALSE));
    Sleep(50);
    ASSERT_TRUE(SetWaitableTimer(timer, &later, 0, nullptr, nullptr, FALSE));
    WaitForSingleObject(timer, 0);  // the signal owed from before, if any
    EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_TIMEOUT) << "signalled before the new due time";
    EXPECT_TRUE(CloseHandle(timer));
}

TEST(TimerContract, AHighResolutionTimerIsMadeOrRefusedAsInvalid) {
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (timer == nullptr) {
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        return;
    }
    const std::int64_t soon = -10'000;
    ASSERT_TRUE(SetWaitableTimer(timer, &soon, 0, nullptr, nullptr, FALSE));
    EXPECT_EQ(WaitForSingleObject(timer, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(timer));
}

}  // namespace
