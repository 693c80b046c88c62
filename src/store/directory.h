#pragma once

// The business's own data beside the archive: its own company (the page
// "Lieferant"), its customers (the page "Kunde") and its articles (a line's
// item).

#include "database.h"

#include <optional>
#include <string>
#include <vector>

namespace tallomir::store {

// "Als eigene Firma merken": the page "Lieferant" of the document (the
// seller, its contact, bank and payment means, further accounts); replaces
// what was stored.
std::string saveOwnCompany(Database& db, const InvoiceDocument& doc);
// Puts the stored own company onto the page "Lieferant" of the document;
// false when none is stored (the document is left as it was).
bool fillOwnCompany(Database& db, InvoiceDocument& doc);
// Empties the page "Lieferant" of the document.
void clearSupplierPage(InvoiceDocument& doc);

// "Kunde merken": the page "Kunde" of the document (the buyer with its
// electronic address, the Leitweg-ID and the payment terms), stored under
// the buyer's name; a customer of that name is updated.
std::string saveCustomer(Database& db, const InvoiceDocument& doc);
// The names of the stored customers, sorted.
std::vector<std::string> customerNames(Database& db);
// "Kunde wählen …": the stored customer onto the page "Kunde"; false when
// there is none of that name.
bool fillCustomer(Database& db, const std::string& name, InvoiceDocument& doc);

// An article as a line's item takes it.
struct Article {
    std::string number;
    std::string name;
    std::string description;
    std::string price; // plain decimal text
    std::string unitCode;
    std::string taxCategory;
    std::string taxRate; // plain decimal text

    bool operator==(const Article&) const = default;
};
// The article of a line.
Article articleOf(const LineItem& line);
// Puts an article into a line: number, name, description, price, unit, tax.
void fillLine(LineItem& line, const Article& article);
// "Artikel merken": stored under its number and name; an article with both
// the same is updated. Refused without a name.
std::string saveArticle(Database& db, const Article& article);
// Every stored article, by number and name.
std::vector<Article> articles(Database& db);

} // namespace tallomir::store
