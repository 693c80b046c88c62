// Writing a tree as UTF-8 bytes, to a string or safely to a file.

#include "xml/file_sink.h"
#include "xml/output.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallomir::xml {

using namespace output;

namespace {

// What a byte needs when it is written: nothing, an entity, to be left out
// (characters XML 1.0 does not allow: C0 controls other than tab, LF and CR),
// or a look at the bytes after it (U+FFFE and U+FFFF begin with EF).
enum ByteClass : unsigned char { Plain, Entity, Drop, LeadEF };

struct ByteClasses {
    ByteClass content[256];
    ByteClass attribute[256];
};

constexpr ByteClasses makeByteClasses() {
    ByteClasses classes{};
    for (int b = 0; b < 256; ++b) {
        ByteClass c = Plain;
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r')
            c = Drop;
        else if (b == '<' || b == '>' || b == '&')
            c = Entity;
        else if (b == 0xEF)
            c = LeadEF;
        classes.content[b] = c;
        // A parser turns a literal tab or line break of an attribute into a blank.
        classes.attribute[b] = (b == '\'' || b == '"' || b == '\n' || b == '\r' || b == '\t') ? Entity : c;
    }
    return classes;
}

constexpr ByteClasses byteClasses = makeByteClasses();

std::string_view entityFor(char c) {
    switch (c) {
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '&':
        return "&amp;";
    case '\'':
        return "&apos;";
    case '"':
        return "&quot;";
    case '\n':
        return "&#10;";
    case '\t':
        return "&#9;";
    default:
        return "&#13;";
    }
}

// Content text and attribute values escaped; a pasted control character must
// not make the file unreadable, so characters XML does not allow are left out.
void writeEscaped(Output& out, std::string_view text, bool attribute) {
    const ByteClass* classes = attribute ? byteClasses.attribute : byteClasses.content;
    const std::size_t size = text.size();
    std::size_t runStart = 0;
    std::size_t i = 0;
    while (i < size) {
        const ByteClass c = classes[static_cast<unsigned char>(text[i])];
        if (c == Plain) {
            ++i;
            continue;
        }
        std::size_t skip = 0;
        if (c == Entity) {
            out.write(text.substr(runStart, i - runStart));
            out.write(entityFor(text[i]));
            skip = 1;
        } else if (c == Drop) {
            out.write(text.substr(runStart, i - runStart));
            skip = 1;
        } else if (i + 2 < size && static_cast<unsigned char>(text[i + 1]) == 0xBF &&
                   (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xBE) {
            out.write(text.substr(runStart, i - runStart));
            skip = 3;
        } else {
            ++i;
            continue;
        }
        i += skip;
        runStart = i;
    }
    out.write(text.substr(runStart));
}

void writeAttribute(Output& out, std::string_view name, std::string_view value) {
    out.write(" ");
    out.write(name);
    out.write("=\"");
    writeEscaped(out, value, true);
    out.write("\"");
}

// An element's start tag without its end: "<name" and the attributes.
void writeNameAndAttributes(Output& out, const XmlNode& element) {
    out.write("<");
    out.write(nameOf(element));
    if (element.attributes != nullptr)
        for (const Attribute& attribute : *element.attributes)
            writeAttribute(out, *attribute.name, attribute.value);
}

} // namespace

namespace output {

void writeStartTag(Output& out, const XmlNode& element) {
    writeNameAndAttributes(out, element);
    out.write(">");
}

void writeLeaf(Output& out, std::string_view name, std::string_view text,
               std::span<const AttributeValue> attributes) {
    out.write("<");
    out.write(name);
    for (const AttributeValue& attribute : attributes)
        writeAttribute(out, attribute.name, attribute.value);
    if (text.empty()) {
        out.write("/>");
        return;
    }
    out.write(">");
    writeEscaped(out, text, false);
    out.write("</");
    out.write(name);
    out.write(">");
}

// Writes a child node that has no content of its own to walk, or the start tag
// of one that has; true in the second case.
bool writeNodeStart(Output& out, const XmlNode& node) {
    switch (node.kind) {
    case NodeKind::Element:
        writeNameAndAttributes(out, node);
        if (node.first == nullptr && node.textLength == 0) {
            out.write("/>");
            return false;
        }
        out.write(">");
        return true;
    case NodeKind::Comment:
        out.write("<!--");
        out.write(textOf(node));
        out.write("-->");
        return false;
    case NodeKind::CData:
        out.write("<![CDATA[");
        out.write(textOf(node));
        out.write("]]>");
        return false;
    case NodeKind::Doctype:
        out.write(textOf(node));
        return false;
    case NodeKind::ProcessingInstruction:
        out.write("<?");
        out.write(nameOf(node));
        out.write(" ");
        out.write(textOf(node));
        out.write("?>");
        return false;
    case NodeKind::Root:
        break;
    }
    return false;
}

Indentation::Indentation(int indentStep, NewlineStyle style)
    : step_(static_cast<std::size_t>(std::max(indentStep, 0))),
      newline_(newlineBytes(style == NewlineStyle::Unknown ? NewlineStyle::CrLf : style)) {
    std::memcpy(line_, newline_.data(), newline_.size());
    std::memset(line_ + newline_.size(), ' ', maxBlanks);
}

bool Indentation::replaces(const XmlNode& node) const {
    return node.first != nullptr && replacesText(textOf(node));
}

bool Indentation::replacesText(std::string_view text) const {
    return step_ != 0 && std::all_of(text.begin(), text.end(),
                                     [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

void Indentation::beforeChild(Output& out, NodeKind parent, NodeKind child, const NodeKind* previous,
                              std::size_t depth) const {
    if (parent == NodeKind::Root &&
        (child == NodeKind::Element || previous == nullptr || *previous == NodeKind::Element))
        out.write(newline_);
    newLine(out, depth * step_);
}

void Indentation::beforeEnd(Output& out, std::size_t depth) const {
    newLine(out, depth == 0 ? 0 : (depth - 1) * step_);
}

void Indentation::newLine(Output& out, std::size_t count) const {
    out.write(std::string_view(line_, newline_.size() + std::min(count, maxBlanks)));
}

Frame frameOf(const XmlNode& node, std::size_t depth, const Indentation& indentation) {
    Frame frame;
    frame.node = &node;
    frame.nextChild = node.first;
    frame.depth = depth;
    frame.indented = indentation.replaces(node);
    return frame;
}

void writeDeclaration(Output& out, const XmlDocument& doc) {
    out.write("<?xml version=\"1.0\" encoding=\"UTF-8\"");
    if (doc.standalone == 0) {
        out.write(" standalone=\"no\"");
    } else if (doc.standalone == 1) {
        out.write(" standalone=\"yes\"");
    }
    out.write("?>");
}

void beforeChild(Output& out, Frame& frame, const XmlNode& child, const Indentation& indentation) {
    beforeChild(out, frame, child.kind, child.textPosition, indentation);
}

void beforeChild(Output& out, Frame& frame, NodeKind kind, std::size_t textPosition,
                 const Indentation& indentation) {
    if (frame.indented) {
        indentation.beforeChild(out, frame.node->kind, kind, frame.hadChild ? &frame.previous : nullptr,
                                frame.depth);
    } else {
        const std::string_view text = textOf(*frame.node);
        const std::size_t take = std::min(textPosition, text.size() - frame.written);
        writeEscaped(out, text.substr(frame.written, take), false);
        frame.written += take;
    }
    frame.hadChild = true;
    frame.previous = kind;
}

void endFrame(Output& out, Frame& frame, const Indentation& indentation) {
    if (frame.indented)
        indentation.beforeEnd(out, frame.depth);
    else
        writeEscaped(out, textOf(*frame.node).substr(frame.written), false);
    if (frame.node->kind == NodeKind::Element) {
        out.write("</");
        out.write(nameOf(*frame.node));
        out.write(">");
    }
}

void writeSubtree(Output& out, Frame& parent, const XmlNode& child, const Indentation& indentation) {
    beforeChild(out, parent, child, indentation);
    if (!writeNodeStart(out, child))
        return;
    std::vector<Frame> open;
    open.push_back(frameOf(child, parent.depth + 1, indentation));
    while (!open.empty() && out.ok()) {
        Frame& frame = open.back();
        if (const XmlNode* next = frame.nextChild) {
            frame.nextChild = next->next;
            beforeChild(out, frame, *next, indentation);
            if (writeNodeStart(out, *next)) {
                const std::size_t depth = frame.depth + 1;
                open.push_back(frameOf(*next, depth, indentation)); // frame is not used after this
            }
            continue;
        }
        endFrame(out, frame, indentation);
        open.pop_back();
    }
}

} // namespace output

namespace {

void serialize(const XmlDocument& doc, Output& out) {
    writeDeclaration(out, doc);
    const Indentation indentation(doc.indentStep, doc.newlineStyle);
    Frame root = frameOf(doc.root, 0, indentation);
    for (const XmlNode* child = doc.root.first; child != nullptr && out.ok(); child = child->next)
        writeSubtree(out, root, *child, indentation);
    endFrame(out, root, indentation);
}

bool appendToString(void* context, const char* data, std::size_t size) {
    static_cast<std::string*>(context)->append(data, size);
    return true;
}

SaveResult failure(int error) {
    return {false, std::generic_category().message(error), error};
}

// Opens a new file with a unique name beside the target; -1 and errno on failure.
int createTemporaryBeside(const std::string& target, std::string& tempName) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x%08x", random(), random());
        tempName = folder + "." + base + suffix + ".tmp";
        const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

void syncFolderOf(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // best effort: the rename itself has already happened
        ::close(fd);
    }
}

} // namespace

void indentWhenWritten(XmlDocument& doc, int indentStep) {
    doc.indentStep = std::max(indentStep, 0);
}

std::string serializeDocument(const XmlDocument& doc) {
    std::string bytes;
    Output out(appendToString, &bytes);
    serialize(doc, out);
    out.flush();
    return bytes;
}

SaveResult output::saveThrough(const std::string& fileName, const std::function<void(Output&)>& write) {
    if (fileName.empty()) {
        return failure(ENOENT);
    }
    // Replace what a symbolic link points at, not the link.
    std::string target = fileName;
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(target.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        return failure(EISDIR);
    }

    std::string tempName;
    const int fd = createTemporaryBeside(target, tempName);
    if (fd < 0) {
        return failure(errno);
    }
    if (exists && S_ISREG(info.st_mode)) {
        ::fchmod(fd, info.st_mode & 07777); // keep the permissions of the file replaced
    }
    FileSink file(fd);
    bool open = true;
    auto abandon = [&](int error) {
        file.finish();
        if (open) {
            ::close(fd);
        }
        ::unlink(tempName.c_str());
        return failure(error);
    };

    Output out(FileSink::take, &file);
    try {
        write(out);
    } catch (...) {
        abandon(EIO);
        throw;
    }
    const bool handedOver = out.flush();
    if (const int error = file.finish(); error != 0 || !handedOver) {
        return abandon(error != 0 ? error : EIO);
    }
    if (::fsync(fd) != 0) {
        return abandon(errno);
    }
    open = false;
    if (::close(fd) != 0) {
        return abandon(errno);
    }
    if (::rename(tempName.c_str(), target.c_str()) != 0) {
        return abandon(errno);
    }
    syncFolderOf(target);
    return {true, {}};
}

SaveResult saveDocument(const XmlDocument& doc, const std::string& fileName) {
    return saveThrough(fileName, [&](Output& out) { serialize(doc, out); });
}

} // namespace tallomir::xml
