#include "list_lock.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace norvik {

// A robust mutex in a file that only this user can open, made for it and for nothing else:
// taking it costs no system call while nobody else holds it, and a holder that dies hands it
// to the next waiter. Anything else found at its name (a link, a FIFO, another user's file, a
// file of the wrong size) is left untouched, and the lock serves this process alone.
struct ListLock::SharedState {
    std::uint32_t magic;
    pthread_mutex_t mutex;
};

namespace {

constexpr std::uint32_t kSharedStateMagic = 0x4E4C4B31;  // "NLK1"

// A directory that this user owns and nobody else may write to. lstat: a link to one counts
// as nothing.
bool IsPrivateDirectoryOfThisUser(const std::string& path) {
    struct stat status;
    return !path.empty() && path[0] == '/' && ::lstat(path.c_str(), &status) == 0 &&
           S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Whether an open file can be the lock file this user made: a regular file of this user, with
// no other name (a hard link would make us write into some other file), of the lock's size or
// still empty (the copy that made it is about to size it).
bool IsOwnLockFile(int fd, off_t size) {
    struct stat status;
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
           status.st_nlink == 1 && (status.st_mode & 077) == 0 &&
           (status.st_size == 0 || status.st_size == size);
}

// Makes the lock file, or opens the one another copy made; -1 for anything else at that name.
// Never follows a symbolic link, never blocks on a FIFO.
int OpenOwnFile(const std::string& path, off_t size) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST) {
        fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    }
    if (fd < 0) {
        return -1;
    }
    if (!IsOwnLockFile(fd, size)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool InitialiseMutex(pthread_mutex_t* mutex) {
    pthread_mutexattr_t attributes;
    if (::pthread_mutexattr_init(&attributes) != 0) {
        return false;
    }
    const bool ok = ::pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
                    ::pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
                    ::pthread_mutex_init(mutex, &attributes) == 0;
    ::pthread_mutexattr_destroy(&attributes);
    return ok;
}

// Maps the shared state of an open lock file, making it the first time; the file lock keeps
// two copies that start together from both making it.
template <typename State>
State* MapSharedState(int fd) {
    if (::flock(fd, LOCK_EX) != 0) {
        return nullptr;
    }
    State* state = nullptr;
    struct stat status;
    constexpr auto kSize = static_cast<off_t>(sizeof(State));
    if (::fstat(fd, &status) == 0 && (status.st_size == kSize || ::ftruncate(fd, kSize) == 0)) {
        void* mapping = ::mmap(nullptr, sizeof(State), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (mapping != MAP_FAILED) {
            state = static_cast<State*>(mapping);
            if (state->magic != kSharedStateMagic) {
                if (InitialiseMutex(&state->mutex)) {
                    state->magic = kSharedStateMagic;
                } else {
                    ::munmap(mapping, sizeof(State));
                    state = nullptr;
                }
            }
        }
    }
    ::flock(fd, LOCK_UN);
    return state;
}

// Takes the shared mutex; false if it is beyond use.
bool LockShared(pthread_mutex_t* mutex, int result) {
    if (result == EOWNERDEAD) {
        // A copy died holding it; the list it guarded died with it, so there is nothing to
        // repair.
        ::pthread_mutex_consistent(mutex);
        return true;
    }
    return result == 0;
}

}  // namespace

std::string ListLock::DefaultPath() {
    const char* runtime_dir = std::getenv("XDG_RUNTIME_DIR");
    if (runtime_dir != nullptr && IsPrivateDirectoryOfThisUser(runtime_dir)) {
        return std::string(runtime_dir) + "/norvik-list-lock";
    }
    // Without one, a directory of our own in /tmp, made for it: in /tmp itself anybody could
    // put a file or a link at the lock's name first.
    const std::string directory = "/tmp/norvik-" + std::to_string(::geteuid());
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    return IsPrivateDirectoryOfThisUser(directory) ? directory + "/list-lock" : std::string();
}

ListLock::ListLock(const std::string& shared_path) {
    if (shared_path.empty()) {
        return;
    }
    const int fd = OpenOwnFile(shared_path, static_cast<off_t>(sizeof(SharedState)));
    if (fd >= 0) {
        shared_ = MapSharedState<SharedState>(fd);
        ::close(fd);  // the mapping stays
    }
}

ListLock::~ListLock() {
    if (shared_ != nullptr) {
        ::munmap(shared_, sizeof(SharedState));
    }
}

void ListLock::lock() {
    threads_.lock();
    if (shared_ != nullptr) {
        // Should the shared mutex be beyond use, this process's threads still take turns.
        shared_held_ = LockShared(&shared_->mutex, ::pthread_mutex_lock(&shared_->mutex));
    }
}

bool ListLock::try_lock() {
    if (!threads_.try_lock()) {
        return false;
    }
    if (shared_ != nullptr) {
        const int result = ::pthread_mutex_trylock(&shared_->mutex);
        if (result == EBUSY) {
            threads_.unlock();
            return false;
        }
        shared_held_ = LockShared(&shared_->mutex, result);
    }
    return true;
}

void ListLock::unlock() {
    if (shared_held_) {
        shared_held_ = false;
        ::pthread_mutex_unlock(&shared_->mutex);
    }
    threads_.unlock();
}

bool ListLock::shared() const {
    return shared_ != nullptr;
}

}  // namespace norvik
