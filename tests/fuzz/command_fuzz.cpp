// The command channel's readers (requests, answers, import reports) on any
// bytes: they never read past the block, and whatever they accept encodes
// back to the same bytes.
#include <cstring>

#include "common/command_channel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    channel::Request request;
    if (channel::ParseRequest(data, size, &request) == channel::RequestFault::None) {
        const auto again = channel::EncodeRequest(request);
        if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
        for (char16_t unit : request.name)
            if (unit == u'\\' || unit == 0) __builtin_trap();
    }
    channel::Answer answer;
    if (channel::ParseAnswer(data, size, &answer)) {
        const auto again = channel::EncodeAnswer(answer);
        if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
    }
    // An import's report: whatever parses encodes back to the same bytes.
    const std::vector<std::uint8_t> bytes(data, data + size);
    std::vector<channel::ReportLine> report;
    if (channel::ParseReport(bytes, &report) && channel::EncodeReport(report) != bytes) __builtin_trap();
    return 0;
}
