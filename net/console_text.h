#pragma once

#include <cstdio>
#include <string_view>

namespace norvik {

// Text for a person reading a terminal or a program reading a pipe: UTF-8 with bare line
// feeds. On Windows a console shows it in its own wide characters, whatever its code page,
// and a file or pipe gets the bytes untranslated.
void WriteText(std::FILE* stream, std::string_view utf8);

// Makes standard output and standard error carry WriteText's bytes as they are: no line-end
// translation on Windows. Call once at the start of a console program.
void PrepareConsoleStreams();

}  // namespace norvik
