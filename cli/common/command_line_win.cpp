#include <fcntl.h>
#include <io.h>
#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

#include <cstdio>

#include "command_line.h"
#include "utf.h"

namespace norvik::cli {

std::vector<std::string> Utf8Arguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; wide != nullptr && i < count; ++i) {
        args.push_back(Utf16ToUtf8(FromWide(wide[i])));
    }
    LocalFree(wide);
    return args;
}

void KeepStandardStreamNumbersTaken() {}

void IgnoreBrokenPipes() {}

void ReadStandardInputAsBytes() {
    _setmode(_fileno(stdin), _O_BINARY);
}

}  // namespace norvik::cli
