// norvik-scan's document written as it goes is the very text of the document built whole, with
// the ONVIF cameras beside the devices.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "device_json.h"
#include "device_text.h"
#include "memory_list_view.h"
#include "site_cameras.h"

namespace norvik::cli {
namespace {

std::string WrittenText(const MemoryListView& view, const DeviceList& list,
                        const SiteCameras& cameras,
                        const std::vector<std::vector<std::string>>& warnings) {
    std::string text;
    WriteScanJson([&](std::string_view piece) { text += piece; }, view, list, cameras, warnings);
    return text;
}

TEST(ScanJson, WrittenAsItGoesIsTheWholeDocumentByteForByte) {
    DeviceList list;
    MemoryListView view;
    // Names as a network may send them: quotes and backslashes, control characters, invalid
    // UTF-8, other scripts, and none at all.
    const char* const names[] = {"hall \"1\" \\ 2",
                                 "tab\tline\nfeed\x01\x1f\x7f",
                                 "\xff\xfe\xc3 cut",
                                 "C\xc3\xa1mara \xe7\x9b\xa3\xe8\xa6\x96",
                                 "",
                                 "</script>{\"devices\":[]}"};
    std::uint8_t last = 0;
    for (const char* name : names) {
        DeviceRecord& record = *list.AppendRecord({0x00, 0x1a, 0x07, 0x10, 0x00, ++last});
        std::memcpy(record.name.data(), name, std::min(std::strlen(name), record.name.size()));
        std::memcpy(record.tag.data(), name, std::min(std::strlen(name), record.tag.size()));
        record.http_port = 65535;
        record.interface_index = last;
        list.SetAddress(record, {10, 0, 0, last});
        list.ListRecord(record, view, MakeRowTexts(record.name, record.ip));
    }
    // A row whose text is no valid UTF-16: a lone surrogate.
    list.InsertRow(99, view, {u"\xd800 lone", u"\"10.0.0.99\""});
    // Cameras: one is the first device (its MAC), two stand alone, one of them with a MAC the
    // neighbour table did not know; their texts are as hostile as a name.
    OnvifDevice merged;
    merged.match.endpoint = "urn:uuid:00000000-0000-4000-8000-000000000001";
    merged.match.scopes = {"onvif://www.onvif.org/hardware/NV%0A1"};
    merged.fields.hardware = "NV\n1";
    merged.mac = MacAddress{0x00, 0x1a, 0x07, 0x10, 0x00, 1};
    OnvifDevice alone = merged;
    alone.match.endpoint = "urn:uuid:\"x\"\x01\xff";
    alone.fields.name = "T\xc3\xbcr \x7f\xfe";
    alone.mac.reset();
    alone.source = {10, 0, 0, 77};
    OnvifDevice alone_with_mac = alone;
    alone_with_mac.match.endpoint = "urn:uuid:3";
    alone_with_mac.mac = MacAddress{0x02, 0, 0, 0, 0, 3};
    list.FindByMac({0x00, 0x1a, 0x07, 0x10, 0x00, 1})->heard_by = kHeardPcEdit | kHeard3297;
    const SiteCameras cameras({merged, alone, alone_with_mac}, list);
    // Warnings for the first records only, as for records heard after the warnings were made.
    const std::vector<std::vector<std::string>> warnings = {{}, {"link-local", "a \"b\"\n"}};
    const std::string written = WrittenText(view, list, cameras, warnings);
    EXPECT_EQ(written, JsonText(ScanJson(view, list, cameras, warnings)));
    const Json document = Json::parse(written);
    const Json& devices = document["devices"];
    ASSERT_EQ(devices.size(), std::size(names) + 2);
    EXPECT_EQ(devices[0]["protocols"], Json({"pcedit", "3297", "onvif"}));
    EXPECT_EQ(devices[0]["endpoint"], merged.match.endpoint);
    EXPECT_EQ(devices[0]["hardware"], "NV\n1");
    EXPECT_EQ(devices[1]["protocols"], Json::array());  // no report has been handled for it
    EXPECT_FALSE(devices[1].contains("endpoint"));
    const Json& camera = devices[std::size(names)];
    EXPECT_TRUE(camera["list_index"].is_null());
    EXPECT_TRUE(camera["mac"].is_null());
    EXPECT_EQ(camera["ip"], "10.0.0.77");
    EXPECT_EQ(camera["protocols"], Json({"onvif"}));
    EXPECT_EQ(camera["name"], "T\u00fcr \x7f\ufffd");
    EXPECT_EQ(devices[std::size(names) + 1]["mac"], "02:00:00:00:00:03");

    // A full list, with reports dropped, goes beyond one block of the writer.
    for (std::uint32_t i = 0; !list.full(); ++i) {
        list.AppendRecord({0x02, 0x00, static_cast<std::uint8_t>(i >> 16),
                           static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i), 0});
    }
    EXPECT_EQ(list.AppendRecord({0x02, 0xff, 0, 0, 0, 0}), nullptr);
    const std::string full = WrittenText(view, list, cameras, warnings);
    EXPECT_EQ(full, JsonText(ScanJson(view, list, cameras, warnings)));
    EXPECT_NE(full.find("],\"dropped_devices\":1}\n"), std::string::npos);
}

}  // namespace
}  // namespace norvik::cli
