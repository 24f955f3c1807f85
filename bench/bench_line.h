// The lines through which a benchmark hands its figures to scripts/bench.sh:
//   BENCH<TAB>what is measured<TAB>the figure<TAB>its goal<TAB>met or missed
// A figure without a goal has "-" for it and no verdict. The benchmark that
// measured a figure judges it against its goal; bench.sh marks a miss in
// its table and, on a full run, exits non-zero for it.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

namespace bench {

inline std::string Format(const char* format, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

inline void Figure(const std::string& what, const std::string& figure) {
    std::printf("BENCH\t%s\t%s\t-\n", what.c_str(), figure.c_str());
}

inline void Goal(const std::string& what, const std::string& figure, const std::string& goal, bool met) {
    std::printf("BENCH\t%s\t%s\t%s\t%s\n", what.c_str(), figure.c_str(), goal.c_str(), met ? "met" : "missed");
}

}  // namespace bench
