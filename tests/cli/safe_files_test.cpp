// Files written safely: only a regular file (or nothing) is replaced, through a temporary file
// of our own that never outlives the call, and never through a link.
#include "safe_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "test_files.h"
#include "text_assertions.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace norvik::test {
namespace {

namespace fs = std::filesystem;

void Put(const fs::path& path, std::string_view text) {
    WriteFile(path, RawBytes(text));
}

// What is in a directory, by name: a temporary file left behind shows here.
std::set<std::string> Entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.insert(PathUtf8(entry.path().filename()));
    }
    return names;
}

struct Outcome {
    bool ok;
    std::string error;
};

Outcome Replace(const fs::path& path, std::string_view contents) {
    Outcome outcome{false, {}};
    outcome.ok = cli::ReplaceFileContents(PathUtf8(path), contents, outcome.error);
    return outcome;
}

Outcome Check(const fs::path& path) {
    Outcome outcome{false, {}};
    outcome.ok = cli::CheckReplaceable(PathUtf8(path), outcome.error);
    return outcome;
}

// Both the replacement and the start-up check refuse the name, saying why.
void ExpectRefused(const fs::path& path, const std::string& why) {
    for (const Outcome& outcome : {Replace(path, "x"), Check(path)}) {
        EXPECT_FALSE(outcome.ok) << path;
        EXPECT_FALSE(outcome.error.empty()) << path;
        EXPECT_TRUE(Contains(outcome.error, why)) << path;
    }
}

TEST(SafeFiles, TemporaryNamesAreHiddenBesideTheFileAndNotPromFiles) {
    EXPECT_EQ(cli::TemporaryFileFor("dir/norvik.prom", 0), "dir/.norvik.prom.aaaaaaaaaa.tmp");
    EXPECT_EQ(cli::TemporaryFileFor("norvik.prom", 61 + 62), ".norvik.prom.9baaaaaaaa.tmp");
    EXPECT_EQ(cli::TemporaryFileFor("C:\\m\\n.prom", 1), "C:\\m\\.n.prom.baaaaaaaaa.tmp");
    EXPECT_NE(cli::TemporaryFileFor("/m/n.prom"), cli::TemporaryFileFor("/m/n.prom"));
}

TEST(SafeFiles, ARegularFileIsReplacedAndAnAbsentOneMade) {
    const TemporaryDirectory dir;
    const fs::path metrics = dir / "norvik.prom";
    EXPECT_TRUE(Check(metrics).ok);
    EXPECT_FALSE(fs::exists(metrics)) << "the check wrote it";
    const Outcome made = Replace(metrics, "first\n");
    ASSERT_TRUE(made.ok) << made.error;
    EXPECT_EQ(ReadText(metrics), "first\n");
    const Outcome checked = Check(metrics);
    EXPECT_TRUE(checked.ok) << checked.error;
    EXPECT_EQ(ReadText(metrics), "first\n");
#ifndef _WIN32
    // The collector reads it as another user, whatever our umask.
    const mode_t umask_before = ::umask(077);
    const Outcome replaced = Replace(metrics, "second\n");
    ::umask(umask_before);
    struct stat status {};
    ASSERT_EQ(::stat(metrics.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644u);
#else
    const Outcome replaced = Replace(metrics, "second\n");
#endif
    ASSERT_TRUE(replaced.ok) << replaced.error;
    EXPECT_EQ(ReadText(metrics), "second\n");
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"norvik.prom"});
}

TEST(SafeFiles, AFolderAtTheNameIsRefusedAndLeftAsItIs) {
    const TemporaryDirectory dir;
    const fs::path metrics = dir / "norvik.prom";
    fs::create_directory(metrics);
    ExpectRefused(metrics, "not a regular file: left as it is");
    EXPECT_TRUE(fs::is_directory(metrics));
    EXPECT_TRUE(fs::is_empty(metrics));
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"norvik.prom"});
}

TEST(SafeFiles, AMissingFolderFailsAndLeavesNothing) {
    const TemporaryDirectory dir;
    const fs::path metrics = dir / "gone" / "norvik.prom";
    ExpectRefused(metrics, "");
    EXPECT_TRUE(Entries(dir.path()).empty());
}

TEST(SafeFiles, ALinkAtTheNameIsRefusedAndItsTargetUntouched) {
    const TemporaryDirectory dir;
    const fs::path target = dir / "target";
    const fs::path metrics = dir / "norvik.prom";
    Put(target, "precious\n");
    if (const std::string error = MakeSymbolicLink(target, metrics); !error.empty()) {
        GTEST_SKIP() << "no symbolic link can be made here: " << error;
    }
    ExpectRefused(metrics, "not a regular file: left as it is");
    EXPECT_TRUE(fs::is_symlink(metrics));
    EXPECT_EQ(ReadText(target), "precious\n");
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"norvik.prom", "target"}));
}

// The name the program once used for its temporary file: a link planted there is not followed.
TEST(SafeFiles, ALinkAtTheOldTemporaryNameIsNotFollowed) {
    const TemporaryDirectory dir;
    const fs::path target = dir / "target";
    const fs::path metrics = dir / "norvik.prom";
    Put(target, "precious\n");
    if (const std::string error = MakeSymbolicLink(target, dir / "norvik.prom.tmp");
        !error.empty()) {
        GTEST_SKIP() << "no symbolic link can be made here: " << error;
    }
    const Outcome outcome = Replace(metrics, "new\n");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(ReadText(metrics), "new\n");
    EXPECT_EQ(ReadText(target), "precious\n");
    EXPECT_TRUE(fs::is_symlink(dir / "norvik.prom.tmp"));
    EXPECT_EQ(Entries(dir.path()),
              (std::set<std::string>{"norvik.prom", "norvik.prom.tmp", "target"}));
}

#ifndef _WIN32
TEST(SafeFiles, AFifoOrADeviceIsRefusedWithoutOpeningIt) {
    const TemporaryDirectory dir;
    const fs::path fifo = dir / "norvik.prom";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::set<std::string> entries = {"norvik.prom"};
    // Root may rename over /dev/null: a fault here would take the machine's own. Root gets a
    // node of the same device of its own; anybody else cannot harm /dev.
    fs::path device = "/dev/null";
    if (::geteuid() == 0) {
        device = dir / "null";
        ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0)
            << std::strerror(errno);
        entries.insert("null");
    }
    // Opening the FIFO to write would block here, with nobody reading.
    const std::vector<fs::path> paths = {fifo, device};
    for (const fs::path& path : paths) {
        ExpectRefused(path, path == fifo ? "a FIFO" : "a device");
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_character_file(device));
    EXPECT_EQ(Entries(dir.path()), entries);
}

// A write that fails after the temporary file was made: the file may not grow past 4 bytes.
TEST(SafeFiles, AFailedWriteRemovesTheTemporaryAndKeepsTheOldContents) {
    const TemporaryDirectory dir;
    const fs::path metrics = dir / "norvik.prom";
    Put(metrics, "old\n");
    struct rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit small = before;
    small.rlim_cur = 4;
    const auto handler_before = ::signal(SIGXFSZ, SIG_IGN);  // EFBIG instead of death
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Outcome outcome = Replace(metrics, "longer than four bytes\n");
    ::setrlimit(RLIMIT_FSIZE, &before);
    ::signal(SIGXFSZ, handler_before);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(Contains(outcome.error, "writing the temporary file failed"));
    EXPECT_EQ(ReadText(metrics), "old\n");
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"norvik.prom"});
}

TEST(SafeFiles, AFolderWeCannotWriteToFailsAndLeavesNothing) {
    const TemporaryDirectory dir;
    const fs::path metrics = dir / "norvik.prom";
    Put(metrics, "old\n");
    // Root writes to a folder whatever its mode, so as root the user nobody tries, owning both.
    const bool as_nobody = ::geteuid() == 0;
    if (as_nobody) {
        ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(metrics.c_str(), 65534, 65534), 0);
    }
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (as_nobody && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(10);
        }
        ExpectRefused(metrics, "creating a temporary file in its directory failed");
        ::_exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0) << "the child's failures are above";
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_EQ(ReadText(metrics), "old\n");
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"norvik.prom"});
}
#else
TEST(SafeFiles, ADeviceIsRefused) {
    ExpectRefused("NUL", "not a regular file: left as it is");
}
#endif

}  // namespace
}  // namespace norvik::test
