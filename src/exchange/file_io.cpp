#include "exchange/file_io.h"

#include <fstream>
#include <new>

#include "exchange/exchange_file.h"

namespace exchange {

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* problem) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *problem = "cannot be opened.";
        return false;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0) {
        *problem = "cannot be read.";
        return false;
    }
    if (static_cast<unsigned long long>(size) > kMaxFileBytes) {
        *problem = kTooLarge;
        return false;
    }
    file.seekg(0, std::ios::beg);
    std::string read;
    try {
        read.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        *problem = "cannot be read: there is not enough memory.";
        return false;
    }
    if (!file.read(read.data(), size) || file.gcount() != size) {
        *problem = "cannot be read.";
        return false;
    }
    // A file that grew since its size was taken is not read in part.
    if (file.peek() != std::char_traits<char>::eof()) {
        *problem = "changed while it was read.";
        return false;
    }
    *bytes = std::move(read);
    return true;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes, std::string* problem) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        *problem = "cannot be written.";
        return false;
    }
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        *problem = "could not be written whole.";
        return false;
    }
    return true;
}

}  // namespace exchange
