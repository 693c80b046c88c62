#pragma once

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QScrollArea;

namespace tallomir {
struct DocumentState;
namespace view {
class InvoicePages;
}
} // namespace tallomir

namespace tallomir::app {

class PagesWidget;

// "Rechnung anzeigen": a window with the document's A4 pages one below the
// other, painted by the same routine as printing and PDF. It shows the
// document as it was when the window was (re)filled.
class InvoiceView : public QWidget {
    Q_OBJECT
public:
    explicit InvoiceView(QWidget* parent = nullptr);
    ~InvoiceView() override;

    // Lays out the document anew and shows its first page.
    void showDocument(const DocumentState& state, const std::vector<std::string>& notCarried);
    // Shows pages laid out elsewhere (off the window's thread), the first on top.
    void showPages(std::shared_ptr<const view::InvoicePages> pages);
    int pageCount() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::shared_ptr<const view::InvoicePages> pages_;
    QScrollArea* scrollArea_ = nullptr;
    PagesWidget* pagesWidget_ = nullptr;
};

} // namespace tallomir::app
