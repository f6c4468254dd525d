#include "language_file.h"

#include <gtest/gtest.h>

#include <array>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "test_files.h"

namespace norvik {
namespace {

class LanguageFileTest : public testing::Test {
protected:
    std::filesystem::path PathOf(const char* name) const { return directory_ / name; }

    // The file's Exit value, "<default>" without one, nothing when the file does not open.
    std::optional<std::u16string> ExitOf(const char* name) const {
        const std::optional<LanguageFile> file = LanguageFile::Open(PathOf(name).u16string());
        if (!file) {
            return std::nullopt;
        }
        std::array<char16_t, 300> buffer;
        const std::size_t count = file->GetString(u"LANGUAGE", u"Exit", u"<default>", buffer);
        return std::u16string(buffer.data(), count);
    }

    test::TemporaryDirectory directory_;
};

TEST_F(LanguageFileTest, OnlyAnExistingFileOpens) {
    EXPECT_EQ(ExitOf("missing.ini"), std::nullopt);
    ASSERT_TRUE(std::filesystem::create_directory(PathOf("directory.ini")));
    EXPECT_EQ(ExitOf("directory.ini"), std::nullopt);
#ifndef _WIN32
    // Opening a pipe nobody writes to must neither block nor count as a file.
    ASSERT_EQ(mkfifo(PathOf("pipe.ini").c_str(), 0644), 0);
    EXPECT_EQ(ExitOf("pipe.ini"), std::nullopt);
#endif
    test::WriteFile(PathOf("empty.ini"), {});
    EXPECT_EQ(ExitOf("empty.ini"), u"<default>");
}

#ifndef _WIN32
// Files up to 16 MiB are read to their end, across many reads; a bigger one counts as
// unreadable. (Windows' own service reads the file on Windows.)
TEST_F(LanguageFileTest, ReadsUpTo16MiBAndNoMore) {
    const test::FileBytes section = test::RawBytes("\n[LANGUAGE]\nExit=Quit\n");
    test::FileBytes bytes(16 * 1024 * 1024 - section.size(), std::byte{' '});
    bytes.insert(bytes.end(), section.begin(), section.end());
    test::WriteFile(PathOf("largest.ini"), bytes);
    EXPECT_EQ(ExitOf("largest.ini"), u"Quit");
    bytes.push_back(std::byte{' '});
    test::WriteFile(PathOf("oversized.ini"), bytes);
    EXPECT_EQ(ExitOf("oversized.ini"), std::nullopt);
}
#endif

}  // namespace
}  // namespace norvik
