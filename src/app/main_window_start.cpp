// The window's quick start: the first page is built with the window, every
// other page when it is first shown or first needed (a command reaching one
// of its fields, a test looking for a control), and then shows the document
// as if it had been built at the start; the database's controls join the
// pages once the database is open.

#include "main_window.h"

#include "code_combo.h"
#include "date_picker.h"
#include "main_window_helpers.h"
#include "page_builder.h"
#include "store_link.h"

#include "form/field_labels.h"
#include "form/fields.h"
#include "form/form.h"
#include "form/input_rules.h"
#include "form/page_rows.h"
#include "invoice/model.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>

#include <algorithm>

namespace tallomir::app {

namespace {

constexpr int linesPage = 4;
constexpr int footerPage = 5;

// The first control of a page that Tab reaches, as the tab widget gives the
// focus to a page shown while the page before it had the focus.
QWidget* firstTabStop(QWidget* page) {
    for (QWidget* at = page->nextInFocusChain(); at != page; at = at->nextInFocusChain())
        if ((at->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !at->focusProxy() &&
            at->isVisibleTo(page) && at->isEnabled() && page->isAncestorOf(at))
            return at;
    return nullptr;
}

} // namespace

bool MainWindow::pageBuilt(int index) const {
    return (pagesBuilt_ >> index) & 1U;
}

QWidget* MainWindow::page(int index) {
    if (index >= 0 && index < tabs_->count() && !pageBuilt(index))
        buildPage(index);
    return tabs_->widget(index);
}

QWidget* MainWindow::builtField(FieldId id) {
    page(pageIndexOf(id));
    // A field without a row of its own (a VAT row's) may stand elsewhere.
    for (int index = 0; !field(id) && index < tabs_->count(); ++index)
        page(index);
    return field(id);
}

void MainWindow::buildPage(int index) {
    QWidget* page = tabs_->widget(index);
    pagesBuilt_ |= 1U << index;
    // A page shown empty is built hidden, so that its controls show and are
    // laid out with it, as those of a page built before it was shown.
    const bool shown = page->isVisible();
    const bool hadFocus = QApplication::focusWidget() == page;
    if (shown) {
        if (hadFocus)
            page->clearFocus();
        page->hide();
    }
    const auto grid = [this](const PageRow& row, QWidget* parent) { return makeInput(row, parent); };
    switch (index) {
    case 1:
        buildSupplierPage(page);
        break;
    case linesPage:
        buildLinesPage(page);
        break;
    case footerPage:
        buildFooterPage(page);
        break;
    case 6:
        buildMorePage(page);
        break;
    case 7:
        buildAttachmentsPage(page);
        break;
    default:
        PageGrid(page, grid).add(pageRows(index));
    }
    if (storeControls_)
        addStoreControls(index);

    // The labels of fields the check may require carry its star; list combos
    // always hold a value and keep their labels.
    for (QLabel* label : page->findChildren<QLabel*>()) {
        const auto id = static_cast<FieldId>(fields_.key(label->buddy(), 0));
        auto* combo = qobject_cast<QComboBox*>(label->buddy());
        if (label->buddy() != nullptr && fields_.contains(static_cast<int>(id)) &&
            !(combo && !combo->isEditable()) && !fieldLabel(id, false).empty())
            labels_.insert(static_cast<int>(id), label);
        if (lineFields_.contains(label->buddy()) && label->buddy() != lineDescription_)
            lineLabels_.insert(label->buddy(), label);
    }
    // The first page shows what the start gives it (showStartValues); a
    // page built later shows the document as it is now.
    if (index > 0) {
        showDocumentOn(page);
        updateMarking();
    }
    if (shown) {
        page->show();
        if (hadFocus) {
            QWidget* first = firstTabStop(page);
            (first ? first : page)->setFocus();
        }
    }
}

void MainWindow::showDocumentOn(const QWidget* page) {
    const InvoiceDocument& doc = state_.doc;
    const CodeLists& lists = state_.lists;
    const auto on = [page](const QWidget* control) {
        return control != nullptr && (page == nullptr || page->isAncestorOf(control));
    };

    // Each combo shows the code the document holds, a code of no list included.
    const auto showIn = [&](FieldId id, int known, int index, const std::string& code) {
        if (auto* combo = static_cast<QComboBox*>(field(id)); on(combo))
            showCodeInCombo(combo, known, index, code);
    };
    showIn(FieldId::DocumentType, static_cast<int>(lists.documentTypes.size()),
           findCode(lists.documentTypes, doc.documentTypeCode), doc.documentTypeCode);
    const auto currency =
        std::find(lists.currencies.begin(), lists.currencies.end(), state_.documentCurrency);
    showIn(FieldId::Currency, static_cast<int>(lists.currencies.size()),
           currency == lists.currencies.end() ? -1 : static_cast<int>(currency - lists.currencies.begin()),
           state_.documentCurrency);
    showIn(FieldId::TaxCategory, static_cast<int>(lists.taxCategories.size()),
           categoryEntryOf(state_, state_.documentTaxCategory), state_.documentTaxCategory);
    showIn(FieldId::DocumentFormat, 2, state_.xrechnungVersion == XRechnungVersion::V3_0 ? 1 : 0,
           std::string());
    showIn(FieldId::DocumentSyntax, 2, state_.syntax == Syntax::Cii ? 1 : 0, std::string());
    showIn(FieldId::PaymentMeans, static_cast<int>(lists.paymentMeans.size()),
           findCode(lists.paymentMeans, doc.paymentMeansCode), doc.paymentMeansCode);
    if (on(field(FieldId::SupplierEndpointScheme)))
        showCode(FieldId::SupplierEndpointScheme, lists.endpointSchemes, doc.supplier.endpointScheme);
    if (on(field(FieldId::CustomerEndpointScheme)))
        showCode(FieldId::CustomerEndpointScheme, lists.endpointSchemes, doc.customer.endpointScheme);

    // Every text field of the pages, from the document.
    for (auto it = fields_.begin(); it != fields_.end(); ++it)
        if (const std::string* text = documentText(doc, static_cast<FieldId>(it.key()));
            text && on(it.value()))
            setFieldText(static_cast<FieldId>(it.key()), *text);
    if (on(field(FieldId::AllowanceReason)))
        setFieldText(FieldId::AllowanceReason, doc.allowanceReason);

    // Every date picker, from the document.
    for (auto it = fields_.begin(); it != fields_.end(); ++it)
        if (const std::string* date = documentDate(doc, static_cast<FieldId>(it.key()));
            date && on(it.value()))
            static_cast<DatePicker*>(it.value())->setValue(dateOf(*date));

    showLists(page);
    if (page == nullptr || page == tabs_->widget(linesPage)) {
        showLineList();
        showLineEditor();
    }
    if (page == nullptr || page == tabs_->widget(footerPage))
        showFooter();
    if (page == nullptr)
        updateMarking();
}

void MainWindow::databaseOpened() {
    if (storeLink_->active() && !storeControls_)
        buildStoreControls();
}

} // namespace tallomir::app
