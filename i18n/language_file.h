#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace norvik {

// An initialisation-format file, opened once and then asked for values (see ini_reader.h for
// its rules). On Windows the platform's own service reads it.
class LanguageFile {
public:
    // Nothing when the file does not exist or cannot be read.
    static std::optional<LanguageFile> Open(const std::u16string& path);

    // As LookupIniString over the file's text: the value or default_text, cut to
    // buffer.size() - 1 code units and null-terminated; returns the count without terminator.
    std::size_t GetString(std::u16string_view section, std::u16string_view key,
                          std::u16string_view default_text, std::span<char16_t> buffer) const;

private:
    LanguageFile() = default;

#ifdef _WIN32
    std::u16string path_;
#else
    std::u16string text_;
#endif
};

}  // namespace norvik
