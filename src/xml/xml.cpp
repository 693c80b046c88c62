// The document tree: storage, building and navigation.

#include "xml/xml.h"

#include "xml/document.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace tallomir::xml {

const char* TextStore::store(std::string_view text) {
    if (text.empty()) {
        return nullptr;
    }
    if (text.size() > smallTextLimit) {
        auto own = std::make_unique_for_overwrite<char[]>(text.size());
        std::memcpy(own.get(), text.data(), text.size());
        own_.push_back(std::move(own));
        return own_.back().get();
    }
    if (text.size() > freeSize_) {
        if (spare_.empty()) {
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
        } else {
            blocks_.push_back(std::move(spare_.back()));
            spare_.pop_back();
        }
        free_ = blocks_.back().get();
        freeSize_ = blockSize;
    }
    char* copy = free_;
    std::memcpy(copy, text.data(), text.size());
    free_ += text.size();
    freeSize_ -= text.size();
    return copy;
}

const char* TextStore::keep(std::string&& text) {
    if (text.empty()) {
        return nullptr;
    }
    return kept_.emplace_back(std::move(text)).data();
}

TextStore::Taken TextStore::takeAll() {
    Taken taken{std::move(blocks_), std::move(own_), std::move(kept_)};
    blocks_.clear();
    own_.clear();
    kept_.clear();
    free_ = nullptr;
    freeSize_ = 0;
    return taken;
}

void TextStore::giveBack(Taken&& taken) {
    // A few of the blocks are kept; those taken first are used again first.
    const std::size_t kept = std::min(taken.blocks.size(), spareLimit - std::min(spareLimit, spare_.size()));
    for (std::size_t i = kept; i-- > 0;)
        spare_.push_back(std::move(taken.blocks[i]));
    taken = {};
}

const std::string* NameTable::intern(std::string_view name) {
    const auto address = reinterpret_cast<std::uintptr_t>(name.data());
    const std::string*& slot = recent_[(address ^ (address >> 8) ^ name.size()) % cacheSize];
    if (slot != nullptr && *slot == name) {
        return slot;
    }
    auto found = names_.find(name);
    if (found == names_.end()) {
        found = names_.emplace(name).first;
    }
    slot = &*found;
    return slot;
}

XmlNode* NodePool::allocate() {
    if (released_ != nullptr) {
        XmlNode* node = released_;
        released_ = node->next;
        *node = XmlNode{};
        return node;
    }
    if (usedInChunk_ == chunkNodes) {
        chunks_.push_back(std::make_unique<XmlNode[]>(chunkNodes));
        usedInChunk_ = 0;
    }
    return &chunks_.back()[usedInChunk_++];
}

void NodePool::release(XmlNode* node) {
    node->next = released_;
    released_ = node;
}

XmlDocument::XmlDocument() {
    root.document = this;
}

XmlNode* XmlDocument::newNode(NodeKind kind, const std::string* name) {
    XmlNode* node = nodes.allocate();
    node->kind = kind;
    node->name = name;
    node->document = this;
    return node;
}

void XmlDocument::setText(XmlNode& node, std::string_view text) {
    // Positions and lengths are 32-bit; a longer text is cut (no file the
    // system handles comes near 4 GiB in one text).
    text = text.substr(0, std::numeric_limits<std::uint32_t>::max());
    node.text = texts.store(text);
    node.textLength = static_cast<std::uint32_t>(text.size());
}

void XmlDocument::takeText(XmlNode& node, std::string&& text) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
        setText(node, text);
        return;
    }
    node.textLength = static_cast<std::uint32_t>(text.size());
    node.text = texts.keep(std::move(text));
}

void linkLastChild(XmlNode& parent, XmlNode& child) {
    child.parent = &parent;
    child.next = nullptr;
    if (parent.first == nullptr) {
        parent.first = &child;
        child.prev = &child;
    } else {
        XmlNode* last = parent.first->prev;
        last->next = &child;
        child.prev = last;
        parent.first->prev = &child;
    }
}

void unlink(XmlNode& node) {
    XmlNode& parent = *node.parent;
    XmlNode* const last = parent.first->prev;
    if (node.next != nullptr)
        node.next->textPosition += node.textPosition;
    if (&node == parent.first) {
        parent.first = node.next;
        if (parent.first != nullptr)
            parent.first->prev = last;
    } else {
        node.prev->next = node.next;
        if (node.next != nullptr)
            node.next->prev = node.prev;
        else
            parent.first->prev = node.prev;
    }
    node.parent = node.next = node.prev = nullptr;
}

void releaseSubtree(XmlNode& top) {
    XmlDocument& doc = *top.document;
    if (top.parent != nullptr)
        unlink(top);
    // After the children, in document order, without recursion.
    XmlNode* node = &top;
    for (;;) {
        while (node->first != nullptr)
            node = node->first;
        XmlNode* const parent = node->parent;
        XmlNode* const next = node == &top ? nullptr : node->next;
        if (node != &top)
            parent->first = next;
        if (node->attributes != nullptr) {
            node->attributes->clear();
            doc.releasedAttributeLists.push_back(node->attributes);
        }
        doc.nodes.release(node);
        if (node == &top)
            return;
        node = next != nullptr ? next : parent;
    }
}

void releaseElement(NodeView element) {
    if (element.isElement() && element.complete() && !element.isDocumentElement())
        releaseSubtree(const_cast<XmlNode&>(*element.node_));
}

bool isEmptyElement(const XmlNode& node) {
    return node.kind == NodeKind::Element && node.first == nullptr && node.textLength == 0 &&
           (node.attributes == nullptr || node.attributes->empty());
}

void removeEmptyElements(XmlNode* element) {
    if (element == nullptr)
        return;
    // After the children, in document order without recursion: a node whose
    // last child went may itself be empty now.
    XmlNode* node = element;
    while (node->first != nullptr)
        node = node->first;
    while (node != element) {
        XmlNode* following = node->next;
        XmlNode* parent = node->parent;
        if (isEmptyElement(*node)) {
            unlink(*node);
            XmlDocument& doc = *node->document;
            if (node->attributes != nullptr)
                doc.releasedAttributeLists.push_back(node->attributes);
            doc.nodes.release(node);
        }
        if (following != nullptr) {
            node = following;
            while (node->first != nullptr)
                node = node->first;
        } else {
            node = parent;
        }
    }
}

std::string_view newlineBytes(NewlineStyle style) {
    switch (style) {
    case NewlineStyle::CrLf:
        return "\r\n";
    case NewlineStyle::Cr:
        return "\r";
    default:
        return "\n";
    }
}

void XmlDocumentDeleter::operator()(XmlDocument* doc) const {
    delete doc;
}

DocumentPtr createDocument() {
    return DocumentPtr(new XmlDocument());
}

XmlNode* rootNode(XmlDocument& doc) {
    return &doc.root;
}

NodeView mainElement(const XmlDocument& doc) {
    return NodeView(doc.mainElement);
}

XmlNode* appendElement(XmlNode* parent, std::string_view name) {
    if (parent == nullptr) {
        return nullptr;
    }
    if (parent->kind != NodeKind::Root && parent->kind != NodeKind::Element) {
        return nullptr;
    }
    XmlDocument& doc = *parent->document;
    if (parent->kind == NodeKind::Root && doc.mainElement != nullptr) {
        return nullptr; // exactly one element at the top
    }
    if (doc.listener != nullptr)
        doc.listener->beforeAppend(*parent);
    XmlNode* node = doc.newNode(NodeKind::Element, doc.names.intern(name));
    linkLastChild(*parent, *node);
    if (parent->kind == NodeKind::Root) {
        doc.mainElement = node;
    }
    return node;
}

namespace {

// Whether no two attributes have the same name (a later one would replace
// the value of the earlier).
bool distinctNames(std::span<const AttributeValue> attributes) {
    for (std::size_t i = 0; i < attributes.size(); ++i)
        for (std::size_t j = i + 1; j < attributes.size(); ++j)
            if (attributes[i].name == attributes[j].name)
                return false;
    return true;
}

} // namespace

void appendLeaf(XmlNode* parent, std::string_view name, std::string_view text,
                std::span<const AttributeValue> attributes) {
    text = text.substr(0, std::numeric_limits<std::uint32_t>::max()); // as setText cuts it
    if (parent != nullptr && parent->kind == NodeKind::Element && parent->document->listener != nullptr &&
        distinctNames(attributes) && parent->document->listener->leafWritten(*parent, name, text, attributes))
        return;
    XmlNode* node = appendElement(parent, name);
    for (const AttributeValue& attribute : attributes)
        setAttribute(node, attribute.name, attribute.value);
    setNodeText(node, text);
}

void setAttribute(XmlNode* element, std::string_view name, std::string_view value) {
    if (element == nullptr || element->kind != NodeKind::Element) {
        return;
    }
    XmlDocument& doc = *element->document;
    if (element->attributes == nullptr) {
        if (doc.releasedAttributeLists.empty()) {
            element->attributes = &doc.attributeLists.emplace_back();
        } else {
            element->attributes = doc.releasedAttributeLists.back();
            doc.releasedAttributeLists.pop_back();
        }
    }
    std::vector<Attribute>& list = *element->attributes;
    const char* stored = doc.texts.store(value);
    std::string_view storedValue = stored ? std::string_view(stored, value.size()) : std::string_view();
    for (Attribute& attribute : list) {
        if (*attribute.name == name) {
            attribute.value = storedValue;
            return;
        }
    }
    if (list.size() == list.capacity()) {
        list.reserve(list.size() + 4);
    }
    list.push_back({doc.names.intern(name), storedValue});
}

void setNodeText(XmlNode* node, std::string_view text) {
    if (node != nullptr) {
        node->document->setText(*node, text);
    }
}

bool NodeView::complete() const {
    return node_ != nullptr && !node_->open;
}

bool NodeView::isElement() const {
    return node_ != nullptr && node_->kind == NodeKind::Element;
}

bool NodeView::isDocumentElement() const {
    return isElement() && node_->parent != nullptr && node_->parent->kind == NodeKind::Root;
}

std::string_view NodeView::name() const {
    return node_ != nullptr ? nameOf(*node_) : std::string_view();
}

std::string_view localName(std::string_view qualifiedName) {
    const std::size_t colon = qualifiedName.find(':');
    return colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
}

std::string_view NodeView::localName() const {
    return xml::localName(name());
}

std::string_view NodeView::text() const {
    return node_ != nullptr ? textOf(*node_) : std::string_view();
}

NodeView NodeView::parent() const {
    return NodeView(node_ != nullptr ? node_->parent : nullptr);
}

NodeView NodeView::firstChild() const {
    return NodeView(node_ != nullptr ? node_->first : nullptr);
}

NodeView NodeView::nextSibling() const {
    return NodeView(node_ != nullptr ? node_->next : nullptr);
}

NodeView NodeView::child(std::string_view localName) const {
    for (NodeView node : children())
        if (node.isElement() && node.localName() == localName)
            return node;
    return {};
}

std::size_t NodeView::attributeCount() const {
    return (node_ != nullptr && node_->attributes != nullptr) ? node_->attributes->size() : 0;
}

std::string_view NodeView::attributeName(std::size_t index) const {
    return index < attributeCount() ? std::string_view(*(*node_->attributes)[index].name)
                                    : std::string_view();
}

std::string_view NodeView::attributeValue(std::size_t index) const {
    return index < attributeCount() ? (*node_->attributes)[index].value : std::string_view();
}

std::optional<std::string_view> NodeView::attribute(std::string_view name) const {
    for (std::size_t i = 0; i < attributeCount(); ++i)
        if (attributeName(i) == name)
            return attributeValue(i);
    return std::nullopt;
}

Encoding documentEncoding(const XmlDocument& doc) {
    return doc.encoding;
}

NewlineStyle documentNewlineStyle(const XmlDocument& doc) {
    return doc.newlineStyle;
}

int documentStandalone(const XmlDocument& doc) {
    return doc.standalone;
}

bool hasDoctype(const XmlDocument& doc) {
    return doc.doctype;
}

int loadStatus(const XmlDocument& doc) {
    return doc.status;
}

std::string loadErrorMessage(const XmlDocument& doc) {
    return doc.errorMessage;
}

int loadErrorLine(const XmlDocument& doc) {
    return doc.errorLine;
}

int loadErrorColumn(const XmlDocument& doc) {
    return doc.errorColumn;
}

LoadProgress loadProgress(const XmlDocument& doc) {
    return {doc.bytesParsed, doc.bytesTotal};
}

} // namespace tallomir::xml
