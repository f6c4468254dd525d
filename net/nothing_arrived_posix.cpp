#include "nothing_arrived.h"

#include "network_interfaces.h"

namespace norvik {

std::string NothingArrivedHere(std::string_view program, double seconds) {
    return NothingArrivedOnLinux(program, seconds, !SendingInterfaces().empty());
}

}  // namespace norvik
