#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include "skip_unless_required.h"

// Debian's promtool and prometheus-node-exporter, as CMake found them (dev.sh unpacks them into
// build/prometheus-tools). Without one a test skips, saying which, unless CI demands it.
#define NORVIK_NEED_PROMETHEUS_TOOL(path)                                          \
    do {                                                                           \
        if (::access(path, X_OK) != 0) {                                           \
            NORVIK_SKIP_UNLESS_REQUIRED(std::string(path) +                        \
                                        " is missing (./dev.sh test unpacks it)"); \
        }                                                                          \
    } while (false)
