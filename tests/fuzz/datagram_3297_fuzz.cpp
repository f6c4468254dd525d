// Fuzz target: datagrams on the 3297 port, against one list that lives across inputs.
#include <cstddef>
#include <cstdint>

#include "datagram_fuzz_state.h"
#include "protocol_3297.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static norvik::fuzz::ListState state;
    if (size > norvik::fuzz::kLongestDatagram || state.HandleSearch(data, size)) {
        return 0;
    }
    const norvik::ByteSpan datagram(data, size);
    // The message a type-3 report shows is decided on the same bytes.
    norvik::fuzz::Check(!norvik::p3297::IsLoginFailedReport(datagram) ||
                        norvik::p3297::IsReport(datagram));
    norvik::p3297::HandleDatagram(state.context(), datagram);
    state.CheckRowsMatchRecords();
    return 0;
}
