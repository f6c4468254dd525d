#include <unistd.h>

#include <array>

#include "utf.h"
#include "working_directory.h"

namespace norvik {
namespace {

// A directory that fits the code-unit buffer takes at most three bytes of UTF-8 per code
// unit; with room to spare, anything getcwd cannot fit is too long anyway.
constexpr std::size_t kDirectoryByteBufferLength = 4 * kWorkingDirectoryBufferLength;

}  // namespace

std::optional<std::u16string> CurrentWorkingDirectory() {
    std::array<char, kDirectoryByteBufferLength> bytes;
    if (getcwd(bytes.data(), bytes.size()) == nullptr) {
        return std::nullopt;
    }
    // File names are UTF-8 here.
    std::u16string directory = Utf8ToUtf16(bytes.data());
    if (directory.empty() || directory.size() >= kWorkingDirectoryBufferLength) {
        return std::nullopt;
    }
    return directory;
}

}  // namespace norvik
