#include "invoice_pages.h"

#include "invoice_layout.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QImage>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <algorithm>

namespace tallomir::view {

namespace {

// The layout's own resolution: fonts are measured and pages broken at it,
// whatever device the pages are painted on later.
constexpr int layoutDpi = 1200;

constexpr double millimetres(double mm) {
    return mm / 25.4 * layoutDpi;
}

const QSizeF pageSize(millimetres(210), millimetres(297));
constexpr double marginLeft = millimetres(20);
constexpr double marginRight = millimetres(15);
constexpr double marginTop = millimetres(15);
constexpr double marginBottom = millimetres(20);
const QSizeF contentSize(pageSize.width() - marginLeft - marginRight,
                         pageSize.height() - marginTop - marginBottom);

// Point sizes in pixels of the layout, so that text painted outside the
// document scales with the page on every device.
constexpr double points(double pt) {
    return pt * layoutDpi / 72.0;
}

// A paint device that only lends the layout its resolution.
std::unique_ptr<QImage> makeLayoutDevice() {
    auto image = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
    const int dotsPerMetre = qRound(layoutDpi / 0.0254);
    image->setDotsPerMeterX(dotsPerMetre);
    image->setDotsPerMeterY(dotsPerMetre);
    return image;
}

} // namespace

InvoicePages::InvoicePages(const DocumentState& state, const std::vector<std::string>& notCarried)
    : layoutDevice_(makeLayoutDevice()), document_(std::make_unique<QTextDocument>()),
      title_(documentHeading(state.doc)) {
    QTextDocument& document = *document_;
    document.setUseDesignMetrics(true);
    document.documentLayout()->setPaintDevice(layoutDevice_.get());
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    // No ligatures: a PDF's text must read back letter by letter ("ff", not
    // one ligature sign), for searching and copying.
    font.setStyleStrategy(QFont::PreferNoShaping);
    font.setPointSizeF(9);
    document.setDefaultFont(font);
    // The document is laid out on the area inside the margins; the margins
    // are added when a page is painted.
    document.setDocumentMargin(0);
    document.setHtml(QString::fromStdString(invoiceHtml(state, notCarried)));
    document.setPageSize(contentSize);
    pageCount_ = document.pageCount();
}

InvoicePages::~InvoicePages() = default;

QSizeF InvoicePages::pageSizePoints() {
    return QPageSize(QPageSize::A4).size(QPageSize::Point);
}

void InvoicePages::paintPage(QPainter& painter, int index, const QRectF& target) const {
    if (index < 0 || index >= pageCount_)
        return;
    const double scale = std::min(target.width() / pageSize.width(), target.height() / pageSize.height());
    painter.save();
    painter.translate(target.center() - QPointF(pageSize.width(), pageSize.height()) * scale / 2);
    painter.scale(scale, scale);

    const QRectF shown(QPointF(0, index * contentSize.height()), contentSize);
    painter.save();
    painter.translate(marginLeft, marginTop);
    painter.setClipRect(QRectF(QPointF(0, 0), contentSize), Qt::IntersectClip);
    painter.translate(0, -shown.top());
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = shown;
    context.palette.setColor(QPalette::Text, Qt::black);
    document_->documentLayout()->draw(&painter, context);
    painter.restore();

    QFont font = document_->defaultFont();
    font.setPixelSize(qRound(points(8)));
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRectF numberBox(marginLeft, pageSize.height() - marginBottom + points(8),
                           pageSize.width() - marginLeft - marginRight, points(12));
    painter.drawText(numberBox, Qt::AlignRight | Qt::AlignTop,
                     QStringLiteral("Seite %1 von %2").arg(index + 1).arg(pageCount_));
    painter.restore();
}

bool InvoicePages::paint(QPagedPaintDevice& device, int first, int last) const {
    first = std::max(first, 0);
    last = last < 0 ? pageCount_ - 1 : std::min(last, pageCount_ - 1);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    for (int index = first; index <= last; ++index) {
        if (index > first && !device.newPage())
            return false;
        paintPage(painter, index, QRectF(0, 0, device.width(), device.height()));
    }
    return painter.end();
}

std::string writePdf(const InvoicePages& pages, const std::string& fileName) {
    const auto failure = [&fileName](const QString& reason) {
        return "Die PDF-Datei " + fileName + " konnte nicht geschrieben werden" +
               (reason.isEmpty() ? "." : ": " + reason.toStdString());
    };
    QSaveFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    {
        QPdfWriter writer(&file);
        writer.setResolution(layoutDpi);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(QString::fromStdString(pages.title()));
        writer.setCreator(QStringLiteral("%1 %2").arg(programName, programVersion));
        if (!pages.paint(writer)) {
            file.cancelWriting();
            return failure(file.errorString());
        }
    }
    if (!file.commit())
        return failure(file.errorString());
    return {};
}

} // namespace tallomir::view
