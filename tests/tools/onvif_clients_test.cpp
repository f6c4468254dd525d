// Real ONVIF clients find the simulator's cameras as they find cameras: the npm package onvif
// (its Discovery.probe) and libonvif's onvif-util. So the simulator that the scanner's tests
// rely on answers as cameras do, and not only as the scanner reads it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>

#include "private_network.h"
#include "simulated_devices.h"
#include "subprocess.h"

namespace {

using namespace std::chrono_literals;
using norvik::test::BackgroundProcess;
using norvik::test::Command;
using norvik::test::ProcessOptions;
using norvik::test::ProcessResult;
using norvik::test::RunProcess;

// Two cameras, one named in UTF-8 with characters a URI must encode, and a WS-Discovery device
// that is no camera.
constexpr const char* kCameras =
    "onvif endpoint=urn:uuid:6a1d0c1e-0000-4000-8000-000000000001 name=\"Tor S\xC3\xBC" "d\" "
    "hardware=NV-100 location=\"Halle 3/Ost\"\n"
    "onvif endpoint=urn:uuid:6a1d0c1e-0000-4000-8000-000000000002 name=\"a&b <c>\" "
    "scopes=onvif://www.onvif.org/type/video_encoder xaddrs=http://10.0.0.7/onvif/device_service\n"
    "onvif endpoint=urn:uuid:pc types=\"wsdp:Device pub:Computer\" name=desk\n";

// A client that is not there fails the test where CI runs it, and skips it elsewhere.
bool Have(const std::string& path, const std::string& what) {
    if (::access(path.c_str(), R_OK) == 0) {
        return true;
    }
    const std::string missing = what + " was not found (" + path + "; ./dev.sh test gets it)";
    if (norvik::netns::NetworkTestsRequired()) {
        ADD_FAILURE() << missing;
    } else {
        std::cout << "[  SKIPPED ] " << missing << '\n';
    }
    return false;
}

class OnvifClients : public ::testing::Test {
protected:
    norvik::test::SimulatedDevices cameras_{kCameras};
};

TEST_F(OnvifClients, TheNpmPackageFindsEveryCameraWithItsScopesAndAddresses) {
    if (!Have(std::string(NORVIK_NPM_MODULES) + "/onvif/package.json", "the npm package onvif") ||
        !Have(NORVIK_NODE, "Node.js")) {
        return;
    }
    ProcessOptions node = Command(
        NORVIK_NODE,
        {"-e",
         "require('onvif').Discovery.probe({resolve: false, timeout: 2000}, (error, found) => {"
         "  if (error) console.error(String(error));"
         "  console.log(JSON.stringify((found || []).map(m => m.probeMatches.probeMatch)));"
         "});"});
    node.extra_env = {"NODE_PATH=" + std::string(NORVIK_NPM_MODULES)};
    const ProcessResult probe = RunProcess(node);
    ASSERT_EQ(probe.exit_code, 0) << probe.err;
    const nlohmann::json matches = nlohmann::json::parse(probe.out, nullptr, false);
    ASSERT_TRUE(matches.is_array()) << probe.out << probe.err;
    std::set<std::string> found;
    for (const nlohmann::json& match : matches) {
        const std::string endpoint = match.at("endpointReference").at("address");
        found.insert(endpoint);
        EXPECT_EQ(match.at("types"), "dn:NetworkVideoTransmitter");
        EXPECT_EQ(match.at("metadataVersion"), 1);
        if (endpoint.ends_with("01")) {
            EXPECT_EQ(match.at("scopes"),
                      "onvif://www.onvif.org/name/Tor%20S%C3%BCd "
                      "onvif://www.onvif.org/hardware/NV-100 "
                      "onvif://www.onvif.org/location/Halle%203%2FOst");
            EXPECT_EQ(match.at("XAddrs"), "http://127.0.0.1/onvif/device_service");
        } else {
            EXPECT_EQ(match.at("scopes"),
                      "onvif://www.onvif.org/name/a%26b%20%3Cc%3E "
                      "onvif://www.onvif.org/type/video_encoder");
            EXPECT_EQ(match.at("XAddrs"), "http://10.0.0.7/onvif/device_service");
        }
    }
    // Both cameras, each once; the PC answers no Probe for video transmitters.
    EXPECT_EQ(found, (std::set<std::string>{"urn:uuid:6a1d0c1e-0000-4000-8000-000000000001",
                                            "urn:uuid:6a1d0c1e-0000-4000-8000-000000000002"}))
        << probe.out;
    EXPECT_EQ(matches.size(), 2u);
}

TEST_F(OnvifClients, LibonvifsUtilityCountsTheCameras) {
    if (!Have(NORVIK_ONVIF_UTIL, "onvif-util (Debian's onvif-tools)")) {
        return;
    }
    ProcessOptions util = Command(NORVIK_ONVIF_UTIL, {"-a"});
    // Unpacked, not installed: its library lies beside it.
    util.extra_env = {"LD_LIBRARY_PATH=" + std::string(NORVIK_ONVIF_UTIL_LIBRARIES)};
    const ProcessResult found = RunProcess(util);
    // It then asks each camera's device service over HTTP, which the simulator has not: its
    // exit code says nothing of the discovery.
    EXPECT_NE(found.out.find("Found 2 cameras"), std::string::npos) << found.out << found.err;
}

}  // namespace
