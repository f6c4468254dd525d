// The launcher's choice of language: where the window starts, which languages there are, and
// the language file put into the user's folder, never through a link nor over what is not a
// regular file.
#include "language_choice.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "subprocess.h"
#include "test_files.h"

namespace norvik::launcher {
namespace {

namespace fs = std::filesystem;

TEST(WindowFolder, FollowsTheBaseDirectoriesOfTheDesktop) {
    EXPECT_EQ(WindowFolder("/x/config", "/home/ana"), fs::path("/x/config/norvik"));
    // A relative XDG_CONFIG_HOME is ignored, as the desktop's base directories have it.
    EXPECT_EQ(WindowFolder("config", "/home/ana"), fs::path("/home/ana/.config/norvik"));
    EXPECT_EQ(WindowFolder(nullptr, "/home/ana"), fs::path("/home/ana/.config/norvik"));
    EXPECT_EQ(WindowFolder(nullptr, "home"), std::nullopt);
    EXPECT_EQ(WindowFolder("", nullptr), std::nullopt);
}

class LanguageChoice : public testing::Test {
protected:
    LanguageChoice() {
        for (const char* code : {"de", "zh_TW"}) {
            fs::create_directories(languages / code);
            test::WriteFile(languages / code / "Language.ini",
                            test::RawBytes(std::string("[LANGUAGE]\r\nExit=") + code + "\r\n"));
        }
        fs::create_directories(languages / "empty");  // no Language.ini: no language
    }
    std::string Chosen() const { return test::ReadText(folder / "Language.ini"); }

    test::TemporaryDirectory directory;
    fs::path languages = directory / "languages";
    fs::path folder = directory / "config" / "norvik";
};

TEST_F(LanguageChoice, PutsTheTranslationInPlaceAndEnglishTakesItAway) {
    EXPECT_EQ(AvailableLanguages(languages), (std::vector<std::string>{"en", "de", "zh_TW"}));
    EXPECT_EQ(ChooseLanguage(folder, languages, "de"), "");
    EXPECT_EQ(Chosen(), "[LANGUAGE]\r\nExit=de\r\n");
    struct stat made {};
    ASSERT_EQ(::stat(folder.c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 0777, 0700U);
    EXPECT_EQ(ChooseLanguage(folder, languages, "zh_TW"), "");
    EXPECT_EQ(Chosen(), "[LANGUAGE]\r\nExit=zh_TW\r\n");
    EXPECT_EQ(ChooseLanguage(folder, languages, "en"), "");
    EXPECT_FALSE(fs::exists(folder / "Language.ini"));
    EXPECT_EQ(ChooseLanguage(folder, languages, "en"), "");
}

// A folder that is there is the user's: its mode stays, also where the folder is a link (to
// dotfiles kept elsewhere).
TEST_F(LanguageChoice, AFolderThatIsThereKeepsItsMode) {
    const fs::path kept = directory / "dotfiles";
    fs::create_directories(kept);
    ASSERT_EQ(::chmod(kept.c_str(), 0755), 0);
    fs::create_directories(folder.parent_path());
    fs::create_directory_symlink(kept, folder);
    EXPECT_EQ(ChooseLanguage(folder, languages, "de"), "");
    EXPECT_EQ(test::ReadText(kept / "Language.ini"), "[LANGUAGE]\r\nExit=de\r\n");
    struct stat after {};
    ASSERT_EQ(::stat(kept.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 0777, 0755U);
}

// A language chosen while the codes are listed would be dropped: the two are refused together,
// and nothing is put in place.
TEST_F(LanguageChoice, TheLauncherRefusesAChoiceItWouldNotMake) {
    for (const char* code : {"de", "xx"}) {
        test::ProcessOptions run =
            test::Command(NORVIK_TOOL_NORVIK_LAUNCHER, {"--language", code, "--languages"});
        run.extra_env = {"XDG_CONFIG_HOME=" + (directory / "config").string(),
                         "HOME=" + directory.path().string()};
        const test::ProcessResult result = test::RunProcess(run);
        EXPECT_EQ(result.exit_code, 2) << code;
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("--language and --languages cannot go together"),
                  std::string::npos)
            << result.err;
        EXPECT_FALSE(fs::exists(folder));
    }
}

TEST_F(LanguageChoice, AnUnknownOrHostileCodeChangesNothing) {
    ASSERT_EQ(ChooseLanguage(folder, languages, "de"), "");
    for (const char* code : {"xx", "empty", "../languages/de", "", "de/../de"}) {
        EXPECT_EQ(ChooseLanguage(folder, languages, code),
                  std::string("no language '") + code + "'; there are: en, de, zh_TW");
    }
    EXPECT_EQ(Chosen(), "[LANGUAGE]\r\nExit=de\r\n");
}

TEST_F(LanguageChoice, LeavesALinkOrAFolderAtTheNameAsItIs) {
    fs::create_directories(folder);
    const fs::path elsewhere = directory / "elsewhere.ini";
    test::WriteFile(elsewhere, test::RawBytes("mine"));
    fs::create_symlink(elsewhere, folder / "Language.ini");
    EXPECT_NE(ChooseLanguage(folder, languages, "de"), "");
    EXPECT_NE(ChooseLanguage(folder, languages, "en"), "");
    EXPECT_TRUE(fs::is_symlink(folder / "Language.ini"));
    EXPECT_EQ(test::ReadText(elsewhere), "mine");
    fs::remove(folder / "Language.ini");
    fs::create_directory(folder / "Language.ini");
    EXPECT_NE(ChooseLanguage(folder, languages, "de"), "");
    EXPECT_TRUE(fs::is_directory(folder / "Language.ini"));
}

}  // namespace
}  // namespace norvik::launcher
