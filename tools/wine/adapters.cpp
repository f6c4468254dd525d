// norvik-wine-adapters: lists the network adapters Windows reports and fails unless every one
// is a loopback adapter. tools/wine/norvik-wine runs it before anything that may send, so that
// a Wine whose sockets could reach a real network is never used.
#include <cstdio>

#include "adapter_list.h"

int main() {
    const auto adapters = norvik::wine::ListAdapters();
    if (!adapters) {
        std::fprintf(stderr, "norvik-wine-adapters: GetAdaptersAddresses failed\n");
        return 1;
    }
    if (adapters->empty()) {
        std::puts("no adapters");
    }
    int others = 0;
    for (const norvik::wine::Adapter& adapter : *adapters) {
        std::printf("%s adapter %ls (%s)\n", adapter.loopback ? "loopback" : "NOT LOOPBACK",
                    adapter.name.c_str(), adapter.id.c_str());
        others += adapter.loopback ? 0 : 1;
    }
    return others == 0 ? 0 : 1;
}
