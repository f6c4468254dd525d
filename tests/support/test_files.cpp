#include "test_files.h"

#include <fstream>
#include <iterator>
#include <random>

#ifdef _WIN32
#include <windows.h>
#endif


namespace norvik::test {

FileBytes RawBytes(std::string_view bytes) {
    FileBytes result(bytes.size());
    std::transform(bytes.begin(), bytes.end(), result.begin(),
                   [](char c) { return static_cast<std::byte>(c); });
    return result;
}

FileBytes Utf16Le(std::u16string_view text) {
    FileBytes bytes{std::byte{0xFF}, std::byte{0xFE}};
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::byte>(unit & 0xFF));
        bytes.push_back(static_cast<std::byte>(unit >> 8));
    }
    return bytes;
}

void WriteFile(const std::filesystem::path& path, const FileBytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(file) << path;
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << path;
}

FileBytes ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file) << path;
    const std::string content{std::istreambuf_iterator<char>(file),
                              std::istreambuf_iterator<char>()};
    return RawBytes(content);
}

std::string ReadText(const std::filesystem::path& path) {
    const FileBytes bytes = ReadFile(path);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string PathUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string MakeSymbolicLink(const std::filesystem::path& target,
                             const std::filesystem::path& link) {
#ifdef _WIN32
    // libstdc++ makes no links on Windows; unprivileged, as in developer mode.
    constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    if (CreateSymbolicLinkW(link.c_str(), target.c_str(), kUnprivileged) == 0) {
        return "CreateSymbolicLinkW failed with Windows error " + std::to_string(GetLastError());
    }
    // Wine 8's CreateSymbolicLinkW says yes and makes nothing.
    const DWORD attributes = GetFileAttributesW(link.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return "CreateSymbolicLinkW said it made one, but there is no reparse point at the name";
    }
    return {};
#else
    std::error_code error;
    std::filesystem::create_symlink(target, link, error);
    return error ? error.message() : std::string();
#endif
}

std::filesystem::path ProgramDirectory() {
#ifdef _WIN32
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(std::wstring(path, length)).parent_path();
#else
    return std::filesystem::canonical("/proc/self/exe").parent_path();
#endif
}

TemporaryDirectory::TemporaryDirectory() {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = base / ("norvik-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(path_)) {
            return;
        }
    }
    ADD_FAILURE() << "cannot make a temporary directory in " << base;
}

TemporaryDirectory::~TemporaryDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchAuditLog() {
    static const TemporaryDirectory directory;
    const std::u8string path = (directory / "audit.jsonl").u8string();
    return std::string(path.begin(), path.end());
}

}  // namespace norvik::test
