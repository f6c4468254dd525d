#include "set_report.h"

#include "device_text.h"
#include "pcedit.h"
#include "quoted_if_odd.h"
#include "utf.h"

namespace norvik::cli {
namespace {

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : ", ") + word;
    }
    return text;
}

}  // namespace

std::string RequestHex(const PreparedSet& set) {
    return HexText(ByteSpan(set.request.data(), pcedit::request::kLength));
}

std::string ChangesText(const PreparedSet& set) {
    std::string text;
    for (const FieldChange& change : set.changes) {
        // A name is any bytes: it must not break the line or the fields.
        text += change.field + '\t' +
                (change.old_value ? QuotedIfOdd(*change.old_value) : "(not shown)") + '\t' +
                QuotedIfOdd(change.new_value) + '\n';
    }
    return text + "request\t" + RequestHex(set) + '\n';
}

std::string DetailText(const SentSet& sent) {
    std::string text;
    for (const FieldDifference& d : sent.comparison.differs) {
        text += (text.empty() ? "" : ", ") + d.field + ' ' + QuotedIfOdd(d.reported) + " (sent " +
                QuotedIfOdd(d.sent) + ')';
    }
    if (!sent.comparison.not_shown.empty()) {
        text += (text.empty() ? "" : "; ") + std::string("its report does not show ") +
                Joined(sent.comparison.not_shown);
    }
    if (sent.refusal) {
        text += "\"" + sent.refusal->text + "\" (" + sent.refusal->meaning + ')';
    }
    return text;
}

std::string OutcomeLine(const SentSet& sent) {
    const std::string mac = Utf16ToUtf8(MacText(sent.mac));
    const std::string line = std::string(OutcomeText(sent.outcome)) + ": " + mac;
    switch (sent.outcome) {
        case Outcome::kApplied:
            return line + " reports every value sent\n";
        case Outcome::kNotApplied:
            return line + " reports " + DetailText(sent) + '\n';
        case Outcome::kNotVerifiable:
            return line + " reports every value it shows, but " + DetailText(sent) + '\n';
        case Outcome::kRefused:
            return line + " answers " + DetailText(sent) + '\n';
        case Outcome::kInterrupted:
            return line + (sent.heard ? " was heard, but had not settled: " + DetailText(sent)
                                      : std::string(" was not heard again yet")) +
                   '\n';
        case Outcome::kNoAnswer:
            break;
    }
    return line + " was not heard again\n";
}

Json SetJson(const MacAddress& mac, const DeviceRecord* before, const PreparedSet& set,
             const std::string& outcome, const SentSet* verified,
             InterfaceNames& interface_names) {
    Json changes = Json::array();
    for (const FieldChange& change : set.changes) {
        changes.push_back({{"field", change.field},
                           {"old", change.old_value ? Json(*change.old_value) : Json(nullptr)},
                           {"new", change.new_value}});
    }
    Json differs = Json::array();
    Json not_shown = Json::array();
    Json after = nullptr;
    Json refusal = nullptr;
    if (verified != nullptr) {
        for (const FieldDifference& d : verified->comparison.differs) {
            differs.push_back({{"field", d.field}, {"sent", d.sent}, {"reported", d.reported}});
        }
        for (const std::string& field : verified->comparison.not_shown) {
            not_shown.push_back(field);
        }
        if (verified->heard) {
            after = DeviceJson(*verified->heard, interface_names);
        }
        if (verified->refusal) {
            refusal = {{"text", verified->refusal->text},
                       {"meaning", verified->refusal->meaning}};
        }
    }
    Json object;
    object["mac"] = Utf16ToUtf8(MacText(mac));
    object["before"] = before != nullptr ? DeviceJson(*before, interface_names) : Json(nullptr);
    object["changes"] = std::move(changes);
    object["request"] = set.changes.empty() ? Json(nullptr) : Json(RequestHex(set));
    object["outcome"] = outcome;
    object["after"] = std::move(after);
    object["differs"] = std::move(differs);
    object["not_shown"] = std::move(not_shown);
    object["refusal"] = std::move(refusal);
    return object;
}

}  // namespace norvik::cli
