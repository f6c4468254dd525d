#pragma once

// The device simulator with the devices of a description, and what reaches the PCEdit port,
// for the tests of the programs that set devices.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "report_bytes.h"
#include "subprocess.h"
#include "test_files.h"
#include "udp_peer.h"

namespace norvik::test {

class SimulatedDevices {
public:
    explicit SimulatedDevices(const std::string& description)
        : file_(Write(directory_, description)),
          process_(Command({NORVIK_TOOL_NORVIK_DEVSIM, "--file", file_})) {
        EXPECT_TRUE(process_.WaitForOutput("ready\n", std::chrono::seconds(10)));
    }
    // Stops the simulator; what it wrote (a line for each set request it handled).
    ProcessResult Stop() { return process_.Stop(); }

private:
    static std::string Write(const TemporaryDirectory& directory, const std::string& text) {
        const auto path = directory / "devices.txt";
        std::ofstream(path) << text;
        return path.string();
    }

    TemporaryDirectory directory_;
    std::string file_;
    BackgroundProcess process_;
};

// The set requests (74-byte PCEdit requests without the search flag) that reach a port,
// until it has been quiet for the given time.
inline std::vector<Bytes> SetRequestsSeen(UdpPeer& port, std::chrono::milliseconds quiet) {
    constexpr std::string_view kMagic = "PCEdit";
    constexpr std::uint8_t kSearchFlag = 2;
    std::vector<Bytes> requests;
    while (const auto datagram = port.Receive(quiet)) {
        if (datagram->size() == 74 && std::equal(kMagic.begin(), kMagic.end(), datagram->begin()) &&
            (*datagram)[6] != kSearchFlag) {
            requests.push_back(*datagram);
        }
    }
    return requests;
}

}  // namespace norvik::test
