#include "audit_trail.h"

#include <chrono>
#include <random>

#include "set_report.h"
#include "user_context.h"
#include "utc_time.h"

namespace norvik::cli {
namespace {

constexpr const char* kLogFile = "audit.jsonl";

std::string Now() {
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    return UtcTimeText(std::chrono::duration_cast<std::chrono::seconds>(since_epoch).count());
}

}  // namespace

Json AuditSentJson(const AuditSource& source, const std::string& change, const std::string& time,
                   const MacAddress& mac, const DeviceRecord& before, const PreparedSet& set,
                   InterfaceNames& interface_names) {
    Json report = SetJson(mac, &before, set, "", nullptr, interface_names);
    Json line;
    line["event"] = "sent";
    line["change"] = change;
    line["time"] = time;
    line["user"] = source.user;
    line["host"] = source.host;
    line["program"] = source.program;
    line["version"] = source.version;
    for (const char* key : {"mac", "before", "changes", "request"}) {
        line[key] = std::move(report[key]);
    }
    line["reason"] = source.reason ? Json(*source.reason) : Json(nullptr);
    return line;
}

Json AuditOutcomeJson(const std::string& change, const std::string& time, const MacAddress& mac,
                      const std::string& outcome, const SentSet* verified, const std::string& error,
                      InterfaceNames& interface_names) {
    Json report = SetJson(mac, nullptr, PreparedSet{}, outcome, verified, interface_names);
    Json line;
    line["event"] = "outcome";
    line["change"] = change;
    line["time"] = time;
    for (const char* key : {"mac", "outcome", "after", "differs", "not_shown", "refusal"}) {
        line[key] = std::move(report[key]);
    }
    line["error"] = error.empty() ? Json(nullptr) : Json(error);
    return line;
}

std::string NewChangeId() {
    std::random_device device;
    std::string id;
    constexpr const char* kDigits = "0123456789abcdef";
    for (int i = 0; i < 4; ++i) {
        std::uint32_t random = device();
        for (int j = 0; j < 8; ++j, random >>= 4) {
            id += kDigits[random & 15];
        }
    }
    return id;
}

AuditTrail::AuditTrail(std::unique_ptr<AppendFile> log, AuditSource source)
    : log_(std::move(log)), source_(std::move(source)) {}

std::unique_ptr<AppendFile> AuditTrail::OpenLog(const std::optional<std::string>& path,
                                                std::string& error) {
    std::string place_error;
    const auto place =
        path ? path
             : DefaultRecordPath(kLogFile, RunningAsAdministrator(), EnvironmentValue, place_error);
    if (!place) {
        error = "no place for the audit log: " + place_error + " (give --audit FILE)";
        return nullptr;
    }
    auto log = AppendFile::Open(*place, error);
    if (!log) {
        error = "cannot write the audit log " + *place + ": " + error;
    }
    return log;
}

std::optional<std::string> AuditTrail::Sending(const MacAddress& mac, const DeviceRecord& before,
                                               const PreparedSet& set, std::string& error) {
    std::string change = NewChangeId();
    if (log_ && !log_->Append(JsonText(AuditSentJson(source_, change, Now(), mac, before, set,
                                                     interface_names_)),
                              error)) {
        error = "cannot write the audit log " + log_->path() + ": " + error;
        return std::nullopt;
    }
    return change;
}

bool AuditTrail::Ended(const std::string& change, const MacAddress& mac, const std::string& outcome,
                       const SentSet* verified, const std::string& problem, std::string& error) {
    if (log_ && !log_->Append(JsonText(AuditOutcomeJson(change, Now(), mac, outcome, verified,
                                                        problem, interface_names_)),
                              error)) {
        error = "cannot write the audit log " + log_->path() + ": " + error;
        return false;
    }
    return true;
}

}  // namespace norvik::cli
