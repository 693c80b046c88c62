// Opening: qpdf reads the file without repairing it; only the embedded files'
// name tree is walked, and the invoice's stream is decoded into a sink that
// stops at the limit, so no stream is ever decoded unbounded.

#include "qpdf_module.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFLogger.hh>

#include <array>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tallomir::pdf {

namespace {

// The names an invoice is embedded under, the first found wins.
constexpr std::array<const char*, 4> invoiceNames{"factur-x.xml", "xrechnung.xml", "zugferd-invoice.xml",
                                                  "ZUGFeRD-invoice.xml"};

std::string sizeText(std::uint64_t bytes) {
    constexpr std::uint64_t megabyte = 1ull << 20;
    return bytes % megabyte == 0 ? std::to_string(bytes / megabyte) + " MB"
                                 : std::to_string(bytes) + " Bytes";
}

// Keeps the decoded bytes up to the limit and refuses the first byte past it,
// which ends the decoding.
class BoundedSink : public Pipeline {
public:
    BoundedSink(std::string& bytes, std::uint64_t limit)
        : Pipeline("Rechnungsdaten", nullptr), bytes_(bytes), limit_(limit) {}
    void write(unsigned char const* data, size_t length) override {
        if (length > limit_ - bytes_.size()) {
            exceeded_ = true;
            throw std::length_error("embedded file over the limit");
        }
        bytes_.append(reinterpret_cast<const char*>(data), length);
    }
    void finish() override {}
    bool exceeded() const { return exceeded_; }

private:
    std::string& bytes_;
    std::uint64_t limit_;
    bool exceeded_ = false;
};

OpenedPdf refusal(std::string message) {
    OpenedPdf result;
    result.error = std::move(message);
    return result;
}

std::string damaged(const std::string& name) {
    return "Die PDF-Datei " + name + " ist beschädigt und kann nicht gelesen werden.";
}

std::string encrypted(const std::string& name) {
    return "Die PDF-Datei " + name + " ist verschlüsselt; eine verschlüsselte Rechnung wird nicht geöffnet.";
}

std::string embeddedTooLarge(const std::string& embedded, const std::string& name, std::uint64_t limit) {
    return "Die eingebettete Rechnung " + embedded + " in " + name + " ist größer als " + sizeText(limit) +
           " und wird nicht gelesen.";
}

std::string fileTooLarge(const std::string& name, std::uint64_t limit) {
    return "Die PDF-Datei " + name + " ist größer als " + sizeText(limit) + " und wird nicht geöffnet.";
}

std::uint64_t integerOr(QPDFObjectHandle object, std::uint64_t fallback) {
    if (!object.isInteger())
        return fallback;
    const long long value = object.getIntValue();
    return value < 0 ? fallback : static_cast<std::uint64_t>(value);
}

// The embedded invoice's file entry: the first of the names, by the
// name tree's key or the entry's own file name.
std::shared_ptr<QPDFFileSpecObjectHelper> invoiceEntry(QPDF& document, std::string& embeddedName) {
    QPDFEmbeddedFileDocumentHelper files(document);
    if (!files.hasEmbeddedFiles())
        return nullptr;
    const auto all = files.getEmbeddedFiles();
    for (const char* wanted : invoiceNames)
        for (const auto& [key, entry] : all)
            if (key == wanted || entry->getFilename() == wanted) {
                embeddedName = wanted;
                return entry;
            }
    return nullptr;
}

// The invoice's bytes from its stream, within the limit.
OpenedPdf invoiceData(QPDFObjectHandle stream, const std::string& embeddedName, const std::string& name,
                      std::uint64_t limit) {
    if (!stream.isStream())
        return refusal(damaged(name));
    QPDFObjectHandle dictionary = stream.getDict();
    // Data outside the file itself is never fetched.
    if (dictionary.hasKey("/F") || dictionary.hasKey("/FFilter") || dictionary.hasKey("/FDecodeParms"))
        return refusal(damaged(name));
    // What the stream says of itself is checked first: stored length, decoded size.
    if (integerOr(dictionary.getKey("/Length"), 0) > limit ||
        integerOr(dictionary.getKey("/Params").getKey("/Size"), 0) > limit)
        return refusal(embeddedTooLarge(embeddedName, name, limit));
    OpenedPdf result;
    BoundedSink sink(result.xml, limit);
    bool decoded = false;
    try {
        decoded = stream.pipeStreamData(&sink, 0, qpdf_dl_specialized, true);
    } catch (const std::exception&) {
        decoded = false;
    }
    if (sink.exceeded())
        return refusal(embeddedTooLarge(embeddedName, name, limit));
    if (!decoded)
        return refusal(damaged(name));
    result.embeddedName = embeddedName;
    return result;
}

} // namespace

OpenedPdf qpdfOpenData(std::string_view bytes, const std::string& displayName, const OpenLimits& limits) {
    if (bytes.size() > limits.fileBytes)
        return refusal(fileTooLarge(displayName, limits.fileBytes));
    if (bytes.substr(0, 1024).find("%PDF-") == std::string_view::npos)
        return refusal("Die Datei " + displayName + " ist keine PDF-Datei.");
    // What qpdf says of objects that belong to no document goes to its
    // default logger, never to the user's terminal.
    static const bool quiet = [] {
        const auto logger = QPDFLogger::defaultLogger();
        logger->setWarn(logger->discard());
        logger->setError(logger->discard());
        return true;
    }();
    (void)quiet;
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        // A damaged file is refused, not guessed at.
        document.setAttemptRecovery(false);
        document.processMemoryFile(displayName.c_str(), bytes.data(), bytes.size());
        if (document.isEncrypted())
            return refusal(encrypted(displayName));
        std::string embeddedName;
        const auto entry = invoiceEntry(document, embeddedName);
        if (!entry)
            return refusal("Diese PDF-Datei enthält keine Rechnungsdaten (kein eingebettetes XML).");
        return invoiceData(entry->getEmbeddedFileStream(), embeddedName, displayName, limits.embeddedBytes);
    } catch (const QPDFExc& error) {
        return refusal(error.getErrorCode() == qpdf_e_password ? encrypted(displayName)
                                                               : damaged(displayName));
    } catch (const std::exception&) {
        return refusal(damaged(displayName));
    }
}

OpenedPdf qpdfOpen(const std::string& fileName, const OpenLimits& limits) {
    const auto cannotOpen = [&fileName](const std::string& reason) {
        return refusal("Die Datei " + fileName + " konnte nicht geöffnet werden: " + reason);
    };
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    if (error)
        return cannotOpen(std::filesystem::is_directory(fileName, error)
                              ? "Es ist ein Ordner."
                              : "Die Datei fehlt oder ist nicht lesbar.");
    if (size > limits.fileBytes)
        return refusal(fileTooLarge(fileName, limits.fileBytes));
    std::string bytes(size, '\0');
    std::ifstream in(fileName, std::ios::binary);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(size)))
        return cannotOpen("Die Datei konnte nicht gelesen werden.");
    return qpdfOpenData(bytes, fileName, limits);
}

} // namespace tallomir::pdf
