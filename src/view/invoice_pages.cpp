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
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

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

// The height of the carried-forward subtotal's line.
constexpr double carriedHeight = points(15);

// Nothing of a text line on either side of a break is drawn.
constexpr double breakSlack = 1;

// A paint device that only lends the layout its resolution.
std::unique_ptr<QImage> makeLayoutDevice() {
    auto image = std::make_unique<QImage>(1, 1, QImage::Format_RGB32);
    const int dotsPerMetre = qRound(layoutDpi / 0.0254);
    image->setDotsPerMeterX(dotsPerMetre);
    image->setDotsPerMeterY(dotsPerMetre);
    return image;
}

// A stretch of the laid-out document, top to bottom.
struct Span {
    double top = 0;
    double bottom = 0;
};

// Every text line of the blocks first to last (all by default), where it
// stands in the document.
std::vector<Span> textLines(const QTextDocument& document, QTextBlock first = {}, QTextBlock last = {}) {
    std::vector<Span> lines;
    const QAbstractTextDocumentLayout& layout = *document.documentLayout();
    for (QTextBlock block = first.isValid() ? first : document.begin(); block.isValid();
         block = block.next()) {
        const QTextLayout& text = *block.layout();
        const double origin = layout.blockBoundingRect(block).top() - text.boundingRect().top();
        for (int i = 0; i < text.lineCount(); ++i)
            lines.push_back(
                {origin + text.lineAt(i).y(), origin + text.lineAt(i).y() + text.lineAt(i).height()});
        if (last.isValid() && block == last)
            break;
    }
    return lines;
}

// The line table: the table whose first cell reads "Pos.".
QTextTable* lineTable(const QTextFrame& frame) {
    for (QTextFrame* child : frame.childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(child);
            table && table->rows() > 0 && table->cellAt(0, 0).firstCursorPosition().block().text() == "Pos.")
            return table;
        if (QTextTable* inner = lineTable(*child))
            return inner;
    }
    return nullptr;
}

// The rows of a table from border to border: the text of each row, widened
// by half the space between rows (rows are parted by padding alone).
std::vector<Span> tableRows(const QTextDocument& document, const QTextTable& table) {
    std::vector<Span> rows;
    for (int row = 0; row < table.rows(); ++row) {
        Span span{1e300, -1e300};
        for (int column = 0; column < table.columns(); ++column) {
            const QTextTableCell cell = table.cellAt(row, column);
            for (const Span& line :
                 textLines(document, cell.firstCursorPosition().block(), cell.lastCursorPosition().block())) {
                span.top = std::min(span.top, line.top);
                span.bottom = std::max(span.bottom, line.bottom);
            }
        }
        rows.push_back(span);
    }
    for (std::size_t row = 1; row < rows.size(); ++row) {
        const double middle = (rows[row - 1].bottom + rows[row].top) / 2;
        const double half = rows[row].top - middle;
        rows[row - 1].bottom = middle;
        rows[row].top = middle;
        if (row == 1)
            rows[0].top -= half;
        if (row + 1 == rows.size())
            rows[row].bottom += half;
    }
    return rows;
}

// The text lines by their tops, and the height of the highest.
struct TextLines {
    std::vector<Span> byTop;
    double highest = 0;

    explicit TextLines(std::vector<Span> lines) : byTop(std::move(lines)) {
        std::sort(byTop.begin(), byTop.end(), [](const Span& a, const Span& b) { return a.top < b.top; });
        for (const Span& line : byTop)
            highest = std::max(highest, line.bottom - line.top);
    }
    // The first line whose top is at or below `y`.
    std::vector<Span>::const_iterator from(double y) const {
        return std::lower_bound(byTop.begin(), byTop.end(), y,
                                [](const Span& line, double value) { return line.top < value; });
    }
    // A break at `y` cuts no text line.
    bool cutsNone(double y) const {
        return std::none_of(from(y - highest - breakSlack), from(y), [y](const Span& line) {
            return line.top < y - breakSlack && line.bottom > y + breakSlack;
        });
    }
};

} // namespace

InvoicePages::InvoicePages(const DocumentState& state, const std::vector<std::string>& notCarried)
    : layoutDevice_(makeLayoutDevice()), document_(std::make_unique<QTextDocument>()),
      title_(documentHeading(state.doc)), author_(state.doc.supplier.name) {
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
    // One long page; it is cut into pages here, at places that keep a line's
    // block together.
    document.setTextWidth(contentSize.width());
    paginate(state);
    pageCount_ = static_cast<int>(pages_.size());
}

void InvoicePages::paginate(const DocumentState& state) {
    const QTextDocument& document = *document_;
    const double end = document.documentLayout()->documentSize().height();
    const TextLines lines(textLines(document));
    // The line table's header row and line rows, and each line's amount.
    std::vector<Span> rows;
    if (const QTextTable* table = lineTable(*document.rootFrame()))
        rows = tableRows(document, *table);
    const bool hasTable = rows.size() > 1 && rows.size() == state.lines.size() + 1;
    if (hasTable) {
        tableHeadTop_ = rows[0].top;
        tableHeadBottom_ = rows[0].bottom;
    }
    const double tableEnd = hasTable ? rows.back().bottom : 0;
    const auto insideTable = [&](double y) {
        return hasTable && y > rows[1].top + breakSlack && y < tableEnd - breakSlack;
    };
    // The last place up to `limit` to break after `top`: between text lines,
    // not inside a line of the table nor right below its header row, unless a
    // line is longer than the page.
    const auto breakBefore = [&](double top, double limit) {
        if (limit >= end)
            return end;
        double best = -1, fallback = -1;
        const auto consider = [&](double y) {
            if (!lines.cutsNone(y))
                return;
            fallback = std::max(fallback, y);
            // Rows follow each other: the last one starting above `y`.
            const auto row = std::upper_bound(rows.begin(), rows.end(), y,
                                              [](double value, const Span& r) { return value < r.top; });
            const bool splitsRow = hasTable && row - rows.begin() > 1 && y > (row - 1)->top + breakSlack &&
                                   y < (row - 1)->bottom - breakSlack;
            const bool belowHead =
                hasTable && y > rows[0].top - breakSlack && y < rows[1].bottom - breakSlack;
            if (!splitsRow && !belowHead)
                best = std::max(best, y);
        };
        const auto inRange = [&](double y) { return y > top + breakSlack && y <= limit; };
        for (auto line = lines.from(top); line != lines.byTop.end() && line->top <= limit; ++line)
            if (inRange(line->top))
                consider(line->top);
        for (const Span& row : rows)
            if (inRange(row.top))
                consider(row.top);
        return best > 0 ? best : fallback > 0 ? fallback : limit;
    };

    const std::string& currency = state.documentCurrency;
    std::string carried;
    for (double top = 0; top < end - breakSlack;) {
        const bool continuesTable = insideTable(top);
        Page page{top, 0, continuesTable, continuesTable ? carried : std::string(), {}};
        const double room = contentSize.height() -
                            (page.continuesTable ? tableHeadBottom_ - tableHeadTop_ + carriedHeight : 0);
        page.bottom = breakBefore(top, top + room);
        if (insideTable(page.bottom))
            page.bottom = breakBefore(top, top + room - carriedHeight);
        if (insideTable(page.bottom)) {
            Decimal sum;
            for (std::size_t line = 0; line < state.lines.size(); ++line)
                if (rows[line + 1].bottom <= page.bottom + breakSlack)
                    sum += parseNumber(state.lines[line].lineNetAmount);
            page.carriedOut = carried = germanAmount(formatDecimal2(sum), currency);
        }
        pages_.push_back(page);
        top = page.bottom;
    }
    if (pages_.empty())
        pages_.push_back({0, end, false, {}, {}});
}

void InvoicePages::drawPart(QPainter& painter, double top, double bottom, double at) const {
    painter.save();
    painter.translate(marginLeft, at - top);
    painter.setClipRect(QRectF(0, top, contentSize.width(), bottom - top), Qt::IntersectClip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(0, top + breakSlack, contentSize.width(), bottom - top - 2 * breakSlack);
    context.palette.setColor(QPalette::Text, Qt::black);
    document_->documentLayout()->draw(&painter, context);
    painter.restore();
}

void InvoicePages::drawCarried(QPainter& painter, const std::string& amount, double at) const {
    QFont font = document_->defaultFont();
    font.setPixelSize(qRound(points(9)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRectF(marginLeft, at, contentSize.width() - points(3), carriedHeight),
                     Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Übertrag   %1").arg(QString::fromStdString(amount)));
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

    const Page& page = pages_[static_cast<std::size_t>(index)];
    double at = marginTop;
    if (page.continuesTable) {
        drawPart(painter, tableHeadTop_, tableHeadBottom_, at);
        at += tableHeadBottom_ - tableHeadTop_;
        drawCarried(painter, page.carriedIn, at);
        at += carriedHeight;
    }
    drawPart(painter, page.top, page.bottom, at);
    if (!page.carriedOut.empty())
        drawCarried(painter, page.carriedOut, at + page.bottom - page.top);

    QFont font = document_->defaultFont();
    font.setPixelSize(qRound(points(8)));
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRectF numberBox(marginLeft, pageSize.height() - marginBottom + points(8),
                           pageSize.width() - marginLeft - marginRight, points(12));
    const QString number = QStringLiteral("Seite %1 von %2").arg(index + 1).arg(pageCount_);
    painter.drawText(numberBox, Qt::AlignRight | Qt::AlignTop,
                     QString::fromStdString(title_) + QStringLiteral(" · ") + number);
    painter.restore();
}

void InvoicePages::handTo(QThread* thread) {
    // Laid-out text remembers the font engines it was shaped with, which
    // belong to the thread that laid it out and go with it; the thread that
    // paints the pages takes its own.
    for (QTextBlock block = document_->begin(); block.isValid(); block = block.next())
        if (QTextLayout* layout = block.layout())
            layout->setFont(layout->font());
    document_->moveToThread(thread);
}

bool InvoicePages::paint(QPagedPaintDevice& device, int first, int last, const PageProgress& progress) const {
    first = std::max(first, 0);
    last = last < 0 ? pageCount_ - 1 : std::min(last, pageCount_ - 1);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    for (int index = first; index <= last; ++index) {
        if (index > first && !device.newPage())
            return false;
        paintPage(painter, index, QRectF(0, 0, device.width(), device.height()));
        if (progress && !progress(index - first + 1, last - first + 1)) {
            painter.end();
            return false;
        }
    }
    return painter.end();
}

std::string writePdf(const InvoicePages& pages, const std::string& fileName, const PageProgress& progress) {
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
        bool stopped = false;
        const bool painted = pages.paint(writer, 0, -1, [&](int done, int total) {
            stopped = progress && !progress(done, total);
            return !stopped;
        });
        if (stopped) {
            file.cancelWriting();
            return "Das Schreiben der PDF-Datei " + fileName +
                   " wurde abgebrochen; die Datei blieb, wie sie war.";
        }
        if (!painted) {
            file.cancelWriting();
            return failure(file.errorString());
        }
    }
    if (!file.commit())
        return failure(file.errorString());
    return {};
}

} // namespace tallomir::view
