// LIST LOCK on Windows: a named mutex shared by every copy in the session.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "list_lock.h"
#include "utf.h"

namespace norvik {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A child copy of this program takes the lock, tells the parent through an event, holds the
// lock for hold_ms (or until it is killed, with hold_ms 0) and exits.
constexpr char kHoldSwitch[] = "--hold-list-lock";

int HoldLock(const std::string& name, int hold_ms) {
    ListLock lock(name);
    lock.lock();
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, ToWide(Utf8ToUtf16(name + " ready")).c_str());
    SetEvent(ready);
    CloseHandle(ready);
    Sleep(hold_ms > 0 ? static_cast<DWORD>(hold_ms) : INFINITE);
    lock.unlock();
    return 0;
}

class ListLockTest : public testing::Test {
protected:
    ListLockTest()
        : name_("norvik-list-lock-test-" + std::to_string(GetCurrentProcessId())),
          ready_(CreateEventW(nullptr, TRUE, FALSE, ToWide(Utf8ToUtf16(name_ + " ready")).c_str())) {}
    ~ListLockTest() override {
        if (child_.hProcess != nullptr) {
            TerminateProcess(child_.hProcess, 1);
            CloseHandle(child_.hProcess);
            CloseHandle(child_.hThread);
        }
        CloseHandle(ready_);
    }

    // Starts the child and returns once it holds the lock.
    void StartHolder(int hold_ms) {
        wchar_t program[MAX_PATH];
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(program) + L"\" " +
                               ToWide(Utf8ToUtf16(std::string(kHoldSwitch) + " \"" + name_ +
                                                  "\" " + std::to_string(hold_ms)));
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessW(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &child_));
        ASSERT_EQ(WaitForSingleObject(ready_, 10000), WAIT_OBJECT_0);
    }
    DWORD WaitForChild() {
        WaitForSingleObject(child_.hProcess, 10000);
        DWORD code = 0;
        GetExitCodeProcess(child_.hProcess, &code);
        return code;
    }

    std::string name_;
    HANDLE ready_;
    PROCESS_INFORMATION child_{};
};

TEST_F(ListLockTest, TwoProcessesTakeTurns) {
    ListLock lock(name_);
    ASSERT_TRUE(lock.shared());
    StartHolder(300);
    EXPECT_FALSE(lock.try_lock());
    const auto start = Clock::now();
    lock.lock();
    EXPECT_GE(Clock::now() - start, 200ms);
    lock.unlock();
    EXPECT_EQ(WaitForChild(), 0u);
}

// A copy that dies holding the lock leaves it abandoned; the next one takes it at once.
TEST_F(ListLockTest, AHolderThatDiesHandsTheLockOn) {
    ListLock lock(name_);
    StartHolder(0);
    EXPECT_FALSE(lock.try_lock());
    ASSERT_TRUE(TerminateProcess(child_.hProcess, 9));
    WaitForChild();
    const auto start = Clock::now();
    lock.lock();
    EXPECT_LT(Clock::now() - start, 2s);
    lock.unlock();
    EXPECT_TRUE(lock.try_lock());
    lock.unlock();
}

TEST_F(ListLockTest, ThreadsOfOneProcessTakeTurns) {
    ListLock lock(name_);
    lock.lock();
    bool other_got_it = true;
    std::thread other([&] { other_got_it = lock.try_lock(); });
    other.join();
    EXPECT_FALSE(other_got_it);
    lock.unlock();
    std::thread again([&] {
        other_got_it = lock.try_lock();
        if (other_got_it) {
            lock.unlock();
        }
    });
    again.join();
    EXPECT_TRUE(other_got_it);
}

// A mutex of that name that another user made first is not used: the lock serves this
// process alone.
TEST_F(ListLockTest, AMutexAnotherUserMadeIsNotShared) {
    // The well-known "Everyone" stands for another user as the owner.
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size));
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&descriptor, everyone, FALSE));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    const HANDLE theirs = CreateMutexW(&attributes, FALSE, ToWide(Utf8ToUtf16(name_)).c_str());
    ASSERT_NE(theirs, nullptr);
    EXPECT_FALSE(ListLock(name_).shared());
    CloseHandle(theirs);
    EXPECT_TRUE(ListLock(name_).shared());  // gone with its last handle: ours now
}

TEST(ListLock, TheProgramsLockLivesInTheSession) {
    EXPECT_EQ(ListLock::DefaultPath(), "Local\\LIST LOCK");
}

}  // namespace
}  // namespace norvik

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == norvik::kHoldSwitch) {
        return norvik::HoldLock(argv[2], std::atoi(argv[3]));
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
