// Completing the pages Qt painted as PDF/A: qpdf embeds the XML as the pages'
// associated alternative and sets the document information and the XMP
// metadata.

#include "qpdf_module.h"
#include "xmp.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>

namespace tallomir::pdf {

namespace {

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

// The document information and the XMP packet, saying the same.
void setMetadata(QPDF& document, const PdfFacts& facts) {
    const std::string producer =
        facts.creator + " (Qt " + facts.qtVersion + ", qpdf " + QPDF::QPDFVersion() + ")";

    QPDFObjectHandle info = QPDFObjectHandle::newDictionary();
    info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(facts.title));
    if (!facts.author.empty())
        info.replaceKey("/Author", QPDFObjectHandle::newUnicodeString(facts.author));
    info.replaceKey("/Creator", QPDFObjectHandle::newUnicodeString(facts.creator));
    info.replaceKey("/Producer", QPDFObjectHandle::newUnicodeString(producer));
    info.replaceKey("/CreationDate", QPDFObjectHandle::newString(facts.pdfDate));
    info.replaceKey("/ModDate", QPDFObjectHandle::newString(facts.pdfDate));
    document.getTrailer().replaceKey("/Info", document.makeIndirectObject(info));

    XmpFields fields;
    fields.title = facts.title;
    fields.author = facts.author;
    fields.creatorTool = facts.creator;
    fields.producer = producer;
    fields.date = facts.isoDate;
    fields.fileName = facts.fileName;
    fields.level = facts.level;
    QPDFObjectHandle metadata = QPDFObjectHandle::newStream(&document, hybridXmp(fields));
    metadata.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
    metadata.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
    document.getRoot().replaceKey("/Metadata", metadata);
}

} // namespace

std::string qpdfComplete(std::string_view painted, std::string_view xml, const PdfFacts& facts,
                         std::string& bytes) {
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("Seiten", painted.data(), painted.size());
        setMetadata(document, facts);
        embedInvoice(document, xml, facts.fileName, facts.pdfDate);
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.setMinimumPDFVersion("1.7");
        writer.setObjectStreamMode(qpdf_o_disable);
        writer.write();
        const std::shared_ptr<Buffer> output = writer.getBufferSharedPointer();
        bytes.assign(reinterpret_cast<const char*>(output->getBuffer()), output->getSize());
    } catch (const std::exception& error) {
        return std::string("Fehler beim Zusammensetzen der PDF/A-Datei (") + error.what() + ").";
    }
    return {};
}

} // namespace tallomir::pdf
