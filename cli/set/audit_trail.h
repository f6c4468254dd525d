#pragma once

#include <memory>
#include <optional>
#include <string>

#include "append_file.h"
#include "device_json.h"
#include "verification.h"

// The record of every set request norvik-set sends: a JSON line when it goes out, and one with
// its outcome when verifying ends, joined by a change id. A run killed between the two leaves
// the first.
namespace norvik::cli {

// Who sends, from where, and why; the same on every line of a run.
struct AuditSource {
    std::string user;
    std::string host;
    std::string program;
    std::string version;
    std::optional<std::string> reason;  // --reason
};

// The first line: {"event":"sent","change","time","user","host","program","version","mac",
// "before","changes","request","reason"}.
Json AuditSentJson(const AuditSource& source, const std::string& change, const std::string& time,
                   const MacAddress& mac, const DeviceRecord& before, const PreparedSet& set,
                   InterfaceNames& interface_names);
// The second: {"event":"outcome","change","time","mac","outcome","after","differs",
// "not_shown","refusal","error"}; `verified` is null when nothing was heard or looked for,
// `error` empty when none.
Json AuditOutcomeJson(const std::string& change, const std::string& time, const MacAddress& mac,
                      const std::string& outcome, const SentSet* verified, const std::string& error,
                      InterfaceNames& interface_names);

// 32 hexadecimal digits nobody else draws.
std::string NewChangeId();

class AuditTrail {
public:
    // log null: --no-audit, and nothing is written.
    AuditTrail(std::unique_ptr<AppendFile> log, AuditSource source);

    // Opens the log for a run that sends: `path`, or where this user keeps it by default.
    // Nothing (with why in `error`) when it cannot be written.
    static std::unique_ptr<AppendFile> OpenLog(const std::optional<std::string>& path,
                                               std::string& error);

    // Records the request about to go out and gives its change id; nothing (with why in
    // `error`) when the line could not be written: then nothing may be sent.
    std::optional<std::string> Sending(const MacAddress& mac, const DeviceRecord& before,
                                       const PreparedSet& set, std::string& error);
    // Records how the change `change` ended; false (with why in `error`) when it could not.
    bool Ended(const std::string& change, const MacAddress& mac, const std::string& outcome,
               const SentSet* verified, const std::string& problem, std::string& error);

private:
    std::unique_ptr<AppendFile> log_;
    AuditSource source_;
    InterfaceNames interface_names_;
};

}  // namespace norvik::cli
