// Fuzz target: two devices made of the fuzz bytes, written as norvik-scan --csv writes them and
// read back as norvik-set --plan reads them. Every value must come back exactly, so that a
// saved scan used as a plan changes nothing.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "fuzz_check.h"
#include "plan_csv.h"
#include "plan_file.h"

namespace {

using norvik::DeviceRecord;
using norvik::fuzz::Check;

// Takes bytes from the front of the input; zeros once it is used up.
class Bytes {
public:
    explicit Bytes(std::span<const std::uint8_t> data) : data_(data) {}
    std::uint8_t Byte() { return next_ < data_.size() ? data_[next_++] : 0; }
    template <std::size_t N>
    void Fill(std::array<std::uint8_t, N>& out) {
        std::generate(out.begin(), out.end(), [this] { return Byte(); });
    }
    std::int32_t Int32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = value << 8 | Byte();
        }
        return static_cast<std::int32_t>(value);  // modulo 2^32, as C++20 defines it
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t next_ = 0;
};

DeviceRecord Device(Bytes& bytes) {
    DeviceRecord d;
    bytes.Fill(d.mac);
    bytes.Fill(d.ip);
    bytes.Fill(d.netmask);
    bytes.Fill(d.gateway);
    bytes.Fill(d.name);
    bytes.Fill(d.dns1);
    bytes.Fill(d.dns2);
    d.http_port = bytes.Int32();
    const std::uint8_t flags = bytes.Byte();
    d.dns_enabled = flags & 1;
    d.dhcp_on = (flags >> 1) & 1;
    d.dhcp_supported = (flags >> 2) & 1;
    d.reported = static_cast<std::uint8_t>(flags >> 3 & 7);
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(std::span(data, size));
    constexpr std::array<char, 3> kSeparators = {',', ';', '\t'};
    const char separator = kSeparators[bytes.Byte() % kSeparators.size()];
    std::array<DeviceRecord, 2> devices = {Device(bytes), Device(bytes)};
    devices[1].mac[0] = static_cast<std::uint8_t>(devices[0].mac[0] ^ 1);  // two devices

    std::string csv = norvik::cli::PlanCsvHeader(separator);
    std::array<int, 2> lines{};
    std::array<bool, 2> left_empty{};
    for (std::size_t i = 0; i < devices.size(); ++i) {
        lines[i] = static_cast<int>(std::count(csv.begin(), csv.end(), '\n')) + 1;
        csv += norvik::cli::PlanCsvRow(devices[i], &left_empty[i], separator);
    }
    const norvik::cli::Plan plan = norvik::cli::ReadPlan(csv);
    Check(plan.problems.empty() && plan.rows.size() == devices.size());
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const DeviceRecord& d = devices[i];
        const norvik::cli::PlanRow& row = plan.rows[i];
        const norvik::cli::DeviceEdits& e = row.edits;
        const std::string name(d.name.begin(), std::find(d.name.begin(), d.name.end(), 0));
        // A name a plan cannot carry is left empty, and said so; any other comes back.
        Check(left_empty[i] == !norvik::cli::IsPlanNameText(name));
        const bool keeps_name = name.empty() || left_empty[i];
        Check(keeps_name ? !e.name.has_value() : e.name == name);
        Check(row.line == lines[i] && row.mac == d.mac);
        Check(e.ip == d.ip && e.netmask == d.netmask && e.gateway == d.gateway);
        const bool dns = (d.reported & norvik::kReportedDns) != 0;
        Check(e.dns1 == (dns ? std::optional(d.dns1) : std::nullopt));
        Check(e.dns2 == (dns ? std::optional(d.dns2) : std::nullopt));
        const bool ports = (d.reported & norvik::kReportedPorts) != 0;
        Check(e.port == (ports ? std::optional<long long>(d.http_port) : std::nullopt));
        const bool mode = (d.reported & norvik::kReportedMode) != 0;
        Check(e.dhcp == (mode ? std::optional(d.dhcp_on != 0) : std::nullopt));
    }
    return 0;
}
