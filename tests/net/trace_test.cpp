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
    EXPECT_EQ(PcEdit(PcEditReport(d, 49)), "dropped: too short");
    EXPECT_EQ(PcEdit(wrong_magic), "dropped: wrong magic");
    EXPECT_EQ(PcEdit(PcEditSearchRequest()), "dropped: a request, not a report");
    EXPECT_EQ(PcEdit(PcEditReport(d, 70, 2)), "dropped: unknown type 2");
    EXPECT_EQ(PcEdit(PcEditReport(d, 70, pcedit::report::kTypeRenumbering)),
              "dropped: not a known MAC for a re-numbering report");
    EXPECT_EQ(RecordCount(), 0u);
    EXPECT_EQ(view.ItemCount(), 0);
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
