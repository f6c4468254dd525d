# Cross-compiling for 64-bit Windows with Debian's mingw-w64, posix flavour: the win32
# flavour of GCC 12 has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NORVIK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${NORVIK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NORVIK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${NORVIK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NORVIK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run their programs under Wine, and only inside tools/wine/norvik-wine's private network.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine/run-windows-program)
