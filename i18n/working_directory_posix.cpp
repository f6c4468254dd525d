#include <QFile>

#include <unistd.h>

#include <array>

#include "working_directory.h"

namespace norvik {
namespace {

// A directory that fits the code-unit buffer takes at most three bytes of the file system's
// encoding per code unit; with room to spare, anything getcwd cannot fit is too long anyway.
constexpr std::size_t kDirectoryByteBufferLength = 4 * kWorkingDirectoryBufferLength;

}  // namespace

std::optional<QString> CurrentWorkingDirectory() {
    std::array<char, kDirectoryByteBufferLength> bytes;
    if (getcwd(bytes.data(), bytes.size()) == nullptr) {
        return std::nullopt;
    }
    QString directory = QFile::decodeName(bytes.data());
    if (directory.isEmpty() || directory.size() >= kWorkingDirectoryBufferLength) {
        return std::nullopt;
    }
    return directory;
}

}  // namespace norvik
