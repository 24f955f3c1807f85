#include "keyloomc/client.h"

namespace keyloomc {
namespace {

std::u16string Join(const std::vector<std::u16string>& args, std::size_t from) {
    std::u16string joined;
    for (std::size_t i = from; i < args.size(); ++i) {
        if (i > from) joined += u' ';
        joined += args[i];
    }
    return joined;
}

std::u16string FromUtf16Bytes(const std::vector<std::uint8_t>& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return text;
}

// What no macro can be called: a key name has no backslash and no NUL and
// fits the registry's length. Keyloom refuses such a request as malformed.
bool CannotBeAName(const std::u16string& name) {
    return name.size() > channel::kMaxName || name.find(u'\\') != std::u16string::npos ||
           name.find(u'\0') != std::u16string::npos;
}

std::u16string Quoted(const std::u16string& text) { return u"\"" + text + u"\""; }

// An import's report as keyloomc prints it: what was imported and what was
// not to standard output, a line each; why it stopped to standard error.
Outcome ConcludeImport(channel::Status status, const channel::Answer* answer, const std::u16string& file) {
    std::vector<channel::ReportLine> lines;
    if (answer == nullptr || answer->status != status || !channel::ParseReport(answer->payload, &lines))
        return {kFailed, u"", u"Keyloom sent no report of the import.\n", {}};
    Outcome outcome;
    bool imported = false, clashed = false;
    std::u16string problem;
    for (const channel::ReportLine& line : lines) {
        switch (line.kind) {
        case channel::ReportKind::ImportedMacro:
            outcome.out += u"Imported macro " + Quoted(line.text) + u".\n";
            imported = true;
            break;
        case channel::ReportKind::ImportedRecording:
            outcome.out += u"Imported recording " + Quoted(line.text) + u".\n";
            imported = true;
            break;
        case channel::ReportKind::Skipped:
            outcome.out += u"Skipped " + Quoted(line.text) + u": the name is taken.\n";
            clashed = true;
            break;
        case channel::ReportKind::SwitchedOff:
            outcome.out += u"Switched off " + Quoted(line.text) + u": its hot key is in use.\n";
            clashed = true;
            break;
        case channel::ReportKind::Problem: problem += line.text + u"\n"; break;
        case channel::ReportKind::Message: outcome.err += u"Keyloom says: " + line.text + u"\n"; break;
        }
    }
    if (status == channel::Status::Refused) {
        outcome.exitCode = kRefused;
        outcome.err = file + u" " + problem + u"Nothing was imported.\n" + outcome.err;
        return outcome;
    }
    if (status != channel::Status::Ok) {
        outcome.exitCode = kFailed;
        outcome.err = u"The import stopped: " + (problem.empty() ? u"Keyloom could not write the store.\n" : problem) +
                      outcome.err;
        return outcome;
    }
    if (!imported && !clashed) outcome.out += u"Nothing was imported.\n";
    outcome.exitCode = clashed ? kSkipped : kOk;
    return outcome;
}

}  // namespace

std::u16string UsageText() {
    return u"Usage: keyloomc COMMAND\n"
           u"Asks the Keyloom that runs in this session to:\n"
           u"  run NAME           run the macro NAME as its hot key would\n"
           u"  stop               stop whatever Keyloom is doing, as the stop key does\n"
           u"  list               print each macro's name and hot key, one a line\n"
           u"  export FILE [NAME] write every macro and recording to FILE, or only the\n"
           u"                     macro NAME with the recordings it plays\n"
           u"  import FILE        add the macros and recordings of FILE; a name that is\n"
           u"                     taken is skipped, and each one skipped is printed\n"
           u"Exit codes: 0 done, 1 no such macro (import: a name was taken, or a hot key\n"
           u"in use left a macro switched off), 2 Keyloom is not running,\n"
           u"3 a macro is already running, 4 wrong command line,\n"
           u"5 Keyloom refused the request or the file, 6 Keyloom did not answer or failed.\n";
}

Outcome FileProblem(channel::Command command, const std::u16string& file, const std::u16string& problem) {
    if (command == channel::Command::Import) return {kRefused, u"", file + u" " + problem + u"\nNothing was imported.\n", {}};
    return {kFailed, u"", file + u" " + problem + u"\n", {}};
}

bool ParseArguments(const std::vector<std::u16string>& args, Invocation* invocation, std::u16string* error) {
    if (args.empty()) {
        *error = u"No command given.";
        return false;
    }
    const std::u16string& command = args[0];
    if (command == u"help" || command == u"-h" || command == u"--help" || command == u"/?") {
        invocation->help = true;
        return true;
    }
    channel::Request request;
    if (command == u"run") {
        // A name with spaces may come quoted or as several arguments.
        request.command = channel::Command::Run;
        request.name = Join(args, 1);
        if (request.name.empty()) {
            *error = u"run needs the name of a macro.";
            return false;
        }
    } else if (command == u"export") {
        // The name after the file may come quoted or as several arguments.
        request.command = channel::Command::Export;
        if (args.size() < 2 || args[1].empty()) {
            *error = u"export needs the file to write.";
            return false;
        }
        invocation->file = args[1];
        request.name = Join(args, 2);
    } else if (command == u"import") {
        request.command = channel::Command::Import;
        if (args.size() != 2 || args[1].empty()) {
            *error = args.size() > 2 ? u"import takes one file." : u"import needs the file to read.";
            return false;
        }
        invocation->file = args[1];
    } else if (command == u"stop" || command == u"list") {
        request.command = command == u"stop" ? channel::Command::Stop : channel::Command::List;
        if (args.size() > 1) {
            *error = command + u" takes no arguments.";
            return false;
        }
    } else {
        *error = u"Unknown command: " + command;
        return false;
    }
    invocation->request = std::move(request);
    return true;
}

Outcome Conclude(const channel::Request& request, Delivery delivery, channel::Status status,
                 const channel::Answer* answer, const std::u16string& file) {
    Outcome outcome;
    if (delivery == Delivery::NoKeyloom) return {kNotRunning, u"", u"Keyloom is not running.\n", {}};
    if (delivery == Delivery::NoAnswer) return {kFailed, u"", u"Keyloom did not answer.\n", {}};
    const bool import = request.command == channel::Command::Import;
    if (import && (status == channel::Status::Ok || status == channel::Status::Failed ||
                   status == channel::Status::Refused))
        return ConcludeImport(status, answer, file);
    switch (status) {
    case channel::Status::Ok:
        if (request.command != channel::Command::List && request.command != channel::Command::Export) return outcome;
        // The list and the file come back as a block of their own.
        if (answer == nullptr || answer->status != channel::Status::Ok) {
            const bool list = request.command == channel::Command::List;
            return {kFailed, u"", list ? u"Keyloom sent no list.\n" : u"Keyloom sent no file.\n", {}};
        }
        if (request.command == channel::Command::Export)
            outcome.exported = answer->payload;
        else
            outcome.out = FromUtf16Bytes(answer->payload);
        return outcome;
    case channel::Status::Malformed:
        if ((request.command == channel::Command::Run || request.command == channel::Command::Export) &&
            !request.name.empty() && CannotBeAName(request.name))
            return {kNoSuchMacro, u"", u"There is no macro named \"" + request.name + u"\".\n", {}};
        return {kRefused, u"", u"Keyloom refused the request.\n", {}};
    case channel::Status::NoSuchMacro:
        return {kNoSuchMacro, u"", u"There is no macro named \"" + request.name + u"\".\n", {}};
    case channel::Status::Busy:
        return {kBusy, u"",
                import ? u"Keyloom is busy (a macro runs, one of its windows is open, or another import is on its "
                         u"way): import when it is done.\n"
                       : u"A macro is already running.\n", {}};
    case channel::Status::NotRunning: return {kNotRunning, u"", u"Keyloom is not running.\n", {}};
    case channel::Status::Refused: return {kRefused, u"", u"Keyloom refused the request.\n", {}};
    case channel::Status::Failed:
    case channel::Status::Piece: break;
    }
    outcome.exitCode = kFailed;
    outcome.err = u"Keyloom could not carry the request out";
    if (answer != nullptr && !answer->payload.empty()) outcome.err += u": " + FromUtf16Bytes(answer->payload);
    outcome.err += u".\n";
    return outcome;
}

}  // namespace keyloomc
