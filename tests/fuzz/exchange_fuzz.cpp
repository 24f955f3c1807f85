// Import over any bytes: a refused file writes nothing and changes nothing;
// an accepted one imports (clashes kept beside, to write as much as can be)
// writes every macro; no key is left open; and what the reader took, the
// writer writes back the same.
#include "exchange/exchange_file.h"
#include "exchange/exchange_store.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FreshFakeStore();
    // One macro and one recording already there, for the clashes.
    fake::SetDword("Software\\Tallow Labs\\Keyloom\\Macros\\Base", "vk", 'B');
    fake::SetDword("Software\\Tallow Labs\\Keyloom\\Macros\\Base", "fsModifiers", 2);
    fake::CreateKey("Software\\Tallow Labs\\Keyloom\\Journals\\Take");
    const win::HWND window = fake::AddWindow("Keyloom");
    const auto before = fake::Tree("Software\\Tallow Labs\\Keyloom");
    const int calls = fake::RegistryCalls();

    exchange::FileData file;
    std::string problem;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!exchange::ReadFile(bytes, &file, &problem)) {
        if (problem.empty() || fake::RegistryCalls() != calls || fake::Tree("Software\\Tallow Labs\\Keyloom") != before)
            __builtin_trap();
        return 0;
    }
    exchange::ImportPlan plan = exchange::PlanImport(file);
    for (auto* items : {&plan.macros, &plan.recordings})
        for (auto& item : *items) item.choice = exchange::Choice::KeepBoth;
    const exchange::ImportOutcome outcome = exchange::ApplyImport(plan, window);
    if (outcome.failed) __builtin_trap();  // no fault was injected
    if (!outcome.refused && outcome.macros.size() != file.macros.size()) __builtin_trap();
    if (fake::OpenKeyCount() != 0) __builtin_trap();
    // The writer and the reader agree: the file written from what was read
    // reads back the same.
    exchange::FileData back;
    if (!exchange::ReadFile(exchange::WriteFile(file), &back, &problem) || !(back == file)) __builtin_trap();
    return 0;
}
