// Writing a document while it is built: what the builder has finished is
// written at once and its nodes and texts are used again, so that a document
// of any size needs the memory of its unfinished part only.

#include "xml/output.h"

#include <vector>

namespace tallomir::xml {

using namespace output;

namespace {

// Above this many shared text blocks, the texts still needed are moved into
// fresh ones and the others used again.
constexpr std::size_t textBlocksBeforeCompaction = 2;

class Streamer final : public BuildListener {
public:
    Streamer(XmlDocument& doc, Output& out, const Layout& layout)
        : doc_(doc), out_(out), indentation_(layout.indentStep, doc.newlineStyle),
          dropEmpty_(layout.dropEmptyElements) {
        doc.indentStep = layout.indentStep;
        writeDeclaration(out_, doc_);
        open_.push_back(frameOf(doc.root, 0, indentation_));
        doc.root.open = true;
        doc.listener = this;
    }
    Streamer(const Streamer&) = delete;
    Streamer& operator=(const Streamer&) = delete;
    ~Streamer() { doc_.listener = nullptr; }

    void beforeAppend(XmlNode& parent) override {
        if (!settled(parent) && !freshBelowInnermost(parent))
            settle(&parent, false);
    }

    // A leaf goes straight to the output below its parent, begun for it
    // with the elements above it: none of them can be empty now.
    bool leafWritten(XmlNode& parent, std::string_view name, std::string_view text,
                     std::span<const AttributeValue> attributes) override {
        // An empty leaf may yet be dropped, and with it its parent.
        if (dropEmpty_ && text.empty() && attributes.empty())
            return false;
        if (freshBelowInnermost(parent))
            beginChild(open_.back(), parent);
        else if (!settled(parent))
            settle(&parent, true);
        Frame& frame = open_.back();
        if (frame.node != &parent)
            return false;
        if (!frame.hadChild)
            frame.indented = indentation_.replacesText(textOf(parent));
        beforeChild(out_, frame, NodeKind::Element, 0, indentation_);
        writeLeaf(out_, name, text, attributes);
        return true;
    }

    // Writes the rest: the document is complete.
    void finish() {
        settle(nullptr, false);
        endFrame(out_, open_.front(), indentation_);
        doc_.root.open = false;
        doc_.listener = nullptr;
    }

private:
    // Whether nothing is to be written before something goes below `parent`:
    // it is the innermost element begun, and every child it has is written.
    bool settled(const XmlNode& parent) const {
        return open_.back().node == &parent && parent.first == nullptr;
    }

    // Whether `element` is the one child left of the innermost element begun,
    // without children of its own: then nothing is finished but it is to be begun.
    bool freshBelowInnermost(const XmlNode& element) const {
        const XmlNode* innermost = open_.back().node;
        return element.parent == innermost && innermost->first == &element && element.next == nullptr &&
               element.first == nullptr;
    }

    // Begins a child of the frame's node in the output; it becomes the innermost frame.
    void beginChild(Frame& frame, XmlNode& child) {
        beforeFirstChild(frame);
        beforeChild(out_, frame, child, indentation_);
        writeStartTag(out_, child);
        const std::size_t depth = frame.depth + 1;
        child.open = true;
        open_.push_back(frameOf(child, depth, indentation_)); // frame is not used after this
    }

    // Writes what is finished when the next element goes below `parent` (none:
    // everything is): every element off the way from the root to it. With
    // `begin`, the elements on the way are begun in the output, the parent too.
    void settle(XmlNode* parent, bool begin) {
        // the innermost element begun that holds the parent, or is it
        const XmlNode* holder = parent;
        while (holder != nullptr && !holder->open)
            holder = holder->parent;
        while (open_.size() > 1 && open_.back().node != holder)
            close();
        for (;;) {
            Frame& frame = open_.back();
            XmlNode& node = writable(frame);
            XmlNode* way = (parent == nullptr || &node == parent) ? nullptr : lastChild(node);
            while (node.first != nullptr && node.first != way)
                writeFinished(frame, *node.first);
            if (way == nullptr || !(begin ? (way == parent || way->first != nullptr) : mayOpen(*way, parent)))
                break;
            beginChild(frame, *way);
        }
        if (doc_.texts.blockCount() > textBlocksBeforeCompaction)
            compactTexts();
    }

    // Whether a node's children are indented is known once it has one (the
    // root has none when writing begins).
    void beforeFirstChild(Frame& frame) const {
        if (!frame.hadChild)
            frame.indented = indentation_.replaces(*frame.node);
    }

    static XmlNode& writable(const Frame& frame) { return const_cast<XmlNode&>(*frame.node); }

    // Whether the element on the way can be begun in the output: it will not
    // be empty, for it has a child, and empty elements are kept, or it has
    // text or attributes, or it holds a finished child that is not empty.
    bool mayOpen(XmlNode& element, const XmlNode* parent) {
        if (element.first == nullptr)
            return false;
        if (!dropEmpty_ || element.textLength != 0 ||
            (element.attributes != nullptr && !element.attributes->empty()))
            return true;
        return holdsFinished(element, parent);
    }

    // Whether the element holds a finished child worth writing; finished
    // children that are empty go first where empty elements are dropped.
    bool holdsFinished(XmlNode& element, const XmlNode* parent) {
        for (XmlNode* child = element.first; child != nullptr;) {
            XmlNode* next = child->next;
            if (next == nullptr && &element != parent)
                return false; // the last child is on the way: not finished
            if (!dropped(element, *child))
                return true;
            child = next;
        }
        return false;
    }

    // Drops a finished child that is empty, or becomes so without its empty
    // elements, where empty elements are dropped.
    bool dropped(const XmlNode& parent, XmlNode& child) {
        if (!dropEmpty_)
            return false;
        removeEmptyElements(&child);
        if (parent.kind != NodeKind::Element || !isEmptyElement(child))
            return false;
        unlink(child);
        releaseTree(child);
        return true;
    }

    void writeFinished(Frame& frame, XmlNode& child) {
        if (dropped(*frame.node, child))
            return;
        beforeFirstChild(frame);
        writeSubtree(out_, frame, child, indentation_);
        // Written children go from the front; their text is written, so the
        // text positions of the others stay.
        XmlNode& parent = writable(frame);
        parent.first = child.next;
        if (parent.first != nullptr)
            parent.first->prev = child.prev;
        releaseTree(child);
    }

    // The innermost open element is finished: its children and end tag.
    void close() {
        Frame& frame = open_.back();
        XmlNode& node = writable(frame);
        while (node.first != nullptr)
            writeFinished(frame, *node.first);
        endFrame(out_, frame, indentation_);
        node.open = false;
        open_.pop_back();
        Frame& parent = open_.back();
        writable(parent).first = node.next;
        if (node.next != nullptr)
            node.next->prev = node.prev;
        releaseTree(node);
    }

    // The node, already taken out of its parent, and everything below it, to
    // be used again.
    static void releaseTree(XmlNode& top) {
        top.parent = nullptr;
        if (top.first == nullptr && top.attributes == nullptr)
            top.document->nodes.release(&top); // (most often: everything below it was written)
        else
            releaseSubtree(top);
    }

    // Stores the texts of the unwritten part anew and takes back the blocks
    // of everything written.
    void compactTexts() {
        TextStore::Taken taken = doc_.texts.takeAll();
        XmlNode* node = &doc_.root;
        for (;;) {
            if (node->textLength != 0)
                node->text = doc_.texts.store(textOf(*node));
            if (node->attributes != nullptr)
                for (Attribute& attribute : *node->attributes)
                    if (const char* stored = doc_.texts.store(attribute.value))
                        attribute.value = std::string_view(stored, attribute.value.size());
            if (node->first != nullptr) {
                node = node->first;
                continue;
            }
            while (node != &doc_.root && node->next == nullptr)
                node = node->parent;
            if (node == &doc_.root)
                break;
            node = node->next;
        }
        doc_.texts.giveBack(std::move(taken));
    }

    XmlDocument& doc_;
    Output& out_;
    Indentation indentation_;
    bool dropEmpty_;
    std::vector<Frame> open_; // the elements begun in the output, the root first
};

void buildAndWrite(Output& out, const Layout& layout, const std::function<void(XmlDocument&)>& build) {
    XmlDocument doc;
    Streamer streamer(doc, out, layout);
    build(doc);
    streamer.finish();
}

} // namespace

SaveResult saveDocumentAsBuilt(const std::string& fileName, const Layout& layout,
                               const std::function<void(XmlDocument&)>& build) {
    return saveThrough(fileName, [&](Output& out) { buildAndWrite(out, layout, build); });
}

std::string serializeDocumentAsBuilt(const Layout& layout, const std::function<void(XmlDocument&)>& build) {
    std::string bytes;
    Output out(
        [](void* context, const char* data, std::size_t size) {
            static_cast<std::string*>(context)->append(data, size);
            return true;
        },
        &bytes);
    buildAndWrite(out, layout, build);
    out.flush();
    return bytes;
}

} // namespace tallomir::xml
