// The language files shipped in res/: the template translators start from, and the
// translations.
#include <gtest/gtest.h>

#include <array>

#include "ini_reader.h"
#include "language_loader.h"
#include "test_files.h"
#include "utf.h"

namespace norvik {
namespace {

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
