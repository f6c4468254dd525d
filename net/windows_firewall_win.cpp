#include "windows_firewall.h"

// winsock2.h must come first: iphlpapi.h needs its types.
#include <winsock2.h>
// clang-format off
#include <windows.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <objbase.h>
#include <netlistmgr.h>
// clang-format on

#include <filesystem>

#include "installed_programs.h"
#include "network_interfaces.h"
#include "utf.h"

namespace norvik {
namespace {

NetworkProfile ProfileOf(NLM_NETWORK_CATEGORY category) {
    switch (category) {
        case NLM_NETWORK_CATEGORY_PUBLIC:
            return NetworkProfile::kPublic;
        case NLM_NETWORK_CATEGORY_PRIVATE:
            return NetworkProfile::kPrivate;
        case NLM_NETWORK_CATEGORY_DOMAIN_AUTHENTICATED:
            return NetworkProfile::kDomain;
    }
    return NetworkProfile::kUnknown;
}

// The interface index of a network adapter, as BroadcastInterfaces numbers the cards; 0 when
// there is none.
NET_IFINDEX IndexOfAdapter(const GUID& adapter) {
    NET_LUID luid{};
    NET_IFINDEX index = 0;
    if (::ConvertInterfaceGuidToLuid(&adapter, &luid) != NO_ERROR ||
        ::ConvertInterfaceLuidToIndex(&luid, &index) != NO_ERROR) {
        return 0;
    }
    return index;
}

// Calls `each` with the adapter and network category of every connection Windows knows.
template <typename Each>
void ForEachConnection(Each each) {
    INetworkListManager* manager = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_NetworkListManager, nullptr, CLSCTX_ALL,
                                  IID_INetworkListManager, reinterpret_cast<void**>(&manager)))) {
        return;
    }
    IEnumNetworkConnections* connections = nullptr;
    if (SUCCEEDED(manager->GetNetworkConnections(&connections))) {
        INetworkConnection* connection = nullptr;
        while (connections->Next(1, &connection, nullptr) == S_OK) {
            GUID adapter{};
            INetwork* network = nullptr;
            if (SUCCEEDED(connection->GetAdapterId(&adapter)) &&
                SUCCEEDED(connection->GetNetwork(&network))) {
                NLM_NETWORK_CATEGORY category{};
                if (SUCCEEDED(network->GetCategory(&category))) {
                    each(IndexOfAdapter(adapter), category);
                }
                network->Release();
            }
            connection->Release();
        }
        connections->Release();
    }
    manager->Release();
}

}  // namespace

std::vector<CardProfile> CardProfiles() {
    const std::vector<NetworkInterface> interfaces = BroadcastInterfaces();
    std::vector<CardProfile> cards;
    for (const NetworkInterface& card : interfaces) {
        cards.push_back({card.name, NetworkProfile::kUnknown});
    }
    // A thread that has COM already, in another mode, can use it all the same; only a start
    // of our own is undone.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ForEachConnection([&](NET_IFINDEX adapter, NLM_NETWORK_CATEGORY category) {
        for (std::size_t i = 0; i < interfaces.size(); ++i) {
            if (adapter != 0 && interfaces[i].index == adapter) {
                cards[i].profile = ProfileOf(category);
            }
        }
    });
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
    return cards;
}

std::vector<std::string> ProgramsToLetThrough() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::vector<std::string> programs{Utf16ToUtf8(FromWide(path))};
    // The installer lets each of Norvik's programs through; each needs its own rule.
    for (const wchar_t* name : kInstalledPrograms) {
        const std::filesystem::path other = std::filesystem::path(path).replace_filename(name);
        std::error_code error;
        if (!std::filesystem::equivalent(other, path, error) &&
            std::filesystem::exists(other, error)) {
            programs.push_back(Utf16ToUtf8(FromWide(other.wstring())));
        }
    }
    return programs;
}

}  // namespace norvik
