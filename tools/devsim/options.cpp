#include "devsim/options.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <map>
#include <string_view>

namespace norvik::devsim {
namespace {

constexpr std::uint32_t kMaxDevices = 1u << 31;

template <typename T>
bool ParseNumber(const std::string& text, T min, T max, T& value) {
    T parsed{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < min || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

}  // namespace

std::string UsageText() {
    return R"(usage: norvik-devsim [--file FILE]... [--pcedit N] [--3297 N] [OPTIONS]
       norvik-devsim --burst N [--protocol pcedit|3297|both] [--rate R] [--repeat K]
                     [--churn] [--junk-every M]
Simulates network video devices of the PCEdit protocol (UDP 4022) and the 3297 protocol
(UDP 4023). Run it inside a private network namespace, for example
    norvik-netns -- norvik-devsim --pcedit 3

Devices:
  --file FILE       devices and raw datagrams from a description file (see below)
  --pcedit N        N generated PCEdit devices
  --3297 N          N generated 3297 devices
  --base-ip ADDR    address of the first generated device (default 192.168.1.100)
  --base-mac MAC    MAC of the first generated device (default 02:4e:56:00:00:01)
Generated device i (from 0, PCEdit devices first) has the base MAC and address plus i,
netmask 255.255.255.0, gateway and DNS 1 at .1 of its /24, port 80, port2 554, tag "cam"
and the name pcedit-(i+1) or 3297-(i+1).

Behaviour:
  --announce        broadcast every report once at start, without waiting for a search
  --count K         send every report K times (K rounds) per search (default 1)
  --reply-delay MS  answer a search MS milliseconds after it came (default 0)
  --reject-set      every device answers a set request with a 3297 type-3 report
                    ("wrong account or password") instead of applying it
  --replace N       after answering each PCEdit search, N devices leave and as many new ones
                    take their places: generated as above with the next indexes (a new MAC,
                    address and name), of the protocol of the one replaced (default 0)
  --move N          after each PCEdit search, N other devices get the name moved-STEP-I and
                    their address's second octet flipped (default 0)
  --onvif-flood N   answer every WS-Discovery Probe also with N ProbeMatches of made-up
                    cameras, each of another endpoint (urn:uuid:f1000d00-...-<i>)
  --verbose         tell on standard error about every datagram received
  --real-network    run even though interfaces other than loopback are up
  -h, --help        this text

Burst mode, for benchmarks: send N reports from N distinct devices (generated as above from
--base-ip and --base-mac; with both, even indexes report over PCEdit, odd ones over 3297),
as fast as possible or paced to R reports per second, K rounds, then exit. With --churn
every round moves each device's address up by the round's number and renames it
("dev-INDEX-rROUND"); with --junk-every M a junk datagram (random bytes and length, some
with a report's magic) follows every M reports.

The simulator binds UDP 4022 and 4023 (shared, SO_REUSEADDR) and answers the program's
requests by broadcasting to 255.255.255.255: a PCEdit search (74 bytes, "PCEdit", byte 6 = 2)
with a report from every PCEdit device and every raw datagram triggered by it, a 3297 search
(445 bytes, "3297", length 445, type 0x31) likewise for the 3297 devices. A PCEdit request
whose byte 6 is not 2 is a set request: it changes the fields flagged 1 of every device whose
MAC is in bytes 15 to 20, whatever its protocol.

With onvif lines (or --onvif-flood) it also binds UDP 3702 (shared), joins 239.255.255.250 on
every interface, answers each WS-Discovery Probe that asks for no type or for one of a
camera's with a ProbeMatches from each camera, sent to the Probe's source, and every
onvif_raw reply; it announces each camera with a Hello at start and a Bye when it ends
(SIGTERM, SIGINT), multicast through every interface.

Standard output, one line each, flushed at once:
  ready                               sockets bound (and --announce reports sent)
  applied MAC LINE                    a set request changed the device now described by LINE
                                      (partly, for on_set=partial)
  rejected MAC LINE                   a device with reject_set answered with a type-3 report
  ignored set for MAC: REASON         a set request that matched no device, was malformed or
                                      went to a device with on_set=ignore
  # state: D devices, R raw datagrams  on SIGUSR1 and at the end (SIGTERM, SIGINT): the
  LINE...                             table in the description format, closed by
  # end of state
  sent N in S seconds                 burst mode, at the end
Exit status: 0 done, 1 run-time failure, 2 bad options or description, 3 refused because
interfaces other than loopback are up.

Description file: one entry per line, words separated by blanks, '#' starts a comment.
  pcedit mac=00:11:22:33:44:55 ip=192.168.1.10 gateway=192.168.1.1 name=cam-1 dns1=8.8.8.8
  3297 mac=00:11:22:33:44:66 ip=192.168.1.11 name="Front door" port=8080 dhcp=1
  raw port=4022 hex=495043616d00 length=1200
The first word is pcedit, 3297 or raw; the others are key=value, a value may be quoted
("..." with \" and \\), each field at most once (name_hex is the name, tag_hex the tag).
Device keys (mac and ip required):
  mac=MAC ip=ADDR netmask=ADDR (255.255.255.0) gateway=ADDR dns1=ADDR dns2=ADDR (0.0.0.0)
  name=TEXT        UTF-8, at most 18 bytes      name_hex=HEX  the 18 bytes raw
  tag=TEXT         at most 4 bytes              tag_hex=HEX   the 4 bytes raw
  port=N (80) port2=N (0)   -9999 to 99999
  dhcp=N           reported DHCP byte, 0 to 255 (0)
  type=N           report type byte (pcedit 0, 3297 1)
  length=N         datagram length, cut or zero-padded, 0 to 65507 (pcedit 70, 3297 445)
  reject_set=0|1   answer set requests with a 3297 type-3 report instead of applying them
  on_set=WORD      apply (default), ignore, partial (all but address and netmask),
                   silent (apply, then never answer again), restart (apply, then answer
                   nothing for restart_ms)
  restart_ms=N     0 to 3600000 (3000)
Raw keys (port and hex required):
  port=N hex=HEX length=N on=pcedit|3297|both (3297 for port 4023, else pcedit)
ONVIF cameras (endpoint required):
  onvif endpoint=urn:uuid:... name=TEXT hardware=TEXT location=TEXT scopes="URI ..."
        xaddrs="URL ..." types="dn:NetworkVideoTransmitter" metadata_version=N mac=MAC
  name, hardware and location go percent-encoded into the onvif:// scopes; xaddrs default
  to http://ADDRESS/onvif/device_service; another types= makes a responder that is no camera.
  onvif_raw hex=HEX | text=TEXT [repeat=N]   a reply sent byte for byte to every Probe
)";
}

Options ParseOptions(const std::vector<std::string>& args, std::string& error) {
    Options options;
    bool device_options = false;
    bool burst_options = false;
    using Handler = std::function<bool(const std::string&)>;
    const std::map<std::string, Handler> with_value = {
        {"--file",
         [&](const std::string& v) {
             options.files.push_back(v);
             device_options = true;
             return true;
         }},
        {"--pcedit",
         [&](const std::string& v) {
             device_options = true;
             return ParseNumber(v, 0u, kMaxDevices, options.pcedit_devices);
         }},
        {"--3297",
         [&](const std::string& v) {
             device_options = true;
             return ParseNumber(v, 0u, kMaxDevices, options.devices_3297);
         }},
        {"--base-ip",
         [&](const std::string& v) {
             const auto ip = ParseIpv4(v);
             options.base.first_ip = ip.value_or(options.base.first_ip);
             return ip.has_value();
         }},
        {"--base-mac",
         [&](const std::string& v) {
             const auto mac = ParseMac(v);
             options.base.first_mac = mac.value_or(options.base.first_mac);
             return mac.has_value();
         }},
        {"--count",
         [&](const std::string& v) {
             device_options = true;
             return ParseNumber(v, 1, 1000000, options.count);
         }},
        {"--reply-delay",
         [&](const std::string& v) {
             device_options = true;
             return ParseNumber(v, 0, 3600000, options.reply_delay_ms);
         }},
        {"--replace",
         [&](const std::string& v) {
             device_options = true;
             return ParseNumber(v, 0u, kMaxDevices, options.churn_devices.replace);
         }},
        {"--move",
         [&](const std::string& v) {
             device_options = true;
             return ParseNumber(v, 0u, kMaxDevices, options.churn_devices.move);
         }},
        {"--onvif-flood",
         [&](const std::string& v) {
             device_options = true;
             return ParseNumber(v, 0u, 1000000u, options.onvif_flood);
         }},
        {"--burst",
         [&](const std::string& v) {
             std::uint32_t n = 0;
             const bool ok = ParseNumber(v, 1u, kMaxDevices, n);
             options.burst = n;
             return ok;
         }},
        {"--protocol",
         [&](const std::string& v) {
             burst_options = true;
             const std::map<std::string, BurstProtocol> names = {{"pcedit", BurstProtocol::kPcEdit},
                                                                 {"3297", BurstProtocol::k3297},
                                                                 {"both", BurstProtocol::kBoth}};
             const auto it = names.find(v);
             if (it != names.end()) {
                 options.burst_protocol = it->second;
             }
             return it != names.end();
         }},
        {"--rate",
         [&](const std::string& v) {
             burst_options = true;
             const bool ok = ParseNumber(v, 0.001, 1e9, options.rate);
             return ok && std::isfinite(options.rate);
         }},
        {"--repeat",
         [&](const std::string& v) {
             burst_options = true;
             return ParseNumber(v, 1, 1000000, options.repeat);
         }},
        {"--junk-every",
         [&](const std::string& v) {
             burst_options = true;
             return ParseNumber(v, 1, 1000000, options.junk_every);
         }},
    };
    const std::map<std::string, bool*> flags = {{"--announce", &options.announce},
                                                {"--reject-set", &options.reject_set},
                                                {"--verbose", &options.verbose},
                                                {"--real-network", &options.real_network},
                                                {"--churn", &options.churn},
                                                {"--help", &options.help},
                                                {"-h", &options.help}};

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (const auto flag = flags.find(name); flag != flags.end() && !value) {
            *flag->second = true;
            device_options = device_options || name == "--announce" || name == "--reject-set";
            continue;
        }
        const auto handler = with_value.find(name);
        if (handler == with_value.end()) {
            error = "unknown option " + args[i];
            return options;
        }
        if (!value) {
            if (i + 1 == args.size()) {
                error = name + " needs a value";
                return options;
            }
            value = args[++i];
        }
        if (!handler->second(*value)) {
            error = "bad value for " + name + ": " + *value;
            return options;
        }
    }
    if (options.help) {
        return options;
    }
    if (options.burst && device_options) {
        error =
            "--burst sends generated devices only: it takes no --file, --pcedit, --3297, "
            "--announce, --count, --reply-delay, --reject-set, --replace, --move or "
            "--onvif-flood";
    } else if (!options.burst && (burst_options || options.churn)) {
        error = "--protocol, --rate, --repeat, --churn and --junk-every belong to --burst";
    } else if (!options.burst && options.files.empty() && options.pcedit_devices == 0 &&
               options.devices_3297 == 0 && options.onvif_flood == 0) {
        error = "no devices: give --file, --pcedit or --3297 (or --burst)";
    }
    return options;
}

}  // namespace norvik::devsim
