// The dialog's rules against a window held in memory, with the receive threads not running:
// reports are handed to the list code directly, and requests are caught before they leave.
#include "dialog_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "dialog_template.h"
#include "memory_dialog_view.h"
#include "memory_list_view.h"
#include "pcedit.h"
#include "protocol_3297.h"
#include "recording_messages.h"
#include "report_bytes.h"

namespace norvik::test {
namespace {

struct SentRequest {
    std::uint16_t port;
    Bytes bytes;
};

class DialogRulesTest : public testing::Test {
protected:
    DialogRulesTest()
        : discovery(lock, rows, messages, [](int) {}),
          rules(view, {rows, [this] { ++rows_shown; }}, lock, discovery,
                [this](const BroadcastSender& sender, ByteSpan request) {
                    sent.push_back(
                        {sender.port, Bytes(request.begin(),
                                            request.begin() + static_cast<long>(sender.length))});
                }) {}

    void ReportPcEdit(const Bytes& report) {
        std::lock_guard guard(lock);
        pcedit::HandleDatagram(discovery.report_context(), report);
    }
    void Report3297(const Bytes& report) {
        std::lock_guard guard(lock);
        p3297::HandleDatagram(discovery.report_context(), report);
    }
    // Lists the device alone and selects it: a click on its row, which the window passes as
    // the row's number.
    void Select(const Device& device) {
        ReportPcEdit(PcEditReport(device));
        rules.OnListClick(u"1");
    }

    ListLock lock{""};
    MemoryDialogView view;
    MemoryListView rows;
    int rows_shown = 0;  // how often the rules had the rows shown now
    RecordingMessages messages;
    Discovery discovery;
    std::vector<SentRequest> sent;
    DialogRules rules;
};

// What a click on a row shows, for the kinds of report devices send. The shared scenarios
// (dialog_scenarios.h) cover port 0 and a DHCP device on every window and on these rules.
TEST_F(DialogRulesTest, AClickShowsTheRowsDevice) {
    struct Expected {
        std::u16string name;
        std::u16string port;
        std::u16string mac;
        std::uint32_t dns1;
        bool dns_enabled;
        bool choice_shown;  // the Static and DHCP buttons
    };
    Device full;
    full.WithMacLastOctet(0xAB).Named("攝影機攝影機");  // 18 bytes, no NUL
    full.http_port = "8080";
    full.dns1 = {1, 2, 3, 4};
    Device no_port = Device().WithMacLastOctet(2).Named("no port");
    no_port.http_port = "0";
    Device static_3297 = Device().WithMacLastOctet(5).Named("nvr");
    const struct {
        const char* what;
        Bytes report;
        bool over_3297;
        Expected expected;
    } cases[] = {
        {"a full PCEdit report, its 18-byte name whole",
         PcEditReport(full),
         false,
         {u"攝影機攝影機", u"8080", u"00:11:22:33:44:ab", 0x01020304, true, true}},
        {"a report without DNS and DHCP",
         PcEditReport(no_port, 60),
         false,
         {u"no port", u"", u"00:11:22:33:44:02", 0, false, false}},
        {"a static 3297 device never reported DHCP",
         test::Report3297(static_3297),
         true,
         {u"nvr", u"80", u"00:11:22:33:44:05", 0x08080808, true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        {
            std::lock_guard guard(lock);
            discovery.devices().FreeAllRecords();
            rows = MemoryListView();
        }
        c.over_3297 ? Report3297(c.report) : ReportPcEdit(c.report);
        rules.OnListClick(u"1");
        const Expected& e = c.expected;
        EXPECT_EQ(view.ControlText(kNameEdit), e.name);
        EXPECT_EQ(view.ControlText(kPort1Edit), e.port);
        EXPECT_EQ(view.ControlText(kMacEdit), e.mac);
        EXPECT_EQ(view.Address(kIpControl), 0xC0A8010Au);
        EXPECT_EQ(view.Address(kNetmaskControl), 0xFFFFFF00u);
        EXPECT_EQ(view.Address(kGatewayControl), 0xC0A80101u);
        EXPECT_EQ(view.Address(kDns1Control), e.dns1);
        for (const int dns : {kDns1Control, kDns2Control}) {
            EXPECT_EQ(view.Get(dns).enabled, e.dns_enabled);
        }
        for (const int radio : {kDhcpRadio, kStaticRadio}) {
            EXPECT_EQ(view.Get(radio).visible, e.choice_shown);
        }
        if (e.choice_shown) {
            EXPECT_FALSE(view.IsChecked(kDhcpRadio));
            EXPECT_TRUE(view.IsChecked(kStaticRadio));
        }
        for (const int address : {kIpControl, kNetmaskControl, kGatewayControl}) {
            EXPECT_TRUE(view.Get(address).enabled);
        }
        EXPECT_EQ(discovery.devices().selected(), discovery.devices().head());
    }
}

TEST_F(DialogRulesTest, AClickOnNoDeviceKeepsTheSelection) {
    Select(Device().Named("cam"));
    DeviceRecord* selected = discovery.devices().selected();
    ASSERT_NE(selected, nullptr);
    view.texts_set.clear();
    // Below the last row, or no row number: nothing changes at all.
    for (const char16_t* text : {u"", u"0", u"-1", u"x"}) {
        rules.OnListClick(text);
    }
    EXPECT_TRUE(view.texts_set.empty());
    // A number no record has: the selected device stays, and the controls show it again.
    view.SetControlText(kNameEdit, u"edited");
    rules.OnListClick(u"7");
    EXPECT_EQ(discovery.devices().selected(), selected);
    EXPECT_EQ(view.ControlText(kNameEdit), u"cam");
}

class SubmitTest : public DialogRulesTest {
protected:
    // The device Submit works on: 192.168.1.10/24, gateway .1, port 80, static.
    void SetUp() override {
        Select(Device().Named("cam"));
        view.boxes.clear();
    }
    std::optional<Bytes> Submit() {
        sent.clear();
        rules.OnSubmit();
        if (sent.empty()) {
            return std::nullopt;
        }
        EXPECT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].port, 4022);
        return sent[0].bytes;
    }
};

// Which control reaches which field of the set request, and the boundaries the shared
// scenarios leave: an address ending in .254 passes, a netmask of 0.0.0.0 never asks. The
// scenarios check nothing changed, .0 and .255, the subnet question and an emptied port;
// set_request_test every byte of each field. Offsets are the set request's.
TEST_F(SubmitTest, SendsWhatTheControlsHold) {
    const struct {
        const char* what;
        std::function<void(MemoryDialogView&)> edit;
        std::map<std::size_t, std::uint8_t> sent;  // bytes that must be so
    } cases[] = {
        {"a new address ending in .254",
         [](MemoryDialogView& v) { v.SetAddress(kIpControl, 0xC0A801FE); },
         {{6, 1}, {11, 192}, {14, 254}, {25, 0}}},
        {"netmask 0.0.0.0 never asks",
         [](MemoryDialogView& v) {
             v.SetAddress(kNetmaskControl, 0);
             v.SetAddress(kGatewayControl, 0x0A000001);
         },
         {{6, 1}, {21, 0}, {25, 1}}},
        {"port 65536",
         [](MemoryDialogView& v) { v.SetControlText(kPort1Edit, u"65536"); },
         {{51, 1}, {52, '6'}, {56, '6'}}},
        {"DHCP chosen",
         [](MemoryDialogView& v) { v.SetChecked(kDhcpRadio, true); },
         {{72, 1}, {73, 1}}},
        {"DNS 2 only",
         [](MemoryDialogView& v) { v.SetAddress(kDns2Control, 0x01010101); },
         {{63, 1}, {64, 8}, {68, 1}, {71, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();  // the device and the controls as a click shows them
        view.SetChecked(kDhcpRadio, false);
        c.edit(view);
        const std::optional<Bytes> request = Submit();
        EXPECT_TRUE(view.boxes.empty());
        ASSERT_TRUE(request.has_value());
        ASSERT_EQ(request->size(), 74u);
        EXPECT_EQ(std::string(request->begin(), request->begin() + 6), "PCEdit");
        // The device's MAC always, whatever changed.
        EXPECT_EQ(Bytes(request->begin() + 15, request->begin() + 21),
                  (Bytes{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
        for (const auto& [offset, value] : c.sent) {
            EXPECT_EQ((*request)[offset], value) << "byte " << offset;
        }
    }
}

// A device whose report shows no addressing mode hides the Static and DHCP buttons. The
// choice made for the device shown before must not reach it: switched to DHCP unasked, a
// static camera would leave its address.
TEST_F(SubmitTest, AModeTheDeviceDidNotShowIsNeverSent) {
    constexpr std::size_t kDhcpFlag = 72;
    Device dhcp = Device().WithMacLastOctet(2).Named("dhcp");
    dhcp.dhcp = 1;
    ReportPcEdit(PcEditReport(dhcp));
    ReportPcEdit(PcEditReport(Device().WithMacLastOctet(3).Named("short"), 60));
    Report3297(test::Report3297(Device().WithMacLastOctet(4).Named("nvr")));
    const struct {
        const char* what;
        std::u16string_view row;
    } cases[] = {{"a short PCEdit report", u"3"}, {"a static 3297 device", u"4"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        rules.OnListClick(u"2");
        ASSERT_TRUE(view.IsChecked(kDhcpRadio));
        rules.OnListClick(c.row);
        ASSERT_FALSE(view.Get(kDhcpRadio).visible);
        EXPECT_FALSE(Submit().has_value());
        view.SetControlText(kNameEdit, u"renamed");
        const std::optional<Bytes> request = Submit();
        ASSERT_TRUE(request.has_value());
        EXPECT_EQ((*request)[kDhcpFlag], 0);
    }
}

// A name in bytes that are not UTF-8 (an older tool's Latin-1, a character cut at the 18th
// byte) shows with U+FFFD. Left as shown it stays the device's own, whatever else is sent;
// edited, it is sent as the edit holds it.
TEST_F(SubmitTest, ANameThatIsNotUtf8IsSentOnlyWhenEdited) {
    constexpr std::size_t kNameFlag = 32;
    constexpr std::size_t kName = 33;
    for (const std::string& name : {std::string("Cam\xe9ra"), std::string("攝影機攝影\xe6\x94")}) {
        SCOPED_TRACE(name);
        {
            std::lock_guard guard(lock);
            discovery.devices().FreeAllRecords();
            rows = MemoryListView();
        }
        Select(Device().Named(name));
        EXPECT_FALSE(Submit().has_value());
        view.SetAddress(kIpControl, 0xC0A80114);
        const std::optional<Bytes> request = Submit();
        ASSERT_TRUE(request.has_value());
        EXPECT_EQ((*request)[6], 1);  // the address is sent
        EXPECT_EQ((*request)[kNameFlag], 0);
        const DeviceName& kept = discovery.devices().selected()->name;
        EXPECT_EQ(std::string(kept.begin(), kept.begin() + static_cast<long>(name.size())), name);
    }
    view.SetControlText(kNameEdit, u"Caméra");
    const std::optional<Bytes> request = Submit();
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ((*request)[kNameFlag], 1);
    EXPECT_EQ(std::string(request->begin() + kName, request->begin() + kName + 8),
              std::string("Cam\xc3\xa9ra") + '\0');
}

// A press while a receive loop is busy is dropped; a press taken forgets every device and
// blanks every address control. What it sends, and the emptied edits, the shared scenarios
// check.
TEST_F(SubmitTest, SearchDropsABusyPressThenEmptiesTheListAndTheControls) {
    discovery.receive_busy() = 1;  // a receive loop is busy with a datagram
    rules.OnSearch();
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(rows.ItemCount(), 1);
    EXPECT_EQ(rows_shown, 0);
    discovery.receive_busy() = 0;

    rules.OnSearch();
    EXPECT_EQ(rows.ItemCount(), 0);
    EXPECT_EQ(rows_shown, 1);  // the emptied list shows at once
    EXPECT_TRUE(discovery.devices().empty());
    EXPECT_EQ(discovery.devices().selected(), nullptr);
    for (const int address :
         {kIpControl, kGatewayControl, kNetmaskControl, kDns1Control, kDns2Control}) {
        EXPECT_TRUE(view.Get(address).blank) << address;
    }
    EXPECT_EQ(sent.size(), 2u);
}

// A device that once reported DHCP and then sent a report without the mode keeps dhcp_on 1
// with the Static and DHCP buttons hidden: its address controls stay editable all the same.
TEST_F(DialogRulesTest, HiddenModeButtonsLeaveTheAddressControlsEditable) {
    Device cam = Device().Named("cam");
    cam.dhcp = 1;
    ReportPcEdit(PcEditReport(cam));      // DHCP on
    ReportPcEdit(PcEditReport(cam, 60));  // the same device, its mode not shown
    rules.OnListClick(u"1");
    ASSERT_EQ(discovery.devices().selected()->dhcp_on, 1);
    ASSERT_FALSE(view.Get(kDhcpRadio).visible);
    for (const int address : {kIpControl, kNetmaskControl, kGatewayControl}) {
        EXPECT_TRUE(view.Get(address).enabled) << address;
    }
}

TEST(DialogRules, ColumnsAreNumberHiddenNameWiderThanAddress) {
    // 360 the Qt window's start-up test checks through its header.
    EXPECT_EQ(DialogRules::ColumnWidths(361), (std::array<int, 3>{0, 202, 135}));
}

}  // namespace
}  // namespace norvik::test
