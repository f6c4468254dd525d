#pragma once

// The list state that the datagram fuzz targets carry from one input to the next, so that
// sequences of reports (new devices, updates, re-numbering, re-listing) are explored, not
// single datagrams only.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <unordered_set>

#include "device_list.h"
#include "device_report.h"
#include "fuzz_check.h"
#include "memory_list_view.h"
#include "user_messages.h"

namespace norvik::fuzz {

// Datagrams longer than this never reach the handlers: the socket drops them.
inline constexpr std::size_t kLongestDatagram = 1000;
// More records than this, and the list is emptied as Search empties it.
inline constexpr std::ptrdiff_t kMostRecords = 4096;

// The handlers' notes go nowhere: the fuzzer looks at the list alone.
class QuietMessages : public UserMessages {
public:
    void ShowMessage(MessageStyle, std::u16string_view) override {}
    void WriteOutput(std::string_view) override {}
    void WriteDiagnostic(std::string_view) override {}
};

struct ListState {
    DeviceList devices;
    MemoryListView view;
    std::atomic<int> busy{0};
    QuietMessages messages;

    ReportContext context() { return {devices, view, busy, messages}; }

    // A one-byte input of 0xFF stands for the Search command.
    bool HandleSearch(const std::uint8_t* data, std::size_t size) {
        const auto records = std::distance(devices.begin(), devices.end());
        if ((size == 1 && data[0] == 0xFF) || records > kMostRecords) {
            devices.FreeAllRecords();
            view.DeleteAllItems();
            return true;
        }
        return false;
    }

    // Every record has a row: re-listing and re-numbering move rows, never add or lose one;
    // and a row number names one device, since a click finds its device by the number.
    void CheckRowsMatchRecords() const {
        Check(std::distance(devices.begin(), devices.end()) == view.ItemCount());
        std::unordered_set<int> numbers;
        for (const DeviceRecord& record : devices) {
            Check(record.list_index >= 0 && numbers.insert(record.list_index).second);
        }
    }
};

}  // namespace norvik::fuzz
