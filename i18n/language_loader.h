#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ui_string_table.h"

namespace norvik {

class LanguageFile;

// The language file: Language.ini in the current working directory, with the texts in its
// [LANGUAGE] section under the keys of the table's entries.
inline constexpr std::u16string_view kLanguageFileName = u"Language.ini";
inline constexpr std::u16string_view kLanguageSection = u"LANGUAGE";
// A value is read into this many code units, the terminator included.
inline constexpr std::size_t kLanguageValueBufferLength = 300;

// Applies the language file, once, while the main dialog initialises: every entry of the
// table for which the file has a non-empty text takes it. Who shows which entry is the
// dialog's business.
class LanguageLoader {
public:
    // Works on the program's table unless given another.
    explicit LanguageLoader(UiStringTable& table = ProcessUiStringTable());

    // Without a readable language file (or a usable working directory) nothing changes, and
    // the answer is false.
    bool ApplyLanguage();
    // An entry's key: its default text, spaces turned into underscores where the entry says.
    static std::u16string SpacesToUnderscores(std::u16string_view text);

private:
    static void TranslateEntry(UiStringEntry& entry, const LanguageFile& file);

    UiStringTable& table_;
};

}  // namespace norvik
