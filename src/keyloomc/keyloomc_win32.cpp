// keyloomc.exe: a console program that asks the running Keyloom to run a
// macro, stop, list its macros, export or import, over the command channel
// (WM_COPYDATA). It needs no administrator rights and never reads the
// store; the files of export and import it reads and writes itself.
#include "common/command_channel.h"
#include "common/messages.h"
#include "keyloomc/client.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

// How long keyloomc waits for Keyloom to take a request. Keyloom serves
// the channel from its message loop, also while a macro waits or a box is
// up; it can only be slow in the middle of one instruction.
constexpr UINT kRequestTimeout = 15000;
// Export and import read or write the store whole while keyloomc waits: up
// to 64 MB of recordings.
constexpr UINT kFileRequestTimeout = 600000;

struct Received {
    bool got = false;
    channel::Answer answer;
    // An exported file's pieces, until the last has come.
    channel::Assembly pieces;
};
Received received;

// Keyloom's answer block comes here while keyloomc still waits in its send.
LRESULT CALLBACK AnswerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) return DefWindowProcA(window, message, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr || data->dwData != channel::kCopyDataTag || received.got) return FALSE;
    channel::Answer answer;
    if (!channel::ParseAnswer(data->lpData, data->cbData, &answer)) return FALSE;
    if (answer.status == channel::Status::Piece) {
        // The file is written only when every piece came, in order.
        channel::Piece piece;
        if (!channel::ParsePiece(answer.payload, &piece) || !received.pieces.Take(std::move(piece))) return FALSE;
        if (!received.pieces.Complete()) return TRUE;
        answer = {channel::Status::Ok, received.pieces.Release()};
    }
    received.answer = std::move(answer);
    received.got = true;
    return TRUE;
}

HWND MakeAnswerWindow(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &AnswerProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = channel::kAnswerWindowClass;
    if (!RegisterClassExA(&windowClass)) return nullptr;
    // A message-only window: nothing on screen, and no program finds it.
    return CreateWindowExA(0, channel::kAnswerWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
}

// Text with "\n" line ends, written as the console shows it, or as UTF-8
// with CR LF where the output goes to a file or a pipe.
void Write(DWORD which, const std::u16string& text) {
    if (text.empty()) return;
    std::wstring wide;
    for (char16_t unit : text) {
        if (unit == u'\n') wide += L'\r';
        wide += static_cast<wchar_t>(unit);
    }
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), size, nullptr, nullptr);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::vector<std::u16string> Arguments() {
    std::vector<std::u16string> args;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) return args;
    for (int i = 1; i < count; ++i) {
        std::u16string arg;
        for (const wchar_t* c = argv[i]; *c != L'\0'; ++c) arg.push_back(static_cast<char16_t>(*c));
        args.push_back(std::move(arg));
    }
    LocalFree(argv);
    return args;
}

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// Reads import's file whole, as the user who runs keyloomc may; false with
// the problem, in words that follow the file's name.
bool ReadWhole(const std::u16string& path, std::vector<std::uint8_t>* bytes, std::u16string* problem) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *problem = u"cannot be opened.";
        return false;
    }
    LARGE_INTEGER size{};
    bool read = GetFileSizeEx(file, &size) != 0;
    if (read && static_cast<unsigned long long>(size.QuadPart) > channel::kFileLimit) {
        CloseHandle(file);
        *problem = u"is larger than 64 MB.";
        return false;
    }
    if (read) {
        bytes->resize(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (read && done < bytes->size()) {
            DWORD got = 0;
            read = ReadFile(file, bytes->data() + done, static_cast<DWORD>(bytes->size() - done), &got, nullptr) != 0 &&
                   got != 0;
            done += got;
        }
    }
    CloseHandle(file);
    if (!read) *problem = u"cannot be read.";
    return read;
}

// Writes export's file whole in place of what it held; a file that could
// not be written whole is not left behind.
bool WriteWhole(const std::u16string& path, const std::vector<std::uint8_t>& bytes, std::u16string* problem) {
    const std::wstring wide = Wide(path);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *problem = u"cannot be written.";
        return false;
    }
    bool written = true;
    for (std::size_t done = 0; written && done < bytes.size();) {
        DWORD put = 0;
        written = WriteFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &put, nullptr) != 0 &&
                  put != 0;
        done += put;
    }
    written = CloseHandle(file) != 0 && written;
    if (!written) {
        DeleteFileW(wide.c_str());
        *problem = u"could not be written whole.";
    }
    return written;
}

keyloomc::Outcome Ask(channel::Request request, const std::u16string& fileName) {
    using keyloomc::Delivery;
    // Keyloom's main window by its own class: a title proves nothing.
    HWND keyloom = FindWindowA(kMainWindowClass, nullptr);
    if (keyloom == nullptr)
        return keyloomc::Conclude(request, Delivery::NoKeyloom, channel::Status::Failed, nullptr, fileName);
    HWND answerWindow = MakeAnswerWindow(GetModuleHandleA(nullptr));
    if (answerWindow == nullptr)
        return keyloomc::Conclude(request, Delivery::NoAnswer, channel::Status::Failed, nullptr, fileName);
    request.answerWindow = reinterpret_cast<std::uintptr_t>(answerWindow);
    const auto send = [&](const channel::Request& block, UINT timeout, channel::Status* status) {
        std::vector<std::uint8_t> bytes = channel::EncodeRequest(block);
        COPYDATASTRUCT data{channel::kCopyDataTag, static_cast<DWORD>(bytes.size()), bytes.data()};
        DWORD_PTR result = 0;
        // Not SMTO_BLOCK: the answer block is sent to this thread while it waits.
        return SendMessageTimeoutA(keyloom, WM_COPYDATA, reinterpret_cast<WPARAM>(answerWindow),
                                   reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, timeout, &result) != 0 &&
               channel::StatusFromResult(static_cast<std::intptr_t>(result), status);
    };
    channel::Status status = channel::Status::Ok;
    bool delivered = true;
    if (request.command == channel::Command::Import) {
        // The file goes in pieces; the Import that follows carries none.
        channel::Request piece;
        piece.command = channel::Command::ImportPiece;
        piece.answerWindow = request.answerWindow;
        for (std::size_t sequence = 0;
             delivered && status == channel::Status::Ok && sequence < channel::PieceCount(request.payload.size());
             ++sequence) {
            piece.payload = channel::PiecePayload(request.payload, sequence);
            delivered = send(piece, kRequestTimeout, &status);
        }
        request.payload.clear();
        request.payload.shrink_to_fit();
    }
    const bool carriesFile = request.command == channel::Command::Export || request.command == channel::Command::Import;
    keyloomc::Outcome outcome;
    if (delivered && status == channel::Status::Ok)
        delivered = send(request, carriesFile ? kFileRequestTimeout : kRequestTimeout, &status);
    if (!delivered) {
        // A window that went away meanwhile was a Keyloom that ended.
        outcome = keyloomc::Conclude(request, IsWindow(keyloom) ? Delivery::NoAnswer : Delivery::NoKeyloom, status,
                                     nullptr, fileName);
    } else {
        // A piece refused (Malformed, Busy) is concluded as the Import would be.
        outcome = keyloomc::Conclude(request, Delivery::Answered, status, received.got ? &received.answer : nullptr,
                                     fileName);
    }
    DestroyWindow(answerWindow);
    return outcome;
}

}  // namespace

int main() {
    keyloomc::Invocation invocation;
    std::u16string error;
    if (!keyloomc::ParseArguments(Arguments(), &invocation, &error)) {
        Write(STD_ERROR_HANDLE, u"keyloomc: " + error + u"\n" + keyloomc::UsageText());
        return keyloomc::kUsage;
    }
    if (invocation.help) {
        Write(STD_OUTPUT_HANDLE, keyloomc::UsageText());
        return keyloomc::kOk;
    }
    if (invocation.request.command == channel::Command::Import) {
        std::u16string problem;
        if (!ReadWhole(invocation.file, &invocation.request.payload, &problem)) {
            const keyloomc::Outcome refused = keyloomc::FileProblem(channel::Command::Import, invocation.file, problem);
            Write(STD_ERROR_HANDLE, u"keyloomc: " + refused.err);
            return refused.exitCode;
        }
    }
    keyloomc::Outcome outcome = Ask(std::move(invocation.request), invocation.file);
    if (!outcome.exported.empty()) {
        std::u16string problem;
        if (!WriteWhole(invocation.file, outcome.exported, &problem))
            outcome = keyloomc::FileProblem(channel::Command::Export, invocation.file, problem);
    }
    Write(STD_OUTPUT_HANDLE, outcome.out);
    if (!outcome.err.empty()) Write(STD_ERROR_HANDLE, u"keyloomc: " + outcome.err);
    return outcome.exitCode;
}
