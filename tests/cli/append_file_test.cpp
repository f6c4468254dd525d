// The audit log's file: made private, appended to by several writers at once without a torn
// line, and never opened through a link or as something other than a regular file.
#include "append_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "test_files.h"
#include "text_assertions.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

namespace norvik::test {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<cli::AppendFile> Open(const fs::path& path, std::string& error) {
    return cli::AppendFile::Open(PathUtf8(path), error);
}

TEST(AppendFile, MakesAPrivateFileInNewFoldersAndAppendsToWhatIsThere) {
    const TemporaryDirectory directory;
    // A relative name whose first folder's name is short, as "--audit ab/cd/audit.jsonl" gives.
    const ScopedWorkingDirectory inside(directory.path());
    const fs::path path = fs::path("ab") / "norvik" / "audit.jsonl";
    std::string error;
    for (const char* line : {"one\n", "two\n"}) {
        auto file = Open(path, error);
        ASSERT_TRUE(file) << error;
        ASSERT_TRUE(file->Append(line, error)) << error;
    }
    EXPECT_EQ(ReadText(path), "one\ntwo\n");
    // Only the log itself: no temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()),
              1);
#ifndef _WIN32
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(path.parent_path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
#endif
}

#ifndef _WIN32
TEST(AppendFile, TheLogIsPrivateWhateverTheUmask) {
    const TemporaryDirectory directory;
    const fs::path path = directory / "audit.jsonl";
    std::string error;
    const mode_t old = ::umask(0277);
    const auto file = Open(path, error);
    ::umask(old);
    ASSERT_TRUE(file) << error;
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}
#endif

TEST(AppendFile, RefusesALinkAHardLinkAFolderAndAFifoLeavingThemAsTheyAre) {
    const TemporaryDirectory directory;
    const fs::path target = directory / "target";
    WriteFile(target, RawBytes("kept\n"));
    std::vector<std::pair<fs::path, std::string>> refused = {
        {directory.path(), "folder"}, {directory / "nothing" / "", "not the name of a file"}};
    const fs::path link = directory / "link.jsonl";
    const std::string no_link = MakeSymbolicLink(target, link);
    if (no_link.empty()) {
        refused.push_back({link, "link"});
    }
    const fs::path hard_link = directory / "hard.jsonl";
    fs::create_hard_link(target, hard_link);
    refused.push_back({hard_link, "hard link"});
#ifndef _WIN32
    const fs::path fifo = directory / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    refused.push_back({fifo, "FIFO"});
#endif
    for (const auto& [path, why] : refused) {
        std::string error;
        EXPECT_FALSE(Open(path, error)) << path;
        EXPECT_TRUE(Contains(error, why)) << path;
    }
    EXPECT_EQ(ReadText(target), "kept\n");
    if (!no_link.empty()) {
        GTEST_SKIP() << "the link case was not checked: " << no_link;
    }
}

// A line cut short (a writer killed mid-line) does not swallow the next, and a write that
// fails (here: the file size limit) leaves no half line behind.
TEST(AppendFile, EveryLineStaysALineOfItsOwn) {
    const TemporaryDirectory directory;
    const fs::path path = directory / "audit.jsonl";
    WriteFile(path, RawBytes("one\n{\"cut"));
    std::string error;
    auto file = Open(path, error);
    ASSERT_TRUE(file) << error;
    ASSERT_TRUE(file->Append("two\n", error)) << error;
    EXPECT_EQ(ReadText(path), "one\n{\"cut\ntwo\n");
#ifndef _WIN32
    const std::string before = ReadText(path);
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit tight{before.size() + 4, limit.rlim_max};
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool appended = file->Append("a line longer than the limit\n", error);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(appended);
    EXPECT_TRUE(Contains(error, "File too large"));
    EXPECT_EQ(ReadText(path), before);
#endif
}

// Runs that find no log all make it at once: each of them opens the one file, none is
// refused for a name another run held for a moment while putting the file in place.
TEST(AppendFile, RunsMakingTheLogAtOnceAllOpenIt) {
    const TemporaryDirectory directory;
    constexpr int kRounds = 200;
    constexpr int kRuns = 4;
    for (int round = 0; round < kRounds; ++round) {
        const fs::path path = directory / ("audit" + std::to_string(round) + ".jsonl");
        std::atomic<int> ready{0};
        std::vector<std::string> errors(kRuns);
        std::vector<std::thread> runs;
        for (int r = 0; r < kRuns; ++r) {
            runs.emplace_back([&, r] {
                ready.fetch_add(1);
                while (ready.load() < kRuns) {
                    std::this_thread::yield();
                }
                Open(path, errors[r]);
            });
        }
        for (std::thread& run : runs) {
            run.join();
        }
        for (const std::string& error : errors) {
            ASSERT_EQ(error, "") << "round " << round;
        }
    }
}

// Writers with handles of their own, as separate programs have: every line arrives whole and
// alone on its line, however long.
TEST(AppendFile, WritersAtOnceNeverTearOrMixALine) {
    const TemporaryDirectory directory;
    const fs::path path = directory / "audit.jsonl";
    constexpr int kWriters = 4;
    constexpr int kLines = 60;
    std::vector<std::thread> writers;
    std::vector<std::string> errors(kWriters);
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            auto file = Open(path, errors[w]);
            for (int i = 0; file && i < kLines && errors[w].empty(); ++i) {
                // Up to 200 KB: longer than a pipe's or a page's atomic write.
                const std::size_t length = 1 + static_cast<std::size_t>(i * 7919 % 200000);
                file->Append(std::to_string(w) + ' ' + std::to_string(length) + ' ' +
                                 std::string(length, static_cast<char>('a' + w)) + '\n',
                             errors[w]);
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    for (const std::string& error : errors) {
        EXPECT_EQ(error, "");
    }
    const std::string text = ReadText(path);
    std::vector<int> lines(kWriters);
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "the last line has no end";
        const std::string line = text.substr(start, end - start);
        const int w = line[0] - '0';
        ASSERT_TRUE(w >= 0 && w < kWriters) << line.substr(0, 40);
        const std::size_t space = line.find(' ', 2);
        const std::size_t length = std::stoul(line.substr(2, space - 2));
        ASSERT_EQ(line.substr(space + 1), std::string(length, static_cast<char>('a' + w)))
            << "a torn or mixed line of writer " << w;
        ++lines[w];
    }
    EXPECT_EQ(lines, std::vector<int>(kWriters, kLines));
}

}  // namespace
}  // namespace norvik::test
