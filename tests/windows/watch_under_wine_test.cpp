// norvik-watch.exe under Wine against the Linux device simulator, in the private network of
// tools/wine/norvik-wine: a device added, then lost when the simulator stops, and the metrics
// file renamed into place by Windows' own MoveFileExW.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "norvik_wine.h"
#include "simulated_devices.h"
#include "subprocess.h"
#include "test_files.h"
#include "text_assertions.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

constexpr const char* kMac = "00:11:22:33:66:01";

std::string WindowsWatch() {
    return WindowsBuildDir() + "/cli/watch/norvik-watch.exe";
}

TEST(WatchUnderWine, TellsOfADeviceAddedAndThenLost) {
    if (!InsideNorvikWine()) {
        GTEST_SKIP() << "not inside tools/wine/norvik-wine: no Windows program runs here";
    }
    ASSERT_TRUE(std::filesystem::exists(WindowsWatch())) << WindowsWatch();
    const TemporaryDirectory dir;
    auto devices = std::make_unique<SimulatedDevices>(std::string("3297 mac=") + kMac +
                                                      " ip=192.168.1.40 name=\"Cámara\"\n");
    const auto metrics = dir / "norvik.prom";
    ProcessOptions options =
        Command({NORVIK_RUN_WINDOWS_PROGRAM, WindowsWatch(), "--interval", "1", "--timeout", "0.8",
                 "--lost-after", "2", "--searches", "8", "--prometheus", "Z:" + metrics.string()});
    options.timeout = 90s;  // Wine's first start in a run takes a while
    BackgroundProcess watch(options);
    ASSERT_TRUE(watch.WaitForOutput(std::string("\"event\":\"added\",\"mac\":\"") + kMac, 60s));
    devices.reset();
    ASSERT_TRUE(watch.WaitForOutput(std::string("\"event\":\"lost\",\"mac\":\"") + kMac, 20s));
    const ProcessResult result = watch.Wait(30s);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    // UTF-8 JSON lines with bare line feeds, through a pipe.
    EXPECT_FALSE(Contains(result.out, "\r"));
    std::istringstream lines(result.out);
    std::vector<std::string> said;
    for (std::string line; std::getline(lines, line);) {
        const auto event = nlohmann::json::parse(line, nullptr, false);
        ASSERT_FALSE(event.is_discarded()) << line;
        said.push_back(event.at("event").get<std::string>() + ' ' +
                       event.at("mac").get<std::string>() + ' ' +
                       event.at("device").at("name").get<std::string>());
    }
    EXPECT_EQ(said, (std::vector<std::string>{std::string("added ") + kMac + " Cámara",
                                              std::string("lost ") + kMac + " Cámara"}));
    EXPECT_TRUE(
        Contains(ReadText(metrics),
                 std::string("norvik_device_up{mac=\"") + kMac +
                     "\",endpoint=\"\",protocol=\"3297\",name=\"Cámara\",ip=\"192.168.1.40\","
                     "interface=\"lo\"} 0\n"));
    // No temporary file left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1)
        << "the metrics alone";
}

}  // namespace
}  // namespace norvik::test
