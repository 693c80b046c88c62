// Building a tree from a file with Expat.

#include "xml/document.h"
#include "xml/xml.h"

#include <expat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tallomir::xml {

namespace {

constexpr std::size_t maxTextLength = std::numeric_limits<std::uint32_t>::max();

// Only blanks, tabs and line breaks.
bool isBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) {
                   return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// Finds the line-break style of a file from its first line break, chunk by chunk.
class NewlineDetector {
public:
    // Scans one chunk; the result is Unknown until a line break was seen.
    NewlineStyle scan(const unsigned char* bytes, std::size_t size, bool final) {
        if (firstChunk_) {
            firstChunk_ = false;
            if (size >= 2 &&
                ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
                wide_ = true;
                bigEndian_ = bytes[0] == 0xFE;
            } else {
                wide_ = std::count(bytes, bytes + size, 0) > 4;
                bigEndian_ = wide_ && bytes[0] == 0; // "<" as 00 3C
            }
        }
        const std::size_t unitSize = wide_ ? 2 : 1;
        const std::size_t units = size / unitSize;
        auto unit = [&](std::size_t i) -> unsigned {
            if (!wide_) {
                return bytes[i];
            }
            const unsigned a = bytes[2 * i];
            const unsigned b = bytes[2 * i + 1];
            return bigEndian_ ? (a << 8 | b) : (b << 8 | a);
        };
        std::size_t i = 0;
        if (pendingCr_ && units > 0) {
            return unit(0) == '\n' ? NewlineStyle::CrLf : NewlineStyle::Cr;
        }
        if (units > 0 && unit(0) == '\n') {
            i = 1; // a leading LF does not decide
        }
        for (; i < units; ++i) {
            const unsigned u = unit(i);
            if (u == '\n') {
                return NewlineStyle::Lf;
            }
            if (u == '\r') {
                if (i + 1 < units) {
                    return unit(i + 1) == '\n' ? NewlineStyle::CrLf : NewlineStyle::Cr;
                }
                pendingCr_ = true; // the next chunk tells
            }
        }
        return (final && pendingCr_) ? NewlineStyle::Cr : NewlineStyle::Unknown;
    }

private:
    bool firstChunk_ = true;
    bool wide_ = false;
    bool bigEndian_ = false;
    bool pendingCr_ = false;
};

// Turns parser events into nodes. Each open node collects its text in a buffer
// of its own, which is copied into the document when the node closes.
class TreeBuilder {
public:
    TreeBuilder(XmlDocument& doc, XML_Parser parser, Doctypes doctypes)
        : doc_(doc), parser_(parser), doctypes_(doctypes) {
        open_.emplace_back();
        open_[0].node = &doc.root;
        doc.root.open = true;
    }

    void register_handlers() {
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, onStart, onEnd);
        XML_SetCharacterDataHandler(parser_, onCharacterData);
        XML_SetProcessingInstructionHandler(parser_, onProcessingInstruction);
        XML_SetCommentHandler(parser_, onComment);
        XML_SetCdataSectionHandler(parser_, onCdataStart, onCdataEnd);
        XML_SetDoctypeDeclHandler(parser_, onDoctypeStart, onDoctypeEnd);
        XML_SetXmlDeclHandler(parser_, onXmlDeclaration);
        // Not the expanding variant: references to entities declared in a DTD
        // stay as they are written.
        XML_SetDefaultHandler(parser_, onDefault);
    }

    bool textTooLong() const { return textTooLong_; }

    // Gives every node that is still open (after an error, or the root) its text.
    void finish() {
        for (std::size_t level = depth_ + 1; level-- > 0;) {
            close(open_[level]);
        }
        depth_ = 0;
    }

private:
    struct OpenNode {
        XmlNode* node = nullptr;
        std::string text;
        std::size_t segmentStart = 0; // where the text after the last closed child begins
        // The blanks stored last for elements closed at this depth, the
        // newer first: the next element there mostly has the same as one of
        // them (a line's blocks of one and of several children alternate).
        std::array<std::string_view, 2> blanks;
    };

    static TreeBuilder& self(void* data) { return *static_cast<TreeBuilder*>(data); }

    OpenNode& current() { return open_[depth_]; }

    std::uint32_t runningCount() {
        OpenNode& node = current();
        return static_cast<std::uint32_t>(node.text.size() - node.segmentStart);
    }

    XmlNode* addChild(NodeKind kind, const XML_Char* name) {
        XmlNode* node = doc_.newNode(kind, name ? doc_.names.intern(name) : nullptr);
        node->textPosition = runningCount();
        linkLastChild(*current().node, *node);
        return node;
    }

    void open(XmlNode* node) {
        ++depth_;
        if (depth_ == open_.size()) {
            open_.emplace_back();
        }
        OpenNode& entry = open_[depth_];
        node->open = true;
        entry.node = node;
        entry.text.clear();
        entry.segmentStart = 0;
    }

    // A long text (an attached file) is handed over whole rather than copied;
    // its buffer is not kept for the rest of the load. The blanks between the
    // children of an element (indentation) are stored once for all elements
    // that have the same.
    void close(OpenNode& entry) {
        XmlNode& node = *entry.node;
        node.open = false;
        if (entry.text.size() > (1u << 20)) {
            doc_.takeText(node, std::move(entry.text));
            entry.text = std::string();
            return;
        }
        if (!entry.text.empty()) {
            for (const std::string_view blanks : entry.blanks) {
                if (entry.text == blanks) {
                    node.text = blanks.data();
                    node.textLength = static_cast<std::uint32_t>(blanks.size());
                    entry.text.clear();
                    return;
                }
            }
        }
        if (entry.text.empty() || entry.text.size() > sharedBlanksLimit || !isBlank(entry.text)) {
            doc_.setText(node, entry.text);
            entry.text.clear();
            return;
        }
        if (const auto found = blanks_.find(entry.text); found != blanks_.end()) {
            node.text = found->second;
            node.textLength = static_cast<std::uint32_t>(entry.text.size());
        } else {
            doc_.setText(node, entry.text);
            blanks_.emplace(entry.text, node.text);
        }
        entry.blanks[1] = entry.blanks[0];
        entry.blanks[0] = std::string_view(node.text, node.textLength);
        entry.text.clear();
    }

    void closeCurrent() {
        close(current());
        --depth_;
        current().segmentStart = current().text.size();
    }

    // A node without content of its own has been added: the count restarts.
    void childDone() { current().segmentStart = current().text.size(); }

    void append(std::string_view piece) {
        std::string& text = current().text;
        if (text.size() + piece.size() > maxTextLength) {
            textTooLong_ = true;
            XML_StopParser(parser_, XML_FALSE);
            return;
        }
        text.append(piece);
    }

    static void onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
        TreeBuilder& b = self(data);
        XmlNode* node = b.addChild(NodeKind::Element, name);
        if (b.current().node == &b.doc_.root && b.doc_.mainElement == nullptr) {
            b.doc_.mainElement = node;
        }
        if (attributes[0] != nullptr) {
            std::vector<Attribute>* reused = nullptr;
            if (!b.doc_.releasedAttributeLists.empty()) {
                reused = b.doc_.releasedAttributeLists.back();
                b.doc_.releasedAttributeLists.pop_back();
            }
            std::vector<Attribute>& list = reused ? *reused : b.doc_.attributeLists.emplace_back();
            std::size_t count = 0;
            while (attributes[2 * count] != nullptr) {
                ++count;
            }
            list.reserve(count);
            for (std::size_t i = 0; i < count; ++i) {
                const std::string_view value = attributes[2 * i + 1];
                const char* stored = b.doc_.texts.store(value);
                list.push_back({b.doc_.names.intern(attributes[2 * i]),
                                stored ? std::string_view(stored, value.size()) : std::string_view()});
            }
            node->attributes = &list;
        }
        b.open(node);
    }

    static void onEnd(void* data, const XML_Char*) { self(data).closeCurrent(); }

    static void onCharacterData(void* data, const XML_Char* s, int length) {
        TreeBuilder& b = self(data);
        std::string_view piece(s, static_cast<std::size_t>(length));
        // Line breaks reach us as LF; they are written back as the file had
        // them. The parser gives most line breaks alone.
        const std::string_view newline = newlineBytes(b.doc_.newlineStyle);
        if (piece.size() == 1 && piece[0] == '\n') {
            b.append(newline);
            return;
        }
        if (newline.size() == 1 && newline[0] == '\n') {
            b.append(piece);
            return;
        }
        for (;;) {
            const std::size_t found = piece.find('\n');
            if (found == std::string_view::npos) {
                b.append(piece);
                return;
            }
            b.append(piece.substr(0, found));
            b.append(newline);
            piece.remove_prefix(found + 1);
        }
    }

    static void onDefault(void* data, const XML_Char* s, int length) {
        self(data).append(std::string_view(s, static_cast<std::size_t>(length)));
    }

    static void onComment(void* data, const XML_Char* text) {
        TreeBuilder& b = self(data);
        if (b.current().node->kind == NodeKind::Doctype) {
            // Inside the internal subset the comment stays part of the doctype text.
            b.append("<!--");
            b.append(text);
            b.append("-->");
            return;
        }
        XmlNode* node = b.addChild(NodeKind::Comment, nullptr);
        b.doc_.setText(*node, text);
        b.childDone();
    }

    static void onProcessingInstruction(void* data, const XML_Char* target, const XML_Char* text) {
        TreeBuilder& b = self(data);
        if (b.current().node->kind == NodeKind::Doctype) {
            b.append("<?");
            b.append(target);
            b.append(" ");
            b.append(text);
            b.append("?>");
            return;
        }
        XmlNode* node = b.addChild(NodeKind::ProcessingInstruction, target);
        b.doc_.setText(*node, text);
        b.childDone();
    }

    static void onCdataStart(void* data) {
        TreeBuilder& b = self(data);
        b.open(b.addChild(NodeKind::CData, nullptr));
    }

    static void onCdataEnd(void* data) {
        TreeBuilder& b = self(data);
        if (b.current().node->kind == NodeKind::CData) {
            b.closeCurrent();
        }
    }

    static void appendQuoted(std::string& out, const XML_Char* id) {
        const char quote = std::strchr(id, '"') ? '\'' : '"';
        out += ' ';
        out += quote;
        out += id;
        out += quote;
    }

    static void onDoctypeStart(void* data, const XML_Char* name, const XML_Char* systemId,
                               const XML_Char* publicId, int hasInternalSubset) {
        TreeBuilder& b = self(data);
        b.doc_.doctype = true;
        if (b.doctypes_ == Doctypes::Refuse) {
            XML_StopParser(b.parser_, XML_FALSE);
            return;
        }
        std::string text = "<!DOCTYPE ";
        text += name;
        if (systemId != nullptr) {
            text += publicId != nullptr ? " PUBLIC" : " SYSTEM";
        }
        if (publicId != nullptr) {
            appendQuoted(text, publicId);
        }
        if (systemId != nullptr) {
            appendQuoted(text, systemId);
        }
        XmlNode* node = b.addChild(NodeKind::Doctype, nullptr);
        if (hasInternalSubset) {
            b.open(node);
            b.append(text + " [");
        } else {
            b.doc_.setText(*node, text + ">");
            b.childDone();
        }
    }

    static void onDoctypeEnd(void* data) {
        TreeBuilder& b = self(data);
        if (b.current().node->kind == NodeKind::Doctype) {
            b.append("]>");
            b.closeCurrent();
        }
    }

    static void onXmlDeclaration(void* data, const XML_Char* version, const XML_Char* encoding,
                                 int standalone) {
        TreeBuilder& b = self(data);
        if (version == nullptr) {
            return; // a text declaration of an external entity, which is never read
        }
        if (encoding != nullptr) {
            const std::string_view name = encoding;
            if (equalsIgnoringCase(name, "US-ASCII") || equalsIgnoringCase(name, "ISO-8859-1")) {
                b.doc_.encoding = Encoding::Latin1;
            } else if (startsWithIgnoringCase(name, "UTF-16")) {
                b.doc_.encoding = Encoding::Utf16;
            } else {
                b.doc_.encoding = Encoding::Utf8;
            }
        }
        b.doc_.standalone = standalone;
    }

    XmlDocument& doc_;
    XML_Parser parser_;
    Doctypes doctypes_;
    std::vector<OpenNode> open_;
    std::size_t depth_ = 0;
    bool textTooLong_ = false;
    static constexpr std::size_t sharedBlanksLimit = 256;
    std::unordered_map<std::string, const char*> blanks_;
};

struct ParserHolder {
    XML_Parser parser;
    ~ParserHolder() {
        if (parser != nullptr) {
            XML_ParserFree(parser);
        }
    }
};

int clampToInt(XML_Size value) {
    return value > static_cast<XML_Size>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

// Parses what readChunk delivers. readChunk(buffer, capacity) gives the number
// of bytes read, 0 at the end and -1 on a read error; total is the expected size.
template <class ReadChunk>
DocumentPtr parse(std::uint64_t total, Doctypes doctypes, LoadWatcher* watcher, int chunkSize,
                  ReadChunk readChunk) {
    ParserHolder holder{XML_ParserCreate(nullptr)};
    if (holder.parser == nullptr) {
        return nullptr;
    }
    XML_Parser parser = holder.parser;
    DocumentPtr doc = createDocument();
    doc->newlineStyle = NewlineStyle::Unknown;
    doc->bytesTotal = total;
    // External DTDs and parameter entities are never read; no handler for
    // external entities exists, so nothing outside the file is ever fetched.
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    TreeBuilder builder(*doc, parser, doctypes);
    builder.register_handlers();

    NewlineDetector detector;
    std::uint64_t done = 0;
    bool failed = false;
    for (;;) {
        void* buffer = XML_GetBuffer(parser, chunkSize);
        if (buffer == nullptr) {
            failed = true;
            break;
        }
        const long got = readChunk(static_cast<char*>(buffer), chunkSize);
        if (got < 0) {
            return nullptr;
        }
        done += static_cast<std::uint64_t>(got);
        const bool final = got == 0 || done >= total;
        if (done == static_cast<std::uint64_t>(got) && got >= 2) {
            // A byte-order mark names UTF-16 even without a declaration.
            const auto* bytes = static_cast<const unsigned char*>(buffer);
            if ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF)) {
                doc->encoding = Encoding::Utf16;
            }
        }
        if (doc->newlineStyle == NewlineStyle::Unknown) {
            doc->newlineStyle = detector.scan(static_cast<const unsigned char*>(buffer),
                                              static_cast<std::size_t>(got), final);
        }
        if (XML_ParseBuffer(parser, static_cast<int>(got), final) != XML_STATUS_OK) {
            failed = true;
            break;
        }
        doc->bytesParsed = done;
        if (final) {
            break;
        }
        if (watcher != nullptr) {
            watcher->parsed(*doc, false);
        }
    }
    builder.finish();
    if (watcher != nullptr && !failed) {
        watcher->parsed(*doc, true);
    }
    if (failed) {
        XML_Error code = XML_GetErrorCode(parser);
        if (code == XML_ERROR_NONE || builder.textTooLong()) {
            code = XML_ERROR_NO_MEMORY;
        }
        doc->status = static_cast<int>(code);
        doc->errorLine = clampToInt(XML_GetCurrentLineNumber(parser));
        doc->errorColumn = clampToInt(XML_GetCurrentColumnNumber(parser)) + 1;
        const XML_LChar* message = XML_ErrorString(code);
        doc->errorMessage = message ? message : "";
    }
    return doc;
}

} // namespace

DocumentPtr loadDocument(const std::string& fileName, Doctypes doctypes, LoadWatcher* watcher) {
    if (fileName.empty()) {
        return nullptr;
    }
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) {
        return nullptr;
    }
    return parse(static_cast<std::uint64_t>(info.st_size), doctypes, watcher, loadPieceSize,
                 [fd](char* buffer, int capacity) -> long {
                     std::size_t filled = 0;
                     while (filled < static_cast<std::size_t>(capacity)) {
                         const ssize_t got =
                             ::read(fd, buffer + filled, static_cast<std::size_t>(capacity) - filled);
                         if (got < 0) {
                             if (errno == EINTR) {
                                 continue;
                             }
                             return -1;
                         }
                         if (got == 0) {
                             break;
                         }
                         filled += static_cast<std::size_t>(got);
                     }
                     return static_cast<long>(filled);
                 });
}

DocumentPtr loadDocumentFromBytes(std::string_view bytes, Doctypes doctypes, LoadWatcher* watcher,
                                  int pieceSize) {
    if (bytes.empty()) {
        return nullptr;
    }
    std::size_t offset = 0;
    return parse(
        bytes.size(), doctypes, watcher, std::max(pieceSize, 1), [&](char* buffer, int capacity) -> long {
            const std::size_t take = std::min(bytes.size() - offset, static_cast<std::size_t>(capacity));
            std::memcpy(buffer, bytes.data() + offset, take);
            offset += take;
            return static_cast<long>(take);
        });
}

} // namespace tallomir::xml
