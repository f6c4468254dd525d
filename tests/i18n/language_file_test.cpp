#include "language_file.h"

#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <array>

#include "i18n_test_support.h"

namespace norvik {
namespace {

class LanguageFileTest : public testing::Test {
protected:
    QString PathOf(const char* name) const { return directory_.filePath(QString::fromUtf8(name)); }

    // The file's Exit value, "<default>" without one, nothing when the file does not open.
    std::optional<QString> ExitOf(const char* name) const {
        const std::optional<LanguageFile> file = LanguageFile::Open(PathOf(name));
        if (!file) {
            return std::nullopt;
        }
        std::array<char16_t, 300> buffer;
        const qsizetype count = file->GetString(u"LANGUAGE", u"Exit", u"<default>", buffer);
        return QString::fromUtf16(buffer.data(), count);
    }

    QTemporaryDir directory_;
};

TEST_F(LanguageFileTest, OnlyAnExistingRegularFileOpens) {
    EXPECT_EQ(ExitOf("missing.ini"), std::nullopt);
    ASSERT_EQ(mkdir(PathOf("directory.ini").toUtf8().constData(), 0755), 0);
    EXPECT_EQ(ExitOf("directory.ini"), std::nullopt);
    // Opening a pipe nobody writes to must neither block nor count as a file.
    ASSERT_EQ(mkfifo(PathOf("pipe.ini").toUtf8().constData(), 0644), 0);
    EXPECT_EQ(ExitOf("pipe.ini"), std::nullopt);
    test::WriteFile(PathOf("empty.ini"), {});
    EXPECT_EQ(ExitOf("empty.ini"), u"<default>");
}

// Files up to 16 MiB are read to their end, across many reads; a bigger one counts as
// unreadable.
TEST_F(LanguageFileTest, ReadsUpTo16MiBAndNoMore) {
    const test::Bytes section = test::RawBytes("\n[LANGUAGE]\nExit=Quit\n");
    test::Bytes bytes(16 * 1024 * 1024 - section.size(), std::byte{' '});
    bytes.insert(bytes.end(), section.begin(), section.end());
    test::WriteFile(PathOf("largest.ini"), bytes);
    EXPECT_EQ(ExitOf("largest.ini"), u"Quit");
    bytes.push_back(std::byte{' '});
    test::WriteFile(PathOf("oversized.ini"), bytes);
    EXPECT_EQ(ExitOf("oversized.ini"), std::nullopt);
}

}  // namespace
}  // namespace norvik
