// TYPE TEXT through the runner: a stored text of 10,000 characters typed
// into a window of this program, beside a bare loop of the same SendInput
// batches in the same run. The window counts the characters it receives,
// so that each round is known to have arrived whole.
#include "runner_bench.h"

#include <windows.h>

#include <vector>

#include "drain_win32.h"
#include "exec/message_wait.h"
#include "input/unicode_text.h"

namespace {

long long received = 0;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) {
        ++received;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}


// What the main window's loop does between two batches: serve its own
// queue. The target window is on this thread, whereas Keyloom types into
// another program: the target's input is left to Drain, as it would not be
// in Keyloom's queue.
bool ServeOwnQueue() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE)) {
        if (message.message == WM_QUIT) return false;
        DispatchMessageW(&message);
    }
    return true;
}

// Mixed text: Latin, accents, a dash, CJK, an emoji (two units), a tab,
// and a line break every 60 characters.
std::u16string BenchText(int characters) {
    const std::u16string pattern[] = {u"G", u"r",      u"\u00fc", u"\u00df", u"e",         u" ", u"\u2013", u" ",
                                      u"\u65e5", u"\u672c", u"\u8a9e", u" ", u"\U0001F642", u" ", u"t",      u"\t"};
    std::u16string text;
    for (int n = 0; n < characters; ++n)
        text += n % 60 == 59 ? u"\r\n" : pattern[static_cast<std::size_t>(n) % std::size(pattern)];
    return text;
}

// What a window receives: a WM_CHAR for each unit, one for a line break's
// Enter.
long long CharMessagesOf(const std::u16string& text) {
    long long count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        ++count;
    }
    return count;
}

}  // namespace

int main() {
    const int characters = bench::Quick() ? 1000 : 10000;
    const int rounds = bench::Quick() ? 1 : 9;
    const std::string name = "Keyloom benchmark typed text";
    isWindowsNt = true;
    if (!RegistryStore::EnsureStoreTree()) return 1;
    const std::u16string text = BenchText(characters);
    const std::string instruction = layout::InstructionPath(name, 0);
    RegistryStore::CreateMacroKey(name);
    RegistryStore::CreateMacroKey(layout::CommandsPath(name));
    RegistryStore::CreateMacroKey(instruction);
    RegistryStore::WriteDword(kind::TypeText, layout::MacroStorePath(instruction), layout::kId);
    RegistryStore::WriteMacroText(text, instruction, layout::NameOf(layout::Field::Text));

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = TargetProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"KeyloomTypedTextTarget";
    RegisterClassW(&windowClass);
    HWND target = CreateWindowExW(0, windowClass.lpszClassName, L"Keyloom typed text target",
                                  WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(target);
    SetFocus(target);
    bench::Drain();

    // The batches the runner sends, made once for the bare loop.
    std::vector<input::TextBatch> batches;
    std::vector<UINT> counts;
    input::TextBatch batch;
    std::size_t at = 0;
    while (const UINT count = input::NextTextBatch(text, &at, &batch)) {
        batches.push_back(batch);
        counts.push_back(count);
    }
    const auto bare = [&] {
        for (std::size_t i = 0; i < batches.size(); ++i)
            SendInput(counts[i], reinterpret_cast<INPUT*>(batches[i].data()), sizeof(INPUT));
    };

    bench::NoRows macros, recordings;
    MainDialog dialog(nullptr, macros, recordings);
    const long long expected = CharMessagesOf(text);
    // The runner serves messages between batches, as in Keyloom.
    exec::SetMessagePump(&ServeOwnQueue);
    std::vector<double> runner, floor, ratios;
    long long short_rounds = 0;
    // Each part's characters are counted once the window has served them.
    const auto timed = [&](auto&& body, std::vector<double>* times) {
        bench::Drain();
        received = 0;
        times->push_back(bench::Time(body));
        bench::Drain();
        if (received != expected) ++short_rounds;
    };
    for (int round = 0; round < rounds; ++round) {
        bench::StartRun(dialog, name);
        // The two in turn first, so that both meet the same load.
        if (round % 2 == 1) timed(bare, &floor);
        timed([&] { dialog.OnRunMacro(); }, &runner);
        if (round % 2 == 0) timed(bare, &floor);
        ratios.push_back(runner.back() / floor.back());
    }
    const double perCharacter = bench::Median(runner) / characters * 1e6;
    std::printf("TYPE TEXT (%d rounds): %d characters, %zu UTF-16 units, %zu SendInput batches\n", rounds, characters,
                text.size(), batches.size());
    std::printf("  runner:    %9.1f ms  (%.1f us a character, median)\n", bench::Median(runner) * 1e3, perCharacter);
    std::printf("  bare loop: %9.1f ms  (median)\n", bench::Median(floor) * 1e3);
    std::printf("  rounds where the window did not receive all %lld WM_CHAR: %lld of %d\n", expected, short_rounds,
                2 * rounds);
    std::printf("BENCH\tTYPE TEXT, %d characters into a window\t%.1f ms\t-\n", characters, bench::Median(runner) * 1e3);
    std::printf("BENCH\tits floor: the same SendInput batches, bare\t%.1f ms\t-\n", bench::Median(floor) * 1e3);
    bench::Goal("TYPE TEXT over the bare batches", bench::Format("%.2fx", bench::Median(ratios)), "at most 1.2x",
                bench::Median(ratios) <= 1.2);
    exec::SetMessagePump(nullptr);
    DestroyWindow(target);
    RegistryStore::DeleteKeyTree(layout::MacroFullPath(name));
    return short_rounds == 0 ? 0 : 1;
}
