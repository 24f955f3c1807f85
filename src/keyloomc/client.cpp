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

}  // namespace

std::u16string UsageText() {
    return u"Usage: keyloomc COMMAND\n"
           u"Asks the Keyloom that runs in this session to:\n"
           u"  run NAME   run the macro NAME as its hot key would\n"
           u"  stop       stop whatever Keyloom is doing, as the stop key does\n"
           u"  list       print each macro's name and hot key, one a line\n"
           u"Exit codes: 0 done, 1 no such macro, 2 Keyloom is not running,\n"
           u"3 a macro is already running, 4 wrong command line,\n"
           u"5 Keyloom refused the request, 6 Keyloom did not answer or failed.\n";
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
                 const channel::Answer* answer) {
    Outcome outcome;
    if (delivery == Delivery::NoKeyloom) return {kNotRunning, u"", u"Keyloom is not running.\n"};
    if (delivery == Delivery::NoAnswer) return {kFailed, u"", u"Keyloom did not answer.\n"};
    switch (status) {
    case channel::Status::Ok:
        if (request.command != channel::Command::List) return outcome;
        // The list comes back as its own block.
        if (answer == nullptr || answer->status != channel::Status::Ok) return {kFailed, u"", u"Keyloom sent no list.\n"};
        outcome.out = FromUtf16Bytes(answer->payload);
        return outcome;
    case channel::Status::Malformed:
        if (request.command == channel::Command::Run && CannotBeAName(request.name))
            return {kNoSuchMacro, u"", u"There is no macro named \"" + request.name + u"\".\n"};
        return {kRefused, u"", u"Keyloom refused the request.\n"};
    case channel::Status::NoSuchMacro: return {kNoSuchMacro, u"", u"There is no macro named \"" + request.name + u"\".\n"};
    case channel::Status::Busy: return {kBusy, u"", u"A macro is already running.\n"};
    case channel::Status::NotRunning: return {kNotRunning, u"", u"Keyloom is not running.\n"};
    case channel::Status::Failed: break;
    }
    outcome.exitCode = kFailed;
    outcome.err = u"Keyloom could not carry the request out";
    if (answer != nullptr && !answer->payload.empty()) outcome.err += u": " + FromUtf16Bytes(answer->payload);
    outcome.err += u".\n";
    return outcome;
}

}  // namespace keyloomc
