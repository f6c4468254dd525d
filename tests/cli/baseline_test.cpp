// Reading a saved scan: the scanner's own document reads back as the devices it holds, and
// every kind of bad file is refused with a reason.
#include "baseline.h"

#include <gtest/gtest.h>

#include "device_text.h"
#include "memory_list_view.h"
#include "site_cameras.h"
#include "utf.h"
#include "watch_devices.h"

namespace norvik::cli {
namespace {

TEST(Baseline, TheScannersDocumentReadsBackAsTheDevicesItHolds) {
    DeviceList list;
    MemoryListView view;
    std::vector<HeardDevice> expected;
    const DeviceRecord made_records[] = {test::Record(1, "hall \"1\"", {10, 0, 0, 5}),
                                         test::Record(2, "Cámara", {169, 254, 3, 4})};
    for (const DeviceRecord& made : made_records) {
        DeviceRecord& record = *list.AppendRecord(made.mac);
        record.name = made.name;
        record.netmask = made.netmask;
        record.http_port = made.http_port;
        record.interface_index = made.interface_index;
        list.SetAddress(record, made.ip);
        list.ListRecord(record, view, MakeRowTexts(record.name, record.ip));
        expected.push_back(test::Heard(record));
    }
    expected[1].warnings = {"link-local", "outside-every-card"};
    Json document = ScanJson(view, list, SiteCameras(), {{}, expected[1].warnings});
    // The interface names of the PC that saved it.
    for (Json& device : document["devices"]) {
        device["interface"] = "eth0";
    }
    // As saved by a redirect, and by Windows PowerShell's, which writes UTF-16 with a
    // byte-order mark and CR LF.
    std::string utf16le = "\xFF\xFE";
    for (const char16_t unit : Utf8ToUtf16(JsonText(document) + "\r\n")) {
        utf16le += {static_cast<char>(unit & 0xff), static_cast<char>(unit >> 8)};
    }
    std::string utf16be = "\xFE\xFF";
    for (const char16_t unit : Utf8ToUtf16(JsonText(document) + "\r\n")) {
        utf16be += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xff)};
    }
    for (const std::string& text : {JsonText(document), utf16le, utf16be}) {
        const Baseline baseline = ReadBaseline(text);
        EXPECT_EQ(baseline.error, "");
        ASSERT_EQ(baseline.devices.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(baseline.devices[i].key, expected[i].key);
            // Field for field and in the same order, so that it compares with a search's.
            EXPECT_EQ(baseline.devices[i].device.dump(), expected[i].device.dump());
            EXPECT_EQ(baseline.devices[i].warnings, expected[i].warnings);
        }
    }
}

TEST(Baseline, AMacIsReadAsThePlanFileTakesItAndKeptAsTheScannerWritesIt) {
    Json device = test::Heard(1).device;
    device["mac"] = "00-11-22-AA-BB-CC";
    const Baseline baseline = ReadBaseline(Json{{"devices", {device}}}.dump());
    ASSERT_EQ(baseline.error, "");
    EXPECT_EQ(baseline.devices.at(0).key, "00:11:22:aa:bb:cc");
    EXPECT_EQ(baseline.devices.at(0).device["mac"], "00:11:22:aa:bb:cc");
    // No warnings at all is as good as none.
    EXPECT_TRUE(baseline.devices.at(0).warnings.empty());
}

TEST(Baseline, CamerasReadBackByMacOrEndpointAndOldRecordsWithoutProtocols) {
    DeviceList list;
    MemoryListView view;
    DeviceRecord& record = *list.AppendRecord({0x00, 0x11, 0x22, 0x33, 0x44, 1});
    list.SetAddress(record, {10, 0, 0, 5});
    record.heard_by = kHeardPcEdit;
    OnvifDevice both;
    both.match.endpoint = "urn:uuid:both";
    both.mac = record.mac;
    OnvifDevice alone;
    alone.match.endpoint = "urn:uuid:alone";
    alone.match.scopes = {"onvif://www.onvif.org/name/Tor"};
    alone.fields.name = "Tor";
    const SiteCameras cameras({both, alone}, list);
    const Json document = ScanJson(view, list, cameras, {{}, {"outside-every-card"}});
    const Baseline baseline = ReadBaseline(JsonText(document));
    ASSERT_EQ(baseline.error, "");
    ASSERT_EQ(baseline.devices.size(), 2u);
    EXPECT_EQ(baseline.devices[0].key, "00:11:22:33:44:01");
    EXPECT_EQ(baseline.devices[0].device["endpoint"], "urn:uuid:both");
    EXPECT_EQ(baseline.devices[0].device["protocols"], Json({"pcedit", "onvif"}));
    EXPECT_EQ(baseline.devices[1].key, EndpointKey("urn:uuid:alone"));
    // As the watch keeps a search's record: the same fields in the same order.
    Json expected = document["devices"][1];
    expected.erase("list_index");
    expected.erase("warnings");
    EXPECT_EQ(baseline.devices[1].device.dump(), expected.dump());
    EXPECT_EQ(baseline.devices[1].warnings, std::vector<std::string>{"outside-every-card"});

    // A camera with neither MAC nor endpoint is no device; nor one whose lists hold no texts.
    Json nameless = document["devices"][1];
    nameless.erase("endpoint");
    EXPECT_EQ(ReadBaseline(Json{{"devices", {nameless}}}.dump()).error,
              "device 1 of \"devices\" has no \"endpoint\"");
    Json bad_scopes = document["devices"][1];
    bad_scopes["scopes"] = Json::array({1});
    EXPECT_EQ(ReadBaseline(Json{{"devices", {bad_scopes}}}.dump()).error,
              "device 1 of \"devices\" has a \"scopes\" that is not a list of texts");
    // A record saved by an earlier version, without protocols, still reads.
    Json old = document["devices"][0];
    for (const char* key : {"protocols", "endpoint", "types", "xaddrs", "scopes", "hardware",
                            "location"}) {
        old.erase(key);
    }
    EXPECT_EQ(ReadBaseline(Json{{"devices", {old}}}.dump()).error, "");
}

TEST(Baseline, BadDocumentsAreRefusedWithWhatIsWrong) {
    const Json good = test::Heard(1).device;
    const auto with = [&](const char* key, Json value) {
        Json device = good;
        device[key] = std::move(value);
        return Json{{"devices", {device}}}.dump();
    };
    Json without_name = good;
    without_name.erase("name");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "it is not JSON"},
        {"{\"devices\":[", "it is not JSON"},
        {"{\"devices\":[]} trailing", "it is not JSON"},
        {"{\"devices\":[{\"name\":\"\xC3\"}]}", "it is not JSON"},  // not UTF-8
        {"[]", "it has no \"devices\" list"},
        {"{\"devices\":{}}", "it has no \"devices\" list"},
        {"{\"rows\":[]}", "it has no \"devices\" list"},
        {std::string(9, '[') + std::string(9, ']'), "it nests deeper than a scan's document"},
        {"{\"devices\":[1]}", "device 1 of \"devices\" is not an object"},
        {Json{{"devices", {without_name}}}.dump(), "device 1 of \"devices\" has no \"name\""},
        {with("http_port", 1LL << 40),
         "device 1 of \"devices\" has a \"http_port\" that is not a 32-bit integer"},
        {with("http_port", -(1LL << 40)),
         "device 1 of \"devices\" has a \"http_port\" that is not a 32-bit integer"},
        {std::string(8, '[') + std::string(8, ']'), "it has no \"devices\" list"},
        {with("http_port", 80.5),
         "device 1 of \"devices\" has a \"http_port\" that is not a 32-bit integer"},
        {with("ip", 3), "device 1 of \"devices\" has a \"ip\" that is not a text"},
        {with("interface", false),
         "device 1 of \"devices\" has a \"interface\" that is not a text"},
        {with("mac", "00:11:22:33:44"),
         "device 1 of \"devices\" has a \"mac\" that is no MAC address"},
        {with("warnings", "none"), "device 1 of \"devices\" has \"warnings\" that are not a list"},
        {with("warnings", {1}), "device 1 of \"devices\" has a warning that is not a text"},
    };
    for (const auto& [text, error] : cases) {
        const Baseline baseline = ReadBaseline(text);
        EXPECT_EQ(baseline.error, error) << text;
        EXPECT_TRUE(baseline.devices.empty()) << text;
    }
    // Brackets inside a text are no nesting.
    const Baseline quoted = ReadBaseline(with("name", std::string(20, '[')));
    EXPECT_EQ(quoted.error, "");
    // A 3297 device that answers ONVIF too is a device, with all of its fields.
    Json both = good;
    both["protocols"] = {"3297", "onvif"};
    both["endpoint"] = "urn:uuid:c";
    for (const char* list : {"types", "xaddrs", "scopes"}) {
        both[list] = Json::array();
    }
    both["hardware"] = "";
    both["location"] = "";
    const Baseline device = ReadBaseline(Json{{"devices", {both}}}.dump());
    ASSERT_EQ(device.error, "");
    EXPECT_TRUE(device.devices[0].device.contains("netmask"));
    // Nor after an escaped quote.
    EXPECT_EQ(ReadBaseline(with("name", "\"" + std::string(20, '['))).error, "");
}

TEST(Baseline, MoreDevicesThanAListAndItsCamerasHoldAreRefused) {
    Json devices = Json::array();
    for (std::size_t i = 0; i <= kMaxBaselineDevices; ++i) {
        devices.push_back(0);
    }
    EXPECT_EQ(ReadBaseline(Json{{"devices", devices}}.dump()).error,
              "it lists more than 32768 devices");
    devices.erase(devices.size() - 1);  // as many as it may hold
    EXPECT_EQ(ReadBaseline(Json{{"devices", devices}}.dump()).error,
              "device 1 of \"devices\" is not an object");
    EXPECT_EQ(ReadBaseline(std::string(kMaxBaselineBytes + 1, ' ')).error,
              "it is larger than 32 MiB");
}

}  // namespace
}  // namespace norvik::cli
