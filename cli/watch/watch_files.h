#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The files norvik-watch reads and writes, named by UTF-8 paths on every platform.
namespace norvik::cli {

// The whole file, or nothing (with why in `error`); a file longer than max_bytes is refused.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max_bytes,
                                         std::string& error);

// Writes a temporary file beside `path`, flushes it to the disk and renames it over `path`,
// so that a reader finds the old contents or the new, never part of them. False (with why in
// `error`) when any step failed; the temporary file is then removed.
bool ReplaceFileContents(const std::string& path, std::string_view contents, std::string& error);

// Whether ReplaceFileContents could write `path` now (why not, in `error`); nothing is written.
bool CheckReplaceable(const std::string& path, std::string& error);

// The temporary file ReplaceFileContents writes: `path` with ".tmp" after it, so that a collector
// reading "*.prom" passes it over.
std::string TemporaryFileFor(const std::string& path);

}  // namespace norvik::cli
