// The XML reader on Windows: its own XmlLite, with document type declarations prohibited.
// clang-format off
#include <windows.h>
#include <objbase.h>
#include <xmllite.h>
// clang-format on

#include <string>
#include <string_view>

#include "utf.h"
#include "xml_text_check.h"
#include "xml_tree.h"

namespace norvik {
namespace {

// XmlLite has no import library in the cross compiler's kit; xmllite.dll is part of every
// Windows since Vista, and of Wine.
using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

CreateXmlReaderFunction XmlReaderFactory() {
    static const CreateXmlReaderFunction factory = [] {
        const HMODULE library = ::LoadLibraryW(L"xmllite.dll");
        return library == nullptr
                   ? nullptr
                   : reinterpret_cast<CreateXmlReaderFunction>(
                         reinterpret_cast<void*>(::GetProcAddress(library, "CreateXmlReader")));
    }();
    return factory;
}

// Releases a COM interface at the end of its scope.
template <typename Interface>
class Held {
public:
    ~Held() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    void** out() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

std::string Utf8(const WCHAR* text, UINT length) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

class TreeBuilder {
public:
    TreeBuilder(IXmlReader* reader, std::size_t document_size, const XmlLimits& limits)
        : reader_(reader), document_size_(document_size), limits_(limits) {}

    XmlDocument Build() {
        XmlNodeType type = XmlNodeType_None;
        HRESULT result = S_OK;
        while (error_ == XmlError::kNone && (result = reader_->Read(&type)) == S_OK) {
            // Every node takes at least one byte of the document: a reader that gives more
            // nodes than that is going round in circles (XmlLite in Wine did, on a document
            // cut short), and is stopped.
            if (++nodes_ > document_size_) {
                error_ = XmlError::kMalformed;
                break;
            }
            switch (type) {
                case XmlNodeType_Element:
                    Start();
                    break;
                case XmlNodeType_EndElement:
                    if (open_.empty()) {
                        error_ = XmlError::kMalformed;
                    } else {
                        open_.pop_back();
                    }
                    break;
                case XmlNodeType_Text:
                case XmlNodeType_CDATA:
                case XmlNodeType_Whitespace:
                    Text();
                    break;
                case XmlNodeType_DocumentType:
                    error_ = XmlError::kDtd;
                    break;
                default:
                    break;
            }
        }
        if (error_ != XmlError::kNone) {
            return {std::nullopt, error_};
        }
        if (result == static_cast<HRESULT>(WC_E_DTDPROHIBITED)) {
            return {std::nullopt, XmlError::kDtd};
        }
        if (FAILED(result) || !root_ || !open_.empty()) {
            return {std::nullopt, XmlError::kMalformed};
        }
        return {std::move(root_), XmlError::kNone};
    }

private:
    // XmlLite in Wine lets an undeclared prefix through, dropped from the name it reports;
    // the qualified name keeps it. A prefix that names no namespace is not well-formed.
    bool PrefixUndeclared() const {
        const WCHAR* name = nullptr;
        UINT name_length = 0;
        const WCHAR* uri = nullptr;
        UINT uri_length = 0;
        return FAILED(reader_->GetQualifiedName(&name, &name_length)) ||
               FAILED(reader_->GetNamespaceUri(&uri, &uri_length)) ||
               (std::wstring_view(name, name_length).find(L':') != std::wstring_view::npos &&
                uri_length == 0);
    }

    void Start() {
        if (++elements_ > limits_.max_elements || open_.size() >= limits_.max_depth) {
            error_ = XmlError::kTooLarge;
            return;
        }
        XmlElement element;
        const WCHAR* text = nullptr;
        UINT length = 0;
        if (PrefixUndeclared() || FAILED(reader_->GetLocalName(&text, &length))) {
            error_ = XmlError::kMalformed;
            return;
        }
        element.local_name = Utf8(text, length);
        if (FAILED(reader_->GetNamespaceUri(&text, &length))) {
            error_ = XmlError::kMalformed;
            return;
        }
        element.namespace_uri = Utf8(text, length);
        const bool empty = reader_->IsEmptyElement();
        // xmlns attributes are the namespace declarations.
        for (HRESULT at = reader_->MoveToFirstAttribute(); at == S_OK;
             at = reader_->MoveToNextAttribute()) {
            const WCHAR* prefix = nullptr;
            UINT prefix_length = 0;
            const WCHAR* local = nullptr;
            UINT local_length = 0;
            const WCHAR* value = nullptr;
            UINT value_length = 0;
            if (PrefixUndeclared() || FAILED(reader_->GetPrefix(&prefix, &prefix_length)) ||
                FAILED(reader_->GetLocalName(&local, &local_length)) ||
                FAILED(reader_->GetValue(&value, &value_length))) {
                error_ = XmlError::kMalformed;
                return;
            }
            const std::string prefix_text = Utf8(prefix, prefix_length);
            const std::string local_text = Utf8(local, local_length);
            if (prefix_text == "xmlns") {
                element.prefixes.emplace_back(local_text, Utf8(value, value_length));
            } else if (prefix_text.empty() && local_text == "xmlns") {
                element.prefixes.emplace_back("", Utf8(value, value_length));
            }
        }
        reader_->MoveToElement();
        XmlElement* added = nullptr;
        if (open_.empty()) {
            root_ = std::move(element);
            added = &*root_;
        } else {
            open_.back()->children.push_back(std::move(element));
            added = &open_.back()->children.back();
        }
        // An empty element has no end node of its own.
        if (!empty) {
            open_.push_back(added);
        }
    }

    void Text() {
        // White space outside the root element is no text of it, as expat never reports it.
        if (open_.empty()) {
            return;
        }
        const WCHAR* text = nullptr;
        UINT length = 0;
        if (FAILED(reader_->GetValue(&text, &length))) {
            error_ = XmlError::kMalformed;
            return;
        }
        const std::string utf8 = Utf8(text, length);
        text_bytes_ += utf8.size();
        if (text_bytes_ > limits_.max_text_bytes) {
            error_ = XmlError::kTooLarge;
            return;
        }
        open_.back()->text += utf8;
    }

    IXmlReader* reader_;
    std::size_t document_size_;
    const XmlLimits& limits_;
    XmlError error_ = XmlError::kNone;
    std::optional<XmlElement> root_;
    std::vector<XmlElement*> open_;  // innermost last; see the expat reader
    std::size_t nodes_ = 0;
    std::size_t elements_ = 0;
    std::size_t text_bytes_ = 0;
};

}  // namespace

XmlDocument ParseXml(ByteSpan document, const XmlLimits& limits) {
    if (!IsCompleteUtf8Xml(document)) {
        return {std::nullopt, XmlError::kMalformed};
    }
    const CreateXmlReaderFunction create = XmlReaderFactory();
    if (create == nullptr) {
        return {std::nullopt, XmlError::kNoParser};
    }
    Held<IXmlReader> reader;
    Held<IStream> stream;
    if (FAILED(create(__uuidof(IXmlReader), reader.out(), nullptr)) ||
        FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(stream.out())))) {
        return {std::nullopt, XmlError::kNoParser};
    }
    ULONG written = 0;
    if (document.size() > 0xffffffffu ||
        FAILED(stream->Write(document.data(), static_cast<ULONG>(document.size()), &written)) ||
        written != document.size() || FAILED(stream->Seek({}, STREAM_SEEK_SET, nullptr))) {
        return {std::nullopt, XmlError::kNoParser};
    }
    // Prohibited: a document type declaration ends the reading with an error, before anything
    // it declares takes effect. No resolver is given, so nothing outside is ever fetched.
    if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
        FAILED(reader->SetProperty(XmlReaderProperty_XmlResolver, 0)) ||
        FAILED(reader->SetInput(stream.get()))) {
        return {std::nullopt, XmlError::kNoParser};
    }
    TreeBuilder builder(reader.get(), document.size(), limits);
    return builder.Build();
}

}  // namespace norvik
