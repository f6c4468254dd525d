#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "devsim/device.h"
#include "devsim/generate.h"

namespace norvik::devsim {

// Devices that come and go, as on a site over hours: at every step some devices leave and new
// ones (a MAC never seen before, its own address and name) take their places, and some others
// get a new name and address.
struct ChurnSettings {
    std::uint32_t replace = 0;  // devices replaced at each step
    std::uint32_t move = 0;     // devices renamed and readdressed at each step
};

class DeviceChurn {
public:
    // New devices are generated from `base` with the indexes from `next_index` on, so that
    // they follow the generated devices already in the table.
    DeviceChurn(ChurnSettings settings, GeneratorBase base, std::uint32_t next_index)
        : settings_(settings), base_(base), next_index_(next_index) {}

    // One step over the table; both kinds go round it in turn, each at most once a step.
    // Returns the indexes of the devices replaced.
    std::vector<std::size_t> Step(std::vector<Device>& devices);

    std::uint64_t steps() const { return steps_; }

private:
    ChurnSettings settings_;
    GeneratorBase base_;
    std::uint32_t next_index_;
    std::size_t next_replaced_ = 0;
    std::size_t next_moved_ = 0;
    std::uint64_t steps_ = 0;
};

}  // namespace norvik::devsim
