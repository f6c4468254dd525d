#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The files the command-line programs read and write, named by UTF-8 paths on every platform.
// What they write replaces a regular file, or makes one where nothing is: never written through
// a link, never over a FIFO, a device or a directory that happens to carry the name.
namespace norvik::cli {

// The whole file, or nothing (with why in `error`); a file longer than max_bytes is refused.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max_bytes,
                                         std::string& error);

// Writes a temporary file of its own (made anew, mode 0644 so that a collector running as
// another user reads it) in `path`'s directory, flushes it to the disk and renames it over
// `path`, so that a reader finds the old contents or the new, never part of them. Refused when
// something other than a regular file is at `path`; that is left as it is. False (with why in
// `error`) when any step failed; the temporary file is then removed.
bool ReplaceFileContents(const std::string& path, std::string_view contents, std::string& error);

// Whether ReplaceFileContents can work on `path`: what is there, and whether a temporary file
// can be made (and is removed again) in its directory. Nothing is written to `path`.
bool CheckReplaceable(const std::string& path, std::string& error);

// The name of a temporary file for `path`: in the same directory, hidden, `path`'s name, ten
// letters drawn from `random`, then ".tmp", so that a collector reading "*.prom" passes it over.
std::string TemporaryFileFor(const std::string& path, std::uint64_t random);
// The same with a number nobody can guess.
std::string TemporaryFileFor(const std::string& path);

}  // namespace norvik::cli
