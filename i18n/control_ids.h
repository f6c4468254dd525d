#pragma once

namespace norvik {

// Ids of the main dialog's controls whose texts the language file sets.
inline constexpr int kExitButton = 2;
inline constexpr int kSubmitButton = 1006;
inline constexpr int kSearchDeviceButton = 1012;
inline constexpr int kStaticRadio = 1027;
inline constexpr int kDhcpRadio = 1028;
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

}  // namespace norvik
