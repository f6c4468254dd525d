#include "ui_string_table.h"

#include <gtest/gtest.h>

#include <set>

#include "language_loader.h"

namespace norvik {
namespace {

// The texts themselves are held to the shipped template (sample_language_files_test.cpp).
TEST(UiStringTable, EntriesSitAtTheirIdAndHaveUniqueKeys) {
    const UiStringTable table;
    ASSERT_EQ(table.Entries().size(), kUiStringCount);
    std::set<QString> keys;
    for (std::size_t i = 0; i < kUiStringCount; ++i) {
        const UiStringEntry& entry = table.Entries()[i];
        SCOPED_TRACE(entry.default_text().toString().toStdString());
        const auto id = static_cast<UiStringId>(i);
        EXPECT_EQ(entry.id(), id);
        EXPECT_EQ(&table.Entry(id), &entry);
        EXPECT_EQ(table.Text(id), entry.default_text());
        // The flag is set exactly when the default has a space to replace.
        EXPECT_EQ(entry.replace_spaces(), entry.default_text().contains(u' '));
        keys.insert(LanguageLoader::SpacesToUnderscores(entry.default_text()).toCaseFolded());
    }
    // The file's keys ignore letter case, so one line changes exactly one entry.
    EXPECT_EQ(keys.size(), kUiStringCount);
}

}  // namespace
}  // namespace norvik
