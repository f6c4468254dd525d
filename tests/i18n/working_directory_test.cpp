#include "working_directory.h"

#include <gtest/gtest.h>

#include "language_loader.h"
#include "test_files.h"

namespace norvik {
namespace {

#ifndef _WIN32
// A directory below base whose path is exactly length code units long, of three-byte
// characters in components well within any file system's name limit.
std::u16string MakeDirectoryOfLength(const std::u16string& base, std::size_t length) {
    std::u16string path = base;
    while (path.size() < length) {
        // Taking 60 only while more than 80 are left leaves room for "/" and a name after it.
        const std::size_t left = length - path.size() - 1;
        path += u'/' + std::u16string(left > 80 ? 60 : left, u'語');
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path), error);
    EXPECT_FALSE(error) << error.message();
    return path;
}

// 499 units fit the buffer with its terminator, whatever their bytes (three each here);
// 700 such characters also overflow the byte buffer underneath. (Windows has no working
// directory that long.)
TEST(CurrentWorkingDirectory, TakesUpTo499CodeUnits) {
    test::TemporaryDirectory base;
    for (const std::size_t length : {499, 500, 700}) {
        SCOPED_TRACE(length);
        const std::u16string directory = MakeDirectoryOfLength(base.path().u16string(), length);
        ASSERT_EQ(directory.size(), length);
        test::WriteFile(std::filesystem::path(directory) / "Language.ini",
                        test::Utf16Le(u"[LANGUAGE]\nExit=Quit\n"));
        test::ScopedWorkingDirectory working_directory(directory);
        const bool fits = length < 500;
        EXPECT_EQ(CurrentWorkingDirectory(), fits ? std::optional(directory) : std::nullopt);
        UiStringTable table;
        EXPECT_EQ(LanguageLoader(table).ApplyLanguage(), fits);
        EXPECT_EQ(table.Text(UiStringId::Exit), fits ? u"Quit" : u"Exit");
    }
}
#endif

TEST(CurrentWorkingDirectory, IsTheProcesssOwn) {
    test::TemporaryDirectory directory;
    test::ScopedWorkingDirectory working_directory(directory.path());
    EXPECT_EQ(CurrentWorkingDirectory(), std::filesystem::current_path().u16string());
}

TEST(PathInDirectory, JoinsWithOneSeparator) {
    const std::u16string separator(1, kDirectorySeparator);
    const std::u16string home = separator + u"home" + separator + u"user";
    EXPECT_EQ(PathInDirectory(home, u"Language.ini"), home + separator + u"Language.ini");
    EXPECT_EQ(PathInDirectory(separator, u"Language.ini"), separator + u"Language.ini");
}

}  // namespace
}  // namespace norvik
