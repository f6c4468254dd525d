#pragma once

#include <array>
#include <string_view>

#include "control_ids.h"

// The main dialog as its template draws it: the controls' ids, kinds, texts, places and
// styles. Both windows are built to it.
namespace norvik {

// Control ids.
inline constexpr int kExitButton = IDC_EXIT;
inline constexpr int kIpControl = IDC_IP;
inline constexpr int kSubmitButton = IDC_SUBMIT;
inline constexpr int kSearchDeviceButton = IDC_SEARCH_DEVICE;
inline constexpr int kGatewayControl = IDC_GATEWAY;
inline constexpr int kMacEdit = IDC_MAC;
inline constexpr int kNameEdit = IDC_NAME;
inline constexpr int kPort1Edit = IDC_PORT1;
inline constexpr int kUserNameEdit = IDC_USER_NAME;
inline constexpr int kPasswordEdit = IDC_PASSWORD;
inline constexpr int kNetmaskControl = IDC_NETMASK;
inline constexpr int kDns1Control = IDC_DNS1;
inline constexpr int kDns2Control = IDC_DNS2;
inline constexpr int kStaticRadio = IDC_STATIC_RADIO;
inline constexpr int kDhcpRadio = IDC_DHCP_RADIO;
inline constexpr int kDeviceList = IDC_DEVICE_LIST;
inline constexpr int kInstructionsText = IDC_INSTRUCTIONS;
inline constexpr int kDeviceListsLabel = IDC_DEVICE_LISTS_LABEL;
inline constexpr int kNameLabel = IDC_NAME_LABEL;
inline constexpr int kIpLabel = IDC_IP_LABEL;
inline constexpr int kNetmaskLabel = IDC_NETMASK_LABEL;
inline constexpr int kGatewayLabel = IDC_GATEWAY_LABEL;
inline constexpr int kDns1Label = IDC_DNS1_LABEL;
inline constexpr int kDns2Label = IDC_DNS2_LABEL;
inline constexpr int kPort1Label = IDC_PORT1_LABEL;
inline constexpr int kMacLabel = IDC_MAC_LABEL;
inline constexpr int kUserNameLabel = IDC_USER_NAME_LABEL;
inline constexpr int kPasswordLabel = IDC_PASSWORD_LABEL;

enum class ControlKind { kIpAddress, kPushButton, kLabel, kEdit, kRadioButton, kListView };

enum ControlStyle : unsigned {
    kTabStop = 1u << 0,
    kHidden = 1u << 1,
    kDefaultButton = 1u << 2,
    kReadOnly = 1u << 3,
    kUpperCase = 1u << 4,
    kDigitsOnly = 1u << 5,
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    std::u16string_view name;  // how tests and style sheets find the control
    std::u16string_view text;
    int x, y, width, height;  // dialog units
    unsigned style;
};

inline constexpr std::u16string_view kMainDialogTitle = u"Norvik V3.0";
inline constexpr int kMainDialogWidth = 359;  // dialog units
inline constexpr int kMainDialogHeight = 346;
inline constexpr std::u16string_view kDialogFontFamily = u"Courier";
inline constexpr int kDialogFontPointSize = 9;
// The device list's font and the instructions' font, by the height of their character cell.
inline constexpr int kListFontCellHeight = 16;
inline constexpr std::u16string_view kInstructionsFontFamily = u"Arial";
inline constexpr int kInstructionsFontCellHeight = 8;

inline constexpr std::u16string_view kTemplateInstructions =
    u"To Change Device Name, IP address, and Gateway:\n"
    u"1.Select the device on the left side.\n"
    u"2.Change network parameter on the right side.\n"
    u"3.Press Submit button.\n"
    u"4.Press \u201CSearch Device\u201D to re-search again.\n"
    u"5.Double click the device to open it.";

// The controls in template order, which is also the tab order.
inline constexpr std::array<ControlTemplate, 28> kMainDialogControls{{
    {kIpControl, ControlKind::kIpAddress, u"IpControl", u"", 253, 68, 92, 14, kTabStop},
    {kSubmitButton, ControlKind::kPushButton, u"SubmitButton", u"Submit", 295, 236, 50, 14,
     kTabStop | kDefaultButton},
    {kIpLabel, ControlKind::kLabel, u"IpLabel", u"IP", 216, 70, 35, 8, 0},
    {kDeviceListsLabel, ControlKind::kLabel, u"DeviceListsLabel", u"Device lists:", 9, 11, 80, 10,
     0},
    {kInstructionsText, ControlKind::kLabel, u"InstructionsText", kTemplateInstructions, 14, 261,
     256, 82, 0},
    {kSearchDeviceButton, ControlKind::kPushButton, u"SearchDeviceButton", u"Search Device", 145,
     239, 66, 14, kTabStop},
    {kMacLabel, ControlKind::kLabel, u"MacLabel", u"MAC", 216, 172, 33, 19, 0},
    {kGatewayLabel, ControlKind::kLabel, u"GatewayLabel", u"Gateway", 216, 103, 32, 8, 0},
    {kGatewayControl, ControlKind::kIpAddress, u"GatewayControl", u"", 253, 102, 92, 14, kTabStop},
    {kNameLabel, ControlKind::kLabel, u"NameLabel", u"Name", 216, 53, 36, 8, 0},
    {kMacEdit, ControlKind::kEdit, u"MacEdit", u"", 253, 170, 92, 14,
     kTabStop | kReadOnly | kUpperCase},
    {kNameEdit, ControlKind::kEdit, u"NameEdit", u"", 253, 51, 92, 14, kTabStop},
    {kExitButton, ControlKind::kPushButton, u"ExitButton", u"Exit", 299, 294, 50, 14, kTabStop},
    {kNetmaskLabel, ControlKind::kLabel, u"NetmaskLabel", u"Netmask", 216, 87, 32, 8, 0},
    {kNetmaskControl, ControlKind::kIpAddress, u"NetmaskControl", u"", 253, 85, 92, 14, kTabStop},
    {kPort1Label, ControlKind::kLabel, u"Port1Label", u"Port1", 216, 155, 35, 10, 0},
    {kPort1Edit, ControlKind::kEdit, u"Port1Edit", u"", 253, 153, 92, 14, kTabStop | kDigitsOnly},
    {kDns1Control, ControlKind::kIpAddress, u"Dns1Control", u"", 253, 119, 92, 14, kTabStop},
    {kDns2Control, ControlKind::kIpAddress, u"Dns2Control", u"", 253, 135, 92, 14, kTabStop},
    {kDns1Label, ControlKind::kLabel, u"Dns1Label", u"DNS 1", 216, 121, 34, 8, 0},
    {kDns2Label, ControlKind::kLabel, u"Dns2Label", u"DNS 2", 216, 138, 34, 8, 0},
    {kStaticRadio, ControlKind::kRadioButton, u"StaticRadio", u"Static", 276, 11, 46, 19, 0},
    {kDhcpRadio, ControlKind::kRadioButton, u"DhcpRadio", u"DHCP", 276, 34, 42, 12, 0},
    {kDeviceList, ControlKind::kListView, u"DeviceList", u"", 7, 24, 205, 212, kTabStop},
    {kUserNameLabel, ControlKind::kLabel, u"UserNameLabel", u"UserName", 216, 195, 34, 8, kHidden},
    {kUserNameEdit, ControlKind::kEdit, u"UserNameEdit", u"", 253, 192, 92, 14, kHidden | kTabStop},
    {kPasswordLabel, ControlKind::kLabel, u"PasswordLabel", u"Password", 216, 213, 33, 8, kHidden},
    {kPasswordEdit, ControlKind::kEdit, u"PasswordEdit", u"", 253, 210, 92, 14, kHidden | kTabStop},
}};

// The label that names each control that has one, for assistive technology: a screen reader
// says the label's text when the control has the focus.
struct ControlLabel {
    int control;
    int label;
};
inline constexpr std::array<ControlLabel, 11> kControlLabels{{
    {kDeviceList, kDeviceListsLabel},
    {kNameEdit, kNameLabel},
    {kIpControl, kIpLabel},
    {kNetmaskControl, kNetmaskLabel},
    {kGatewayControl, kGatewayLabel},
    {kDns1Control, kDns1Label},
    {kDns2Control, kDns2Label},
    {kPort1Edit, kPort1Label},
    {kMacEdit, kMacLabel},
    {kUserNameEdit, kUserNameLabel},
    {kPasswordEdit, kPasswordLabel},
}};

// The About box: its title, size in dialog units and texts.
inline constexpr std::u16string_view kAboutTitle = u"About Norvik";
inline constexpr int kAboutWidth = 183;
inline constexpr int kAboutHeight = 68;
inline constexpr std::u16string_view kAboutProgram = u"Norvik V3.0";
inline constexpr std::u16string_view kAboutPurpose = u"Network video device setup";
inline constexpr std::u16string_view kAboutMaker = u"Varnel Surveillance";

}  // namespace norvik
