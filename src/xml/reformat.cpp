// Re-indenting a finished tree before it is saved.
//
// Both passes walk the tree in document order over the parent links, so the
// depth of the tree costs no stack.

#include "xml/document.h"
#include "xml/xml.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace tallomir::xml {

namespace {

// Indentation stops growing at this column. Nothing the system builds comes
// near it, and it keeps a pathologically deep tree from growing quadratically
// in size when it is indented.
constexpr std::uint64_t maxIndent = 64;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// Length of the line break starting at text[i] (CR LF counts as one), 0 if none.
std::size_t lineBreakLength(std::string_view text, std::size_t i) {
    if (text[i] == '\n') {
        return 1;
    }
    if (text[i] == '\r') {
        return (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
    }
    return 0;
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool isWhiteSpaceOnly(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return isBlank(c) || isLineBreak(c); });
}

// Calls visit(node, depth) for every node in document order, the root at depth 0.
template <class Visit> void walk(XmlNode& root, Visit visit) {
    XmlNode* node = &root;
    std::uint64_t depth = 0;
    for (;;) {
        visit(*node, depth);
        if (node->first != nullptr) {
            node = node->first;
            ++depth;
            continue;
        }
        while (node != &root && node->next == nullptr) {
            node = node->parent;
            --depth;
        }
        if (node == &root) {
            return;
        }
        node = node->next;
    }
}

enum class Previous { Ordinary, Blank, LineBreak };

// Whether pass 1 would leave a text as it is: no blank after a blank or a line
// break, no empty line. Most texts are, and need no copy.
bool alreadyNormal(std::string_view text) {
    Previous previous = Previous::Ordinary;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (isBlank(c)) {
            if (previous != Previous::Ordinary) {
                return false;
            }
            previous = Previous::Blank;
            ++i;
        } else if (isLineBreak(c)) {
            if (previous == Previous::LineBreak) {
                return false;
            }
            previous = Previous::LineBreak;
            i += lineBreakLength(text, i);
        } else {
            previous = Previous::Ordinary;
            ++i;
        }
    }
    return true;
}

// Pass 1: runs of blanks shrink to their first blank, blanks at the start of a
// line and empty lines vanish; the segments between children shrink with it.
void normalizeWhiteSpace(XmlNode& node, std::string& out) {
    if (node.textLength == 0 || node.kind == NodeKind::CData ||
        node.kind == NodeKind::ProcessingInstruction) {
        return;
    }
    const std::string_view text = textOf(node);
    if (node.first == nullptr && alreadyNormal(text)) {
        return;
    }
    Previous previous = Previous::Ordinary;
    std::size_t offset = 0;
    out.clear();
    auto copySegment = [&](std::size_t end) {
        std::size_t i = offset;
        while (i < end) {
            const char c = text[i];
            if (isBlank(c)) {
                if (previous == Previous::Ordinary) {
                    out.push_back(c);
                    previous = Previous::Blank;
                }
                ++i;
            } else if (isLineBreak(c)) {
                const std::size_t length = std::min(lineBreakLength(text, i), end - i);
                if (previous != Previous::LineBreak) {
                    out.append(text.substr(i, length));
                }
                previous = Previous::LineBreak;
                i += length;
            } else {
                out.push_back(c);
                previous = Previous::Ordinary;
                ++i;
            }
        }
        offset = end;
    };
    for (XmlNode* child = node.first; child != nullptr; child = child->next) {
        const std::size_t segmentStart = out.size();
        copySegment(offset + std::min<std::size_t>(child->textPosition, text.size() - offset));
        child->textPosition = static_cast<std::uint32_t>(out.size() - segmentStart);
    }
    copySegment(text.size());
    if (out.size() != text.size()) {
        node.document->setText(node, out);
    }
}

// Pass 2 for a node with children: each child on a line of its own, indented by
// `indent` blanks, and the closing line indented by `closing` blanks.
void indentChildren(XmlNode& node, std::string_view newline, std::uint64_t indent, std::uint64_t closing,
                    std::string& out) {
    out.clear();
    const bool atRoot = node.kind == NodeKind::Root;
    const XmlNode* previous = nullptr;
    for (XmlNode* child = node.first; child != nullptr; child = child->next) {
        const std::size_t segmentStart = out.size();
        if (atRoot && (child->kind == NodeKind::Element || previous == nullptr ||
                       previous->kind == NodeKind::Element)) {
            out.append(newline); // the document element follows an empty line
        }
        out.append(newline);
        out.append(indent, ' ');
        child->textPosition = static_cast<std::uint32_t>(out.size() - segmentStart);
        previous = child;
    }
    out.append(newline);
    out.append(closing, ' ');
    node.document->setText(node, out);
}

// Pass 2 for a leaf element whose text spans lines: the text goes on lines of
// its own, each indented by `indent` blanks, and the end tag lines up with the
// start tag.
void makeBlock(XmlNode& node, std::string_view newline, std::uint64_t indent, std::uint64_t closing,
               std::string& out) {
    std::string_view text = textOf(node);
    text.remove_prefix(std::min(text.size(), text.find_first_not_of(" \t")));
    out.clear();
    bool atLineStart = false;
    if (text.empty() || !isLineBreak(text.front())) {
        out.append(newline);
        atLineStart = true;
    }
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t length = lineBreakLength(text, i); length != 0) {
            out.append(newline);
            atLineStart = true;
            i += length;
            continue;
        }
        if (atLineStart) {
            out.append(indent, ' ');
            atLineStart = false;
        }
        out.push_back(text[i]);
        ++i;
    }
    if (!atLineStart) {
        out.append(newline);
    }
    out.append(closing, ' ');
    node.document->setText(node, out);
}

} // namespace

void reformat(XmlDocument& doc, int indentStep) {
    std::string scratch;
    walk(doc.root, [&](XmlNode& node, std::uint64_t) { normalizeWhiteSpace(node, scratch); });

    const std::uint64_t step = indentStep > 0 ? static_cast<std::uint64_t>(indentStep) : 0;
    const std::string_view newline =
        newlineBytes(doc.newlineStyle == NewlineStyle::Unknown ? NewlineStyle::CrLf : doc.newlineStyle);
    auto indentAt = [&](std::uint64_t depth) { return std::min(depth * step, maxIndent); };
    walk(doc.root, [&](XmlNode& node, std::uint64_t depth) {
        if (node.kind == NodeKind::CData || node.kind == NodeKind::ProcessingInstruction) {
            return;
        }
        const std::uint64_t indent = indentAt(depth);
        const std::uint64_t closing = depth == 0 ? 0 : indentAt(depth - 1);
        const std::string_view text = textOf(node);
        if (node.first != nullptr) {
            // White space between children (as in a loaded, indented file) is
            // replaced like a missing text; other mixed content stays as it is.
            if (isWhiteSpaceOnly(text)) {
                indentChildren(node, newline, indent, closing, scratch);
            }
        } else if (node.kind == NodeKind::Element && hasLineBreak(text)) {
            makeBlock(node, newline, indent, closing, scratch);
        }
    });
}

void indentWhenWritten(XmlDocument& doc, int indentStep) {
    doc.indentStep = std::max(indentStep, 0);
}

} // namespace tallomir::xml
