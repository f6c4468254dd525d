// What norvik-watch makes of a run of searches: which devices are added, changed, lost and
// back, and which it forgets when it holds as many as it may.
#include "device_watch.h"

#include <gtest/gtest.h>

#include "watch_devices.h"

namespace norvik::cli {
namespace {

using test::Heard;

// Each event as "kind mac-last-byte", e.g. "added 01".
std::vector<std::string> Said(const std::vector<WatchEvent>& events) {
    std::vector<std::string> said;
    for (const WatchEvent& event : events) {
        said.push_back(std::string(WatchEventName(event.kind)) + ' ' + event.device.key.substr(15));
    }
    return said;
}

using Said_ = std::vector<std::string>;

TEST(DeviceWatch, AddsNewDevicesInTheOrderFoundAndIsQuietWhileNothingChanges) {
    DeviceWatch watch(3);
    EXPECT_EQ(Said(watch.AfterSearch({Heard(2), Heard(1)})), (Said_{"added 02", "added 01"}));
    EXPECT_TRUE(watch.AfterSearch({Heard(1), Heard(2)}).empty());
    // Heard on another card: the same device, no change of it.
    HeardDevice elsewhere = Heard(test::Record(1, "cam", {192, 168, 1, 10}));
    elsewhere.device["interface"] = "eth1";
    EXPECT_TRUE(watch.AfterSearch({elsewhere, Heard(2)}).empty());
    EXPECT_EQ(watch.heard_last(), 2u);
}

TEST(DeviceWatch, AChangeNamesTheFieldsThatDifferWithOldAndNew) {
    DeviceWatch watch(3);
    watch.AfterSearch({Heard(1, "hall", {10, 0, 0, 5})});
    const auto events = watch.AfterSearch({Heard(1, "gate", {10, 0, 0, 6})});
    ASSERT_EQ(Said(events), (Said_{"changed 01"}));
    EXPECT_EQ(events[0].changes.dump(),
              R"({"ip":{"old":"10.0.0.5","new":"10.0.0.6"},)"
              R"("name":{"old":"hall","new":"gate"},)"
              R"("name_hex":{"old":"68616c6c0000000000000000000000000000",)"
              R"("new":"676174650000000000000000000000000000"}})");
    EXPECT_EQ(events[0].device.device["name"], "gate");
    // The next search compares with what was heard last.
    EXPECT_TRUE(watch.AfterSearch({Heard(1, "gate", {10, 0, 0, 6})}).empty());
}

TEST(DeviceWatch, LostOnlyAfterLostAfterSearchesInARowThenBack) {
    DeviceWatch watch(3);
    watch.AfterSearch({Heard(1), Heard(2)});
    EXPECT_TRUE(watch.AfterSearch({Heard(2)}).empty());
    EXPECT_TRUE(watch.AfterSearch({Heard(2)}).empty());
    // Heard again before the third miss: the count starts again.
    EXPECT_TRUE(watch.AfterSearch({Heard(1), Heard(2)}).empty());
    EXPECT_TRUE(watch.AfterSearch({}).empty());
    EXPECT_TRUE(watch.AfterSearch({}).empty());
    EXPECT_EQ(Said(watch.AfterSearch({})), (Said_{"lost 01", "lost 02"}));
    EXPECT_TRUE(watch.devices().at(test::Heard(1).key).lost);
    // Said once, however long it stays away.
    EXPECT_TRUE(watch.AfterSearch({}).empty());
    EXPECT_EQ(Said(watch.AfterSearch({Heard(2)})), (Said_{"back 02"}));
    // Back with other settings: both.
    EXPECT_EQ(Said(watch.AfterSearch({Heard(2), Heard(1, "renamed")})),
              (Said_{"back 01", "changed 01"}));
    EXPECT_FALSE(watch.devices().at(test::Heard(1).key).lost);
}

TEST(DeviceWatch, TheFirstSearchIsComparedWithTheBaseline) {
    DeviceWatch watch(3);
    // 01 saved by an earlier version, which did not know a field: no change of the device.
    HeardDevice saved_earlier = Heard(1);
    saved_earlier.device.erase("name_hex");
    watch.SetBaseline({saved_earlier, Heard(2, "old name"), Heard(3)});
    // 01 as saved: nothing; 02 renamed; 04 new; 03 missing is lost at once.
    EXPECT_EQ(Said(watch.AfterSearch({Heard(1), Heard(2, "new name"), Heard(4)})),
              (Said_{"changed 02", "added 04", "lost 03"}));
    EXPECT_EQ(Said(watch.AfterSearch({Heard(1), Heard(2, "new name"), Heard(3), Heard(4)})),
              (Said_{"back 03"}));
}

TEST(DeviceWatch, ADeviceListedTwiceInASearchCountsOnceAsLastReported) {
    DeviceWatch watch(3);
    EXPECT_EQ(Said(watch.AfterSearch({Heard(1, "a"), Heard(1, "b")})), (Said_{"added 01"}));
    EXPECT_EQ(watch.devices().at(Heard(1).key).device.device["name"], "b");
    EXPECT_EQ(watch.heard_last(), 1u);
}

TEST(DeviceWatch, WhenFullTheDeviceHeardLongestAgoIsForgottenFirst) {
    DeviceWatch watch(1, 3);
    watch.AfterSearch({Heard(1), Heard(2), Heard(3)});
    EXPECT_EQ(Said(watch.AfterSearch({Heard(2), Heard(3)})), (Said_{"lost 01"}));
    EXPECT_EQ(Said(watch.AfterSearch({Heard(3)})), (Said_{"lost 02"}));
    // No room for 04: 01, lost the longest, is forgotten without a word.
    EXPECT_EQ(Said(watch.AfterSearch({Heard(4)})), (Said_{"added 04", "lost 03"}));
    EXPECT_EQ(watch.devices().size(), 3u);
    EXPECT_EQ(watch.devices().count(Heard(1).key), 0u);
    // Forgotten, so new again (and 02 makes room for it), not back.
    EXPECT_EQ(Said(watch.AfterSearch({Heard(1), Heard(4)})), (Said_{"added 01"}));
    EXPECT_EQ(watch.devices().count(Heard(2).key), 0u);
    EXPECT_EQ(watch.not_kept(), 0u);
}

TEST(DeviceWatch, DevicesBeyondTheBoundInOneSearchAreNotKept) {
    DeviceWatch watch(3, 2);
    EXPECT_EQ(Said(watch.AfterSearch({Heard(1), Heard(2), Heard(3)})),
              (Said_{"added 01", "added 02"}));
    EXPECT_EQ(watch.not_kept(), 1u);
    EXPECT_EQ(watch.devices().size(), 2u);
}

// Devices that come and go for good: what is kept stays at the bound, so memory stays flat.
TEST(DeviceWatch, ChurnKeepsTheDeviceCountAtTheBound) {
    constexpr std::size_t kBound = 64;
    DeviceWatch watch(2, kBound);
    std::uint32_t next = 0;
    std::size_t added = 0;
    for (int search = 0; search < 300; ++search) {
        std::vector<HeardDevice> heard;
        for (int i = 0; i < 10; ++i, ++next) {
            DeviceRecord record = test::Record(0, "cam", {10, 0, 0, 1});
            record.mac[3] = static_cast<std::uint8_t>(next >> 16);
            record.mac[4] = static_cast<std::uint8_t>(next >> 8);
            record.mac[5] = static_cast<std::uint8_t>(next);
            heard.push_back(Heard(record));
        }
        for (const WatchEvent& event : watch.AfterSearch(heard)) {
            added += event.kind == WatchEventKind::kAdded ? 1 : 0;
        }
        ASSERT_LE(watch.devices().size(), kBound);
    }
    EXPECT_EQ(added, 3000u);
    EXPECT_EQ(watch.devices().size(), kBound);
    EXPECT_EQ(watch.not_kept(), 0u);
}

TEST(DeviceWatch, ACamerasHelloAndByeAreEventsAtOnceKeyedByMacOrEndpoint) {
    DeviceWatch watch(3);
    const std::string endpoint = "urn:uuid:0000000a-0000-4000-8000-000000000001";
    // Unknown MAC: kept by its endpoint.
    const auto hello = watch.AfterHello(test::HeardCamera(endpoint));
    ASSERT_TRUE(hello.has_value());
    EXPECT_EQ(hello->kind, WatchEventKind::kAdded);
    EXPECT_EQ(hello->device.key, EndpointKey(endpoint));
    // Heard by the next search: no second event; a second Hello neither.
    EXPECT_TRUE(watch.AfterSearch({test::HeardCamera(endpoint)}).empty());
    EXPECT_FALSE(watch.AfterHello(test::HeardCamera(endpoint)).has_value());
    // Bye: lost at once, once.
    const auto bye = watch.AfterBye(endpoint);
    ASSERT_TRUE(bye.has_value());
    EXPECT_EQ(bye->kind, WatchEventKind::kLost);
    EXPECT_FALSE(watch.AfterBye(endpoint).has_value());
    EXPECT_FALSE(watch.AfterBye("urn:uuid:never-heard").has_value());
    // Not heard by the next search: lost already, so no second lost.
    EXPECT_TRUE(watch.AfterSearch({}).empty());
    // A Hello brings it back at once.
    const auto back = watch.AfterHello(test::HeardCamera(endpoint));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->kind, WatchEventKind::kBack);
    EXPECT_FALSE(watch.devices().at(EndpointKey(endpoint)).lost);

    // A device of our protocols that also answers ONVIF is kept by its MAC; a Hello of its
    // camera whose MAC the neighbour table did not know at that moment is still that device.
    HeardDevice both = Heard(7);
    both.device["endpoint"] = "urn:uuid:b";
    watch.AfterSearch({both});
    ASSERT_TRUE(watch.AfterBye("urn:uuid:b").has_value());
    const auto again = watch.AfterHello(test::HeardCamera("urn:uuid:b"));
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(Said({*again}), (Said_{"back 07"}));
    EXPECT_EQ(watch.devices().size(), 2u);  // none added for the camera's endpoint
}

// The neighbour table learns a camera's MAC after its first answer, and forgets it again: one
// device all along, never lost while it answers. An endpoint that reads as a MAC is no MAC.
TEST(DeviceWatch, ACameraIsOneDeviceWhetherItsMacIsKnownOrNot) {
    DeviceWatch watch(1);
    const std::string endpoint = "urn:uuid:c";
    const MacAddress mac = {0x00, 0x11, 0x22, 0x33, 0x44, 0x0c};
    ASSERT_TRUE(watch.AfterHello(test::HeardCamera(endpoint)).has_value());
    const auto learned = watch.AfterSearch({test::HeardCamera(endpoint, mac)});
    ASSERT_EQ(learned.size(), 1u);
    EXPECT_EQ(learned[0].kind, WatchEventKind::kChanged);
    EXPECT_EQ(learned[0].changes.at("mac").at("new"), "00:11:22:33:44:0c");
    EXPECT_TRUE(watch.AfterSearch({test::HeardCamera(endpoint)}).empty());
    ASSERT_EQ(watch.devices().size(), 1u);
    EXPECT_EQ(watch.devices().begin()->first, "00:11:22:33:44:0c");
    EXPECT_EQ(watch.devices().begin()->second.device.device["mac"], "00:11:22:33:44:0c");

    const auto both = watch.AfterSearch({Heard(1), test::HeardCamera("00:11:22:33:44:01")});
    EXPECT_EQ(both.size(), 3u);  // two added, and the camera above lost
    EXPECT_EQ(watch.devices().size(), 3u);
    EXPECT_EQ(watch.devices().at("00:11:22:33:44:01").device.device["name"], "cam");
}

// One search of a device that answers in PCEdit and in ONVIF, its devices made as the program
// makes them: the camera's MAC as the neighbour table tells it, or as the watch remembers it.
std::vector<HeardDevice> SearchOfBoth(DeviceWatch& watch, bool table_knows_mac) {
    const DeviceRecord record = test::Record(0x55, "cam-1", {10, 0, 0, 5});
    OnvifDevice camera;
    camera.match.endpoint = "urn:uuid:cam-1";
    camera.match.types = {"dn:NetworkVideoTransmitter"};
    camera.source = record.ip;
    camera.interface_index = 1;
    if (table_knows_mac) {
        camera.mac = record.mac;
    }
    std::vector<OnvifDevice> cameras{camera};
    watch.RememberMacs(cameras);
    const std::vector<DeviceRecord> records{record};
    const SiteCameras site(std::move(cameras), records);
    InterfaceNames names{{1, "eth0"}};
    std::vector<HeardDevice> heard{MakeHeardDevice(SiteDeviceJson(record, site, names), {})};
    for (const OnvifDevice* alone : site.alone()) {
        heard.push_back(MakeHeardDevice(CameraJson(*alone, names), {}));
    }
    return heard;
}

// The neighbour table forgets the MAC of a device that answers in both between searches: it
// stays one device, with no camera added beside it to be lost later.
TEST(DeviceWatch, ADeviceAnsweringInOnvifTooStaysOneWhenItsMacIsForgotten) {
    DeviceWatch watch(1);
    EXPECT_EQ(Said(watch.AfterSearch(SearchOfBoth(watch, true))), Said_{"added 55"});
    for (const bool table_knows_mac : {false, true, false}) {
        EXPECT_EQ(Said(watch.AfterSearch(SearchOfBoth(watch, table_knows_mac))), Said_{})
            << table_knows_mac;
    }
    EXPECT_EQ(watch.devices().size(), 1u);
}

}  // namespace
}  // namespace norvik::cli
