#include "dialog_rules.h"

#include <mutex>

#include "dialog_template.h"
#include "language_loader.h"

namespace norvik {
namespace {

constexpr std::u16string_view kThreadErrorCaption = u"MSG";
constexpr std::u16string_view kThreadErrorText = u"Create Rx Thread error!";

struct ControlText {
    int control_id;
    UiStringId text;
};

// Which control shows which text once a language file is applied, in the order they are
// set; the instructions text comes last.
constexpr std::array kLanguageTexts{
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

}  // namespace

DialogRules::DialogRules(DialogView& view, DeviceRows rows, ListLock& lock, Discovery& discovery,
                         SendRequestFunction send_request, UiStringTable& strings)
    : view_(view),
      rows_(std::move(rows)),
      lock_(lock),
      discovery_(discovery),
      send_request_(std::move(send_request)),
      strings_(strings) {}

void DialogRules::Initialize() {
    UpdateData(false);
    // Without a language file the controls keep the template's texts.
    if (LanguageLoader(strings_).ApplyLanguage()) {
        ShowLanguageTexts();
    }
    const Discovery::Started started = discovery_.Start();
    if (!started.pcedit_receiver) {
        view_.ShowMessage(kThreadErrorCaption, kThreadErrorText, MessageIcon::kNone);
    }
    ClearPortEdit();
    view_.SetVisible(kDhcpRadio, false);
    view_.SetVisible(kStaticRadio, false);
}

void DialogRules::ShowLanguageTexts() {
    for (const ControlText& control : kLanguageTexts) {
        view_.SetControlText(control.control_id, strings_.Text(control.text));
    }
    // Lines separated by a bare line feed.
    std::u16string lines;
    for (std::size_t i = 0; i < kInstructionLines.size(); ++i) {
        if (i > 0) {
            lines += u'\n';
        }
        lines += strings_.Text(kInstructionLines[i]);
    }
    view_.SetControlText(kInstructionsText, lines);
}

std::array<std::u16string, 3> DialogRules::ColumnHeadings() const {
    return {std::u16string(), strings_.Text(UiStringId::ServerName),
            strings_.Text(UiStringId::IpAddress)};
}

std::array<int, 3> DialogRules::ColumnWidths(int list_width) {
    return {0, list_width / 2 + 22, list_width / 2 - 45};
}

bool DialogRules::UpdateData(bool save) {
    return ExchangeDialogData(view_, data_, save);
}

void DialogRules::ClearPortEdit() {
    view_.SetControlText(kPort1Edit, u"");
}

void DialogRules::OnCancel() {
    std::lock_guard guard(lock_);
    discovery_.devices().FreeAllRecords();
    discovery_.RequestStop();
}

}  // namespace norvik
