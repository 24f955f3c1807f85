#include "common/command_channel.h"

#include <algorithm>
#include <cstring>

namespace channel {
namespace {

void Put(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t Get(const std::uint8_t* at, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

bool Known(std::uint16_t code) { return code >= 1 && code <= 6; }

}  // namespace

std::size_t LimitFor(Command command) {
    if (command == Command::Import) return kRequestHeader + kFileLimit;
    if (command == Command::ImportPiece) return kRequestHeader + kPieceHeader + kPieceLimit;
    return kSmallLimit;
}

bool NeedsName(Command command) { return command == Command::Run; }

bool TakesPayload(Command command) { return command == Command::Import || command == Command::ImportPiece; }

bool StatusFromResult(std::intptr_t result, Status* status) {
    if ((result & ~static_cast<std::intptr_t>(0xFFFF)) != kHandledTag) return false;
    *status = static_cast<Status>(result & 0xFFFF);
    return true;
}

std::vector<std::uint8_t> EncodeRequest(const Request& request) {
    std::vector<std::uint8_t> out;
    out.reserve(kRequestHeader + request.name.size() * 2 + request.payload.size());
    Put(out, kMagic, 4);
    Put(out, kVersion, 2);
    Put(out, static_cast<std::uint16_t>(request.command), 2);
    Put(out, request.answerWindow, 8);
    Put(out, request.name.size(), 4);
    Put(out, request.payload.size(), 4);
    for (char16_t unit : request.name) Put(out, unit, 2);
    out.insert(out.end(), request.payload.begin(), request.payload.end());
    return out;
}

RequestFault ParseRequest(const void* data, std::size_t size, Request* out) {
    if (data == nullptr || size < kRequestHeader) return RequestFault::Size;
    const auto* at = static_cast<const std::uint8_t*>(data);
    if (Get(at, 4) != kMagic || Get(at + 4, 2) != kVersion) return RequestFault::Magic;
    const auto code = static_cast<std::uint16_t>(Get(at + 6, 2));
    if (!Known(code)) return RequestFault::UnknownCommand;
    const auto command = static_cast<Command>(code);
    if (size > LimitFor(command)) return RequestFault::TooLarge;
    const std::uint64_t nameUnits = Get(at + 16, 4);
    const std::uint64_t payloadBytes = Get(at + 20, 4);
    if (kRequestHeader + nameUnits * 2 + payloadBytes != size) return RequestFault::Size;
    if (nameUnits > kMaxName) return RequestFault::NameTooLong;
    if (NeedsName(command) && nameUnits == 0) return RequestFault::MissingName;
    if (!NeedsName(command) && command != Command::Export && nameUnits != 0) return RequestFault::BadName;
    if (!TakesPayload(command) && payloadBytes != 0) return RequestFault::Payload;
    std::u16string name;
    name.reserve(nameUnits);
    for (std::uint64_t i = 0; i < nameUnits; ++i) {
        const auto unit = static_cast<char16_t>(Get(at + kRequestHeader + 2 * i, 2));
        if (unit == u'\\' || unit == 0) return RequestFault::BadName;
        name.push_back(unit);
    }
    const std::uint8_t* payload = at + kRequestHeader + nameUnits * 2;
    out->command = command;
    out->answerWindow = Get(at + 8, 8);
    out->name = std::move(name);
    out->payload.assign(payload, payload + payloadBytes);
    return RequestFault::None;
}

std::vector<std::uint8_t> EncodeAnswer(const Answer& answer) {
    std::vector<std::uint8_t> out;
    out.reserve(kAnswerHeader + answer.payload.size());
    Put(out, kMagic, 4);
    Put(out, kVersion, 2);
    Put(out, static_cast<std::uint16_t>(answer.status), 2);
    Put(out, answer.payload.size(), 4);
    out.insert(out.end(), answer.payload.begin(), answer.payload.end());
    return out;
}

bool ParseAnswer(const void* data, std::size_t size, Answer* out) {
    if (data == nullptr || size < kAnswerHeader || size > kFileLimit + kAnswerHeader) return false;
    const auto* at = static_cast<const std::uint8_t*>(data);
    if (Get(at, 4) != kMagic || Get(at + 4, 2) != kVersion) return false;
    if (kAnswerHeader + Get(at + 8, 4) != size) return false;
    out->status = static_cast<Status>(Get(at + 6, 2));
    out->payload.assign(at + kAnswerHeader, at + size);
    return true;
}

std::vector<std::uint8_t> EncodeReport(const std::vector<ReportLine>& lines) {
    std::vector<std::uint8_t> out;
    for (const ReportLine& line : lines) {
        Put(out, static_cast<std::uint16_t>(line.kind), 2);
        Put(out, line.text.size(), 4);
        for (char16_t unit : line.text) Put(out, unit, 2);
    }
    return out;
}

bool ParseReport(const std::vector<std::uint8_t>& bytes, std::vector<ReportLine>* out) {
    std::vector<ReportLine> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 6) return false;
        const auto kind = static_cast<std::uint16_t>(Get(bytes.data() + at, 2));
        const std::uint64_t units = Get(bytes.data() + at + 2, 4);
        at += 6;
        if (kind < 1 || kind > 6 || units > (bytes.size() - at) / 2) return false;
        ReportLine line{static_cast<ReportKind>(kind), {}};
        line.text.reserve(units);
        for (std::uint64_t i = 0; i < units; ++i, at += 2)
            line.text.push_back(static_cast<char16_t>(Get(bytes.data() + at, 2)));
        lines.push_back(std::move(line));
    }
    *out = std::move(lines);
    return true;
}

std::size_t PieceCount(std::size_t size) { return size == 0 ? 1 : (size + kPieceLimit - 1) / kPieceLimit; }

std::vector<std::uint8_t> PiecePayload(const std::vector<std::uint8_t>& file, std::size_t sequence) {
    const std::size_t from = std::min(file.size(), sequence * kPieceLimit);
    const std::size_t to = std::min(file.size(), from + kPieceLimit);
    std::vector<std::uint8_t> out;
    out.reserve(kPieceHeader + (to - from));
    Put(out, sequence, 4);
    Put(out, file.size(), 4);
    out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(from), file.begin() + static_cast<std::ptrdiff_t>(to));
    return out;
}

bool ParsePiece(const std::vector<std::uint8_t>& payload, Piece* out) {
    if (payload.size() < kPieceHeader || payload.size() - kPieceHeader > kPieceLimit) return false;
    const std::uint64_t total = Get(payload.data() + 4, 4);
    if (total > kFileLimit) return false;
    out->sequence = static_cast<std::uint32_t>(Get(payload.data(), 4));
    out->total = static_cast<std::uint32_t>(total);
    out->bytes.assign(payload.begin() + kPieceHeader, payload.end());
    return true;
}

bool Assembly::Take(Piece piece) {
    if (piece.sequence == 0) {
        Clear();
        started_ = true;
        total_ = piece.total;
    } else if (!started_ || piece.sequence != next_ || piece.total != total_) {
        Clear();
        return false;
    }
    // An empty piece of a file not yet whole would only keep a caller busy.
    if (piece.bytes.size() > total_ - bytes_.size() || (piece.bytes.empty() && bytes_.size() != total_)) {
        Clear();
        return false;
    }
    bytes_.insert(bytes_.end(), piece.bytes.begin(), piece.bytes.end());
    next_ = piece.sequence + 1;
    return true;
}

std::vector<std::uint8_t> Assembly::Release() {
    std::vector<std::uint8_t> bytes = std::move(bytes_);
    Clear();
    return bytes;
}

void Assembly::Clear() {
    started_ = false;
    next_ = 0;
    total_ = 0;
    bytes_.clear();
    bytes_.shrink_to_fit();
}

}  // namespace channel
