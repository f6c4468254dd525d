#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dialog_texts.h"
#include "ui_string_table.h"

namespace norvik {

class LanguageFile;

// The language file: Language.ini in the current working directory, with the texts in its
// [LANGUAGE] section under the keys of the table's entries.
inline constexpr std::u16string_view kLanguageFileName = u"Language.ini";
inline constexpr std::u16string_view kLanguageSection = u"LANGUAGE";
// A value is read into this many code units, the terminator included.
inline constexpr std::size_t kLanguageValueBufferLength = 300;

// Applies the language file, once, while the main dialog initialises: translates the table
// and writes the texts into the dialog's labels, buttons and instructions text. The list
// headings and Submit's question are read from the table later by their owners.
class LanguageLoader {
public:
    // Works on the program's table unless given another.
    explicit LanguageLoader(DialogTexts* dialog, UiStringTable& table = ProcessUiStringTable());

    // Without a readable language file (or a usable working directory) nothing changes.
    void ApplyLanguage();
    // Replaces the entry's text with the language file's value for its key, if it has a
    // non-empty one. The key is the entry's default text, spaces turned into underscores when
    // replace_spaces is set.
    void TranslateEntry(UiStringEntry& entry, bool replace_spaces);
    static std::u16string SpacesToUnderscores(std::u16string_view text);

    std::u16string path;  // the language file's full path; empty until ApplyLanguage runs
    DialogTexts* dialog;  // not owned

private:
    static void TranslateEntry(UiStringEntry& entry, bool replace_spaces, const LanguageFile& file);
    void SetControlTexts() const;

    UiStringTable& table_;
};

}  // namespace norvik
