// The event lines: the JSON object's keys and their order, the line for a person.
#include "event_json.h"

#include <gtest/gtest.h>

#include "watch_devices.h"

namespace norvik::cli {
namespace {

TEST(EventJson, AChangedLineHasEveryKeyInOrder) {
    DeviceWatch watch(3);
    watch.AfterSearch({test::Heard(test::Record(0x55, "hall", {10, 0, 0, 5}))});
    const auto events = watch.AfterSearch(
        {test::Heard(test::Record(0x55, "hall", {10, 0, 0, 6}), {"outside-every-card"})});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(JsonText(EventJson(events[0], "2026-12-08T06:41:00Z")),
              R"({"time":"2026-12-08T06:41:00Z","event":"changed","mac":"00:11:22:33:44:55",)"
              R"("protocol":"pcedit",)"
              R"("interface":"eth0","device":{"tag":"","ip":"10.0.0.6","netmask":"255.255.255.0",)"
              R"("gateway":"0.0.0.0","mac":"00:11:22:33:44:55","name":"hall",)"
              R"("name_hex":"68616c6c0000000000000000000000000000","dns_enabled":0,)"
              R"("dns1":"0.0.0.0","dns2":"0.0.0.0","http_port":80,"port2":0,"dhcp_on":0,)"
              R"("dhcp_supported":0,"interface":"eth0","protocols":["pcedit"]},)"
              R"("warnings":["outside-every-card"],)"
              R"("changes":{"ip":{"old":"10.0.0.5","new":"10.0.0.6"}}})"
              "\n");
    EXPECT_EQ(EventText(events[0], "2026-12-08T06:41:00Z"),
              "2026-12-08T06:41:00Z changed 00:11:22:33:44:55 hall 10.0.0.6 on eth0 via pcedit: ip "
              "10.0.0.5 -> 10.0.0.6 (warnings: outside-every-card)\n");
}

TEST(EventJson, OtherEventsHaveNoChangesAndAnUnknownCardIsNull) {
    DeviceRecord record = test::Record(0x66, "gate", {10, 0, 0, 7});
    record.interface_index = 0;
    InterfaceNames unknown{{0, nullptr}};
    HeardDevice device;
    device.device = DeviceJson(record, unknown);
    device.device.erase("list_index");
    device.key = "00:11:22:33:44:66";
    const Json line = EventJson({WatchEventKind::kLost, device, {}}, "2026-12-08T06:41:00Z");
    EXPECT_EQ(line["event"], "lost");
    EXPECT_TRUE(line["interface"].is_null());
    EXPECT_FALSE(line.contains("changes"));
    EXPECT_EQ(line["warnings"], Json::array());
    EXPECT_EQ(EventText({WatchEventKind::kLost, device, {}}, "T"),
              "T lost 00:11:22:33:44:66 gate 10.0.0.7\n");
    // A camera whose MAC is not known: no MAC, named by its endpoint.
    const HeardDevice camera = test::HeardCamera("urn:uuid:c", std::nullopt, "Tor");
    const Json camera_line = EventJson({WatchEventKind::kAdded, camera, {}}, "T");
    EXPECT_TRUE(camera_line["mac"].is_null());
    EXPECT_EQ(camera_line["protocol"], "onvif");
    EXPECT_EQ(camera_line["device"]["endpoint"], "urn:uuid:c");
    EXPECT_EQ(EventText({WatchEventKind::kAdded, camera, {}}, "T"),
              "T added urn:uuid:c Tor 192.168.1.50 on eth0 via onvif\n");
}

// A name is whatever bytes a device sends, an endpoint whatever text a camera's XML holds: a
// line feed in either must not make two lines, the second one forged.
TEST(EventJson, ATextLineQuotesNetworkTextWithControlCharacters) {
    const HeardDevice device = test::Heard(test::Record(0x77, "a\nb\tc", {10, 0, 0, 8}));
    EXPECT_EQ(EventText({WatchEventKind::kAdded, device, {}}, "T"),
              "T added 00:11:22:33:44:77 \"a\\nb\\tc\" 10.0.0.8 on eth0 via pcedit\n");
    EXPECT_EQ(EventText({WatchEventKind::kAdded, test::Heard(0x78, "Cámara 1"), {}}, "T"),
              "T added 00:11:22:33:44:78 Cámara 1 192.168.1.10 on eth0 via pcedit\n");
    const HeardDevice camera =
        test::HeardCamera("urn:uuid:a\nT lost 00:11:22:33:44:77 hall", std::nullopt, "Tor");
    EXPECT_EQ(EventText({WatchEventKind::kAdded, camera, {}}, "T"),
              "T added \"urn:uuid:a\\nT lost 00:11:22:33:44:77 hall\" Tor 192.168.1.50 on eth0 via "
              "onvif\n");
    // A list's text too: a C1 control (here the 8-bit CSI) or DEL in a camera's scopes.
    const Json changes = {
        {"scopes", {{"old", Json::array()}, {"new", {"onvif://x/\u009b31mRED\u007f"}}}}};
    EXPECT_EQ(EventText({WatchEventKind::kChanged, test::HeardCamera("urn:uuid:b"), changes}, "T"),
              "T changed urn:uuid:b door 192.168.1.50 on eth0 via onvif: scopes [] -> "
              "[\"onvif://x/\\u009b31mRED\\u007f\"]\n");
}

}  // namespace
}  // namespace norvik::cli
