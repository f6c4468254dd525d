#include "set_report.h"

#include "device_text.h"
#include "pcedit.h"
#include "utf.h"

namespace norvik::cli {

std::string RequestHex(const PreparedSet& set) {
    return HexText(ByteSpan(set.request.data(), pcedit::request::kLength));
}

std::string ChangesText(const PreparedSet& set) {
    std::string text;
    for (const FieldChange& change : set.changes) {
        text += change.field + '\t' + change.old_value + '\t' + change.new_value + '\n';
    }
    return text + "request\t" + RequestHex(set) + '\n';
}

std::string OutcomeLine(const SentSet& sent) {
    const std::string mac = Utf16ToUtf8(MacText(sent.mac));
    std::string line = std::string(OutcomeText(sent.outcome)) + ": " + mac;
    switch (sent.outcome) {
        case Outcome::kApplied:
            return line + " reports every value sent\n";
        case Outcome::kNotApplied:
            line += " reports";
            for (std::size_t i = 0; i < sent.differs.size(); ++i) {
                const FieldDifference& d = sent.differs[i];
                line +=
                    (i == 0 ? " " : ", ") + d.field + ' ' + d.reported + " (sent " + d.sent + ')';
            }
            return line + '\n';
        case Outcome::kNoAnswer:
            break;
    }
    return line + " was not heard again\n";
}

Json SetJson(const DeviceRecord& before, const PreparedSet& set, const std::string& outcome,
             const SentSet* verified, InterfaceNames& interface_names) {
    Json changes = Json::array();
    for (const FieldChange& change : set.changes) {
        changes.push_back(
            {{"field", change.field}, {"old", change.old_value}, {"new", change.new_value}});
    }
    Json differs = Json::array();
    Json after = nullptr;
    if (verified != nullptr) {
        for (const FieldDifference& d : verified->differs) {
            differs.push_back({{"field", d.field}, {"sent", d.sent}, {"reported", d.reported}});
        }
        if (verified->heard) {
            after = DeviceJson(*verified->heard, interface_names);
        }
    }
    Json object;
    object["mac"] = Utf16ToUtf8(MacText(before.mac));
    object["before"] = DeviceJson(before, interface_names);
    object["changes"] = std::move(changes);
    object["request"] = set.changes.empty() ? Json(nullptr) : Json(RequestHex(set));
    object["outcome"] = outcome;
    object["after"] = std::move(after);
    object["differs"] = std::move(differs);
    return object;
}

}  // namespace norvik::cli
