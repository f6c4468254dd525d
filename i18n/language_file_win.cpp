#include "language_file.h"

// After Qt's headers, which the min and max macros of windows.h would break.
#include <windows.h>

#include <cstdio>

namespace norvik {
namespace {

const wchar_t* Wide(const QString& text) {
    return reinterpret_cast<const wchar_t*>(text.utf16());
}

}  // namespace

std::optional<LanguageFile> LanguageFile::Open(const QString& path) {
    FILE* const file = _wfopen(Wide(path), L"r");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::fclose(file);
    LanguageFile language_file;
    language_file.path_ = path;
    return language_file;
}

qsizetype LanguageFile::GetString(QStringView section, QStringView key, QStringView default_text,
                                  std::span<char16_t> buffer) const {
    // The service wants null-terminated strings.
    const QString section_text = section.toString();
    const QString key_text = key.toString();
    const QString default_value = default_text.toString();
    return static_cast<qsizetype>(GetPrivateProfileStringW(
        Wide(section_text), Wide(key_text), Wide(default_value),
        reinterpret_cast<wchar_t*>(buffer.data()), static_cast<DWORD>(buffer.size()), Wide(path_)));
}

}  // namespace norvik
