#pragma once

// Datagrams as devices send them, laid out here from the protocol tables on their own, so that
// a wrong offset in the code under test cannot hide behind the same wrong offset here.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace norvik::test {

using Bytes = std::vector<std::uint8_t>;

struct Device {
    std::array<std::uint8_t, 6> mac{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::array<std::uint8_t, 4> ip{192, 168, 1, 10};
    std::array<std::uint8_t, 4> netmask{255, 255, 255, 0};
    std::array<std::uint8_t, 4> gateway{192, 168, 1, 1};
    std::array<std::uint8_t, 18> name{};  // raw bytes, see Named()
    std::string tag = "AB";
    std::string http_port = "80";  // PCEdit: ASCII field; 3297: a number
    std::string port2 = "0";
    std::array<std::uint8_t, 4> dns1{8, 8, 8, 8};
    std::array<std::uint8_t, 4> dns2{0, 0, 0, 0};
    std::uint8_t dhcp = 0;

    Device& Named(const std::string& text) {
        name.fill(0);
        std::memcpy(name.data(), text.data(), std::min(text.size(), name.size()));
        return *this;
    }
    Device& WithIp(std::array<std::uint8_t, 4> address) {
        ip = address;
        return *this;
    }
    Device& WithMacLastOctet(std::uint8_t octet) {
        mac[5] = octet;
        return *this;
    }
};

template <std::size_t N>
void Put(Bytes& b, std::size_t at, const std::array<std::uint8_t, N>& a) {
    std::copy(a.begin(), a.end(), b.begin() + static_cast<long>(at));
}
inline void Put(Bytes& b, std::size_t at, const Bytes& values) {
    std::copy(values.begin(), values.end(), b.begin() + static_cast<long>(at));
}
// At most width characters of the text.
inline void Put(Bytes& b, std::size_t at, const std::string& s, std::size_t width) {
    std::copy_n(s.begin(), std::min(s.size(), width), b.begin() + static_cast<long>(at));
}
inline void PutI32Le(Bytes& b, std::size_t at, std::int32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
    }
}

// The searches as the program sends them.
inline Bytes PcEditSearchRequest() {
    Bytes request(74, 0);
    Put(request, 0, {'P', 'C', 'E', 'd', 'i', 't', 2});
    request[25] = request[32] = request[60] = 2;
    return request;
}
inline Bytes Search3297Request() {
    Bytes request(445, 0);
    Put(request, 0, {'3', '2', '9', '7', 0xbd, 0x01, 0x31});
    return request;
}

// A PCEdit report cut to length bytes (70 carries every field).
inline Bytes PcEditReport(const Device& d, std::size_t length = 70, std::uint8_t type = 0) {
    Bytes b(std::max<std::size_t>(length, 70), 0);
    Put(b, 0, std::string("IPCam"), 5);
    b[5] = type;
    Put(b, 6, d.tag, 4);
    Put(b, 10, d.ip);
    Put(b, 14, d.mac);
    Put(b, 20, d.netmask);
    Put(b, 27, d.gateway);
    Put(b, 32, d.name);
    Put(b, 50, d.http_port, 5);
    Put(b, 55, d.port2, 5);
    Put(b, 61, d.dns1);
    Put(b, 65, d.dns2);
    b[69] = d.dhcp;
    b.resize(length);
    return b;
}

inline Bytes Report3297(const Device& d, std::uint8_t type = 1, std::size_t length = 445) {
    Bytes b(std::max<std::size_t>(length, 445), 0);
    Put(b, 0, std::string("3297"), 4);
    b[4] = 0xBD;
    b[5] = 0x01;
    b[6] = type;
    Put(b, 8, d.mac);
    Put(b, 14, d.tag, 4);
    Put(b, 23, d.ip);
    Put(b, 39, d.netmask);
    Put(b, 57, d.gateway);
    PutI32Le(b, 74, std::stoi(d.http_port));
    PutI32Le(b, 79, std::stoi(d.port2));
    Put(b, 84, d.dns1);
    Put(b, 100, d.dns2);
    b[117] = d.dhcp;
    Put(b, 380, d.name);
    b.resize(length);
    return b;
}

}  // namespace norvik::test
