#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tallomir::xml {

enum class NodeKind : std::uint16_t {
    Root = 0,
    Element = 1,
    Comment = 2,
    CData = 3,
    Doctype = 4,
    ProcessingInstruction = 5,
};

enum class Encoding { Utf8 = 2, Latin1 = 24, Utf16 = 25 };
enum class NewlineStyle { Unknown = 0, CrLf = 1, Lf = 2, Cr = 4 };

struct XmlNode;    // owned by its XmlDocument
class XmlDocument; // opaque to users

struct XmlDocumentDeleter {
    void operator()(XmlDocument* doc) const;
};
using DocumentPtr = std::unique_ptr<XmlDocument, XmlDocumentDeleter>;

// Texts are UTF-8 std::strings throughout.

// A new empty document: root node only, UTF-8, standalone not stated,
// CR LF newlines, status 0.
DocumentPtr createDocument();

XmlNode* rootNode(XmlDocument& doc);
// The first element directly under the root, or nullptr.
XmlNode* mainElement(const XmlDocument& doc);

// Appends an element as the last child of parent (the root or an element).
// nullptr for a missing parent, or for a second element under the root.
XmlNode* appendElement(XmlNode* parent, std::string_view name);
// Replaces the value of an existing attribute in place, else appends one.
// Nodes other than elements are left unchanged.
void setAttribute(XmlNode* element, std::string_view name, std::string_view value);
// Replaces the node's text; children keep their text positions.
void setNodeText(XmlNode* node, std::string_view text);
// Takes every element below `element` out of the tree that has neither text
// nor attributes nor children, also those that become so when theirs go.
void removeEmptyElements(XmlNode* element);

// Navigation; every function accepts nullptr and then gives nullptr / "" / -1.
XmlNode* parentNode(const XmlNode* node);
XmlNode* firstChild(const XmlNode* node);
XmlNode* nextSibling(const XmlNode* node);
int nodeKind(const XmlNode* node); // NodeKind value, -1 for nullptr
std::string_view nodeName(const XmlNode* node);
std::string_view nodeText(const XmlNode* node);
// Attribute access, in the order of the start tag.
std::size_t attributeCount(const XmlNode* node);
std::string_view attributeName(const XmlNode* node, std::size_t index);
std::string_view attributeValue(const XmlNode* node, std::size_t index);

Encoding documentEncoding(const XmlDocument& doc);
NewlineStyle documentNewlineStyle(const XmlDocument& doc);
int documentStandalone(const XmlDocument& doc); // -1 not stated, 0 no, 1 yes

// Re-indents the whole tree by indentStep blanks per level. With Normalize,
// the white space inside texts is normalised too and a leaf text that spans
// lines is set on lines of its own; with Keep, the text of a leaf element is
// left exactly as it is (only the white space between elements changes).
// Works without recursion, at any depth.
enum class LeafTexts { Normalize, Keep };
void reformat(XmlDocument& doc, int indentStep, LeafTexts leafTexts = LeafTexts::Normalize);

// The exact bytes saveDocument writes.
std::string serializeDocument(const XmlDocument& doc);

struct SaveResult {
    bool ok = false;
    std::string reason; // the system's reason when !ok
    int error = 0;      // its errno value
};
// Writes the document to a temporary file in the target folder and renames it
// over the target only when everything was written, so an existing file stays
// intact on any failure.
SaveResult saveDocument(const XmlDocument& doc, const std::string& fileName);

// What loading does with a document type declaration: stop reading right
// there (the document then has a doctype and a load status that is not 0), so
// that nothing declared in it is even parsed; or, when the caller asks for it,
// keep it as a node of the tree.
enum class Doctypes { Keep, Refuse };

// Parses a file into a new document. nullptr for an empty file name, a file
// that cannot be opened and an empty file. A document is returned also when
// the file is not well-formed; the caller then reads loadStatus.
// The file is read in chunks; DTDs and external entities are never fetched,
// and entity expansion attacks end with the parser's error.
DocumentPtr loadDocument(const std::string& fileName, Doctypes doctypes = Doctypes::Refuse);
// The same for bytes in memory (an empty view gives nullptr).
DocumentPtr loadDocumentFromBytes(std::string_view bytes, Doctypes doctypes = Doctypes::Refuse);

// The file has a document type declaration (kept or refused).
bool hasDoctype(const XmlDocument& doc);
int loadStatus(const XmlDocument& doc);               // Expat's error code, 0 = success
std::string loadErrorMessage(const XmlDocument& doc); // Expat's English text
int loadErrorLine(const XmlDocument& doc);
int loadErrorColumn(const XmlDocument& doc); // counted from 1

} // namespace tallomir::xml
