#include "app/settings_dialog.h"
#include "app/stop_key.h"
#include "exec/message_wait.h"
#include "macro_fixture.h"
#include "platform/fake/fake_windows.h"
#include "store/layout.h"

namespace {

const std::string kSettings = "Software\\Tallow Labs\\Keyloom\\Settings";
constexpr int kFirstStopId = MainDialog::kStopKeyIds[0];

std::vector<fake::HotKey> StopKeys() {
    // Every registration now, the macros' left out.
    std::vector<fake::HotKey> keys = fake::HotKeys();
    std::erase_if(keys, [](const fake::HotKey& k) {
        return k.id != MainDialog::kStopKeyIds[0] && k.id != MainDialog::kStopKeyIds[1];
    });
    return keys;
}

using StopKeyTest = RunnerTest;

// Absent settings (a store of an earlier Keyloom) mean Ctrl+Alt+Esc, said
// nowhere and written nowhere; a stored key is the one registered, one that
// no hot key can be reads as the default; one that is taken is told once and
// Keyloom runs on, its macros registered.
TEST_F(StopKeyTest, StartUpRegistersTheStoredOrDefaultStopKeyAndTellsOnceWhenItIsTaken) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    Start();
    ASSERT_EQ(StopKeys().size(), 1u);
    EXPECT_EQ(StopKeys()[0].id, kFirstStopId);
    EXPECT_EQ(StopKeys()[0].window, window);
    EXPECT_EQ(StopKeys()[0].virtualKey, static_cast<win::UINT>(win::VK_ESCAPE));
    EXPECT_EQ(StopKeys()[0].modifiers, win::MOD_CONTROL | win::MOD_ALT);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_FALSE(fake::KeyExists(kSettings));
    EXPECT_EQ(MacroHotKeys().size(), 1u);

    const struct {
        std::uint32_t vk, modifiers, wantVk, wantModifiers;
    } stored[] = {{0x7B, win::MOD_SHIFT, 0x7B, win::MOD_SHIFT},
                  {0, win::MOD_SHIFT, win::VK_ESCAPE, win::MOD_CONTROL | win::MOD_ALT},
                  {0x7B, 0x100, win::VK_ESCAPE, win::MOD_CONTROL | win::MOD_ALT}};
    for (const auto& s : stored) {
        SCOPED_TRACE(s.vk);
        win::UnregisterHotKey(window, kFirstStopId);
        fake::SetDword(kSettings, "StopVk", s.vk);
        fake::SetDword(kSettings, "StopModifiers", s.modifiers);
        macroList = TestRows{};
        Start();
        ASSERT_EQ(StopKeys().size(), 1u);
        EXPECT_EQ(StopKeys()[0].virtualKey, s.wantVk);
        EXPECT_EQ(StopKeys()[0].modifiers, s.wantModifiers);
        EXPECT_TRUE(fake::MessageBoxes().empty());
    }

    // Taken by another program: told once, over the main window; the macros
    // are registered and the list filled all the same.
    win::UnregisterHotKey(window, kFirstStopId);
    ASSERT_TRUE(RegistryStore::DeleteKeyTree(kSettings));
    const win::HWND other = fake::AddOtherWindow("Other", 0x4000);
    ASSERT_TRUE(win::RegisterHotKey(other, 1, win::MOD_CONTROL | win::MOD_ALT, win::VK_ESCAPE));
    macroList = TestRows{};
    Start();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"The stop key CTRL + ALT + ESC is taken by another program."});
    EXPECT_EQ(fake::MessageBoxes()[0].owner, window);
    EXPECT_TRUE(StopKeys().empty());
    EXPECT_EQ(MacroHotKeys().size(), 2u);  // the other program's, and M's
    EXPECT_EQ(macroList.rows.size(), 1u);
}

// The stop key inside a PAUSE or a MESSAGE BOX closes that box (as its OK
// would), the run goes no further, what it held is let go, and the next hot
// key runs at once.
TEST_F(StopKeyTest, TheStopKeyClosesTheRunsBoxAndTheRunGoesNoFurther) {
    for (const std::int32_t box : {kind::Pause, kind::MessageBox}) {
        SCOPED_TRACE(box);
        fake::Reset();
        input::ForgetHeld();
        window = fake::AddWindow("Keyloom");
        macroList = TestRows{};
        ASSERT_TRUE(RegistryStore::EnsureStoreTree());
        StoreMacro("Boxed", 'B', win::MOD_CONTROL);
        StoreInstruction("Boxed", 0, win::VK_SHIFT, {Dword("KeyPressed", 0)});
        StoreInstruction("Boxed", 1, box, {Text("WindowTitle", "Notice"), Text("MessageBody", "Wait"), Dword("KeyPressed", 0)});
        StoreKeyStroke("Boxed", 2, 'C');
        StoreMacro("Next", 'N', win::MOD_CONTROL);
        StoreKeyStroke("Next", 0, 'N');
        MainDialog& main = Start();  // Boxed 0, Next 1
        // A window of that caption that was there before is not the box.
        const win::HWND before = fake::AddWindow(box == kind::Pause ? "Attention" : "Notice");
        std::vector<fake::PostedMessage> closes;
        fake::OnMessageBox([&](const fake::MessageBoxRecord& record) -> int {
            main.OnHotKey(kFirstStopId);
            for (const auto& message : fake::TakePosted())
                if (message.message == win::WM_COMMAND) closes.push_back(message);
            EXPECT_EQ(main.macroRunning, 0);
            EXPECT_EQ(input::HeldCount(), 0u);
            EXPECT_EQ(closes.size(), 1u);
            if (closes.size() != 1) return win::IDOK;
            EXPECT_NE(closes[0].window, before);
            char title[64] = {};
            win::GetWindowTextA(closes[0].window, title, sizeof title);
            EXPECT_EQ(title, record.caption);
            EXPECT_EQ(closes[0].wParam, static_cast<win::WPARAM>(win::IDOK));
            return win::IDOK;
        });
        PressHotKey(0);
        EXPECT_EQ(closes.size(), 1u);
        EXPECT_EQ(fake::MessageBoxes().size(), 1u);
        fake::OnMessageBox(nullptr);
        std::string keys;
        for (const auto& event : fake::KeyEvents()) keys += static_cast<char>(event.virtualKey);
        EXPECT_EQ(keys, std::string(1, static_cast<char>(win::VK_SHIFT)));  // no C after the box
        fake::ClearKeyEvents();
        PressHotKey(1);
        EXPECT_EQ(fake::KeyEvents().size(), 2u);
        // Closing boxes when none is shown posts nothing.
        main.StopAll();
        EXPECT_TRUE(fake::TakePosted().empty());
    }
}

// A new stop key from the Settings dialog is registered before the old one
// goes and is stored; a taken one is refused, and the old key stays
// registered and stored.
TEST_F(StopKeyTest, TheSettingsDialogChangesTheStopKeyOrRefusesATakenOne) {
    MainDialog& main = Start();
    const win::HWND settings = fake::AddWindow("Keyloom - Settings");
    SettingsDialog model(settings, main);
    EXPECT_EQ(model.Initial().virtualKey, win::VK_ESCAPE);
    EXPECT_EQ(model.Initial().flags, 2 | 4);  // the control's Ctrl and Alt

    EXPECT_FALSE(model.OnOk(HotKeyValue{0, 0}));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Must select hot key!"});
    fake::ClearMessageBoxes();

    EXPECT_TRUE(model.OnOk(HotKeyValue{0x7B, 1}));  // Shift+F12
    ASSERT_EQ(StopKeys().size(), 1u);
    EXPECT_EQ(StopKeys()[0].virtualKey, 0x7Bu);
    EXPECT_EQ(StopKeys()[0].modifiers, win::MOD_SHIFT);
    EXPECT_EQ(ReadStopKey(), (StopKey{0x7B, win::MOD_SHIFT}));
    EXPECT_TRUE(fake::MessageBoxes().empty());
    main.OnHotKey(StopKeys()[0].id);  // the new key stops; the old id is gone
    EXPECT_TRUE(fake::MessageBoxes().empty());

    const win::HWND other = fake::AddOtherWindow("Other", 0x4000);
    ASSERT_TRUE(win::RegisterHotKey(other, 1, win::MOD_CONTROL, 'Q'));
    EXPECT_FALSE(model.OnOk(HotKeyValue{'Q', 2}));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"The stop key CTRL + Q is taken by another program."});
    EXPECT_EQ(fake::MessageBoxes()[0].owner, settings);
    ASSERT_EQ(StopKeys().size(), 1u);
    EXPECT_EQ(StopKeys()[0].virtualKey, 0x7Bu);
    EXPECT_EQ(ReadStopKey(), (StopKey{0x7B, win::MOD_SHIFT}));

    // One the store refuses is not kept either: it would not come back.
    fake::ClearMessageBoxes();
    fake::Fail("RegSetValueExA", win::ERROR_ACCESS_DENIED, 1);
    EXPECT_FALSE(model.OnOk(HotKeyValue{'K', 2 | 4}));
    EXPECT_EQ(fake::MessageBoxes().size(), 1u);
    ASSERT_EQ(StopKeys().size(), 1u);
    EXPECT_EQ(StopKeys()[0].virtualKey, 0x7Bu);

    // The same key again is simply kept.
    EXPECT_TRUE(model.OnOk(HotKeyValue{0x7B, 1}));
    EXPECT_EQ(StopKeys().size(), 1u);
}

// A macro runs its body Repeat times one after the other, the pause only
// before the first; 0 repeats until the stop key, which lets go of what the
// passes held; a failure ends the repeats.
TEST_F(StopKeyTest, RepeatRunsTheBodyThatManyTimesAndZeroUntilTheStopKey) {
    StoreMacro("Once", 'O', win::MOD_CONTROL);  // no Repeat: once, as before
    StoreKeyStroke("Once", 0, 'O');
    StoreMacro("Thrice", 'T', win::MOD_CONTROL);
    fake::SetDword(kMacros + "Thrice", "Repeat", 3);
    StoreKeyStroke("Thrice", 0, 'T');
    StoreMacro("Forever", 'F', win::MOD_CONTROL);
    fake::SetDword(kMacros + "Forever", "Repeat", 0);
    StoreInstruction("Forever", 0, win::VK_SHIFT, {Dword("KeyPressed", 0)});
    StoreKeyStroke("Forever", 1, 'F');
    StoreMacro("Broken", 'B', win::MOD_CONTROL);
    fake::SetDword(kMacros + "Broken", "Repeat", 5);
    StoreKeyStroke("Broken", 0, 'B');
    MainDialog& main = Start();  // Broken 0, Forever 1, Once 2, Thrice 3
    const auto downs = [] {
        std::string keys;
        for (const auto& event : fake::KeyEvents())
            if ((event.flags & win::KEYEVENTF_KEYUP) == 0) keys += static_cast<char>(event.virtualKey);
        fake::ClearKeyEvents();
        return keys;
    };
    PressHotKey(2);
    EXPECT_EQ(downs(), "O");
    PressHotKey(3);
    EXPECT_EQ(downs(), "TTT");
    EXPECT_EQ(TimedWaits(), (std::vector<win::DWORD>{299, 299}));
    EXPECT_EQ(main.macroRunning, 0);

    // Each pass starts from the message loop, where the stop key is served.
    main.OnHotKey(1);
    for (int pass = 0; pass < 50; ++pass) {
        auto posted = fake::TakePosted();
        ASSERT_EQ(posted.size(), 1u) << "every pass posts the next";
        ASSERT_EQ(posted[0].message, WM_RUN_MACRO);
        main.OnRunMacro();
    }
    std::string passes;
    for (int pass = 0; pass < 50; ++pass) passes += std::string(1, static_cast<char>(win::VK_SHIFT)) + "F";
    EXPECT_EQ(downs(), passes);
    main.OnHotKey(kFirstStopId);
    Pump();  // the pass already posted starts nothing
    EXPECT_EQ(downs(), "");
    EXPECT_EQ(main.macroRunning, 0);
    EXPECT_EQ(input::HeldCount(), 0u);
    PressHotKey(2);
    EXPECT_EQ(downs(), "O");

    // A pass that cannot read its instruction ends the run and its repeats.
    fake::Fail("RegQueryValueExA", win::ERROR_ACCESS_DENIED, 1, "Broken\\Commands\\0");
    PressHotKey(0);
    EXPECT_EQ(downs(), "");
    EXPECT_EQ(main.macroRunning, 0);
    PressHotKey(0);
    EXPECT_EQ(downs(), "BBBBB");
}

}  // namespace
