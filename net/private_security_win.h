#pragma once

// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on

namespace norvik {

// Security attributes that make a new file or folder private: full control for its owner, the
// system and the administrators, nothing for other users, and nothing inherited from a folder
// that lets everyone read (ProgramData does). A file that already exists keeps its own.
class PrivateSecurity {
public:
    PrivateSecurity() {
        ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:P(A;OICI;FA;;;OW)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SDDL_REVISION_1,
            &attributes_.lpSecurityDescriptor, nullptr);
    }
    ~PrivateSecurity() { LocalFree(attributes_.lpSecurityDescriptor); }
    PrivateSecurity(const PrivateSecurity&) = delete;
    PrivateSecurity& operator=(const PrivateSecurity&) = delete;

    // Null when the descriptor could not be made: the platform's default then.
    SECURITY_ATTRIBUTES* get() {
        return attributes_.lpSecurityDescriptor != nullptr ? &attributes_ : nullptr;
    }

private:
    SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

}  // namespace norvik
