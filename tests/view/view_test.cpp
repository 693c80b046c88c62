// The invoice as a PDF, typed or loaded, read back with pdftotext: number, line
// names, amount due, VAT groups and IBAN in German form, and the typed fields,
// each whole and with its words whole.
#include "cli/json_io.h"
#include "support/reference.h"
#include "ubl/reader.h"
#include "view/invoice_pages.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tallomir;

namespace {

using tallomir::testing::pdfText;
using tallomir::testing::pdfWords;

// Texts are compared without white space.
std::string squeezed(std::string text) {
    std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\f'; });
    return text;
}

std::string euro(const std::string& amount) {
    return formatGerman(parseNumber(amount), 2, 2) + "€";
}

// What every document must show, by the values the state holds.
void expectEssentials(const Form& state, const fs::path& pdf) {
    const std::string shown = pdfText(pdf) + pdfText(pdf, false);
    std::vector<std::string> parts{
        "Nr. " + state.doc.documentNumber,
        (state.doc.documentTypeCode == "381" ? "Gutschriftsbetrag" : "Zahlbetrag") +
            euro(state.doc.payableAmount)};
    for (const LineItem& line : state.lines)
        parts.push_back(line.itemName);
    for (const VatBreakdownEntry& group : state.vatBreakdown)
        parts.push_back(formatGerman(parseNumber(group.ratePercent), 0, 2) + "%" + euro(group.taxableAmount) +
                        euro(group.taxAmount));
    if (!state.doc.iban.empty())
        parts.push_back(state.doc.iban);
    for (const std::string& part : parts)
        EXPECT_NE(shown.find(squeezed(part)), std::string::npos) << "missing: " << part;
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }

    // Writes out.pdf of the typed input; the number of pages the layout counted.
    int render(const nlohmann::json& input, const std::vector<std::string>& notCarried = {}) {
        state = makeForm(defaultCodeLists());
        tallomir::testing::keepJsonCase(input.dump(2));
        cli::enterJson(state, input);
        const view::InvoicePages pages(state, notCarried);
        EXPECT_EQ(view::writePdf(pages, (dir / "out.pdf").string()), "");
        expectEssentials(state, dir / "out.pdf");
        return pages.pageCount();
    }

    const fs::path dir = fs::temp_directory_path() / ("tallomir-view-" + std::to_string(::getpid()));
    Form state = makeForm(defaultCodeLists());
};

// Hostile texts, an allowance on the 7 % group and every kind of field.
const char* typedInvoice = R"({
  "documentNumber": "RE-2024-001", "issueDate": "2024-12-06", "dueDate": "2025-01-05",
  "deliveryDate": "2024-12-01", "buyerReference": "04011000-12345-03", "orderNumber": "B-4711",
  "contractNumber": "V-7", "note": "Zeile eins\nZeile zwei <br>",
  "supplier": {"partyId": "L-7", "name": "Lieferant & Söhne KG", "postalCode": "53111", "city": "Bonn",
               "countryCode": "DE", "vatId": "DE123456789", "registrationName": "Lieferant & Söhne KG",
               "registrationId": "HRA 4711", "contactName": "Erika Muster", "email": "rechnung@example.org",
               "electronicAddress": "DE123456789", "electronicAddressScheme": "9930"},
  "iban": "DE02120300000000202051", "bic": "BYLADEM1001",
  "customer": {"partyId": "K-100", "name": "<b>Kundin</b> GmbH", "postalCode": "50667", "city": "Köln",
               "countryCode": "DE", "registrationName": "Kundin GmbH"},
  "lines": [
    {"position": "1", "quantity": "2", "itemName": "Hammer", "unitPrice": "12,50", "lineVatPercent": "19"},
    {"position": "2", "quantity": "1000", "itemName": "Schrauben </td></tr></table>", "unitPrice": "1,10",
     "lineVatPercent": "7", "itemDescription": "verzinkt\nM4 × 20"},
    {"position": "3", "quantity": "1", "itemName": "Beratung", "unitPrice": "100", "lineVatPercent": "0"}
  ],
  "allowance": {"reason": "Treuerabatt", "value": "-25,50", "vatSlot": 1}
})";

} // namespace

// Hand-computed: 25,00 at 19 %; 1.100,00 - 25,50 at 7 %; 100,00 at 0 %. The
// credit note is paid by direct debit: mandate and debited account, no IBAN.
// The reverse-charge invoice holds the longest values of its fields.
TEST_F(ViewTest, TypedDocumentsShowTheirFieldsInGermanForm) {
    const std::pair<const char*, std::vector<const char*>> cases[] = {
        {"{}",
         {"Rechnung Nr. RE-2024-001",
          "Zahlbetrag 1.279,47 €",
          "19 % 25,00 € 4,75 €",
          "Nachlass: Treuerabatt (USt. 7 %) -25,50 €",
          "1.000 Stück",
          "Belegdatum 06.12.2024",
          "Fälligkeit 05.01.2025",
          "Leitweg-ID 04011000-12345-03",
          "Elektron. Adresse DE123456789 (9930)",
          "<b>Kundin</b> GmbH",
          "Schrauben </td></tr></table>",
          "M4 × 20",
          "Zeile zwei <br>",
          "BIC BYLADEM1001",
          "USt-IdNr. DE 123 456 789",
          "Register-Nr. HRA 4711",
          "IBAN DE02 1203 0000 0000 2020 51",
          "Zahlung",
          "Firma Kundin GmbH",
          "Nicht übernommen: cac:ProjectReference <Projekt>",
          "Rechnung Nr. RE-2024-001 · Seite 1 von 1"}},
        {R"({"documentTypeCode": "381", "precedingInvoiceNumber": "RE-2024-000",
              "precedingInvoiceDate": "2024-11-02", "allowance": null, "iban": null, "bic": null,
              "paymentMeansCode": "59", "mandateReference": "M-17", "creditorId": "DE98ZZZ09999999999",
              "debitedIban": "DE75512108001245126199"})",
         {"Gutschrift Nr. RE-2024-001", "Bezug auf Rechnung RE-2024-000 vom 02.11.2024",
          "Erstattungsart SEPA-Lastschrift", "Mandatsreferenz M-17", "Gläubiger-ID DE98ZZZ09999999999",
          "Belastetes Konto DE75 5121 0800 1245 1261 99", "Gutschrift Nr. RE-2024-001 · Seite 1 von 1"}},
        {R"({"documentTypeCode": "381", "precedingInvoiceNumber": "RE-2024-000", "paymentTerms": "Sofort",
             "allowance": {"reason": "Fracht", "value": "5", "vatSlot": 0}})",
         {"Gutschriftsbetrag 1.312,70 €", "Erstattung", "Hinweise zur Erstattung Sofort",
          "Erstattung auf IBAN DE02 1203 0000 0000 2020 51", "Zuschlag: Fracht (USt. 19 %) 5,00 €",
          "Erstattung bis 05.01.2025"}},
        {R"({"buyerReference": "991-33333TEST-33", "note": "#ADU#Es gelten unsere AGB.\n#XYZ#Sonstiges",
             "lines": [{"position": "1", "quantity": "1", "itemName": "Hammer", "unitPrice": "10",
                        "lineVatPercent": "19"}]})",
         {"Leitweg-ID 991-33333TEST-33", "Anmerkung: Es gelten unsere AGB.", "Hinweis: Sonstiges"}},
        {R"({"documentTaxCategory": "AE", "buyerReference": "KD-4711-01", "allowance": null,
             "iban": "RU0204452560040702810412345678901",
             "supplier": {"vatId": "DE123456789", "taxNumber": "2893/081/508152",
                          "registrationName": "Lieferant & Söhne Kommanditgesellschaft für Holz- und Metallwaren",
                          "registrationId": "HRA 123456 Amtsgericht Charlottenburg",
                          "email": "rechnungseingang@lieferant-beispiel.de"},
             "customer": {"vatId": "ATU12345678", "registrationId": "FN 123456 x Handelsgericht Wien"},
             "lines": [{"position": "1", "quantity": "1", "itemName": "Montage", "unitPrice": "100"}]})",
         {"Ihre Referenz KD-4711-01", "USt-IdNr. AT U12345678", "USt-IdNr. DE 123 456 789",
          "Steuernummer 2893/081/508152", "Lieferant & Söhne Kommanditgesellschaft für Holz- und Metallwaren",
          "Register-Nr. HRA 123456 Amtsgericht Charlottenburg",
          "Register-Nr. FN 123456 x Handelsgericht Wien", "E-Mail rechnungseingang@lieferant-beispiel.de",
          "IBAN RU02 0445 2560 0407 0281 0412 3456 7890 1",
          "Steuerschuldnerschaft des Leistungsempfängers gemäß § 13b UStG (AE)"}},
        // The references and dates of "Weitere Angaben" with the header, the payment's purpose with it.
        {R"({"buyerAccountingReference": "KST-4711", "tenderOrLotReference": "VG-2024-017",
             "invoicedObjectIdentifier": "Z-0815",
             "receivingAdviceReference": "WE-3301", "despatchAdviceReference": "LS-118",
             "taxPointDate": "2024-11-30", "remittanceInformation": "RE-2024-001 Kundin",
             "payee": {"name": "Factoring AG", "identifier": "ZE-12"},
             "taxRepresentative": {"name": "Fiskal GmbH", "postalCode": "10115", "city": "Berlin",
                                   "countryCode": "DE", "vatId": "DE123456789", "addressLine3": "Aufgang A",
                                   "region": "Brandenburg"}})",
         {"Buchungsreferenz KST-4711", "Vergabenummer VG-2024-017", "Objektkennung Z-0815",
          "Wareneingang WE-3301", "Versandanzeige LS-118", "Steuerfälligkeit 30.11.2024",
          "Verwendungszweck RE-2024-001 Kundin", "Zahlungsempfänger Factoring AG, ZE-12",
          "Steuervertreter Fiskal GmbH, Aufgang A, 10115 Berlin, Brandenburg, DE, DE 123 456 789"}},
        // An address as in a letter: further lines under the street, the region after the city; the place
        // delivered to by its identifier.
        {R"({"supplier": {"additionalStreet": "Hinterhaus", "region": "NRW"},
             "customer": {"street": "Domstraße 1", "additionalStreet": "Zimmer 12", "addressLine3": "Eingang B",
                          "region": "Rheinland"},
             "delivery": {"locationId": "4000001987658", "locationIdScheme": "0088"}})",
         {"Lieferant & Söhne KG · Hinterhaus · 53111 Bonn · NRW · DE",
          "Domstraße 1 Zimmer 12 Eingang B 50667 Köln Rheinland DE",
          "Lieferort-Kennung 4000001987658 (0088)"}},
        // A line's further details in one line below its description.
        {R"({"lines": [{"position": "1", "quantity": "1", "itemName": "Hammer", "unitPrice": "10",
                        "lineVatPercent": "19", "itemDescription": "geschmiedet", "orderLineReference": "7",
                        "standardItemId": "4012345678901", "standardItemIdScheme": "0160",
                        "originCountry": "DE", "itemAttributes": [{"name": "Farbe", "value": "rot"}]}]})",
         {"geschmiedet Bestellposition 7 · Artikelkennung 4012345678901 (0160) · Herkunftsland DE · "
          "Farbe: rot"}},
        // A line's own allowance and charge under it: 100,00 − 5,00 + 2,50, VAT 18,53 (18,525).
        {R"({"allowance": null,
             "lines": [{"position": "1", "quantity": "1", "itemName": "Hammer", "unitPrice": "100",
                        "lineVatPercent": "19", "lineAllowances": [{"amount": "5", "reason": "Treuerabatt"}],
                        "lineCharges": [{"amount": "2,50", "reasonCode": "ABL"}]}]})",
         {"Nachlass Treuerabatt \u22125,00", "Zuschlag ABL 2,50", "Zahlbetrag 116,03 €"}},
        // The invoices a credit note refers to.
        {R"({"documentTypeCode": "381", "precedingInvoiceNumber": "R-0", "precedingInvoiceDate": "2024-11-02",
             "furtherPrecedingInvoices": [{"number": "R-00", "issueDate": "2024-10-01"}]})",
         {"Bezug auf Rechnung R-0 vom 02.11.2024, R-00 vom 01.10.2024"}},
        // The tax point named by its code.
        {R"({"taxPointDateCode": "432"})", {"Steuerfälligkeit am Zahlungsdatum"}},
        // A percentage over several rates shows its part of each.
        {R"({"allowance": {"value": null, "vatSlot": null, "percent": "-2"}})",
         {"Nachlass: Treuerabatt (2 % von 25,00 €, USt. 19 %) -0,50 €",
          "Nachlass: Treuerabatt (2 % von 1.100,00 €, USt. 7 %) -22,00 €"}}};
    for (const auto& [patch, parts] : cases) {
        SCOPED_TRACE(parts[0]);
        nlohmann::json input = nlohmann::json::parse(typedInvoice);
        input.merge_patch(nlohmann::json::parse(patch));
        EXPECT_EQ(render(input, {"cac:ProjectReference <Projekt>"}), 1);
        const std::string shown = pdfWords(dir / "out.pdf");
        for (const char* part : parts)
            EXPECT_NE(shown.find(part), std::string::npos) << "missing: " << part;
    }
}

// 300 lines of 25,00 €, every third with a four-line description: every page
// holds whole lines under the table's header and the document's number; a
// page the table goes on from ends with the subtotal so far, and the next
// starts with it.
TEST_F(ViewTest, LongInvoiceBreaksIntoNumberedPages) {
    const auto name = [](int i) { return "Artikel Nr. " + std::to_string(1000 + i).substr(1); };
    nlohmann::json input = nlohmann::json::parse(typedInvoice), row = input["lines"][0];
    input["lines"] = nlohmann::json::array();
    for (int i = 1; i <= 300; ++i) {
        row["position"] = std::to_string(i);
        row["itemName"] = name(i);
        row["itemDescription"] =
            i % 3 ? "" : "Beschreibung\nin\nvier Zeilen\nEnde " + std::to_string(i) + ".";
        input["lines"].push_back(row);
    }
    const int pages = render(input);
    // A page holds 20 to 55 rows of 9-point type.
    EXPECT_TRUE(pages >= 300 / 55 && pages <= 300 / 20 + 1) << pages;
    // A page's text ends with its footer.
    const std::string text = pdfText(dir / "out.pdf");
    std::string carried;
    int line = 1;
    for (size_t page = 1, start = 0; page <= size_t(pages); ++page) {
        const std::string footer =
            "RechnungNr.RE-2024-001·Seite" + std::to_string(page) + "von" + std::to_string(pages);
        const size_t end = text.find(footer, start);
        ASSERT_NE(end, std::string::npos) << "no footer on page " << page;
        const std::string sheet = text.substr(start, end - start);
        start = end + footer.size();
        const std::string header = "Pos.MengeArt.-Nr.BezeichnungEinzelpreisUSt.Netto";
        const int first = line;
        for (; line <= 300 && sheet.find(squeezed(name(line))) != std::string::npos; ++line) {
            if (line % 3 == 0) {
                EXPECT_NE(sheet.find("Ende" + std::to_string(line) + "."), std::string::npos) << line;
            }
        }
        EXPECT_TRUE(line > first ? sheet.find(header) != std::string::npos : page == size_t(pages))
            << "page " << page;
        if (!carried.empty()) {
            EXPECT_TRUE(sheet.starts_with(header + carried)) << "page " << page;
        }
        carried = line <= 300 ? "Übertrag" + euro(std::to_string(25 * (line - 1))) : "";
        if (!carried.empty()) {
            EXPECT_TRUE(sheet.ends_with(carried)) << "page " << page;
        }
    }
    EXPECT_EQ(line, 301);
}

TEST_F(ViewTest, EveryReferenceSampleThroughTheCommandLine) {
    TALLOMIR_REQUIRE_TESTDATA();
    const auto files = tallomir::testing::sampleFiles("xrechnung-3.0.2-samples");
    ASSERT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const fs::path pdf = dir / (file.stem().string() + ".pdf");
        const std::string command = "'" TALLOMIR_CLI "' pdf '" + file.string() + "' '" + pdf.string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        state = makeForm(defaultCodeLists());
        ASSERT_EQ(ubl::loadInvoiceFile(state, file.string()).result, ubl::LoadOutcome::Result::Loaded);
        expectEssentials(state, pdf);
    }
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Fonts need a GUI application, not a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
