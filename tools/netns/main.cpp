// norvik-netns: runs a command inside a private network namespace of its own, so that the
// program, the device simulator and the benchmarks never send onto a real network.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "private_network.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: norvik-netns [--no-broadcast-route] [--] COMMAND [ARG...]\n"
                 "Runs COMMAND in a new network namespace that has only a loopback interface.\n"
                 "Broadcasts to 255.255.255.255 reach every socket inside it, and nothing "
                 "outside.\n"
                 "--no-broadcast-route  leave 255.255.255.255 unreachable (sending fails)\n"
                 "Exits with 77 where no namespace can be made (1 when the environment has\n"
                 "NORVIK_REQUIRE_NETWORK_TESTS=1).\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using norvik::netns::BroadcastRoute;
    BroadcastRoute route = BroadcastRoute::kLoopback;
    int i = 1;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-broadcast-route") == 0) {
            route = BroadcastRoute::kNone;
        } else if (std::strcmp(argv[i], "--") == 0) {
            ++i;
            break;
        } else if (argv[i][0] == '-') {
            return Usage();
        } else {
            break;
        }
    }
    if (i >= argc) {
        return Usage();
    }
    const auto entered = norvik::netns::EnterPrivateNetwork(route);
    if (!entered.entered) {
        std::fprintf(stderr, "norvik-netns: %s\n", entered.reason.c_str());
        // 77 tells a test runner "skipped"; where network tests are required it is a failure.
        return norvik::netns::NetworkTestsRequired() ? 1 : 77;
    }
    ::execvp(argv[i], argv + i);
    std::fprintf(stderr, "norvik-netns: cannot run %s: %s\n", argv[i], std::strerror(errno));
    return 127;
}
