#pragma once

// What the suites that drive Windows programs from Linux share: whether they run where a
// Windows program may, and where the Windows build is.
#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace norvik::test {

// Only inside tools/wine/norvik-wine may a Windows program run: there the wineserver, and
// with it every socket of the program, lives in the same private network as this test.
inline bool InsideNorvikWine() {
    const char* expected = std::getenv("NORVIK_WINE_NETNS");
    struct stat status {};
    return expected != nullptr && ::stat("/proc/self/ns/net", &status) == 0 &&
           std::to_string(status.st_ino) == expected;
}

inline std::string WindowsBuildDir() {
    const char* dir = std::getenv("NORVIK_WINDOWS_BUILD_DIR");
    return dir != nullptr ? dir : NORVIK_WINDOWS_BUILD_DIR;
}

}  // namespace norvik::test
