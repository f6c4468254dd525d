// Test entry point for every suite that touches sockets: the whole test process moves into a
// network namespace of its own before any thread starts, so nothing it sends can leave this
// machine. Where no namespace can be made, every test of the suite is skipped.
#include <gtest/gtest.h>

#include <cstdio>

#include "private_network.h"

namespace {

class PrivateNetworkEnvironment : public testing::Environment {
public:
    explicit PrivateNetworkEnvironment(norvik::netns::EnterResult result)
        : result_(std::move(result)) {}

    void SetUp() override {
        if (!result_.entered) {
            GTEST_SKIP() << "no private network namespace, so no network test runs: "
                         << result_.reason;
        }
    }

private:
    norvik::netns::EnterResult result_;
};

}  // namespace

int main(int argc, char** argv) {
    auto entered = norvik::netns::EnterPrivateNetwork(norvik::netns::BroadcastRoute::kLoopback);
    if (!entered.entered && norvik::netns::NetworkTestsRequired()) {
        std::fprintf(stderr,
                     "no private network namespace, and NORVIK_REQUIRE_NETWORK_TESTS=1 demands "
                     "the network tests: %s\n",
                     entered.reason.c_str());
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new PrivateNetworkEnvironment(std::move(entered)));
    return RUN_ALL_TESTS();
}
