#include "xml_tree.h"

namespace norvik {

std::optional<std::pair<std::string, std::string>> ResolveQualifiedName(
    const std::vector<const XmlElement*>& path, std::string_view qualified_name) {
    const std::size_t colon = qualified_name.find(':');
    const std::string_view prefix =
        colon == std::string_view::npos ? std::string_view() : qualified_name.substr(0, colon);
    const std::string local(colon == std::string_view::npos ? qualified_name
                                                            : qualified_name.substr(colon + 1));
    if (colon == 0 || local.empty() || local.find(':') != std::string::npos) {
        return std::nullopt;
    }
    if (prefix == "xml") {
        return std::pair{std::string("http://www.w3.org/XML/1998/namespace"), local};
    }
    for (auto element = path.rbegin(); element != path.rend(); ++element) {
        for (const auto& [declared, uri] : (*element)->prefixes) {
            if (declared == prefix) {
                return std::pair{uri, local};
            }
        }
    }
    // An unprefixed name without a default namespace has none; a prefix must be declared.
    if (prefix.empty()) {
        return std::pair{std::string(), local};
    }
    return std::nullopt;
}

}  // namespace norvik
