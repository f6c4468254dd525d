#pragma once

// Device description files: one device (or raw datagram) per line, made of words.
//
//   # a comment runs from a word that starts with '#' to the end of the line
//   pcedit mac=00:11:22:33:44:55 ip=192.168.1.10 netmask=255.255.255.0 gateway=192.168.1.1
//   3297   mac=00:11:22:33:44:66 ip=192.168.1.11 name="Front door" port=8080 dhcp=1
//   pcedit mac=00:11:22:33:44:77 ip=0.168.1.12 name_hex=63616d0041424344 length=55
//   raw port=4022 hex=495043616d01 length=1200
//
// The first word says what the line describes: "pcedit" or "3297" for a device that answers
// searches of that protocol, "raw" for a datagram sent byte for byte. The other words are
// key=value; a value may be put in double quotes, inside which \" and \\ stand for " and \.
// Each field may be given once per line (name and name_hex are the same field, and so are
// tag and tag_hex).
//
// Device keys (mac and ip are required):
//   mac=00:11:22:33:44:55      the device's identity; a set request for it changes every
//                              device line with this MAC
//   ip= netmask= gateway= dns1= dns2=   IPv4 addresses; netmask defaults to 255.255.255.0,
//                              the others to 0.0.0.0
//   name=TEXT                  UTF-8, at most 18 bytes, NUL-filled (default empty)
//   name_hex=HEX               the 18 name bytes given raw (at most 18, NUL-filled), so that
//                              bytes after the terminating NUL can be non-zero
//   port=N port2=N             web port (default 80) and second port (default 0),
//                              -9999 to 99999
//   dhcp=N                     the DHCP byte reported, 0 to 255 (default 0: static)
//   tag=TEXT tag_hex=HEX       the 4 tag bytes (default empty)
//   type=N                     report type byte, 0 to 255 (default 0 for pcedit, 1 for 3297)
//   length=N                   datagram length, 0 to 65507: cut or zero-padded (default 70
//                              for pcedit, 445 for 3297)
//   reject_set=0|1             answer a set request with a 3297 type-3 report instead of
//                              applying it (default 0)
//   on_set=WORD                what the device does with a set request for it: apply
//                              (default), ignore (takes nothing), partial (takes all but
//                              the address and netmask), silent (takes all, then never
//                              answers again), restart (takes all, then answers nothing for
//                              restart_ms)
//   restart_ms=N               0 to 3600000 (default 3000)
//
// Raw keys (port and hex are required):
//   port=N                     destination UDP port, 1 to 65535
//   hex=HEX                    the datagram's bytes, pairs of hexadecimal digits
//   length=N                   cut or zero-pad the bytes to N (0 to 65507)
//   on=pcedit|3297|both        which search sends it (default 3297 for port 4023, else pcedit)
//
// ONVIF cameras, which answer WS-Discovery Probes on UDP 3702 (endpoint is required):
//   onvif endpoint=urn:uuid:... name="Tor Süd" hardware=NV-100 location="Halle 3/Ost"
//   endpoint=URN                the camera's endpoint reference
//   name= hardware= location=   UTF-8, written percent-encoded into the onvif:// scopes
//   scopes="URI URI"            further scopes, as they are
//   xaddrs="URL URL"            the device service's addresses (default
//                               http://ADDRESS/onvif/device_service, ADDRESS the one it
//                               answers from)
//   types="dn:... ..."          default dn:NetworkVideoTransmitter; another (e.g.
//                               "wsdp:Device pub:Computer") makes a responder that is no camera
//   metadata_version=N          0 to 1000000 (default 1)
//   mac=MAC                     the MAC of the card it answers from, for the reader (a pcedit
//                               line of the same device names it too); a scanner learns it from
//                               its neighbour table, not from the reply
// A reply sent byte for byte to every Probe, for what no camera model produces:
//   onvif_raw hex=HEX | text=TEXT [repeat=N]   the bytes, or the text's UTF-8, N times

#include <string>
#include <string_view>
#include <vector>

#include "devsim/device.h"

namespace norvik::devsim {

struct ParseError {
    int line = 0;  // 1-based
    std::string message;
};

struct ParsedDescription {
    DeviceTable table;  // the lines that parsed, in file order
    std::vector<ParseError> errors;
};

// Reads every line; a line with an error adds nothing and parsing goes on, so all errors
// of a file are reported at once.
ParsedDescription ParseDescription(std::string_view text);

// One line of the format, without its line end, that reads back as the same entry.
std::string FormatDevice(const Device& device);
std::string FormatRaw(const RawDatagram& raw);
std::string FormatCamera(const Camera& camera);
std::string FormatOnvifRaw(const OnvifRaw& raw);
std::string FormatTable(const DeviceTable& table);  // one line per entry, each ending "\n"

}  // namespace norvik::devsim
