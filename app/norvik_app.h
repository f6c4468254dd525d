#pragma once

#include "list_lock.h"

namespace norvik {

// The application: makes the socket layer ready and runs the main dialog until it ends.
class NorvikApp {
public:
    explicit NorvikApp(ListLock& lock) : lock_(lock) {}

    // Returns the process's exit code.
    int InitInstance();

private:
    ListLock& lock_;
};

}  // namespace norvik
