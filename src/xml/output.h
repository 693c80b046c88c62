// Writing parts of a tree to bytes: shared by writing a whole tree
// (serialize.cpp) and writing a tree while it is built (stream.cpp).

#pragma once

#include "xml/document.h"
#include "xml/xml.h"

#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tallomir::xml::output {

// Collects output in a buffer and hands it on in large pieces. After the first
// failed hand-over everything else is dropped and ok() stays false.
class Output {
public:
    using Sink = bool (*)(void* context, const char* data, std::size_t size);
    static constexpr std::size_t bufferSize = 64 * 1024;

    Output(Sink sink, void* context)
        : sink_(sink), context_(context), buffer_(std::make_unique_for_overwrite<char[]>(bufferSize)) {}

    void write(std::string_view piece) {
        if (piece.empty()) {
            return;
        }
        if (piece.size() > bufferSize - used_) {
            flush();
            if (piece.size() > bufferSize) {
                pass(piece.data(), piece.size());
                return;
            }
        }
        std::memcpy(buffer_.get() + used_, piece.data(), piece.size());
        used_ += piece.size();
    }

    bool flush() {
        if (used_ != 0) {
            pass(buffer_.get(), used_);
            used_ = 0;
        }
        return ok_;
    }

    bool ok() const { return ok_; }

private:
    void pass(const char* data, std::size_t size) {
        if (ok_ && !sink_(context_, data, size)) {
            ok_ = false;
        }
    }

    Sink sink_;
    void* context_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    bool ok_ = true;
};

// The indentation of a document written indented (`indentWhenWritten`).
class Indentation {
public:
    Indentation(int indentStep, NewlineStyle style);

    // Whether the children of the node go on lines of their own: white space
    // between them is replaced, other mixed content stays as it stands.
    bool replaces(const XmlNode& node) const;
    // The same for a node with that text that is known to have a child.
    bool replacesText(std::string_view text) const;
    // Before a child of a node at `depth` (the root's depth is 0), after a
    // child of the kind `previous` (none for the first): a line of its own;
    // the document element follows an empty line.
    void beforeChild(Output& out, NodeKind parent, NodeKind child, const NodeKind* previous,
                     std::size_t depth) const;
    // Before the end tag of a node at `depth`.
    void beforeEnd(Output& out, std::size_t depth) const;

private:
    // A line break and `count` blanks, in one piece.
    void newLine(Output& out, std::size_t count) const;

    // Indentation stops growing at column 64, so that a pathologically deep
    // tree does not grow quadratically in size.
    static constexpr std::size_t maxBlanks = 64;
    std::size_t step_;
    std::string_view newline_;
    char line_[2 + maxBlanks]; // the line break, then blanks
};

// A node being written: its next child, how much of its text is written,
// its depth, whether its children are indented anew, and the kind of the
// child written last.
struct Frame {
    const XmlNode* node = nullptr;
    const XmlNode* nextChild = nullptr;
    std::size_t written = 0;
    std::size_t depth = 0;
    bool indented = false;
    bool hadChild = false;
    NodeKind previous = NodeKind::Root;
};

// Writes a child node that has no content of its own to walk, or the start tag
// of one that has; true in the second case.
bool writeNodeStart(Output& out, const XmlNode& node);
// An element's start tag, also where it has no content yet.
void writeStartTag(Output& out, const XmlNode& element);
// An element without children, whole: as appendLeaf builds it, written.
void writeLeaf(Output& out, std::string_view name, std::string_view text,
               std::span<const AttributeValue> attributes);
Frame frameOf(const XmlNode& node, std::size_t depth, const Indentation& indentation);
void writeDeclaration(Output& out, const XmlDocument& doc);
// What stands in the frame's node before the child: its text up to the
// child, or the indentation.
void beforeChild(Output& out, Frame& frame, const XmlNode& child, const Indentation& indentation);
// The same for a child of that kind standing at that position of the text.
void beforeChild(Output& out, Frame& frame, NodeKind kind, std::size_t textPosition,
                 const Indentation& indentation);
// The child whole, with everything below it.
void writeSubtree(Output& out, Frame& parent, const XmlNode& child, const Indentation& indentation);
// The rest of the frame's text, or the indentation, and its end tag.
void endFrame(Output& out, Frame& frame, const Indentation& indentation);

// Writes through `write` into a temporary file beside the target, renamed over
// it only when everything was written.
SaveResult saveThrough(const std::string& fileName, const std::function<void(Output&)>& write);

} // namespace tallomir::xml::output
