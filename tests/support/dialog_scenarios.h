#pragma once

// The main dialog's end-to-end scenarios, in one table that every window runs: the rules over
// a window in memory, the Qt window, the Windows window. Each drives its window as a person
// does, through DialogDriver, while UDP peers play the devices and catch the requests.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "dialog_template.h"
#include "report_bytes.h"
#include "udp_peer.h"
#include "utf.h"
#include "wait_for.h"

namespace norvik::test {

struct ShownBox {
    std::u16string caption;
    std::u16string text;
    bool operator==(const ShownBox&) const = default;
};

// A window under test. Controls are named by their template ids.
class DialogDriver {
public:
    virtual ~DialogDriver() = default;

    // Waits, at most a few seconds, until the device list shows count rows.
    virtual bool WaitForRows(int count) = 0;
    // One column's texts as the list shows them, top to bottom.
    virtual std::vector<std::u16string> Column(int column) = 0;
    // A click on the row that shows the device name, or below the last row.
    virtual void ClickRow(std::u16string_view name) = 0;
    virtual void ClickBelowRows() = 0;
    // A person's double-click: the click that selects, then the double-click.
    virtual void DoubleClickRow(std::u16string_view name) = 0;
    virtual void DoubleClickBelowRows() = 0;
    virtual void ClickHeading(int column) = 0;
    // Push buttons and radio buttons.
    virtual void Click(int button_id) = 0;
    // Replaces an edit's text, as a program does (no typing limits apply).
    virtual void Type(int edit_id, std::u16string_view text) = 0;
    virtual void EnterAddress(int control_id, std::uint32_t address) = 0;
    // A control's text as it shows (the MAC edit in capitals).
    virtual std::u16string Text(int id) = 0;
    virtual std::uint32_t Address(int id) = 0;
    virtual bool IsBlank(int id) = 0;
    virtual bool IsChecked(int id) = 0;
    virtual bool IsVisible(int id) = 0;
    virtual bool IsEnabled(int id) = 0;
    // The next question box is answered with OK (true) or Cancel.
    virtual void AnswerNextQuestion(bool ok) = 0;
    // The boxes shown since the last call, and the web pages opened.
    virtual std::vector<ShownBox> TakeBoxes() = 0;
    virtual std::vector<std::u16string> TakeOpenedUrls() = 0;
};

// What a scenario found wrong, for the runner to report in its own test framework.
class Findings {
public:
    void Expect(bool ok, const std::string& what) {
        if (!ok) {
            failures_.push_back(what);
        }
    }
    template <typename T>
    void Equal(const T& actual, const T& expected, const std::string& what) {
        if (!(actual == expected)) {
            failures_.push_back(what + ": got " + Describe(actual) + ", expected " +
                                Describe(expected));
        }
    }
    const std::vector<std::string>& failures() const { return failures_; }

private:
    static std::string Describe(const std::u16string& text) { return '"' + Utf16ToUtf8(text) + '"'; }
    static std::string Describe(const ShownBox& box) {
        return Describe(box.caption) + "/" + Describe(box.text);
    }
    static std::string Describe(bool value) { return value ? "true" : "false"; }
    template <typename Number>
        requires std::is_arithmetic_v<Number>
    static std::string Describe(Number value) {
        return std::to_string(value);
    }
    template <typename Item>
    static std::string Describe(const std::vector<Item>& items) {
        std::string out = "[";
        for (std::size_t i = 0; i < items.size(); ++i) {
            out += (i == 0 ? "" : ", ") + Describe(items[i]);
        }
        return out + "]";
    }
    template <typename Item>
    static std::string Describe(const std::optional<Item>& item) {
        return item ? Describe(*item) : "nothing";
    }

    std::vector<std::string> failures_;
};

struct ScenarioContext {
    DialogDriver& dialog;
    Findings& check;
    // Broadcasts a device's report to the dialog.
    void Report(const Bytes& report, std::uint16_t port = 4022) {
        check.Expect(devices.Broadcast(report, port), "a report could not be sent");
    }
    // Reports devices over PCEdit and waits until the list shows them all.
    void List(const std::vector<Bytes>& reports) {
        for (const Bytes& report : reports) {
            Report(report);
        }
        check.Expect(dialog.WaitForRows(static_cast<int>(reports.size())),
                     "the reported devices were not all listed");
    }
    // Presses Submit; the request it sent, if any.
    std::optional<Bytes> Submit(UdpPeer& pcedit_port) {
        dialog.Click(kSubmitButton);
        return NextPcEditRequest(pcedit_port, std::chrono::milliseconds(300));
    }
    // Presses Search until a press is taken (see PressUntilTaken); a press taken empties the
    // list before it returns, so the list must show a device beforehand.
    void Search() {
        check.Expect(!dialog.Column(0).empty(), "Search with a listed device, to see it taken");
        check.Expect(PressUntilTaken([&] { dialog.Click(kSearchDeviceButton); },
                                     [&] { return dialog.Column(0).empty(); }),
                     "no press of Search was taken");
    }
    // The next request that reaches a port, passing over the devices' reports, which are
    // broadcast to the same ports.
    static std::optional<Bytes> NextPcEditRequest(UdpPeer& port,
                                                  std::chrono::milliseconds timeout) {
        return NextStartingWith(port, timeout, {'P', 'C', 'E', 'd', 'i', 't'});
    }
    static std::optional<Bytes> Next3297Request(UdpPeer& port, std::chrono::milliseconds timeout) {
        return NextStartingWith(port, timeout, {'3', '2', '9', '7', 0xBD, 0x01, '1'});
    }

    UdpPeer devices{};

private:
    static std::optional<Bytes> NextStartingWith(UdpPeer& port, std::chrono::milliseconds timeout,
                                                 const Bytes& head) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (auto now = std::chrono::steady_clock::now(); now < deadline;
             now = std::chrono::steady_clock::now()) {
            std::optional<Bytes> datagram =
                port.Receive(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now));
            if (datagram && datagram->size() >= head.size() &&
                std::equal(head.begin(), head.end(), datagram->begin())) {
                return datagram;
            }
        }
        return std::nullopt;
    }
};

namespace scenario {

inline constexpr std::uint16_t kPcEditPort = 4022;
inline constexpr std::uint16_t k3297Port = 4023;

inline void ClickShowsTheDeviceAndBelowTheRowsNothing(ScenarioContext& s) {
    Device camera;
    camera.WithMacLastOctet(0xAB).Named("camera");
    camera.http_port = "8080";
    camera.dns1 = {1, 2, 3, 4};
    Device quiet;
    quiet.WithMacLastOctet(2).WithIp({10, 0, 0, 2}).Named("quiet");
    quiet.http_port = "0";
    Device dhcp;
    dhcp.WithMacLastOctet(3).Named("dhcp");
    dhcp.dhcp = 1;
    s.List({PcEditReport(camera), PcEditReport(quiet, 60), PcEditReport(dhcp)});
    DialogDriver& d = s.dialog;
    d.ClickRow(u"camera");
    s.check.Equal(d.Text(kNameEdit), std::u16string(u"camera"), "name");
    s.check.Equal(d.Text(kMacEdit), std::u16string(u"00:11:22:33:44:AB"), "MAC");
    s.check.Equal(d.Text(kPort1Edit), std::u16string(u"8080"), "port");
    s.check.Equal(d.Address(kIpControl), 0xC0A8010Au, "address");
    s.check.Equal(d.Address(kDns1Control), 0x01020304u, "DNS 1");
    s.check.Expect(d.IsEnabled(kDns1Control), "DNS 1 enabled for a full report");
    s.check.Expect(d.IsVisible(kDhcpRadio) && d.IsChecked(kStaticRadio), "Static shown, checked");
    // Below the last row: neither the selection nor the controls change.
    d.ClickBelowRows();
    s.check.Equal(d.Text(kNameEdit), std::u16string(u"camera"), "name after a click below");
    // A short report: no DNS servers (shown, but disabled), no DHCP choice, port 0.
    d.ClickRow(u"quiet");
    s.check.Equal(d.Text(kPort1Edit), std::u16string(), "port 0 shows empty");
    s.check.Expect(!d.IsEnabled(kDns1Control), "DNS 1 disabled for a short report");
    s.check.Expect(!d.IsVisible(kDhcpRadio), "no DHCP choice for a short report");
    s.check.Expect(d.IsEnabled(kIpControl), "address editable without a DHCP choice");
    // DHCP locks the address controls; the radio buttons switch them.
    d.ClickRow(u"dhcp");
    s.check.Expect(d.IsChecked(kDhcpRadio) && !d.IsChecked(kStaticRadio), "DHCP checked");
    for (const int control : {kIpControl, kNetmaskControl, kGatewayControl}) {
        s.check.Expect(!d.IsEnabled(control), "address controls locked under DHCP");
    }
    d.Click(kStaticRadio);
    s.check.Expect(!d.IsChecked(kDhcpRadio) && d.IsEnabled(kGatewayControl), "Static unlocks");
    d.Click(kDhcpRadio);
    s.check.Expect(!d.IsChecked(kStaticRadio) && !d.IsEnabled(kNetmaskControl), "DHCP locks");
}

inline void DoubleClickOpensTheWebPage(ScenarioContext& s) {
    const std::pair<const char*, const char16_t*> cases[] = {
        {"80", u"http://192.168.1.10"},    {"0", u"http://192.168.1.10"},
        {"-1", u"http://192.168.1.10"},    {"65536", u"http://192.168.1.10"},
        {"81", u"http://192.168.1.10:81"}, {"65535", u"http://192.168.1.10:65535"}};
    std::vector<Bytes> reports;
    std::vector<std::u16string> expected;
    std::uint8_t octet = 0;
    for (const auto& [port, url] : cases) {
        Device d;
        d.WithMacLastOctet(++octet).Named(std::string("port") + port);
        d.http_port = port;
        reports.push_back(PcEditReport(d));
        expected.emplace_back(url);
    }
    s.List(reports);
    for (const auto& [port, url] : cases) {
        s.dialog.DoubleClickRow(Utf8ToUtf16(std::string("port") + port));
    }
    s.check.Equal(s.dialog.TakeOpenedUrls(), expected, "pages opened");
    // Empty space after a selection opens the selected device's page again.
    s.dialog.DoubleClickBelowRows();
    s.check.Equal(s.dialog.TakeOpenedUrls(), std::vector{expected.back()}, "page again");
}

inline void HeadingsSortTheRows(ScenarioContext& s) {
    Device b = Device().WithMacLastOctet(1).WithIp({192, 168, 1, 10}).Named("b");
    Device a = Device().WithMacLastOctet(2).WithIp({192, 168, 1, 2}).Named("a");
    Device c = Device().WithMacLastOctet(3).WithIp({192, 168, 1, 9}).Named("c");
    s.List({PcEditReport(b), PcEditReport(a), PcEditReport(c)});
    DialogDriver& d = s.dialog;
    using Texts = std::vector<std::u16string>;
    d.ClickHeading(1);
    s.check.Equal(d.Column(1), Texts{u"c", u"b", u"a"}, "names, first click: descending");
    // The row at the top keeps its number, and with it its device.
    s.check.Equal(d.Column(0), Texts{u"3", u"1", u"2"}, "numbers after sorting by name");
    d.ClickRow(u"c");
    s.check.Equal(d.Text(kNameEdit), std::u16string(u"c"), "the sorted row's device");
    d.ClickHeading(2);
    s.check.Equal(d.Column(2),
                  Texts{u"192.168.001.010", u"192.168.001.009", u"192.168.001.002"},
                  "addresses, first click: descending, as numbers");
    d.ClickHeading(1);  // each heading keeps its own direction
    s.check.Equal(d.Column(1), Texts{u"a", u"b", u"c"}, "names, second click: ascending");
}

// A device listed over the 3297 protocol is renamed over PCEdit; Search then re-sends the
// request's bytes with its search flags and starts the numbering again.
inline void SubmitRenamesAndSearchResends(ScenarioContext& s) {
    UdpPeer pcedit_port(kPcEditPort);
    UdpPeer port_3297(k3297Port);
    Device cam;
    cam.Named("cam");
    s.Report(Report3297(cam), k3297Port);
    s.check.Expect(s.dialog.WaitForRows(1), "the 3297 device is listed");
    DialogDriver& d = s.dialog;
    d.ClickRow(u"cam");
    s.check.Expect(!s.Submit(pcedit_port).has_value(), "nothing changed: nothing sent");

    d.Type(kNameEdit, u"Hall");
    d.EnterAddress(kIpControl, 0xC0A80163);  // 192.168.1.99
    const std::optional<Bytes> request = s.Submit(pcedit_port);
    s.check.Expect(request.has_value(), "Submit sends a request");
    if (!request) {
        return;
    }
    Bytes expected(74, 0);
    Put(expected, 0, std::string("PCEdit"), 6);
    expected[6] = 1;  // a new address
    const std::array<std::uint8_t, 4> marker{0x65, 0x00, 0x74, 0x00};
    Put(expected, 7, marker);
    Put(expected, 11, std::array<std::uint8_t, 4>{192, 168, 1, 99});
    Put(expected, 15, cam.mac);
    Put(expected, 21, cam.netmask);
    expected[32] = 1;  // a new name
    Put(expected, 33, std::string("Hall"), 18);
    s.check.Equal(*request, expected, "the set request");
    s.check.Equal(d.Column(1), std::vector<std::u16string>{u"cam"}, "the row keeps its texts");

    s.Search();
    s.check.Expect(d.WaitForRows(0), "Search empties the list");
    s.check.Equal(d.Text(kNameEdit), std::u16string(), "Search empties the name");
    s.check.Equal(d.Text(kMacEdit), std::u16string(), "Search empties the MAC");
    s.check.Equal(d.Text(kPort1Edit), std::u16string(), "Search empties the port");
    s.check.Expect(d.IsBlank(kIpControl), "Search blanks the address");
    expected[6] = expected[25] = 2;
    s.check.Equal(s.NextPcEditRequest(pcedit_port, std::chrono::seconds(2)),
                  std::optional(expected), "Search re-sends the request with the search flags");
    const std::optional<Bytes> search_3297 =
        s.Next3297Request(port_3297, std::chrono::seconds(2));
    s.check.Expect(search_3297 && search_3297->size() == 445, "Search sends the 3297 request");
    // Nothing is selected now, and numbering starts again at 1.
    d.DoubleClickBelowRows();
    s.check.Equal(d.TakeOpenedUrls(), std::vector<std::u16string>(), "no page without a device");
    s.List({PcEditReport(Device().WithMacLastOctet(7).Named("again"))});
    s.check.Equal(d.Column(0), std::vector<std::u16string>{u"1"}, "numbering restarts");
}

inline void SubnetQuestionGuardsAForeignGateway(ScenarioContext& s) {
    UdpPeer pcedit_port(kPcEditPort);
    s.List({PcEditReport(Device().Named("cam"))});
    DialogDriver& d = s.dialog;
    d.ClickRow(u"cam");
    const ShownBox question{u"Choice", u"IP and Gateway do not match. Do you want to continue?"};

    d.EnterAddress(kGatewayControl, 0xC0A80201);  // 192.168.2.1: another subnet
    d.AnswerNextQuestion(false);
    s.check.Expect(!s.Submit(pcedit_port).has_value(), "Cancel sends nothing");
    s.check.Equal(d.TakeBoxes(), std::vector{question}, "the question");
    // Addresses ending in .0 or .255 go nowhere, without a word.
    for (const std::uint32_t address : {0xC0A80100u, 0xC0A801FFu}) {
        d.EnterAddress(kIpControl, address);
        s.check.Expect(!s.Submit(pcedit_port).has_value(), "a .0 or .255 address sends nothing");
        s.check.Equal(d.TakeBoxes(), std::vector<ShownBox>(), "and says nothing");
    }
    d.EnterAddress(kIpControl, 0xC0A8010A);
    d.AnswerNextQuestion(true);
    const std::optional<Bytes> request = s.Submit(pcedit_port);
    s.check.Equal(d.TakeBoxes(), std::vector{question}, "the question again");
    s.check.Expect(request && (*request)[25] == 1 && (*request)[30] == 2, "OK sends the gateway");
    // A gateway of 0.0.0.0, one in the same subnet, or a netmask of 0.0.0.0 never ask.
    const std::pair<std::uint32_t, std::uint32_t> quiet_cases[] = {
        {0u, 0xFFFFFF00u}, {0xC0A80101u, 0xFFFFFF00u}, {0x0A000001u, 0u}};
    for (const auto& [gateway, netmask] : quiet_cases) {
        d.EnterAddress(kGatewayControl, gateway);
        d.EnterAddress(kNetmaskControl, netmask);
        s.check.Expect(s.Submit(pcedit_port).has_value(), "a changed gateway is sent");
        s.check.Equal(d.TakeBoxes(), std::vector<ShownBox>(), "without a question");
    }
    // After a search nothing is selected, so even a question answered OK sends nothing.
    s.Search();
    s.check.Expect(s.NextPcEditRequest(pcedit_port, std::chrono::seconds(2)).has_value(),
                   "the search");
    d.EnterAddress(kIpControl, 0xC0A8010A);
    d.EnterAddress(kNetmaskControl, 0xFFFFFF00);
    d.EnterAddress(kGatewayControl, 0xC0A80201);
    d.Type(kPort1Edit, u"80");  // Search emptied it, and the port was not 0
    d.AnswerNextQuestion(true);
    s.check.Expect(!s.Submit(pcedit_port).has_value(), "no device: nothing sent");
    s.check.Equal(d.TakeBoxes(), std::vector{question}, "the question is asked all the same");
}

inline void AnEmptiedPortIsZeroOnlyWhileThePortWasZero(ScenarioContext& s) {
    UdpPeer pcedit_port(kPcEditPort);
    Device zero = Device().WithMacLastOctet(1).Named("zero");
    zero.http_port = "0";
    s.List({PcEditReport(zero), PcEditReport(Device().WithMacLastOctet(2).Named("web"))});
    DialogDriver& d = s.dialog;
    d.ClickRow(u"zero");
    s.check.Expect(!s.Submit(pcedit_port).has_value(), "port 0 is still 0: nothing changed");
    s.check.Equal(d.TakeBoxes(), std::vector<ShownBox>(), "no word about the empty port");
    s.check.Equal(d.Text(kPort1Edit), std::u16string(), "the port stays empty");
    d.ClickRow(u"web");
    d.Type(kPort1Edit, u"");
    s.check.Expect(!s.Submit(pcedit_port).has_value(), "an emptied port 80 sends nothing");
    s.check.Equal(d.TakeBoxes(), std::vector{ShownBox{u"Norvik", u"Please enter an integer."}},
                  "the port's check");
}

}  // namespace scenario

struct Scenario {
    const char* name;
    void (*run)(ScenarioContext&);
};

inline constexpr std::array kDialogScenarios{
    Scenario{"ClickShowsTheDeviceAndBelowTheRowsNothing",
             &scenario::ClickShowsTheDeviceAndBelowTheRowsNothing},
    Scenario{"DoubleClickOpensTheWebPage", &scenario::DoubleClickOpensTheWebPage},
    Scenario{"HeadingsSortTheRows", &scenario::HeadingsSortTheRows},
    Scenario{"SubmitRenamesAndSearchResends", &scenario::SubmitRenamesAndSearchResends},
    Scenario{"SubnetQuestionGuardsAForeignGateway", &scenario::SubnetQuestionGuardsAForeignGateway},
    Scenario{"AnEmptiedPortIsZeroOnlyWhileThePortWasZero",
             &scenario::AnEmptiedPortIsZeroOnlyWhileThePortWasZero},
};

}  // namespace norvik::test
