#include "language_file.h"

#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>

#include "control_ids.h"
#include "i18n_test_support.h"
#include "language_loader.h"

namespace norvik {
namespace {

class LanguageFileTest : public testing::Test {
protected:
    QString PathOf(const char* name) const { return directory_.filePath(QString::fromUtf8(name)); }

    static QString Get(const LanguageFile& file, QStringView key) {
        std::array<char16_t, 300> buffer;
        const qsizetype count = file.GetString(u"LANGUAGE", key, u"<default>", buffer);
        return QString::fromUtf16(buffer.data(), count);
    }

    QTemporaryDir directory_;
};

TEST_F(LanguageFileTest, OnlyAnExistingRegularFileOpens) {
    EXPECT_FALSE(LanguageFile::Open(PathOf("missing.ini")).has_value());
    ASSERT_EQ(mkdir(PathOf("directory.ini").toUtf8().constData(), 0755), 0);
    EXPECT_FALSE(LanguageFile::Open(PathOf("directory.ini")).has_value());
    // Opening a pipe nobody writes to must neither block nor count as a file.
    ASSERT_EQ(mkfifo(PathOf("pipe.ini").toUtf8().constData(), 0644), 0);
    EXPECT_FALSE(LanguageFile::Open(PathOf("pipe.ini")).has_value());

    test::WriteFile(PathOf("empty.ini"), {});
    const std::optional<LanguageFile> empty = LanguageFile::Open(PathOf("empty.ini"));
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(Get(*empty, u"Exit"), u"<default>");
}

TEST_F(LanguageFileTest, ReadsALargeFileToItsEndQuickly) {
    // 10 MB of other sections before the one that counts.
    test::Bytes bytes;
    const test::Bytes filler = test::RawBytes("[Other]\nExit=not this one\n; a comment line\n");
    while (bytes.size() < 10 * 1000 * 1000) {
        bytes.insert(bytes.end(), filler.begin(), filler.end());
    }
    bytes = test::Concat(std::move(bytes), test::RawBytes("[LANGUAGE]\nExit=Quit\n"));
    test::WriteFile(directory_.filePath(QStringLiteral("Language.ini")), bytes);

    UiStringTable table;
    test::RecordingDialog dialog;
    LanguageLoader loader(&dialog, table);
    test::ScopedWorkingDirectory working_directory(directory_.path());
    const auto start = std::chrono::steady_clock::now();
    loader.ApplyLanguage();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(dialog.TextOf(kExitButton), u"Quit");
    // The file is read once for all 23 lookups; generous enough for sanitizer builds.
    EXPECT_LT(elapsed, std::chrono::seconds(10));
}

TEST_F(LanguageFileTest, AnOversizedFileCountsAsUnreadable) {
    test::WriteFile(PathOf("huge.ini"),
                    test::Concat(test::RawBytes("[LANGUAGE]\nExit=Quit\n"),
                                 test::Bytes(16 * 1024 * 1024, std::byte{' '})));
    EXPECT_FALSE(LanguageFile::Open(PathOf("huge.ini")).has_value());
}

}  // namespace
}  // namespace norvik
