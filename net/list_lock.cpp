#include "list_lock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace norvik {

#ifdef _WIN32

// A named mutex lives in the session's own namespace; an abandoned one is handed to the next
// waiter, so a crashed copy does not leave it held.
std::string ListLock::DefaultPath() {
    return "LIST LOCK";
}

ListLock::ListLock(const std::string& shared_path) {
    if (!shared_path.empty()) {
        const std::wstring name(shared_path.begin(), shared_path.end());
        mutex_handle_ = ::CreateMutexW(nullptr, FALSE, name.c_str());
    }
}

ListLock::~ListLock() {
    if (mutex_handle_ != nullptr) {
        ::CloseHandle(mutex_handle_);
    }
}

void ListLock::lock() {
    threads_.lock();
    if (mutex_handle_ != nullptr) {
        ::WaitForSingleObject(mutex_handle_, INFINITE);
    }
}

bool ListLock::try_lock() {
    if (!threads_.try_lock()) {
        return false;
    }
    if (mutex_handle_ != nullptr) {
        const DWORD result = ::WaitForSingleObject(mutex_handle_, 0);
        if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) {
            threads_.unlock();
            return false;
        }
    }
    return true;
}

void ListLock::unlock() {
    if (mutex_handle_ != nullptr) {
        ::ReleaseMutex(mutex_handle_);
    }
    threads_.unlock();
}

bool ListLock::shared() const {
    return mutex_handle_ != nullptr;
}

#else

namespace {

bool IsPrivateDirectoryOfThisUser(const char* path) {
    struct stat status;
    return path != nullptr && path[0] == '/' && ::stat(path, &status) == 0 &&
           S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// A file lock: the kernel drops it when its holder dies, however it dies.
int OpenSharedLockFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    struct stat status;
    // A file another user put in our place must not let that user hold our lock.
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid() ||
        ((status.st_mode & 077) != 0 && ::fchmod(fd, 0600) != 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool FileLock(int fd, int operation) {
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string ListLock::DefaultPath() {
    const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
    if (IsPrivateDirectoryOfThisUser(runtime_dir)) {
        return std::string(runtime_dir) + "/norvik-list-lock";
    }
    return "/tmp/norvik-list-lock-" + std::to_string(::geteuid());
}

ListLock::ListLock(const std::string& shared_path) {
    if (!shared_path.empty()) {
        fd_ = OpenSharedLockFile(shared_path);
    }
}

ListLock::~ListLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void ListLock::lock() {
    threads_.lock();
    if (fd_ >= 0) {
        // Should the system refuse a file lock, this process's own threads still take turns.
        FileLock(fd_, LOCK_EX);
    }
}

bool ListLock::try_lock() {
    if (!threads_.try_lock()) {
        return false;
    }
    if (fd_ >= 0 && !FileLock(fd_, LOCK_EX | LOCK_NB)) {
        threads_.unlock();
        return false;
    }
    return true;
}

void ListLock::unlock() {
    if (fd_ >= 0) {
        FileLock(fd_, LOCK_UN);
    }
    threads_.unlock();
}

bool ListLock::shared() const {
    return fd_ >= 0;
}

#endif

}  // namespace norvik
