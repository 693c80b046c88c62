#include "directory.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

namespace tallomir::store {

namespace {

using PartyText = std::string PartyFields::*;
using DocText = std::string InvoiceDocument::*;

// The texts of a party as the pages show them, by the key they are stored under.
constexpr std::pair<const char*, PartyText> partyTexts[] = {
    {"partyId", &PartyFields::partyId},
    {"name", &PartyFields::name},
    {"street", &PartyFields::street},
    {"city", &PartyFields::city},
    {"postalCode", &PartyFields::postalCode},
    {"countryCode", &PartyFields::countryCode},
    {"additionalStreet", &PartyFields::additionalStreet},
    {"addressLine3", &PartyFields::addressLine3},
    {"region", &PartyFields::region},
    {"partyIdScheme", &PartyFields::partyIdScheme},
    {"registrationIdScheme", &PartyFields::registrationIdScheme},
    {"vatId", &PartyFields::vatId},
    {"taxSchemeId", &PartyFields::taxSchemeId},
    {"taxNumber", &PartyFields::taxNumber},
    {"endpointId", &PartyFields::endpointId},
    {"endpointScheme", &PartyFields::endpointScheme},
    {"registrationName", &PartyFields::registrationName},
    {"registrationId", &PartyFields::registrationId},
    {"legalForm", &PartyFields::legalForm},
    {"contactName", &PartyFields::contactName},
    {"phone", &PartyFields::phone},
    {"email", &PartyFields::email},
    {"taxNumberScheme", &PartyFields::taxNumberScheme},
};

// The page "Lieferant" beyond the seller: bank and payment means.
constexpr std::pair<const char*, DocText> supplierPageTexts[] = {
    {"paymentMeansCode", &InvoiceDocument::paymentMeansCode},
    {"bankName", &InvoiceDocument::bankName},
    {"iban", &InvoiceDocument::iban},
    {"bic", &InvoiceDocument::bic},
    {"creditorId", &InvoiceDocument::creditorId},
};

// The page "Kunde" beyond the buyer.
constexpr std::pair<const char*, DocText> customerPageTexts[] = {
    {"buyerReference", &InvoiceDocument::buyerReference},
    {"paymentTerms", &InvoiceDocument::paymentTerms},
};

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

void putParty(QJsonObject& json, const PartyFields& party) {
    for (const auto& [key, member] : partyTexts)
        json[key] = qs(party.*member);
    QJsonArray ids;
    for (const PartyIdentifier& id : party.furtherIds)
        ids.append(QJsonObject{{"id", qs(id.id)}, {"scheme", qs(id.scheme)}});
    json["furtherIds"] = ids;
}

void takeParty(const QJsonObject& json, PartyFields& party) {
    for (const auto& [key, member] : partyTexts)
        party.*member = json[key].toString().toStdString();
    party.furtherIds.clear();
    for (const QJsonValue& id : json["furtherIds"].toArray())
        party.furtherIds.push_back(
            {id["id"].toString().toStdString(), id["scheme"].toString().toStdString()});
}

QString jsonText(const QJsonObject& json) {
    return QString::fromUtf8(QJsonDocument(json).toJson(QJsonDocument::Compact));
}

std::optional<QJsonObject> storedJson(Database& db, const QString& sql, const QString& key = {}) {
    QSqlQuery query(db.connection());
    query.prepare(sql);
    if (!key.isNull())
        query.addBindValue(key);
    if (!db.isOpen() || !query.exec() || !query.next())
        return std::nullopt;
    return QJsonDocument::fromJson(query.value(0).toString().toUtf8()).object();
}

const std::string& partyName(const PartyFields& party) {
    return party.name.empty() ? party.registrationName : party.name;
}

} // namespace

std::string saveOwnCompany(Database& db, const InvoiceDocument& doc) {
    QJsonObject json;
    putParty(json, doc.supplier);
    for (const auto& [key, member] : supplierPageTexts)
        json[key] = qs(doc.*member);
    QJsonArray accounts;
    for (const PaymentMeansEntry& means : doc.furtherPaymentMeans)
        if (!means.iban.empty() || !means.accountName.empty() || !means.bic.empty())
            accounts.append(QJsonObject{{"code", qs(means.code)},
                                        {"iban", qs(means.iban)},
                                        {"accountName", qs(means.accountName)},
                                        {"bic", qs(means.bic)}});
    json["furtherAccounts"] = accounts;
    return db.transaction([&]() -> std::string {
        QSqlQuery query(db.connection());
        query.prepare("INSERT INTO own_company (id, fields) VALUES (1, ?) "
                      "ON CONFLICT (id) DO UPDATE SET fields = excluded.fields");
        query.addBindValue(jsonText(json));
        return query.exec() ? std::string() : sqlError(query);
    });
}

bool fillOwnCompany(Database& db, InvoiceDocument& doc) {
    const std::optional<QJsonObject> json = storedJson(db, "SELECT fields FROM own_company WHERE id = 1");
    if (!json)
        return false;
    takeParty(*json, doc.supplier);
    for (const auto& [key, member] : supplierPageTexts)
        doc.*member = (*json)[key].toString().toStdString();
    doc.furtherPaymentMeans.clear();
    for (const QJsonValue& account : (*json)["furtherAccounts"].toArray()) {
        PaymentMeansEntry means;
        means.code = account["code"].toString().toStdString();
        means.iban = account["iban"].toString().toStdString();
        means.accountName = account["accountName"].toString().toStdString();
        means.bic = account["bic"].toString().toStdString();
        doc.furtherPaymentMeans.push_back(std::move(means));
    }
    return true;
}

void clearSupplierPage(InvoiceDocument& doc) {
    doc.supplier = PartyFields{};
    for (const auto& [key, member] : supplierPageTexts)
        if (member != &InvoiceDocument::paymentMeansCode)
            (doc.*member).clear();
    doc.furtherPaymentMeans.clear();
}

std::string saveCustomer(Database& db, const InvoiceDocument& doc) {
    const std::string& name = partyName(doc.customer);
    if (name.empty())
        return "Ein Kunde ohne Namen kann nicht gemerkt werden.";
    QJsonObject json;
    putParty(json, doc.customer);
    for (const auto& [key, member] : customerPageTexts)
        json[key] = qs(doc.*member);
    return db.transaction([&]() -> std::string {
        QSqlQuery query(db.connection());
        query.prepare("INSERT INTO customer (name, fields) VALUES (?, ?) "
                      "ON CONFLICT (name) DO UPDATE SET fields = excluded.fields");
        query.addBindValue(qs(name));
        query.addBindValue(jsonText(json));
        return query.exec() ? std::string() : sqlError(query);
    });
}

std::vector<std::string> customerNames(Database& db) {
    std::vector<std::string> names;
    QSqlQuery query(db.connection());
    if (db.isOpen() && query.exec("SELECT name FROM customer ORDER BY name"))
        while (query.next())
            names.push_back(query.value(0).toString().toStdString());
    return names;
}

bool fillCustomer(Database& db, const std::string& name, InvoiceDocument& doc) {
    const std::optional<QJsonObject> json =
        storedJson(db, "SELECT fields FROM customer WHERE name = ?", qs(name));
    if (!json)
        return false;
    takeParty(*json, doc.customer);
    for (const auto& [key, member] : customerPageTexts)
        doc.*member = (*json)[key].toString().toStdString();
    return true;
}

Article articleOf(const LineItem& line) {
    return {line.itemNumber, line.itemName,        line.itemDescription, line.unitPrice,
            line.unitCode,   line.lineTaxCategory, line.lineVatPercent};
}

void fillLine(LineItem& line, const Article& article) {
    line.itemNumber = article.number;
    line.itemName = article.name;
    line.itemDescription = article.description;
    line.unitPrice = article.price;
    line.unitCode = article.unitCode;
    line.lineTaxCategory = article.taxCategory;
    line.lineVatPercent = article.taxRate;
}

std::string saveArticle(Database& db, const Article& article) {
    if (article.name.empty())
        return "Ein Artikel ohne Bezeichnung kann nicht gemerkt werden.";
    return db.transaction([&]() -> std::string {
        QSqlQuery query(db.connection());
        query.prepare(
            "INSERT INTO article (number, name, description, price, unit_code, tax_category, tax_rate) "
            "VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT (number, name) DO UPDATE SET "
            "description = excluded.description, price = excluded.price, "
            "unit_code = excluded.unit_code, tax_category = excluded.tax_category, "
            "tax_rate = excluded.tax_rate");
        for (const std::string* text : {&article.number, &article.name, &article.description, &article.price,
                                        &article.unitCode, &article.taxCategory, &article.taxRate})
            query.addBindValue(qs(*text));
        return query.exec() ? std::string() : sqlError(query);
    });
}

std::vector<Article> articles(Database& db) {
    std::vector<Article> list;
    QSqlQuery query(db.connection());
    if (!db.isOpen() ||
        !query.exec("SELECT number, name, description, price, unit_code, tax_category, tax_rate FROM article "
                    "ORDER BY number, name"))
        return list;
    while (query.next()) {
        const auto s = [&](int column) { return query.value(column).toString().toStdString(); };
        list.push_back({s(0), s(1), s(2), s(3), s(4), s(5), s(6)});
    }
    return list;
}

} // namespace tallomir::store
