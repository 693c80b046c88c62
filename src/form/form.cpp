#include "form/form.h"

#include "form/document_check.h"
#include "invoice/amounts.h"

#include <utility>

namespace tallomir {

Form makeForm(const CodeLists& lists) {
    Form form;
    static_cast<DocumentState&>(form) = makeDocumentState(lists);
    resetEditor(form);
    return form;
}

void resetEditor(Form& form) {
    form.currentLineIndex = -1;
    form.invalidInputs.clear();
    // A new line starts with the default unit and category.
    form.lastUnitCode = form.unitCode;
    form.lineEditBuffer = LineItem{};
    form.lineEditBuffer.unitCode = form.unitCode;
    form.lineEditBuffer.lineTaxCategory = newTaxCategory;
}

void resetForm(Form& form) {
    resetDocument(form);
    resetEditor(form);
}

namespace {

// Everything the page "Lieferant" shows, which "Neu" carries over into the
// next document. A field added to that page is added here.
void keepSupplierPage(InvoiceDocument& next, const InvoiceDocument& previous) {
    next.supplier = previous.supplier;
    for (std::string InvoiceDocument::*field :
         {&InvoiceDocument::paymentMeansCode, &InvoiceDocument::bankName, &InvoiceDocument::iban,
          &InvoiceDocument::bic, &InvoiceDocument::creditorId})
        next.*field = previous.*field;
    // The further accounts paid into stay too; what belongs to one invoice
    // (a text, a card, a mandate, the account debited) goes.
    for (const PaymentMeansEntry& means : previous.furtherPaymentMeans) {
        PaymentMeansEntry account;
        account.code = means.code;
        account.iban = means.iban;
        account.accountName = means.accountName;
        account.bic = means.bic;
        if (!account.iban.empty() || !account.accountName.empty() || !account.bic.empty())
            next.furtherPaymentMeans.push_back(std::move(account));
    }
}

} // namespace

void startNewDocument(Form& form) {
    const InvoiceDocument previous = std::move(form.doc);
    // A text of that page that could not be taken stays named by the check.
    std::map<FieldId, std::string> invalidKept;
    for (const auto& [field, reason] : form.invalidInputs)
        if (pageOf(field) == "Lieferant")
            invalidKept.emplace(field, reason);
    resetForm(form);
    keepSupplierPage(form.doc, previous);
    form.invalidInputs = std::move(invalidKept);
    // Nothing of the previous allowance or totals may linger.
    form.amounts = AmountState{};
    recomputeLines(form);
    recomputeTotals(form);
    form.currentFileName.clear();
    // A new document is written in the syntax of the settings.
    form.syntax = form.lists.defaultSyntax;
}

} // namespace tallomir
