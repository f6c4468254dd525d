// The window shell with a toolkit of the test's own: what the receive threads hand over reaches
// the user-interface thread on a wake-up, and the dialog ends as a window's should. Over real
// UDP, in the suite's private network.
#include "window_shell.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "memory_dialog_view.h"
#include "random_row_work.h"
#include "report_bytes.h"
#include "udp_peer.h"
#include "wait_for.h"

namespace norvik::test {
namespace {

// A toolkit whose user-interface thread is the test's: a wake-up only raises a flag.
class TestToolkit : public WindowToolkit, public ControlInMemory {
public:
    void Wake() override { woken = true; }
    void ShowMessageBox(std::u16string_view caption, std::u16string_view text) override {
        boxes.push_back({std::u16string(caption), std::u16string(text)});
    }
    void EndDialog(int exit_code) override { ended_with.push_back(exit_code); }

    // Serves wake-ups as a window's event loop does, until the condition holds.
    template <typename Condition>
    bool ServeUntil(WindowShell& shell, Condition condition) {
        return WaitFor([&] {
            if (woken.exchange(false)) {
                shell.OnWake();
            }
            return condition();
        });
    }

    std::atomic<bool> woken{false};
    std::vector<std::pair<std::u16string, std::u16string>> boxes;
    std::vector<int> ended_with;
};

class WindowShellTest : public ::testing::Test {
protected:
    void Start() {
        shell.AttachView(view);
        shell.rules().Initialize();
    }

    ListLock lock{""};
    TestToolkit toolkit;
    MemoryDialogView view;
    WindowShell shell{lock, toolkit, toolkit};
};

// A refused setting comes as a box under the application's name, a report as a row; the
// rows a command of the person's own changed (Search) show at once, with no wake-up served.
// Exit ends the dialog with 0, and a box handed over but not yet shown is never shown.
TEST_F(WindowShellTest, HandedOverBoxesAndRowsReachTheWindowSearchShowsAtOnceExitStops) {
    Start();
    ASSERT_TRUE(shell.discovery().WaitUntilListening(std::chrono::seconds(5)));
    UdpPeer device;
    Device d;
    ASSERT_TRUE(device.Broadcast(Report3297(d.WithIp({10, 0, 0, 2}).Named("refused"), 3), 4023));
    // The box is handed over before the device is listed, and the row's texts may reach the
    // control a wake-up after the row: the follower takes the changes as they are made.
    ASSERT_TRUE(toolkit.ServeUntil(shell, [&] {
        return toolkit.rows.size() == 1 && toolkit.rows == AllRows(lock, shell.rows());
    }));
    ASSERT_TRUE(toolkit.ServeUntil(shell, [&] { return !toolkit.boxes.empty(); }));
    EXPECT_EQ(toolkit.boxes[0].first, u"Norvik");
    EXPECT_EQ(toolkit.boxes[0].second, u"設定失敗:帳號密碼錯誤");
    EXPECT_EQ(toolkit.rows[0][1], u"refused");
    EXPECT_EQ(toolkit.rows[0][2], u"010.000.000.002");
    EXPECT_TRUE(
        PressUntilTaken([&] { shell.rules().OnSearch(); }, [&] { return toolkit.rows.empty(); }));

    toolkit.woken = false;
    ASSERT_TRUE(device.Broadcast(Report3297(d.Named("late"), 3), 4023));
    ASSERT_TRUE(WaitFor([&] { return toolkit.woken.load(); }));
    shell.OnCancel();
    EXPECT_EQ(toolkit.ended_with, std::vector<int>{0});
    shell.OnWake();
    EXPECT_EQ(toolkit.boxes.size(), 1u);
}

// A receive socket that cannot be set up shows its error in a box of its own and ends the
// dialog with the socket failure's exit code, once. The box's exact text and caption each
// window's test checks ("ERROR:  98 bind() failed" under "Error" in Qt, the Windows one's).
TEST_F(WindowShellTest, AReceiveSocketThatCannotBeSetUpEndsTheDialog) {
    UdpPeer holder(4023, /*share=*/false);
    ASSERT_TRUE(holder.bound());
    Start();
    ASSERT_TRUE(toolkit.ServeUntil(shell, [&] { return !toolkit.ended_with.empty(); }));
    EXPECT_EQ(toolkit.ended_with, std::vector<int>{kSocketFailureExitCode});
    EXPECT_EQ(toolkit.boxes.size(), 1u);
    shell.OnWake();
    EXPECT_EQ(toolkit.ended_with.size(), 1u);
}

}  // namespace
}  // namespace norvik::test
