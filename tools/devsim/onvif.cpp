#include "devsim/onvif.h"

#include <cstdio>
#include <random>

namespace norvik::devsim {
namespace {

constexpr std::string_view kEnvelopeStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\" "
    "xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
    "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
    "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\">";
constexpr std::string_view kActionPrefix = "http://schemas.xmlsoap.org/ws/2005/04/discovery/";

// The text inside the first element whose name ends in `local` (any prefix), or nothing.
std::optional<std::string> ElementText(std::string_view text, std::string_view local) {
    std::size_t at = 0;
    while ((at = text.find('<', at)) != std::string_view::npos) {
        const std::size_t name_end = text.find_first_of(" \t\r\n/>", at + 1);
        if (name_end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view name = text.substr(at + 1, name_end - at - 1);
        const std::size_t colon = name.find(':');
        const std::string_view name_local =
            colon == std::string_view::npos ? name : name.substr(colon + 1);
        at = name_end;
        if (name_local != local) {
            continue;
        }
        const std::size_t open_end = text.find('>', name_end);
        if (open_end == std::string_view::npos) {
            return std::nullopt;
        }
        if (text[open_end - 1] == '/') {
            return std::string();
        }
        const std::size_t close = text.find('<', open_end + 1);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        return std::string(text.substr(open_end + 1, close - open_end - 1));
    }
    return std::nullopt;
}

std::vector<std::string> Items(std::string_view text) {
    std::vector<std::string> items;
    std::size_t at = 0;
    while ((at = text.find_first_not_of(" \t\r\n", at)) != std::string_view::npos) {
        const std::size_t end = std::min(text.find_first_of(" \t\r\n", at), text.size());
        items.emplace_back(text.substr(at, end - at));
        at = end;
    }
    return items;
}

std::string LocalName(std::string_view qualified) {
    const std::size_t colon = qualified.find(':');
    return std::string(colon == std::string_view::npos ? qualified : qualified.substr(colon + 1));
}

std::string Header(std::string_view action, std::string_view relates_to) {
    std::string header = "<SOAP-ENV:Header><wsa:MessageID>" + NewUrnUuid() + "</wsa:MessageID>";
    if (!relates_to.empty()) {
        header += "<wsa:RelatesTo>" + XmlEscaped(relates_to) + "</wsa:RelatesTo>";
    }
    header += "<wsa:To>";
    header += relates_to.empty() ? "urn:schemas-xmlsoap-org:ws:2005:04:discovery"
                                 : "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous";
    header += "</wsa:To><wsa:Action>" + std::string(kActionPrefix) + std::string(action) +
              "</wsa:Action></SOAP-ENV:Header>";
    return header;
}

std::string Reference(const Camera& camera) {
    return "<wsa:EndpointReference><wsa:Address>" + XmlEscaped(camera.endpoint) +
           "</wsa:Address></wsa:EndpointReference>";
}

std::string Fields(const Camera& camera, std::string_view address) {
    std::string xaddrs;
    if (camera.xaddrs.empty()) {
        xaddrs = "http://" + std::string(address) + "/onvif/device_service";
    }
    for (const std::string& xaddr : camera.xaddrs) {
        xaddrs += (xaddrs.empty() ? "" : " ") + xaddr;
    }
    return Reference(camera) + "<d:Types>" + XmlEscaped(camera.types) + "</d:Types><d:Scopes>" +
           XmlEscaped(ScopesText(camera)) + "</d:Scopes><d:XAddrs>" + XmlEscaped(xaddrs) +
           "</d:XAddrs><d:MetadataVersion>" + std::to_string(camera.metadata_version) +
           "</d:MetadataVersion>";
}

}  // namespace

std::optional<Probe> ReadProbe(std::string_view datagram) {
    const auto action = ElementText(datagram, "Action");
    const bool probe_action = action && action->find("/discovery/Probe") != std::string::npos &&
                              action->find("ProbeMatches") == std::string::npos;
    // A Probe without an Action header still has its body element.
    if (!probe_action && !ElementText(datagram, "Probe")) {
        return std::nullopt;
    }
    Probe probe;
    probe.message_id = ElementText(datagram, "MessageID").value_or("");
    for (const std::string& type : Items(ElementText(datagram, "Types").value_or(""))) {
        probe.types.push_back(LocalName(type));
    }
    return probe;
}

bool Answers(const Camera& camera, const Probe& probe) {
    if (probe.types.empty()) {
        return true;
    }
    for (const std::string& own : Items(camera.types)) {
        for (const std::string& asked : probe.types) {
            if (LocalName(own) == asked) {
                return true;
            }
        }
    }
    return false;
}

std::string PercentEncoded(std::string_view text) {
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                                byte == '_' || byte == '~';
        if (unreserved) {
            encoded += c;
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            encoded += escape;
        }
    }
    return encoded;
}

std::string XmlEscaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&apos;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string ScopesText(const Camera& camera) {
    std::string scopes;
    const auto add = [&](const std::string& scope) {
        scopes += (scopes.empty() ? "" : " ") + scope;
    };
    if (!camera.name.empty()) {
        add("onvif://www.onvif.org/name/" + PercentEncoded(camera.name));
    }
    if (!camera.hardware.empty()) {
        add("onvif://www.onvif.org/hardware/" + PercentEncoded(camera.hardware));
    }
    if (!camera.location.empty()) {
        add("onvif://www.onvif.org/location/" + PercentEncoded(camera.location));
    }
    for (const std::string& scope : camera.scopes) {
        add(scope);
    }
    return scopes;
}

std::string ProbeMatchesText(const Camera& camera, std::string_view relates_to,
                             std::string_view address) {
    return std::string(kEnvelopeStart) + Header("ProbeMatches", relates_to) +
           "<SOAP-ENV:Body><d:ProbeMatches><d:ProbeMatch>" + Fields(camera, address) +
           "</d:ProbeMatch></d:ProbeMatches></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string HelloText(const Camera& camera, std::string_view address) {
    return std::string(kEnvelopeStart) + Header("Hello", "") + "<SOAP-ENV:Body><d:Hello>" +
           Fields(camera, address) + "</d:Hello></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string ByeText(const Camera& camera) {
    return std::string(kEnvelopeStart) + Header("Bye", "") + "<SOAP-ENV:Body><d:Bye>" +
           Reference(camera) + "</d:Bye></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string NewUrnUuid() {
    static std::mt19937_64 random{std::random_device{}()};
    const std::uint64_t high = random();
    const std::uint64_t low = random();
    char text[48];
    std::snprintf(text, sizeof text, "urn:uuid:%08x-%04x-4%03x-%04x-%012llx",
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>(high >> 16) & 0xffff,
                  static_cast<unsigned>(high) & 0xfff,
                  (static_cast<unsigned>(low >> 48) & 0x3fff) | 0x8000,
                  static_cast<unsigned long long>(low & 0xffffffffffffULL));
    return text;
}

std::string FloodEndpoint(std::uint32_t n) {
    char text[48];
    std::snprintf(text, sizeof text, "urn:uuid:f1000d00-0000-4000-8000-%012u", n);
    return text;
}

}  // namespace norvik::devsim
