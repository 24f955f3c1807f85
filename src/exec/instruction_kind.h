// Instruction codes: below 0x1000 an instruction code is a Windows
// virtual-key code; 0x1000 to 0x100A are the commands, in this order.
#pragma once

#include <cstdint>

namespace kind {

constexpr std::int32_t Delay = 0x1000;
constexpr std::int32_t Reboot = 0x1001;
constexpr std::int32_t Shutdown = 0x1002;
constexpr std::int32_t CopyFromClipboard = 0x1003;
constexpr std::int32_t PasteToClipboard = 0x1004;
constexpr std::int32_t PlaybackRecording = 0x1005;
constexpr std::int32_t Pause = 0x1006;
constexpr std::int32_t Time = 0x1007;
constexpr std::int32_t Date = 0x1008;
constexpr std::int32_t MessageBox = 0x1009;
constexpr std::int32_t Run = 0x100A;

constexpr std::int32_t FirstCommand = Delay;
constexpr std::int32_t LastCommand = Run;

// True for the eleven command codes, false for key codes and anything else.
constexpr bool IsCommand(std::int32_t code) {
    return code >= FirstCommand && code <= LastCommand;
}

}  // namespace kind

using kind::IsCommand;
