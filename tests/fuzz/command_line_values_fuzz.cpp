// Fuzz target: a value as a person types it after an option, read as a MAC address, an IPv4
// address, seconds, a whole number and a list of protocols.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>

#include "address_text.h"
#include "fuzz_check.h"
#include "option_values.h"

namespace {

using norvik::fuzz::Check;

// A refusal is one line a terminal shows as it is: printable ASCII only.
void CheckProblem(const std::string& problem) {
    Check(!problem.empty());
    for (const char c : problem) {
        Check(c >= 0x20 && c < 0x7f);
    }
}

bool OnlyBlanksAround(std::string_view text, std::string_view allowed) {
    const std::string_view inner = norvik::cli::TrimBlanks(text);
    return !inner.empty() && inner.find_first_not_of(allowed) == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace norvik::cli;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const auto mac = ParseMac(text)) {
        // Printed in the colon form, it reads back as the same address.
        char colons[18];
        std::snprintf(colons, sizeof colons, "%02x:%02x:%02x:%02x:%02x:%02x", (*mac)[0], (*mac)[1],
                      (*mac)[2], (*mac)[3], (*mac)[4], (*mac)[5]);
        Check(ParseMac(colons) == mac);
        Check(OnlyBlanksAround(text, "0123456789abcdefABCDEF:-."));
    }
    if (const auto ip = ParseIpv4(text)) {
        char dotted[16];
        std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", (*ip)[0], (*ip)[1], (*ip)[2], (*ip)[3]);
        Check(ParseIpv4(dotted) == ip);
        Check(OnlyBlanksAround(text, "0123456789."));
    }

    // The ranges the programs give, and the widest.
    struct Range {
        std::uint64_t min;
        std::uint64_t max;
    };
    const Range counts[] = {{1, 1000000}, {0, std::numeric_limits<std::uint64_t>::max()}};
    for (const Range& range : counts) {
        std::string problem;
        if (const auto count = ParseCount(text, range.min, range.max, problem)) {
            Check(*count >= range.min && *count <= range.max && problem.empty());
            Check(OnlyBlanksAround(text, "0123456789"));
            std::string again;
            Check(ParseCount(std::to_string(*count), range.min, range.max, again) == count);
        } else {
            CheckProblem(problem);
        }
    }
    std::string problem;
    for (const bool more_than_min : {false, true}) {
        problem.clear();
        if (const auto seconds = ParseSeconds(text, 0, 86400, problem, more_than_min)) {
            Check(*seconds >= 0 && *seconds <= 86400 && problem.empty());
            Check(!more_than_min || *seconds > 0);
            Check(OnlyBlanksAround(text, "0123456789."));
        } else {
            CheckProblem(problem);
        }
    }
    problem.clear();
    if (const auto protocols = ParseProtocols(text, problem)) {
        // At least one, and written back as a list, the same choice.
        Check(protocols->pcedit || protocols->p3297 || protocols->onvif);
        std::string list;
        for (const auto& [chosen, name] :
             {std::pair{protocols->pcedit, "pcedit"}, std::pair{protocols->p3297, "3297"},
              std::pair{protocols->onvif, "onvif"}}) {
            if (chosen) {
                list += (list.empty() ? "" : ",") + std::string(name);
            }
        }
        std::string again;
        const auto reread = ParseProtocols(list, again);
        Check(reread && reread->pcedit == protocols->pcedit && reread->p3297 == protocols->p3297 &&
              reread->onvif == protocols->onvif);
        Check(OnlyBlanksAround(text, "pcedit3297onvif, \t"));
    } else {
        CheckProblem(problem);
    }
    return 0;
}
