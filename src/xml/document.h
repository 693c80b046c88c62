#pragma once

// Internal layout of the document tree, shared by the parts of the XML library.
// Users of the library only see the opaque types of xml.h.

#include "xml/xml.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tallomir::xml {

struct Attribute {
    const std::string* name = nullptr; // interned in the document
    std::string_view value;            // stored in the document's text store
};

// A node. All nodes live in the arena of their document and are trivially
// destructible, so a document of any depth is freed without walking it.
//
// Children form a list from firstChild over next; the first child's prev points
// at the last child (so appending needs no extra pointer), and every later
// child's prev points at its real predecessor.
struct XmlNode {
    NodeKind kind = NodeKind::Root;
    // Still being read: its end tag has not come yet (a document being loaded);
    // or begun in the output, its end tag not yet written (a document
    // written as it is built).
    bool open = false;
    std::uint32_t textLength = 0;
    // How many bytes of the parent's text stand between the end of the previous
    // sibling (or the start of the parent's text) and this node.
    std::uint32_t textPosition = 0;
    const char* text = nullptr;
    const std::string* name = nullptr; // interned; nullptr for none
    XmlNode* parent = nullptr;
    XmlNode* first = nullptr;
    XmlNode* prev = nullptr;
    XmlNode* next = nullptr;
    XmlDocument* document = nullptr;
    std::vector<Attribute>* attributes = nullptr; // elements with attributes only
};

inline std::string_view textOf(const XmlNode& node) {
    return node.textLength == 0 ? std::string_view() : std::string_view(node.text, node.textLength);
}

inline std::string_view nameOf(const XmlNode& node) {
    return node.name != nullptr ? std::string_view(*node.name) : std::string_view();
}

inline XmlNode* lastChild(const XmlNode& node) {
    return node.first ? node.first->prev : nullptr;
}

inline XmlNode* previousSibling(const XmlNode& node) {
    return (node.parent && node.parent->first == &node) ? nullptr : node.prev;
}

// Texts of 1024 bytes or less go into shared blocks of 512 KiB; longer texts get
// their own allocation. Nothing is freed before the document goes.
class TextStore {
public:
    static constexpr std::size_t smallTextLimit = 1024;
    static constexpr std::size_t blockSize = 512 * 1024;

    // A copy of the text that lives as long as the store; nullptr for "".
    const char* store(std::string_view text);
    // The text itself, taken over without a copy (a long text read whole).
    const char* keep(std::string&& text);

    // How many shared blocks hold texts.
    std::size_t blockCount() const { return blocks_.size(); }
    // Everything stored so far, taken out of the store: it stays readable
    // until it is given back, and the texts still needed are stored anew
    // meanwhile (a document written as it is built).
    struct Taken {
        std::vector<std::unique_ptr<char[]>> blocks;
        std::vector<std::unique_ptr<char[]>> own;
        std::deque<std::string> kept;
    };
    Taken takeAll();
    // Frees what was taken, keeping a few shared blocks for the texts to come.
    void giveBack(Taken&& taken);

private:
    static constexpr std::size_t spareLimit = 4;
    std::vector<std::unique_ptr<char[]>> blocks_; // shared, of blockSize
    std::vector<std::unique_ptr<char[]>> own_;    // one long text each
    std::vector<std::unique_ptr<char[]>> spare_;  // shared blocks not in use
    std::deque<std::string> kept_;
    char* free_ = nullptr;
    std::size_t freeSize_ = 0;
};

// Names of elements, attributes and processing-instruction targets, each held once.
class NameTable {
public:
    const std::string* intern(std::string_view name);

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>()(s); }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> names_;
    // The same few names are asked for again and again, mostly from the same
    // place (a literal, the parser's buffer): a small cache by address, whose
    // hit is still compared by content, spares the hashing.
    static constexpr std::size_t cacheSize = 256;
    std::array<const std::string*, cacheSize> recent_{};
};

class NodePool {
public:
    // A node as new: one released before, or a fresh one.
    XmlNode* allocate();
    // The node is no longer part of the tree and may be handed out again.
    void release(XmlNode* node);

private:
    static constexpr std::size_t chunkNodes = 8192;
    std::vector<std::unique_ptr<XmlNode[]>> chunks_;
    std::size_t usedInChunk_ = chunkNodes;
    XmlNode* released_ = nullptr; // linked over `next`
};

// Told before an element is appended to `parent`: a document written as it
// is built writes and releases what is finished.
class BuildListener {
public:
    virtual void beforeAppend(XmlNode& parent) = 0;
    // An element appended whole (appendLeaf): true when it was written at
    // once, so that it needs no node.
    virtual bool leafWritten(XmlNode& parent, std::string_view name, std::string_view text,
                             std::span<const AttributeValue> attributes) = 0;

protected:
    ~BuildListener() = default;
};

class XmlDocument {
public:
    XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    XmlNode root;
    XmlNode* mainElement = nullptr;
    Encoding encoding = Encoding::Utf8;
    int standalone = -1;
    NewlineStyle newlineStyle = NewlineStyle::CrLf;
    int indentStep = 0; // written indented by this many blanks per level; 0: as it stands
    int status = 0;
    bool doctype = false;
    int errorLine = 0;
    int errorColumn = 0;
    std::string errorMessage;
    // While loading: the bytes parsed so far and the size of the file.
    std::uint64_t bytesParsed = 0;
    std::uint64_t bytesTotal = 0;

    NodePool nodes;
    TextStore texts;
    NameTable names;
    std::deque<std::vector<Attribute>> attributeLists;
    std::vector<std::vector<Attribute>*> releasedAttributeLists; // empty, to be used again
    BuildListener* listener = nullptr;

    // A new unlinked node of this document.
    XmlNode* newNode(NodeKind kind, const std::string* name);
    void setText(XmlNode& node, std::string_view text);
    // The same, taking the text over: for long texts, which are not copied again.
    void takeText(XmlNode& node, std::string&& text);
};

// Links child as the last child of parent.
void linkLastChild(XmlNode& parent, XmlNode& child);
// Takes a node out of its parent's list of children; the text that stood
// before it now stands before its next sibling.
void unlink(XmlNode& node);
// Takes a node out of its parent's list of children and hands it and
// everything below it back to the document's pools, to be used again.
void releaseSubtree(XmlNode& node);
// Whether the node is an element without text, attributes and children.
bool isEmptyElement(const XmlNode& node);

// The bytes of one line break in the given style; LF for styles that are not known.
std::string_view newlineBytes(NewlineStyle style);

} // namespace tallomir::xml
