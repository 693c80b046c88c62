// Own company, customers and articles: stored, found and filled into the document.

#include "store/directory.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace tallomir;
using namespace tallomir::store;

namespace {

class DirectoryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(db.open(folder.filePath("t.sqlite").toStdString())) << db.message(); }
    QTemporaryDir folder;
    Database db;
};

PartyFields party(const std::string& name, const std::string& city) {
    PartyFields p;
    p.name = name;
    p.city = city;
    p.vatId = "DE123456789";
    p.endpointId = "rechnung@" + city + ".example";
    p.endpointScheme = "EM";
    p.contactName = "Erika Muster";
    p.furtherIds = {{"4000001000005", "0088"}};
    return p;
}

} // namespace

TEST_F(DirectoryTest, TheOwnCompanyFillsThePageLieferantAndIsReplaced) {
    InvoiceDocument ours;
    EXPECT_FALSE(fillOwnCompany(db, ours));
    ours.supplier = party("Wir GmbH", "Bonn");
    ours.iban = "DE02120300000000202051";
    ours.bankName = "Sparkasse";
    PaymentMeansEntry account;
    account.code = "58";
    account.iban = "DE02100100100006820101";
    account.cardNumber = "1234"; // belongs to one invoice, not to the company
    ours.furtherPaymentMeans = {account};
    ASSERT_EQ(saveOwnCompany(db, ours), "");
    ours.supplier.city = "Köln";
    ASSERT_EQ(saveOwnCompany(db, ours), "");

    InvoiceDocument received;
    received.supplier = party("Absender AG", "Hamburg");
    received.iban = "DE89370400440532013000";
    received.customer = party("Wir GmbH", "Bonn");
    ASSERT_TRUE(fillOwnCompany(db, received));
    EXPECT_EQ(received.supplier, ours.supplier);
    EXPECT_EQ(received.iban, ours.iban);
    EXPECT_EQ(received.bankName, "Sparkasse");
    ASSERT_EQ(received.furtherPaymentMeans.size(), 1u);
    EXPECT_EQ(received.furtherPaymentMeans[0].iban, account.iban);
    EXPECT_EQ(received.furtherPaymentMeans[0].cardNumber, "");
    EXPECT_EQ(received.customer, party("Wir GmbH", "Bonn")); // only the page "Lieferant"
}

TEST_F(DirectoryTest, CustomersAreStoredByNameUpdatedAndFilled) {
    InvoiceDocument doc;
    EXPECT_NE(saveCustomer(db, doc), ""); // no name
    for (const char* name : {"Zeta KG", "Alpha AG"}) {
        doc.customer = party(name, "Berlin");
        doc.buyerReference = std::string("04011000-") + name;
        doc.paymentTerms = "30 Tage netto";
        ASSERT_EQ(saveCustomer(db, doc), "");
    }
    doc.paymentTerms = "10 Tage 2% Skonto";
    ASSERT_EQ(saveCustomer(db, doc), ""); // "Alpha AG" again
    EXPECT_EQ(customerNames(db), (std::vector<std::string>{"Alpha AG", "Zeta KG"}));

    InvoiceDocument next;
    EXPECT_FALSE(fillCustomer(db, "Beta", next));
    ASSERT_TRUE(fillCustomer(db, "Alpha AG", next));
    EXPECT_EQ(next.customer, party("Alpha AG", "Berlin"));
    EXPECT_EQ(next.buyerReference, "04011000-Alpha AG");
    EXPECT_EQ(next.paymentTerms, "10 Tage 2% Skonto");
    ASSERT_TRUE(fillCustomer(db, "Zeta KG", next));
    EXPECT_EQ(next.paymentTerms, "30 Tage netto");
}

TEST_F(DirectoryTest, ArticlesAreStoredUpdatedAndFillALine) {
    const Article screw{"A-1", "Schraube", "M6 verzinkt", "0.10", "H87", "S", "19.00"};
    const Article book{"", "Fachbuch", "", "39.90", "C62", "S", "7.00"};
    EXPECT_NE(saveArticle(db, Article{"A-9", "", "", "1", "H87", "S", "19"}), "");
    ASSERT_EQ(saveArticle(db, screw), "");
    ASSERT_EQ(saveArticle(db, book), "");
    Article dearer = screw;
    dearer.price = "0.12";
    ASSERT_EQ(saveArticle(db, dearer), "");
    EXPECT_EQ(articles(db), (std::vector<Article>{book, dearer}));

    LineItem line;
    line.position = "3";
    line.quantity = "100";
    fillLine(line, dearer);
    EXPECT_EQ(articleOf(line), dearer);
    EXPECT_EQ(line.position, "3");
    EXPECT_EQ(line.quantity, "100");
}
