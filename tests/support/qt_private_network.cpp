// Built into every Qt Test suite that touches sockets: before main() runs, and so before
// QApplication starts a thread, the whole process moves into a network namespace of its own, as
// the GoogleTest suites' main does. A suite run by hand, outside CTest, sends nothing onto a real
// network either.
#include <cstdio>
#include <cstdlib>

#include "private_network.h"

namespace {

[[maybe_unused]] const bool entered_private_network = [] {
    const auto entered =
        norvik::netns::EnterPrivateNetwork(norvik::netns::BroadcastRoute::kLoopback);
    if (!entered.entered) {
        std::fprintf(stderr, "no private network namespace, so no network test runs: %s\n",
                     entered.reason.c_str());
        // 77 tells CTest "skipped"; where the network tests are required it is a failure.
        std::exit(norvik::netns::NetworkTestsRequired() ? 1 : 77);
    }
    return true;
}();

}  // namespace
