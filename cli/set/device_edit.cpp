#include "device_edit.h"

#include <algorithm>

#include "device_list.h"
#include "submit_checks.h"
#include "trace.h"
#include "utf.h"

namespace norvik::cli {
namespace {

std::string NameBytes(const DeviceName& name) {
    const auto end = std::find(name.begin(), name.end(), std::uint8_t{0});
    return std::string(name.begin(), end);
}

// A list holding a copy of the device alone, selected, for the code that Submit runs on the
// window's list.
void SelectCopy(DeviceList& list, const DeviceRecord& device) {
    DeviceRecord& copy = *list.AppendRecord(device.mac);
    list.SetAddress(copy, device.ip);
    copy.tag = device.tag;
    copy.netmask = device.netmask;
    copy.gateway = device.gateway;
    copy.name = device.name;
    copy.dns_enabled = device.dns_enabled;
    copy.http_port = device.http_port;
    copy.port2 = device.port2;
    copy.dns1 = device.dns1;
    copy.dns2 = device.dns2;
    copy.dhcp_on = device.dhcp_on;
    copy.dhcp_supported = device.dhcp_supported;
    list.set_selected(&copy);
}

}  // namespace

FieldTexts TextsOf(const pcedit::SetValues& v) {
    return {{{"name", NameBytes(v.name)},
             {"ip", DottedAddress(v.ip)},
             {"netmask", DottedAddress(v.netmask)},
             {"gateway", DottedAddress(v.gateway)},
             {"dns1", DottedAddress(v.dns1)},
             {"dns2", DottedAddress(v.dns2)},
             {"port", std::to_string(v.http_port)},
             {"mode", v.dhcp ? "dhcp" : "static"}}};
}

pcedit::SetValues ValuesOf(const DeviceRecord& device) {
    pcedit::SetValues values;
    values.name = device.name;
    values.ip = device.ip;
    values.netmask = device.netmask;
    values.gateway = device.gateway;
    values.dns1 = device.dns1;
    values.dns2 = device.dns2;
    values.http_port = device.http_port;
    values.dhcp = device.dhcp_on != 0;
    return values;
}

std::variant<PreparedSet, std::string> PrepareSet(const DeviceRecord& device,
                                                  const DeviceEdits& edits) {
    PreparedSet set;
    pcedit::SetValues& values = set.values;
    values = ValuesOf(device);
    if (edits.name) {
        const std::u16string name = Utf8ToUtf16(*edits.name);
        if (!NameFits(name)) {
            return "the name has more than " + std::to_string(kNameMaxChars) + " characters";
        }
        values.name = pcedit::NameField(name);
        set.name_cut = NameBytes(values.name).size() < edits.name->size();
    }
    if (edits.port) {
        if (!PortInRange(*edits.port)) {
            return "the port is not from " + std::to_string(kPortMin) + " to " +
                   std::to_string(kPortMax);
        }
        values.http_port = static_cast<int>(*edits.port);
    }
    values.ip = edits.ip.value_or(values.ip);
    values.netmask = edits.netmask.value_or(values.netmask);
    values.gateway = edits.gateway.value_or(values.gateway);
    values.dns1 = edits.dns1.value_or(values.dns1);
    values.dns2 = edits.dns2.value_or(values.dns2);
    values.dhcp = edits.dhcp.value_or(values.dhcp);
    if (RefusedAddress(values.ip)) {
        return "the address " + DottedAddress(values.ip) + " ends in .0 or .255";
    }
    set.asks_subnet_question = NeedsSubnetQuestion(values);

    const FieldTexts before = TextsOf(ValuesOf(device));
    const FieldTexts after = TextsOf(values);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i].second != after[i].second) {
            set.changes.push_back({before[i].first, before[i].second, after[i].second});
        }
    }
    DeviceList list;
    SelectCopy(list, device);
    if (!pcedit::PrepareSetRequest(list, values, set.request)) {
        set.changes.clear();
    }
    return set;
}

}  // namespace norvik::cli
