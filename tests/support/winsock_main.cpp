// Test entry point for every suite that touches sockets on Windows: Windows Sockets must be
// started before the first socket call, as the programs do at their start.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
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
