#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
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

// A qualified name without its prefix: "cbc:ID" gives "ID".
std::string_view localName(std::string_view qualifiedName);

// A view of one node of a document, or of none. Every lookup gives such a
// view: one of no node is empty, has no parent, children or attributes, an
// empty name and an empty text, so a chain of lookups needs no check between
// its steps. A view is as small as a pointer and lives as long as its document.
class NodeView {
public:
    NodeView() = default;
    explicit NodeView(const XmlNode* node) : node_(node) {}

    bool empty() const { return node_ == nullptr; }
    explicit operator bool() const { return node_ != nullptr; }
    bool operator==(const NodeView&) const = default;

    bool isElement() const;
    // The node has been read to its end; while a file is being loaded (see
    // LoadWatcher) an element is not complete before its end tag: it has
    // no text yet and may get further children.
    bool complete() const;
    // An element right below the root: the document element.
    bool isDocumentElement() const;
    std::string_view name() const;      // as written, with its prefix
    std::string_view localName() const; // without the prefix
    std::string_view text() const;

    NodeView parent() const;
    NodeView firstChild() const;
    NodeView nextSibling() const;
    // The first child element of that local name, whatever its prefix.
    NodeView child(std::string_view localName) const;

    // Attributes in the order of the start tag.
    std::size_t attributeCount() const;
    std::string_view attributeName(std::size_t index) const;
    std::string_view attributeValue(std::size_t index) const;
    // The value of the attribute of that name, when the element has one.
    std::optional<std::string_view> attribute(std::string_view name) const;

    // Every child node in order: for (NodeView child : node.children()).
    class Children;
    Children children() const;

private:
    friend void releaseElement(NodeView element);
    const XmlNode* node_ = nullptr;
};

class NodeView::Children {
public:
    struct iterator {
        NodeView at;
        NodeView operator*() const { return at; }
        iterator& operator++() {
            at = at.nextSibling();
            return *this;
        }
        bool operator==(const iterator&) const = default;
    };
    iterator begin() const { return {first_}; }
    iterator end() const { return {}; }

private:
    friend class NodeView;
    explicit Children(NodeView first) : first_(first) {}
    NodeView first_;
};

inline NodeView::Children NodeView::children() const {
    return Children(firstChild());
}

// Texts are UTF-8 std::strings throughout.

// A new empty document: root node only, UTF-8, standalone not stated,
// CR LF newlines, status 0.
DocumentPtr createDocument();

XmlNode* rootNode(XmlDocument& doc);
// The first element directly under the root; empty when there is none.
NodeView mainElement(const XmlDocument& doc);

// Appends an element as the last child of parent (the root or an element).
// nullptr for a missing parent, or for a second element under the root.
XmlNode* appendElement(XmlNode* parent, std::string_view name);
// An attribute of an element appended whole (appendLeaf).
struct AttributeValue {
    std::string_view name;
    std::string_view value;
};
// Appends an element that gets nothing more: as appendElement, then
// setAttribute for each attribute in order and setNodeText, with the same
// bytes written. A document written as it is built writes it at once where
// it can, and then holds no node for it.
void appendLeaf(XmlNode* parent, std::string_view name, std::string_view text,
                std::span<const AttributeValue> attributes = {});
// Replaces the value of an existing attribute in place, else appends one.
// Nodes other than elements are left unchanged.
void setAttribute(XmlNode* element, std::string_view name, std::string_view value);
// Replaces the node's text; children keep their text positions.
void setNodeText(XmlNode* node, std::string_view text);
// Takes every element below `element` out of the tree that has neither text
// nor attributes nor children, also those that become so when theirs go.
void removeEmptyElements(XmlNode* element);

Encoding documentEncoding(const XmlDocument& doc);
NewlineStyle documentNewlineStyle(const XmlDocument& doc);
int documentStandalone(const XmlDocument& doc); // -1 not stated, 0 no, 1 yes

// Has the document written indented by indentStep blanks per level (0: as it
// stands), without changing the tree: every element whose text is only white
// space has each child on a line of its own and its end tag lined up with its
// start tag, the document element follows an empty line; leaf texts and other
// mixed content are written exactly as they stand.
void indentWhenWritten(XmlDocument& doc, int indentStep);

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

// How a document written as it is built is laid out.
struct Layout {
    int indentStep = 0;             // as indentWhenWritten
    bool dropEmptyElements = false; // as removeEmptyElements on the document element
};

// Builds a document with `build` and writes it while it grows: to a file, as
// saveDocument does (whole or not at all), or to a string. The bytes are those
// of the finished tree with the layout, but only the unfinished part is held:
// an element is finished when something is appended after it, to its parent
// or an element above. So the builder appends only to the last element of
// each level, and sets an element's text and attributes before anything is
// appended below it or after it.
SaveResult saveDocumentAsBuilt(const std::string& fileName, const Layout& layout,
                               const std::function<void(XmlDocument&)>& build);
std::string serializeDocumentAsBuilt(const Layout& layout, const std::function<void(XmlDocument&)>& build);

// What loading does with a document type declaration: stop reading right
// there (the document then has a doctype and a load status that is not 0), so
// that nothing declared in it is even parsed; or, when the caller asks for it,
// keep it as a node of the tree.
enum class Doctypes { Keep, Refuse };

// Told while a document is loaded: after each piece of the file has been
// parsed into the tree (the elements whose end tag has not come yet are not
// complete), and once more when the whole file was read without error, with
// `complete` true and every node complete.
class LoadWatcher {
public:
    virtual void parsed(XmlDocument& doc, bool complete) = 0;

protected:
    ~LoadWatcher() = default;
};

// How far a load has come: the bytes parsed so far and the size of the file
// (both 0 for a document not loaded).
struct LoadProgress {
    std::uint64_t parsed = 0;
    std::uint64_t total = 0;
};
LoadProgress loadProgress(const XmlDocument& doc);

// Takes a complete element (not the document element) out of its document
// with everything below it, so that its memory holds what is read next.
// Views of them are invalid afterwards; an element that is not complete, or
// none, stays.
void releaseElement(NodeView element);

// How many bytes of a file are parsed at a time.
inline constexpr int loadPieceSize = 16384;

// Parses a file into a new document. nullptr for an empty file name, a file
// that cannot be opened and an empty file. A document is returned also when
// the file is not well-formed; the caller then reads loadStatus.
// The file is read in chunks; DTDs and external entities are never fetched,
// and entity expansion attacks end with the parser's error.
// A watcher is told as the tree grows.
DocumentPtr loadDocument(const std::string& fileName, Doctypes doctypes = Doctypes::Refuse,
                         LoadWatcher* watcher = nullptr);
// The same for bytes in memory (an empty view gives nullptr), parsed
// `pieceSize` bytes at a time.
DocumentPtr loadDocumentFromBytes(std::string_view bytes, Doctypes doctypes = Doctypes::Refuse,
                                  LoadWatcher* watcher = nullptr, int pieceSize = loadPieceSize);

// The file has a document type declaration (kept or refused).
bool hasDoctype(const XmlDocument& doc);
int loadStatus(const XmlDocument& doc);               // Expat's error code, 0 = success
std::string loadErrorMessage(const XmlDocument& doc); // Expat's English text
int loadErrorLine(const XmlDocument& doc);
int loadErrorColumn(const XmlDocument& doc); // counted from 1

} // namespace tallomir::xml
