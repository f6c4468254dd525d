#include "list_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

namespace norvik {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

class ListLockTest : public testing::Test {
protected:
    ListLockTest() {
        char pattern[] = "/tmp/norvik-lock-test-XXXXXX";
        dir_ = ::mkdtemp(pattern);
        path_ = dir_ + "/lock";
    }
    ~ListLockTest() override { std::filesystem::remove_all(dir_); }

    // Runs body in a child process; returns the child's pid. The child tells the parent it is
    // ready by writing one byte to the pipe the parent then reads.
    template <typename Body>
    pid_t Child(Body body) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            ::_exit(body(ready[1]));
        }
        ::close(ready[1]);
        char byte;
        EXPECT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        return pid;
    }
    static int ExitCode(pid_t pid) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static void Ready(int fd) {
        const char byte = 'r';
        (void)!::write(fd, &byte, 1);
    }

    std::string dir_;
    std::string path_;
};

// Copies take turns, and one that dies holding the lock releases it.
TEST_F(ListLockTest, TwoProcessesTakeTurnsAndADeadHolderReleasesIt) {
    ListLock lock(path_);
    ASSERT_TRUE(lock.shared());
    const pid_t child = Child([this](int ready) {
        ListLock theirs(path_);
        theirs.lock();
        Ready(ready);
        std::this_thread::sleep_for(300ms);
        theirs.unlock();
        return 0;
    });
    EXPECT_FALSE(lock.try_lock());
    const auto start = Clock::now();
    lock.lock();
    EXPECT_GE(Clock::now() - start, 200ms);
    lock.unlock();
    EXPECT_EQ(ExitCode(child), 0);
    ExitCode(Child([this](int ready) {
        ListLock theirs(path_);
        theirs.lock();
        Ready(ready);
        ::raise(SIGKILL);  // dies holding it
        return 1;
    }));
    ASSERT_TRUE(lock.try_lock());
    lock.unlock();
    // And after that the lock is still shared: held here, another copy cannot take it.
    lock.lock();
    EXPECT_EQ(ExitCode(Child([this](int ready) {
                  ListLock theirs(path_);
                  Ready(ready);
                  return theirs.try_lock() ? 1 : 0;
              })),
              0);
    lock.unlock();
}

TEST_F(ListLockTest, AnotherUserCanNeitherOpenNorBlockIt) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as a second user";
    }
    ::chmod(dir_.c_str(), 0755);  // so that only the file's own mode keeps them out
    ListLock lock(path_);
    const std::string own_default = ListLock::DefaultPath();
    const pid_t child = Child([&](int ready) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            return 10;
        }
        ::unsetenv("XDG_RUNTIME_DIR");
        // Only the owner may read the file, so they cannot take part in it.
        const bool cannot_open = ::open(path_.c_str(), O_RDONLY) < 0 && errno == EACCES;
        ListLock theirs(path_);
        const bool apart =
            cannot_open && !theirs.shared() && ListLock::DefaultPath() != own_default;
        theirs.lock();  // only in their own process
        Ready(ready);
        std::this_thread::sleep_for(200ms);
        theirs.unlock();
        return apart ? 0 : 11;
    });
    EXPECT_TRUE(lock.try_lock());
    lock.unlock();
    EXPECT_EQ(ExitCode(child), 0);
}

// A runtime directory that others may write to is no place for the lock.
TEST_F(ListLockTest, ARuntimeDirectoryOthersMayWriteToIsNotUsed) {
    ASSERT_EQ(::chmod(dir_.c_str(), 0770), 0);
    const char* before = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = before != nullptr ? before : "";
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    const std::string path = ListLock::DefaultPath();
    if (before != nullptr) {
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_RUNTIME_DIR");
    }
    EXPECT_NE(path.rfind(dir_, 0), 0u) << path;
}

TEST_F(ListLockTest, AFileAnotherUserPutInItsPlaceIsNotShared) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to make a file for another user";
    }
    const int fd = ::open(path_.c_str(), O_CREAT | O_RDWR, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::fchown(fd, 65534, 65534), 0);
    ::close(fd);
    EXPECT_FALSE(ListLock(path_).shared());  // it still orders this process's threads
}

// Whatever else stands at the lock's name is neither shared nor written: a hard link to
// another file of ours, a symbolic link, a FIFO (opening it must not block either), a file of
// another size, a file others may read. Each would pass every other check: an empty file of
// ours, only this user may read.
TEST_F(ListLockTest, OnlyAFileMadeForTheLockIsShared) {
    const std::string other = dir_ + "/other";
    const auto make_other = [&](std::size_t size, mode_t mode) {
        const int fd = ::open(other.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
        EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        EXPECT_EQ(::fchmod(fd, mode), 0);
        ::close(fd);
    };
    const auto unchanged = [](const std::string& file, std::size_t size, mode_t mode) {
        struct stat status {};
        return ::stat(file.c_str(), &status) == 0 && status.st_size == static_cast<off_t>(size) &&
               (status.st_mode & 0777) == mode;
    };
    const struct {
        const char* what;
        std::size_t size;
        mode_t mode;
        std::function<void()> put_at_the_name;
    } cases[] = {
        {"a hard link", 0, 0600, [&] { EXPECT_EQ(::link(other.c_str(), path_.c_str()), 0); }},
        {"a symbolic link", 0, 0600,
         [&] { EXPECT_EQ(::symlink(other.c_str(), path_.c_str()), 0); }},
        {"a FIFO", 0, 0600, [&] { EXPECT_EQ(::mkfifo(path_.c_str(), 0600), 0); }},
        {"another size", 100, 0600, [&] { EXPECT_EQ(::link(other.c_str(), path_.c_str()), 0); }},
        {"readable by others", 0, 0644,
         [&] { EXPECT_EQ(::rename(other.c_str(), path_.c_str()), 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        make_other(c.size, c.mode);
        c.put_at_the_name();
        if (std::string(c.what) == "another size") {
            ::unlink(other.c_str());  // one name only: the size alone must keep it out
        }
        EXPECT_FALSE(ListLock(path_).shared());
        const std::string& left = std::filesystem::exists(other) ? other : path_;
        if (std::string(c.what) != "a FIFO") {
            EXPECT_TRUE(unchanged(left, c.size, c.mode));
        }
        ::unlink(path_.c_str());
        ::unlink(other.c_str());
    }
    // With the name free again, the lock makes its own file and shares it.
    EXPECT_TRUE(ListLock(path_).shared());
    struct stat status {};
    ASSERT_EQ(::stat(path_.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(status.st_nlink, 1u);
}

TEST_F(ListLockTest, ThreadsOfOneProcessExcludeEachOther) {
    for (const std::string& path : {path_, std::string()}) {  // shared, and this process's own
        ListLock lock(path);
        long counter = 0;
        auto work = [&] {
            for (int i = 0; i < 20000; ++i) {
                std::lock_guard guard(lock);
                counter = counter + 1;
            }
        };
        std::thread a(work);
        std::thread b(work);
        a.join();
        b.join();
        EXPECT_EQ(counter, 40000) << "path \"" << path << "\"";
    }
}

}  // namespace
}  // namespace norvik
