#include "invoice_view.h"

#include "invoice/model.h"
#include "view/invoice_pages.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace tallomir::app {

namespace {

constexpr int pageGap = 16;

} // namespace

// The pages at their printed size on the screen, grey between them; only the
// pages in the exposed area are painted.
class PagesWidget : public QWidget {
public:
    explicit PagesWidget(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("invoicePages"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void setPages(const view::InvoicePages* pages) {
        pages_ = pages;
        const QSizeF points = view::InvoicePages::pageSizePoints();
        const double pixelsPerPoint = logicalDpiX() / 72.0;
        pageSize_ = QSize(qRound(points.width() * pixelsPerPoint), qRound(points.height() * pixelsPerPoint));
        const int count = pages_ ? pages_->pageCount() : 0;
        setFixedSize(pageSize_.width() + 2 * pageGap, count * (pageSize_.height() + pageGap) + pageGap);
        update();
    }

    QRect pageRect(int index) const {
        return QRect(QPoint(pageGap, pageGap + index * (pageSize_.height() + pageGap)), pageSize_);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), QColor(0x80, 0x80, 0x80));
        if (!pages_)
            return;
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        for (int index = 0; index < pages_->pageCount(); ++index) {
            const QRect page = pageRect(index);
            if (!page.intersects(event->rect()))
                continue;
            painter.fillRect(page, Qt::white);
            pages_->paintPage(painter, index, page);
        }
    }

private:
    const view::InvoicePages* pages_ = nullptr;
    QSize pageSize_;
};

InvoiceView::InvoiceView(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("invoiceView"));
    scrollArea_ = new QScrollArea(this);
    scrollArea_->setObjectName(QStringLiteral("invoiceViewScroll"));
    scrollArea_->setAlignment(Qt::AlignHCenter);
    scrollArea_->setBackgroundRole(QPalette::Dark);
    pagesWidget_ = new PagesWidget(scrollArea_);
    scrollArea_->setWidget(pagesWidget_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrollArea_);
    resize(880, 900);
}

InvoiceView::~InvoiceView() = default;

// Esc and Ctrl+W close the window, as they close other document windows.
void InvoiceView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Close) ||
        event->keyCombination() == (Qt::CTRL | Qt::Key_W))
        close();
    else
        QWidget::keyPressEvent(event);
}

void InvoiceView::showDocument(const DocumentState& state, const std::vector<std::string>& notCarried) {
    showPages(std::make_shared<view::InvoicePages>(state, notCarried));
}

void InvoiceView::showPages(std::shared_ptr<const view::InvoicePages> pages) {
    pagesWidget_->setPages(nullptr);
    pages_ = std::move(pages);
    pagesWidget_->setPages(pages_.get());
    setWindowTitle(QString::fromStdString(pages_->title() + " - " + programName));
    scrollArea_->verticalScrollBar()->setValue(0);
}

int InvoiceView::pageCount() const {
    return pages_ ? pages_->pageCount() : 0;
}

} // namespace tallomir::app
