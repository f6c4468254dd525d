#pragma once

#include <string>

namespace norvik::netns {

// Whether 255.255.255.255 can be reached inside the new network.
enum class BroadcastRoute { kLoopback, kNone };

struct EnterResult {
    bool entered = false;
    std::string reason;  // why it failed, for a skip message
};

// Moves the calling process into a network namespace of its own, holding only a loopback
// interface, so that nothing it sends can reach a real network. With kLoopback, a host route
// sends the limited broadcast address over loopback, so broadcasts reach every socket of the
// namespace, and 239.0.0.0/8 goes there too, so multicast reaches every socket that joined its
// group; with kNone, sending to either fails as on a host without a route.
//
// Once inside, the environment's NORVIK_PRIVATE_NETNS holds the namespace's inode number (as
// `stat -L -c %i /proc/self/ns/net` prints it), so that a script a program of this namespace
// starts can tell that it runs here and nowhere else before it sends anything.
//
// Must run while the process has a single thread: a namespace entered later covers only the
// calling thread. Uses a plain network namespace as root, or a user namespace around it
// otherwise.
EnterResult EnterPrivateNetwork(BroadcastRoute route);

// Whether NORVIK_REQUIRE_NETWORK_TESTS=1 is set, as in CI: a test that cannot make its private
// network then fails instead of skipping, so that a green run always includes the network tests.
bool NetworkTestsRequired();

}  // namespace norvik::netns
