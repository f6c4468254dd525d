#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include "private_network.h"

// Debian's promtool and prometheus-node-exporter, as CMake found them (dev.sh unpacks them into
// build/prometheus-tools). Without one a test skips, saying which, unless CI demands it.
#define NORVIK_NEED_PROMETHEUS_TOOL(path)                                                   \
    do {                                                                                    \
        if (::access(path, X_OK) != 0) {                                                    \
            if (::norvik::netns::NetworkTestsRequired()) {                                  \
                FAIL() << (path) << " is missing (./dev.sh test unpacks it)";               \
            }                                                                               \
            GTEST_SKIP() << (path) << " is missing (./dev.sh test unpacks it); not tested"; \
        }                                                                                   \
    } while (false)
