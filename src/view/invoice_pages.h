#pragma once

// The invoice laid out on A4 pages: the one routine that the view window,
// printing and PDF all paint with.

#include "invoice/model.h"

#include <QSizeF>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QImage;
class QPagedPaintDevice;
class QPainter;
class QRectF;
class QTextDocument;
class QThread;

namespace tallomir::view {

// The document of invoiceHtml on A4 portrait pages with margins of 20 mm left,
// 15 mm right and top and 20 mm bottom. Pages break between lines of the line
// table, never inside one (a line longer than a page is split between its text
// lines); a page that breaks the line table ends with the carried-forward
// subtotal ("Übertrag"), and the next starts with the table's header row and
// that subtotal. "Rechnung Nr. … · Seite n von m" stands in the bottom margin
// of every page. Layout happens once, at a fixed resolution, so every output
// shows the same pages with the same breaks.
// Told after each page painted: pages done and of how many; false stops the
// painting (the job was cancelled).
using PageProgress = std::function<bool(int done, int total)>;

class InvoicePages {
public:
    InvoicePages(const DocumentState& state, const std::vector<std::string>& notCarried);
    ~InvoicePages();
    InvoicePages(const InvoicePages&) = delete;
    InvoicePages& operator=(const InvoicePages&) = delete;

    int pageCount() const { return pageCount_; }
    // Pages laid out on a worker thread are handed to the thread that paints
    // them; called on the thread that made them.
    void handTo(QThread* thread);
    // The document's heading, "Rechnung Nr. RE-1": the PDF's title.
    const std::string& title() const { return title_; }
    // The seller's name: the PDF's author.
    const std::string& author() const { return author_; }
    // A4 in points (1/72 inch).
    static QSizeF pageSizePoints();

    // Paints page `index` (from 0) scaled into `target`, in the painter's
    // coordinates; a target of another shape than A4 gets the page centred.
    void paintPage(QPainter& painter, int index, const QRectF& target) const;

    // Paints the pages first to last (from 0; all by default) onto the
    // device, one device page each. False when the painter cannot begin on
    // the device, a new page cannot be started or `progress` stops it.
    bool paint(QPagedPaintDevice& device, int first = 0, int last = -1,
               const PageProgress& progress = {}) const;

    // One page: the part of the laid-out document it shows, whether it starts
    // inside the line table, and the subtotal carried to the next page.
    struct Page {
        double top = 0;
        double bottom = 0;
        bool continuesTable = false;
        std::string carriedIn;
        std::string carriedOut;
    };

private:
    void paginate(const DocumentState& state);
    void drawPart(QPainter& painter, double top, double bottom, double at) const;
    void drawCarried(QPainter& painter, const std::string& amount, double at) const;

    std::unique_ptr<QImage> layoutDevice_; // outlives the document, whose layout measures on it
    std::unique_ptr<QTextDocument> document_;
    int pageCount_ = 0;
    std::string title_;
    std::string author_;
    std::vector<Page> pages_;
    double tableHeadTop_ = 0;    // the line table's header row, repeated
    double tableHeadBottom_ = 0; // on pages that continue the table
};

// Writes the pages as a PDF file, replacing it only when all was written; a
// file stopped by `progress` is not replaced. Empty on success, otherwise a
// German message naming the file.
std::string writePdf(const InvoicePages& pages, const std::string& fileName,
                     const PageProgress& progress = {});

} // namespace tallomir::view
