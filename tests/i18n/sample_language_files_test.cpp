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

const QString kResources = QStringLiteral(NORVIK_RES_DIR);

QString KeyOf(const UiStringEntry& entry) {
    return entry.replace_spaces() ? LanguageLoader::SpacesToUnderscores(entry.default_text())
                                  : entry.default_text().toString();
}

// UTF-16LE with its byte-order mark and CR LF line ends, which every platform reads alike.
void ExpectPortableFormat(const test::Bytes& file) {
    ASSERT_GE(file.size(), 2u);
    EXPECT_EQ(file[0], std::byte{0xFF});
    EXPECT_EQ(file[1], std::byte{0xFE});
    EXPECT_EQ(file.size() % 2, 0u);
    for (std::size_t i = 2; i + 1 < file.size(); i += 2) {
        if (file[i] == std::byte{'\n'} && file[i + 1] == std::byte{0}) {
            ASSERT_GE(i, 4u);
            EXPECT_EQ(file[i - 2], std::byte{'\r'}) << "bare line feed at byte " << i;
        }
    }
}

struct AppliedFile {
    UiStringTable table;
    test::RecordingDialog dialog;
};

// The table and the dialog texts after the loader has applied the file.
void ApplyFile(const test::Bytes& file, AppliedFile& applied) {
    QTemporaryDir directory;
    test::WriteFile(directory.filePath(QStringLiteral("Language.ini")), file);
    test::ScopedWorkingDirectory working_directory(directory.path());
    LanguageLoader(&applied.dialog, applied.table).ApplyLanguage();
}

TEST(SampleLanguageFiles, TemplateHoldsEveryKeyWithItsEnglishDefault) {
    const test::Bytes file = test::ReadFile(kResources + QStringLiteral("/Language.ini"));
    ExpectPortableFormat(file);
    const UiStringTable defaults;
    for (const UiStringEntry& entry : defaults.Entries()) {
        std::array<char16_t, kLanguageValueBufferLength> buffer;
        const qsizetype count =
            ReadIniString(file, kLanguageSection, KeyOf(entry), u"<missing>", buffer);
        EXPECT_EQ(QStringView(buffer.data(), count), entry.default_text());
    }
    AppliedFile applied;
    ApplyFile(file, applied);
    for (const UiStringEntry& entry : applied.table.Entries()) {
        EXPECT_EQ(entry.text(), entry.default_text());
    }
    EXPECT_EQ(applied.dialog.texts.size(), 15u);
}

TEST(SampleLanguageFiles, TraditionalChineseTranslatesEveryEntry) {
    const test::Bytes file = test::ReadFile(kResources + QStringLiteral("/zh_TW/Language.ini"));
    ExpectPortableFormat(file);
    AppliedFile applied;
    ApplyFile(file, applied);
    for (const UiStringEntry& entry : applied.table.Entries()) {
        SCOPED_TRACE(KeyOf(entry).toStdString());
        EXPECT_NE(entry.text(), entry.default_text());
        EXPECT_FALSE(entry.text().isEmpty());
        EXPECT_TRUE(entry.text().isValidUtf16());
    }
    EXPECT_EQ(applied.dialog.TextOf(kExitButton), u"結束");
    EXPECT_EQ(applied.dialog.TextOf(kInstructionsText).count(u'\n'), 5);
    EXPECT_FALSE(applied.dialog.TextOf(kInstructionsText).contains(u'\r'));
}

}  // namespace
}  // namespace norvik
