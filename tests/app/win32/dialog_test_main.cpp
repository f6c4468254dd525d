// winsock2.h before windows.h, and commctrl.h needs windows.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "dialog_test_main.h"

#include <gtest/gtest.h>

namespace norvik::test {

int RunDialogTests(int argc, char** argv, MessageBoxFunction answer) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return 1;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);
    AnswerMessageBoxes(answer);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace norvik::test
