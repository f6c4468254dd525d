#include "event_json.h"

#include "quoted_if_odd.h"
#include "site_cameras.h"

namespace norvik::cli {
namespace {

// A value as a person reads it on the event's line. A list (a camera's scopes, types,
// addresses) is JSON with every character outside ASCII escaped: JSON leaves DEL and the C1
// controls raw, and one of those from the network would reach the terminal.
std::string Text(const Json& value) {
    return value.is_string() ? QuotedIfOdd(value.get_ref<const std::string&>())
                             : value.dump(-1, ' ', true, Json::error_handler_t::replace);
}

}  // namespace

Json EventJson(const WatchEvent& event, std::string_view time) {
    Json line;
    line["time"] = std::string(time);
    line["event"] = WatchEventName(event.kind);
    line["mac"] = event.device.device.value("mac", Json());
    std::vector<std::string> protocols;
    for (const Json& protocol : event.device.device.value("protocols", Json::array())) {
        if (protocol.is_string()) {
            protocols.push_back(protocol.get<std::string>());
        }
    }
    line["protocol"] = ProtocolLabel(protocols);
    const auto interface = event.device.device.find("interface");
    line["interface"] = interface == event.device.device.end() ? Json(nullptr) : *interface;
    line["device"] = event.device.device;
    line["warnings"] = event.device.warnings;
    if (event.kind == WatchEventKind::kChanged) {
        line["changes"] = event.changes;
    }
    return line;
}

std::string EventText(const WatchEvent& event, std::string_view time) {
    const Json& device = event.device.device;
    const auto field = [&](const char* key) {
        const auto found = device.find(key);
        return found == device.end() ? std::string() : Text(*found);
    };
    // A camera whose MAC is not known is told by its endpoint: text from the network, as its
    // name is.
    const bool has_mac = device.contains("mac") && device["mac"].is_string();
    std::string text = std::string(time) + ' ' + WatchEventName(event.kind) + ' ' +
                       field(has_mac ? "mac" : "endpoint") + ' ' + field("name") + ' ' +
                       field("ip");
    const std::string card = field("interface");
    if (!card.empty() && card != "null") {
        text += " on " + card;
    }
    if (const auto protocols = device.find("protocols");
        protocols != device.end() && protocols->is_array() && !protocols->empty()) {
        std::vector<std::string> names;
        for (const Json& protocol : *protocols) {
            names.push_back(protocol.is_string() ? protocol.get<std::string>() : "?");
        }
        text += " via " + QuotedIfOdd(ProtocolLabel(names));
    }
    if (event.kind == WatchEventKind::kChanged) {
        const char* separator = ": ";
        for (const auto& change : event.changes.items()) {
            text += separator + change.key() + ' ' + Text(change.value().at("old")) + " -> " +
                    Text(change.value().at("new"));
            separator = ", ";
        }
    }
    if (!event.device.warnings.empty()) {
        text += " (warnings:";
        for (const std::string& warning : event.device.warnings) {
            text += ' ' + warning;
        }
        text += ')';
    }
    return text + '\n';
}

}  // namespace norvik::cli
