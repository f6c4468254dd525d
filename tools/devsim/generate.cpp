#include "devsim/generate.h"

#include <string>

namespace norvik::devsim {
namespace {

template <std::size_t N>
std::array<std::uint8_t, N> AddToBigEndian(std::array<std::uint8_t, N> bytes,
                                           std::uint64_t amount) {
    for (std::size_t i = N; i-- > 0 && amount != 0;) {
        const std::uint64_t sum = bytes[i] + (amount & 0xff);
        bytes[i] = static_cast<std::uint8_t>(sum & 0xff);
        amount = (amount >> 8) + (sum >> 8);
    }
    return bytes;
}

}  // namespace

Device GenerateDevice(Protocol protocol, std::uint32_t index, const GeneratorBase& base) {
    Device device;
    device.protocol = protocol;
    device.mac = AddToBigEndian(base.first_mac, index);
    device.ip = AddToBigEndian(base.first_ip, index);
    device.netmask = {255, 255, 255, 0};
    device.gateway = {device.ip[0], device.ip[1], device.ip[2], 1};
    device.dns1 = device.gateway;
    device.http_port = 80;
    device.port2 = 554;
    device.tag = *TagFromText("cam");
    const std::string prefix = protocol == Protocol::kPcEdit ? "pcedit-" : "3297-";
    device.name = *NameFromText(prefix + std::to_string(std::uint64_t{index} + 1));
    return device;
}

}  // namespace norvik::devsim
