#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <vector>

#include "ini_reader.h"
#include "ini_text_decoder.h"
#include "language_file.h"
#include "utf.h"

namespace norvik {
namespace {

// Far beyond any real language file; a bigger one counts as unreadable, so neither a huge
// file nor an endless device can exhaust memory.
constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;
constexpr std::size_t kReadChunkBytes = 64 * 1024;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return fd_; }

private:
    int fd_;
};

// The whole content of a regular file of at most kMaxFileBytes. Not blocking on a FIFO is why
// it opens non-blocking and insists on a regular file.
std::optional<std::vector<std::byte>> ReadRegularFile(const std::u16string& path) {
    const FileDescriptor file(open(Utf16ToUtf8(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (file.get() < 0 || fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    std::vector<std::byte> bytes;
    const auto expected_size = static_cast<std::size_t>(std::max<off_t>(status.st_size, 0));
    bytes.reserve(std::min(expected_size, kMaxFileBytes) + kReadChunkBytes);
    // The size may change while it is read, so the loop, not st_size, sets the end.
    while (bytes.size() <= kMaxFileBytes) {
        const std::size_t old_size = bytes.size();
        bytes.resize(old_size + kReadChunkBytes);
        const ssize_t got = read(file.get(), bytes.data() + old_size, kReadChunkBytes);
        if (got < 0 && errno == EINTR) {
            bytes.resize(old_size);
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        bytes.resize(old_size + static_cast<std::size_t>(got));
        if (got == 0) {
            return bytes;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<LanguageFile> LanguageFile::Open(const std::u16string& path) {
    const std::optional<std::vector<std::byte>> bytes = ReadRegularFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    LanguageFile file;
    file.text_ = DecodeIniText(*bytes);
    return file;
}

std::size_t LanguageFile::GetString(std::u16string_view section, std::u16string_view key,
                                   std::u16string_view default_text,
                                   std::span<char16_t> buffer) const {
    return LookupIniString(text_, section, key, default_text, buffer);
}

}  // namespace norvik
