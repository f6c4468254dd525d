#include "dialog_data.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <utility>

#include "dialog_template.h"
#include "memory_dialog_view.h"
#include "utf.h"

namespace norvik {
namespace {

using test::MemoryDialogView;

TEST(DialogData, LoadingFillsTheEditsAndLimitsTheName) {
    MemoryDialogView view;
    DialogData data{u"user", u"secret", u"cam", u"00:11:22:33:44:55", 0};
    EXPECT_TRUE(ExchangeDialogData(view, data, false));
    // The order of the exchange: UserName, Password, Name, MAC, Port1.
    const std::vector<std::pair<int, std::u16string>> expected{{kUserNameEdit, u"user"},
                                                               {kPasswordEdit, u"secret"},
                                                               {kNameEdit, u"cam"},
                                                               {kMacEdit, u"00:11:22:33:44:55"},
                                                               {kPort1Edit, u"0"}};
    EXPECT_EQ(view.texts_set, expected);
    EXPECT_EQ(view.Get(kNameEdit).limit, 31);
}

// What a save makes of the Name and Port1 edits: the values taken, or the box shown and the
// edit that gets the focus. A save that passes reads the address controls and the DHCP button
// too; one that fails leaves them. While the port is 0 its edit shows empty, and what reads as
// 0 saves as 0 (the edit then shows "0"); anything else is checked as always.
TEST(DialogData, SavingChecksTheNameAndThePort) {
    const std::u16string name31(31, u'n');
    const std::u16string name32(32, u'n');
    const std::u16string kTooLong = u"Please enter no more than 31 characters.";
    const std::u16string kNotInteger = u"Please enter an integer.";
    const std::u16string kOutOfRange = u"Please enter an integer between 0 and 65536.";
    const struct {
        std::u16string name;
        std::u16string port;
        std::u16string message;  // empty: the save passes
        int focus;
        int port_value;
        int was = 80;  // the port before the save
    } cases[] = {
        {name31, u"65536", u"", 0, 65536},
        {u"", u"0", u"", 0, 0},
        {u"cam", u" 80 ", u"", 0, 80},
        {u"cam", u"+81", u"", 0, 81},
        {name32, u"80", kTooLong, kNameEdit, 0},
        {name32, u"", kTooLong, kNameEdit, 0},  // the first failed check stops the save
        {u"cam", u"65537", kOutOfRange, kPort1Edit, 65537},
        {u"cam", u"-1", kOutOfRange, kPort1Edit, -1},
        {u"cam", u"", kNotInteger, kPort1Edit, 80},  // the port was not 0
        {u"cam", u"8x", kNotInteger, kPort1Edit, 80},
        {u"cam", u"99999999999", kNotInteger, kPort1Edit, 80},
        {u"", u"", u"", 0, 0, 0},
        {u"", u" x", u"", 0, 0, 0},
        {u"", u"0abc", u"", 0, 0, 0},
        {u"", u"-0", u"", 0, 0, 0},
        {u"", u"8x", kNotInteger, kPort1Edit, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.name + u"/" + c.port));
        MemoryDialogView view;
        view.SetControlText(kNameEdit, c.name);
        view.SetControlText(kPort1Edit, c.port);
        const std::array<int, 5> addresses{kIpControl, kNetmaskControl, kGatewayControl,
                                           kDns1Control, kDns2Control};
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            view.SetAddress(addresses[i], 0x0A000001u + static_cast<std::uint32_t>(i));
        }
        view.SetChecked(kDhcpRadio, true);
        DialogData data;
        data.port = c.was;
        EXPECT_EQ(ExchangeDialogData(view, data, true), c.message.empty());
        EXPECT_EQ(view.focus, c.focus);
        if (c.message.empty()) {
            EXPECT_TRUE(view.boxes.empty());
            EXPECT_EQ(data.name, c.name);
            EXPECT_EQ(view.Get(kNameEdit).limit, 31);
            EXPECT_EQ(
                (std::array{data.ip, data.netmask, data.gateway, data.dns1, data.dns2}),
                (std::array{0x0A000001u, 0x0A000002u, 0x0A000003u, 0x0A000004u, 0x0A000005u}));
            EXPECT_TRUE(data.dhcp);
        } else {
            EXPECT_EQ(data.ip, 0u);
            EXPECT_FALSE(data.dhcp);
            ASSERT_EQ(view.boxes.size(), 1u);
            EXPECT_EQ(view.boxes[0],
                      (MemoryDialogView::Box{u"Norvik", c.message, MessageIcon::kWarning, false}));
        }
        if (c.focus != kNameEdit) {
            EXPECT_EQ(data.port, c.port_value);
        }
        if (c.was == 0) {
            EXPECT_EQ(view.ControlText(kPort1Edit), c.message.empty() ? u"0" : c.port);
        }
    }
}

}  // namespace
}  // namespace norvik
