#include "working_directory.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "control_ids.h"
#include "i18n_test_support.h"
#include "language_loader.h"

namespace norvik {
namespace {

// A directory below base whose path is exactly length code units long, built of components
// of the given character (at most 60 of them each, within any file system's name limit).
QString MakeDirectoryOfLength(const QString& base, qsizetype length, QChar fill) {
    QString path = base;
    while (path.size() < length) {
        qsizetype component = std::min<qsizetype>(length - path.size() - 1, 60);
        if (length - path.size() - 1 - component == 1) {
            --component;  // a remainder of one could not hold "/" and a name
        }
        path += u'/' + QString(component, fill);
    }
    EXPECT_EQ(path.size(), length);
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    return path;
}

class WorkingDirectoryTest : public testing::Test {
protected:
    // Applies a language file placed in directory, with that directory as working directory;
    // true if it was used.
    bool LanguageFileUsedIn(const QString& directory) {
        test::WriteFile(directory + QStringLiteral("/Language.ini"),
                        test::Utf8(u"[LANGUAGE]\nExit=Quit\n"));
        test::ScopedWorkingDirectory working_directory(directory);
        loader_.ApplyLanguage();
        return dialog_.TextOf(kExitButton) == u"Quit";
    }

    QTemporaryDir base_;
    UiStringTable table_;
    test::RecordingDialog dialog_;
    LanguageLoader loader_{&dialog_, table_};
};

TEST_F(WorkingDirectoryTest, ReadsANonAsciiDirectoryAsUtf16) {
    const QString directory = base_.path() + QString::fromUtf16(u"/språk-語言-\U0001F600");
    ASSERT_TRUE(QDir().mkpath(directory));
    {
        test::ScopedWorkingDirectory working_directory(directory);
        EXPECT_EQ(CurrentWorkingDirectory(), directory);
    }
    EXPECT_TRUE(LanguageFileUsedIn(directory));
    EXPECT_EQ(loader_.path, directory + QStringLiteral("/Language.ini"));
}

TEST_F(WorkingDirectoryTest, TakesUpTo499CodeUnitsWhateverTheirBytes) {
    // Three bytes of UTF-8 for each character: far more than 499 bytes, but 499 units.
    const QString directory = MakeDirectoryOfLength(base_.path(), 499, u'語');
    EXPECT_TRUE(LanguageFileUsedIn(directory));
    EXPECT_EQ(loader_.path.size(), 499 + 13);
}

TEST_F(WorkingDirectoryTest, GivesUpQuietlyOnADirectoryThatDoesNotFit) {
    for (const qsizetype length : {500, 700}) {  // 700 such characters also overflow getcwd
        SCOPED_TRACE(length);
        const QString directory = MakeDirectoryOfLength(base_.path(), length, u'語');
        {
            test::ScopedWorkingDirectory working_directory(directory);
            EXPECT_EQ(CurrentWorkingDirectory(), std::nullopt);
        }
        EXPECT_FALSE(LanguageFileUsedIn(directory));
        EXPECT_TRUE(loader_.path.isEmpty());
        EXPECT_TRUE(dialog_.texts.empty());
    }
}

TEST(PathInDirectory, JoinsWithOneSeparator) {
    EXPECT_EQ(PathInDirectory(QStringLiteral("/home/user"), u"Language.ini"),
              u"/home/user/Language.ini");
    EXPECT_EQ(PathInDirectory(QStringLiteral("/"), u"Language.ini"), u"/Language.ini");
}

}  // namespace
}  // namespace norvik
