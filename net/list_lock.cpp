#include "list_lock.h"

#ifdef _WIN32
#include <windows.h>

#include "utf.h"
#else
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#endif

namespace norvik {

#ifdef _WIN32

// A named mutex in the session's own namespace, so copies in other sessions (other users at
// the same PC) neither share nor block it; an abandoned one is handed to the next waiter, so a
// crashed copy does not leave it held.
std::string ListLock::DefaultPath() {
    return "Local\\LIST LOCK";
}

ListLock::ListLock(const std::string& shared_path) {
    if (!shared_path.empty()) {
        mutex_handle_ = ::CreateMutexW(nullptr, FALSE, ToWide(Utf8ToUtf16(shared_path)).c_str());
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
        // WAIT_ABANDONED: a copy died holding it; the list it guarded died with it.
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

// A robust mutex in a file that only this user can open: taking it costs no system call while
// nobody else holds it, and a holder that dies hands it to the next waiter.
struct ListLock::SharedState {
    std::uint32_t magic;
    pthread_mutex_t mutex;
};

namespace {

constexpr std::uint32_t kSharedStateMagic = 0x4E4C4B31;  // "NLK1"

bool IsPrivateDirectoryOfThisUser(const char* path) {
    struct stat status;
    return path != nullptr && path[0] == '/' && ::stat(path, &status) == 0 &&
           S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
           (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

int OpenOwnFile(const std::string& path) {
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
    if (::fstat(fd, &status) == 0 && (status.st_size >= kSize || ::ftruncate(fd, kSize) == 0)) {
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
    if (IsPrivateDirectoryOfThisUser(runtime_dir)) {
        return std::string(runtime_dir) + "/norvik-list-lock";
    }
    return "/tmp/norvik-list-lock-" + std::to_string(::geteuid());
}

ListLock::ListLock(const std::string& shared_path) {
    if (shared_path.empty()) {
        return;
    }
    const int fd = OpenOwnFile(shared_path);
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

#endif

}  // namespace norvik
