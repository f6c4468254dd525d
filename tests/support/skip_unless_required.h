#pragma once

#include <gtest/gtest.h>

#include <string>

#include "private_network.h"

// A test that cannot run here (no tun device, no nft, a peer program missing) skips, saying
// why, except where CI demands every test (NORVIK_REQUIRE_NETWORK_TESTS=1): there it fails.
#define NORVIK_SKIP_UNLESS_REQUIRED(why)               \
    do {                                               \
        const std::string norvik_why = (why);          \
        if (::norvik::netns::NetworkTestsRequired()) { \
            FAIL() << norvik_why;                      \
        }                                              \
        GTEST_SKIP() << norvik_why;                    \
    } while (false)
