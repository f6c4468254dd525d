#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "wire.h"

namespace norvik {

// One element of a parsed document: its name resolved to its namespace, the character data
// directly inside it, the namespace prefixes it declares (WS-Discovery's Types hold qualified
// names whose prefixes are resolved against them) and its child elements. Attributes are not
// kept: nothing read from the network needs them.
struct XmlElement {
    std::string namespace_uri;  // empty when the name has none
    std::string local_name;
    std::string text;  // UTF-8, every piece of character data directly inside, joined
    // (prefix, URI) of each xmlns declaration on this element; "" for the default namespace.
    std::vector<std::pair<std::string, std::string>> prefixes;
    std::vector<XmlElement> children;
};

// What a document read from the network may hold at most. Past any of them it is refused
// whole: these bound the memory and the time one datagram can cost.
struct XmlLimits {
    std::size_t max_elements = 256;
    std::size_t max_depth = 16;
    std::size_t max_text_bytes = 16384;  // character data of the whole document
};

enum class XmlError {
    kNone,
    kMalformed,  // not well-formed XML 1.0, or not UTF-8 text (or declared as another)
    kDtd,        // a document type declaration: refused, so no entity is ever defined
    kTooLarge,   // past one of the limits
    kNoParser,   // the platform's XML parser could not be loaded
};

struct XmlDocument {
    std::optional<XmlElement> root;  // set when error is kNone
    XmlError error = XmlError::kNone;
};

// Parses a whole document held in memory. Namespaces are resolved; a document type declaration
// is refused before anything it declares takes effect, so no entity is expanded and nothing is
// fetched. Only the predefined entities and character references are read.
XmlDocument ParseXml(ByteSpan document, const XmlLimits& limits = {});

// Resolves a qualified name written in the text of `path.back()` ("dn:NetworkVideoTransmitter")
// against the prefixes declared on the elements of `path`, innermost first. The namespace URI
// and local name, or nothing when the prefix is not declared.
std::optional<std::pair<std::string, std::string>> ResolveQualifiedName(
    const std::vector<const XmlElement*>& path, std::string_view qualified_name);

}  // namespace norvik
