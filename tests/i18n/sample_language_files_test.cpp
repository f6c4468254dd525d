// The language files shipped in res/: the template translators start from, and the
// translations.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "ini_reader.h"
#include "ini_text_decoder.h"
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

std::vector<std::filesystem::path> Translations() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(NORVIK_RES_DIR)) {
        if (std::filesystem::exists(entry.path() / "Language.ini")) {
            files.push_back(entry.path().filename() / "Language.ini");
        }
    }
    return files;
}

// The keys of the file's language section, in the file's order.
std::vector<std::u16string> KeysOf(const test::FileBytes& file) {
    std::vector<std::u16string> keys;
    bool in_section = false;
    const std::u16string text = DecodeIniText(file);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of(u"\r\n", start);
        end = end == std::u16string::npos ? text.size() : end;
        const std::u16string_view line(text.data() + start, end - start);
        start = end + 1;
        if (line.starts_with(u"[")) {
            in_section = line.starts_with(u"[LANGUAGE]");
        } else if (in_section && !line.empty() && !line.starts_with(u";")) {
            keys.emplace_back(line.substr(0, line.find(u'=')));
        }
    }
    return keys;
}

// Every translation shipped: each key of the string table with a text of its own, no key the
// table does not know (a misspelt key would leave its control in English), none twice.
TEST(SampleLanguageFiles, EveryTranslationHoldsEveryKeyAndNothingElse) {
    const auto files = Translations();
    ASSERT_GE(files.size(), 6U);
    const UiStringTable defaults;
    std::vector<std::u16string> known;
    for (const UiStringEntry& entry : defaults.Entries()) {
        known.push_back(LanguageLoader::SpacesToUnderscores(entry.default_text()));
    }
    for (const auto& name : files) {
        SCOPED_TRACE(name.string());
        const test::FileBytes file = ReadShippedFile(name.string().c_str());
        std::vector<std::u16string> keys = KeysOf(file);
        for (const std::u16string& key : keys) {
            EXPECT_NE(std::find(known.begin(), known.end(), key), known.end())
                << "unknown key " << Utf16ToUtf8(key);
        }
        std::sort(keys.begin(), keys.end());
        EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
        test::TemporaryDirectory directory;
        test::WriteFile(directory / "Language.ini", file);
        test::ScopedWorkingDirectory working_directory(directory.path());
        UiStringTable table;
        ASSERT_TRUE(LanguageLoader(table).ApplyLanguage());
        for (std::size_t i = 0; i < known.size(); ++i) {
            SCOPED_TRACE(Utf16ToUtf8(known[i]));
            EXPECT_NE(std::find(keys.begin(), keys.end(), known[i]), keys.end());
            EXPECT_FALSE(table.Entries()[i].text().empty());
        }
    }
}

// Every text of the Traditional Chinese file differs from the English one.
TEST(SampleLanguageFiles, TraditionalChineseTranslatesEveryEntry) {
    test::TemporaryDirectory directory;
    test::WriteFile(directory / "Language.ini", ReadShippedFile("zh_TW/Language.ini"));
    test::ScopedWorkingDirectory working_directory(directory.path());
    UiStringTable table;
    ASSERT_TRUE(LanguageLoader(table).ApplyLanguage());
    for (const UiStringEntry& entry : table.Entries()) {
        SCOPED_TRACE(Utf16ToUtf8(entry.default_text()));
        EXPECT_NE(entry.text(), entry.default_text());
    }
    EXPECT_EQ(table.Text(UiStringId::Exit), u"結束");
}

}  // namespace
}  // namespace norvik
