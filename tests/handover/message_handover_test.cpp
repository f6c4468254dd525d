#include "message_handover.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace norvik {
namespace {

constexpr std::u16string_view kRefused = u"設定失敗:帳號密碼錯誤";

// A receive thread hands its message over and goes on; a flood of one message while its box
// is waiting or open makes no second box, but another message still gets its own.
TEST(MessageHandover, AFloodOfOneMessageMakesOneBoxAndNoThreadWaits) {
    std::vector<std::u16string> shown;
    int wakes = 0;
    std::unique_ptr<MessageHandover> messages;
    const auto flood = [&] {
        std::thread receive_thread([&] {
            for (int i = 0; i < 1000; ++i) {
                messages->ShowMessage(MessageStyle::kApplication, kRefused);
            }
            messages->ShowMessage(MessageStyle::kPlain, u"ERROR:  10048 bind() failed");
        });
        receive_thread.join();  // would hang if the thread waited for a box
    };
    messages = std::make_unique<MessageHandover>(
        [&](MessageStyle, std::u16string_view text) {
            shown.emplace_back(text);
            if (shown.size() == 1) {
                flood();  // more of the same while the first box is open
            }
        },
        [&] { ++wakes; });
    flood();
    EXPECT_GE(wakes, 1);
    messages->ShowWaiting();
    EXPECT_EQ(shown, (std::vector<std::u16string>{std::u16string(kRefused),
                                                  u"ERROR:  10048 bind() failed"}));
    // Once the box is closed, the message may come again.
    flood();
    messages->ShowWaiting();
    EXPECT_EQ(shown.size(), 4u);
}

TEST(MessageHandover, OnceClosedNothingMoreIsShown) {
    std::vector<std::u16string> shown;
    MessageHandover messages(
        [&](MessageStyle, std::u16string_view text) { shown.emplace_back(text); }, [] {});
    std::thread([&] { messages.ShowMessage(MessageStyle::kPlain, u"waiting"); }).join();
    messages.Close();
    std::thread([&] { messages.ShowMessage(MessageStyle::kPlain, u"later"); }).join();
    messages.ShowWaiting();
    EXPECT_TRUE(shown.empty());
    // The user-interface thread's own messages are shown at once all the same.
    messages.ShowMessage(MessageStyle::kPlain, u"own");
    EXPECT_EQ(shown, std::vector<std::u16string>{u"own"});
}

}  // namespace
}  // namespace norvik
