#include "model.h"

#include "amounts.h"
#include "dates.h"

#include <cstddef>

namespace tallomir {

PaymentKind paymentKind(const std::string& code) {
    if (code == "30" || code == "58")
        return PaymentKind::CreditTransfer;
    if (code == "59")
        return PaymentKind::DirectDebit;
    if (code == "48" || code == "54" || code == "55")
        return PaymentKind::Card;
    return PaymentKind::Other;
}

std::string versionName(XRechnungVersion version) {
    return version == XRechnungVersion::V3_0 ? "XRechnung 3.0" : "XRechnung 2.1.1";
}

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
        {"SEPA-Überweisung", "58"}, {"SEPA-Lastschrift", "59"}, {"Überweisung", "30"}, {"Lastschrift", "49"},
        {"Bankkarte", "48"},        {"Kreditkarte", "54"},      {"Debitkarte", "55"},
    };
    // Each text is what the file gives as the reason of the exemption.
    lists.taxCategories = {
        {"Standard USt.", "S"},
        {"steuerfreie innergem. Lieferung", "K"},
        {"steuerfreie nicht EU Lieferung", "G"},
        {"Keine Umsatzsteuer, da Kleinunternehmer gemäß § 19 UStG", "E"},
        {"Steuerfreie Leistung gemäß § 4 UStG", "E"},
        {"Steuerschuldnerschaft des Leistungsempfängers gemäß § 13b UStG", "AE"},
        {"Nullsteuersatz gemäß § 12 Abs. 3 UStG", "Z"},
        {"Nicht steuerbarer Umsatz", "O"},
    };
    lists.unitCodes = {
        {"Stück", "C62"},          {"Stunde", "HUR"},   {"Tag", "DAY"},          {"Monat", "MON"},
        {"Kilogramm", "KGM"},      {"Meter", "MTR"},    {"Quadratmeter", "MTK"}, {"Liter", "LTR"},
        {"Kilowattstunde", "KWH"}, {"Pauschale", "LS"},
    };
    lists.currencies = {"EUR", "CHF", "GBP", "USD"};
    lists.vatRates = {Decimal::fromInt(19), Decimal::fromInt(7), Decimal::fromInt(0)};
    lists.paymentTermsTexts = {"14 Tage rein netto", "14 Tage 2% Skonto", "Nach Rechnungsstellung rein netto",
                               "", ""};
    lists.endpointSchemes = {
        {"E-Mail", "EM"}, {"Leitweg-ID", "0204"}, {"USt-IdNr.", "9930"}, {"GLN", "0088"}};
    lists.validators = {CodeLists::ValidatorSetup{"validationtool-1.4.2-standalone.jar", "scenarios.xml", ""},
                        CodeLists::ValidatorSetup{"validator-1.6.0-standalone.jar",
                                                  "xrechnung-3.0/scenarios.xml", "xrechnung-3.0"}};
    lists.numberRanges = {{"", "RE-{JJJJ}-{NNNN}"}};
    return lists;
}

void resetDocument(DocumentState& state) {
    const CodeLists& lists = state.lists;

    state.lines.clear();
    state.vatBreakdown.clear();
    state.exemptionReasons.clear();
    state.exemptionReasonCodes.clear();
    state.notCarried.clear();

    state.doc = InvoiceDocument{};

    const std::string defaultPaymentMeans =
        lists.paymentMeans.empty() ? std::string() : lists.paymentMeans[0].code;
    state.documentCurrency = lists.currencies.empty() ? std::string() : lists.currencies[0];
    state.unitCode = lists.unitCodes.empty() ? std::string() : lists.unitCodes[0].code;
    state.defaultTaxScheme = "VAT";
    state.documentTaxCategory = newTaxCategory;

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
    // The version stays through a reset: a new document and a file that
    // names no version keep the one shown.
    state.xrechnungVersion = lists.defaultVersion;
    state.syntax = lists.defaultSyntax;
    resetDocument(state);
    return state;
}

const std::string& lineUnitCode(const DocumentState& state, const LineItem& line) {
    return line.unitCode.empty() ? state.unitCode : line.unitCode;
}

std::string unitText(const CodeLists& lists, const std::string& code) {
    const int index = findCode(lists.unitCodes, code);
    return index < 0 ? code : lists.unitCodes[static_cast<std::size_t>(index)].text;
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

bool hasDeliveryAddress(const DeliveryFields& d) {
    for (const std::string* text :
         {&d.street, &d.additionalStreet, &d.addressLine3, &d.city, &d.postalCode, &d.region, &d.countryCode})
        if (!text->empty())
            return true;
    return false;
}

bool hasTaxRepresentativeAddress(const InvoiceDocument& d) {
    for (const std::string* text :
         {&d.taxRepresentativeStreet, &d.taxRepresentativeAdditionalStreet, &d.taxRepresentativeAddressLine3,
          &d.taxRepresentativeCity, &d.taxRepresentativePostalCode, &d.taxRepresentativeRegion,
          &d.taxRepresentativeCountryCode})
        if (!text->empty())
            return true;
    return false;
}

} // namespace tallomir
