// The recording selection dialog: its list from the store, the event radios
// that follow the chosen recording, the speed and OK's checks.
#include "editor/select_recording_dialog.h"
#include "macro_fixture.h"

namespace {

const std::string kJournals = "Software\\Tallow Labs\\Keyloom\\Journals\\";

class SelectRecordingTest : public RunnerTest {
protected:
    void SetUp() override {
        RunnerTest::SetUp();
        for (const auto& [name, type] : {std::pair{"Both", 1}, std::pair{"keys", 2}, std::pair{"Mouse", 3}})
            fake::SetDword(kJournals + name, "Type", static_cast<std::uint32_t>(type));
        fake::CreateKey(kJournals + "Untyped");
        dialogWindow = fake::AddWindow("Keyloom - Select Recording");
    }
    SelectRecordingDialog& Open(const RecordingChoice& entry) {
        list = TestRows{300};
        dialog = std::make_unique<SelectRecordingDialog>(dialogWindow, list, entry);
        dialog->Initialize();
        return *dialog;
    }
    std::array<bool, 3> All() const { return {true, true, true}; }

    win::HWND dialogWindow{};
    TestRows list;
    std::unique_ptr<SelectRecordingDialog> dialog;
};

TEST_F(SelectRecordingTest, ANewInstructionOpensOnTheListWithNothingChosen) {
    SelectRecordingDialog& d = Open(RecordingChoice{});
    EXPECT_EQ(list.columns[0].heading, "Recording Name");
    EXPECT_EQ(list.columns[1].width, 175);
    EXPECT_EQ(list.rows, (std::vector<std::vector<std::string>>{
                             {"Both", "Keyboard & Mouse"}, {"keys", "Keyboard"}, {"Mouse", "Mouse"}, {"Untyped", "Unknown"}}));
    EXPECT_EQ(list.data, (std::vector<std::int32_t>{1, 2, 3, 0}));
    EXPECT_EQ(list.selected, -1);
    EXPECT_EQ(d.checkedEvents, 1);
    EXPECT_EQ(d.eventsEnabled, All());
    EXPECT_EQ(d.speedChoice, 1);
    EXPECT_FALSE(d.percentEnabled);
    EXPECT_EQ(d.percentText, "0");
    EXPECT_EQ(BoxTexts().size(), 1u) << "the untyped recording's Type is reported";
}

TEST_F(SelectRecordingTest, TheEventRadiosFollowTheSelectedRowWhateverMovedIt) {
    const int creates = fake::Calls("RegCreateKeyExA"), sets = fake::Calls("RegSetValueExA");
    SelectRecordingDialog& d = Open(RecordingChoice{"KEYS", 1, -50});
    EXPECT_EQ(list.selected, 1) << "preselected without regard to case";
    EXPECT_EQ(fake::Calls("RegCreateKeyExA"), creates) << "opening writes nothing to the store";
    EXPECT_EQ(fake::Calls("RegSetValueExA"), sets);
    EXPECT_EQ(d.checkedEvents, 1) << "the instruction's events are checked";
    EXPECT_EQ(d.eventsEnabled, (std::array<bool, 3>{false, true, false})) << "but the recording's are enabled";
    EXPECT_EQ(d.speedChoice, 2);
    EXPECT_EQ(d.percentText, "50");

    // The list moves its selection (arrow keys, Home, type-ahead, a click)
    // and tells of the change.
    for (const auto& [row, checked] : {std::pair{0, 1}, std::pair{2, 3}, std::pair{3, 3}, std::pair{1, 2}, std::pair{-1, 1}}) {
        list.selected = row;
        d.OnSelectionChanged();
        EXPECT_EQ(d.checkedEvents, checked) << row;
    }
    EXPECT_EQ(d.eventsEnabled, All());
    // A click, or a key that moves nothing, on the row already selected
    // derives the radios anew; a key with no row selected does nothing.
    list.selected = 1;
    d.OnEvents(1);
    d.OnListClick();
    EXPECT_EQ(d.checkedEvents, 2);
    d.OnEvents(1);
    d.OnListKey();
    EXPECT_EQ(d.checkedEvents, 2);
    list.selected = -1;
    d.OnEvents(3);
    d.OnListKey();
    EXPECT_EQ(d.checkedEvents, 3);
}

// The list view tells of the preselection while the dialog opens; the
// instruction's own events still win then.
TEST_F(SelectRecordingTest, ASelectionChangeBeforeTheDialogIsReadyChangesNothing) {
    list = TestRows{300};
    dialog = std::make_unique<SelectRecordingDialog>(dialogWindow, list, RecordingChoice{"keys", 1, 0});
    list.selected = 1;
    dialog->OnSelectionChanged();
    EXPECT_EQ(dialog->checkedEvents, 1);
    EXPECT_EQ(dialog->eventsEnabled, All());
}

TEST_F(SelectRecordingTest, OkChecksTheNumberTheRowAndTheSignInThatOrder) {
    SelectRecordingDialog& d = Open(RecordingChoice{"Both", 2, 25});
    fake::ClearMessageBoxes();
    EXPECT_EQ(d.checkedEvents, 2);
    EXPECT_EQ(d.speedChoice, 3);
    EXPECT_FALSE(d.OnOk("abc"));
    EXPECT_TRUE(d.fieldRefused);
    list.selected = -1;
    EXPECT_FALSE(d.OnOk("-3"));
    EXPECT_FALSE(d.fieldRefused);
    list.selected = 0;
    EXPECT_FALSE(d.OnOk("-3"));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Please enter an integer.", "No recording selected!",
                                                    "Replay speed percentage must be greater than or equal to 0."}));
    // A slowdown that would stretch an hour's pause past the longest wait
    // (2^31 - 1 ms) is refused; the same number as a speed-up is not.
    fake::ClearMessageBoxes();
    EXPECT_TRUE(d.OnOk("59552"));
    EXPECT_FALSE(d.OnOk("59553"));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Replay speed percentage must be less than or equal to 59552."});
    EXPECT_FALSE(d.OnSpeed(2));
    EXPECT_TRUE(d.OnOk("2147483647"));
    EXPECT_FALSE(d.OnSpeed(3));
    ASSERT_TRUE(d.OnOk("25"));
    EXPECT_EQ(d.Result().name, "Both");
    EXPECT_EQ(d.Result().events, 2);
    EXPECT_EQ(d.Result().speed, 25);

    EXPECT_FALSE(d.OnSpeed(2));
    ASSERT_TRUE(d.OnOk("40"));
    EXPECT_EQ(d.Result().speed, -40);
    EXPECT_TRUE(d.OnSpeed(1));
    EXPECT_EQ(d.percentText, "0");
    ASSERT_TRUE(d.OnOk("0"));
    EXPECT_EQ(d.Result().speed, 0);
    d.OnEvents(3);
    ASSERT_TRUE(d.OnOk("0"));
    EXPECT_EQ(d.Result().events, 3);
}

TEST_F(SelectRecordingTest, AStoredSpeedOrFilterBeyondTheRadiosIsShownSoundly) {
    SelectRecordingDialog& d = Open(RecordingChoice{"Mouse", 9, INT32_MIN});
    EXPECT_EQ(d.checkedEvents, 1) << "an events value of no radio checks Keyboard + Mouse";
    EXPECT_EQ(d.percentText, "2147483648");
    ASSERT_FALSE(d.OnOk(d.percentText)) << "beyond 32 bits";
}

}  // namespace
