#include "ui_string_table.h"

#include <gtest/gtest.h>

#include <set>

#include "language_loader.h"
#include "utf.h"

namespace norvik {
namespace {

// The texts themselves are held to the shipped template (sample_language_files_test.cpp).
TEST(UiStringTable, EntriesSitAtTheirIdAndHaveUniqueKeys) {
    const UiStringTable table;
    std::set<std::u16string> keys;
    for (std::size_t i = 0; i < kUiStringCount; ++i) {
        const UiStringEntry& entry = table.Entries()[i];
        SCOPED_TRACE(Utf16ToUtf8(entry.default_text()));
        const auto id = static_cast<UiStringId>(i);
        EXPECT_EQ(entry.id(), id);
        EXPECT_EQ(table.Text(id), entry.default_text());
        // The flag is set exactly when the default has a space to replace.
        EXPECT_EQ(entry.replace_spaces(),
                  entry.default_text().find(u' ') != std::u16string_view::npos);
        std::u16string key = LanguageLoader::SpacesToUnderscores(entry.default_text());
        for (char16_t& c : key) {
            c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
        }
        keys.insert(key);
    }
    // The file's keys ignore letter case, so one line changes exactly one entry.
    EXPECT_EQ(keys.size(), kUiStringCount);
}

}  // namespace
}  // namespace norvik
