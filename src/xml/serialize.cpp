// Writing a tree as UTF-8 bytes, to a string or safely to a file.

#include "xml/document.h"
#include "xml/xml.h"

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

namespace {

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

// Writes a child node that has no content of its own to walk, or the start tag
// of one that has; true in the second case.
bool writeNodeStart(Output& out, const XmlNode& node) {
    switch (node.kind) {
    case NodeKind::Element:
        out.write("<");
        out.write(nameOf(node));
        if (node.attributes != nullptr) {
            for (const Attribute& attribute : *node.attributes) {
                out.write(" ");
                out.write(*attribute.name);
                out.write("=\"");
                writeEscaped(out, attribute.value, true);
                out.write("\"");
            }
        }
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

void serialize(const XmlDocument& doc, Output& out) {
    out.write("<?xml version=\"1.0\" encoding=\"UTF-8\"");
    if (doc.standalone == 0) {
        out.write(" standalone=\"no\"");
    } else if (doc.standalone == 1) {
        out.write(" standalone=\"yes\"");
    }
    out.write("?>");

    // The open nodes, each with the next child to write and how much of its
    // text is written.
    struct Frame {
        const XmlNode* node;
        const XmlNode* nextChild;
        std::size_t written;
    };
    std::vector<Frame> open;
    open.push_back({&doc.root, doc.root.first, 0});
    while (!open.empty() && out.ok()) {
        Frame& frame = open.back();
        const std::string_view text = textOf(*frame.node);
        if (const XmlNode* child = frame.nextChild) {
            frame.nextChild = child->next;
            const std::size_t take = std::min<std::size_t>(child->textPosition, text.size() - frame.written);
            writeEscaped(out, text.substr(frame.written, take), false);
            frame.written += take;
            if (writeNodeStart(out, *child)) {
                open.push_back({child, child->first, 0}); // frame is not used after this
            }
            continue;
        }
        writeEscaped(out, text.substr(frame.written), false);
        if (frame.node->kind == NodeKind::Element) {
            out.write("</");
            out.write(nameOf(*frame.node));
            out.write(">");
        }
        open.pop_back();
    }
}

bool appendToString(void* context, const char* data, std::size_t size) {
    static_cast<std::string*>(context)->append(data, size);
    return true;
}

struct FileSink {
    int fd = -1;
    int error = 0;
};

bool writeToFile(void* context, const char* data, std::size_t size) {
    auto* file = static_cast<FileSink*>(context);
    while (size > 0) {
        const ssize_t written = ::write(file->fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            file->error = errno;
            return false;
        }
        if (written == 0) {
            file->error = EIO;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
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

std::string serializeDocument(const XmlDocument& doc) {
    std::string bytes;
    Output out(appendToString, &bytes);
    serialize(doc, out);
    out.flush();
    return bytes;
}

SaveResult saveDocument(const XmlDocument& doc, const std::string& fileName) {
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
    FileSink file;
    file.fd = createTemporaryBeside(target, tempName);
    if (file.fd < 0) {
        return failure(errno);
    }
    if (exists && S_ISREG(info.st_mode)) {
        ::fchmod(file.fd, info.st_mode & 07777); // keep the permissions of the file replaced
    }
    auto abandon = [&](int error) {
        if (file.fd >= 0) {
            ::close(file.fd);
        }
        ::unlink(tempName.c_str());
        return failure(error);
    };

    Output out(writeToFile, &file);
    serialize(doc, out);
    if (!out.flush()) {
        return abandon(file.error != 0 ? file.error : EIO);
    }
    if (::fsync(file.fd) != 0) {
        return abandon(errno);
    }
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) {
        return abandon(errno);
    }
    if (::rename(tempName.c_str(), target.c_str()) != 0) {
        return abandon(errno);
    }
    syncFolderOf(target);
    return {true, {}};
}

} // namespace tallomir::xml
