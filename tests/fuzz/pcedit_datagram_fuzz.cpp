// Fuzz target: datagrams on the PCEdit port, against one list that lives across inputs.
#include <cstddef>
#include <cstdint>

#include "datagram_fuzz_state.h"
#include "pcedit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static norvik::fuzz::ListState state;
    if (size > norvik::fuzz::kLongestDatagram || state.HandleSearch(data, size)) {
        return 0;
    }
    norvik::pcedit::HandleDatagram(state.context(), norvik::ByteSpan(data, size));
    state.CheckRowsMatchRecords();
    return 0;
}
