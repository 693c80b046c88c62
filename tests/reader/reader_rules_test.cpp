// The loader's rules on small files: what the samples do not show (credit
// notes, cut dates, the note, matching, repeated elements), the allowance
// working values, what the recomputation replaces, and the outcomes.

#include "reader_test_support.h"

#include "invoice/decimal.h"

using namespace readertest;
using tallomir::parseNumber;

namespace {

const std::string oneLine =
    "<cac:InvoiceLine><cbc:ID>1</cbc:ID><cbc:InvoicedQuantity>1</cbc:InvoicedQuantity>"
    "<cbc:LineExtensionAmount>100.00</cbc:LineExtensionAmount><cac:Item>"
    "<cac:ClassifiedTaxCategory><cbc:ID>S</cbc:ID><cbc:Percent>19.00</cbc:Percent>"
    "</cac:ClassifiedTaxCategory></cac:Item>" +
    el("cac:Price/cbc:PriceAmount", "100.00") + "</cac:InvoiceLine>";

std::string allowance(std::string_view indicator, std::string_view reason, std::string_view more = "") {
    return "<cac:AllowanceCharge>" + el("cbc:ChargeIndicator", indicator) +
           (reason.empty() ? "" : el("cbc:AllowanceChargeReason", reason)) + std::string(more) +
           el("cbc:Amount", "12.50") + el("cac:TaxCategory/cbc:ID", "S") +
           el("cac:TaxCategory/cbc:Percent", "19.00") + "</cac:AllowanceCharge>";
}

} // namespace

TEST(ReaderRules, FieldsTakeTheValueOfTheirRule) {
    const std::string inv = "ubl:Invoice", cn = "ubl:CreditNote", line = "cac:InvoiceLine/";
    const std::string reference = "cac:AdditionalDocumentReference", type = "cbc:DocumentTypeCode";
    const std::string nine = "cbc:Note/e2/e3/e4/e5/e6/e7/e8/e9/e10"; // the innermost is level 10
    const std::string taxScheme = "cac:PartyTaxScheme/cbc:CompanyID";
    // clang-format off
    const std::tuple<std::string, std::string, Fields> cases[] = {
        // Every date loses its time zone, lines' dates too; a text that is no date stays as it is.
        {el("cbc:IssueDate", "2022-03-01+01:00") + el("cbc:DueDate", "2022-04-01Z") +
         el("cac:InvoicePeriod", el("cbc:StartDate", "2022-01-01+01:00") + el("cbc:EndDate", "2022-01-31Z")) +
         el("cbc:ActualDeliveryDate", "2022-03-01-05:00") +
         el("cac:InvoiceLine", el("cbc:ID", "1") + el("cac:InvoicePeriod", el("cbc:StartDate", "2016-01-01+01:00") +
                                                         el("cbc:EndDate", "2016-01-31Z"))), inv,
         {{"issueDate", "2022-03-01"}, {"dueDate", "2022-04-01"}, {"periodStart", "2022-01-01"},
          {"periodEnd", "2022-01-31"}, {"deliveryDate", "2022-03-01"}, {"lines[0].lineStartDate", "2016-01-01"},
          {"lines[0].lineEndDate", "2016-01-31"}}},
        {el("cbc:IssueDate", "äöabcdefgh+01:00"), inv, {{"issueDate", "äöabcdefgh+01:00"}}},
        {el("cac:Delivery/cbc:ActualDeliveryDate", "2022-03-01+01:00"), inv, {{"deliveryDate", "2022-03-01"}}},
        // Codes the lists do not know are kept.
        {el("cbc:InvoiceTypeCode", "326") + el("cbc:DocumentCurrencyCode", "JPY"), inv,
         {{"documentTypeCode", "326"}, {"documentCurrency", "JPY"}, {"loadedDocumentCurrency", "JPY"}}},
        // Credit notes: type code, due date in the payment means, project in the reference of type 50, lines.
        {el("cbc:CreditNoteTypeCode", "381") + el(reference, el("cbc:ID", "P-50") + el(type, "50")) +
         el(reference, el("cbc:ID", "Anhang") + el(type, "130")) + el(reference + "/cbc:ID", "ohne Typ") +
         el("cac:PaymentMeans/cbc:PaymentDueDate", "2022-05-31+02:00") +
         el("cac:CreditNoteLine", el("cbc:ID", "1") + el("cbc:CreditedQuantity", "4") +
                                  el("cbc:LineExtensionAmount", "8.00")), cn,
         {{"documentTypeCode", "381"}, {"dueDate", "2022-05-31"}, {"projectNumber", "P-50"}, {"lines", "1"},
          {"lines[0].quantity", "4"}, {"lineExtensionAmount", "8.00"}}},
        {el(reference + "/cbc:ID", "A") + el(reference + "/" + type, "50"), cn, {{"projectNumber", ""}}},
        {el("cbc:ID", "C-2"), "CreditNote", {{"documentNumber", "C-2"}}},
        // The note: the second wins; blanks, tabs and line breaks stay as they are (a line break as LF).
        {el("cbc:Note", "erste") + el("cbc:Note", "zweite"), inv, {{"note", "zweite"}}},
        {el("cbc:Note", " a  b\t c "), inv, {{"note", " a  b\t c "}}},
        {el("cbc:Note", "\r\n    eins\r\n    zwei\r\n  "), inv, {{"note", "\n    eins\n    zwei\n  "}}},
        {el("cbc:Note", "<![CDATA[versteckt]]>"), inv, {{"note", ""}}},
        // Matching: the unprefixed root, exact names, elements inside a leaf, level 10 the deepest.
        {el("cbc:ID", "U-1"), "Invoice", {{"documentNumber", "U-1"}}},
        {"<cbc:id>klein</cbc:id><cbc:ID >mit Blank</cbc:ID >", inv, {{"documentNumber", "mit Blank"}}},
        {el("cbc:Note", "außen" + el("x:Inner", "innen")), inv, {{"note", "innen"}}},
        {el(nine, "zehn"), inv, {{"note", "zehn"}}},
        {el(nine, "zehn" + el("e11", "elf")), inv, {{"note", "zehn"}}},
        // Parties: the second tax scheme wins; the customer has no legal form.
        {el("cac:AccountingSupplierParty/cac:Party", el(taxScheme, "DE1") + el(taxScheme, "12/34")), inv,
         {{"supplier.vatId", "12/34"}}},
        {el("cac:AccountingCustomerParty/cac:Party/cac:PartyLegalEntity/cbc:CompanyLegalForm", "AG"), inv,
         {{"customer.legalForm", ""}}},
        // Of several allowance blocks, the last of each element wins.
        {allowance("true", "Fracht") +
         el("cac:AllowanceCharge", el("cbc:ChargeIndicator", "false") + el("cbc:Amount", "3.00")), inv,
         {{"chargeIndicator", "false"}, {"allowanceReason", "Fracht"}, {"allowanceAmount", "3.00"}}},
        // Lines follow the file whatever their IDs; what comes before a line's ID belongs to the line
        // before; a repeated element overwrites.
        {el(line + "cbc:ID", "9") + el(line + "cbc:ID", "2") + el(line + "cbc:ID", "2"), inv,
         {{"lines", "3"}, {"lines[0].position", "9"}, {"lines[1].position", "2"},
          {"lines[2].position", "2"}}},
        {el("cac:InvoiceLine", el("cbc:Note", "verloren") + el("cbc:ID", "1") + el("cbc:Note", "eins")) +
         el("cac:InvoiceLine", el("cbc:Note", "zur ersten") + el("cbc:ID", "2")) +
         el(line + "cbc:InvoicedQuantity", "5"), inv,
         {{"lines", "2"}, {"lines[0].lineNote", "zur ersten"}, {"lines[1].lineNote", ""},
          {"lines[1].quantity", "5"}}},
        // A line's unit, any code, from its quantity; without one the line has none of its own.
        {el(line + "cbc:ID", "1") + "<cac:InvoiceLine><cbc:ID>2</cbc:ID><cbc:InvoicedQuantity unitCode=\"XPP\">"
         "3</cbc:InvoicedQuantity></cac:InvoiceLine>", inv,
         {{"lines[0].unitCode", ""}, {"lines[1].unitCode", "XPP"}, {"lines[1].quantity", "3"}}},
        // The invoice referred to: the last reference whole, its date without time zone.
        {el("cac:BillingReference/cac:InvoiceDocumentReference", el("cbc:ID", "R-1") + el("cbc:IssueDate", "2022-01-05")) +
         el("cac:BillingReference/cac:InvoiceDocumentReference", el("cbc:ID", "R-2")) +
         el("cac:BillingReference/cac:InvoiceDocumentReference/cbc:IssueDate", "2022-02-01+01:00"), cn,
         {{"precedingInvoiceNumber", ""}, {"precedingInvoiceDate", "2022-02-01"}}},
        // A line's net amount is kept as loaded, and the lines total sums it.
        {el("cac:InvoiceLine", el("cbc:ID", "1") + el("cbc:InvoicedQuantity", "3") +
         el("cbc:LineExtensionAmount", "25.00") + el("cac:Price/cbc:PriceAmount", "10.00")), inv,
         {{"lines[0].lineNetAmount", "25.00"}, {"lineExtensionAmount", "25.00"}}},
    };
    // clang-format on
    for (const auto& [body, root, fields] : cases) {
        SCOPED_TRACE(root + " " + body);
        expectFields(loaded(body, root), fields);
    }
}

TEST(ReaderRules, ElementsNoRuleMatchesLeaveAnEmptyDocument) {
    const std::string supplier = "cac:AccountingSupplierParty/";
    const std::pair<std::string, const char*> cases[] = {
        {el("ns2:ID", "X") + el("ns2:Note", "n") + el(supplier + "cac:Party/cac:PartyName/ns2:Name", "F"),
         "Invoice"},
        {el("cbc:ID", "X"), "ns2:Invoice"},
        {el("cbc:ID", "X"), "ubl:Order"},
        {el("cbc:ID", "X"), "invoice"},
        // Party elements outside the cac:Party of the supplier or customer.
        {el("cac:PayeeParty/cac:PartyName/cbc:Name", "P") + el(supplier + "cac:PartyName/cbc:Name", "F"),
         "Invoice"},
    };
    for (const auto& [body, root] : cases) {
        SCOPED_TRACE(root + (" " + body));
        expectSameFields(loaded(body, root), loaded("", "Invoice"));
    }
}

// "false" is an allowance, any other indicator a charge; without a reason there
// is none, and nothing of the previous document's working values stays.
TEST(ReaderAllowance, WorkingValuesComeFromTheFileAlone) {
    const std::string percent = el("cbc:MultiplierFactorNumeric", "10");
    // clang-format off
    const std::tuple<std::string, const char*, const char*, const char*, bool, const char*> cases[] = {
        // block                                  value    percent rate  chosen net
        {allowance("false", "Rabatt"),            "-12.5", "0",    "19", true,  "87.50"},
        {allowance("true", "Fracht"),             "12.5",  "0",    "19", true,  "112.50"},
        {allowance("", "Fracht"),                 "12.5",  "0",    "19", true,  "112.50"},
        {allowance("FALSE", "Fracht"),            "12.5",  "0",    "19", true,  "112.50"},
        {allowance("false", "Skonto", percent),   "-10",   "-10",  "19", true,  "90.00"},
        {allowance("false", ""),                  "0",     "0",    "0",  false, "100.00"},
    };
    // clang-format on
    for (const auto& [block, value, percentValue, rate, chosen, net] : cases) {
        SCOPED_TRACE(block);
        auto state = freshState();
        state.amounts.allowanceValue = parseNumber("-30");
        state.amounts.allowancePercentValue = parseNumber("5");
        state.amounts.allowanceRate = parseNumber("7");
        state.amounts.allowanceRateChosen = !chosen;
        ASSERT_EQ(tallomir::ubl::loadInvoiceBytes(state, ublFile(block + oneLine)).result, Result::Loaded);
        EXPECT_EQ(state.amounts.allowanceValue, parseNumber(value));
        EXPECT_EQ(state.amounts.allowancePercentValue, parseNumber(percentValue));
        EXPECT_EQ(state.amounts.allowanceRate, parseNumber(rate));
        EXPECT_EQ(state.amounts.allowanceRateChosen, chosen);
        EXPECT_EQ(state.doc.taxExclusiveAmount, net);
        EXPECT_EQ(state.doc.payableAmount == "119.00", !chosen) << state.doc.payableAmount;
    }
}

TEST(ReaderRecomputation, SubtotalsAndTotalsComeFromTheLinesAndPrepaidIsKept) {
    const std::string totals = "cac:LegalMonetaryTotal/";
    const auto state = loaded(
        el("cac:TaxTotal", el("cbc:TaxAmount", "5.00") + el("cac:TaxSubtotal/cbc:TaxableAmount", "1.00") +
                               el("cac:TaxSubtotal/cbc:TaxableAmount", "2.00")) +
        el(totals + "cbc:LineExtensionAmount", "1.00") + el(totals + "cbc:TaxExclusiveAmount", "2.00") +
        el(totals + "cbc:TaxInclusiveAmount", "3.00") + el(totals + "cbc:PrepaidAmount", "50.00") +
        el(totals + "cbc:PayableAmount", "4.00") + oneLine);
    // clang-format off
    expectFields(state, {{"vatBreakdown", "1"}, {"vatBreakdown[0].taxableAmount", "100.00"},
                         {"vatBreakdown[0].taxAmount", "19.00"}, {"prepaidAmount", "50.00"},
                         {"lineExtensionAmount", "100.00"}, {"taxExclusiveAmount", "100.00"},
                         {"taxInclusiveAmount", "119.00"}, {"payableAmount", "69.00"}});
    // clang-format on
}

TEST(ReaderRecomputation, SubtotalElementsBeforeTheFirstEntryWriteNowhere) {
    auto state = freshState();
    const auto tree = tallomir::xml::loadDocumentFromBytes(ublFile(
        el("cac:TaxTotal/cac:TaxSubtotal", el("cbc:TaxAmount", "1.00") + el("cac:TaxCategory/cbc:ID", "G"))));
    ASSERT_TRUE(tree);
    tallomir::ubl::walkDocument(state, *tree);
    EXPECT_TRUE(state.vatBreakdown.empty());
    EXPECT_EQ(state.documentTaxCategory, "G");
}

TEST(ReaderOutcome, MismatchedTagGivesTheGermanMessageAndAResetDocument) {
    auto state = loaded(el("cbc:ID", "vorher") + oneLine);
    const auto outcome = tallomir::ubl::loadInvoiceBytes(
        state, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ubl:Invoice>\n  <cbc:ID>A1</cbc:ID>\n"
               "  <cbc:Note>x</cbc:ID>\n</ubl:Invoice>\n");
    EXPECT_EQ(outcome.result, Result::ParseError);
    EXPECT_EQ(outcome.message, "Fehler in der XML Datei:\rMeldung: mismatched tag\rZeile:   4   Zeichen: 16");
    EXPECT_EQ(state.doc.documentNumber, "") << "the part parsed before the error is not used";
    EXPECT_EQ(state.doc.payableAmount, "0.00");
}

// Whatever was loaded before, a file load names the file and leaves exactly
// what a load of the same file into a fresh state leaves; a missing or empty
// file leaves an empty document.
TEST(ReaderOutcome, FileLoadReplacesThePreviousDocument) {
    const TempDir dir;
    writeFile(dir.path / "leer.xml", "");
    writeFile(dir.path / "rechnung.xml", ublFile(el("cbc:ID", "F-1")));
    const std::tuple<const char*, Result, std::string> cases[] = {
        {"fehlt.xml", Result::NoDocument, ""},
        {"leer.xml", Result::NoDocument, ""},
        {"rechnung.xml", Result::Loaded, el("cbc:ID", "F-1")}};
    for (const auto& [name, result, body] : cases) {
        SCOPED_TRACE(name);
        auto state = loaded(el("cac:AccountingSupplierParty/cac:Party/cac:PartyName/cbc:Name", "Alt") +
                            el("cbc:Note", "alt") + el("cbc:ID", "vorher") + oneLine);
        state.modified = true;
        const std::string path = (dir.path / name).string();
        const auto outcome = tallomir::ubl::loadInvoiceFile(state, path);
        EXPECT_EQ(outcome.result, result);
        EXPECT_EQ(outcome.message, "");
        EXPECT_EQ(state.currentFileName, path);
        expectSameFields(state, loaded(body));
        if (result == Result::Loaded) {
            EXPECT_FALSE(state.modified);
        }
    }
}
