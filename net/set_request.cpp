#include "set_request.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "utf.h"

namespace norvik::pcedit {
namespace {

// Names compare as C strings over at most their 18 bytes.
bool SameName(const DeviceName& a, const DeviceName& b) {
    return std::strncmp(reinterpret_cast<const char*>(a.data()),
                        reinterpret_cast<const char*>(b.data()), a.size()) == 0;
}

bool Unchanged(const DeviceRecord& record, const SetValues& values) {
    return values.ip == record.ip && values.gateway == record.gateway &&
           SameName(values.name, record.name) && values.netmask == record.netmask &&
           values.dns1 == record.dns1 && values.dns2 == record.dns2 &&
           values.http_port == record.http_port && values.dhcp == (record.dhcp_on != 0);
}

}  // namespace

DeviceName NameField(std::u16string_view name) {
    const std::string utf8 = Utf16ToUtf8(name);
    DeviceName field{};
    std::size_t length = std::min(utf8.size(), field.size());
    // Back off to the start of a character: a continuation byte is 10xxxxxx.
    if (length < utf8.size()) {
        while (length > 0 && (static_cast<std::uint8_t>(utf8[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::copy_n(utf8.data(), length, field.begin());
    return field;
}

bool PrepareSetRequest(DeviceList& devices, const SetValues& values, RequestBytes buffer) {
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0});
    DeviceRecord* selected = devices.selected();
    if (selected == nullptr || Unchanged(*selected, values)) {
        return false;
    }
    DeviceRecord& record = *selected;
    if (values.ip != record.ip) {
        buffer[request::kAddressFlag] = kFlagSet;
        devices.SetAddress(record, values.ip);
    }
    if (values.netmask != record.netmask) {
        buffer[request::kAddressFlag] = kFlagSet;
        record.netmask = values.netmask;
    }
    PutBytes(buffer, request::kAddressMarker, kAddressMarker);
    PutBytes(buffer, request::kAddress, record.ip);
    PutBytes(buffer, request::kMac, record.mac);
    PutBytes(buffer, request::kNetmask, record.netmask);
    if (values.gateway != record.gateway) {
        buffer[request::kGatewayFlag] = kFlagSet;
        record.gateway = values.gateway;
        PutBytes(buffer, request::kGatewayMarker, kGatewayMarker);
        PutBytes(buffer, request::kGateway, record.gateway);
    }
    if (!SameName(values.name, record.name)) {
        buffer[request::kNameFlag] = kFlagSet;
        record.name = CopyUpToNul(values.name);
        PutBytes(buffer, request::kName, record.name);
    }
    if (values.http_port != record.http_port) {
        buffer[request::kPortFlag] = kFlagSet;
        record.http_port = values.http_port;
        const std::string digits = std::to_string(values.http_port);
        PutText(buffer, request::kPortDigits,
                std::string_view(digits).substr(0, request::kPortDigitsWidth));
    }
    if (values.dns1 != record.dns1 || values.dns2 != record.dns2) {
        buffer[request::kDnsFlag] = kFlagSet;
        record.dns1 = values.dns1;
        record.dns2 = values.dns2;
        PutBytes(buffer, request::kDns1, record.dns1);
        PutBytes(buffer, request::kDns2, record.dns2);
    }
    // The record keeps its DHCP state: only the device's next report changes it.
    if (values.dhcp != (record.dhcp_on != 0)) {
        buffer[request::kDhcpFlag] = kFlagSet;
        buffer[request::kDhcpValue] = values.dhcp ? 1 : 0;
    }
    PutText(buffer, request::kMagic, kRequestMagic);
    return true;
}

}  // namespace norvik::pcedit
