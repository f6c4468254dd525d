// The main dialog's control ids, for the dialog's template and the Windows resource script
// alike (the resource compiler reads #define only), so that an id cannot differ between them.
#pragma once

// The dialog's cancel command (IDCANCEL): Esc and the close box give it too.
#define IDC_EXIT 2
#define IDC_IP 1001
#define IDC_SUBMIT 1006
#define IDC_SEARCH_DEVICE 1012
#define IDC_GATEWAY 1014
#define IDC_MAC 1017
#define IDC_NAME 1019
#define IDC_PORT1 1020
#define IDC_USER_NAME 1021
#define IDC_PASSWORD 1022
#define IDC_NETMASK 1023
#define IDC_DNS1 1024
#define IDC_DNS2 1025
#define IDC_STATIC_RADIO 1027
#define IDC_DHCP_RADIO 1028
#define IDC_DEVICE_LIST 1031
#define IDC_INSTRUCTIONS 1033
#define IDC_DEVICE_LISTS_LABEL 1035
#define IDC_NAME_LABEL 1036
#define IDC_IP_LABEL 1037
#define IDC_NETMASK_LABEL 1038
#define IDC_GATEWAY_LABEL 1039
#define IDC_DNS1_LABEL 1040
#define IDC_DNS2_LABEL 1041
#define IDC_PORT1_LABEL 1042
#define IDC_MAC_LABEL 1043
#define IDC_USER_NAME_LABEL 1045
#define IDC_PASSWORD_LABEL 1046
