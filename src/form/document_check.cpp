#include "form/document_check.h"

#include "form/field_labels.h"
#include "form/input_rules.h"
#include "invoice/amounts.h"
#include "invoice/attachments.h"
#include "invoice/dates.h"
#include "invoice/identifiers.h"
#include "invoice/texts.h"

#include <algorithm>
#include <array>
#include <map>
#include <regex>
#include <string_view>
#include <tuple>
#include <unordered_map>

namespace tallomir {

namespace {

// What the rules depend on, worked out once per check.
struct Context {
    const Form& state;
    const InvoiceDocument& doc;
    bool creditNote = false;
    bool amountDue = false;
    bool deliveryAddress = false;
    bool creditTransfer = false;
    PaymentKind payment = PaymentKind::Other;
    bool allowanceEntered = false;
    bool allowanceWithoutGroup = false; // of the lines there are, none is chosen for it
    bool version3 = false;
    // The tax categories the document uses: of its lines and its allowance
    // or charge; for the marking of a form still being filled, also the
    // "Steuerkennung" that new lines take.
    std::set<std::string> categories;

    bool uses(std::string_view category) const { return categories.contains(std::string(category)); }
    template <typename... Codes> bool usesAny(Codes... codes) const { return (uses(codes) || ...); }

    Context(const Form& s, bool withDocumentCategory) : state(s), doc(s.doc) {
        creditNote = doc.documentTypeCode == "381";
        version3 = s.xrechnungVersion == XRechnungVersion::V3_0;
        amountDue = parseNumber(doc.payableAmount) > Decimal();
        const DeliveryFields& d = doc.delivery;
        deliveryAddress = hasDeliveryAddress(d);
        payment = paymentKind(doc.paymentMeansCode);
        creditTransfer = payment == PaymentKind::CreditTransfer;
        allowanceEntered = !s.amounts.allowanceValue.isZero() || !s.amounts.allowancePercentValue.isZero();
        allowanceWithoutGroup = (allowanceEntered || !doc.allowanceReason.empty()) &&
                                !s.amounts.lineGroups.empty() && s.amounts.allowanceSplit.empty() &&
                                doc.allowanceTaxCategory.empty();
        for (const VatGroup& group : s.amounts.groups)
            categories.insert(group.category);
        if (withDocumentCategory)
            categories.insert(s.documentTaxCategory);
    }

    bool filled(FieldId field) const {
        switch (field) {
        case FieldId::IssueDate:
            return !doc.issueDate.empty();
        case FieldId::DueDate:
            return !doc.dueDate.empty();
        case FieldId::DeliveryDate:
            return !doc.deliveryDate.empty();
        case FieldId::PrecedingInvoiceDate:
            return !doc.precedingInvoiceDate.empty();
        default:
            break;
        }
        const std::string* text = documentText(doc, field);
        if (field == FieldId::AllowanceReason)
            text = &doc.allowanceReason;
        return text != nullptr && !text->empty();
    }
};

// A rule that some fields be filled: all of them, or (a group) one of them.
struct FillRule {
    std::vector<FieldId> fields;
    bool oneOf;
    bool (*applies)(const Context&);
    const char* why = nullptr; // what the finding says instead of "… fehlt"
};

bool always(const Context&) {
    return true;
}

bool hasTaxRepresentative(const InvoiceDocument& d) {
    return !d.taxRepresentativeName.empty() || hasTaxRepresentativeAddress(d) ||
           !d.taxRepresentativeVatId.empty();
}

const std::vector<FillRule> fillRules = {
    {{FieldId::BuyerReference, FieldId::DocumentNumber, FieldId::IssueDate}, false, always},
    // A positive amount due needs its due date or the payment terms; the
    // credit note carries no due date that counts for this.
    {{FieldId::DueDate, FieldId::PaymentTerms},
     true,
     [](const Context& c) { return c.amountDue && !c.creditNote; }},
    {{FieldId::PaymentTerms}, false, [](const Context& c) { return c.amountDue && c.creditNote; }},
    // The seller: identified by a number, with address, name, VAT identifier
    // and a contact person who can be reached.
    {{FieldId::SupplierPartyId, FieldId::SupplierRegistrationId, FieldId::SupplierVatId}, true, always},
    {{FieldId::SupplierPostalCode, FieldId::SupplierCity, FieldId::SupplierCountryCode,
      FieldId::SupplierRegistrationName, FieldId::SupplierContactName, FieldId::SupplierPhone,
      FieldId::SupplierEmail},
     false,
     always},
    // What the tax categories in use ask of the parties.
    {{FieldId::SupplierVatId, FieldId::SupplierTaxNumber},
     true,
     [](const Context& c) { return c.usesAny("S", "Z", "E", "AE"); },
     "Für die gewählte Steuerkennung wird die UStID oder die Steuernummer des Lieferanten benötigt"},
    {{FieldId::SupplierVatId},
     false,
     [](const Context& c) { return c.usesAny("K", "G"); },
     "Für steuerfreie Lieferungen (innergemeinschaftlich oder Ausfuhr) wird die UStID des Lieferanten "
     "benötigt"},
    {{FieldId::CustomerVatId},
     false,
     [](const Context& c) { return c.uses("K"); },
     "Für innergemeinschaftliche Lieferungen wird die UStID des Kunden benötigt"},
    {{FieldId::DeliveryDate, FieldId::PeriodStart},
     true,
     [](const Context& c) { return c.uses("K"); },
     "Für innergemeinschaftliche Lieferungen wird das Lieferdatum oder der Leistungszeitraum benötigt"},
    {{FieldId::DeliveryCountryCode},
     false,
     [](const Context& c) { return c.uses("K"); },
     "Für innergemeinschaftliche Lieferungen wird das Land der Lieferung benötigt"},
    {{FieldId::CustomerVatId, FieldId::CustomerRegistrationId},
     true,
     [](const Context& c) { return c.uses("AE"); },
     "Für Steuerschuldnerschaft des Leistungsempfängers wird die UStID oder die HR Nummer des Kunden "
     "benötigt"},
    {{FieldId::Iban},
     false,
     [](const Context& c) {
         return c.creditTransfer ||
                (c.payment == PaymentKind::Other && (!c.doc.bankName.empty() || !c.doc.bic.empty()));
     }},
    // A direct debit names its mandate or the account debited; XRechnung 3.0
    // asks for the mandate, the seller's creditor identifier and the account.
    {{FieldId::MandateReference, FieldId::DebitedIban},
     true,
     [](const Context& c) { return c.payment == PaymentKind::DirectDebit && !c.version3; }},
    {{FieldId::MandateReference, FieldId::CreditorId, FieldId::DebitedIban},
     false,
     [](const Context& c) { return c.payment == PaymentKind::DirectDebit && c.version3; }},
    // A card payment names the card.
    {{FieldId::CardNumber}, false, [](const Context& c) { return c.payment == PaymentKind::Card; }},
    {{FieldId::CustomerPostalCode, FieldId::CustomerCity, FieldId::CustomerCountryCode,
      FieldId::CustomerRegistrationName},
     false,
     always},
    {{FieldId::DeliveryPostalCode, FieldId::DeliveryCity, FieldId::DeliveryCountryCode},
     false,
     [](const Context& c) { return c.deliveryAddress; }},
    {{FieldId::AllowanceReason}, false, [](const Context& c) { return c.allowanceEntered; }},
    {{FieldId::AllowanceSlot},
     false,
     [](const Context& c) { return c.allowanceWithoutGroup; },
     "USt. % fehlt: der Nachlass / Zuschlag gehört zum Satz einer Position"},
    // A payee is known by its name.
    {{FieldId::PayeeName},
     false,
     [](const Context& c) { return !c.doc.payeeIdentifier.empty() || !c.doc.payeeRegistrationId.empty(); }},
    // A tax representative is named, with the country of its address and its
    // VAT identifier.
    {{FieldId::TaxRepresentativeName, FieldId::TaxRepresentativeCountryCode, FieldId::TaxRepresentativeVatId},
     false,
     [](const Context& c) { return hasTaxRepresentative(c.doc); }},
    // XRechnung 3.0 reaches both parties by their electronic addresses.
    {{FieldId::SupplierEndpoint}, false, [](const Context& c) { return c.version3; }},
    {{FieldId::CustomerEndpoint}, false, [](const Context& c) { return c.version3; }},
    // A reference to a preceding invoice names that invoice by its number;
    // its date alone is no reference.
    {{FieldId::PrecedingInvoiceNumber},
     false,
     [](const Context& c) { return !c.doc.precedingInvoiceDate.empty(); }},
};

// The line fields every line must have (a line outside the scope of VAT,
// category O, has no rate).
constexpr LineField requiredLineFields[] = {LineField::Position, LineField::Quantity, LineField::ItemName,
                                            LineField::UnitPrice, LineField::VatPercent};

const std::string& lineText(const LineItem& line, LineField field) {
    switch (field) {
    case LineField::Position:
        return line.position;
    case LineField::Quantity:
        return line.quantity;
    case LineField::ItemNumber:
        return line.itemNumber;
    case LineField::ItemName:
        return line.itemName;
    case LineField::UnitPrice:
        return line.unitPrice;
    case LineField::VatPercent:
        return line.lineVatPercent;
    case LineField::Description:
        break;
    }
    return line.itemDescription;
}

std::string quoted(std::string_view text) {
    return "\u201E" + std::string(text) + "\u201C";
}

class Findings {
public:
    explicit Findings(std::vector<Finding>& out) : out_(out) {}

    void field(FieldId field, const std::string& text) {
        out_.push_back({CheckTarget{field}, pageOf(field) + ": " + text});
    }
    void line(int index, LineField field, const std::string& text) {
        out_.push_back({CheckTarget{std::nullopt, index, field}, std::string(pageTitles[4]) + ": " + text});
    }

private:
    std::vector<Finding>& out_;
};

// The fields that must be filled each on its own.
std::set<FieldId> individuallyRequired(const Context& c) {
    std::set<FieldId> fields;
    for (const FillRule& rule : fillRules)
        if (!rule.oneOf && rule.applies(c))
            fields.insert(rule.fields.begin(), rule.fields.end());
    return fields;
}

// A group is satisfied by a filled field, and needs nothing of its own when
// one of its fields is required anyway.
bool groupCovered(const Context& c, const FillRule& rule, const std::set<FieldId>& individually) {
    return std::any_of(rule.fields.begin(), rule.fields.end(),
                       [&](FieldId f) { return c.filled(f) || individually.contains(f); });
}

void checkFills(const Context& c, Findings& findings) {
    const std::set<FieldId> individually = individuallyRequired(c);
    for (const FillRule& rule : fillRules) {
        if (!rule.applies(c))
            continue;
        if (rule.oneOf) {
            if (!groupCovered(c, rule, individually)) {
                std::string names;
                std::size_t i = 0;
                for (FieldId f : rule.fields) {
                    names += (i == 0                        ? ""
                              : i + 1 == rule.fields.size() ? " oder "
                                                            : ", ") +
                             fieldLabel(f, false);
                    ++i;
                }
                findings.field(*rule.fields.begin(),
                               rule.why ? rule.why : names + ": eines davon wird benötigt");
            }
            continue;
        }
        for (FieldId f : rule.fields)
            if (!c.filled(f))
                findings.field(f, rule.why ? rule.why : fieldLabel(f, false) + " fehlt");
    }
}

void checkDate(Findings& findings, FieldId field, const std::string& text) {
    if (text.empty())
        return;
    const DateValue date = parseIsoDate(text);
    if (date == noDate)
        findings.field(field, fieldLabel(field, false) + " " + quoted(text) + " ist kein gültiges Datum");
    else if (!isPlausibleDate(date))
        findings.field(field, fieldLabel(field, false) + " " + formatDisplayDate(date) +
                                  " liegt nicht zwischen " + std::to_string(firstYear) + " und " +
                                  std::to_string(lastYear));
}

// The end of a period may not lie before its start.
bool endsBeforeStart(const std::string& start, const std::string& end) {
    const DateValue from = parseIsoDate(start);
    const DateValue to = parseIsoDate(end);
    return from != noDate && to != noDate && to < from;
}

// How the messages name a tax category.
std::string categoryName(const std::string& category) {
    static const std::map<std::string, std::string> names = {
        {"S", "Standard USt."},
        {"K", "innergemeinschaftlichen Lieferungen"},
        {"G", "Ausfuhren"},
        {"E", "steuerfreien Umsätzen"},
        {"AE", "Steuerschuldnerschaft des Leistungsempfängers"},
        {"Z", "Nullsteuersatz"},
        {"O", "nicht steuerbaren Umsätzen"},
    };
    const auto found = names.find(category);
    return found == names.end() ? "Steuerkennung " + category : found->second;
}

// What a rate must be in a category: above 0 % for the standard rate, none
// outside the scope of VAT, 0 % for the others. "" when it fits.
std::string rateProblem(const std::string& category, const std::string& rateText) {
    if (category == "O")
        return rateText.empty() ? "" : "Bei " + categoryName(category) + " entfällt die USt.";
    const std::optional<Decimal> read = readStoredNumber(rateText);
    if (!read)
        return ""; // named as missing or as no number
    const Decimal rate = *read;
    if (category == "S")
        return rate > Decimal() ? "" : "USt. muss bei Standard USt. über 0 % liegen";
    return rate.isZero() ? "" : "USt. muss bei " + categoryName(category) + " 0 % sein";
}

// What the tax categories in use forbid or ask beyond filled fields.
void checkCategories(const Context& c, Findings& findings) {
    const InvoiceDocument& d = c.doc;
    if (c.uses("O")) {
        if (c.categories.size() > 1)
            findings.field(FieldId::TaxCategory, "Nicht steuerbare Umsätze dürfen nicht mit anderen "
                                                 "Steuerkennungen in einer Rechnung stehen");
        if (!d.supplier.vatId.empty())
            findings.field(FieldId::SupplierVatId, "Bei nicht steuerbaren Umsätzen darf keine UStID stehen");
        if (!d.customer.vatId.empty())
            findings.field(FieldId::CustomerVatId, "Bei nicht steuerbaren Umsätzen darf keine UStID stehen");
    }
    for (const std::string& category : c.categories)
        if (category != "S" && category != "Z" && exemptionReasonOf(c.state, category).empty() &&
            !c.state.exemptionReasonCodes.contains(category))
            findings.field(FieldId::TaxCategory, "Bei " + categoryName(category) +
                                                     " wird ein Befreiungsgrund benötigt (der Text "
                                                     "der Steuerkennung)");
    if (c.allowanceEntered && !d.allowanceTaxCategory.empty())
        if (const std::string problem = rateProblem(d.allowanceTaxCategory, d.allowanceTaxPercent);
            !problem.empty())
            findings.field(FieldId::AllowanceSlot, problem);
}

// An attached file has its identifier, a type the receiver may take, a
// name, Base64 content and no more than the size allowed.
void checkAttachments(const InvoiceDocument& d, Findings& findings) {
    std::set<std::string_view> names; // each file name once
    for (std::size_t i = 0; i < d.attachments.size(); ++i) {
        const Attachment& a = d.attachments[i];
        const std::string name = "Anhang " + std::to_string(i + 1) + ": ";
        if (a.id.empty())
            findings.field(FieldId::Attachments, name + "Die Kennung fehlt");
        if (a.content.empty())
            continue;
        if (!isAttachmentMimeCode(a.mimeCode))
            findings.field(FieldId::Attachments,
                           name + "Der Dateityp " + quoted(a.mimeCode) +
                               " ist nicht erlaubt (nur PDF, PNG, JPEG, CSV, XLSX, ODS)");
        if (a.fileName.empty())
            findings.field(FieldId::Attachments, name + "Der Dateiname fehlt");
        else if (!names.insert(a.fileName).second)
            findings.field(FieldId::Attachments, name + "Der Dateiname " + quoted(a.fileName) +
                                                     " kommt schon in einem anderen Anhang vor");
        if (const std::optional<std::size_t> size = base64Size(a.content); !size)
            findings.field(FieldId::Attachments, name + "Der Inhalt ist kein Base64");
        else if (*size > maxAttachmentBytes)
            findings.field(FieldId::Attachments, name + "Die Datei ist größer als " +
                                                     std::to_string(maxAttachmentBytes / (1024 * 1024)) +
                                                     " MB");
    }
}

void checkValues(const Context& c, Findings& findings) {
    const InvoiceDocument& d = c.doc;
    const std::pair<FieldId, const std::string*> dates[] = {
        {FieldId::IssueDate, &d.issueDate},       {FieldId::DueDate, &d.dueDate},
        {FieldId::DeliveryDate, &d.deliveryDate}, {FieldId::PeriodStart, &d.periodStart},
        {FieldId::PeriodEnd, &d.periodEnd},       {FieldId::PrecedingInvoiceDate, &d.precedingInvoiceDate},
    };
    for (const auto& [field, text] : dates)
        checkDate(findings, field, *text);
    if (endsBeforeStart(d.periodStart, d.periodEnd))
        findings.field(FieldId::PeriodEnd, "Der Leistungszeitraum endet vor seinem Beginn");

    const std::pair<FieldId, const std::string*> countries[] = {
        {FieldId::SupplierCountryCode, &d.supplier.countryCode},
        {FieldId::CustomerCountryCode, &d.customer.countryCode},
        {FieldId::DeliveryCountryCode, &d.delivery.countryCode},
        {FieldId::TaxRepresentativeCountryCode, &d.taxRepresentativeCountryCode},
    };
    for (const auto& [field, code] : countries)
        if (!code->empty() && !isCountryCode(*code))
            findings.field(field, fieldLabel(field, false) + " " + quoted(*code) +
                                      " ist kein Ländercode nach ISO 3166 (z.B. DE)");

    // Each further invoice referred to is named by its number, the first as well.
    for (std::size_t i = 0; i < d.furtherPrecedingInvoices.size(); ++i) {
        const PrecedingInvoice& invoice = d.furtherPrecedingInvoices[i];
        const std::string name = "Vorausgegangene Rechnung " + std::to_string(i + 2) + ": ";
        if (invoice.number.empty())
            findings.field(FieldId::PrecedingInvoiceNumber, name + "Die Nummer fehlt");
        if (!invoice.issueDate.empty() && parseIsoDate(invoice.issueDate) == noDate)
            findings.field(FieldId::PrecedingInvoiceNumber,
                           name + "Das Datum " + quoted(invoice.issueDate) + " ist kein Datum (JJJJ-MM-TT)");
    }
    if (!d.furtherPrecedingInvoices.empty() && d.precedingInvoiceNumber.empty())
        findings.field(FieldId::PrecedingInvoiceNumber,
                       fieldLabel(FieldId::PrecedingInvoiceNumber, false) + " fehlt");

    // The tax point is a date or a code of when the VAT falls due, not both.
    if (!d.taxPointDateCode.empty() && !taxPointCodeName(d.taxPointDateCode))
        findings.field(FieldId::TaxPointDateCode,
                       fieldLabel(FieldId::TaxPointDateCode, false) + " " + quoted(d.taxPointDateCode) +
                           " ist keiner der Codes 3 (Rechnungsdatum), 35 (Liefer- oder Leistungsdatum) "
                           "und 432 (Zahlungsdatum)");
    if (!d.taxPointDateCode.empty() && !d.taxPointDate.empty())
        findings.field(FieldId::TaxPointDateCode, "Steuerfälligkeit: Datum oder Code, nicht beides");

    // A further note is written "#AAI#Text": its subject is a code of three
    // capital letters, and a subject alone says nothing.
    for (std::size_t i = 0; i < d.furtherNotes.size(); ++i) {
        const NoteEntry& note = d.furtherNotes[i];
        const std::string name = "Notiz " + std::to_string(i + 2);
        if (!note.subjectCode.empty() && !isNoteSubjectCode(note.subjectCode))
            findings.field(FieldId::FurtherNotes, name + ": Betreff " + quoted(note.subjectCode) +
                                                      " ist kein Code aus drei Großbuchstaben (z.B. AAI)");
        if (note.text.empty())
            findings.field(FieldId::FurtherNotes, name + ": Der Text fehlt");
    }

    // Further payment means name their kind, the same as the first (a file
    // holds one kind of payment with several accounts or cards), and only one
    // of them has a text.
    int texts = d.paymentMeansText.empty() ? 0 : 1;
    for (std::size_t i = 0; i < d.furtherPaymentMeans.size(); ++i) {
        const PaymentMeansEntry& means = d.furtherPaymentMeans[i];
        const std::string name = "Zahlungsart " + std::to_string(i + 2) + ": ";
        if (means.code.empty())
            findings.field(FieldId::PaymentMeans, name + "Der Code fehlt");
        else if (means.code != d.paymentMeansCode)
            findings.field(FieldId::PaymentMeans, name + "Der Code " + quoted(means.code) +
                                                      " weicht von dem der ersten Zahlungsart ab (" +
                                                      d.paymentMeansCode + ")");
        if (!means.text.empty() && ++texts == 2)
            findings.field(FieldId::PaymentMeans, name + "Nur eine Zahlungsart darf einen Text haben");
        // An account is named by its IBAN; a holder or BIC alone names none.
        if (means.iban.empty() && (!means.accountName.empty() || !means.bic.empty()))
            findings.field(FieldId::PaymentMeans, name + "Kontoinhaber oder BIC ohne IBAN");
    }

    checkAttachments(d, findings);

    // What was typed wrongly; a field that takes no input now is not written.
    for (const auto& [field, reason] : c.state.invalidInputs)
        if (fieldEnabled(c.state, field))
            findings.field(field, reason);
    // An IBAN written has its check digits right, also one read from a file.
    for (const auto& [field, iban] :
         {std::pair{FieldId::Iban, &d.iban}, {FieldId::DebitedIban, &d.debitedIban}})
        if (!iban->empty() && fieldEnabled(c.state, field) && !c.state.invalidInputs.contains(field))
            if (const std::string problem = ibanProblem(*iban); !problem.empty())
                findings.field(field, fieldLabel(field, false) + " " + problem);
    checkCategories(c, findings);

    // An electronic address needs its scheme, one of the EAS code list.
    const std::tuple<const PartyFields*, FieldId> parties[] = {
        {&d.supplier, FieldId::SupplierEndpointScheme}, {&d.customer, FieldId::CustomerEndpointScheme}};
    for (const auto& [party, field] : parties) {
        if (party->endpointId.empty())
            continue;
        if (party->endpointScheme.empty())
            findings.field(field, fieldLabel(field, false) + " fehlt");
        else if (!isEndpointScheme(party->endpointScheme))
            findings.field(field, fieldLabel(field, false) + " " + quoted(party->endpointScheme) +
                                      " ist kein Schema der EAS-Liste");
    }

    // An identifier's scheme is a code of ISO 6523, four digits; it needs the
    // identifier it names the scheme of.
    const std::tuple<FieldId, const std::string*, FieldId, const std::string*> schemes[] = {
        {FieldId::SupplierPartyIdScheme, &d.supplier.partyIdScheme, FieldId::SupplierPartyId,
         &d.supplier.partyId},
        {FieldId::SupplierRegistrationIdScheme, &d.supplier.registrationIdScheme,
         FieldId::SupplierRegistrationId, &d.supplier.registrationId},
        {FieldId::CustomerPartyIdScheme, &d.customer.partyIdScheme, FieldId::CustomerPartyId,
         &d.customer.partyId},
        {FieldId::CustomerRegistrationIdScheme, &d.customer.registrationIdScheme,
         FieldId::CustomerRegistrationId, &d.customer.registrationId},
        {FieldId::DeliveryLocationIdScheme, &d.delivery.locationIdScheme, FieldId::DeliveryLocationId,
         &d.delivery.locationId},
    };
    for (const auto& [field, scheme, idField, id] : schemes) {
        if (scheme->empty())
            continue;
        if (!hasIcdForm(*scheme))
            findings.field(field, fieldLabel(field, false) + " " + quoted(*scheme) +
                                      " ist kein Code nach ISO 6523 (vier Ziffern, z.B. 0088)");
        else if (id->empty())
            findings.field(idField, fieldLabel(idField, false) + " fehlt zum " + fieldLabel(field, false));
    }

    // Of a payment card only the last 4 to 6 digits may stand in a file.
    if (!d.cardNumber.empty() && (d.cardNumber.size() < 4 || d.cardNumber.size() > 6 ||
                                  d.cardNumber.find_first_not_of("0123456789") != std::string::npos))
        findings.field(FieldId::CardNumber, "Kartennummer: nur die letzten 4 bis 6 Ziffern der Karte");

    // Entries of cash discount: each "#SKONTO#" entry in its form.
    for (const std::string& entry : discountEntries(d.paymentTerms))
        if (!isDiscountEntry(entry))
            findings.field(FieldId::PaymentTerms,
                           "Skonto " + quoted(entry) + " hat nicht die Form #SKONTO#TAGE=14#PROZENT=2.00#");
}

// What a line's further details ("Weitere Angaben …") must be to be
// written: each rule adds its findings, without the line's name.
using DetailRule = void (*)(const LineItem&, std::vector<std::string>&);
const DetailRule lineDetailRules[] = {
    // A price discount and the gross price are numbers, and the gross price is
    // written with the discount it lies above.
    [](const LineItem& l, std::vector<std::string>& out) {
        for (const auto& [label, text] :
             {std::pair{"Preisnachlass", &l.priceDiscount}, std::pair{"Bruttopreis", &l.grossPrice}})
            if (!text->empty() && !readStoredNumber(*text))
                out.push_back(std::string(label) + " " + quoted(*text) + " ist keine Zahl");
        if (!l.grossPrice.empty() && l.priceDiscount.empty())
            out.push_back("Zum Bruttopreis fehlt der Preisnachlass");
    },
    // An item identifier is read by its scheme: neither goes without the other.
    [](const LineItem& l, std::vector<std::string>& out) {
        if (l.standardItemId.empty() && !l.standardItemIdScheme.empty())
            out.push_back("Artikelkennung fehlt zum Schema " + quoted(l.standardItemIdScheme));
        if (!l.standardItemId.empty() && l.standardItemIdScheme.empty())
            out.push_back("Schema der Artikelkennung fehlt");
    },
    [](const LineItem& l, std::vector<std::string>& out) {
        if (l.lineObjectIdentifier.empty() && !l.lineObjectIdentifierScheme.empty())
            out.push_back("Objektkennung fehlt zum Schema " + quoted(l.lineObjectIdentifierScheme));
    },
    [](const LineItem& l, std::vector<std::string>& out) {
        if (!l.originCountry.empty() && !isCountryCode(l.originCountry))
            out.push_back("Herkunftsland " + quoted(l.originCountry) +
                          " ist kein Ländercode nach ISO 3166 (z.B. DE)");
    },
    // A classification names its code and the scheme it is from.
    [](const LineItem& l, std::vector<std::string>& out) {
        for (std::size_t i = 0; i < l.classifications.size(); ++i) {
            const std::string name = "Klassifizierung " + std::to_string(i + 1) + ": ";
            if (l.classifications[i].code.empty())
                out.push_back(name + "Code fehlt");
            if (l.classifications[i].listId.empty())
                out.push_back(name + "Schema fehlt");
        }
    },
    // A property has its name and its value.
    [](const LineItem& l, std::vector<std::string>& out) {
        for (std::size_t i = 0; i < l.itemAttributes.size(); ++i) {
            const std::string name = "Eigenschaft " + std::to_string(i + 1) + ": ";
            if (l.itemAttributes[i].name.empty())
                out.push_back(name + "Name fehlt");
            if (l.itemAttributes[i].value.empty())
                out.push_back(name + "Wert fehlt");
        }
    },
};

void checkLineDetails(const LineItem& line, int index, Findings& findings) {
    std::vector<std::string> problems;
    for (const DetailRule rule : lineDetailRules)
        rule(line, problems);
    const std::string name =
        "Position " + (line.position.empty() ? std::to_string(index + 1) : line.position);
    for (const std::string& problem : problems)
        findings.line(index, LineField::ItemNumber, name + ": " + problem);
}

// What each allowance or charge of a line needs: its amount (a number), and
// a reason or a reason code.
struct LineAllowanceRule {
    bool (*broken)(const AllowanceCharge&);
    const char* why;
};
constexpr LineAllowanceRule lineAllowanceRules[] = {
    {[](const AllowanceCharge& e) { return e.amount.empty(); }, "Betrag fehlt"},
    {[](const AllowanceCharge& e) { return !e.amount.empty() && !readStoredNumber(e.amount); },
     "Betrag ist keine Zahl"},
    {[](const AllowanceCharge& e) { return e.reason.empty() && e.reasonCode.empty(); },
     "Grund oder Grund-Code fehlt"},
};

// "Position 2, Nachlass 1: Betrag fehlt": allowances and charges counted
// apart.
void checkLineAllowances(const LineItem& line, int index, Findings& findings) {
    const std::string name =
        "Position " + (line.position.empty() ? std::to_string(index + 1) : line.position);
    int allowances = 0, charges = 0;
    for (const AllowanceCharge& entry : line.allowances) {
        const bool charge = isCharge(entry.chargeIndicator);
        const std::string what =
            charge ? "Zuschlag " + std::to_string(++charges) : "Nachlass " + std::to_string(++allowances);
        for (const LineAllowanceRule& rule : lineAllowanceRules)
            if (rule.broken(entry))
                findings.line(index, LineField::UnitPrice, name + ", " + what + ": " + rule.why);
    }
}

void checkLines(const Context& c, Findings& findings) {
    const std::vector<LineItem>& lines = c.state.lines;
    if (lines.empty()) {
        findings.line(-1, LineField::ItemName, "Die Rechnung hat keine Position");
        return;
    }
    std::unordered_map<std::string_view, int> seen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineItem& line = lines[i];
        const int index = static_cast<int>(i);
        const std::string name =
            line.position.empty() ? "Zeile " + std::to_string(i + 1) : "Pos. " + line.position;
        for (LineField field : requiredLineFields)
            if (lineText(line, field).empty() &&
                !(field == LineField::VatPercent && line.lineTaxCategory == "O"))
                findings.line(index, field, name + ": " + lineFieldLabel(field) + " fehlt");
        for (LineField field : {LineField::Quantity, LineField::UnitPrice, LineField::VatPercent})
            if (const std::string problem = lineFieldProblem(line, field); !problem.empty())
                findings.line(index, field, name + ": " + problem);
            else if (field == LineField::VatPercent)
                if (const std::string rate = rateProblem(line.lineTaxCategory, line.lineVatPercent);
                    !rate.empty())
                    findings.line(index, field, name + ": " + rate);
        for (const std::string* date : {&line.lineStartDate, &line.lineEndDate})
            if (!date->empty() && !isPlausibleDate(parseIsoDate(*date)))
                findings.line(index, LineField::Description,
                              name + ": Leistungszeitraum " + quoted(*date) + " ist kein gültiges Datum");
        // XRechnung 3.0: a line's period lies within the document's.
        if (c.version3 && (endsBeforeStart(c.doc.periodStart, line.lineStartDate) ||
                           endsBeforeStart(line.lineEndDate, c.doc.periodEnd)))
            findings.line(index, LineField::Description,
                          name + ": Der Leistungszeitraum liegt nicht im Leistungszeitraum der Rechnung");
        if (endsBeforeStart(line.lineStartDate, line.lineEndDate))
            findings.line(index, LineField::Description,
                          name + ": Der Leistungszeitraum endet vor seinem Beginn");
        if (!line.position.empty() && !seen.emplace(line.position, index).second)
            findings.line(index, LineField::Position, name + " kommt mehrfach vor");
        checkLineDetails(line, index, findings);
        checkLineAllowances(line, index, findings);
    }
}

} // namespace

std::vector<Finding> checkDocument(const Form& state) {
    std::vector<Finding> result;
    Findings findings(result);
    const Context c(state, false);
    checkFills(c, findings);
    checkValues(c, findings);
    checkLines(c, findings);
    // In the order of the pages; the lines' findings come in list order.
    std::stable_sort(result.begin(), result.end(), [](const Finding& a, const Finding& b) {
        const auto page = [](const Finding& f) { return f.target.field ? pageIndexOf(*f.target.field) : 4; };
        return page(a) < page(b);
    });
    return result;
}

Requirements currentRequirements(const Form& state) {
    Requirements required;
    const Context c(state, true);
    const std::set<FieldId> individually = individuallyRequired(c);
    required.fields = individually;
    for (const FillRule& rule : fillRules)
        if (rule.oneOf && rule.applies(c) && !groupCovered(c, rule, individually))
            required.fields.insert(rule.fields.begin(), rule.fields.end());
    required.lineFields.insert(std::begin(requiredLineFields), std::end(requiredLineFields));
    return required;
}

MandatoryCheck checkMandatoryFields(const Form& state) {
    const std::vector<Finding> findings = checkDocument(state);
    MandatoryCheck check;
    if (findings.empty())
        return check;
    check.ok = false;
    check.title = "Pflichtfelder";
    check.text = "Die Datei kann so nicht gespeichert werden. Bitte ergänzen oder korrigieren:";
    constexpr std::size_t shownAtMost = 20;
    for (std::size_t i = 0; i < findings.size() && i < shownAtMost; ++i)
        check.text += "\r" + findings[i].text;
    if (findings.size() > shownAtMost)
        check.text += "\r… und " + std::to_string(findings.size() - shownAtMost) + " weitere";
    check.first = findings.front().target;
    return check;
}

} // namespace tallomir
