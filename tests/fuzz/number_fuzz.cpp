// The number fields' reader against a plain reference of the same rules.
#include <string>

#include "editor/property_dialogs.h"
#include "fuzz_input.h"

namespace {

bool Reference(const std::string& whole, NumberKind kind, long double* value) {
    if (whole.size() > 31) return false;
    const std::string& text = whole;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const std::size_t first = i;
    int sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (kind == NumberKind::Unsigned) return false;
        if (text[i] == '-') sign = -1;
        ++i;
    }
    long double number = 0;
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        number = number * 10 + (text[i] - '0');
        digits = true;
        ++i;
    }
    if (number == 0 && (first >= text.size() || text[first] != '0')) return false;
    if (!digits) return false;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i != text.size()) return false;
    number *= sign;
    if (kind == NumberKind::Signed ? (number < -2147483648.0L || number > 2147483647.0L) : number > 4294967295.0L)
        return false;
    *value = number;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (NumberKind kind : {NumberKind::Signed, NumberKind::Unsigned}) {
        std::int64_t value = 0;
        long double expected = 0;
        const bool read = ParseNumber(text, kind, &value);
        if (read != Reference(text, kind, &expected)) __builtin_trap();
        if (read && static_cast<long double>(value) != expected) __builtin_trap();
    }
    return 0;
}
