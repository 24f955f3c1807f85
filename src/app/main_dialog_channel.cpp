// The main window's end of the command channel: keyloomc's requests, sent
// as WM_COPYDATA, read whole and checked before anything is done, and
// answered with a status (the handler's result) and, for a list, a block
// sent back to keyloomc's answer window.
//
// The request comes from any program of the signed-in user, through the
// integrity filter that lets this one message in: nothing in it is trusted.
// No box is shown while the sender waits: a failure is an answer, and what
// the store would have shown in a box meanwhile goes with it.
#include <string>

#include "app/instance.h"
#include "app/main_dialog.h"
#include "common/command_channel.h"
#include "exchange/text_codes.h"
#include "store/message_text.h"
#include "platform/unique_handle.h"
#include "store/layout.h"
#include "store/registry_store.h"

namespace {

// How long Keyloom waits for keyloomc to take an answer: keyloomc waits in
// its own send, so it takes it at once; a window that hangs is given up.
constexpr win::UINT kAnswerTimeout = 5000;

win::LRESULT Result(channel::Status status) { return channel::HandledResult(status); }

// A name of the code page as UTF-16 units; empty when it cannot be read.
std::u16string Utf16(const std::string& text) {
    const int length = win::MultiByteToWideChar(win::CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (win::MultiByteToWideChar(win::CP_ACP, 0, text.c_str(), -1, wide.data(), length) != length) return {};
    std::u16string out;
    for (std::size_t i = 0; i + 1 < wide.size(); ++i) out.push_back(static_cast<char16_t>(wide[i]));
    return out;
}

// The exchange's texts are UTF-8; a name stored in the code page that came
// into one is taken as the code page's.
std::u16string FromUtf8(const std::string& text) {
    std::u16string units;
    return exchange::Utf8ToUtf16(text, &units) ? units : Utf16(text);
}

char16_t FoldAscii(char16_t unit) { return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit; }

// The registry compares key names without regard to case.
bool SameNameNoCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

void AppendUtf16(std::vector<std::uint8_t>& out, const std::u16string& text) {
    for (char16_t unit : text) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

// Only a window of keyloomc's answer class gets an answer: the address comes
// from the request, and an elevated Keyloom must not be made to send to
// whatever window a caller names.
bool IsAnswerWindow(win::HWND window) {
    char className[64] = {};
    return window != nullptr && win::GetClassNameA(window, className, sizeof className) > 0 &&
           std::string(className) == channel::kAnswerWindowClass;
}

}  // namespace

void MainDialog::OpenCommandChannel() {
    // keyloomc runs without administrator rights; this Keyloom may have them.
    win::ChangeWindowMessageFilterEx(window_, win::WM_COPYDATA, win::MSGFLT_ALLOW, nullptr);
}

bool MainDialog::SendAnswer(std::uint64_t answerWindow, const channel::Answer& answer) const {
    const auto target = reinterpret_cast<win::HWND>(static_cast<std::uintptr_t>(answerWindow));
    if (!IsAnswerWindow(target)) return false;
    std::vector<std::uint8_t> block = channel::EncodeAnswer(answer);
    win::COPYDATASTRUCT data{channel::kCopyDataTag, static_cast<win::DWORD>(block.size()), block.data()};
    win::ULONG_PTR taken = 0;
    return win::SendMessageTimeoutA(target, win::WM_COPYDATA, reinterpret_cast<win::WPARAM>(window_),
                                    reinterpret_cast<win::LPARAM>(&data), win::SMTO_ABORTIFHUNG | win::SMTO_BLOCK,
                                    kAnswerTimeout, &taken) != 0 &&
           taken != 0;
}

win::LRESULT MainDialog::OnCopyData(const win::COPYDATASTRUCT* data) {
    // Another program's WM_COPYDATA, not a channel block: not ours to answer.
    if (data == nullptr || data->dwData != channel::kCopyDataTag) return 0;
    channel::Request request;
    // A pending import whose keyloomc has gone is not held any longer.
    if (!pendingImport_.Empty() && !IsAnswerWindow(reinterpret_cast<win::HWND>(static_cast<std::uintptr_t>(importCaller_))))
        pendingImport_.Clear();
    if (channel::ParseRequest(data->lpData, data->cbData, &request) != channel::RequestFault::None)
        return Result(channel::Status::Malformed);
    switch (request.command) {
    case channel::Command::Run: return RunByName(request.name);
    case channel::Command::Stop:
        // As the stop key does.
        StopAll();
        return Result(channel::Status::Ok);
    case channel::Command::List: return ListMacros(request.answerWindow);
    case channel::Command::Export: return ExportToCaller(request);
    case channel::Command::Import: return ImportFromCaller(request);
    case channel::Command::ImportPiece: return TakeImportPiece(request);
    }
    return Result(channel::Status::Malformed);
}

int MainDialog::MacroRowNamed(const std::u16string& name) const {
    int match = -1;
    for (int row = 0; row < macroList_.RowCount(); ++row) {
        const std::u16string rowName = Utf16(macroList_.Cell(row, 0));
        if (rowName.empty()) continue;
        if (rowName == name) return row;
        if (match < 0 && SameNameNoCase(rowName, name)) match = row;
    }
    return match;
}

win::LRESULT MainDialog::RunByName(const std::u16string& name) {
    if (macroRunning) return Result(channel::Status::Busy);
    // The Macros list holds what Keyloom registered.
    const int match = MacroRowNamed(name);
    if (match < 0) return Result(channel::Status::NoSuchMacro);
    switch (TakeRun(macroList_.Cell(match, 0))) {
    case RunRequest::Busy: return Result(channel::Status::Busy);
    case RunRequest::NoSuchMacro: return Result(channel::Status::NoSuchMacro);
    case RunRequest::Started: break;
    }
    // keyloomc has its answer before the pause, so it does not wait for the
    // run; the run itself starts as a hot key starts it.
    const win::LRESULT started = Result(channel::Status::Ok);
    win::ReplyMessage(started);
    StartMacro();
    return started;
}

win::LRESULT MainDialog::ExportToCaller(const channel::Request& request) {
    // Everything, or the macro named with the recordings it plays.
    std::string macro;
    if (!request.name.empty()) {
        const int row = MacroRowNamed(request.name);
        if (row < 0 || !RegistryStore::KeyExists(layout::MacroFullPath(macroList_.Cell(row, 0))))
            return Result(channel::Status::NoSuchMacro);
        macro = macroList_.Cell(row, 0);
    }
    channel::Answer answer;
    std::string file, problem;
    bool exported = false;
    std::vector<std::string> messages;
    {
        HeldMessages held;
        exported = ExportFile(macro, &file, &problem);
        messages = held.Texts();
    }
    if (exported) {
        // In pieces: a block of many megabytes between processes may never
        // arrive.
        const std::vector<std::uint8_t> bytes(file.begin(), file.end());
        file.clear();
        file.shrink_to_fit();
        answer.status = channel::Status::Piece;
        for (std::size_t sequence = 0; sequence < channel::PieceCount(bytes.size()); ++sequence) {
            answer.payload = channel::PiecePayload(bytes, sequence);
            if (!SendAnswer(request.answerWindow, answer)) return Result(channel::Status::Failed);
        }
        return Result(channel::Status::Ok);
    } else {
        answer.status = channel::Status::Failed;
        for (const std::string& message : messages) problem += "\n" + message;
        AppendUtf16(answer.payload, Utf16(problem));
    }
    return Result(SendAnswer(request.answerWindow, answer) ? answer.status : channel::Status::Failed);
}

win::LRESULT MainDialog::TakeImportPiece(const channel::Request& request) {
    const auto caller = reinterpret_cast<win::HWND>(static_cast<std::uintptr_t>(request.answerWindow));
    // Another keyloomc's import, still on its way, is not mixed with.
    if (!pendingImport_.Empty() && importCaller_ != request.answerWindow) return Result(channel::Status::Busy);
    channel::Piece piece;
    if (!IsAnswerWindow(caller) || !channel::ParsePiece(request.payload, &piece)) {
        if (importCaller_ == request.answerWindow) pendingImport_.Clear();
        return Result(channel::Status::Malformed);
    }
    importCaller_ = request.answerWindow;
    return Result(pendingImport_.Take(std::move(piece)) ? channel::Status::Ok : channel::Status::Malformed);
}

win::LRESULT MainDialog::ImportFromCaller(const channel::Request& request) {
    // The file came in pieces when the Import carries none: it is taken
    // only whole, and is not held past this request.
    std::vector<std::uint8_t> pieces;
    if (!pendingImport_.Empty() && importCaller_ == request.answerWindow) {
        const bool whole = pendingImport_.Complete();
        pieces = pendingImport_.Release();
        if (!whole || !request.payload.empty()) return Result(channel::Status::Malformed);
    }
    const std::vector<std::uint8_t>& bytes = pieces.empty() ? request.payload : pieces;
    // As a shutdown is refused: a macro that runs reads the store, and an
    // open window (the editor, the Import dialog) would write over what the
    // import writes.
    if (macroRunning != 0 || OwnWindowOpen(window_)) return Result(channel::Status::Busy);
    exchange::ImportOutcome outcome;
    std::vector<std::string> messages;
    {
        HeldMessages held;
        outcome = ImportFile(std::string(bytes.begin(), bytes.end()));
        messages = held.Texts();
    }
    std::vector<channel::ReportLine> report;
    const auto add = [&](channel::ReportKind kind, const std::vector<std::string>& names) {
        for (const std::string& name : names) report.push_back({kind, FromUtf8(name)});
    };
    add(channel::ReportKind::ImportedRecording, outcome.recordings);
    add(channel::ReportKind::ImportedMacro, outcome.macros);
    add(channel::ReportKind::Skipped, outcome.skipped);
    add(channel::ReportKind::SwitchedOff, outcome.switchedOff);
    channel::Answer answer;
    if (outcome.refused) {
        answer.status = channel::Status::Refused;
        report.push_back({channel::ReportKind::Problem, FromUtf8(outcome.problem)});
    } else if (outcome.failed) {
        answer.status = channel::Status::Failed;
        std::string problem = "the " + outcome.failedAt + " was not imported, nor anything after it.";
        if (!outcome.problem.empty()) problem += "\n" + outcome.problem;
        report.push_back({channel::ReportKind::Problem, FromUtf8(problem)});
    }
    for (const std::string& message : messages) report.push_back({channel::ReportKind::Message, Utf16(message)});
    answer.payload = channel::EncodeReport(report);
    return Result(SendAnswer(request.answerWindow, answer) ? answer.status : channel::Status::Failed);
}

win::LRESULT MainDialog::ListMacros(std::uint64_t answerWindow) {
    // One line a macro, in list order: its name, a tab, its hot key.
    channel::Answer answer;
    for (int row = 0; row < macroList_.RowCount(); ++row) {
        AppendUtf16(answer.payload, Utf16(macroList_.Cell(row, 0)));
        AppendUtf16(answer.payload, u"\t");
        AppendUtf16(answer.payload, Utf16(macroList_.Cell(row, 1)));
        AppendUtf16(answer.payload, u"\n");
    }
    return Result(SendAnswer(answerWindow, answer) ? channel::Status::Ok : channel::Status::Failed);
}
