// Writing: Qt paints the pages as PDF/A (fonts embedded, sRGB output intent);
// qpdf then embeds the XML as the pages' associated alternative, sets the
// document information and the XMP metadata, and the bytes are saved whole.

#include "hybrid_pdf.h"
#include "xmp.h"

#include "invoice/model.h"

#include <QBuffer>
#include <QDateTime>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>

namespace tallomir::pdf {

std::string embeddedFileName(Profile profile) {
    return profile == Profile::XRechnung ? "xrechnung.xml" : "factur-x.xml";
}

std::string conformanceLevel(Profile profile) {
    return profile == Profile::XRechnung ? "XRECHNUNG" : "EN 16931";
}

namespace {

constexpr int paintDpi = 1200;

// The pages as Qt writes them in its PDF/A mode.
bool paintedPages(const view::InvoicePages& pages, QByteArray& bytes, const view::PageProgress& progress) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    writer.setResolution(paintDpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(QString::fromStdString(pages.title()));
    return pages.paint(writer, 0, -1, progress);
}

// The embedded XML: its own stream with MIME type and dates, a file
// entry naming it the pages' alternative form, listed in the
// document's embedded files and its associated files.
void embedInvoice(QPDF& document, std::string_view xml, const std::string& name, const std::string& pdfDate) {
    auto stream = QPDFEFStreamObjectHelper::createEFStream(document, std::string(xml));
    stream.setSubtype("text/xml").setCreationDate(pdfDate).setModDate(pdfDate);
    auto entry = QPDFFileSpecObjectHelper::createFileSpec(document, name, stream);
    entry.setDescription("Rechnungsdaten");
    QPDFObjectHandle entryObject = entry.getObjectHandle();
    entryObject.replaceKey("/AFRelationship", QPDFObjectHandle::newName("/Alternative"));
    QPDFEmbeddedFileDocumentHelper(document).replaceEmbeddedFile(name, entry);
    QPDFObjectHandle associated = QPDFObjectHandle::newArray();
    associated.appendItem(entryObject);
    document.getRoot().replaceKey("/AF", associated);
}

std::string pdfDateOf(const QDateTime& time) {
    return time.toString(QStringLiteral("'D:'yyyyMMddHHmmss'Z'")).toStdString();
}

// The document information and the XMP packet, saying the same.
void setMetadata(QPDF& document, const view::InvoicePages& pages, Profile profile, const QDateTime& now) {
    const std::string pdfDate = pdfDateOf(now);
    const std::string creator = std::string(programName) + " " + programVersion;
    const std::string producer = creator + " (Qt " QT_VERSION_STR ", qpdf " + QPDF::QPDFVersion() + ")";

    QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
    info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(pages.title()));
    if (!pages.author().empty())
        info.replaceKey("/Author", QPDFObjectHandle::newUnicodeString(pages.author()));
    info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString(creator));
    info.replaceKey("/Producer", QPDFObjectHandle::newUnicodeString(producer));
    info.replaceKey("/CreationDate", QPDFObjectHandle::newString(pdfDate));
    info.replaceKey("/ModDate", QPDFObjectHandle::newString(pdfDate));
    document.getTrailer().replaceKey("/Info", document.makeIndirectObject(info));

    XmpFields fields;
    fields.title = pages.title();
    fields.author = pages.author();
    fields.creatorTool = creator;
    fields.producer = producer;
    fields.date = now.toString(Qt::ISODate).toStdString();
    fields.fileName = embeddedFileName(profile);
    fields.level = conformanceLevel(profile);
    QPDFObjectHandle metadata = QPDFObjectHandle::newStream(&document, hybridXmp(fields));
    metadata.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
    metadata.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
    document.getRoot().replaceKey("/Metadata", metadata);
}

} // namespace

std::string writeHybridPdf(const view::InvoicePages& pages, std::string_view xml, Profile profile,
                           const std::string& fileName, const view::PageProgress& progress) {
    const auto failure = [&fileName](const std::string& reason) {
        return "Die PDF-Datei " + fileName + " konnte nicht geschrieben werden" +
               (reason.empty() ? "." : ": " + reason);
    };
    QByteArray painted;
    bool stopped = false;
    const bool whole = paintedPages(pages, painted, [&](int done, int total) {
        stopped = progress && !progress(done, total);
        return !stopped;
    });
    if (stopped)
        return "Das Schreiben der PDF-Datei " + fileName +
               " wurde abgebrochen; die Datei blieb, wie sie war.";
    if (!whole)
        return failure("Die Seiten konnten nicht gezeichnet werden.");

    std::string bytes;
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("Seiten", painted.constData(), static_cast<std::size_t>(painted.size()));
        QDateTime now = QDateTime::currentDateTimeUtc();
        now = now.addMSecs(-now.time().msec());
        setMetadata(document, pages, profile, now);
        embedInvoice(document, xml, embeddedFileName(profile), pdfDateOf(now));
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.setMinimumPDFVersion("1.7");
        writer.setObjectStreamMode(qpdf_o_disable);
        writer.write();
        const std::shared_ptr<Buffer> output = writer.getBufferSharedPointer();
        bytes.assign(reinterpret_cast<const char*>(output->getBuffer()), output->getSize());
    } catch (const std::exception& error) {
        return failure(std::string("Fehler beim Zusammensetzen der PDF/A-Datei (") + error.what() + ").");
    }

    QSaveFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString().toStdString());
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        file.cancelWriting();
        return failure(file.errorString().toStdString());
    }
    if (!file.commit())
        return failure(file.errorString().toStdString());
    return {};
}

} // namespace tallomir::pdf
