// The rules applied when a form field is left, a selection or a date changes.

#include "form/footer.h"
#include "form/input_rules.h"
#include "form/line_list.h"
#include "invoice/amounts.h"
#include "invoice/identifiers.h"

#include <gtest/gtest.h>

#include <functional>

namespace tallomir {
namespace {

void addLineOf(Form& state, const std::string& quantity, const std::string& price, const std::string& rate) {
    leaveLineField(state, LineField::Quantity, quantity);
    leaveLineField(state, LineField::UnitPrice, price);
    leaveLineField(state, LineField::VatPercent, rate);
    addLine(state);
}

TEST(TextFields, EachFieldReachesOnlyItsOwnDocumentFieldAsTyped) {
    Form state = makeForm(defaultCodeLists());
    InvoiceDocument d = state.doc; // the expected document; each target points into it
    using enum FieldId;
    const FieldId documentIds[] = {BuyerReference,    DocumentNumber, OrderNumber,  SalesOrderNumber,
                                   ContractNumber,    ProjectNumber,  Note,         PaymentTerms,
                                   SupplierLegalForm, BankName,       Iban,         Bic,
                                   DeliveryName,      DeliveryStreet, DeliveryCity, DeliveryPostalCode};
    std::vector<std::pair<FieldId, std::string*>> targets;
    for (std::string* member :
         {&d.buyerReference, &d.documentNumber, &d.orderNumber, &d.salesOrderNumber, &d.contractNumber,
          &d.projectNumber, &d.note, &d.paymentTerms, &d.supplier.legalForm, &d.bankName, &d.iban, &d.bic,
          &d.delivery.name, &d.delivery.street, &d.delivery.city, &d.delivery.postalCode})
        targets.emplace_back(documentIds[targets.size()], member);
    using P = PartyFields;
    std::string P::*const members[] = {
        &P::partyId,          &P::name,           &P::street,      &P::city,  &P::postalCode, &P::vatId,
        &P::registrationName, &P::registrationId, &P::contactName, &P::phone, &P::email};
    std::size_t i = 0;
    for (FieldId id : {SupplierPartyId, SupplierName, SupplierStreet, SupplierCity, SupplierPostalCode,
                       SupplierVatId, SupplierRegistrationName, SupplierRegistrationId, SupplierContactName,
                       SupplierPhone, SupplierEmail})
        targets.emplace_back(id, &(d.supplier.*members[i++]));
    i = 0;
    for (FieldId id : {CustomerPartyId, CustomerName, CustomerStreet, CustomerCity, CustomerPostalCode,
                       CustomerVatId, CustomerRegistrationName, CustomerRegistrationId, CustomerContactName,
                       CustomerPhone, CustomerEmail})
        targets.emplace_back(id, &(d.customer.*members[i++]));
    for (const auto& [id, target] : targets) {
        SCOPED_TRACE(static_cast<int>(id));
        const std::string number = std::to_string(static_cast<int>(id));
        // Only the note keeps its line break (as LF); elsewhere each break and tab becomes one blank,
        // and the buyer reference, the IBAN and the VAT identifiers lose every blank.
        const bool compact = id == BuyerReference || id == Iban || id == SupplierVatId || id == CustomerVatId;
        *target = compact ? "Zeile" + number + "zwei"
                          : " Zeile " + number + (id == Note ? "\n  zwei\t" : "   zwei ");
        if (id == SupplierEmail || id == CustomerEmail) { // the e-mail is the missing electronic address
            PartyFields& party = id == SupplierEmail ? d.supplier : d.customer;
            party.endpointId = *target;
            party.endpointScheme = "EM";
        }
        state = makeForm(defaultCodeLists());
        leaveTextField(state, id, " Zeile " + number + "\r\n  zwei\t");
        EXPECT_EQ(state.doc, d);
        EXPECT_TRUE(state.modified);
        state.modified = false;
        leaveTextField(state, id, " Zeile " + number + "\r\n  zwei\t"); // the same text again is no change
        EXPECT_FALSE(state.modified);
        d = makeForm(defaultCodeLists()).doc;
    }
}

TEST(TextFields, CountryCodeOfOtherThanTwoCharactersShowsTheBoxAndIsKept) {
    const std::pair<const char*, bool> cases[] = {{"DEU", true}, {"F", true}, {"Ä", true},
                                                  {"DE", false}, {"", false}, {"ÄÖ", false}};
    for (FieldId id : {FieldId::SupplierCountryCode, FieldId::CustomerCountryCode,
                       FieldId::DeliveryCountryCode, FieldId::TaxRepresentativeCountryCode}) {
        Form state = makeForm(defaultCodeLists());
        for (const auto& [text, box] : cases) {
            for (int time = 0; time < 2; ++time) { // the box comes again at every focus loss
                const RuleOutcome outcome = leaveTextField(state, id, text);
                EXPECT_EQ(outcome.messageTitle + outcome.messageText,
                          box ? "Land KurzbezeichnungBitte nur 2 Zeichen z.B.: DE" : "")
                    << text;
            }
            const InvoiceDocument& d = state.doc;
            EXPECT_EQ(d.supplier.countryCode + d.customer.countryCode + d.delivery.countryCode +
                          d.taxRepresentativeCountryCode,
                      text);
        }
    }
}

// IBANs and VAT identifiers are kept without blanks; a malformed one is named at once and by the check.
TEST(TextFields, IbanAndVatIdAreCheckedAndKeptWithoutBlanks) {
    using enum FieldId;
    const std::tuple<FieldId, const char*, const char*> cases[] = {
        {Iban, "DE02 1203 0000 0000 2020 51", ""},
        {DebitedIban, "DE02\u00A01203\u00A00000 0000 2020 51", ""},
        {Iban, "DE03 1203 0000 0000 2020 51",
         "IBAN „DE03120300000000202051“ hat falsche Prüfziffern (Tippfehler?)"},
        {Iban, "DE02120300000000202015",
         "IBAN „DE02120300000000202015“ hat falsche Prüfziffern (Tippfehler?)"},
        {Iban, "de02120300000000202051",
         "IBAN „de02120300000000202051“ hat nicht die Form einer IBAN (z.B. DE02 1203 0000 0000 2020 51)"},
        {Iban, "DE0212030000",
         "IBAN „DE0212030000“ hat nicht die Form einer IBAN (z.B. DE02 1203 0000 0000 2020 51)"},
        {SupplierVatId, "DE 123 456 789", ""},
        {CustomerVatId, "ATU12345678", ""},
        {CustomerVatId, "EL123456789", ""},
        {CustomerVatId, "XIGD123", ""},
        {CustomerVatId, "RO12", ""},
        {CustomerVatId, "CHE-123.456.789MWST", ""}, // outside the EU only the country code counts
        {SupplierVatId, "DE12345678", "UStID „DE12345678“ hat nach DE 8 statt 9 Zeichen"},
        {CustomerVatId, "LT1234567890", "UStID „LT1234567890“ hat nach LT 10 statt 9 oder 12 Zeichen"},
        {CustomerVatId, "CZ1234567", "UStID „CZ1234567“ hat nach CZ 7 statt 8 bis 10 Zeichen"},
        {CustomerVatId, "XI1234", "UStID „XI1234“ hat nach XI 4 statt 5, 9 oder 12 Zeichen"},
        {CustomerVatId, "FR12-45678901",
         "UStID „FR12-45678901“ enthält nach FR andere Zeichen als Ziffern und Großbuchstaben"},
        {CustomerVatId, "GR123456789", "UStID „GR123456789“ beginnt für Griechenland mit EL"},
        {SupplierVatId, "123456789",
         "UStID „123456789“ beginnt nicht mit einem Ländercode (z.B. DE123456789)"},
        {SupplierVatId, "DE", "UStID „DE“ beginnt nicht mit einem Ländercode (z.B. DE123456789)"},
    };
    for (const auto& [field, typed, problem] : cases) {
        Form state = makeForm(defaultCodeLists());
        selectEntry(state, PaymentMeans, field == DebitedIban ? 1 : 0);
        EXPECT_EQ(leaveTextField(state, field, typed).statusText, problem) << typed;
        EXPECT_EQ(*documentText(state.doc, field), compactIdentifier(typed));
        EXPECT_EQ(state.invalidInputs.contains(field), *problem != 0) << typed;
        leaveTextField(state, field, "");
        EXPECT_TRUE(state.invalidInputs.empty());
    }
}

// A change of type drops nothing typed; the reference to the invoice corrected
// takes input only where it applies.
TEST(Selections, TypeChangesKeepWhatWasTyped) {
    Form state = makeForm(defaultCodeLists());
    changeDate(state, FieldId::DueDate, parseIsoDate("2024-05-31"));
    leaveTextField(state, FieldId::PrecedingInvoiceNumber, "RE-1");
    std::string seen;
    for (int index : {1, 2, 0}) {
        selectEntry(state, FieldId::DocumentType, index);
        seen += state.doc.documentTypeCode + ":" + state.doc.dueDate + ":" +
                state.doc.precedingInvoiceNumber +
                (fieldEnabled(state, FieldId::PrecedingInvoiceNumber) ? "+" : "-") +
                (fieldEnabled(state, FieldId::DueDate) ? "+ " : "- ");
    }
    EXPECT_EQ(seen, "384:2024-05-31:RE-1++ 381:2024-05-31:RE-1++ 380:2024-05-31:RE-1-+ ");
}

// A new "Steuerkennung" takes the lines of the previous one with it (with the
// rate that fits) and the line being typed; lines set otherwise keep theirs.
TEST(Selections, TaxCategoryTakesTheLinesOfThePreviousOneAlong) {
    Form state = makeForm(defaultCodeLists());
    addLineOf(state, "1", "10", "19");
    leaveLineField(state, LineField::UnitPrice, "5");
    chooseLineCategory(state, 6); // "Nullsteuersatz" Z, at 0 %
    addLine(state);
    leaveLineField(state, LineField::VatPercent, "19");
    const RuleOutcome outcome = selectEntry(state, FieldId::TaxCategory, 3); // Kleinunternehmer
    EXPECT_TRUE(outcome.totalsChanged && outcome.linesChanged);
    const auto categoryAndRate = [](const LineItem& line) {
        return line.lineTaxCategory + line.lineVatPercent;
    };
    EXPECT_EQ(state.documentTaxCategory + " " + categoryAndRate(state.lines[0]) + " " +
                  categoryAndRate(state.lines[1]) + " " + categoryAndRate(state.lineEditBuffer),
              "E E0.00 Z0.00 E0.00");
    EXPECT_EQ(state.vatBreakdown[0].exemptionReason,
              "Keine Umsatzsteuer, da Kleinunternehmer gemäß § 19 UStG");
    // The other exempt entry keeps the category and gives its own reason.
    selectEntry(state, FieldId::TaxCategory, 4);
    EXPECT_EQ(state.vatBreakdown[0].exemptionReason, "Steuerfreie Leistung gemäß § 4 UStG");
    // A currency recomputes the footer and the list.
    EXPECT_TRUE(selectEntry(state, FieldId::Currency, 1).totalsChanged);
    EXPECT_EQ(state.documentCurrency + footerView(state).currency + lineListCell(state, 0, CurrencyColumn),
              "CHFCHFCHF");
}

// Settings may give two slots of "USt. %" the same rate: the rate in effect shows in the last of them.
TEST(AllowanceRow, ARateOfTwoSlotsShowsInTheLast) {
    CodeLists lists = defaultCodeLists();
    lists.vatRates = {Decimal::fromInt(7), Decimal::fromInt(7), Decimal::fromInt(19)};
    Form state = makeForm(lists);
    addLineOf(state, "1", "100", "19");
    addLineOf(state, "1", "50", "7");
    leaveTextField(state, FieldId::AllowanceValue, "-10");
    selectEntry(state, FieldId::AllowanceSlot, 0);
    EXPECT_EQ(state.doc.allowanceTaxPercent + " " + std::to_string(footerView(state).allowanceSlot),
              "7.00 1");
}

TEST(AllowanceRow, FieldsReachTheAmounts) {
    Form state = makeForm(defaultCodeLists());
    addLineOf(state, "1", "100", "19");
    addLineOf(state, "1", "50", "7");
    // Over two groups an amount waits for its rate: "USt. %" shows none.
    EXPECT_TRUE(leaveTextField(state, FieldId::AllowanceValue, "-10").totalsChanged);
    const InvoiceDocument& d = state.doc;
    EXPECT_EQ("[" + d.allowanceTaxPercent + d.allowanceTaxCategory + "] " + d.payableAmount + " " +
                  std::to_string(footerView(state).allowanceSlot),
              "[] 162.50 -1");
    EXPECT_TRUE(selectEntry(state, FieldId::AllowanceSlot, 1).totalsChanged);
    EXPECT_EQ(d.allowanceTaxPercent + " " + d.allowanceTaxCategory + " " + d.allowanceTaxScheme + " " +
                  d.payableAmount,
              "7.00 S VAT 161.80"); // -10 at 7 %
    EXPECT_TRUE(leaveTextField(state, FieldId::AllowancePercent, "10").totalsChanged);
    EXPECT_TRUE(leaveTextField(state, FieldId::AllowanceReason, "Treuerabatt").totalsChanged);
    EXPECT_EQ(d.chargeIndicator + " " + d.payableAmount + " " + d.allowanceReason + " " +
                  std::to_string(writtenAllowances(state).size()),
              "true 189.75 Treuerabatt 2"); // 10.00 at 19 %, 5.00 at 7 %
    // Read the German way: "1.500" is fifteen hundred, and the status bar says so.
    EXPECT_EQ(leaveTextField(state, FieldId::AllowanceValue, "-1.500").statusText,
              "Wert: „-1.500“ gelesen als -1500 (Punkt als Tausendertrennzeichen)");
    EXPECT_EQ(state.amounts.allowanceValue, Decimal::fromInt(-1500));
}

// Whatever is edited, everything derived from it (breakdown, totals, footer,
// the allowance as written, the check) is what a fresh computation gives.
TEST(AllowanceRow, EveryEditLeavesWhatAFreshComputationGives) {
    Form state = makeForm(defaultCodeLists());
    using enum FieldId;
    const std::pair<const char*, std::function<void()>> edits[] = {
        {"line at 19 %", [&] { addLineOf(state, "1", "100", "19"); }},
        {"line at 7 %", [&] { addLineOf(state, "1", "50", "7"); }},
        {"reason", [&] { leaveTextField(state, AllowanceReason, "Rabatt"); }},
        {"value", [&] { leaveTextField(state, AllowanceValue, "-10"); }},
        {"7 %", [&] { selectEntry(state, AllowanceSlot, 1); }},
        {"0 %, which no line has", [&] { selectEntry(state, AllowanceSlot, 2); }},
        {"percentage", [&] { leaveTextField(state, AllowancePercent, "-3"); }},
        {"value again", [&] { leaveTextField(state, AllowanceValue, "-10"); }},
        {"19 %", [&] { selectEntry(state, AllowanceSlot, 0); }},
        {"line price",
         [&] {
             selectLine(state, 0), leaveLineField(state, LineField::UnitPrice, "200"), changeLine(state);
         }},
        {"line deleted", [&] { selectLine(state, 1), deleteLine(state); }},
        {"Kleinunternehmer", [&] { selectEntry(state, TaxCategory, 3); }},
        {"19 % for exempt lines", [&] { selectEntry(state, AllowanceSlot, 0); }},
        {"0 %", [&] { selectEntry(state, AllowanceSlot, 2); }},
        {"currency", [&] { selectEntry(state, Currency, 1); }},
        {"no reason", [&] { leaveTextField(state, AllowanceReason, ""); }},
    };
    for (const auto& [name, edit] : edits) {
        edit();
        Form fresh = state;
        recomputeLines(fresh);
        recomputeTotals(fresh);
        EXPECT_EQ(state.doc, fresh.doc) << name;
        EXPECT_EQ(state.vatBreakdown, fresh.vatBreakdown) << name;
        EXPECT_TRUE(footerView(state) == footerView(fresh)) << name;
        EXPECT_EQ(writtenAllowances(state), writtenAllowances(fresh)) << name;
    }
}

} // namespace
} // namespace tallomir
