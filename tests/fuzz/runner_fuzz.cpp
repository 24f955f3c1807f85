// The macro runner over any stored macro tree, on the fake with its clock:
// it ends, keeps no key open and leaves the clipboard closed.
#include "app/main_dialog.h"
#include "fuzz_input.h"
#include "journal/player.h"
#include "platform/fake/fake_hooks.h"
#include "store/registry_store.h"
#include "test_rows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FreshFakeStore();
    FuzzInput in(data, size);
    if (in.Byte() % 2) fake::Fail("SetWindowsHookExA", win::ERROR_ACCESS_DENIED, -1, "WH_JOURNAL");
    StoreFuzzedTree(in);
    const win::HWND window = fake::AddWindow("Keyloom");
    TestRows macros, recordings;
    MainDialog main(window, macros, recordings);
    main.InitializeContent();
    main.OnHotKey(0);
    // The message loop: the runner's own messages, the playback's timer and
    // the system playing a journal hook.
    for (int round = 0; round < 200 && main.macroRunning; ++round) {
        for (const auto& message : fake::TakePosted())
            if (message.window == window && message.message == WM_RUN_MACRO) main.OnRunMacro();
        if (win::HANDLE timer = PlaybackTimer(); timer != nullptr && fake::FireTimer(timer)) OnPlaybackTimer();
        if (win::HHOOK hook = fake::FindHook(win::WH_JOURNALPLAYBACK)) {
            win::EVENTMSG record{};
            fake::CallHook(hook, win::HC_GETNEXT, 0, reinterpret_cast<win::LPARAM>(&record));
            fake::CallHook(hook, win::HC_SKIP, 0, 0);
        }
    }
    RemovePlaybackWatchHook();
    main.EndMacro();
    if (fake::OpenKeyCount() != 0 || fake::ClipboardIsOpen() || fake::OpenTokenCount() != 0) __builtin_trap();
    return 0;
}
