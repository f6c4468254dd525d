// The XML reader on Linux: expat, with namespaces resolved and no document type declaration let
// through.
#include <expat.h>

#include <memory>

#include "xml_tree.h"

namespace norvik {
namespace {

// Expat gives a namespaced name as URI, separator, local name.
constexpr char kSeparator = '\x01';

class TreeBuilder {
public:
    TreeBuilder(XML_Parser parser, const XmlLimits& limits) : parser_(parser), limits_(limits) {}

    XmlError error() const { return error_; }
    std::optional<XmlElement>& root() { return root_; }

    void Stop(XmlError error) {
        if (error_ == XmlError::kNone) {
            error_ = error;
        }
        XML_StopParser(parser_, XML_FALSE);
    }

    void NamespaceDeclared(const char* prefix, const char* uri) {
        pending_prefixes_.emplace_back(prefix != nullptr ? prefix : "", uri != nullptr ? uri : "");
    }

    void Start(const char* name) {
        if (++elements_ > limits_.max_elements || open_.size() >= limits_.max_depth) {
            Stop(XmlError::kTooLarge);
            return;
        }
        XmlElement element;
        const std::string_view full(name);
        const std::size_t separator = full.find(kSeparator);
        if (separator == std::string_view::npos) {
            element.local_name = std::string(full);
        } else {
            element.namespace_uri = std::string(full.substr(0, separator));
            element.local_name = std::string(full.substr(separator + 1));
        }
        element.prefixes = std::move(pending_prefixes_);
        pending_prefixes_.clear();
        if (open_.empty()) {
            root_ = std::move(element);
            open_.push_back(&*root_);
        } else {
            open_.back()->children.push_back(std::move(element));
            open_.push_back(&open_.back()->children.back());
        }
    }

    void End() {
        if (!open_.empty()) {
            open_.pop_back();
        }
    }

    void Text(const char* text, int length) {
        text_bytes_ += static_cast<std::size_t>(length);
        if (text_bytes_ > limits_.max_text_bytes) {
            Stop(XmlError::kTooLarge);
            return;
        }
        // Character data outside the root element is white space, which expat passes over.
        if (!open_.empty()) {
            open_.back()->text.append(text, static_cast<std::size_t>(length));
        }
    }

private:
    XML_Parser parser_;
    const XmlLimits& limits_;
    XmlError error_ = XmlError::kNone;
    std::optional<XmlElement> root_;
    // The elements open, innermost last. Pointers into the tree stay valid: a parent's
    // children are only added to while it is the innermost open element.
    std::vector<XmlElement*> open_;
    std::vector<std::pair<std::string, std::string>> pending_prefixes_;
    std::size_t elements_ = 0;
    std::size_t text_bytes_ = 0;
};

TreeBuilder& Builder(void* data) {
    return *static_cast<TreeBuilder*>(data);
}

struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

XmlDocument ParseXml(ByteSpan document, const XmlLimits& limits) {
    const std::unique_ptr<XML_ParserStruct, ParserFree> parser(
        XML_ParserCreateNS(nullptr, kSeparator));
    if (!parser) {
        return {std::nullopt, XmlError::kNoParser};
    }
    TreeBuilder builder(parser.get(), limits);
    XML_SetUserData(parser.get(), &builder);
    XML_SetElementHandler(
        parser.get(),
        [](void* data, const XML_Char* name, const XML_Char**) { Builder(data).Start(name); },
        [](void* data, const XML_Char*) { Builder(data).End(); });
    XML_SetCharacterDataHandler(parser.get(), [](void* data, const XML_Char* text, int length) {
        Builder(data).Text(text, length);
    });
    XML_SetStartNamespaceDeclHandler(
        parser.get(), [](void* data, const XML_Char* prefix, const XML_Char* uri) {
            Builder(data).NamespaceDeclared(prefix, uri);
        });
    // A document type declaration is refused as soon as it starts, before anything it would
    // declare takes effect: no entity is ever defined, so none is expanded or fetched.
    XML_SetStartDoctypeDeclHandler(
        parser.get(), [](void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
            Builder(data).Stop(XmlError::kDtd);
        });
    XML_SetEntityDeclHandler(parser.get(),
                             [](void* data, const XML_Char*, int, const XML_Char*, int,
                                const XML_Char*, const XML_Char*, const XML_Char*,
                                const XML_Char*) { Builder(data).Stop(XmlError::kDtd); });
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);
    const XML_Status status =
        document.size() > static_cast<std::size_t>(INT32_MAX)
            ? XML_STATUS_ERROR
            : XML_Parse(parser.get(), reinterpret_cast<const char*>(document.data()),
                        static_cast<int>(document.size()), XML_TRUE);
    if (builder.error() != XmlError::kNone) {
        return {std::nullopt, builder.error()};
    }
    if (status != XML_STATUS_OK || !builder.root()) {
        return {std::nullopt, XmlError::kMalformed};
    }
    return {std::move(builder.root()), XmlError::kNone};
}

}  // namespace norvik
