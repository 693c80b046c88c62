#include "invoice/amounts.h"
#include "invoice/input_rules.h"
#include "invoice/line_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tallomir {
namespace {

DocumentState freshState() {
    DocumentState state = makeDocumentState(defaultCodeLists());
    state.modified = false;
    return state;
}

// The sixteen fields that "Speichern" insists on, each with the control that fills it.
const std::vector<FieldId>& mandatoryControls() {
    static const std::vector<FieldId> ids = {
        FieldId::BuyerReference,
        FieldId::DocumentNumber,
        FieldId::CustomerPartyId,
        FieldId::CustomerRegistrationName,
        FieldId::CustomerCity,
        FieldId::CustomerPostalCode,
        FieldId::CustomerCountryCode,
        FieldId::SupplierPartyId,
        FieldId::SupplierRegistrationName,
        FieldId::SupplierVatId,
        FieldId::SupplierCity,
        FieldId::SupplierPostalCode,
        FieldId::SupplierCountryCode,
        FieldId::SupplierEmail,
        FieldId::SupplierContactName,
        FieldId::Iban,
    };
    return ids;
}

void fillMandatoryFields(DocumentState& state) {
    for (FieldId id : mandatoryControls())
        leaveTextField(state, id, "DE");
}

void addLineOf(DocumentState& state, const std::string& quantity, const std::string& price,
               const std::string& rate) {
    leaveLineField(state, LineField::Quantity, quantity);
    leaveLineField(state, LineField::UnitPrice, price);
    leaveLineField(state, LineField::VatPercent, rate);
    addLine(state);
}

// ---- plain text fields -------------------------------------------------------

struct TextTarget {
    FieldId id;
    std::function<const std::string&(const InvoiceDocument&)> field;
};

TEST(TextFields, EachFieldReachesItsOwnDocumentField) {
    const std::vector<TextTarget> targets = {
        {FieldId::DocumentNumber,
         [](const InvoiceDocument& d) -> const std::string& { return d.documentNumber; }},
        {FieldId::OrderNumber, [](const InvoiceDocument& d) -> const std::string& { return d.orderNumber; }},
        {FieldId::SalesOrderNumber,
         [](const InvoiceDocument& d) -> const std::string& { return d.salesOrderNumber; }},
        {FieldId::ContractNumber,
         [](const InvoiceDocument& d) -> const std::string& { return d.contractNumber; }},
        {FieldId::ProjectNumber,
         [](const InvoiceDocument& d) -> const std::string& { return d.projectNumber; }},
        {FieldId::Note, [](const InvoiceDocument& d) -> const std::string& { return d.note; }},
        {FieldId::PaymentTerms,
         [](const InvoiceDocument& d) -> const std::string& { return d.paymentTerms; }},
        {FieldId::SupplierPartyId,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.partyId; }},
        {FieldId::SupplierName,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.name; }},
        {FieldId::SupplierStreet,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.street; }},
        {FieldId::SupplierCity,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.city; }},
        {FieldId::SupplierPostalCode,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.postalCode; }},
        {FieldId::SupplierVatId,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.vatId; }},
        {FieldId::SupplierRegistrationName,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.registrationName; }},
        {FieldId::SupplierRegistrationId,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.registrationId; }},
        {FieldId::SupplierLegalForm,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.legalForm; }},
        {FieldId::SupplierContactName,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.contactName; }},
        {FieldId::SupplierPhone,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.phone; }},
        {FieldId::SupplierEmail,
         [](const InvoiceDocument& d) -> const std::string& { return d.supplier.email; }},
        {FieldId::BankName, [](const InvoiceDocument& d) -> const std::string& { return d.bankName; }},
        {FieldId::Iban, [](const InvoiceDocument& d) -> const std::string& { return d.iban; }},
        {FieldId::Bic, [](const InvoiceDocument& d) -> const std::string& { return d.bic; }},
        {FieldId::CustomerPartyId,
         [](const InvoiceDocument& d) -> const std::string& { return d.customer.partyId; }},
        {FieldId::CustomerName,
         [](const InvoiceDocument& d) -> const std::string& { return d.customer.name; }},
        {FieldId::CustomerStreet,
         [](const InvoiceDocument& d) -> const std::string& { return d.customer.street; }},
        {FieldId::CustomerCity,
         [](const InvoiceDocument& d) -> const std::string& { return d.customer.city; }},
        {FieldId::CustomerPostalCode,
         [](const InvoiceDocument& d) -> const std::string& { return d.customer.postalCode; }},
        {FieldId::CustomerVatId,
         [](const InvoiceDocument& d) -> const std::string& { return d.customer.vatId; }},
        {FieldId::CustomerRegistrationName,
         [](const InvoiceDocument& d) -> const std::string& { return d.customer.registrationName; }},
        {FieldId::CustomerRegistrationId,
         [](const InvoiceDocument& d) -> const std::string& { return d.customer.registrationId; }},
        {FieldId::CustomerContactName,
         [](const InvoiceDocument& d) -> const std::string& { return d.customer.contactName; }},
        {FieldId::CustomerPhone,
         [](const InvoiceDocument& d) -> const std::string& { return d.customer.phone; }},
        {FieldId::CustomerEmail,
         [](const InvoiceDocument& d) -> const std::string& { return d.customer.email; }},
        {FieldId::DeliveryName,
         [](const InvoiceDocument& d) -> const std::string& { return d.delivery.name; }},
        {FieldId::DeliveryStreet,
         [](const InvoiceDocument& d) -> const std::string& { return d.delivery.street; }},
        {FieldId::DeliveryCity,
         [](const InvoiceDocument& d) -> const std::string& { return d.delivery.city; }},
        {FieldId::DeliveryPostalCode,
         [](const InvoiceDocument& d) -> const std::string& { return d.delivery.postalCode; }},
    };

    DocumentState state = freshState();
    // Every field gets a text of its own, so a field mapped twice or to the
    // wrong target shows up as a wrong text below.
    for (const TextTarget& t : targets)
        leaveTextField(state, t.id, " Wert " + std::to_string(static_cast<int>(t.id)) + " ");
    for (const TextTarget& t : targets) {
        SCOPED_TRACE(static_cast<int>(t.id));
        EXPECT_EQ(t.field(state.doc), " Wert " + std::to_string(static_cast<int>(t.id)) + " ");
    }
}

TEST(TextFields, MultiLineTextIsKeptAsTyped) {
    DocumentState state = freshState();
    leaveTextField(state, FieldId::Note, "Zeile 1\n  Zeile 2\n");
    EXPECT_EQ(state.doc.note, "Zeile 1\n  Zeile 2\n");
}

TEST(TextFields, ModifiedOnlyWhenTheTextChanged) {
    DocumentState state = freshState();
    leaveTextField(state, FieldId::DocumentNumber, "");
    EXPECT_FALSE(state.modified);
    leaveTextField(state, FieldId::DocumentNumber, "R-1");
    EXPECT_TRUE(state.modified);
    state.modified = false;
    leaveTextField(state, FieldId::DocumentNumber, "R-1");
    EXPECT_FALSE(state.modified);
}

TEST(TextFields, ReadOnlyFooterFieldsChangeNothing) {
    DocumentState state = freshState();
    addLineOf(state, "1", "100", "19");
    state.modified = false;
    const std::string payable = state.doc.payableAmount;
    const std::string taxTotal = state.doc.taxTotalAmount;
    for (FieldId id : {FieldId::PayableTotal, FieldId::TaxTotal, FieldId::LinesTotal, FieldId::Row1Tax}) {
        const RuleOutcome outcome = leaveTextField(state, id, "999.99");
        EXPECT_FALSE(outcome.totalsChanged);
    }
    EXPECT_EQ(state.doc.payableAmount, payable);
    EXPECT_EQ(state.doc.taxTotalAmount, taxTotal);
    EXPECT_EQ(payable, "119.00");
    EXPECT_FALSE(state.modified);
}

TEST(BuyerReference, BlanksAreRemoved) {
    DocumentState state = freshState();
    leaveTextField(state, FieldId::BuyerReference, " 04011000 12345 67 ");
    EXPECT_EQ(state.doc.buyerReference, "040110001234567");
    EXPECT_TRUE(state.modified);
}

TEST(BuyerReference, OnlyBlanksCountAsEmpty) {
    DocumentState state = freshState();
    fillMandatoryFields(state);
    leaveTextField(state, FieldId::BuyerReference, "   ");
    EXPECT_EQ(state.doc.buyerReference, "");
    EXPECT_FALSE(checkMandatoryFields(state).ok);
}

// ---- country codes -------------------------------------------------------------

TEST(CountryCode, ThreeLettersShowTheBoxAndAreKept) {
    for (FieldId id :
         {FieldId::SupplierCountryCode, FieldId::CustomerCountryCode, FieldId::DeliveryCountryCode}) {
        DocumentState state = freshState();
        const RuleOutcome outcome = leaveTextField(state, id, "DEU");
        EXPECT_EQ(outcome.messageTitle, "Land Kurzbezeichnung");
        EXPECT_EQ(outcome.messageText, "Bitte nur 2 Zeichen z.B.: DE");
        // The box comes again at every focus loss.
        EXPECT_EQ(leaveTextField(state, id, "DEU").messageTitle, "Land Kurzbezeichnung");
    }
    DocumentState state = freshState();
    leaveTextField(state, FieldId::SupplierCountryCode, "deu");
    leaveTextField(state, FieldId::CustomerCountryCode, "AUT");
    leaveTextField(state, FieldId::DeliveryCountryCode, "F");
    EXPECT_EQ(state.doc.supplier.countryCode, "deu");
    EXPECT_EQ(state.doc.customer.countryCode, "AUT");
    EXPECT_EQ(state.doc.delivery.countryCode, "F");
}

TEST(CountryCode, TwoCharactersOrNoneShowNoBox) {
    DocumentState state = freshState();
    EXPECT_TRUE(leaveTextField(state, FieldId::SupplierCountryCode, "DE").messageTitle.empty());
    EXPECT_TRUE(leaveTextField(state, FieldId::CustomerCountryCode, "").messageText.empty());
    // Two characters, four bytes.
    EXPECT_TRUE(leaveTextField(state, FieldId::DeliveryCountryCode, "ÄÖ").messageTitle.empty());
    EXPECT_EQ(state.doc.delivery.countryCode, "ÄÖ");
    // One character of two bytes.
    EXPECT_FALSE(leaveTextField(state, FieldId::DeliveryCountryCode, "Ä").messageTitle.empty());
}

TEST(CountryCode, EmptiedFieldShowsNoBoxButFailsTheCheck) {
    DocumentState state = freshState();
    fillMandatoryFields(state);
    ASSERT_TRUE(checkMandatoryFields(state).ok);
    EXPECT_TRUE(leaveTextField(state, FieldId::CustomerCountryCode, "").messageTitle.empty());
    EXPECT_FALSE(checkMandatoryFields(state).ok);
}

// ---- combo boxes -------------------------------------------------------------

TEST(DocumentType, CreditNoteEmptiesTheDueDate) {
    DocumentState state = freshState();
    changeDate(state, FieldId::DueDate, parseIsoDate("2024-05-31"));
    ASSERT_EQ(state.doc.dueDate, "2024-05-31");

    const RuleOutcome credit = selectEntry(state, FieldId::DocumentType, 2);
    EXPECT_EQ(state.doc.documentTypeCode, "381");
    EXPECT_EQ(state.doc.dueDate, "");
    EXPECT_TRUE(credit.dueDateCleared);

    // Another type afterwards does not bring the date back.
    const RuleOutcome invoice = selectEntry(state, FieldId::DocumentType, 0);
    EXPECT_EQ(state.doc.documentTypeCode, "380");
    EXPECT_EQ(state.doc.dueDate, "");
    EXPECT_FALSE(invoice.dueDateCleared);
}

TEST(DocumentType, CorrectedInvoiceKeepsTheDueDate) {
    DocumentState state = freshState();
    changeDate(state, FieldId::DueDate, parseIsoDate("2024-05-31"));
    const RuleOutcome outcome = selectEntry(state, FieldId::DocumentType, 1);
    EXPECT_EQ(state.doc.documentTypeCode, "384");
    EXPECT_EQ(state.doc.dueDate, "2024-05-31");
    EXPECT_FALSE(outcome.dueDateCleared);
}

TEST(Currency, SelectionSetsTheCurrencyAndRecomputes) {
    DocumentState state = freshState();
    addLineOf(state, "1", "10", "19");
    state.modified = false;
    const RuleOutcome outcome = selectEntry(state, FieldId::Currency, 1);
    EXPECT_EQ(state.documentCurrency, "CHF");
    EXPECT_TRUE(outcome.totalsChanged);
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(state.footer.currency, "CHF");
    EXPECT_EQ(lineListCell(state, 0, 8), "CHF");
}

TEST(TaxCategory, SelectionSetsTheCodeAndLeavesStoredLinesAlone) {
    DocumentState state = freshState();
    addLineOf(state, "1", "10", "0");
    const RuleOutcome outcome = selectEntry(state, FieldId::TaxCategory, 1);
    EXPECT_EQ(state.documentTaxCategory, "K");
    EXPECT_EQ(state.lines[0].lineTaxCategory, "S");
    EXPECT_FALSE(outcome.totalsChanged);
    selectEntry(state, FieldId::TaxCategory, 2);
    EXPECT_EQ(state.documentTaxCategory, "G");
}

TEST(PaymentMeans, TransferAndDebitAskForBankAndBic) {
    for (int index : {2, 3}) {
        DocumentState state = freshState();
        const RuleOutcome outcome = selectEntry(state, FieldId::PaymentMeans, index);
        EXPECT_EQ(state.doc.paymentMeansCode, index == 2 ? "30" : "49");
        EXPECT_TRUE(outcome.bankFieldsChanged);
        EXPECT_TRUE(outcome.bankFieldsMandatory);
        EXPECT_EQ(outcome.bankNameShown, "Bankname !");
        EXPECT_EQ(outcome.bicShown, "BIC !");
        // The document takes the bank texts only when their fields are left.
        EXPECT_EQ(state.doc.bankName, "");
        EXPECT_EQ(state.doc.bic, "");
    }
}

TEST(PaymentMeans, SepaEmptiesTheBankFieldsOnScreenOnly) {
    DocumentState state = freshState();
    selectEntry(state, FieldId::PaymentMeans, 2);
    leaveTextField(state, FieldId::BankName, "Bankname !");
    const RuleOutcome outcome = selectEntry(state, FieldId::PaymentMeans, 0);
    EXPECT_EQ(state.doc.paymentMeansCode, "58");
    EXPECT_TRUE(outcome.bankFieldsChanged);
    EXPECT_FALSE(outcome.bankFieldsMandatory);
    EXPECT_EQ(outcome.bankNameShown, "");
    EXPECT_EQ(outcome.bicShown, "");
    EXPECT_EQ(state.doc.bankName, "Bankname !");
}

TEST(PaymentTerms, TypedTextAndPickedProposal) {
    DocumentState state = freshState();
    leaveTextField(state, FieldId::PaymentTerms, "30 Tage netto");
    EXPECT_EQ(state.doc.paymentTerms, "30 Tage netto");
    selectEntry(state, FieldId::PaymentTerms, 1);
    EXPECT_EQ(state.doc.paymentTerms, "14 Tage 2% Skonto");
    // The combo offers three proposals only.
    selectEntry(state, FieldId::PaymentTerms, 3);
    EXPECT_EQ(state.doc.paymentTerms, "14 Tage 2% Skonto");
}

TEST(Selection, IndexOutsideTheListChangesNothing) {
    DocumentState state = freshState();
    for (FieldId id : {FieldId::DocumentType, FieldId::Currency, FieldId::TaxCategory, FieldId::PaymentMeans,
                       FieldId::AllowanceSlot}) {
        for (int index : {-1, 3, 99}) {
            if (index == 3 && (id == FieldId::Currency || id == FieldId::PaymentMeans))
                continue; // the fourth entry exists there
            const RuleOutcome outcome = selectEntry(state, id, index);
            EXPECT_FALSE(outcome.totalsChanged);
            EXPECT_FALSE(outcome.bankFieldsChanged);
            EXPECT_FALSE(outcome.dueDateCleared);
        }
    }
    EXPECT_EQ(state.doc.documentTypeCode, "380");
    EXPECT_EQ(state.documentCurrency, "EUR");
    EXPECT_EQ(state.documentTaxCategory, "S");
    EXPECT_EQ(state.doc.paymentMeansCode, "58");
    EXPECT_EQ(state.doc.allowanceTaxPercent, "");
    EXPECT_FALSE(state.modified);
}

// ---- dates -------------------------------------------------------------------

TEST(Dates, ChosenDateIsStoredAndClearedDateEmptied) {
    DocumentState state = freshState();
    const DateValue date = parseIsoDate("2023-12-24");
    changeDate(state, FieldId::IssueDate, date);
    changeDate(state, FieldId::DueDate, date);
    changeDate(state, FieldId::DeliveryDate, parseIsoDate("2023-12-1"));
    changeDate(state, FieldId::PeriodStart, parseIsoDate("2023-11-01"));
    changeDate(state, FieldId::PeriodEnd, parseIsoDate("2023-11-30"));
    EXPECT_EQ(state.doc.issueDate, "2023-12-24");
    EXPECT_EQ(state.doc.dueDate, "2023-12-24");
    EXPECT_EQ(state.doc.deliveryDate, "2023-12-01");
    EXPECT_EQ(state.doc.periodStart, "2023-11-01");
    EXPECT_EQ(state.doc.periodEnd, "2023-11-30");
    EXPECT_TRUE(state.modified);

    changeDate(state, FieldId::PeriodEnd, noDate);
    EXPECT_EQ(state.doc.periodEnd, "");
    EXPECT_EQ(state.doc.periodStart, "2023-11-01");
}

// ---- allowance or charge -------------------------------------------------------

TEST(Allowance, ValueWithoutChosenRateTakesTheShownRate) {
    DocumentState state = freshState();
    addLineOf(state, "1", "100", "19");
    addLineOf(state, "1", "50", "7");
    state.modified = false;

    const RuleOutcome outcome = leaveTextField(state, FieldId::AllowanceValue, "-10");
    EXPECT_TRUE(outcome.totalsChanged);
    EXPECT_TRUE(state.modified);
    EXPECT_EQ(state.amounts.allowanceRate, Decimal::fromInt(19));
    EXPECT_EQ(state.doc.allowanceTaxPercent, "19.00");
    EXPECT_EQ(state.doc.allowanceTaxCategory, "S");
    EXPECT_EQ(state.doc.allowanceTaxScheme, "VAT");
    EXPECT_EQ(state.doc.chargeIndicator, "false");
    EXPECT_EQ(state.doc.allowanceAmount, "10.00");
    EXPECT_EQ(state.doc.taxExclusiveAmount, "140.00");
    EXPECT_EQ(state.doc.payableAmount, "160.60");
}

TEST(Allowance, PercentageWithoutChosenRateTakesTheShownRate) {
    DocumentState state = freshState();
    addLineOf(state, "1", "100", "19");
    leaveTextField(state, FieldId::AllowancePercent, "10");
    EXPECT_EQ(state.doc.allowanceTaxPercent, "19.00");
    EXPECT_EQ(state.doc.allowanceTaxCategory, "S");
    EXPECT_EQ(state.doc.taxExclusiveAmount, "110.00");
}

TEST(Allowance, ChosenRateIsKept) {
    DocumentState state = freshState();
    addLineOf(state, "1", "100", "19");
    addLineOf(state, "1", "50", "7");
    const RuleOutcome chosen = selectEntry(state, FieldId::AllowanceSlot, 1);
    EXPECT_TRUE(chosen.totalsChanged);
    leaveTextField(state, FieldId::AllowancePercent, "10");
    EXPECT_EQ(state.doc.allowanceTaxPercent, "7.00");
    EXPECT_EQ(state.doc.chargeIndicator, "true");
    EXPECT_EQ(state.doc.taxExclusiveAmount, "165.00");
    EXPECT_EQ(state.doc.payableAmount, "188.55");
}

TEST(Allowance, ReasonIsStored) {
    DocumentState state = freshState();
    const RuleOutcome outcome = leaveTextField(state, FieldId::AllowanceReason, "Treuerabatt");
    EXPECT_EQ(state.doc.allowanceReason, "Treuerabatt");
    EXPECT_TRUE(state.modified);
    EXPECT_TRUE(outcome.totalsChanged);
}

// ---- mandatory check -----------------------------------------------------------

TEST(MandatoryCheck, AllSixteenButPhoneFilledPasses) {
    DocumentState state = freshState();
    fillMandatoryFields(state);
    EXPECT_EQ(state.doc.supplier.phone, "");
    const MandatoryCheck check = checkMandatoryFields(state);
    EXPECT_TRUE(check.ok);
    EXPECT_TRUE(check.title.empty());
}

TEST(MandatoryCheck, EachOfTheSixteenIsRequired) {
    for (FieldId missing : mandatoryControls()) {
        SCOPED_TRACE(static_cast<int>(missing));
        DocumentState state = freshState();
        fillMandatoryFields(state);
        leaveTextField(state, missing, "");
        const MandatoryCheck check = checkMandatoryFields(state);
        EXPECT_FALSE(check.ok);
        EXPECT_EQ(check.title, "Pflichtfelder");
        EXPECT_EQ(check.text, "nicht alle Pflichtfelder ausgefüllt");
    }
}

TEST(MandatoryCheck, OnlyEmptinessIsTested) {
    DocumentState state = freshState();
    fillMandatoryFields(state);
    leaveTextField(state, FieldId::DocumentNumber, "   ");
    leaveTextField(state, FieldId::SupplierCountryCode, "DEU");
    // Dates, type and currency carry a star but are not checked.
    changeDate(state, FieldId::IssueDate, noDate);
    EXPECT_TRUE(checkMandatoryFields(state).ok);
}

TEST(MandatoryCheck, AllowanceWithoutReasonFails) {
    DocumentState state = freshState();
    fillMandatoryFields(state);
    addLineOf(state, "1", "100", "19");
    leaveTextField(state, FieldId::AllowanceValue, "-10");
    const MandatoryCheck check = checkMandatoryFields(state);
    EXPECT_FALSE(check.ok);
    EXPECT_EQ(check.title, "Pflichtfelder");
    EXPECT_EQ(check.text, "Bitte einen Grund für den Nachlass / Zuschlag angeben.");

    leaveTextField(state, FieldId::AllowanceReason, "Rabatt");
    EXPECT_TRUE(checkMandatoryFields(state).ok);
}

TEST(MandatoryCheck, ChargeByPercentageWithoutReasonFails) {
    DocumentState state = freshState();
    fillMandatoryFields(state);
    addLineOf(state, "1", "100", "19");
    leaveTextField(state, FieldId::AllowancePercent, "5");
    EXPECT_FALSE(checkMandatoryFields(state).ok);
}

TEST(MandatoryCheck, ValueBackAtZeroNeedsNoReason) {
    DocumentState state = freshState();
    fillMandatoryFields(state);
    addLineOf(state, "1", "100", "19");
    leaveTextField(state, FieldId::AllowanceValue, "-10");
    leaveTextField(state, FieldId::AllowanceValue, "0");
    EXPECT_TRUE(checkMandatoryFields(state).ok);
}

TEST(MandatoryCheck, MissingFieldIsReportedBeforeTheReason) {
    DocumentState state = freshState();
    addLineOf(state, "1", "100", "19");
    leaveTextField(state, FieldId::AllowanceValue, "-10");
    EXPECT_EQ(checkMandatoryFields(state).text, "nicht alle Pflichtfelder ausgefüllt");
}

} // namespace
} // namespace tallomir
