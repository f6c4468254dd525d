// The Windows window under Wine with the Linux device simulator as its devices: the window's
// own test program drives the dialog, the simulator applies the set request it sends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "norvik_wine.h"
#include "subprocess.h"
#include "text_assertions.h"

namespace norvik::test {
namespace {

using namespace std::chrono_literals;

TEST(WindowUnderWine, RenamesAndReaddressesASimulatedDevice) {
    if (!InsideNorvikWine() || std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "not inside tools/wine/norvik-wine --display: no window runs here";
    }
    const std::string window_test =
        WindowsBuildDir() + "/tests/app/win32/win32_main_dialog_test.exe";
    ASSERT_TRUE(std::filesystem::exists(window_test)) << window_test;
    BackgroundProcess devices(Command({NORVIK_TOOL_NORVIK_DEVSIM, "--file",
                                       std::string(NORVIK_TEST_DATA_DIR) + "/devsim/devices.txt"}));
    ASSERT_TRUE(devices.WaitForOutput("ready\n", 10s));

    ProcessOptions window;
    window.args = {NORVIK_RUN_WINDOWS_PROGRAM, window_test,
                   "--gtest_filter=Win32Dialog.FindsChangesAndFindsAgainWithTheSimulator"};
    window.extra_env = {"NORVIK_SIMULATED_DEVICES=devices.txt"};
    window.timeout = 60s;
    const ProcessResult run = RunProcess(window);
    EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
    EXPECT_TRUE(Contains(run.out, "[  PASSED  ] 1 test"));
    // The device took the set request: its new name and address, by its MAC.
    EXPECT_TRUE(devices.WaitForOutput("applied 00:11:22:33:44:03 ", 5s));
    const ProcessResult simulated = devices.Stop();
    const std::size_t applied = simulated.out.find("applied 00:11:22:33:44:03 ");
    ASSERT_NE(applied, std::string::npos);
    const std::string line =
        simulated.out.substr(applied, simulated.out.find('\n', applied) - applied);
    EXPECT_TRUE(Contains(line, "ip=192.168.1.99"));
    EXPECT_TRUE(Contains(line, "name=Archive"));
}

}  // namespace
}  // namespace norvik::test
