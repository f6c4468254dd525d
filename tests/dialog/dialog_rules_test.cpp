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
#include "utf.h"

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
    // Clicks the row that shows a name, as the window passes it: its column-0 text.
    void ClickRow(std::u16string_view name) {
        for (const auto& row : rows.rows()) {
            if (row[1] == name) {
                rules.OnListClick(row[0]);
                return;
            }
        }
        ADD_FAILURE() << "no row shows " << Utf16ToUtf8(name);
    }
    std::vector<std::u16string> Names() const {
        std::vector<std::u16string> names;
        for (const auto& row : rows.rows()) {
            names.push_back(row[1]);
        }
        return names;
    }
    // Lists the device and selects it.
    void Select(const Device& device) {
        ReportPcEdit(PcEditReport(device));
        ClickRow(Utf8ToUtf16(reinterpret_cast<const char*>(device.name.data())));
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

// What a click on a row shows, for the kinds of report devices send.
TEST_F(DialogRulesTest, AClickShowsTheRowsDevice) {
    struct Expected {
        std::u16string name;
        std::u16string port;
        std::u16string mac;
        std::uint32_t ip;
        std::uint32_t dns1;
        bool dns_enabled;
        bool choice_shown;  // the Static and DHCP buttons
        bool dhcp_checked;
        bool address_controls_enabled;
    };
    Device full;
    full.WithMacLastOctet(0xAB).Named("camera");
    full.http_port = "8080";
    full.dns1 = {1, 2, 3, 4};
    Device no_port = Device().WithMacLastOctet(2).Named("no port");
    no_port.http_port = "0";
    Device dhcp = Device().WithMacLastOctet(3).Named("dhcp");
    dhcp.dhcp = 1;
    Device cjk = Device().WithMacLastOctet(4).Named("攝影機攝影機");  // 18 bytes, no NUL
    Device static_3297 = Device().WithMacLastOctet(5).Named("nvr");
    const struct {
        const char* what;
        Bytes report;
        bool over_3297;
        Expected expected;
    } cases[] = {
        {"a full PCEdit report",
         PcEditReport(full),
         false,
         {u"camera", u"8080", u"00:11:22:33:44:ab", 0xC0A8010A, 0x01020304, true, true, false,
          true}},
        {"port 0 shows an empty edit",
         PcEditReport(no_port),
         false,
         {u"no port", u"", u"00:11:22:33:44:02", 0xC0A8010A, 0x08080808, true, true, false, true}},
        {"a report without DNS and DHCP",
         PcEditReport(no_port, 60),
         false,
         {u"no port", u"", u"00:11:22:33:44:02", 0xC0A8010A, 0, false, false, false, true}},
        {"a DHCP device locks the address",
         PcEditReport(dhcp),
         false,
         {u"dhcp", u"80", u"00:11:22:33:44:03", 0xC0A8010A, 0x08080808, true, true, true, false}},
        {"an 18-byte name is whole",
         PcEditReport(cjk),
         false,
         {u"攝影機攝影機", u"80", u"00:11:22:33:44:04", 0xC0A8010A, 0x08080808, true, true, false,
          true}},
        {"a static 3297 device never reported DHCP",
         test::Report3297(static_3297),
         true,
         {u"nvr", u"80", u"00:11:22:33:44:05", 0xC0A8010A, 0x08080808, true, false, false, true}},
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
        EXPECT_EQ(view.Address(kIpControl), e.ip);
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
            EXPECT_EQ(view.IsChecked(kDhcpRadio), e.dhcp_checked);
            EXPECT_EQ(view.IsChecked(kStaticRadio), !e.dhcp_checked);
        }
        for (const int address : {kIpControl, kNetmaskControl, kGatewayControl}) {
            EXPECT_EQ(view.Get(address).enabled, e.address_controls_enabled);
        }
        EXPECT_EQ(discovery.devices().selected(), discovery.devices().head());
    }
}

TEST_F(DialogRulesTest, AClickOnNoDeviceKeepsTheSelection) {
    rules.OnListDoubleClick();  // nothing selected: no page opens
    EXPECT_TRUE(view.opened_urls.empty());
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

// Which edits send what, and when Submit asks or stops. Offsets are the set request's.
TEST_F(SubmitTest, SendsOnlyWhatChangedAfterItsChecks) {
    const struct {
        const char* what;
        std::function<void(MemoryDialogView&)> edit;
        std::deque<bool> answers;
        bool asks;
        std::map<std::size_t, std::uint8_t> sent;  // bytes that must be so; empty: nothing sent
    } cases[] = {
        {"nothing changed", [](MemoryDialogView&) {}, {}, false, {}},
        {"a new name",
         [](MemoryDialogView& v) { v.SetControlText(kNameEdit, u"Hall"); },
         {},
         false,
         {{6, 0}, {25, 0}, {32, 1}, {33, 'H'}, {36, 'l'}, {37, 0}, {51, 0}, {63, 0}, {72, 0}}},
        {"an address ending in .0",
         [](MemoryDialogView& v) { v.SetAddress(kIpControl, 0xC0A80100); },
         {},
         false,
         {}},
        {"an address ending in .255",
         [](MemoryDialogView& v) { v.SetAddress(kIpControl, 0xC0A801FF); },
         {},
         false,
         {}},
        {"a new address ending in .254",
         [](MemoryDialogView& v) { v.SetAddress(kIpControl, 0xC0A801FE); },
         {},
         false,
         {{6, 1}, {11, 192}, {14, 254}, {25, 0}}},
        {"a foreign gateway, Cancel",
         [](MemoryDialogView& v) { v.SetAddress(kGatewayControl, 0xC0A80201); },
         {false},
         true,
         {}},
        {"a foreign gateway, OK",
         [](MemoryDialogView& v) { v.SetAddress(kGatewayControl, 0xC0A80201); },
         {true},
         true,
         {{25, 1}, {26, 0x67}, {27, 0}, {30, 2}, {31, 1}}},
        {"gateway 0.0.0.0 never asks",
         [](MemoryDialogView& v) { v.SetAddress(kGatewayControl, 0); },
         {},
         false,
         {{25, 1}}},
        {"netmask 0.0.0.0 never asks",
         [](MemoryDialogView& v) {
             v.SetAddress(kNetmaskControl, 0);
             v.SetAddress(kGatewayControl, 0x0A000001);
         },
         {},
         false,
         {{6, 1}, {21, 0}, {25, 1}}},
        {"port 65536",
         [](MemoryDialogView& v) { v.SetControlText(kPort1Edit, u"65536"); },
         {},
         false,
         {{51, 1}, {52, '6'}, {56, '6'}}},
        {"an emptied port that was not 0",
         [](MemoryDialogView& v) { v.SetControlText(kPort1Edit, u""); },
         {},
         false,
         {}},
        {"a 32-character name",
         [](MemoryDialogView& v) { v.SetControlText(kNameEdit, std::u16string(32, u'n')); },
         {},
         false,
         {}},
        {"DHCP chosen",
         [](MemoryDialogView& v) { v.SetChecked(kDhcpRadio, true); },
         {},
         false,
         {{72, 1}, {73, 1}}},
        {"DNS 2 only",
         [](MemoryDialogView& v) { v.SetAddress(kDns2Control, 0x01010101); },
         {},
         false,
         {{63, 1}, {64, 8}, {68, 1}, {71, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();  // the device and the controls as a click shows them
        view.SetChecked(kDhcpRadio, false);
        c.edit(view);
        view.answers = c.answers;
        const std::optional<Bytes> request = Submit();
        const bool asked = !view.boxes.empty() && view.boxes.front().question;
        EXPECT_EQ(asked, c.asks);
        if (asked) {
            EXPECT_EQ(view.boxes.front(),
                      (MemoryDialogView::Box{u"Choice",
                                             u"IP and Gateway do not match. Do you want to "
                                             u"continue?",
                                             MessageIcon::kQuestion, true}));
        }
        ASSERT_EQ(request.has_value(), !c.sent.empty());
        if (request) {
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
}

// Search forgets every device, empties the controls and re-sends what the last request left,
// with the search flags set.
TEST_F(SubmitTest, SearchEmptiesTheListAndTheControlsAndResendsTheLastRequest) {
    view.SetControlText(kNameEdit, u"Hall");
    const std::optional<Bytes> request = Submit();
    ASSERT_TRUE(request.has_value());

    sent.clear();
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
    for (const int edit : {kNameEdit, kMacEdit, kPort1Edit}) {
        EXPECT_EQ(view.ControlText(edit), u"") << edit;
    }
    for (const int address :
         {kIpControl, kGatewayControl, kNetmaskControl, kDns1Control, kDns2Control}) {
        EXPECT_TRUE(view.Get(address).blank) << address;
    }
    ASSERT_EQ(sent.size(), 2u);
    Bytes expected = *request;
    expected[6] = expected[25] = 2;
    EXPECT_EQ(sent[0].port, 4022);
    EXPECT_EQ(sent[0].bytes, expected);
    EXPECT_EQ(sent[1].port, 4023);
    EXPECT_EQ(sent[1].bytes.size(), 445u);
    // Numbering starts again at 1.
    ReportPcEdit(PcEditReport(Device().WithMacLastOctet(9).Named("again")));
    EXPECT_EQ(rows.ItemText(0, 0), u"1");
}

TEST_F(DialogRulesTest, ExitFreesTheList) {
    Select(Device().Named("cam"));
    rules.OnCancel();
    EXPECT_TRUE(discovery.devices().empty());
    EXPECT_EQ(discovery.devices().selected(), nullptr);
}

TEST(DialogRules, ColumnsAreNumberHiddenNameWiderThanAddress) {
    EXPECT_EQ(DialogRules::ColumnWidths(360), (std::array<int, 3>{0, 202, 135}));
    EXPECT_EQ(DialogRules::ColumnWidths(361), (std::array<int, 3>{0, 202, 135}));
}

}  // namespace
}  // namespace norvik::test
