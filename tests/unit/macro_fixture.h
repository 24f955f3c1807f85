// Builds stored macros in the fake registry and drives the main window's
// runner the way the message loop would.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "input/held_input.h"
#include "input/input_thread.h"
#include "platform/fake/fake.h"
#include "store/registry_store.h"
#include "test_rows.h"

inline const std::string kMacros = "Software\\Tallow Labs\\Keyloom\\Macros\\";

struct StoredValue {
    std::string name;
    std::uint32_t number = 0;
    std::string text;
    bool isText = false;
};
inline StoredValue Dword(std::string name, std::uint32_t value) { return {std::move(name), value, "", false}; }
inline StoredValue Text(std::string name, std::string text) { return {std::move(name), 0, std::move(text), true}; }

// Instruction `position` of `macro` with its "id" and further values.
inline void StoreInstruction(const std::string& macro, int position, std::int32_t code,
                             const std::vector<StoredValue>& values = {}) {
    const std::string key = kMacros + macro + "\\Commands\\" + std::to_string(position);
    fake::SetDword(key, "id", static_cast<std::uint32_t>(code));
    for (const StoredValue& value : values) {
        if (value.isText)
            fake::SetString(key, value.name, value.text);
        else
            fake::SetDword(key, value.name, value.number);
    }
}

inline void StoreMacro(const std::string& macro, std::int32_t vk, std::int32_t modifiers, std::int32_t id = 77) {
    fake::SetDword(kMacros + macro, "vk", static_cast<std::uint32_t>(vk));
    fake::SetDword(kMacros + macro, "fsModifiers", static_cast<std::uint32_t>(modifiers));
    fake::SetDword(kMacros + macro, "id", static_cast<std::uint32_t>(id));
    fake::CreateKey(kMacros + macro + "\\Commands");
}

// A key stroke: down then up.
inline void StoreKeyStroke(const std::string& macro, int position, std::int32_t vk) {
    StoreInstruction(macro, position, vk, {Dword("KeyPressed", 0)});
    StoreInstruction(macro, position + 1, vk, {Dword("KeyPressed", 2)});
}

// The macros' hot keys registered now, in registration order: the stop
// key, which the main window registers too, left out.
inline std::vector<fake::HotKey> MacroHotKeys() {
    std::vector<fake::HotKey> keys = fake::HotKeys();
    std::erase_if(keys, [](const fake::HotKey& k) {
        return k.id == MainDialog::kStopKeyIds[0] || k.id == MainDialog::kStopKeyIds[1];
    });
    return keys;
}

// The system timeouts a run's waits asked for, without their looks at the
// queue that take no time (a wait's last millisecond is looked through).
inline std::vector<win::DWORD> TimedWaits() {
    std::vector<win::DWORD> waits;
    for (win::DWORD wait : fake::MessageWaits())
        if (wait != 0) waits.push_back(wait);
    return waits;
}

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        input::StopInputThread();
        fake::Reset();
        input::ForgetHeld();
        window = fake::AddWindow("Keyloom");
        ASSERT_TRUE(input::StartInputThread(window));
        ASSERT_TRUE(RegistryStore::EnsureStoreTree());
    }

    MainDialog& Start() {
        dialog = std::make_unique<MainDialog>(window, macroList, recordingList);
        dialog->InitializeContent();
        fake::TakePosted();
        return *dialog;
    }

    // Delivers posted WM_RUN_MACRO messages until none is left.
    void Pump() {
        for (int round = 0; round < 100; ++round) {
            auto posted = fake::TakePosted();
            if (posted.empty()) return;
            for (const auto& message : posted)
                if (message.window == window && message.message == WM_RUN_MACRO) dialog->OnRunMacro();
        }
        FAIL() << "the runner keeps posting";
    }

    void PressHotKey(int id) {
        dialog->OnHotKey(id);
        Pump();
    }

    std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const auto& box : fake::MessageBoxes()) texts.push_back(box.text);
        return texts;
    }

    win::HWND window{};
    TestRows macroList;
    TestRows recordingList;
    std::unique_ptr<MainDialog> dialog;
};
