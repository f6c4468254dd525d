#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "language_file.h"
#include "utf.h"

namespace norvik {

std::optional<LanguageFile> LanguageFile::Open(const std::u16string& path) {
    // Only whether the file can be opened for reading counts; the service reads it itself.
    FILE* const file = _wfopen(ToWide(path).c_str(), L"r");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::fclose(file);
    LanguageFile language_file;
    language_file.path_ = path;
    return language_file;
}

std::size_t LanguageFile::GetString(std::u16string_view section, std::u16string_view key,
                                    std::u16string_view default_text,
                                    std::span<char16_t> buffer) const {
    if (buffer.empty()) {
        return 0;
    }
    // The service wants null-terminated strings, and writes into a wide buffer of its own.
    std::wstring value(buffer.size(), L'\0');
    const DWORD count = GetPrivateProfileStringW(
        ToWide(section).c_str(), ToWide(key).c_str(), ToWide(default_text).c_str(), value.data(),
        static_cast<DWORD>(value.size()), ToWide(path_).c_str());
    const std::size_t copied = std::min<std::size_t>(count, buffer.size() - 1);
    for (std::size_t i = 0; i < copied; ++i) {
        buffer[i] = static_cast<char16_t>(value[i]);
    }
    buffer[copied] = u'\0';
    return copied;
}

}  // namespace norvik
