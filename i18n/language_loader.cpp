#include "language_loader.h"

#include <algorithm>
#include <array>
#include <optional>

#include "language_file.h"
#include "utf.h"
#include "working_directory.h"

namespace norvik {
namespace {

// What a lookup gave, as the text an entry may take: up to the first null (a file may hold
// one), without a high surrogate whose partner the length limit cut off.
std::u16string_view UsableText(std::u16string_view value) {
    value = value.substr(0, value.find(u'\0'));
    if (!value.empty() && IsHighSurrogate(value.back())) {
        value.remove_suffix(1);
    }
    return value;
}

}  // namespace

LanguageLoader::LanguageLoader(UiStringTable& table) : table_(table) {}

bool LanguageLoader::ApplyLanguage() {
    const std::optional<std::u16string> directory = CurrentWorkingDirectory();
    if (!directory) {
        return false;
    }
    const std::optional<LanguageFile> file =
        LanguageFile::Open(PathInDirectory(*directory, kLanguageFileName));
    if (!file) {
        return false;
    }
    for (UiStringEntry& entry : table_.Entries()) {
        TranslateEntry(entry, *file);
    }
    return true;
}

void LanguageLoader::TranslateEntry(UiStringEntry& entry, const LanguageFile& file) {
    // From the default, not the current text, so a key never depends on a translation.
    const std::u16string key = entry.replace_spaces() ? SpacesToUnderscores(entry.default_text())
                                                      : std::u16string(entry.default_text());
    std::array<char16_t, kLanguageValueBufferLength> buffer{};
    const std::size_t count = file.GetString(kLanguageSection, key, entry.text(), buffer);
    if (count == 0) {
        return;  // an empty value: the entry stays as it is
    }
    const std::u16string_view value = UsableText(
        std::u16string_view(buffer.data(), std::min(count, kLanguageValueBufferLength - 1)));
    if (!value.empty()) {
        entry.text_ = value;
    }
}

std::u16string LanguageLoader::SpacesToUnderscores(std::u16string_view text) {
    std::u16string key(text);
    std::ranges::replace(key, u' ', u'_');
    return key;
}

}  // namespace norvik
