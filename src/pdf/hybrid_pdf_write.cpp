// Writing: Qt paints the pages as PDF/A (fonts embedded, sRGB output intent);
// the qpdf module (qpdf_complete.cpp) then embeds the XML and sets the
// metadata, and the bytes are saved whole.

#include "hybrid_pdf.h"
#include "qpdf_link.h"
#include "qpdf_module.h"

#include "invoice/model.h"

#include <QBuffer>
#include <QDateTime>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>

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

std::string pdfDateOf(const QDateTime& time) {
    return time.toString(QStringLiteral("'D:'yyyyMMddHHmmss'Z'")).toStdString();
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

    const QpdfFunctions* module = qpdfModule();
    if (module == nullptr)
        return failure(qpdfMissing());
    QDateTime now = QDateTime::currentDateTimeUtc();
    now = now.addMSecs(-now.time().msec());
    PdfFacts facts;
    facts.title = pages.title();
    facts.author = pages.author();
    facts.creator = std::string(programName) + " " + programVersion;
    facts.qtVersion = QT_VERSION_STR;
    facts.pdfDate = pdfDateOf(now);
    facts.isoDate = now.toString(Qt::ISODate).toStdString();
    facts.fileName = embeddedFileName(profile);
    facts.level = conformanceLevel(profile);
    std::string bytes;
    if (std::string reason =
            module->complete(std::string_view(painted.constData(), static_cast<std::size_t>(painted.size())),
                             xml, facts, bytes);
        !reason.empty())
        return failure(reason);

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
