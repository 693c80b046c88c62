#include "json_io.h"

#include "form/fields.h"
#include "form/input_rules.h"
#include "form/line_allowances.h"
#include "form/line_details.h"
#include "form/line_list.h"
#include "form/lists.h"
#include "invoice/amounts.h"
#include "invoice/dates.h"
#include "invoice/texts.h"

#include <algorithm>
#include <array>
#include <set>
#include <utility>

namespace tallomir::cli {
namespace {

using nlohmann::json;

// A text field of the form: its JSON key and its control identity.
struct TextKey {
    const char* key;
    FieldId field;
};

// Header text fields of "Belegkopf", in the order of the page.
constexpr std::array headerTexts{
    TextKey{"buyerReference", FieldId::BuyerReference},
    TextKey{"documentNumber", FieldId::DocumentNumber},
    TextKey{"orderNumber", FieldId::OrderNumber},
    TextKey{"salesOrderNumber", FieldId::SalesOrderNumber},
    TextKey{"contractNumber", FieldId::ContractNumber},
    TextKey{"projectNumber", FieldId::ProjectNumber},
    TextKey{"note", FieldId::Note},
    TextKey{"precedingInvoiceNumber", FieldId::PrecedingInvoiceNumber},
};

// Texts the form has no field for, set as given.
constexpr std::pair<const char*, std::string InvoiceDocument::*> unformedTexts[] = {
    {"invoicedObjectIdentifierScheme", &InvoiceDocument::invoicedObjectScheme},
    {"businessProcess", &InvoiceDocument::businessProcess},
    {"paymentMeansText", &InvoiceDocument::paymentMeansText},
};

struct DateKey {
    const char* key;
    FieldId field;
};

// "Weitere Angaben", in the order of the page.
constexpr std::array moreTexts{
    TextKey{"buyerAccountingReference", FieldId::BuyerAccountingReference},
    TextKey{"tenderOrLotReference", FieldId::TenderOrLotReference},
    TextKey{"invoicedObjectIdentifier", FieldId::InvoicedObjectIdentifier},
    TextKey{"receivingAdviceReference", FieldId::ReceivingAdviceReference},
    TextKey{"despatchAdviceReference", FieldId::DespatchAdviceReference},
    TextKey{"remittanceInformation", FieldId::RemittanceInformation},
    TextKey{"taxPointDateCode", FieldId::TaxPointDateCode},
};

constexpr std::array headerDates{
    DateKey{"issueDate", FieldId::IssueDate},
    DateKey{"dueDate", FieldId::DueDate},
    DateKey{"deliveryDate", FieldId::DeliveryDate},
    DateKey{"periodStart", FieldId::PeriodStart},
    DateKey{"periodEnd", FieldId::PeriodEnd},
    DateKey{"precedingInvoiceDate", FieldId::PrecedingInvoiceDate},
};

// The party pages in the order of their rows.
constexpr std::array supplierTexts{
    TextKey{"partyId", FieldId::SupplierPartyId},
    TextKey{"partyIdScheme", FieldId::SupplierPartyIdScheme},
    TextKey{"name", FieldId::SupplierName},
    TextKey{"street", FieldId::SupplierStreet},
    TextKey{"additionalStreet", FieldId::SupplierAdditionalStreet},
    TextKey{"addressLine3", FieldId::SupplierAddressLine3},
    TextKey{"postalCode", FieldId::SupplierPostalCode},
    TextKey{"city", FieldId::SupplierCity},
    TextKey{"region", FieldId::SupplierRegion},
    TextKey{"countryCode", FieldId::SupplierCountryCode},
    TextKey{"vatId", FieldId::SupplierVatId},
    TextKey{"taxNumber", FieldId::SupplierTaxNumber},
    TextKey{"registrationName", FieldId::SupplierRegistrationName},
    TextKey{"registrationId", FieldId::SupplierRegistrationId},
    TextKey{"registrationIdScheme", FieldId::SupplierRegistrationIdScheme},
    TextKey{"legalForm", FieldId::SupplierLegalForm},
    TextKey{"contactName", FieldId::SupplierContactName},
    TextKey{"phone", FieldId::SupplierPhone},
    TextKey{"email", FieldId::SupplierEmail},
    TextKey{"electronicAddress", FieldId::SupplierEndpoint},
};

constexpr std::array customerTexts{
    TextKey{"partyId", FieldId::CustomerPartyId},
    TextKey{"partyIdScheme", FieldId::CustomerPartyIdScheme},
    TextKey{"name", FieldId::CustomerName},
    TextKey{"street", FieldId::CustomerStreet},
    TextKey{"additionalStreet", FieldId::CustomerAdditionalStreet},
    TextKey{"addressLine3", FieldId::CustomerAddressLine3},
    TextKey{"postalCode", FieldId::CustomerPostalCode},
    TextKey{"city", FieldId::CustomerCity},
    TextKey{"region", FieldId::CustomerRegion},
    TextKey{"countryCode", FieldId::CustomerCountryCode},
    TextKey{"vatId", FieldId::CustomerVatId},
    TextKey{"registrationName", FieldId::CustomerRegistrationName},
    TextKey{"registrationId", FieldId::CustomerRegistrationId},
    TextKey{"registrationIdScheme", FieldId::CustomerRegistrationIdScheme},
    TextKey{"contactName", FieldId::CustomerContactName},
    TextKey{"phone", FieldId::CustomerPhone},
    TextKey{"email", FieldId::CustomerEmail},
    TextKey{"electronicAddress", FieldId::CustomerEndpoint},
};

constexpr std::array deliveryTexts{
    TextKey{"name", FieldId::DeliveryName},
    TextKey{"street", FieldId::DeliveryStreet},
    TextKey{"additionalStreet", FieldId::DeliveryAdditionalStreet},
    TextKey{"addressLine3", FieldId::DeliveryAddressLine3},
    TextKey{"postalCode", FieldId::DeliveryPostalCode},
    TextKey{"city", FieldId::DeliveryCity},
    TextKey{"region", FieldId::DeliveryRegion},
    TextKey{"countryCode", FieldId::DeliveryCountryCode},
    TextKey{"locationId", FieldId::DeliveryLocationId},
    TextKey{"locationIdScheme", FieldId::DeliveryLocationIdScheme},
};

constexpr std::array payeeTexts{
    TextKey{"name", FieldId::PayeeName},
    TextKey{"identifier", FieldId::PayeeIdentifier},
    TextKey{"legalRegistrationId", FieldId::PayeeRegistrationId},
};

constexpr std::array taxRepresentativeTexts{
    TextKey{"name", FieldId::TaxRepresentativeName},
    TextKey{"street", FieldId::TaxRepresentativeStreet},
    TextKey{"additionalStreet", FieldId::TaxRepresentativeAdditionalStreet},
    TextKey{"addressLine3", FieldId::TaxRepresentativeAddressLine3},
    TextKey{"postalCode", FieldId::TaxRepresentativePostalCode},
    TextKey{"city", FieldId::TaxRepresentativeCity},
    TextKey{"region", FieldId::TaxRepresentativeRegion},
    TextKey{"countryCode", FieldId::TaxRepresentativeCountryCode},
    TextKey{"vatId", FieldId::TaxRepresentativeVatId},
};

constexpr std::array paymentTexts{
    TextKey{"bankName", FieldId::BankName},
    TextKey{"iban", FieldId::Iban},
    TextKey{"bic", FieldId::Bic},
    TextKey{"mandateReference", FieldId::MandateReference},
    TextKey{"creditorId", FieldId::CreditorId},
    TextKey{"debitedIban", FieldId::DebitedIban},
    TextKey{"cardNumber", FieldId::CardNumber},
    TextKey{"cardHolder", FieldId::CardHolder},
};

struct LineKey {
    const char* key;
    LineField field;
};

constexpr std::array lineTexts{
    LineKey{"position", LineField::Position},           LineKey{"quantity", LineField::Quantity},
    LineKey{"itemNumber", LineField::ItemNumber},       LineKey{"itemName", LineField::ItemName},
    LineKey{"unitPrice", LineField::UnitPrice},         LineKey{"lineVatPercent", LineField::VatPercent},
    LineKey{"itemDescription", LineField::Description},
};

// A value as typed: JSON strings as they are, numbers in their JSON spelling.
std::string typedText(const json& value, const std::string& key) {
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_number())
        return value.dump();
    throw InputError("Der Wert von \"" + key + "\" ist kein Text.");
}

void checkKeys(const json& object, const std::set<std::string>& allowed, const std::string& where) {
    if (!object.is_object())
        throw InputError(where + " ist kein JSON-Objekt.");
    for (const auto& item : object.items())
        if (!allowed.contains(item.key()))
            throw InputError("Unbekannter Schlüssel \"" + item.key() + "\" in " + where + ".");
}

template <typename Keys> std::set<std::string> keyNames(const Keys& keys) {
    std::set<std::string> names;
    for (const auto& k : keys)
        names.insert(k.key);
    return names;
}

DateValue typedDate(const json& value, const std::string& key) {
    const std::string text = typedText(value, key);
    if (text.empty())
        return noDate;
    const DateValue date = parseIsoDate(text);
    if (date == noDate)
        throw InputError("\"" + key + "\" ist kein Datum der Form JJJJ-MM-TT: " + text);
    return date;
}

// A field the form does not let the user fill now cannot be given either.
void requireEnabled(const Form& state, FieldId field, const std::string& key) {
    if (!fieldEnabled(state, field))
        throw InputError("\"" + key +
                         "\" gibt es für diese Belegart nicht (nur Gutschrift und korrigierte Rechnung).");
}

void leaveTexts(Form& state, const json& object, const auto& keys) {
    for (const auto& k : keys)
        if (object.contains(k.key))
            leaveTextField(state, k.field, typedText(object.at(k.key), k.key));
}

int codeIndex(const std::vector<CodeEntry>& list, const std::string& code, const std::string& key) {
    const int index = findCode(list, code);
    if (index < 0)
        throw InputError("Unbekannter Code für \"" + key + "\": " + code);
    return index;
}

// A party's page: its fields in the order of their rows, the scheme of the
// electronic address after the address.
void enterParty(Form& state, const json& party, const auto& texts, FieldId scheme, const std::string& where) {
    std::set<std::string> allowed = keyNames(texts);
    allowed.insert("electronicAddressScheme");
    if (scheme == FieldId::SupplierEndpointScheme) // only the seller has several identifiers
        allowed.insert("furtherPartyIds");
    checkKeys(party, allowed, where);
    leaveTexts(state, party, texts);
    if (party.contains("electronicAddressScheme"))
        selectEntry(state, scheme,
                    codeIndex(state.lists.endpointSchemes,
                              typedText(party.at("electronicAddressScheme"), "electronicAddressScheme"),
                              "electronicAddressScheme"));
}

// A line's further details ("Weitere Angaben …" of the line editor).
constexpr std::pair<const char*, std::string LineDetails::*> detailTexts[] = {
    {"orderLineReference", &LineDetails::orderLineReference},
    {"lineAccountingReference", &LineDetails::lineAccountingReference},
    {"lineObjectIdentifier", &LineDetails::lineObjectIdentifier},
    {"lineObjectIdentifierScheme", &LineDetails::lineObjectIdentifierScheme},
    {"buyersItemId", &LineDetails::buyersItemId},
    {"standardItemId", &LineDetails::standardItemId},
    {"standardItemIdScheme", &LineDetails::standardItemIdScheme},
    {"originCountry", &LineDetails::originCountry},
    {"priceDiscount", &LineDetails::priceDiscount},
    {"grossPrice", &LineDetails::grossPrice},
};
// The lists of a line's details: each entry an object with these keys.
struct DetailList {
    const char* key;
    DetailRows LineDetails::*rows;
    std::vector<const char*> columns;
};
const DetailList detailLists[] = {
    {"itemClassifications", &LineDetails::classifications, {"code", "listId", "listVersionId"}},
    {"itemAttributes", &LineDetails::attributes, {"name", "value"}},
};

// The details given with a line, through the dialog's rule.
void enterLineDetails(Form& state, const json& line) {
    LineDetails details = lineDetailsOf(state.lineEditBuffer);
    for (const auto& [key, member] : detailTexts)
        if (line.contains(key))
            details.*member = typedText(line.at(key), key);
    for (const auto& [key, member, columns] : detailLists) {
        if (!line.contains(key))
            continue;
        const json& list = line.at(key);
        if (!list.is_array())
            throw InputError(std::string("\"") + key + "\" ist keine Liste.");
        DetailRows& rows = details.*member;
        rows.clear();
        for (const json& entry : list) {
            checkKeys(entry, {columns.begin(), columns.end()},
                      std::string("einem Eintrag von \"") + key + "\"");
            std::vector<std::string>& row = rows.emplace_back();
            for (const char* column : columns)
                row.push_back(entry.contains(column) ? typedText(entry.at(column), column) : "");
        }
    }
    takeLineDetails(state, details);
}

// A line's "lineAllowances" and "lineCharges", as the dialog "Nachlässe und
// Zuschläge" takes them.
void enterLineAllowances(Form& state, const json& line) {
    std::vector<LineAllowanceTexts> rows;
    for (const auto& [key, kind] : {std::pair{"lineAllowances", "Nachlass"}, {"lineCharges", "Zuschlag"}}) {
        if (!line.contains(key))
            continue;
        const json& list = line.at(key);
        if (!list.is_array())
            throw InputError("\"" + std::string(key) + "\" ist keine Liste.");
        for (const json& entry : list) {
            checkKeys(entry, {"amount", "percent", "baseAmount", "reason", "reasonCode"},
                      "\"" + std::string(key) + "\"");
            const auto text = [&](const char* name) {
                return entry.contains(name) ? typedText(entry.at(name), name) : std::string();
            };
            rows.push_back({kind, text("amount"), text("percent"), text("baseAmount"), text("reason"),
                            text("reasonCode")});
        }
    }
    if (const std::string problem = setLineAllowances(state, rows); !problem.empty()) {
        const std::string& position = state.lineEditBuffer.position;
        throw InputError((position.empty() ? "" : "Position " + position + ": ") + problem);
    }
}

void enterLine(Form& state, const json& line) {
    std::set<std::string> allowed = keyNames(lineTexts);
    allowed.insert(
        {"lineStartDate", "lineEndDate", "taxCategory", "unitCode", "lineAllowances", "lineCharges"});
    for (const auto& [key, member] : detailTexts)
        allowed.insert(key);
    for (const DetailList& list : detailLists)
        allowed.insert(list.key);
    checkKeys(line, allowed, "einer Position");
    // The category first: it brings the rate that fits it, which a rate
    // given with the line then replaces.
    if (line.contains("taxCategory"))
        chooseLineCategory(state, codeIndex(state.lists.taxCategories,
                                            typedText(line.at("taxCategory"), "taxCategory"), "taxCategory"));
    for (const auto& k : lineTexts)
        if (line.contains(k.key))
            leaveLineField(state, k.field, typedText(line.at(k.key), k.key));
    if (line.contains("unitCode")) {
        // Only a unit of the list, as "Einheit" offers them.
        const std::string code = typedText(line.at("unitCode"), "unitCode");
        codeIndex(state.lists.unitCodes, code, "unitCode");
        changeLineUnit(state, code);
    }
    if (line.contains("lineStartDate"))
        changeLineDate(state, true, typedDate(line.at("lineStartDate"), "lineStartDate"));
    if (line.contains("lineEndDate"))
        changeLineDate(state, false, typedDate(line.at("lineEndDate"), "lineEndDate"));
    enterLineDetails(state, line);
    enterLineAllowances(state, line);
    addLine(state);
}

void enterAllowance(Form& state, const json& row) {
    checkKeys(row, {"reason", "value", "percent", "vatSlot"}, "\"allowance\"");
    if (row.contains("reason"))
        leaveTextField(state, FieldId::AllowanceReason, typedText(row.at("reason"), "reason"));
    if (row.contains("value"))
        leaveTextField(state, FieldId::AllowanceValue, typedText(row.at("value"), "value"));
    if (row.contains("percent"))
        leaveTextField(state, FieldId::AllowancePercent, typedText(row.at("percent"), "percent"));
    if (row.contains("vatSlot")) {
        const json& slot = row.at("vatSlot");
        if (!slot.is_number_integer() || slot.get<int>() < 0 || slot.get<int>() > 2)
            throw InputError("\"vatSlot\" muss 0, 1 oder 2 sein.");
        selectEntry(state, FieldId::AllowanceSlot, slot.get<int>());
    }
}

// The payment means after the first, each by its JSON key.
constexpr std::pair<const char*, std::string PaymentMeansEntry::*> paymentMeansKeys[] = {
    {"code", &PaymentMeansEntry::code},
    {"text", &PaymentMeansEntry::text},
    {"remittanceInformation", &PaymentMeansEntry::remittanceInformation},
    {"iban", &PaymentMeansEntry::iban},
    {"accountName", &PaymentMeansEntry::accountName},
    {"bic", &PaymentMeansEntry::bic},
    {"cardNumber", &PaymentMeansEntry::cardNumber},
    {"cardNetwork", &PaymentMeansEntry::cardNetwork},
    {"cardHolder", &PaymentMeansEntry::cardHolder},
    {"mandateReference", &PaymentMeansEntry::mandateReference},
    {"debitedIban", &PaymentMeansEntry::debitedIban},
};

// The entries of a JSON list of objects, each text by its key in `keys`.
template <typename Entry, std::size_t count>
std::vector<Entry> entriesOf(const json& list,
                             const std::pair<const char*, std::string Entry::*> (&keys)[count],
                             const std::string& listKey, const std::string& where) {
    if (!list.is_array())
        throw InputError("\"" + listKey + "\" ist keine Liste.");
    std::set<std::string> allowed;
    for (const auto& [key, member] : keys)
        allowed.insert(key);
    std::vector<Entry> entries;
    for (const json& item : list) {
        checkKeys(item, allowed, where);
        Entry& entry = entries.emplace_back();
        for (const auto& [key, member] : keys)
            if (item.contains(key))
                entry.*member = typedText(item.at(key), key);
    }
    return entries;
}

// The entries of a list as JSON objects, each text by its key.
template <typename Entry, std::size_t count>
json listOf(const std::vector<Entry>& entries,
            const std::pair<const char*, std::string Entry::*> (&keys)[count]) {
    json list = json::array();
    for (const Entry& entry : entries) {
        json item;
        for (const auto& [key, member] : keys)
            item[key] = entry.*member;
        list.push_back(std::move(item));
    }
    return list;
}

// The attached files and references, each by its JSON key; the content in Base64.
constexpr std::pair<const char*, std::string Attachment::*> attachmentKeys[] = {
    {"id", &Attachment::id},
    {"typeCode", &Attachment::typeCode},
    {"description", &Attachment::description},
    {"fileName", &Attachment::fileName},
    {"mimeType", &Attachment::mimeCode},
    {"content", &Attachment::content},
    {"uri", &Attachment::uri},
};

// The seller's further identifiers and the further notes, each by its JSON key.
constexpr std::pair<const char*, std::string PartyIdentifier::*> identifierKeys[] = {
    {"id", &PartyIdentifier::id},
    {"scheme", &PartyIdentifier::scheme},
};
constexpr std::pair<const char*, std::string PrecedingInvoice::*> precedingKeys[] = {
    {"number", &PrecedingInvoice::number},
    {"issueDate", &PrecedingInvoice::issueDate},
};
constexpr std::pair<const char*, std::string NoteEntry::*> noteKeys[] = {
    {"subjectCode", &NoteEntry::subjectCode},
    {"text", &NoteEntry::text},
};

} // namespace

void enterJson(Form& state, const json& input) {
    std::set<std::string> allowed = keyNames(headerTexts);
    allowed.merge(keyNames(headerDates));
    allowed.merge(keyNames(paymentTexts));
    allowed.merge(keyNames(moreTexts));
    allowed.insert({"documentTypeCode", "documentCurrency", "paymentTerms", "documentTaxCategory",
                    "paymentMeansCode", "supplier", "customer", "delivery", "lines", "allowance",
                    "xrechnungVersion", "syntax", "taxPointDate", "payee", "taxRepresentative", "notes",
                    "furtherPaymentMeans", "attachments", "furtherPrecedingInvoices"});
    for (const auto& [key, member] : unformedTexts)
        allowed.insert(key);
    checkKeys(input, allowed, "der Eingabe");

    // "Belegkopf": the combo boxes first, then the left column.
    if (input.contains("xrechnungVersion")) {
        const std::string version = typedText(input.at("xrechnungVersion"), "xrechnungVersion");
        if (version != "2.1.1" && version != "3.0")
            throw InputError("\"xrechnungVersion\" muss \"2.1.1\" oder \"3.0\" sein.");
        selectEntry(state, FieldId::DocumentFormat, version == "3.0" ? 1 : 0);
    }
    if (input.contains("syntax")) {
        const std::string name = typedText(input.at("syntax"), "syntax");
        if (name != "ubl" && name != "cii")
            throw InputError("\"syntax\" muss \"ubl\" oder \"cii\" sein.");
        selectEntry(state, FieldId::DocumentSyntax, name == "cii" ? 1 : 0);
    }
    if (input.contains("documentTypeCode"))
        selectEntry(state, FieldId::DocumentType,
                    codeIndex(state.lists.documentTypes,
                              typedText(input.at("documentTypeCode"), "documentTypeCode"),
                              "documentTypeCode"));
    if (input.contains("documentCurrency")) {
        const std::string currency = typedText(input.at("documentCurrency"), "documentCurrency");
        const auto& list = state.lists.currencies;
        const auto found = std::find(list.begin(), list.end(), currency);
        if (found == list.end())
            throw InputError("Unbekannte Währung: " + currency);
        selectEntry(state, FieldId::Currency, static_cast<int>(found - list.begin()));
    }
    // The combo shows the first payment terms until something else is typed.
    const std::string shownTerms =
        state.lists.paymentTermsTexts.empty() ? "" : state.lists.paymentTermsTexts[0];
    leaveTextField(state, FieldId::PaymentTerms,
                   input.contains("paymentTerms") ? typedText(input.at("paymentTerms"), "paymentTerms")
                                                  : shownTerms);
    if (input.contains("documentTaxCategory"))
        selectEntry(state, FieldId::TaxCategory,
                    codeIndex(state.lists.taxCategories,
                              typedText(input.at("documentTaxCategory"), "documentTaxCategory"),
                              "documentTaxCategory"));
    for (const auto& k : headerTexts) {
        if (input.contains(k.key)) {
            requireEnabled(state, k.field, k.key);
            leaveTextField(state, k.field, typedText(input.at(k.key), k.key));
        }
        if (k.field == FieldId::DocumentNumber)
            for (const auto& d : headerDates)
                if (input.contains(d.key)) {
                    requireEnabled(state, d.field, d.key);
                    changeDate(state, d.field, typedDate(input.at(d.key), d.key));
                }
    }

    // "Lieferant" with the payment fields, "Kunde", "Lieferung".
    if (input.contains("supplier"))
        enterParty(state, input.at("supplier"), supplierTexts, FieldId::SupplierEndpointScheme,
                   "\"supplier\"");
    if (input.contains("supplier") && input.at("supplier").contains("furtherPartyIds"))
        setFurtherPartyIds(state, entriesOf(input.at("supplier").at("furtherPartyIds"), identifierKeys,
                                            "furtherPartyIds", "einer weiteren Kennung"));
    if (input.contains("paymentMeansCode"))
        selectEntry(state, FieldId::PaymentMeans,
                    codeIndex(state.lists.paymentMeans,
                              typedText(input.at("paymentMeansCode"), "paymentMeansCode"),
                              "paymentMeansCode"));
    leaveTexts(state, input, paymentTexts);
    if (input.contains("customer"))
        enterParty(state, input.at("customer"), customerTexts, FieldId::CustomerEndpointScheme,
                   "\"customer\"");
    if (input.contains("delivery")) {
        checkKeys(input.at("delivery"), keyNames(deliveryTexts), "\"delivery\"");
        leaveTexts(state, input.at("delivery"), deliveryTexts);
    }

    if (input.contains("lines")) {
        const json& lines = input.at("lines");
        if (!lines.is_array())
            throw InputError("\"lines\" ist keine Liste.");
        for (const json& line : lines)
            enterLine(state, line);
    }
    if (input.contains("allowance"))
        enterAllowance(state, input.at("allowance"));
    // "Weitere Angaben".
    for (const auto& k : moreTexts)
        if (input.contains(k.key))
            leaveTextField(state, k.field, typedText(input.at(k.key), k.key));
    if (input.contains("taxPointDate"))
        changeDate(state, FieldId::TaxPointDate, typedDate(input.at("taxPointDate"), "taxPointDate"));
    if (input.contains("payee")) {
        checkKeys(input.at("payee"), keyNames(payeeTexts), "\"payee\"");
        leaveTexts(state, input.at("payee"), payeeTexts);
    }
    if (input.contains("taxRepresentative")) {
        checkKeys(input.at("taxRepresentative"), keyNames(taxRepresentativeTexts), "\"taxRepresentative\"");
        leaveTexts(state, input.at("taxRepresentative"), taxRepresentativeTexts);
    }
    if (input.contains("notes"))
        setFurtherNotes(state, entriesOf(input.at("notes"), noteKeys, "notes", "einer Notiz"));
    if (input.contains("furtherPaymentMeans"))
        setFurtherPaymentMeans(state, entriesOf(input.at("furtherPaymentMeans"), paymentMeansKeys,
                                                "furtherPaymentMeans", "einer weiteren Zahlungsart"));
    if (input.contains("furtherPrecedingInvoices"))
        setFurtherPrecedingInvoices(state, entriesOf(input.at("furtherPrecedingInvoices"), precedingKeys,
                                                     "furtherPrecedingInvoices", "einer weiteren Rechnung"));
    if (input.contains("attachments"))
        setAttachments(state,
                       entriesOf(input.at("attachments"), attachmentKeys, "attachments", "einem Anhang"));
    // Values without a field of the form: the object identifier's scheme (a
    // code of UNTDID 1153), the business process (the form writes its own
    // unless one is given).
    for (const auto& [key, member] : unformedTexts)
        if (input.contains(key))
            state.doc.*member = singleLineText(typedText(input.at(key), key));
}

json dumpDocument(const DocumentState& state) {
    const InvoiceDocument& d = state.doc;
    json out;
    const std::pair<const char*, const std::string*> flat[] = {
        {"documentTypeCode", &d.documentTypeCode},
        {"buyerReference", &d.buyerReference},
        {"documentNumber", &d.documentNumber},
        {"issueDate", &d.issueDate},
        {"dueDate", &d.dueDate},
        {"deliveryDate", &d.deliveryDate},
        {"periodStart", &d.periodStart},
        {"periodEnd", &d.periodEnd},
        {"orderNumber", &d.orderNumber},
        {"salesOrderNumber", &d.salesOrderNumber},
        {"contractNumber", &d.contractNumber},
        {"projectNumber", &d.projectNumber},
        {"note", &d.note},
        {"precedingInvoiceNumber", &d.precedingInvoiceNumber},
        {"precedingInvoiceDate", &d.precedingInvoiceDate},
        {"buyerAccountingReference", &d.buyerAccountingReference},
        {"tenderOrLotReference", &d.tenderOrLotReference},
        {"invoicedObjectIdentifier", &d.invoicedObjectIdentifier},
        {"invoicedObjectIdentifierScheme", &d.invoicedObjectScheme},
        {"receivingAdviceReference", &d.receivingAdviceReference},
        {"despatchAdviceReference", &d.despatchAdviceReference},
        {"taxPointDate", &d.taxPointDate},
        {"taxPointDateCode", &d.taxPointDateCode},
        {"customizationId", &d.customizationId},
        {"businessProcess", &d.businessProcess},
        {"paymentMeansText", &d.paymentMeansText},
        {"loadedDocumentCurrency", &d.loadedDocumentCurrency},
        {"loadedTaxCurrency", &d.loadedTaxCurrency},
        {"paymentMeansCode", &d.paymentMeansCode},
        {"bankName", &d.bankName},
        {"iban", &d.iban},
        {"bic", &d.bic},
        {"paymentTerms", &d.paymentTerms},
        {"remittanceInformation", &d.remittanceInformation},
        {"mandateReference", &d.mandateReference},
        {"creditorId", &d.creditorId},
        {"debitedIban", &d.debitedIban},
        {"cardNumber", &d.cardNumber},
        {"cardHolder", &d.cardHolder},
        {"cardNetwork", &d.cardNetwork},
        {"chargeIndicator", &d.chargeIndicator},
        {"allowanceReasonCode", &d.allowanceReasonCode},
        {"allowanceReason", &d.allowanceReason},
        {"allowancePercent", &d.allowancePercent},
        {"allowanceAmount", &d.allowanceAmount},
        {"allowanceBaseAmount", &d.allowanceBaseAmount},
        {"allowanceTaxCategory", &d.allowanceTaxCategory},
        {"allowanceTaxPercent", &d.allowanceTaxPercent},
        {"allowanceTaxScheme", &d.allowanceTaxScheme},
        {"lineExtensionAmount", &d.lineExtensionAmount},
        {"taxExclusiveAmount", &d.taxExclusiveAmount},
        {"taxTotalAmount", &d.taxTotalAmount},
        {"taxInclusiveAmount", &d.taxInclusiveAmount},
        {"allowanceTotalAmount", &d.allowanceTotalAmount},
        {"chargeTotalAmount", &d.chargeTotalAmount},
        {"prepaidAmount", &d.prepaidAmount},
        {"roundingAmount", &d.roundingAmount},
        {"payableAmount", &d.payableAmount},
        {"taxCurrencyTaxAmount", &d.taxCurrencyTaxAmount},
        {"taxCategoryCode", &d.taxCategoryCode},
        {"documentCurrency", &state.documentCurrency},
        {"documentTaxCategory", &state.documentTaxCategory},
        {"unitCode", &state.unitCode},
    };
    for (const auto& [name, value] : flat)
        out[name] = *value;
    out["xrechnungVersion"] = state.xrechnungVersion == XRechnungVersion::V3_0 ? "3.0" : "2.1.1";
    out["syntax"] = state.syntax == Syntax::Cii ? "cii" : "ubl";

    const auto party = [](const PartyFields& p) {
        return json{{"partyId", p.partyId},
                    {"furtherPartyIds", listOf(p.furtherIds, identifierKeys)},
                    {"partyIdScheme", p.partyIdScheme},
                    {"name", p.name},
                    {"street", p.street},
                    {"additionalStreet", p.additionalStreet},
                    {"addressLine3", p.addressLine3},
                    {"city", p.city},
                    {"postalCode", p.postalCode},
                    {"region", p.region},
                    {"countryCode", p.countryCode},
                    {"vatId", p.vatId},
                    {"taxSchemeId", p.taxSchemeId},
                    {"taxNumber", p.taxNumber},
                    {"electronicAddress", p.endpointId},
                    {"electronicAddressScheme", p.endpointScheme},
                    {"taxNumberScheme", p.taxNumberScheme},
                    {"registrationName", p.registrationName},
                    {"registrationId", p.registrationId},
                    {"registrationIdScheme", p.registrationIdScheme},
                    {"legalForm", p.legalForm},
                    {"contactName", p.contactName},
                    {"phone", p.phone},
                    {"email", p.email}};
    };
    out["notes"] = listOf(d.furtherNotes, noteKeys);
    out["furtherPaymentMeans"] = listOf(d.furtherPaymentMeans, paymentMeansKeys);
    out["attachments"] = listOf(d.attachments, attachmentKeys);
    out["furtherPrecedingInvoices"] = listOf(d.furtherPrecedingInvoices, precedingKeys);
    out["payee"] = json{{"name", d.payeeName},
                        {"identifier", d.payeeIdentifier},
                        {"identifierScheme", d.payeeIdentifierScheme},
                        {"legalRegistrationId", d.payeeRegistrationId},
                        {"legalRegistrationScheme", d.payeeRegistrationScheme}};
    out["taxRepresentative"] = json{{"name", d.taxRepresentativeName},
                                    {"street", d.taxRepresentativeStreet},
                                    {"additionalStreet", d.taxRepresentativeAdditionalStreet},
                                    {"addressLine3", d.taxRepresentativeAddressLine3},
                                    {"postalCode", d.taxRepresentativePostalCode},
                                    {"city", d.taxRepresentativeCity},
                                    {"region", d.taxRepresentativeRegion},
                                    {"countryCode", d.taxRepresentativeCountryCode},
                                    {"vatId", d.taxRepresentativeVatId}};
    out["supplier"] = party(d.supplier);
    out["customer"] = party(d.customer);
    out["delivery"] = json{{"name", d.delivery.name},
                           {"street", d.delivery.street},
                           {"additionalStreet", d.delivery.additionalStreet},
                           {"addressLine3", d.delivery.addressLine3},
                           {"city", d.delivery.city},
                           {"postalCode", d.delivery.postalCode},
                           {"region", d.delivery.region},
                           {"countryCode", d.delivery.countryCode},
                           {"locationId", d.delivery.locationId},
                           {"locationIdScheme", d.delivery.locationIdScheme}};

    // A line's allowances and charges, each list by its kind.
    const auto lineAllowances = [](const LineItem& l, bool charges) {
        json list = json::array();
        for (const AllowanceCharge& a : l.allowances)
            if (isCharge(a.chargeIndicator) == charges)
                list.push_back(json{{"amount", a.amount},
                                    {"percent", a.percent},
                                    {"baseAmount", a.baseAmount},
                                    {"reason", a.reason},
                                    {"reasonCode", a.reasonCode}});
        return list;
    };
    json lines = json::array();
    for (const LineItem& l : state.lines) {
        json classifications = json::array();
        for (const ItemClassification& c : l.classifications)
            classifications.push_back(
                json{{"code", c.code}, {"listId", c.listId}, {"listVersionId", c.listVersionId}});
        json attributes = json::array();
        for (const ItemAttribute& a : l.itemAttributes)
            attributes.push_back(json{{"name", a.name}, {"value", a.value}});
        lines.push_back(json{{"position", l.position},
                             {"lineNote", l.lineNote},
                             {"quantity", l.quantity},
                             {"lineNetAmount", l.lineNetAmount},
                             {"lineStartDate", l.lineStartDate},
                             {"lineEndDate", l.lineEndDate},
                             {"itemName", l.itemName},
                             {"itemDescription", l.itemDescription},
                             {"itemNumber", l.itemNumber},
                             {"lineTaxCategory", l.lineTaxCategory},
                             {"lineVatPercent", l.lineVatPercent},
                             {"lineTaxScheme", l.lineTaxScheme},
                             {"unitPrice", l.unitPrice},
                             {"unitCode", l.unitCode},
                             {"baseQuantity", l.baseQuantity},
                             {"orderLineReference", l.orderLineReference},
                             {"lineAccountingReference", l.lineAccountingReference},
                             {"lineObjectIdentifier", l.lineObjectIdentifier},
                             {"lineObjectIdentifierScheme", l.lineObjectIdentifierScheme},
                             {"buyersItemId", l.buyersItemId},
                             {"standardItemId", l.standardItemId},
                             {"standardItemIdScheme", l.standardItemIdScheme},
                             {"originCountry", l.originCountry},
                             {"priceDiscount", l.priceDiscount},
                             {"grossPrice", l.grossPrice},
                             {"itemClassifications", std::move(classifications)},
                             {"itemAttributes", std::move(attributes)},
                             {"lineAllowances", lineAllowances(l, false)},
                             {"lineCharges", lineAllowances(l, true)}});
    }
    out["lines"] = std::move(lines);

    json allowances = json::array();
    for (const AllowanceCharge& a : d.furtherAllowances)
        allowances.push_back(json{{"chargeIndicator", a.chargeIndicator},
                                  {"reasonCode", a.reasonCode},
                                  {"reason", a.reason},
                                  {"percent", a.percent},
                                  {"amount", a.amount},
                                  {"baseAmount", a.baseAmount},
                                  {"taxCategory", a.taxCategory},
                                  {"taxPercent", a.taxPercent},
                                  {"taxScheme", a.taxScheme}});
    out["furtherAllowances"] = std::move(allowances);

    json breakdown = json::array();
    for (const VatBreakdownEntry& e : state.vatBreakdown)
        breakdown.push_back(json{{"documentTaxTotal", e.documentTaxTotal},
                                 {"taxableAmount", e.taxableAmount},
                                 {"taxAmount", e.taxAmount},
                                 {"exemptionReason", e.exemptionReason},
                                 {"categoryCode", e.categoryCode},
                                 {"ratePercent", e.ratePercent},
                                 {"schemeId", e.schemeId},
                                 {"exemptionReasonCode", e.exemptionReasonCode}});
    out["vatBreakdown"] = std::move(breakdown);
    out["notCarried"] = notCarriedTexts(state);
    return out;
}

} // namespace tallomir::cli
