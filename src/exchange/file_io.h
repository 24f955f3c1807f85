// The exchange file on disk, read and written whole by the program that
// the user runs (Keyloom for its own dialogs, keyloomc for a script), with
// that program's rights.
#pragma once

#include <string>
#include <string_view>

namespace exchange {

// Reads the whole file; a file larger than kMaxFileBytes is refused before
// any of it is read. On a refusal, `problem` follows the file's name ("is
// larger than 64 MB.", "cannot be read.").
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* problem);
// Writes `bytes` as the whole file, in place of what it held.
bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string* problem);

}  // namespace exchange
