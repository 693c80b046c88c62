#pragma once

// The invoice laid out on A4 pages: the one routine that the view window,
// printing and PDF all paint with.

#include "invoice/model.h"

#include <QSizeF>

#include <memory>
#include <string>
#include <vector>

class QImage;
class QPagedPaintDevice;
class QPainter;
class QRectF;
class QTextDocument;

namespace tallomir::view {

// The document of invoiceHtml, paginated on A4 portrait with margins of
// 20 mm left, 15 mm right and top and 20 mm bottom; the line table's header
// row repeats on every page, "Seite n von m" stands in the bottom margin.
// Layout happens once, at a fixed resolution, so every output shows the same
// pages with the same breaks.
class InvoicePages {
public:
    InvoicePages(const DocumentState& state, const std::vector<std::string>& notCarried);
    ~InvoicePages();
    InvoicePages(const InvoicePages&) = delete;
    InvoicePages& operator=(const InvoicePages&) = delete;

    int pageCount() const { return pageCount_; }
    // The document's heading, "Rechnung Nr. RE-1": the PDF's title.
    const std::string& title() const { return title_; }
    // A4 in points (1/72 inch).
    static QSizeF pageSizePoints();

    // Paints page `index` (from 0) scaled into `target`, in the painter's
    // coordinates; a target of another shape than A4 gets the page centred.
    void paintPage(QPainter& painter, int index, const QRectF& target) const;

    // Paints the pages first to last (from 0; all by default) onto the
    // device, one device page each. False when the painter cannot begin on
    // the device or a new page cannot be started.
    bool paint(QPagedPaintDevice& device, int first = 0, int last = -1) const;

private:
    std::unique_ptr<QImage> layoutDevice_; // outlives the document, whose layout measures on it
    std::unique_ptr<QTextDocument> document_;
    int pageCount_ = 0;
    std::string title_;
};

// Writes the pages as a PDF file, replacing it only when all was written.
// Empty on success, otherwise a German message naming the file.
std::string writePdf(const InvoicePages& pages, const std::string& fileName);

} // namespace tallomir::view
