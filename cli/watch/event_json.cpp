#include "event_json.h"

namespace norvik::cli {
namespace {

// A value as a person reads it on the event's line.
std::string Text(const Json& value) {
    return value.is_string() ? QuotedIfOdd(value.get_ref<const std::string&>()) : value.dump();
}

}  // namespace

Json EventJson(const WatchEvent& event, std::string_view time) {
    Json line;
    line["time"] = std::string(time);
    line["event"] = WatchEventName(event.kind);
    line["mac"] = event.device.mac;
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
    std::string text = std::string(time) + ' ' + WatchEventName(event.kind) + ' ' +
                       event.device.mac + ' ' + field("name") + ' ' + field("ip");
    const std::string card = field("interface");
    if (!card.empty() && card != "null") {
        text += " on " + card;
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
