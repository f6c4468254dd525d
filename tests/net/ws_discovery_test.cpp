// What the ONVIF search reads of a WS-Discovery datagram, and the Probe it sends: replies as
// cameras write them, and as anyone on the LAN may send them instead.
#include "ws_discovery.h"

#include <gtest/gtest.h>

#include <string>

#include "xml_tree.h"

namespace norvik {
namespace {

ByteSpan Bytes(const std::string& text) {
    return ByteSpan(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// A ProbeMatches as a camera sends it; `matches` goes inside d:ProbeMatches.
std::string ProbeMatches(const std::string& matches) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
           "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
           "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\">"
           "<SOAP-ENV:Header><wsa:MessageID>urn:uuid:1</wsa:MessageID>"
           "<wsa:RelatesTo>urn:uuid:2</wsa:RelatesTo>"
           "<wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</wsa:Action>"
           "</SOAP-ENV:Header><SOAP-ENV:Body><d:ProbeMatches>" +
           matches + "</d:ProbeMatches></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string Match(const std::string& endpoint, const std::string& types,
                  const std::string& scopes = "", const std::string& xaddrs = "") {
    return "<d:ProbeMatch><wsa:EndpointReference><wsa:Address>" + endpoint +
           "</wsa:Address></wsa:EndpointReference><d:Types>" + types + "</d:Types><d:Scopes>" +
           scopes + "</d:Scopes><d:XAddrs>" + xaddrs +
           "</d:XAddrs><d:MetadataVersion>7</d:MetadataVersion></d:ProbeMatch>";
}

DropReason DroppedFor(const std::string& datagram) {
    const WsDiscoveryRead read = ReadWsDiscovery(Bytes(datagram));
    EXPECT_FALSE(read.message.has_value());
    return read.reason;
}

TEST(WsDiscovery, AProbeMatchesGivesEveryCameraWithItsFields) {
    const std::string datagram = ProbeMatches(
        Match(
            "  urn:uuid:a  ", "dn:NetworkVideoTransmitter tds:Device",
            "onvif://www.onvif.org/type/video_encoder\n onvif://www.onvif.org/name/Tor%20S%C3%BCd "
            "onvif://www.onvif.org/hardware/NV-100\tonvif://www.onvif.org/location/Halle%203%2FOst",
            "http://10.0.0.5/onvif/device_service http://[fe80::1]/onvif/device_service") +
        // A second camera in the same reply, its types' prefix declared on the element itself.
        "<d:ProbeMatch xmlns:v=\"http://www.onvif.org/ver10/network/wsdl\"><wsa:EndpointReference>"
        "<wsa:Address>urn:uuid:b</wsa:Address></wsa:EndpointReference>"
        "<d:Types>v:NetworkVideoTransmitter</d:Types></d:ProbeMatch>");
    const WsDiscoveryRead read = ReadWsDiscovery(Bytes(datagram));
    ASSERT_TRUE(read.message.has_value()) << DropReasonName(read.reason);
    EXPECT_EQ(read.message->kind, WsDiscoveryKind::kProbeMatches);
    ASSERT_EQ(read.message->matches.size(), 2u);
    const WsDiscoveryMatch& a = read.message->matches[0];
    EXPECT_EQ(a.endpoint, "urn:uuid:a");
    EXPECT_EQ(a.types, (std::vector<std::string>{"dn:NetworkVideoTransmitter", "tds:Device"}));
    ASSERT_EQ(a.scopes.size(), 4u);
    EXPECT_EQ(a.xaddrs, (std::vector<std::string>{"http://10.0.0.5/onvif/device_service",
                                                  "http://[fe80::1]/onvif/device_service"}));
    EXPECT_EQ(a.metadata_version, 7u);
    const OnvifScopeFields fields = ReadOnvifScopes(a.scopes);
    EXPECT_EQ(fields.name, "Tor S\u00FCd");
    EXPECT_EQ(fields.hardware, "NV-100");
    EXPECT_EQ(fields.location, "Halle 3/Ost");
    EXPECT_EQ(read.message->matches[1].endpoint, "urn:uuid:b");
}

TEST(WsDiscovery, OddButValidRepliesAreCameras) {
    // A prefix the camera never declared: the local name still tells.
    const WsDiscoveryRead undeclared =
        ReadWsDiscovery(Bytes(ProbeMatches(Match("urn:uuid:u", "tt:NetworkVideoTransmitter"))));
    EXPECT_TRUE(undeclared.message.has_value()) << DropReasonName(undeclared.reason);
    // WS-Discovery 1.1 (OASIS) with its addressing.
    const std::string oasis =
        "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
        "xmlns:a=\"http://www.w3.org/2005/08/addressing\" "
        "xmlns:d=\"http://docs.oasis-open.org/ws-dd/ns/discovery/2009/01\" "
        "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\"><s:Body><d:ProbeMatches>"
        "<d:ProbeMatch><a:EndpointReference><a:Address>urn:uuid:o</a:Address>"
        "</a:EndpointReference><d:Types>dn:NetworkVideoTransmitter</d:Types></d:ProbeMatch>"
        "</d:ProbeMatches></s:Body></s:Envelope>";
    const WsDiscoveryRead read = ReadWsDiscovery(Bytes(oasis));
    EXPECT_TRUE(read.message.has_value()) << DropReasonName(read.reason);
    // An escape at the very end of a scope.
    EXPECT_EQ(ReadOnvifScopes({"onvif://www.onvif.org/name/S%C3%BC"}).name, "S\u00FC");
    // Every Probe's MessageID is a version 4 UUID (one sample has the nibble by chance 1 in 16).
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(NewMessageId()[23], '4');
    }
}

// Hello, Bye, our own Probe and a DTD: onvif_search_test.cpp reads them through this reader.
TEST(WsDiscovery, WhatIsNoCameraOrNoReplyIsDroppedWithItsReason) {
    // A Windows host's responder: a WS-Discovery device, but no camera.
    EXPECT_EQ(DroppedFor(ProbeMatches(Match("urn:uuid:w", "wsdp:Device pub:Computer"))),
              DropReason::kNotCamera);
    // The right local name in another namespace is no ONVIF camera.
    EXPECT_EQ(DroppedFor(ProbeMatches("<d:ProbeMatch xmlns:x=\"urn:other\">"
                                      "<wsa:EndpointReference><wsa:Address>urn:uuid:x"
                                      "</wsa:Address></wsa:EndpointReference><d:Types>"
                                      "x:NetworkVideoTransmitter</d:Types></d:ProbeMatch>")),
              DropReason::kNotCamera);
    // Missing elements: no endpoint, no body, not SOAP at all.
    EXPECT_EQ(DroppedFor(ProbeMatches("<d:ProbeMatch><d:Types>dn:NetworkVideoTransmitter"
                                      "</d:Types></d:ProbeMatch>")),
              DropReason::kNotWsDiscovery);
    EXPECT_EQ(DroppedFor(ProbeMatches(Match("   ", "dn:NetworkVideoTransmitter"))),
              DropReason::kNotWsDiscovery);
    EXPECT_EQ(DroppedFor("<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"/>"),
              DropReason::kNotWsDiscovery);
    EXPECT_EQ(DroppedFor("<html><body>IPCam</body></html>"), DropReason::kNotWsDiscovery);
    // Not XML.
    EXPECT_EQ(DroppedFor("IPCam\x01\x02"), DropReason::kXmlMalformed);
}

TEST(WsDiscovery, RepliesPastTheBoundsAreDroppedWhole) {
    const std::string small = ProbeMatches(Match("urn:uuid:a", "dn:NetworkVideoTransmitter"));
    // The datagram: exactly the bound passes the size check, one byte more does not.
    std::string padded = small + std::string(kMaxWsDiscoveryDatagram - small.size(), ' ');
    EXPECT_TRUE(ReadWsDiscovery(Bytes(padded)).message.has_value());
    EXPECT_EQ(DroppedFor(padded + " "), DropReason::kTooLong);
    // What a camera's record keeps: scopes past the bound.
    std::string scopes;
    while (scopes.size() <= kMaxOnvifRecordText + 200) {
        scopes += "onvif://www.onvif.org/name/x" + std::to_string(scopes.size()) + ' ';
    }
    EXPECT_EQ(DroppedFor(ProbeMatches(Match("urn:uuid:a", "dn:NetworkVideoTransmitter", scopes))),
              DropReason::kXmlTooLarge);
}

TEST(WsDiscovery, ScopesArePercentDecodedAndWhatIsNoTextIsReplaced) {
    const OnvifScopeFields fields = ReadOnvifScopes({
        "onvif://www.onvif.org/Name/first",  // the scheme and host's case is no matter
        "onvif://www.onvif.org/name/second",
        "onvif://www.onvif.org/hardware/%FF%41%4",
        "onvif://www.onvif.org/location/a%0Ab%00c",
    });
    EXPECT_EQ(fields.name, "first");
    EXPECT_EQ(fields.hardware, "\uFFFDA%4");
    // Control characters stay what they are: every output quotes or escapes them.
    EXPECT_EQ(fields.location, std::string("a\nb\0c", 5));
}

TEST(WsDiscovery, TheProbeAsksForVideoTransmittersWithItsMessageId) {
    const std::string id = NewMessageId();
    ASSERT_EQ(id.size(), 45u);
    EXPECT_EQ(id.substr(0, 9), "urn:uuid:");
    EXPECT_EQ(id[23], '4');  // version 4
    EXPECT_NE(id, NewMessageId());
    const std::string probe = WsDiscoveryProbe(id);
    const XmlDocument document = ParseXml(Bytes(probe));
    ASSERT_EQ(document.error, XmlError::kNone);
    const XmlElement& envelope = *document.root;
    EXPECT_EQ(envelope.namespace_uri, "http://www.w3.org/2003/05/soap-envelope");
    ASSERT_EQ(envelope.children.size(), 2u);
    const XmlElement& header = envelope.children[0];
    std::string message_id;
    std::string action;
    for (const XmlElement& child : header.children) {
        EXPECT_EQ(child.namespace_uri, "http://schemas.xmlsoap.org/ws/2004/08/addressing");
        if (child.local_name == "MessageID") {
            message_id = child.text;
        } else if (child.local_name == "Action") {
            action = child.text;
        }
    }
    EXPECT_EQ(message_id, id);
    EXPECT_EQ(action, "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe");
    const XmlElement& probe_element = envelope.children[1].children.at(0);
    EXPECT_EQ(probe_element.local_name, "Probe");
    const XmlElement& types = probe_element.children.at(0);
    EXPECT_EQ(ResolveQualifiedName({&envelope, &envelope.children[1], &probe_element, &types},
                                   types.text),
              std::optional(std::pair<std::string, std::string>(
                  "http://www.onvif.org/ver10/network/wsdl", "NetworkVideoTransmitter")));
}

}  // namespace
}  // namespace norvik
