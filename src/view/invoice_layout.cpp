#include "invoice_layout.h"

#include "invoice/amounts.h"
#include "invoice/attachments.h"
#include "invoice/dates.h"
#include "invoice/decimal.h"
#include "invoice/identifiers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <regex>
#include <span>

namespace tallomir::view {

namespace {

// ---------------------------------------------------------------- text forms

// A decimal as the file writes it: an optional sign, digits, an optional
// fraction; blanks around it are allowed. Longer numbers than a Decimal holds
// exactly are not taken for numbers.
bool isPlainNumber(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
        text.remove_prefix(1);
    int digits = 0;
    bool point = false;
    for (const char c : text) {
        if (c == '.' && !point)
            point = true;
        else if (std::isdigit(static_cast<unsigned char>(c)))
            ++digits;
        else
            return false;
    }
    return digits > 0 && digits <= 30;
}

// At least minDecimals, and every decimal the text has.
std::string germanNumber(std::string_view text, int minDecimals) {
    if (!isPlainNumber(text))
        return std::string(text);
    const Decimal value = parseNumber(text);
    return formatGerman(value, minDecimals, std::max(minDecimals, value.scale()));
}

std::string germanPercent(std::string_view text) {
    return text.empty() ? std::string() : germanNumber(text, 0) + " %";
}

std::string period(const std::string& start, const std::string& end) {
    if (start.empty() && end.empty())
        return {};
    if (end.empty())
        return "ab " + germanDate(start);
    if (start.empty())
        return "bis " + germanDate(end);
    return germanDate(start) + " – " + germanDate(end);
}

// The name of a unit from the unit list; a code the list does not have as it is.
std::string unitName(const DocumentState& state, const std::string& code) {
    const int index = findCode(state.lists.unitCodes, code);
    return index < 0 ? code : state.lists.unitCodes[static_cast<std::size_t>(index)].text;
}

// A code list entry's text with its code, or the code alone.
std::string codeText(const std::vector<CodeEntry>& list, const std::string& code) {
    const int index = findCode(list, code);
    if (index < 0 || list[static_cast<std::size_t>(index)].text.empty())
        return code;
    return list[static_cast<std::size_t>(index)].text + " (" + code + ")";
}

std::string joined(std::span<const std::string> parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) {
        if (part.empty())
            continue;
        if (!text.empty())
            text += separator;
        text += part;
    }
    return text;
}

std::string joined(std::initializer_list<std::string> parts, const char* separator) {
    return joined(std::span(parts.begin(), parts.size()), separator);
}

// ---------------------------------------------------------------- HTML

// Text taken from the document, safe inside an element; line breaks of the
// text become line breaks of the page.
std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += "<br>";
            break;
        case '\n':
            out += "<br>";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// A short value is kept on one line (an amount, an IBAN, an e-mail address);
// a long one may wrap, so that no text of a file can push a column off the
// page.
bool keptTogether(std::string_view value, bool evenWithBlanks) {
    return value.size() <= 40 && (evenWithBlanks || value.find(' ') == std::string_view::npos);
}

// Table cells: text left, numbers right and kept on one line.
std::string textCell(std::string_view text) {
    return "<td>" + escaped(text) + "</td>";
}
std::string numberCell(std::string_view text) {
    return std::string("<td align=\"right\"") +
           (keptTogether(text, true) ? " style=\"white-space:nowrap\">" : ">") + escaped(text) + "</td>";
}
// A header row of our own texts, left or right aligned, with the share of
// the table's width a column takes where it is given.
struct Column {
    const char* text;
    const char* alignment;
    const char* width = nullptr;
};
std::string headerRow(std::initializer_list<Column> columns) {
    std::string row = "<tr>";
    for (const Column& column : columns)
        row += std::string("<th bgcolor=\"#e4e4e4\" align=\"") + column.alignment + "\"" +
               (column.width ? std::string(" width=\"") + column.width + "\"" : std::string()) + ">" +
               column.text + "</th>";
    return row + "</tr>";
}

// One labelled value; an empty value is not shown.
struct Fact {
    std::string label;
    std::string value;
};

// Facts as rows of a two-column table.
void appendFacts(std::string& html, const std::vector<Fact>& facts) {
    html += "<table cellspacing=\"0\" cellpadding=\"1\">";
    for (const Fact& fact : facts)
        if (!fact.value.empty())
            html += "<tr><td style=\"color:#555555; padding-right:8px; white-space:nowrap\">" +
                    escaped(fact.label) + "</td><td" +
                    (keptTogether(fact.value, false) ? " style=\"white-space:nowrap\">" : ">") +
                    escaped(fact.value) + "</td></tr>";
    html += "</table>";
}

// Texts one below the other; empty ones are left out.
void appendLines(std::string& html, const std::vector<std::string>& lines) {
    bool first = true;
    for (const std::string& line : lines) {
        if (line.empty())
            continue;
        html += first ? "" : "<br>";
        html += escaped(line);
        first = false;
    }
}

std::string postalLine(const std::string& postalCode, const std::string& city) {
    return joined({postalCode, city}, " ");
}

// An address as a German letter has it: the street with its further lines
// below it, the postal code with the city, the region after them, the country
// last; empty parts are left out by the caller.
std::vector<std::string> addressLines(const std::string& street, const std::string& additionalStreet,
                                      const std::string& addressLine3, const std::string& postalCode,
                                      const std::string& city, const std::string& region,
                                      const std::string& countryCode) {
    return {street, additionalStreet, addressLine3, postalLine(postalCode, city), region, countryCode};
}

std::vector<std::string> addressLines(const PartyFields& p) {
    return addressLines(p.street, p.additionalStreet, p.addressLine3, p.postalCode, p.city, p.region,
                        p.countryCode);
}

// The name before the address.
std::vector<std::string> withName(const std::string& name, std::vector<std::string> lines) {
    lines.insert(lines.begin(), name);
    return lines;
}

// An identifier with its scheme in brackets, where it has one.
std::string withScheme(const std::string& id, const std::string& scheme) {
    if (id.empty() || scheme.empty())
        return id;
    return id + " (" + scheme + ")";
}

std::string partyName(const PartyFields& party) {
    return party.name.empty() ? party.registrationName : party.name;
}

// An electronic address with its scheme, unless the scheme is e-mail.
std::string electronicAddress(const PartyFields& party) {
    if (party.endpointId.empty() || party.endpointScheme == "EM")
        return party.endpointId;
    return party.endpointId + " (" + party.endpointScheme + ")";
}

// The invoice a credit note or corrected invoice refers to.
// The invoices this one refers to: "R-1 vom 01.02.2022, R-2".
std::string precedingInvoice(const InvoiceDocument& doc) {
    const auto one = [](const std::string& number, const std::string& date) {
        return date.empty() ? number : joined({number, "vom " + germanDate(date)}, " ");
    };
    std::string text = one(doc.precedingInvoiceNumber, doc.precedingInvoiceDate);
    for (const PrecedingInvoice& further : doc.furtherPrecedingInvoices)
        text = joined({text, one(further.number, further.issueDate)}, ", ");
    return text;
}

// A payment card by the digits the invoice carries.
std::string cardText(const InvoiceDocument& doc) {
    return doc.cardNumber.empty() ? "" : "…" + doc.cardNumber;
}

// An IBAN in groups of four, "DE02 1203 0000 0000 2020 51"; a text that is
// no IBAN as it is.
std::string groupedIban(std::string_view text) {
    const std::string compact = compactIdentifier(text);
    static const std::regex iban("[A-Z]{2}[0-9]{2}[A-Za-z0-9]{11,30}");
    if (!std::regex_match(compact, iban))
        return std::string(text);
    std::string grouped;
    for (std::size_t i = 0; i < compact.size(); ++i)
        grouped += (i > 0 && i % 4 == 0 ? " " : "") + std::string(1, compact[i]);
    return grouped;
}

// A VAT identifier with its country apart, digits in groups of three:
// "DE 123 456 789", "AT U12345678"; a text that is no such identifier as it is.
std::string groupedVatId(std::string_view text) {
    const std::string compact = compactIdentifier(text);
    static const std::regex vatId("[A-Z]{2}[A-Za-z0-9+*]{2,12}");
    if (!std::regex_match(compact, vatId))
        return std::string(text);
    const std::string rest = compact.substr(2);
    std::string grouped = compact.substr(0, 2) + " ";
    if (!std::all_of(rest.begin(), rest.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return grouped + rest;
    for (std::size_t i = 0; i < rest.size(); ++i)
        grouped += (i > 0 && i % 3 == 0 ? " " : "") + std::string(1, rest[i]);
    return grouped;
}

// The tax representative in one line: name, address, VAT identifier.
std::string taxRepresentative(const InvoiceDocument& doc) {
    std::vector<std::string> parts =
        withName(doc.taxRepresentativeName,
                 addressLines(doc.taxRepresentativeStreet, doc.taxRepresentativeAdditionalStreet,
                              doc.taxRepresentativeAddressLine3, doc.taxRepresentativePostalCode,
                              doc.taxRepresentativeCity, doc.taxRepresentativeRegion,
                              doc.taxRepresentativeCountryCode));
    parts.push_back(groupedVatId(doc.taxRepresentativeVatId));
    return joined(parts, ", ");
}

// The buyer reference is a Leitweg-ID when it has its form: a coarse address
// of 2 to 12 digits, an optional fine address of up to 30 letters and digits,
// a check of two digits, joined by "-".
std::string buyerReferenceLabel(const std::string& reference) {
    static const std::regex leitwegId("[0-9]{2,12}(-[A-Za-z0-9]{1,30})?-[0-9]{2}");
    return std::regex_match(reference, leitwegId) ? "Leitweg-ID" : "Ihre Referenz";
}

// The German meaning of a note's subject code.
std::string noteSubject(std::string_view code) {
    static const std::array<std::pair<std::string_view, std::string_view>, 13> subjects{{
        {"AAB", "Zahlungsbedingungen"},
        {"AAC", "Zusatzinformationen zu Gefahrgut"},
        {"AAI", "Allgemeine Informationen"},
        {"AAK", "Preisbedingungen"},
        {"ABL", "Behördliche Informationen"},
        {"ACY", "Einleitung"},
        {"ADU", "Anmerkung"},
        {"PMD", "Zahlungsdetails"},
        {"PMT", "Zahlungsinformationen"},
        {"REG", "Regulatorische Informationen"},
        {"SUR", "Anmerkungen des Lieferanten"},
        {"TXD", "Steuerliche Erklärung"},
        {"ZZZ", "Vereinbarter Hinweis"},
    }};
    for (const auto& [key, meaning] : subjects)
        if (key == code)
            return std::string(meaning);
    return "Hinweis";
}

// A note with its subject code ("#ADU#Text", on any line) shown by the code's
// meaning: "Anmerkung: Text".
std::string noteText(std::string_view note) {
    static const std::regex subject("(^|\\n)#([A-Za-z0-9]{1,3})#");
    const std::string text(note);
    std::string shown;
    std::size_t done = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), subject); it != std::sregex_iterator();
         ++it) {
        const std::smatch& match = *it;
        shown += text.substr(done, static_cast<std::size_t>(match.position(0)) - done) + match.str(1) +
                 noteSubject(match.str(2)) + ": ";
        done = static_cast<std::size_t>(match.position(0) + match.length(0));
    }
    return shown + text.substr(done);
}

// A credit note: the seller pays the amount back.
bool isCreditNote(const InvoiceDocument& doc) {
    return doc.documentTypeCode == "381";
}

// ---------------------------------------------------------------- blocks

void appendLetterhead(std::string& html, const PartyFields& supplier) {
    html += "<p style=\"font-size:15pt; font-weight:bold; margin-bottom:0px\">" +
            escaped(partyName(supplier)) + "</p>";
    html += "<p style=\"font-size:7.5pt; color:#555555; margin-top:2px\">" +
            escaped(joined(withName(partyName(supplier), addressLines(supplier)), " · ")) + "</p>";
}

// The seller's further identifiers, each with its scheme: "4000002 (0088), L-7".
std::string furtherIdsText(const std::vector<PartyIdentifier>& ids) {
    std::string text;
    for (const PartyIdentifier& id : ids)
        text += (text.empty() ? "" : ", ") + id.id + (id.scheme.empty() ? "" : " (" + id.scheme + ")");
    return text;
}

// The header facts beside the address block, in this order.
std::vector<Fact> headerFacts(const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    return {
        {"Belegnummer", doc.documentNumber},
        {"Belegdatum", germanDate(doc.issueDate)},
        {isCreditNote(doc) ? "Erstattung bis" : "Fälligkeit", germanDate(doc.dueDate)},
        {"Lieferdatum", germanDate(doc.deliveryDate)},
        {"Leistungszeitraum", period(doc.periodStart, doc.periodEnd)},
        {buyerReferenceLabel(doc.buyerReference), doc.buyerReference},
        {"Kunden-Nr.", doc.customer.partyId},
        {"Lieferanten-Nr.", doc.supplier.partyId},
        {"Weitere Kennungen", furtherIdsText(doc.supplier.furtherIds)},
        {"Bestellnummer", doc.orderNumber},
        {"Kundenauftrag", doc.salesOrderNumber},
        {"Vertragsnummer", doc.contractNumber},
        {"Projektnummer", doc.projectNumber},
        {"Buchungsreferenz", doc.buyerAccountingReference},
        {"Vergabenummer", doc.tenderOrLotReference},
        {"Objektkennung", doc.invoicedObjectIdentifier},
        {"Wareneingang", doc.receivingAdviceReference},
        {"Versandanzeige", doc.despatchAdviceReference},
        {"Steuerfälligkeit", germanDate(doc.taxPointDate)},
        {"Steuerfälligkeit am", taxPointCodeName(doc.taxPointDateCode)
                                    ? taxPointCodeName(doc.taxPointDateCode)
                                    : doc.taxPointDateCode},
        {"Bezug auf Rechnung", precedingInvoice(doc)},
    };
}

void appendAddressBlock(std::string& html, const DocumentState& state) {
    const PartyFields& customer = state.doc.customer;
    const DeliveryFields& delivery = state.doc.delivery;
    html += "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"0\"><tr><td width=\"55%\" valign=\"top\">";
    html += "<p>";
    appendLines(html, withName(partyName(customer), addressLines(customer)));
    html += "</p>";
    appendFacts(html, {
                          {"Ansprechpartner", customer.contactName},
                          {"Telefon", customer.phone},
                          {"E-Mail", customer.email},
                          {"Elektron. Adresse", electronicAddress(customer)},
                          {"USt-IdNr.", groupedVatId(customer.vatId)},
                          {"Firma",
                           customer.registrationName == partyName(customer) ? "" : customer.registrationName},
                          {"Register-Nr.", customer.registrationId},
                      });
    const std::vector<std::string> deliveryLines =
        withName(delivery.name,
                 addressLines(delivery.street, delivery.additionalStreet, delivery.addressLine3,
                              delivery.postalCode, delivery.city, delivery.region, delivery.countryCode));
    if (!joined(deliveryLines, "").empty()) {
        html += "<p><span style=\"color:#555555\">Lieferanschrift</span><br>";
        appendLines(html, deliveryLines);
        html += "</p>";
    }
    // The place delivered to by its identifier, with its address or alone.
    if (!delivery.locationId.empty())
        appendFacts(html,
                    {{"Lieferort-Kennung", withScheme(delivery.locationId, delivery.locationIdScheme)}});
    html += "</td><td width=\"45%\" valign=\"top\">";
    appendFacts(html, headerFacts(state));
    html += "</td></tr></table>";
}

// The unit price, and the quantity it is for where that is not one unit:
// "12,00 € je 10 Stück".
std::string linePrice(const DocumentState& state, const LineItem& line) {
    const std::string price = germanAmount(line.unitPrice, state.documentCurrency);
    if (line.baseQuantity.empty() || parseNumber(line.baseQuantity) == Decimal::fromInt(1))
        return price;
    return price + " je " +
           joined({germanNumber(line.baseQuantity, 0), unitName(state, lineUnitCode(state, line))}, " ");
}

// The rate of a line, with its tax category when that is not the standard one.
std::string lineVat(const LineItem& line) {
    std::string text = germanPercent(line.lineVatPercent);
    if (!line.lineTaxCategory.empty() && line.lineTaxCategory != "S")
        text = joined({text, line.lineTaxCategory}, " ");
    return text;
}

// A line's further details on one line: "Bestellposition 7 · Artikelkennung
// 4012345678901 (0160) · Herkunftsland DE · Farbe: rot".
std::string lineDetailsText(const LineItem& line) {
    const auto withScheme = [](const std::string& label, const std::string& id, const std::string& scheme) {
        return id.empty() ? id : label + id + (scheme.empty() ? "" : " (" + scheme + ")");
    };
    const auto labelled = [](const std::string& label, const std::string& value) {
        return value.empty() ? value : label + value;
    };
    std::string text =
        joined({labelled("Bestellposition ", line.orderLineReference),
                labelled("Buchungsreferenz ", line.lineAccountingReference),
                withScheme("Objektkennung ", line.lineObjectIdentifier, line.lineObjectIdentifierScheme),
                labelled("Artikelnummer des Kunden ", line.buyersItemId),
                withScheme("Artikelkennung ", line.standardItemId, line.standardItemIdScheme)},
               " · ");
    const auto add = [&text](const std::string& part) { text = joined({text, part}, " · "); };
    for (const ItemClassification& c : line.classifications)
        add(withScheme("Klassifizierung ", c.code, joined({c.listId, c.listVersionId}, " ")));
    add(labelled("Herkunftsland ", line.originCountry));
    const auto price = [](const std::string& amount) {
        const std::optional<Decimal> value = readStoredNumber(amount);
        return value ? formatGerman(*value, 2, 30) : amount;
    };
    add(labelled("Bruttopreis ", line.grossPrice.empty() ? "" : price(line.grossPrice)));
    add(labelled("Preisnachlass ", line.priceDiscount.empty() ? "" : price(line.priceDiscount)));
    for (const ItemAttribute& a : line.itemAttributes)
        add(joined({a.name, a.value}, ": "));
    return text;
}

void appendLineRow(std::string& html, const DocumentState& state, const LineItem& line) {
    const std::string& currency = state.documentCurrency;
    // Shown in small type below the item's name, in this order.
    const std::vector<Fact> details = {
        {"", line.itemDescription},
        {"", lineDetailsText(line)},
        {"Leistungszeitraum: ", period(line.lineStartDate, line.lineEndDate)},
        {"Hinweis: ", noteText(line.lineNote)},
    };
    std::string name = "<td>" + escaped(line.itemName);
    for (const Fact& detail : details)
        if (!detail.value.empty())
            name += "<div style=\"font-size:7.5pt; color:#444444\">" + escaped(detail.label + detail.value) +
                    "</div>";
    // The line's allowances and charges: "Nachlass Treuerabatt −5,00".
    for (const AllowanceCharge& entry : line.allowances) {
        const bool charge = isCharge(entry.chargeIndicator);
        const std::string amount = formatGerman(parseNumber(entry.amount), 2, 2);
        name += "<div style=\"font-size:7.5pt; color:#444444\">" +
                escaped(joined({charge ? "Zuschlag" : "Nachlass",
                                entry.reason.empty() ? entry.reasonCode : entry.reason,
                                (charge ? "" : "\u2212") + amount},
                               " ")) +
                "</div>";
    }
    name += "</td>";
    html += "<tr>" + textCell(line.position) +
            numberCell(
                joined({germanNumber(line.quantity, 0), unitName(state, lineUnitCode(state, line))}, " ")) +
            textCell(line.itemNumber) + name + numberCell(linePrice(state, line)) +
            numberCell(lineVat(line)) + numberCell(germanAmount(line.lineNetAmount, currency)) + "</tr>";
}

// The line table's header row is a <thead>: it repeats on every page.
void appendLineTable(std::string& html, const DocumentState& state) {
    html += "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\"><thead>" +
            headerRow({{"Pos.", "left"},
                       {"Menge", "right"},
                       {"Art.-Nr.", "left"},
                       {"Bezeichnung", "left"},
                       {"Einzelpreis", "right"},
                       {"USt.", "right"},
                       {"Netto", "right"}}) +
            "</thead><tbody>";
    for (const LineItem& line : state.lines)
        appendLineRow(html, state, line);
    html += "</tbody></table>";
}

// The rows of the totals block: label, amount, bold.
struct TotalRow {
    std::string label;
    std::string amount;
    bool strong = false;
};

// An allowance or charge: "Nachlass: Treuerabatt (10 % von 150,00 €, USt. 19 %)".
std::string allowanceLabel(const DocumentState& state, const AllowanceCharge& entry) {
    std::string label = entry.chargeIndicator == "true" ? "Zuschlag" : "Nachlass";
    const std::string& reason = entry.reason.empty() ? entry.reasonCode : entry.reason;
    if (!reason.empty())
        label += ": " + reason;
    std::string basis;
    if (!entry.percent.empty())
        basis = joined({germanPercent(entry.percent),
                        entry.baseAmount.empty()
                            ? std::string()
                            : "von " + germanAmount(entry.baseAmount, state.documentCurrency)},
                       " ");
    const std::string vat =
        joined({entry.taxPercent.empty() ? std::string() : "USt. " + germanPercent(entry.taxPercent),
                entry.taxCategory == "S" ? std::string() : entry.taxCategory},
               " ");
    const std::string note = joined({basis, vat}, ", ");
    return note.empty() ? label : label + " (" + note + ")";
}

TotalRow allowanceRow(const DocumentState& state, const AllowanceCharge& entry) {
    const std::string amount = germanAmount(entry.amount, state.documentCurrency);
    const bool reduces = entry.chargeIndicator != "true" && !parseNumber(entry.amount).isZero();
    return {allowanceLabel(state, entry), reduces ? "-" + amount : amount};
}

std::vector<TotalRow> totalRows(const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    const std::string& currency = state.documentCurrency;
    std::vector<TotalRow> rows = {{"Summe Positionen", germanAmount(doc.lineExtensionAmount, currency)}};
    // A percentage split over the groups shows each part.
    for (const AllowanceCharge& part : state.amounts.allowanceSplit)
        rows.push_back(allowanceRow(state, part));
    if (state.amounts.allowanceSplit.empty() &&
        (!doc.allowanceAmount.empty() || !doc.allowanceReason.empty()))
        rows.push_back(allowanceRow(state, {doc.chargeIndicator,
                                            doc.allowanceReasonCode,
                                            doc.allowanceReason,
                                            doc.allowancePercent,
                                            doc.allowanceAmount,
                                            doc.allowanceBaseAmount,
                                            doc.allowanceTaxCategory,
                                            doc.allowanceTaxPercent,
                                            {}}));
    for (const AllowanceCharge& entry : doc.furtherAllowances)
        rows.push_back(allowanceRow(state, entry));
    rows.push_back({"Nettobetrag", germanAmount(doc.taxExclusiveAmount, currency)});
    rows.push_back({"Umsatzsteuer", germanAmount(doc.taxTotalAmount, currency)});
    if (hasOwnTaxCurrency(state))
        rows.push_back({"Umsatzsteuer in " + doc.loadedTaxCurrency,
                        germanAmount(doc.taxCurrencyTaxAmount, doc.loadedTaxCurrency)});
    rows.push_back({"Bruttobetrag", germanAmount(doc.taxInclusiveAmount, currency)});
    rows.push_back({"Bereits gezahlt", germanAmount(doc.prepaidAmount, currency)});
    rows.push_back({"Rundung", germanAmount(doc.roundingAmount, currency)});
    rows.push_back({isCreditNote(doc) ? "Gutschriftsbetrag" : "Zahlbetrag",
                    germanAmount(doc.payableAmount, currency), true});
    return rows;
}

void appendTotals(std::string& html, const DocumentState& state) {
    html += "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\" style=\"margin-top:8px\">";
    for (const TotalRow& row : totalRows(state)) {
        if (row.amount.empty())
            continue;
        const std::string style = row.strong ? " style=\"font-weight:bold; font-size:10pt\"" : "";
        html += "<tr" + style + "><td width=\"35%\"></td>" + textCell(row.label) + numberCell(row.amount) +
                "</tr>";
    }
    html += "</table>";
}

void appendVatBreakdown(std::string& html, const DocumentState& state) {
    if (state.vatBreakdown.empty())
        return;
    html += "<p style=\"font-weight:bold; margin-top:12px\">Umsatzsteuer</p>"
            "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"3\">" +
            headerRow({{"Kategorie", "left", "34%"},
                       {"Satz", "right", "8%"},
                       {"Nettobetrag", "right", "17%"},
                       {"Steuerbetrag", "right", "17%"},
                       {"Befreiungsgrund", "left", "24%"}});
    for (const VatBreakdownEntry& entry : state.vatBreakdown)
        html += "<tr>" + textCell(codeText(state.lists.taxCategories, entry.categoryCode)) +
                numberCell(germanPercent(entry.ratePercent)) +
                numberCell(germanAmount(entry.taxableAmount, state.documentCurrency)) +
                numberCell(germanAmount(entry.taxAmount, state.documentCurrency)) +
                textCell(entry.exemptionReason) + "</tr>";
    html += "</table>";
}

void appendNotes(std::string& html, const InvoiceDocument& doc) {
    if (doc.note.empty() && doc.furtherNotes.empty())
        return;
    html += "<p style=\"font-weight:bold; margin-top:12px\">Bemerkungen</p>";
    if (!doc.note.empty())
        html += "<p>" + escaped(noteText(doc.note)) + "</p>";
    for (const NoteEntry& note : doc.furtherNotes)
        html += "<p>" +
                escaped((note.subjectCode.empty() ? "" : noteSubject(note.subjectCode) + ": ") + note.text) +
                "</p>";
}

// The attached files by name and size, the references by their address.
void appendAttachments(std::string& html, const InvoiceDocument& doc) {
    if (doc.attachments.empty())
        return;
    html += "<p style=\"font-weight:bold; margin-top:12px\">Anhänge</p>";
    for (const Attachment& a : doc.attachments) {
        std::string text = a.fileName.empty() ? a.id : a.fileName;
        if (const std::optional<std::size_t> size = base64Size(a.content); size && !a.content.empty())
            text += " (" + germanNumber(std::to_string((*size + 1023) / 1024), 0) + " KB)";
        if (!a.description.empty())
            text += ": " + a.description;
        if (!a.uri.empty())
            text += (a.description.empty() ? ": " : ", ") + a.uri;
        html += "<p>" + escaped(text) + "</p>";
    }
}

// The footer's three columns: each a heading and its facts, in this order.
struct FooterColumn {
    std::string heading;
    std::vector<Fact> facts;
};

std::vector<FooterColumn> footerColumns(const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    const PartyFields& supplier = doc.supplier;
    // A credit note's payment data are those of the refund.
    const bool refund = isCreditNote(doc);
    return {
        {refund ? "Erstattung" : "Zahlung",
         {
             {refund ? "Erstattungsart" : "Zahlungsart",
              doc.paymentMeansCode.empty() ? "" : codeText(state.lists.paymentMeans, doc.paymentMeansCode)},
             {refund ? "Hinweise zur Erstattung" : "Bedingungen", doc.paymentTerms},
             {"Verwendungszweck", doc.remittanceInformation},
             {"Zahlungsempfänger",
              joined({doc.payeeName, doc.payeeIdentifier, doc.payeeRegistrationId}, ", ")},
             {refund ? "Erstattung auf IBAN" : "IBAN", groupedIban(doc.iban)},
             {"BIC", doc.bic},
             {"Bank", doc.bankName},
             {"Mandatsreferenz", doc.mandateReference},
             {"Gläubiger-ID", doc.creditorId},
             {"Belastetes Konto", groupedIban(doc.debitedIban)},
             {"Karte", cardText(doc)},
             {"Karteninhaber", doc.cardHolder},
         }},
        {"Kontakt",
         {
             {"Ansprechpartner", supplier.contactName},
             {"Telefon", supplier.phone},
             {"E-Mail", supplier.email},
             {"Elektron. Adresse", electronicAddress(supplier)},
         }},
        {"Steuer und Register",
         {
             {"USt-IdNr.", groupedVatId(supplier.vatId)},
             {"Steuernummer", supplier.taxNumber},
             {"Firma", supplier.registrationName},
             {"Register-Nr.", supplier.registrationId},
             {"Rechtsform", supplier.legalForm},
             {"Steuervertreter", taxRepresentative(doc)},
         }},
    };
}

// Each column holds its facts label above value, so that a value has the
// column's whole width and long ones wrap inside it.
void appendFooter(std::string& html, const DocumentState& state) {
    html += "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"2\" "
            "style=\"font-size:7.5pt; margin-top:14px; border-collapse:collapse\"><tr>";
    for (const FooterColumn& column : footerColumns(state)) {
        html += "<td width=\"33%\" valign=\"top\" style=\"border-top:1px solid #888888\"><b>" +
                escaped(column.heading) + "</b>";
        for (const Fact& fact : column.facts)
            if (!fact.value.empty())
                html += "<br><span style=\"color:#555555\">" + escaped(fact.label) + "</span><br>" +
                        escaped(fact.value);
        html += "</td>";
    }
    html += "</tr></table>";
}

void appendNotCarried(std::string& html, const std::vector<std::string>& notCarried) {
    if (notCarried.empty())
        return;
    html += "<p style=\"font-weight:bold; margin-top:12px\">Nicht übernommen:</p><ul>";
    for (const std::string& text : notCarried)
        html += "<li>" + escaped(text) + "</li>";
    html += "</ul>";
}

} // namespace

std::string documentTitle(std::string_view typeCode) {
    if (typeCode == "380")
        return "Rechnung";
    if (typeCode == "381")
        return "Gutschrift";
    if (typeCode == "384")
        return "Korrekturrechnung";
    return "Beleg (Belegart " + std::string(typeCode) + ")";
}

std::string documentHeading(const InvoiceDocument& doc) {
    return joined(
        {documentTitle(doc.documentTypeCode), doc.documentNumber.empty() ? "" : "Nr. " + doc.documentNumber},
        " ");
}

std::string germanAmount(std::string_view amountText, std::string_view currency) {
    if (amountText.empty())
        return {};
    return germanNumber(amountText, 2) + " " + (currency == "EUR" ? std::string("€") : std::string(currency));
}

std::string germanDate(std::string_view isoText) {
    const DateValue date = parseIsoDate(isoText);
    return date == noDate ? std::string(isoText) : formatDisplayDate(date);
}

std::string proposedPdfName(const InvoiceDocument& doc) {
    std::string name = documentTitle(doc.documentTypeCode);
    if (name.starts_with("Beleg "))
        name = "Beleg";
    if (!doc.documentNumber.empty())
        name += "-" + doc.documentNumber;
    for (char& c : name)
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos)
            c = '_';
    return name + ".pdf";
}

std::string invoiceHtml(const DocumentState& state, const std::vector<std::string>& notCarried) {
    std::string html;
    html.reserve(4096 + state.lines.size() * 400);
    html += "<html><body>";
    appendLetterhead(html, state.doc.supplier);
    appendAddressBlock(html, state);
    html += "<h1 style=\"font-size:16pt; margin-top:18px\">" + escaped(documentHeading(state.doc)) + "</h1>";
    appendLineTable(html, state);
    appendTotals(html, state);
    appendVatBreakdown(html, state);
    appendNotes(html, state.doc);
    appendAttachments(html, state.doc);
    appendFooter(html, state);
    appendNotCarried(html, notCarried);
    html += "</body></html>";
    return html;
}

} // namespace tallomir::view
