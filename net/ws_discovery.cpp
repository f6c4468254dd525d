#include "ws_discovery.h"

#include <array>
#include <cstdio>
#include <initializer_list>
#include <random>

#include "utf.h"
#include "xml_tree.h"

namespace norvik {
namespace {

// The namespaces a camera may write its reply in: WS-Discovery as ONVIF uses it (April 2005)
// and its OASIS successor, with the addressing versions that go with them, and both SOAPs.
constexpr std::string_view kSoapNamespaces[] = {
    "http://www.w3.org/2003/05/soap-envelope",
    "http://schemas.xmlsoap.org/soap/envelope/",
};
constexpr std::string_view kDiscoveryNamespaces[] = {
    "http://schemas.xmlsoap.org/ws/2005/04/discovery",
    "http://docs.oasis-open.org/ws-dd/ns/discovery/2009/01",
};
constexpr std::string_view kAddressingNamespaces[] = {
    "http://schemas.xmlsoap.org/ws/2004/08/addressing",
    "http://www.w3.org/2005/08/addressing",
};
constexpr std::string_view kOnvifNetworkNamespace = "http://www.onvif.org/ver10/network/wsdl";
constexpr std::string_view kVideoTransmitter = "NetworkVideoTransmitter";

template <std::size_t N>
bool IsIn(const std::string_view (&namespaces)[N], const std::string& uri) {
    for (std::string_view known : namespaces) {
        if (uri == known) {
            return true;
        }
    }
    return false;
}

template <std::size_t N>
bool Is(const XmlElement& element, const std::string_view (&namespaces)[N],
        std::string_view local_name) {
    return element.local_name == local_name && IsIn(namespaces, element.namespace_uri);
}

template <std::size_t N>
const XmlElement* Child(const XmlElement& parent, const std::string_view (&namespaces)[N],
                        std::string_view local_name) {
    for (const XmlElement& child : parent.children) {
        if (Is(child, namespaces, local_name)) {
            return &child;
        }
    }
    return nullptr;
}

// XML's white space separates the items of a list (xs:list).
std::vector<std::string> ListItems(std::string_view text) {
    std::vector<std::string> items;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find_first_not_of(" \t\r\n", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find_first_of(" \t\r\n", start), text.size());
        items.emplace_back(text.substr(start, end - start));
        at = end;
    }
    return items;
}

std::string Trimmed(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) {
        return {};
    }
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(start, end - start + 1));
}

// Reads a ProbeMatch, Hello or Bye element; `path` leads from the envelope to it. Nothing when
// it names no endpoint.
std::optional<WsDiscoveryMatch> ReadMatch(std::vector<const XmlElement*> path) {
    const XmlElement& element = *path.back();
    const XmlElement* reference = Child(element, kAddressingNamespaces, "EndpointReference");
    const XmlElement* address =
        reference != nullptr ? Child(*reference, kAddressingNamespaces, "Address") : nullptr;
    if (address == nullptr || Trimmed(address->text).empty()) {
        return std::nullopt;
    }
    WsDiscoveryMatch match;
    match.endpoint = Trimmed(address->text);
    if (const XmlElement* types = Child(element, kDiscoveryNamespaces, "Types")) {
        match.types = ListItems(types->text);
        path.push_back(types);
        for (const std::string& type : match.types) {
            const auto resolved = ResolveQualifiedName(path, type);
            // Some cameras leave the prefix undeclared; the local name still tells.
            const std::string_view local =
                resolved ? std::string_view(resolved->second)
                         : std::string_view(type).substr(type.find(':') + 1);
            if (local == kVideoTransmitter &&
                (!resolved || resolved->first == kOnvifNetworkNamespace)) {
                match.video_transmitter = true;
            }
        }
        path.pop_back();
    }
    if (const XmlElement* scopes = Child(element, kDiscoveryNamespaces, "Scopes")) {
        match.scopes = ListItems(scopes->text);
    }
    if (const XmlElement* xaddrs = Child(element, kDiscoveryNamespaces, "XAddrs")) {
        match.xaddrs = ListItems(xaddrs->text);
    }
    if (const XmlElement* version = Child(element, kDiscoveryNamespaces, "MetadataVersion")) {
        const std::string digits = Trimmed(version->text);
        std::uint64_t value = 0;
        for (char c : digits) {
            if (c < '0' || c > '9' || value > 0xffffffffu) {
                value = 0;
                break;
            }
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
        }
        match.metadata_version = value > 0xffffffffu ? 0 : static_cast<std::uint32_t>(value);
    }
    return match;
}

std::size_t RecordText(const WsDiscoveryMatch& match) {
    std::size_t total = match.endpoint.size();
    for (const auto* list : {&match.types, &match.scopes, &match.xaddrs}) {
        for (const std::string& item : *list) {
            total += item.size();
        }
    }
    return total;
}

DropReason XmlDropReason(XmlError error) {
    switch (error) {
        case XmlError::kDtd:
            return DropReason::kXmlDtd;
        case XmlError::kTooLarge:
            return DropReason::kXmlTooLarge;
        case XmlError::kNoParser:
            return DropReason::kNoXmlParser;
        case XmlError::kMalformed:
        case XmlError::kNone:
            break;
    }
    return DropReason::kXmlMalformed;
}

// %XX as the byte it stands for; a '%' not followed by two hexadecimal digits stays as it is.
std::string PercentDecoded(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
            HexDigitValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    // Decoded bytes need not be UTF-8; what is not becomes U+FFFD, as a device name does.
    return Utf16ToUtf8(Utf8ToUtf16(bytes));
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

WsDiscoveryRead Dropped(DropReason reason) {
    return {std::nullopt, reason};
}

}  // namespace

WsDiscoveryRead ReadWsDiscovery(ByteSpan datagram) {
    if (datagram.size() > kMaxWsDiscoveryDatagram) {
        return Dropped(DropReason::kTooLong);
    }
    const XmlDocument document = ParseXml(datagram);
    if (document.error != XmlError::kNone) {
        return Dropped(XmlDropReason(document.error));
    }
    const XmlElement& envelope = *document.root;
    const XmlElement* body =
        Is(envelope, kSoapNamespaces, "Envelope") ? Child(envelope, kSoapNamespaces, "Body")
                                                  : nullptr;
    if (body == nullptr || body->children.empty()) {
        return Dropped(DropReason::kNotWsDiscovery);
    }
    const XmlElement& content = body->children.front();
    WsDiscoveryMessage message;
    std::vector<const XmlElement*> path{&envelope, body, &content};
    if (Is(content, kDiscoveryNamespaces, "Probe") ||
        Is(content, kDiscoveryNamespaces, "Resolve")) {
        return Dropped(DropReason::kRequest);
    }
    if (Is(content, kDiscoveryNamespaces, "ProbeMatches")) {
        message.kind = WsDiscoveryKind::kProbeMatches;
        for (const XmlElement& child : content.children) {
            if (!Is(child, kDiscoveryNamespaces, "ProbeMatch")) {
                continue;
            }
            path.push_back(&child);
            if (auto match = ReadMatch(path)) {
                message.matches.push_back(std::move(*match));
            }
            path.pop_back();
        }
    } else if (Is(content, kDiscoveryNamespaces, "Hello") ||
               Is(content, kDiscoveryNamespaces, "Bye")) {
        message.kind = content.local_name == "Hello" ? WsDiscoveryKind::kHello
                                                     : WsDiscoveryKind::kBye;
        if (auto match = ReadMatch(path)) {
            message.matches.push_back(std::move(*match));
        }
    }
    if (message.matches.empty()) {
        return Dropped(DropReason::kNotWsDiscovery);
    }
    for (const WsDiscoveryMatch& match : message.matches) {
        if (RecordText(match) > kMaxOnvifRecordText) {
            return Dropped(DropReason::kXmlTooLarge);
        }
    }
    // A Bye names only its endpoint: whether it was a camera is known from what it said before.
    if (message.kind != WsDiscoveryKind::kBye) {
        std::erase_if(message.matches,
                      [](const WsDiscoveryMatch& match) { return !match.video_transmitter; });
        if (message.matches.empty()) {
            return Dropped(DropReason::kNotCamera);
        }
    }
    return {std::move(message), DropReason::kReceiveFailed};
}

OnvifScopeFields ReadOnvifScopes(const std::vector<std::string>& scopes) {
    OnvifScopeFields fields;
    const struct {
        std::string_view prefix;
        std::string OnvifScopeFields::*field;
    } kinds[] = {
        {"onvif://www.onvif.org/name/", &OnvifScopeFields::name},
        {"onvif://www.onvif.org/hardware/", &OnvifScopeFields::hardware},
        {"onvif://www.onvif.org/location/", &OnvifScopeFields::location},
    };
    for (const std::string& scope : scopes) {
        for (const auto& kind : kinds) {
            std::string& field = fields.*kind.field;
            if (field.empty() && StartsWithNoCase(scope, kind.prefix)) {
                field = PercentDecoded(std::string_view(scope).substr(kind.prefix.size()));
            }
        }
    }
    return fields;
}

std::string WsDiscoveryProbe(std::string_view message_id) {
    std::string probe =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
        " xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
        " xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\""
        " xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\">"
        "<s:Header>"
        "<a:Action s:mustUnderstand=\"1\">"
        "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</a:Action>"
        "<a:MessageID>";
    probe += message_id;
    probe +=
        "</a:MessageID>"
        "<a:ReplyTo><a:Address>"
        "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</a:Address></a:ReplyTo>"
        "<a:To s:mustUnderstand=\"1\">urn:schemas-xmlsoap-org:ws:2005:04:discovery</a:To>"
        "</s:Header>"
        "<s:Body><d:Probe><d:Types>dn:NetworkVideoTransmitter</d:Types></d:Probe></s:Body>"
        "</s:Envelope>";
    return probe;
}

std::string NewMessageId() {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        const std::uint64_t value = generator();
        for (std::size_t j = 0; j < 8; ++j) {
            bytes[i + j] = static_cast<std::uint8_t>(value >> (8 * j));
        }
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0f) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3f) | 0x80);  // RFC 4122 variant
    char text[48];
    std::snprintf(text, sizeof text,
                  "urn:uuid:%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x",
                  bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7],
                  bytes[8], bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14],
                  bytes[15]);
    return text;
}

}  // namespace norvik
