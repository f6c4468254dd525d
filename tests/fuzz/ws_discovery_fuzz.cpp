// Fuzz target: a datagram on the WS-Discovery sockets, read as the ONVIF search reads it, and
// the camera's fields its scopes give.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "quoted_if_odd.h"
#include "utf.h"
#include "ws_discovery.h"

namespace {

using norvik::fuzz::Check;

// What the outputs are given is text: decoding it again changes nothing.
void CheckText(const std::string& text) {
    Check(norvik::Utf16ToUtf8(norvik::Utf8ToUtf16(text)) == text);
}

// What a line shows of a camera's text is text on one line, with nothing a terminal acts on.
void CheckShownOnOneLine(const std::string& text) {
    const std::string shown = norvik::QuotedIfOdd(text);
    CheckText(shown);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const auto byte = static_cast<unsigned char>(shown[i]);
        const bool c1 = byte == 0xc2 && i + 1 < shown.size() &&
                        static_cast<unsigned char>(shown[i + 1]) < 0xa0;
        Check(byte >= 0x20 && byte != 0x7f && !c1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const norvik::WsDiscoveryRead read = norvik::ReadWsDiscovery(norvik::ByteSpan(data, size));
    if (!read.message) {
        return 0;
    }
    Check(!read.message->matches.empty());
    for (const norvik::WsDiscoveryMatch& match : read.message->matches) {
        Check(!match.endpoint.empty());
        CheckShownOnOneLine(match.endpoint);
        // A reply is kept only within the bounds of a record, and only of a camera (a Bye names
        // no types).
        std::size_t text = match.endpoint.size();
        for (const auto* list : {&match.types, &match.scopes, &match.xaddrs}) {
            for (const std::string& item : *list) {
                Check(!item.empty());
                text += item.size();
            }
        }
        Check(text <= norvik::kMaxOnvifRecordText);
        Check(read.message->kind == norvik::WsDiscoveryKind::kBye || match.video_transmitter);
        const norvik::OnvifScopeFields fields = norvik::ReadOnvifScopes(match.scopes);
        CheckText(fields.name);
        CheckShownOnOneLine(fields.name);
        CheckText(fields.hardware);
        CheckText(fields.location);
    }
    return 0;
}
