// The PLAYBACK RECORDING property dialog (136): which stored recording to
// replay, how fast and which of its events. This is its logic; the dialog
// procedure (select_recording_dialog_win32.cpp) moves clicks in and shows
// the state out.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/row_list.h"
#include "editor/property_dialogs.h"
#include "platform/win.h"

class SelectRecordingDialog {
public:
    // `list` is the list view 1129; `entry` what the instruction holds (a
    // new one: no name, events -1, speed 0).
    SelectRecordingDialog(win::HWND dialog, RowList& list, const RecordingChoice& entry);

    // Columns, the stored recordings with their types, the row of the
    // entry's name (ignoring case) selected, then the radios.
    void Initialize();
    // The list's selection changed, whatever moved it (keys, type-ahead, a
    // click, a right-click, the program itself); ignored until Initialize
    // is done, which derives the radios itself. A click in the list, also
    // on the row already selected; a key pressed in it, while a row is
    // selected (a key that moves the selection is followed by the change).
    // Each derives the event radios from the selected row.
    void OnSelectionChanged();
    void OnListClick();
    void OnListKey();
    // The speed radios: 1 as recorded, 2 increase, 3 decrease. True when
    // the percentage field is to show `percentText` anew.
    bool OnSpeed(int choice);
    // The event radios: 1, 2 or 3.
    void OnEvents(std::int32_t events);
    // OK with the percentage field's text: false, the dialog staying open,
    // after telling the user what is wrong; true with `Result()` filled.
    bool OnOk(const std::string& percentText);

    const RecordingChoice& Result() const { return choice_; }
    // Whether the last OK was refused for the percentage field's text.
    bool fieldRefused = false;

    // What the controls show.
    int speedChoice = 1;
    bool percentEnabled = false;
    std::string percentText = "0";
    std::int32_t checkedEvents = 1;                   // 1, 2 or 3
    std::array<bool, 3> eventsEnabled{true, true, true};  // by code - 1

    static constexpr const char* kNameHeading = "Recording Name";
    static constexpr const char* kTypeHeading = "Recording Type";

private:
    // Derives the event radios from a row's recording type.
    void FollowRow(int row);
    // The row of the recording `name` addresses; -1 when none. It only
    // reads the store.
    int RowOfName(const std::string& name) const;

    win::HWND dialog_;
    RowList& list_;
    RecordingChoice choice_;
    bool initialized_ = false;
};

// The text a recording's "Type" is listed with; "Unknown" for any code but
// 1, 2 and 3.
const char* RecordingTypeText(std::int32_t type);

// Shows the dialog (Windows build); true on OK with `choice` as chosen.
bool ShowSelectRecordingDialog(win::HWND owner, RecordingChoice* choice);
