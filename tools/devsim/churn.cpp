#include "devsim/churn.h"

#include <algorithm>
#include <string>

namespace norvik::devsim {

std::vector<std::size_t> DeviceChurn::Step(std::vector<Device>& devices) {
    ++steps_;
    std::vector<std::size_t> replaced;
    if (devices.empty()) {
        return replaced;
    }
    const std::size_t size = devices.size();
    for (std::size_t i = 0; i < std::min<std::size_t>(settings_.replace, size); ++i) {
        const std::size_t slot = next_replaced_;
        next_replaced_ = (next_replaced_ + 1) % size;
        devices[slot] = GenerateDevice(devices[slot].protocol, next_index_++, base_);
        replaced.push_back(slot);
    }
    for (std::size_t i = 0; i < std::min<std::size_t>(settings_.move, size); ++i) {
        Device& device = devices[next_moved_];
        // The second octet flips: a new address at every move, back and forth. The name tells
        // the step and the slot.
        device.ip[1] ^= 1;
        device.gateway[1] ^= 1;
        const std::string name =
            "moved-" + std::to_string(steps_ % 100000) + "-" + std::to_string(next_moved_);
        device.name = NameFromText(name.substr(0, wire::kNameSize)).value_or(device.name);
        next_moved_ = (next_moved_ + 1) % size;
    }
    return replaced;
}

}  // namespace norvik::devsim
