// keyloomc's logic, apart from Windows: what the command line asks for, and
// what to print and exit with once Keyloom has answered (or has not).
// keyloomc never reads the store: everything it knows comes from the
// running Keyloom over the command channel. It reads and writes the files of
// export and import itself, with its own rights, and passes their content.
#pragma once

#include <string>
#include <vector>

#include "common/command_channel.h"

namespace keyloomc {

// The exit codes. The first four are also the channel's statuses for run.
enum Exit : int {
    kOk = 0,
    kNoSuchMacro = 1,
    kSkipped = 1,  // import: a taken name was skipped, or a hot key in use left a macro off
    kNotRunning = 2,
    kBusy = 3,
    kUsage = 4,
    kRefused = 5,  // Keyloom found the request malformed, or refused the file
    kFailed = 6,   // no answer, or Keyloom could not carry the request out
};

// What the command line asks for. `request` is filled for a command that
// goes to Keyloom; `help` for a request of the usage text alone.
struct Invocation {
    bool help = false;
    channel::Request request;
    // export's and import's file, as given (keyloomc opens it).
    std::u16string file;
};
// `args` are the arguments after the program's name. False, with the
// reason in *error, for a command line that asks for nothing keyloomc knows.
bool ParseArguments(const std::vector<std::u16string>& args, Invocation* invocation, std::u16string* error);

std::u16string UsageText();

// How far the request got.
enum class Delivery {
    NoKeyloom,  // no Keyloom window in this session
    NoAnswer,   // the window was there but did not take the request
    Answered,   // `status` is Keyloom's
};
struct Outcome {
    int exitCode = kOk;
    std::u16string out;  // to standard output
    std::u16string err;  // to standard error
    // export: the file's content, to be written to the invocation's file.
    std::vector<std::uint8_t> exported;
};
// `answer` is the block Keyloom sent back, or null when none came. `file`
// is export's or import's file, for what is said of it.
Outcome Conclude(const channel::Request& request, Delivery delivery, channel::Status status,
                 const channel::Answer* answer, const std::u16string& file = {});

// What keyloomc says when it cannot read import's file or write export's
// (`problem` follows the file's name: "cannot be opened.").
Outcome FileProblem(channel::Command command, const std::u16string& file, const std::u16string& problem);

}  // namespace keyloomc
