#include "language_choice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "safe_files.h"

namespace norvik::launcher {
namespace {

// A shipped translation is a few kilobytes; anything far larger is not one.
constexpr std::size_t kMaxLanguageFile = 64 * 1024;

}  // namespace

std::optional<std::filesystem::path> WindowFolder(const char* xdg_config_home, const char* home) {
    // As the desktop's base directories have it: a relative XDG_CONFIG_HOME is ignored.
    if (xdg_config_home != nullptr && xdg_config_home[0] == '/') {
        return std::filesystem::path(xdg_config_home) / "norvik";
    }
    if (home != nullptr && home[0] == '/') {
        return std::filesystem::path(home) / ".config" / "norvik";
    }
    return std::nullopt;
}

std::vector<std::string> AvailableLanguages(const std::filesystem::path& languages) {
    std::vector<std::string> codes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(languages, error)) {
        if (std::filesystem::is_regular_file(entry.path() / "Language.ini", error)) {
            codes.push_back(entry.path().filename().string());
        }
    }
    std::sort(codes.begin(), codes.end());
    codes.insert(codes.begin(), "en");
    return codes;
}

std::string MakeWindowFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    // mkdir neither follows a link nor changes what is there.
    if (!error && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error.assign(errno, std::generic_category());
    }
    return error ? "cannot make " + folder.string() + ": " + error.message() : std::string();
}

std::string ChooseLanguage(const std::filesystem::path& folder,
                           const std::filesystem::path& languages, std::string_view code) {
    const auto codes = AvailableLanguages(languages);
    if (std::find(codes.begin(), codes.end(), code) == codes.end()) {
        std::string known;
        for (const std::string& each : codes) {
            known += (known.empty() ? "" : ", ") + each;
        }
        return "no language '" + std::string(code) + "'; there are: " + known;
    }
    if (std::string why = MakeWindowFolder(folder); !why.empty()) {
        return why;
    }
    const std::string target = (folder / "Language.ini").string();
    struct stat there {};
    const bool exists = ::lstat(target.c_str(), &there) == 0;
    if (exists && !S_ISREG(there.st_mode)) {
        return target + " is not a regular file; it is left as it is";
    }
    if (code == "en") {
        if (exists && ::unlink(target.c_str()) != 0) {
            return "cannot remove " + target + ": " + std::strerror(errno);
        }
        return {};
    }
    std::string why;
    const auto contents = cli::ReadWholeFile(
        (languages / std::string(code) / "Language.ini").string(), kMaxLanguageFile, why);
    if (!contents) {
        return why;
    }
    if (!cli::ReplaceFileContents(target, *contents, why)) {
        return why;
    }
    return {};
}

}  // namespace norvik::launcher
