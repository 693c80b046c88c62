// The rules applied when a form field is left, a selection or a date changes,
// and the mandatory check before "Speichern".

#include "invoice/amounts.h"
#include "invoice/input_rules.h"
#include "invoice/line_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tallomir {
namespace {

DocumentState freshState() {
    DocumentState state = makeDocumentState(defaultCodeLists());
    state.modified = false;
    return state;
}

void addLineOf(DocumentState& state, const std::string& quantity, const std::string& price,
               const std::string& rate) {
    leaveLineField(state, LineField::Quantity, quantity);
    leaveLineField(state, LineField::UnitPrice, price);
    leaveLineField(state, LineField::VatPercent, rate);
    addLine(state);
}

TEST(TextFields, EachFieldReachesOnlyItsOwnDocumentFieldAsTyped) {
    DocumentState state = freshState();
    InvoiceDocument d = state.doc; // the expected document; each target points into it
    const std::pair<FieldId, std::string*> targets[] = {
        {FieldId::DocumentNumber, &d.documentNumber},
        {FieldId::OrderNumber, &d.orderNumber},
        {FieldId::SalesOrderNumber, &d.salesOrderNumber},
        {FieldId::ContractNumber, &d.contractNumber},
        {FieldId::ProjectNumber, &d.projectNumber},
        {FieldId::Note, &d.note},
        {FieldId::PaymentTerms, &d.paymentTerms},
        {FieldId::SupplierPartyId, &d.supplier.partyId},
        {FieldId::SupplierName, &d.supplier.name},
        {FieldId::SupplierStreet, &d.supplier.street},
        {FieldId::SupplierCity, &d.supplier.city},
        {FieldId::SupplierPostalCode, &d.supplier.postalCode},
        {FieldId::SupplierVatId, &d.supplier.vatId},
        {FieldId::SupplierRegistrationName, &d.supplier.registrationName},
        {FieldId::SupplierRegistrationId, &d.supplier.registrationId},
        {FieldId::SupplierLegalForm, &d.supplier.legalForm},
        {FieldId::SupplierContactName, &d.supplier.contactName},
        {FieldId::SupplierPhone, &d.supplier.phone},
        {FieldId::SupplierEmail, &d.supplier.email},
        {FieldId::BankName, &d.bankName},
        {FieldId::Iban, &d.iban},
        {FieldId::Bic, &d.bic},
        {FieldId::CustomerPartyId, &d.customer.partyId},
        {FieldId::CustomerName, &d.customer.name},
        {FieldId::CustomerStreet, &d.customer.street},
        {FieldId::CustomerCity, &d.customer.city},
        {FieldId::CustomerPostalCode, &d.customer.postalCode},
        {FieldId::CustomerVatId, &d.customer.vatId},
        {FieldId::CustomerRegistrationName, &d.customer.registrationName},
        {FieldId::CustomerRegistrationId, &d.customer.registrationId},
        {FieldId::CustomerContactName, &d.customer.contactName},
        {FieldId::CustomerPhone, &d.customer.phone},
        {FieldId::CustomerEmail, &d.customer.email},
        {FieldId::DeliveryName, &d.delivery.name},
        {FieldId::DeliveryStreet, &d.delivery.street},
        {FieldId::DeliveryCity, &d.delivery.city},
        {FieldId::DeliveryPostalCode, &d.delivery.postalCode}};
    for (const auto& [id, target] : targets) {
        SCOPED_TRACE(static_cast<int>(id));
        const std::string before = *target;
        const std::string number = std::to_string(static_cast<int>(id));
        const std::string text = " Zeile " + number + "\r\n  zwei\t";
        // Only the note keeps its line break (as LF); a single-line field
        // makes each break and tab one blank.
        *target = id == FieldId::Note ? " Zeile " + number + "\n  zwei\t" : " Zeile " + number + "   zwei ";
        // A party without an electronic address takes its e-mail, as an e-mail address.
        PartyFields* emailOf = id == FieldId::SupplierEmail   ? &d.supplier
                               : id == FieldId::CustomerEmail ? &d.customer
                                                              : nullptr;
        if (emailOf != nullptr) {
            emailOf->endpointId = *target;
            emailOf->endpointScheme = "EM";
        }
        state = freshState();
        leaveTextField(state, id, text);
        EXPECT_EQ(state.doc, d);
        EXPECT_TRUE(state.modified);
        state.modified = false;
        leaveTextField(state, id, text); // the same text again is no change
        EXPECT_FALSE(state.modified);
        if (emailOf != nullptr)
            emailOf->endpointId = emailOf->endpointScheme = "";
        *target = before;
    }
}

TEST(TextFields, ReadOnlyFooterFieldsChangeNothing) {
    DocumentState state = freshState();
    addLineOf(state, "1", "100", "19");
    state.modified = false;
    const InvoiceDocument before = state.doc;
    for (FieldId id : {FieldId::PayableTotal, FieldId::TaxTotal, FieldId::LinesTotal, FieldId::Row1Tax})
        EXPECT_FALSE(leaveTextField(state, id, "999.99").totalsChanged);
    EXPECT_EQ(state.doc, before);
    EXPECT_EQ(state.doc.payableAmount, "119.00");
    EXPECT_FALSE(state.modified);
}

TEST(TextFields, BuyerReferenceLosesItsBlanksAndOnlyBlanksAreEmpty) {
    DocumentState state = freshState();
    leaveTextField(state, FieldId::BuyerReference, " 04011000 12345 67 ");
    EXPECT_EQ(state.doc.buyerReference, "040110001234567");
    leaveTextField(state, FieldId::BuyerReference, "   ");
    EXPECT_EQ(state.doc.buyerReference, "");
}

TEST(TextFields, CountryCodeOfOtherThanTwoCharactersShowsTheBoxAndIsKept) {
    const std::pair<const char*, bool> cases[] = {{"DEU", true}, {"deu", true}, {"F", true},  {"Ä", true},
                                                  {"DE", false}, {"", false},   {"ÄÖ", false}};
    DocumentState state = freshState();
    for (FieldId id :
         {FieldId::SupplierCountryCode, FieldId::CustomerCountryCode, FieldId::DeliveryCountryCode}) {
        for (const auto& [text, box] : cases) {
            SCOPED_TRACE(text);
            // The box comes again at every focus loss.
            for (int time = 0; time < 2; ++time) {
                const RuleOutcome outcome = leaveTextField(state, id, text);
                EXPECT_EQ(outcome.messageTitle, box ? "Land Kurzbezeichnung" : "");
                EXPECT_EQ(outcome.messageText, box ? "Bitte nur 2 Zeichen z.B.: DE" : "");
            }
            const std::string& stored = id == FieldId::SupplierCountryCode   ? state.doc.supplier.countryCode
                                        : id == FieldId::CustomerCountryCode ? state.doc.customer.countryCode
                                                                             : state.doc.delivery.countryCode;
            EXPECT_EQ(stored, text);
        }
    }
}

TEST(Selections, CreditNoteEmptiesTheDueDateForGood) {
    DocumentState state = freshState();
    changeDate(state, FieldId::DueDate, parseIsoDate("2024-05-31"));
    EXPECT_FALSE(selectEntry(state, FieldId::DocumentType, 1).dueDateCleared);
    EXPECT_EQ(state.doc.documentTypeCode, "384");
    EXPECT_EQ(state.doc.dueDate, "2024-05-31");

    EXPECT_TRUE(selectEntry(state, FieldId::DocumentType, 2).dueDateCleared);
    EXPECT_EQ(state.doc.documentTypeCode, "381");
    EXPECT_EQ(state.doc.dueDate, "");
    EXPECT_FALSE(selectEntry(state, FieldId::DocumentType, 0).dueDateCleared);
    EXPECT_EQ(state.doc.documentTypeCode, "380");
    EXPECT_EQ(state.doc.dueDate, "");
}

TEST(Selections, CurrencyRecomputesAndTaxCategoryLeavesStoredLinesAlone) {
    DocumentState state = freshState();
    addLineOf(state, "1", "10", "0");
    state.modified = false;
    const RuleOutcome currency = selectEntry(state, FieldId::Currency, 1);
    EXPECT_EQ(state.documentCurrency, "CHF");
    EXPECT_TRUE(currency.totalsChanged);
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(state.footer.currency, "CHF");
    EXPECT_EQ(lineListCell(state, 0, CurrencyColumn), "CHF");
}

// A new "Steuerkennung" takes the lines of the previous one with it (with the
// rate that fits) and the line being typed; lines set otherwise keep theirs.
TEST(Selections, TaxCategoryTakesTheLinesOfThePreviousOneAlong) {
    DocumentState state = freshState();
    addLineOf(state, "1", "10", "19");
    leaveLineField(state, LineField::UnitPrice, "5");
    chooseLineCategory(state, 6); // "Nullsteuersatz" Z, at 0 %
    addLine(state);
    leaveLineField(state, LineField::VatPercent, "19");
    const RuleOutcome outcome = selectEntry(state, FieldId::TaxCategory, 3); // Kleinunternehmer
    EXPECT_TRUE(outcome.totalsChanged && outcome.linesChanged);
    EXPECT_EQ(state.documentTaxCategory, "E");
    const auto categoryAndRate = [](const LineItem& line) {
        return line.lineTaxCategory + line.lineVatPercent;
    };
    EXPECT_EQ(categoryAndRate(state.lines[0]) + " " + categoryAndRate(state.lines[1]) + " " +
                  categoryAndRate(state.lineEditBuffer),
              "E0.00 Z0.00 E0.00");
    EXPECT_EQ(state.vatBreakdown[0].exemptionReason,
              "Keine Umsatzsteuer, da Kleinunternehmer gemäß § 19 UStG");
    // The other exempt entry keeps the category and gives its own reason; O has no rate.
    selectEntry(state, FieldId::TaxCategory, 4);
    EXPECT_EQ(state.vatBreakdown[0].exemptionReason, "Steuerfreie Leistung gemäß § 4 UStG");
    selectEntry(state, FieldId::TaxCategory, 7);
    EXPECT_EQ(categoryAndRate(state.lines[0]) + " " + categoryAndRate(state.lines[1]), "O Z0.00");
}

TEST(Selections, PaymentTermsTypedOrPickedFromThreeProposals) {
    DocumentState state = freshState();
    leaveTextField(state, FieldId::PaymentTerms, "30 Tage netto");
    EXPECT_EQ(state.doc.paymentTerms, "30 Tage netto");
    selectEntry(state, FieldId::PaymentTerms, 1);
    EXPECT_EQ(state.doc.paymentTerms, "14 Tage 2% Skonto");
    selectEntry(state, FieldId::PaymentTerms, 3);
    EXPECT_EQ(state.doc.paymentTerms, "14 Tage 2% Skonto");
}

TEST(Selections, IndexOutsideTheListChangesNothing) {
    DocumentState state = freshState();
    const DocumentState before = state;
    const std::pair<FieldId, int> lists[] = {{FieldId::DocumentType, 3},
                                             {FieldId::Currency, 4},
                                             {FieldId::TaxCategory, 8},
                                             {FieldId::PaymentMeans, 7},
                                             {FieldId::AllowanceSlot, 3}};
    for (const auto& [id, size] : lists)
        for (int index : {-1, size, 99}) {
            const RuleOutcome outcome = selectEntry(state, id, index);
            EXPECT_FALSE(outcome.totalsChanged || outcome.dueDateCleared);
        }
    EXPECT_EQ(state.doc, before.doc);
    EXPECT_EQ(state.documentCurrency + state.documentTaxCategory, "EURS");
    EXPECT_EQ(state.footer.allowanceSlot, 0);
    EXPECT_FALSE(state.modified);
}

TEST(Dates, ChosenDateIsStoredAndClearedDateEmptied) {
    DocumentState state = freshState();
    changeDate(state, FieldId::IssueDate, parseIsoDate("2023-12-24"));
    changeDate(state, FieldId::DueDate, parseIsoDate("2023-12-24"));
    changeDate(state, FieldId::DeliveryDate, parseIsoDate("2023-12-1"));
    changeDate(state, FieldId::PeriodStart, parseIsoDate("2023-11-01"));
    changeDate(state, FieldId::PeriodEnd, parseIsoDate("2023-11-30"));
    const InvoiceDocument& d = state.doc;
    EXPECT_EQ(d.issueDate + d.dueDate + d.deliveryDate + d.periodStart + d.periodEnd,
              "2023-12-242023-12-242023-12-012023-11-012023-11-30");
    EXPECT_TRUE(state.modified);
    changeDate(state, FieldId::PeriodEnd, noDate);
    EXPECT_EQ(d.periodStart + "|" + d.periodEnd, "2023-11-01|");
}

TEST(AllowanceRow, FieldsReachTheAmountsWithTheShownRate) {
    DocumentState state = freshState();
    addLineOf(state, "1", "100", "19");
    addLineOf(state, "1", "50", "7");
    state.modified = false;
    EXPECT_TRUE(leaveTextField(state, FieldId::AllowanceValue, "-10").totalsChanged);
    EXPECT_TRUE(state.modified);
    const InvoiceDocument& d = state.doc;
    EXPECT_EQ(d.allowanceTaxPercent + " " + d.allowanceTaxCategory + " " + d.allowanceTaxScheme + " " +
                  d.payableAmount,
              "19.00 S VAT 160.60");
    EXPECT_TRUE(selectEntry(state, FieldId::AllowanceSlot, 1).totalsChanged);
    EXPECT_EQ(d.payableAmount, "161.80"); // -10 now at 7 %
    EXPECT_TRUE(leaveTextField(state, FieldId::AllowancePercent, "10").totalsChanged);
    EXPECT_EQ(d.chargeIndicator + " " + d.allowanceTaxPercent + " " + d.payableAmount, "true 7.00 188.55");
    EXPECT_TRUE(leaveTextField(state, FieldId::AllowanceReason, "Treuerabatt").totalsChanged);
    EXPECT_EQ(d.allowanceReason, "Treuerabatt");
}

} // namespace
} // namespace tallomir
