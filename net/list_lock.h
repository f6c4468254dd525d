#pragma once

#include <mutex>
#include <string>

namespace norvik {

// "LIST LOCK": guards the device list and its rows. It is shared by every running copy of the
// program of the same user, so that copies take turns with their datagrams. Another user's
// process can neither take nor block it, and a copy that dies holding it releases it.
// Lockable, so std::lock_guard and std::unique_lock work with it.
class ListLock {
public:
    // Where the current user's copies meet.
    static std::string DefaultPath();

    // A lock shared through the given path; with an empty path, or a path that is not safe to
    // share (not this user's), the lock serves this process alone.
    explicit ListLock(const std::string& shared_path);
    ~ListLock();
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;

    void lock();
    void unlock();
    bool try_lock();

    // Whether other processes share this lock.
    bool shared() const;

private:
    // Threads of this process queue here first; the shared part then orders the processes.
    std::mutex threads_;
#ifdef _WIN32
    void* mutex_handle_ = nullptr;
#else
    struct SharedState;
    SharedState* shared_ = nullptr;  // mapped from the per-user file
    bool shared_held_ = false;       // guarded by threads_
#endif
};

}  // namespace norvik
