#include "language_loader.h"

#include <algorithm>
#include <array>
#include <optional>

#include "control_ids.h"
#include "language_file.h"
#include "utf.h"
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
std::u16string_view UsableText(std::u16string_view value) {
    value = value.substr(0, value.find(u'\0'));
    if (!value.empty() && IsHighSurrogate(value.back())) {
        value.remove_suffix(1);
    }
    return value;
}

}  // namespace

LanguageLoader::LanguageLoader(DialogTexts* dialog, UiStringTable& table)
    : dialog(dialog), table_(table) {}

void LanguageLoader::ApplyLanguage() {
    const std::optional<std::u16string> directory = CurrentWorkingDirectory();
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
    const std::u16string key = replace_spaces ? SpacesToUnderscores(entry.default_text())
                                              : std::u16string(entry.default_text());
    std::array<char16_t, kLanguageValueBufferLength> buffer{};
    const std::size_t count = file.GetString(kLanguageSection, key, entry.text(), buffer);
    if (count == 0) {
        return;  // an empty value: the entry stays as it is
    }
    const std::u16string_view value = UsableText(
        std::u16string_view(buffer.data(), std::min(count, kLanguageValueBufferLength - 1)));
    if (!value.empty()) {
        entry.text_ = value;
    }
}

std::u16string LanguageLoader::SpacesToUnderscores(std::u16string_view text) {
    std::u16string key(text);
    std::ranges::replace(key, u' ', u'_');
    return key;
}

void LanguageLoader::SetControlTexts() const {
    if (dialog == nullptr) {
        return;
    }
    for (const ControlText& control : kControlTexts) {
        dialog->SetControlText(control.control_id, table_.Text(control.text));
    }
    std::u16string lines;
    for (std::size_t i = 0; i < kInstructionLines.size(); ++i) {
        if (i > 0) {
            lines += u'\n';
        }
        lines += table_.Text(kInstructionLines[i]);
    }
    dialog->SetControlText(kInstructionsText, lines);
}

}  // namespace norvik
