#include "list_lock.h"

#include <aclapi.h>
#include <windows.h>

#include <vector>

#include "utf.h"

namespace norvik {

// A named mutex in the session's own namespace, so copies in other sessions (other users at
// the same PC) neither share nor block it; only this user may open it, and one that another
// user made first is not used. An abandoned one is handed to the next waiter, so a crashed
// copy does not leave it held.
std::string ListLock::DefaultPath() {
    return "Local\\LIST LOCK";
}

namespace {

// The security identifier of the user this process runs as; empty if it cannot be read.
std::vector<BYTE> CurrentUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    std::vector<BYTE> sid;
    if (size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
        const PSID user_sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
        sid.resize(::GetLengthSid(user_sid));
        ::CopySid(static_cast<DWORD>(sid.size()), sid.data(), user_sid);
    }
    ::CloseHandle(token);
    return sid;
}

// Whether a kernel object's owner is this user.
bool OwnedBy(HANDLE object, PSID user) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const bool ours =
        ::GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) == ERROR_SUCCESS &&
        owner != nullptr && ::EqualSid(owner, user);
    ::LocalFree(descriptor);
    return ours;
}

// The named mutex, open to this user alone; null if it cannot be made or is another user's.
HANDLE OpenOwnMutex(const std::wstring& name) {
    std::vector<BYTE> user = CurrentUserSid();
    if (user.empty()) {
        return nullptr;
    }
    const PSID sid = user.data();
    std::vector<BYTE> acl_memory(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + user.size());
    auto* acl = reinterpret_cast<ACL*>(acl_memory.data());
    SECURITY_DESCRIPTOR descriptor;
    if (!::InitializeAcl(acl, static_cast<DWORD>(acl_memory.size()), ACL_REVISION) ||
        !::AddAccessAllowedAce(acl, ACL_REVISION, MUTEX_ALL_ACCESS, sid) ||
        !::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
        !::SetSecurityDescriptorOwner(&descriptor, sid, FALSE)) {
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    HANDLE mutex = ::CreateMutexW(&attributes, FALSE, name.c_str());
    if (mutex != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS && !OwnedBy(mutex, sid)) {
        ::CloseHandle(mutex);
        return nullptr;
    }
    return mutex;
}

}  // namespace

ListLock::ListLock(const std::string& shared_path) {
    if (!shared_path.empty()) {
        mutex_handle_ = OpenOwnMutex(ToWide(Utf8ToUtf16(shared_path)));
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

}  // namespace norvik
