// Received PDFs: the embedded invoice found by its names, and every file that
// cannot give one (not a PDF, damaged, encrypted, looping, too large, a zip
// bomb) refused with a message, made small in the test with qpdf.

#include "pdf/hybrid_pdf_open.h"
#include <unistd.h>

#include <gtest/gtest.h>

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFEFStreamObjectHelper.hh>
#include <qpdf/QPDFEmbeddedFileDocumentHelper.hh>
#include <qpdf/QPDFFileSpecObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace tallomir;

namespace {

using Build = std::function<void(QPDF&)>;

// An empty PDF with what `build` adds, streams stored as given.
std::string madePdf(const Build& build, const std::function<void(QPDFWriter&)>& options = {}) {
    QPDF document;
    document.emptyPDF();
    build(document);
    QPDFWriter writer(document);
    writer.setOutputMemory();
    writer.setCompressStreams(false);
    writer.setDecodeLevel(qpdf_dl_none);
    if (options)
        options(writer);
    writer.write();
    const auto buffer = writer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

QPDFEFStreamObjectHelper embed(QPDF& document, const std::string& name, const std::string& data) {
    auto stream = QPDFEFStreamObjectHelper::createEFStream(document, data);
    QPDFEmbeddedFileDocumentHelper(document).replaceEmbeddedFile(
        name, QPDFFileSpecObjectHelper::createFileSpec(document, name, stream));
    return stream;
}

Build embedding(std::vector<std::pair<std::string, std::string>> files) {
    return [files](QPDF& document) {
        for (const auto& [name, data] : files)
            embed(document, name, data);
    };
}

// `zeros` zero bytes, deflated: a few kilobytes per megabyte.
std::string deflatedZeros(std::size_t zeros) {
    Pl_Buffer out("deflated");
    Pl_Flate flate("deflate", &out, Pl_Flate::a_deflate);
    const std::string chunk(1 << 20, '\0');
    for (std::size_t done = 0; done < zeros; done += chunk.size())
        flate.write(reinterpret_cast<const unsigned char*>(chunk.data()),
                    std::min(chunk.size(), zeros - done));
    flate.finish();
    const auto buffer = out.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

// factur-x.xml stored deflated, inflating to `zeros` bytes, its stated size `claimed`.
Build deflatedInvoice(std::size_t zeros, long long claimed) {
    return [zeros, claimed](QPDF& document) {
        auto stream = embed(document, "factur-x.xml", "");
        stream.getObjectHandle().replaceStreamData(
            deflatedZeros(zeros), QPDFObjectHandle::newName("/FlateDecode"), QPDFObjectHandle::newNull());
        QPDFObjectHandle params = QPDFObjectHandle::newDictionary();
        params.replaceKey("/Size", QPDFObjectHandle::newInteger(claimed));
        stream.getObjectHandle().getDict().replaceKey("/Params", params);
    };
}

// The embedded files' name tree whose node lists itself (or its parent) as its kid.
Build loopingNameTree(bool twoNodes) {
    return [twoNodes](QPDF& document) {
        QPDFObjectHandle top = document.makeIndirectObject(QPDFObjectHandle::newDictionary());
        QPDFObjectHandle kid =
            twoNodes ? document.makeIndirectObject(QPDFObjectHandle::newDictionary()) : top;
        top.replaceKey("/Kids", QPDFObjectHandle::newArray({kid}));
        kid.replaceKey("/Kids", QPDFObjectHandle::newArray({top}));
        QPDFObjectHandle names = QPDFObjectHandle::newDictionary();
        names.replaceKey("/EmbeddedFiles", top);
        document.getRoot().replaceKey("/Names", names);
    };
}

std::function<void(QPDFWriter&)> encrypting(const char* userPassword) {
    return [userPassword](QPDFWriter& writer) {
        writer.setR6EncryptionParameters(userPassword, "eigentuemer", true, true, true, true, true, true,
                                         qpdf_r3p_full, true);
    };
}

// The PDF with the cross-reference table's place off by one: intact objects
// a repair could find.
std::string withWrongXrefPlace(std::string pdf) {
    const std::size_t at = pdf.rfind("startxref\n") + 10;
    const std::size_t end = pdf.find('\n', at);
    pdf.replace(at, end - at, std::to_string(std::stoul(pdf.substr(at, end - at)) + 1));
    return pdf;
}

const std::string noInvoice = "Diese PDF-Datei enthält keine Rechnungsdaten (kein eingebettetes XML).";
const std::string damaged = "Die PDF-Datei RE-1.pdf ist beschädigt und kann nicht gelesen werden.";
const std::string encrypted =
    "Die PDF-Datei RE-1.pdf ist verschlüsselt; eine verschlüsselte Rechnung wird nicht geöffnet.";

TEST(OpenPdfTest, FindsTheInvoiceOrSaysWhyNot) {
    const std::string invoice = madePdf(embedding({{"xrechnung.xml", "<Invoice/>"}}));
    struct Case {
        std::string what;
        std::string bytes;
        std::string message; // empty: the invoice is found
        std::string name = {};
        std::string xml = {};
        pdf::OpenLimits limits = {};
    };
    const std::vector<Case> cases{
        {"the invoice", invoice, "", "xrechnung.xml", "<Invoice/>"},
        {"first name before the others",
         madePdf(
             embedding({{"zugferd-invoice.xml", "<b/>"}, {"xrechnung.xml", "<a/>"}, {"anhang.csv", "x"}})),
         "", "xrechnung.xml", "<a/>"},
        {"lower case before upper case",
         madePdf(embedding({{"ZUGFeRD-invoice.xml", "<u/>"}, {"zugferd-invoice.xml", "<l/>"}})), "",
         "zugferd-invoice.xml", "<l/>"},
        {"older name alone", madePdf(embedding({{"ZUGFeRD-invoice.xml", "<u/>"}})), "", "ZUGFeRD-invoice.xml",
         "<u/>"},
        {"no embedded file", madePdf([](QPDF&) {}), noInvoice},
        {"another file only", madePdf(embedding({{"anhang.csv", "a;b"}})), noInvoice},
        {"not a PDF", "<Invoice/>", "Die Datei RE-1.pdf ist keine PDF-Datei."},
        {"truncated", invoice.substr(0, invoice.size() * 2 / 3), damaged},
        {"cross-reference table's place wrong", withWrongXrefPlace(invoice), damaged},
        {"no objects", "%PDF-1.7\n" + std::string(400, 'x'), damaged},
        {"name tree its own kid", madePdf(loopingNameTree(false)), noInvoice},
        {"name trees each other's kid", madePdf(loopingNameTree(true)), noInvoice},
        {"encrypted, no password", madePdf(embedding({{"xrechnung.xml", "<a/>"}}), encrypting("")),
         encrypted},
        {"encrypted, password", madePdf(embedding({{"xrechnung.xml", "<a/>"}}), encrypting("geheim")),
         encrypted},
        {"zip bomb, 200 MB decoded", madePdf(deflatedInvoice(200 << 20, 100)),
         "Die eingebettete Rechnung factur-x.xml in RE-1.pdf ist größer als 50 MB und wird nicht gelesen."},
        {"1 GB by its stated size", madePdf(deflatedInvoice(10, 1ll << 30)),
         "Die eingebettete Rechnung factur-x.xml in RE-1.pdf ist größer als 50 MB und wird nicht gelesen."},
        {"decoded exactly at the limit",
         madePdf(deflatedInvoice(1000, 1)),
         "",
         "factur-x.xml",
         std::string(1000, '\0'),
         {1 << 20, 1000}},
        {"decoded one byte over the limit",
         madePdf(deflatedInvoice(1001, 1)),
         "Die eingebettete Rechnung factur-x.xml in RE-1.pdf ist größer als 1000 Bytes und wird nicht "
         "gelesen.",
         "",
         "",
         {1 << 20, 1000}},
        {"file over the limit",
         invoice,
         "Die PDF-Datei RE-1.pdf ist größer als 100 Bytes und wird nicht geöffnet.",
         "",
         "",
         {100, 1000}},
    };
    for (const Case& c : cases) {
        const pdf::OpenedPdf opened = pdf::openHybridPdfData(c.bytes, "RE-1.pdf", c.limits);
        EXPECT_EQ(opened.error, c.message) << c.what;
        EXPECT_EQ(opened.embeddedName, c.name) << c.what;
        // Not EXPECT_EQ: a zip bomb's hundreds of megabytes would be printed.
        EXPECT_TRUE(opened.xml == c.xml) << c.what << ": " << opened.xml.size() << " bytes";
    }
}

TEST(OpenPdfTest, AFileIsReadFromDiskWithinItsLimit) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("tallomir-open-" + std::to_string(::getpid()) + ".pdf");
    std::ofstream(file, std::ios::binary) << madePdf(embedding({{"factur-x.xml", "<Invoice/>"}}));
    const pdf::OpenedPdf opened = pdf::openHybridPdf(file.string());
    EXPECT_EQ(opened.error, "");
    EXPECT_EQ(opened.xml, "<Invoice/>");
    EXPECT_EQ(pdf::openHybridPdf(file.string(), {100, 100}).error,
              "Die PDF-Datei " + file.string() + " ist größer als 100 Bytes und wird nicht geöffnet.");
    std::filesystem::remove(file);
    EXPECT_EQ(pdf::openHybridPdf(file.string()).error,
              "Die Datei " + file.string() +
                  " konnte nicht geöffnet werden: Die Datei fehlt oder ist nicht lesbar.");
    const std::string folder = file.parent_path().string();
    EXPECT_EQ(pdf::openHybridPdf(folder).error,
              "Die Datei " + folder + " konnte nicht geöffnet werden: Es ist ein Ordner.");
}

} // namespace
