// The table of texts the window shows, and the language files shipped in res/: the template
// translators start from, and the translations.
#include <gtest/gtest.h>

#include <array>
#include <set>

#include "ini_reader.h"
#include "language_loader.h"
#include "test_files.h"
#include "ui_string_table.h"
#include "utf.h"

namespace norvik {
namespace {

// The texts themselves are held to the shipped template below.
TEST(UiStringTable, EntriesSitAtTheirIdAndHaveUniqueKeys) {
    const UiStringTable table;
    ASSERT_EQ(table.Entries().size(), kUiStringCount);
    std::set<std::u16string> keys;
    for (std::size_t i = 0; i < kUiStringCount; ++i) {
        const UiStringEntry& entry = table.Entries()[i];
        SCOPED_TRACE(Utf16ToUtf8(entry.default_text()));
        const auto id = static_cast<UiStringId>(i);
        EXPECT_EQ(entry.id(), id);
        EXPECT_EQ(&table.Entry(id), &entry);
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

// UTF-16LE with its byte-order mark, which every platform's reader takes for what it is.
test::FileBytes ReadShippedFile(const char* name) {
    const test::FileBytes file = test::ReadFile(std::filesystem::path(NORVIK_RES_DIR) / name);
    EXPECT_TRUE(file.size() >= 2 && file[0] == std::byte{0xFF} && file[1] == std::byte{0xFE});
    return file;
}

TEST(SampleLanguageFiles, TemplateHoldsEveryKeyWithItsEnglishDefault) {
    const test::FileBytes file = ReadShippedFile("Language.ini");
    const UiStringTable defaults;
    for (const UiStringEntry& entry : defaults.Entries()) {
        const std::u16string key = LanguageLoader::SpacesToUnderscores(entry.default_text());
        std::array<char16_t, kLanguageValueBufferLength> buffer;
        const std::size_t count = ReadIniString(file, kLanguageSection, key, u"<missing>", buffer);
        EXPECT_EQ(std::u16string_view(buffer.data(), count), entry.default_text());
    }
}

TEST(SampleLanguageFiles, TraditionalChineseTranslatesEveryEntry) {
    test::TemporaryDirectory directory;
    test::WriteFile(directory / "Language.ini", ReadShippedFile("zh_TW/Language.ini"));
    test::ScopedWorkingDirectory working_directory(directory.path());
    UiStringTable table;
    ASSERT_TRUE(LanguageLoader(table).ApplyLanguage());
    for (const UiStringEntry& entry : table.Entries()) {
        SCOPED_TRACE(Utf16ToUtf8(entry.default_text()));
        EXPECT_NE(entry.text(), entry.default_text());
        EXPECT_FALSE(entry.text().empty());
    }
    EXPECT_EQ(table.Text(UiStringId::Exit), u"結束");
}

}  // namespace
}  // namespace norvik
