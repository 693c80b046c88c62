#pragma once

// Builders of test documents: fields and lines are filled directly, the
// amounts come from the amount functions, as after "Anfügen".

#include "form/form.h"
#include "invoice/amounts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace tallomir::writertest {

inline Form newState() {
    Form state = makeForm(defaultCodeLists());
    state.doc.issueDate = "2022-03-14";
    return state;
}

// A line as the line editor stores it: price and rate normalised, net computed.
inline LineItem& addLine(Form& state, const std::string& quantity, const std::string& price,
                         const std::string& rate) {
    LineItem line;
    line.position = std::to_string(state.lines.size() + 1);
    line.quantity = quantity;
    line.unitPrice = formatDecimal2(parseDecimal(price));
    line.lineVatPercent = formatDecimal2(parseDecimal(rate));
    line.lineTaxCategory = state.documentTaxCategory;
    line.lineTaxScheme = state.defaultTaxScheme;
    line.itemName = "Artikel " + line.position;
    line.lineNetAmount = computeLineNetAmount(line);
    state.lines.push_back(line);
    return state.lines.back();
}

inline void recompute(Form& state) {
    recomputeLines(state);
    recomputeTotals(state);
}

// The party fields in their order, separated by "|": partyId, name, street,
// city, postalCode, countryCode, vatId, taxSchemeId, registrationName,
// registrationId, legalForm, contactName, phone, email.
inline PartyFields party(std::string_view text) {
    PartyFields p;
    for (std::string* field :
         {&p.partyId, &p.name, &p.street, &p.city, &p.postalCode, &p.countryCode, &p.vatId, &p.taxSchemeId,
          &p.registrationName, &p.registrationId, &p.legalForm, &p.contactName, &p.phone, &p.email}) {
        const std::size_t bar = text.find('|');
        *field = std::string(text.substr(0, bar));
        text = bar == std::string_view::npos ? std::string_view() : text.substr(bar + 1);
    }
    return p;
}

// The fields an XRechnung needs besides the amounts.
inline void fillParties(Form& state) {
    InvoiceDocument& doc = state.doc;
    doc.documentNumber = "RE-1";
    doc.buyerReference = "04011000-1234512345-06";
    doc.deliveryDate = "2022-03-10";
    doc.dueDate = "2022-04-13";
    doc.iban = "DE02120300000000202051";
    doc.paymentTerms = "14 Tage rein netto";
    doc.supplier = party("|Lieferant GmbH|Hauptstraße 1|Berlin|10115|DE|DE123456789|VAT|Lieferant GmbH|||"
                         "Anna Muster|030 123|anna@lieferant.example");
    doc.customer = party("K-1|Kunde AG||München|80331|DE|DE987654321|VAT|Kunde AG||||");
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh, empty folder per test, removed afterwards.
class ScratchDir : public ::testing::Test {
protected:
    std::filesystem::path dir;

    void SetUp() override {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        // with the process, so that test runs beside each other do not meet
        dir = std::filesystem::temp_directory_path() /
              ("tallomir_writer_" + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

} // namespace tallomir::writertest
