#include "working_directory.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "control_ids.h"
#include "i18n_test_support.h"
#include "language_loader.h"

namespace norvik {
namespace {

// A directory below base whose path is exactly length code units long, of three-byte
// characters in components well within any file system's name limit.
QString MakeDirectoryOfLength(const QString& base, qsizetype length) {
    QString path = base;
    while (path.size() < length) {
        // Taking 60 only while more than 80 are left leaves room for "/" and a name after it.
        const qsizetype left = length - path.size() - 1;
        path += u'/' + QString(left > 80 ? 60 : left, u'語');
    }
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    return path;
}

// 499 units fit the buffer with its terminator, whatever their bytes (three each here);
// 700 such characters also overflow the byte buffer underneath.
TEST(CurrentWorkingDirectory, TakesUpTo499CodeUnits) {
    QTemporaryDir base;
    for (const qsizetype length : {499, 500, 700}) {
        SCOPED_TRACE(length);
        const QString directory = MakeDirectoryOfLength(base.path(), length);
        ASSERT_EQ(directory.size(), length);
        test::WriteFile(directory + QStringLiteral("/Language.ini"),
                        test::Utf8(u"[LANGUAGE]\nExit=Quit\n"));
        test::ScopedWorkingDirectory working_directory(directory);
        const bool fits = length < 500;
        EXPECT_EQ(CurrentWorkingDirectory(), fits ? std::optional(directory) : std::nullopt);
        UiStringTable table;
        test::RecordingDialog dialog;
        LanguageLoader loader(&dialog, table);
        loader.ApplyLanguage();
        EXPECT_EQ(loader.path, fits ? directory + QStringLiteral("/Language.ini") : QString());
        EXPECT_EQ(dialog.TextOf(kExitButton), fits ? QStringLiteral("Quit") : QString());
    }
}

TEST(PathInDirectory, JoinsWithOneSeparator) {
    EXPECT_EQ(PathInDirectory(QStringLiteral("/home/user"), u"Language.ini"),
              u"/home/user/Language.ini");
    EXPECT_EQ(PathInDirectory(QStringLiteral("/"), u"Language.ini"), u"/Language.ini");
}

}  // namespace
}  // namespace norvik
