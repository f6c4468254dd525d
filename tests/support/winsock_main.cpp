// Test entry point for every suite that touches sockets on Windows: Windows Sockets must be
// started before the first socket call, as the programs do at their start. The suites send
// broadcasts, so they run only where Windows sees loopback adapters alone: under
// tools/wine/norvik-wine, not under a desktop's Wine nor on a PC.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "adapter_list.h"

int main(int argc, char** argv) {
    const auto adapters = norvik::wine::ListAdapters();
    bool only_loopback = adapters.has_value();
    for (const norvik::wine::Adapter& adapter :
         adapters.value_or(std::vector<norvik::wine::Adapter>{})) {
        if (!adapter.loopback) {
            std::fprintf(stderr, "a network adapter that is no loopback: %ls\n",
                         adapter.name.c_str());
            only_loopback = false;
        }
    }
    if (!only_loopback) {
        std::fprintf(stderr,
                     "these tests send broadcasts: run them through tools/wine/norvik-wine, where "
                     "Windows sees loopback adapters only\n");
        return 1;
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        std::fprintf(stderr, "cannot start Windows Sockets\n");
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    WSACleanup();
    return result;
}
