#pragma once

// The network adapters Windows reports. Only loopback adapters tell a Wine whose sockets stay
// inside the private network namespace tools/wine/norvik-wine made from one (or a PC) whose
// broadcasts would reach a real network.
#include <winsock2.h>
// After winsock2.h, which it needs.
#include <iphlpapi.h>

#include <optional>
#include <string>
#include <vector>

namespace norvik::wine {

struct Adapter {
    std::wstring name;
    std::string id;
    bool loopback = false;
};

// Nothing when Windows cannot say.
inline std::optional<std::vector<Adapter>> ListAdapters() {
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result =
            GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_INCLUDE_ALL_INTERFACES, nullptr,
                                 reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    std::vector<Adapter> adapters;
    if (result == ERROR_NO_DATA) {
        return adapters;
    }
    if (result != NO_ERROR) {
        return std::nullopt;
    }
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter != nullptr;
         adapter = adapter->Next) {
        adapters.push_back({adapter->FriendlyName, adapter->AdapterName,
                            adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK});
    }
    return adapters;
}

}  // namespace norvik::wine
