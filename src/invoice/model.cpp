#include "model.h"

#include "dates.h"

#include <cstddef>

namespace tallomir {

std::string windowTitle() {
    return std::string(programName) + " Ver. " + programVersion;
}

CodeLists defaultCodeLists() {
    CodeLists lists;
    lists.documentTypes = {
        {"Rechnung", "380"},
        {"korrigierte Rechnung", "384"},
        {"Gutschrift", "381"},
    };
    lists.paymentMeans = {
        {"SEPA-Überweisung", "58"},
        {"SEPA-Lastschrift", "59"},
        {"Überweisung", "30"},
        {"Lastschrift", "49"},
    };
    // Each text is what the file gives as the reason of the exemption.
    lists.taxCategories = {
        {"Standard USt.", "S"},
        {"steuerfreie innergem. Lieferung", "K"},
        {"steuerfreie nicht EU Lieferung", "G"},
        {"Kein Ausweis von Umsatzsteuer, da Kleinunternehmer gemäß § 19 UStG", "E"},
        {"Steuerfreie Leistung gemäß § 4 UStG", "E"},
        {"Steuerschuldnerschaft des Leistungsempfängers gemäß § 13b UStG", "AE"},
        {"Nullsteuersatz gemäß § 12 Abs. 3 UStG", "Z"},
        {"Nicht steuerbarer Umsatz", "O"},
    };
    lists.unitCodes = {{"C62", "C62"}};
    lists.currencies = {"EUR", "CHF", "GBP", "USD"};
    lists.vatRates = {Decimal::fromInt(19), Decimal::fromInt(7), Decimal::fromInt(0)};
    lists.paymentTermsTexts = {"14 Tage rein netto", "14 Tage 2% Skonto", "Nach Rechnungsstellung rein netto",
                               "", ""};
    return lists;
}

void resetDocument(DocumentState& state) {
    const CodeLists& lists = state.lists;

    state.lines.clear();
    state.vatBreakdown.clear();
    state.exemptionReasons.clear();
    state.exemptionReasonCodes.clear();
    state.lineEditBuffer = LineItem{};
    state.currentLineIndex = -1;
    state.invalidInputs.clear();
    state.notCarried.clear();

    state.doc = InvoiceDocument{};

    const std::string defaultPaymentMeans =
        lists.paymentMeans.empty() ? std::string() : lists.paymentMeans[0].code;
    state.documentCurrency = lists.currencies.empty() ? std::string() : lists.currencies[0];
    state.unitCode = lists.unitCodes.empty() ? std::string() : lists.unitCodes[0].code;
    state.defaultTaxScheme = "VAT";
    state.documentTaxCategory = "S";
    state.lineEditBuffer.lineTaxCategory = state.documentTaxCategory;

    state.doc.documentTypeCode = lists.documentTypes.empty() ? std::string() : lists.documentTypes[0].code;

    state.doc.supplier.taxSchemeId = "VAT";
    state.doc.customer.taxSchemeId = "VAT";
    state.doc.taxCategoryCode = state.documentTaxCategory;

    state.doc.paymentMeansCode = defaultPaymentMeans;

    state.doc.issueDate = formatIsoDate(todayDate());

    state.doc.dueDate.clear();
    state.doc.deliveryDate.clear();
    state.doc.periodStart.clear();
    state.doc.periodEnd.clear();

    for (std::size_t i = 0; i < state.amounts.slots.size(); ++i)
        state.amounts.slots[i].rate = lists.vatRates[i];

    state.modified = false;
}

DocumentState makeDocumentState(const CodeLists& lists) {
    DocumentState state;
    state.lists = lists;
    resetDocument(state);
    return state;
}

std::vector<std::string> notCarriedTexts(const DocumentState& state) {
    std::vector<std::string> texts;
    for (const NotCarriedItem& item : state.notCarried)
        texts.push_back(item.text);
    return texts;
}

int findCode(const std::vector<CodeEntry>& list, std::string_view code) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].code == code)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace tallomir
