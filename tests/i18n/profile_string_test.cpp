// Our initialisation-file reader against Windows' own GetPrivateProfileStringW (Wine's, in CI):
// the same language files must give the same texts, so a file reads alike on both platforms.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ini_reader.h"
#include "language_file.h"
#include "language_loader.h"
#include "test_files.h"
#include "ui_string_table.h"
#include "utf.h"

namespace norvik {
namespace {

struct Lookup {
    std::u16string section;
    std::u16string key;
};

// Every key the program asks for, and the format's corners: letter case, blanks, missing
// keys and other sections.
std::vector<Lookup> Lookups() {
    std::vector<Lookup> lookups;
    const UiStringTable table;
    for (const UiStringEntry& entry : table.Entries()) {
        lookups.push_back({std::u16string(kLanguageSection),
                           LanguageLoader::SpacesToUnderscores(entry.default_text())});
    }
    for (const char16_t* key : {u"exit", u"SEARCH_DEVICE", u"Search Device", u"Missing", u"Name"}) {
        lookups.push_back({u"language", key});
    }
    lookups.push_back({u"Other", u"Gateway"});
    lookups.push_back({u"OTHER", u"Exit"});
    lookups.push_back({u"Missing", u"Exit"});
    return lookups;
}

// The files whose texts may legitimately differ, and why.
const std::map<std::string, const char*> kKnownDifferences = {
    // Without a byte-order mark Windows reads the file in the ANSI code page, not as UTF-8;
    // our reader takes UTF-8. Only the texts beyond ASCII differ.
    {"translated_utf8.ini", "UTF-8 without a byte-order mark is read as the ANSI code page"},
    {"de_utf8.ini", "UTF-8 without a byte-order mark is read as the ANSI code page"},
};

std::vector<std::filesystem::path> LanguageFiles() {
    const std::filesystem::path data(NORVIK_TEST_DATA_DIR);
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(data / "i18n" / "profile")) {
        files.push_back(entry.path());
    }
    for (const char* name :
         {"de_utf8.ini", "de_utf8_bom.ini", "de_utf16le.ini", "de_utf16be.ini"}) {
        files.push_back(data / "i18n" / name);
    }
    files.push_back(std::filesystem::path(NORVIK_RES_DIR) / "Language.ini");
    files.push_back(std::filesystem::path(NORVIK_RES_DIR) / "zh_TW" / "Language.ini");
    return files;
}

std::u16string Ours(const test::FileBytes& bytes, const Lookup& lookup,
                    std::span<char16_t> buffer) {
    const std::size_t count =
        ReadIniString(bytes, lookup.section, lookup.key, u"<default>", buffer);
    return std::u16string(buffer.data(), count);
}

std::u16string Windows(const LanguageFile& file, const Lookup& lookup, std::span<char16_t> buffer) {
    const std::size_t count = file.GetString(lookup.section, lookup.key, u"<default>", buffer);
    return std::u16string(buffer.data(), count);
}

TEST(ProfileString, OurReaderReadsEveryLanguageFileAsWindowsDoes) {
    const std::vector<std::filesystem::path> files = LanguageFiles();
    ASSERT_GE(files.size(), 15u);
    for (const std::filesystem::path& path : files) {
        SCOPED_TRACE(path.string());
        const test::FileBytes bytes = test::ReadFile(path);
        const std::optional<LanguageFile> file = LanguageFile::Open(path.u16string());
        ASSERT_TRUE(file.has_value());
        const auto known = kKnownDifferences.find(path.filename().string());
        int differences = 0;
        // The program's buffer, and a small one that cuts values and defaults.
        for (const std::size_t size : {kLanguageValueBufferLength, std::size_t{6}}) {
            std::vector<char16_t> ours_buffer(size);
            std::vector<char16_t> windows_buffer(size);
            for (const Lookup& lookup : Lookups()) {
                const std::u16string ours = Ours(bytes, lookup, ours_buffer);
                const std::u16string windows = Windows(*file, lookup, windows_buffer);
                if (known == kKnownDifferences.end()) {
                    EXPECT_EQ(ours, windows) << "[" << Utf16ToUtf8(lookup.section) << "] "
                                             << Utf16ToUtf8(lookup.key) << ", buffer " << size;
                } else {
                    differences += ours != windows ? 1 : 0;
                }
            }
        }
        if (known != kKnownDifferences.end()) {
            // The exception is real: some text differs, for the reason given.
            EXPECT_GT(differences, 0) << known->second;
        }
    }
}

}  // namespace
}  // namespace norvik
