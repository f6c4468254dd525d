#include "nothing_arrived.h"

namespace norvik {

std::string NothingArrivedHere(std::string_view program, double seconds) {
    return NothingArrivedOnLinux(program, seconds);
}

}  // namespace norvik
