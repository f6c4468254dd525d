#include "nothing_arrived.h"
#include "windows_firewall.h"

namespace norvik {

std::string NothingArrivedHere(std::string_view program, double seconds) {
    return NothingArrivedOnWindows(program, seconds, CardProfiles(), ProgramsToLetThrough());
}

}  // namespace norvik
