// norvik-wine-adapters: lists the network adapters Windows reports and fails unless every one
// is a loopback adapter. tools/wine/norvik-wine runs it before anything that may send, so that
// a Wine whose sockets could reach a real network is never used.
#include <winsock2.h>
#include <iphlpapi.h>

#include <cstdio>
#include <vector>

int main() {
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_INCLUDE_ALL_INTERFACES, nullptr,
                                      reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                      &size);
    }
    if (result == ERROR_NO_DATA) {
        std::puts("no adapters");
        return 0;
    }
    if (result != NO_ERROR) {
        std::fprintf(stderr, "norvik-wine-adapters: GetAdaptersAddresses failed: %lu\n", result);
        return 1;
    }
    int others = 0;
    for (auto* adapter = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter != nullptr;
         adapter = adapter->Next) {
        const bool loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
        std::printf("%s adapter %ls (%s)\n", loopback ? "loopback" : "NOT LOOPBACK",
                    adapter->FriendlyName, adapter->AdapterName);
        others += loopback ? 0 : 1;
    }
    return others == 0 ? 0 : 1;
}
