// What the trace says became of each kind of datagram, so that a person can tell why a device
// is not listed.
#include "trace.h"

#include <gtest/gtest.h>

#include "list_fixture.h"

namespace norvik::test {
namespace {

class Outcomes : public ListFixture {
protected:
    std::string PcEdit(const Bytes& datagram, std::uint32_t card = 0) {
        return DescribeOutcome(pcedit::HandleDatagram(context(), datagram, card));
    }
    std::string Of3297(const Bytes& datagram) {
        return DescribeOutcome(p3297::HandleDatagram(context(), datagram));
    }
};

TEST_F(Outcomes, PcEditReportsSayWhatTheyDidToTheList) {
    Device a;
    Device b = Device().WithMacLastOctet(2);
    EXPECT_EQ(PcEdit(PcEditReport(a)), "new device, row 1");
    EXPECT_EQ(PcEdit(PcEditReport(a)), "updated, row 1");
    EXPECT_EQ(PcEdit(PcEditReport(b)), "new device, row 2");
    EXPECT_EQ(PcEdit(PcEditReport(b.WithIp({10, 9, 9, 9}))), "row 2 moved to the end");
    EXPECT_EQ(PcEdit(PcEditReport(b, 70, pcedit::report::kTypeRenumbering)),
              "re-numbered, now row 2");
}

TEST_F(Outcomes, EveryDroppedDatagramSaysWhy) {
    Device d;
    Bytes wrong_magic = PcEditReport(d);
    wrong_magic[4] = 'X';
    Bytes request(74, 0);
    const std::string magic = "PCEdit";
    std::copy(magic.begin(), magic.end(), request.begin());
    EXPECT_EQ(PcEdit(PcEditReport(d, 49)), "dropped: too short");
    EXPECT_EQ(PcEdit(wrong_magic), "dropped: wrong magic");
    EXPECT_EQ(PcEdit(request), "dropped: a request, not a report");
    EXPECT_EQ(PcEdit(PcEditReport(d, 70, 7)), "dropped: unknown type 7");
    EXPECT_EQ(PcEdit(PcEditReport(d, 70, pcedit::report::kTypeRenumbering)),
              "dropped: not a known MAC for a re-numbering report");

    Bytes search_3297 = Report3297(d);
    search_3297[p3297::offset::kType] = '1';
    EXPECT_EQ(Of3297(Report3297(d, 1, 444)), "dropped: too short");
    EXPECT_EQ(Of3297(Report3297(d, 1, 446)), "dropped: wrong length (not 445 bytes)");
    EXPECT_EQ(Of3297(search_3297), "dropped: a request, not a report");
    EXPECT_EQ(Of3297(Report3297(d, 9)), "dropped: unknown type 9");
    EXPECT_EQ(RecordCount(), 0u);
    EXPECT_EQ(Of3297(Report3297(d, 2)), "new device, row 1");
}

TEST_F(Outcomes, AFullListDropsANewDeviceAsFull) {
    Device d;
    for (std::size_t i = 0; i < DeviceList::kMaxDevices; ++i) {
        d.mac = {2,
                 0,
                 0,
                 static_cast<std::uint8_t>(i >> 16),
                 static_cast<std::uint8_t>(i >> 8),
                 static_cast<std::uint8_t>(i)};
        ASSERT_EQ(PcEdit(PcEditReport(d)).rfind("new device", 0), 0u);
    }
    d.mac = {4, 4, 4, 4, 4, 4};
    EXPECT_EQ(PcEdit(PcEditReport(d)), "dropped: list full");
}

TEST_F(Outcomes, TheRecordKeepsTheCardItWasLastHeardOn) {
    Device d;
    PcEdit(PcEditReport(d), 3);
    EXPECT_EQ(devices.head()->interface_index, 3u);
    PcEdit(PcEditReport(d), 5);
    EXPECT_EQ(devices.head()->interface_index, 5u);
    PcEdit(PcEditReport(d, 70, pcedit::report::kTypeRenumbering), 7);
    EXPECT_EQ(devices.head()->interface_index, 7u);
}

}  // namespace
}  // namespace norvik::test
