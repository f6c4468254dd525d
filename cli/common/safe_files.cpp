#include "safe_files.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace norvik::cli {

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max_bytes,
                                         std::string& error) {
    const std::filesystem::path name(std::u8string(path.begin(), path.end()));
    // A folder opens as a file would, and then only its read fails, which says nothing.
    std::error_code code;
    if (std::filesystem::is_directory(name, code)) {
        error = "it is a directory, not a regular file";
        return std::nullopt;
    }
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        error = "cannot open it";
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > max_bytes) {
            error = "it is larger than " + std::to_string(max_bytes >> 20) + " MiB";
            return std::nullopt;
        }
    }
    if (in.bad()) {
        error = "reading it failed";
        return std::nullopt;
    }
    return bytes;
}

std::string TemporaryFileFor(const std::string& path, std::uint64_t random) {
    // Both separators: Windows takes either. A POSIX name may hold a backslash; cutting there
    // still leaves the temporary file in the same directory, under a name of its own.
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
    constexpr std::string_view kLetters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string suffix;
    for (int i = 0; i < 10; ++i) {
        suffix += kLetters[random % kLetters.size()];
        random /= kLetters.size();
    }
    return path.substr(0, name_start) + "." + path.substr(name_start) + "." + suffix + ".tmp";
}

std::string TemporaryFileFor(const std::string& path) {
    // Unpredictable, so that nobody can plant a link or a FIFO at the name beforehand; the
    // exclusive creation is what keeps us safe if somebody guesses it all the same.
    std::random_device device;
    const std::uint64_t random = (std::uint64_t{device()} << 32) ^ device();
    return TemporaryFileFor(path, random);
}

}  // namespace norvik::cli
