// The ONVIF search's list, fed datagrams as its receive threads feed it: one camera per endpoint,
// none past the list's bound, and the Hello and Bye kept for a program that listens for them.
#include "onvif_search.h"

#include <gtest/gtest.h>

#include <string>

#include "device_list.h"
#include "recording_messages.h"

namespace norvik {
namespace {

std::string Envelope(const std::string& body) {
    return "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
           "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
           "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\"><s:Body>" +
           body + "</s:Body></s:Envelope>";
}

std::string Camera(const std::string& endpoint, const std::string& name) {
    return "<a:EndpointReference><a:Address>" + endpoint +
           "</a:Address></a:EndpointReference><d:Types>dn:NetworkVideoTransmitter</d:Types>"
           "<d:Scopes>onvif://www.onvif.org/name/" +
           name + "</d:Scopes>";
}

std::string ProbeMatch(const std::string& endpoint, const std::string& name = "cam") {
    return Envelope("<d:ProbeMatches><d:ProbeMatch>" + Camera(endpoint, name) +
                    "</d:ProbeMatch></d:ProbeMatches>");
}

std::string Handle(OnvifSearch& search, const std::string& datagram, Ipv4 source = {10, 0, 0, 5}) {
    ReceivedDatagram arrival;
    arrival.length = static_cast<int>(datagram.size());
    arrival.source = source;
    return search.HandleDatagram(
        arrival, ByteSpan(reinterpret_cast<const std::uint8_t*>(datagram.data()), datagram.size()));
}

TEST(OnvifSearch, OneCameraPerEndpointAsLastHeardAndNoneOverTheBound) {
    test::RecordingMessages messages;
    OnvifSearch search(messages, false);
    EXPECT_EQ(Handle(search, ProbeMatch("urn:uuid:a", "first")), "new camera urn:uuid:a");
    EXPECT_EQ(Handle(search, ProbeMatch("urn:uuid:b")), "new camera urn:uuid:b");
    // The same endpoint from another address: the same camera, as it is now.
    EXPECT_EQ(Handle(search, ProbeMatch("urn:uuid:a", "second"), {10, 0, 0, 9}),
              "camera again urn:uuid:a");
    auto devices = search.Devices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].match.endpoint, "urn:uuid:a");
    EXPECT_EQ(devices[0].fields.name, "second");
    EXPECT_EQ(devices[0].source, (Ipv4{10, 0, 0, 9}));
    EXPECT_FALSE(devices[0].mac.has_value()) << "10.0.0.9 is on no card of this test";
    // Without listening for announcements, a Hello still lists its camera but is kept for no
    // one.
    EXPECT_EQ(Handle(search, Envelope("<d:Hello>" + Camera("urn:uuid:c", "c") + "</d:Hello>")),
              "Hello from urn:uuid:c");
    EXPECT_FALSE(search.announcements_waiting());
    EXPECT_EQ(search.arrivals(), 4u);

    for (std::size_t i = 3; i <= DeviceList::kMaxDevices; ++i) {
        Handle(search, ProbeMatch("urn:uuid:flood-" + std::to_string(i)));
    }
    EXPECT_EQ(search.Devices().size(), DeviceList::kMaxDevices);
    EXPECT_EQ(search.dropped(DropReason::kListFull), 1u);
    EXPECT_EQ(Handle(search, ProbeMatch("urn:uuid:b")), "camera again urn:uuid:b");
    EXPECT_EQ(search.dropped(DropReason::kListFull), 1u);
}

TEST(OnvifSearch, HelloAndByeAreKeptInTheOrderHeardAndDropsAreCounted) {
    test::RecordingMessages messages;
    OnvifSearch search(messages, true);
    Handle(search, Envelope("<d:Hello>" + Camera("urn:uuid:h", "door") + "</d:Hello>"));
    Handle(search, Envelope("<d:Bye><a:EndpointReference><a:Address>urn:uuid:h</a:Address>"
                            "</a:EndpointReference></d:Bye>"));
    // A Windows PC's Hello is no camera's.
    Handle(search, Envelope("<d:Hello><a:EndpointReference><a:Address>urn:uuid:pc</a:Address>"
                            "</a:EndpointReference><d:Types xmlns:p=\"urn:pub\">p:Computer"
                            "</d:Types></d:Hello>"));
    Handle(search, "<!DOCTYPE x [<!ENTITY a \"b\">]><x>&a;</x>");
    // A Probe (ours, looped back) is a request: no arrival.
    Handle(search, WsDiscoveryProbe("urn:uuid:p"));
    ASSERT_TRUE(search.announcements_waiting());
    const auto announcements = search.TakeAnnouncements();
    ASSERT_EQ(announcements.size(), 2u);
    EXPECT_EQ(announcements[0].kind, WsDiscoveryKind::kHello);
    EXPECT_EQ(announcements[0].device.fields.name, "door");
    EXPECT_EQ(announcements[1].kind, WsDiscoveryKind::kBye);
    EXPECT_EQ(announcements[1].device.match.endpoint, "urn:uuid:h");
    EXPECT_FALSE(search.announcements_waiting());
    EXPECT_EQ(search.dropped(DropReason::kNotCamera), 1u);
    EXPECT_EQ(search.dropped(DropReason::kXmlDtd), 1u);
    EXPECT_EQ(search.dropped(DropReason::kRequest), 1u);
    EXPECT_EQ(search.arrivals(), 4u);

    // A flood of Hellos keeps the latest announcements, the oldest let go and counted.
    for (std::size_t i = 0; i <= OnvifSearch::kMaxAnnouncements; ++i) {
        Handle(search, Envelope("<d:Hello>" + Camera("urn:uuid:" + std::to_string(i), "x") +
                                "</d:Hello>"));
    }
    const auto kept = search.TakeAnnouncements();
    ASSERT_EQ(kept.size(), OnvifSearch::kMaxAnnouncements);
    EXPECT_EQ(kept.front().device.match.endpoint, "urn:uuid:1");
    EXPECT_EQ(search.dropped(DropReason::kListFull), 1u);
}

// An endpoint is the camera's text: a line end in it must not forge a line of the trace.
TEST(OnvifSearch, TheTraceQuotesAnEndpointThatHoldsALineEnd) {
    test::RecordingMessages messages;
    OnvifSearch search(messages, false);
    const std::string endpoint = "urn:uuid:n\n10:00:00.000 port 3702";
    const std::string shown = "\"urn:uuid:n\\n10:00:00.000 port 3702\"";
    EXPECT_EQ(Handle(search, ProbeMatch(endpoint)), "new camera " + shown);
    EXPECT_EQ(Handle(search, ProbeMatch(endpoint)), "camera again " + shown);
    EXPECT_EQ(Handle(search, Envelope("<d:Bye><a:EndpointReference><a:Address>" + endpoint +
                                      "</a:Address></a:EndpointReference></d:Bye>")),
              "Bye from " + shown);
}

}  // namespace
}  // namespace norvik
