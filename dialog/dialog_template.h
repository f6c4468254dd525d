#pragma once

#include <array>
#include <string_view>

// The main dialog as its template draws it: the controls' ids, kinds, texts, places and
// styles. Both windows are built to it.
namespace norvik {

// Control ids.
inline constexpr int kExitButton = 2;  // the dialog's cancel command
inline constexpr int kIpControl = 1001;
inline constexpr int kSubmitButton = 1006;
inline constexpr int kSearchDeviceButton = 1012;
inline constexpr int kGatewayControl = 1014;
inline constexpr int kMacEdit = 1017;
inline constexpr int kNameEdit = 1019;
inline constexpr int kPort1Edit = 1020;
inline constexpr int kUserNameEdit = 1021;
inline constexpr int kPasswordEdit = 1022;
inline constexpr int kNetmaskControl = 1023;
inline constexpr int kDns1Control = 1024;
inline constexpr int kDns2Control = 1025;
inline constexpr int kStaticRadio = 1027;
inline constexpr int kDhcpRadio = 1028;
inline constexpr int kDeviceList = 1031;
inline constexpr int kInstructionsText = 1033;
inline constexpr int kDeviceListsLabel = 1035;
inline constexpr int kNameLabel = 1036;
inline constexpr int kIpLabel = 1037;
inline constexpr int kNetmaskLabel = 1038;
inline constexpr int kGatewayLabel = 1039;
inline constexpr int kDns1Label = 1040;
inline constexpr int kDns2Label = 1041;
inline constexpr int kPort1Label = 1042;
inline constexpr int kMacLabel = 1043;
inline constexpr int kUserNameLabel = 1045;
inline constexpr int kPasswordLabel = 1046;

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
