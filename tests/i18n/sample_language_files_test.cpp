// The language files shipped in res/: the template translators start from, and the
// translations.
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>

#include "control_ids.h"
#include "i18n_test_support.h"
#include "ini_reader.h"
#include "language_loader.h"

namespace norvik {
namespace {

// UTF-16LE with its byte-order mark, which every platform's reader takes for what it is.
test::Bytes ReadShippedFile(const char* name) {
    const test::Bytes file = test::ReadFile(QStringLiteral(NORVIK_RES_DIR "/") + name);
    EXPECT_TRUE(file.size() >= 2 && file[0] == std::byte{0xFF} && file[1] == std::byte{0xFE});
    return file;
}

TEST(SampleLanguageFiles, TemplateHoldsEveryKeyWithItsEnglishDefault) {
    const test::Bytes file = ReadShippedFile("Language.ini");
    const UiStringTable defaults;
    for (const UiStringEntry& entry : defaults.Entries()) {
        const QString key = LanguageLoader::SpacesToUnderscores(entry.default_text());
        std::array<char16_t, kLanguageValueBufferLength> buffer;
        const qsizetype count = ReadIniString(file, kLanguageSection, key, u"<missing>", buffer);
        EXPECT_EQ(QStringView(buffer.data(), count), entry.default_text());
    }
}

TEST(SampleLanguageFiles, TraditionalChineseTranslatesEveryEntry) {
    QTemporaryDir directory;
    test::WriteFile(directory.filePath(QStringLiteral("Language.ini")),
                    ReadShippedFile("zh_TW/Language.ini"));
    test::ScopedWorkingDirectory working_directory(directory.path());
    UiStringTable table;
    test::RecordingDialog dialog;
    LanguageLoader(&dialog, table).ApplyLanguage();
    for (const UiStringEntry& entry : table.Entries()) {
        SCOPED_TRACE(entry.default_text().toString().toStdString());
        EXPECT_NE(entry.text(), entry.default_text());
        EXPECT_FALSE(entry.text().isEmpty());
    }
    EXPECT_EQ(dialog.TextOf(kExitButton), u"結束");
}

}  // namespace
}  // namespace norvik
