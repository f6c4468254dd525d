#pragma once

#include <cstdio>
#include <string_view>

namespace norvik::devsim {

// One line of the simulator's standard output, flushed at once: tests wait for these lines
// through a pipe, where output would otherwise sit in the buffer.
inline void PrintLine(std::string_view line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace norvik::devsim
