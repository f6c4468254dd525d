#include "language_loader.h"

#include <QChar>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>

#include "control_ids.h"
#include "language_file.h"
#include "working_directory.h"

namespace norvik {
namespace {

struct ControlText {
    int control_id;
    UiStringId text;
};

// The order in which the dialog receives its texts; the instructions text comes last.
constexpr std::array kControlTexts{
    ControlText{kDeviceListsLabel, UiStringId::DeviceLists},
    ControlText{kStaticRadio, UiStringId::Static},
    ControlText{kDhcpRadio, UiStringId::Dhcp},
    ControlText{kNameLabel, UiStringId::Name},
    ControlText{kIpLabel, UiStringId::Ip},
    ControlText{kNetmaskLabel, UiStringId::Netmask},
    ControlText{kGatewayLabel, UiStringId::Gateway},
    ControlText{kDns1Label, UiStringId::Dns1},
    ControlText{kDns2Label, UiStringId::Dns2},
    ControlText{kPort1Label, UiStringId::Port1},
    ControlText{kMacLabel, UiStringId::Mac},
    ControlText{kSearchDeviceButton, UiStringId::SearchDevice},
    ControlText{kSubmitButton, UiStringId::Submit},
    ControlText{kExitButton, UiStringId::Exit},
};

constexpr std::array kInstructionLines{
    UiStringId::InstructionsTitle, UiStringId::InstructionStep1, UiStringId::InstructionStep2,
    UiStringId::InstructionStep3,  UiStringId::InstructionStep4, UiStringId::InstructionStep5,
};

// What a lookup gave, as the text an entry may take: up to the first null (a file may hold
// one), without a high surrogate whose partner the length limit cut off.
QStringView UsableText(QStringView value) {
    const qsizetype null_at = value.indexOf(QChar(u'\0'));
    if (null_at >= 0) {
        value = value.first(null_at);
    }
    if (!value.isEmpty() && value.back().isHighSurrogate()) {
        value.chop(1);
    }
    return value;
}

}  // namespace

LanguageLoader::LanguageLoader(DialogTexts* dialog, UiStringTable& table)
    : dialog(dialog), table_(table) {}

void LanguageLoader::ApplyLanguage() {
    const std::optional<QString> directory = CurrentWorkingDirectory();
    if (!directory) {
        return;
    }
    path = PathInDirectory(*directory, kLanguageFileName);
    const std::optional<LanguageFile> file = LanguageFile::Open(path);
    if (!file) {
        return;
    }
    for (UiStringEntry& entry : table_.Entries()) {
        TranslateEntry(entry, entry.replace_spaces(), *file);
    }
    SetControlTexts();
}

void LanguageLoader::TranslateEntry(UiStringEntry& entry, bool replace_spaces) {
    if (const std::optional<LanguageFile> file = LanguageFile::Open(path)) {
        TranslateEntry(entry, replace_spaces, *file);
    }
}

void LanguageLoader::TranslateEntry(UiStringEntry& entry, bool replace_spaces,
                                    const LanguageFile& file) {
    // From the default, not the current text, so a key never depends on a translation.
    const QString key = replace_spaces ? SpacesToUnderscores(entry.default_text())
                                       : entry.default_text().toString();
    std::array<char16_t, kLanguageValueBufferLength> buffer{};
    const qsizetype count = file.GetString(kLanguageSection, key, entry.text(), buffer);
    if (count <= 0) {
        return;  // an empty value: the entry stays as it is
    }
    const QStringView value =
        UsableText(QStringView(buffer.data(), std::min(count, kLanguageValueBufferLength - 1)));
    if (!value.isEmpty()) {
        entry.text_ = value.toString();
    }
}

QString LanguageLoader::SpacesToUnderscores(QStringView text) {
    return text.toString().replace(u' ', u'_');
}

void LanguageLoader::SetControlTexts() const {
    if (dialog == nullptr) {
        return;
    }
    for (const ControlText& control : kControlTexts) {
        dialog->SetControlText(control.control_id, table_.Text(control.text));
    }
    QStringList lines;
    for (UiStringId line : kInstructionLines) {
        lines.append(table_.Text(line));
    }
    dialog->SetControlText(kInstructionsText, lines.join(u'\n'));
}

}  // namespace norvik
