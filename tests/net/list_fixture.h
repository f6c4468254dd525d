#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "device_list.h"
#include "device_report.h"
#include "memory_list_view.h"
#include "pcedit.h"
#include "protocol_3297.h"
#include "recording_messages.h"
#include "report_bytes.h"
#include "utf.h"

namespace norvik::test {

// A device list with an in-memory list view, fed datagrams as the receive loops feed them.
class ListFixture : public testing::Test {
protected:
    ReportContext context() { return {devices, view, busy, messages}; }
    void FeedPcEdit(const Bytes& datagram) { pcedit::HandleDatagram(context(), datagram); }
    void Feed3297(const Bytes& datagram) { p3297::HandleDatagram(context(), datagram); }

    // Each row as "number|name|address", top to bottom.
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (const auto& row : view.rows()) {
            rows.push_back(Utf16ToUtf8(row[0] + u'|' + row[1] + u'|' + row[2]));
        }
        return rows;
    }
    std::size_t RecordCount() const {
        return static_cast<std::size_t>(std::distance(devices.begin(), devices.end()));
    }

    DeviceList devices;
    MemoryListView view;
    std::atomic<int> busy{0};
    RecordingMessages messages;
};

}  // namespace norvik::test
