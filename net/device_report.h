#pragma once

#include <atomic>
#include <optional>

#include "device_list.h"
#include "device_record.h"
#include "list_view.h"
#include "trace.h"
#include "user_messages.h"

namespace norvik {

// What one device report of either protocol says, already reduced to what goes into the
// record. The protocols differ only in which values a report carries.
struct DeviceReport {
    // The tag and the name as received; the record keeps them up to their first NUL.
    DeviceTag tag{};
    Ipv4 ip{};
    MacAddress mac{};
    Ipv4 netmask{};
    Ipv4 gateway{};
    DeviceName name{};

    // The two port numbers as the report spells them. A report without them stores 0, except
    // for the record it creates in an empty list, which takes them whatever they are.
    bool has_ports = true;
    std::int32_t http_port = 0;
    std::int32_t port2 = 0;

    // With DNS servers, dns_enabled becomes 1; without, 0 and the stored servers stay.
    bool has_dns = true;
    Ipv4 dns1{};
    Ipv4 dns2{};

    // Each is stored when present and left as it was when absent.
    std::optional<std::uint8_t> dhcp_on;
    std::optional<std::uint8_t> dhcp_supported;

    std::uint8_t protocol = 0;  // the kHeard* bit of the protocol it came in
};

// What a report handler works on, all of it guarded by LIST LOCK except the flag.
struct ReportContext {
    DeviceList& devices;
    ListView& view;
    std::atomic<int>& receive_busy;
    UserMessages& messages;  // for the note that the list is full
};

// Creates or updates the reporting device's record and its row, and notes the card the report
// came in on (0 when not known). Call with LIST LOCK held.
DatagramOutcome HandleDeviceReport(const ReportContext& context, const DeviceReport& report,
                                   std::uint32_t interface_index = 0);

// Copies up to the first NUL and fills the rest with NUL, as strncpy does.
template <typename Field>
Field CopyUpToNul(const Field& source) {
    Field copy{};
    for (std::size_t i = 0; i < source.size() && source[i] != 0; ++i) {
        copy[i] = source[i];
    }
    return copy;
}

}  // namespace norvik
