#include "writer.h"

#include "invoice/amounts.h"
#include "invoice/identifiers.h"
#include "invoice/texts.h"

#include <cctype>
#include <cerrno>
#include <string>

namespace tallomir::ubl {

namespace {

constexpr const char* joiningText = ", erstellt mit ";

constexpr const char* creditNoteCode = "381";

// The system's reason for a failed save, in German for the common cases.
std::string systemErrorText(int error, const std::string& systemText) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "Der Ordner existiert nicht.";
    case EACCES:
    case EPERM:
        return "Keine Berechtigung, in diesen Ordner zu schreiben.";
    case ENOSPC:
    case EDQUOT:
        return "Auf dem Datenträger ist kein Platz mehr frei.";
    case EROFS:
        return "Der Datenträger ist schreibgeschützt.";
    case EISDIR:
        return "Unter diesem Namen gibt es schon einen Ordner.";
    case ENAMETOOLONG:
        return "Der Dateiname ist zu lang.";
    default:
        return "Systemfehler " + std::to_string(error) + " (" + systemText + ").";
    }
}

bool isCreditNote(const DocumentState& state) {
    return state.doc.documentTypeCode == creditNoteCode;
}

void addLeaf(xml::XmlNode* parent, std::string_view name, std::string_view text) {
    addElement(parent, name, {}, {}, text);
}

void addAmount(xml::XmlNode* parent, std::string_view name, const DocumentState& state,
               std::string_view text) {
    addElement(parent, name, "currencyID", state.documentCurrency, text);
}

// Payment terms with entries of cash discount ("#SKONTO#TAGE=14#PROZENT=2.00#")
// have each entry on a line of its own, ending in a line break, as receivers
// read them; a text before the first entry stays as the first line. Other
// terms are written as typed.
std::string paymentTermsText(const std::string& terms) {
    const std::size_t first = terms.find("#SKONTO#");
    if (first == std::string::npos) {
        return terms;
    }
    std::string text;
    const std::size_t end = terms.find_last_not_of(" \t\r\n", first == 0 ? std::string::npos : first - 1);
    if (first > 0 && end != std::string::npos) {
        text = terms.substr(0, end + 1) + "\n";
    }
    for (const std::string& entry : discountEntries(terms)) {
        text += entry + "\n";
    }
    return text;
}

bool isVersion3(const DocumentState& state) {
    return state.xrechnungVersion == XRechnungVersion::V3_0;
}

// The VAT accounting currency: a loaded file's own, with its VAT total in
// that currency; otherwise the document currency.
const std::string& taxCurrency(const DocumentState& state) {
    return hasOwnTaxCurrency(state) ? state.doc.loadedTaxCurrency : state.documentCurrency;
}

const char* standardName(XRechnungVersion version) {
    return version == XRechnungVersion::V3_0 ? "XRechnung 3.0.2." : "XRechnung 2.1.1.";
}

std::string profileText(const DocumentState& state) {
    return std::string(standardName(state.xrechnungVersion)) + joiningText + programName + " " +
           programVersion + " (" + makerWebAddress + ")";
}

// An identifier with its scheme; the attribute only where a scheme is known
// (an empty schemeID breaks the code list rules).
void addIdentifier(xml::XmlNode* parent, std::string_view name, const std::string& scheme,
                   const std::string& id) {
    addElement(parent, name, scheme.empty() ? "" : "schemeID", scheme, id);
}

// The lines of a postal address before its country, in schema order.
void addAddressLines(xml::XmlNode* address, const std::string& street, const std::string& additionalStreet,
                     const std::string& city, const std::string& postalCode, const std::string& region,
                     const std::string& addressLine3) {
    addLeaf(address, "cbc:StreetName", street);
    addLeaf(address, "cbc:AdditionalStreetName", additionalStreet);
    addLeaf(address, "cbc:CityName", city);
    addLeaf(address, "cbc:PostalZone", postalCode);
    addLeaf(address, "cbc:CountrySubentity", region);
    if (!addressLine3.empty())
        addLeaf(xml::appendElement(address, "cac:AddressLine"), "cbc:Line", addressLine3);
}

// Supplier and customer share one tree; only the supplier has a legal form
// and, for a direct debit, the creditor identifier of the SEPA scheme.
void writeParty(xml::XmlNode* documentElement, std::string_view containerName, const PartyFields& party,
                bool withLegalForm, std::string_view creditorId = {}) {
    xml::XmlNode* container = xml::appendElement(documentElement, containerName);
    xml::XmlNode* partyNode = xml::appendElement(container, "cac:Party");
    addElement(partyNode, "cbc:EndpointID", "schemeID", party.endpointScheme, party.endpointId);
    if (!party.partyId.empty()) {
        addIdentifier(xml::appendElement(partyNode, "cac:PartyIdentification"), "cbc:ID", party.partyIdScheme,
                      party.partyId);
    }
    for (const PartyIdentifier& further : party.furtherIds)
        if (!further.id.empty())
            addIdentifier(xml::appendElement(partyNode, "cac:PartyIdentification"), "cbc:ID", further.scheme,
                          further.id);
    if (!creditorId.empty()) {
        addElement(xml::appendElement(partyNode, "cac:PartyIdentification"), "cbc:ID", "schemeID", "SEPA",
                   creditorId);
    }
    if (!party.name.empty()) {
        addLeaf(xml::appendElement(partyNode, "cac:PartyName"), "cbc:Name", party.name);
    }
    xml::XmlNode* address = xml::appendElement(partyNode, "cac:PostalAddress");
    addAddressLines(address, party.street, party.additionalStreet, party.city, party.postalCode, party.region,
                    party.addressLine3);
    addLeaf(xml::appendElement(address, "cac:Country"), "cbc:IdentificationCode", party.countryCode);

    // The VAT identifier, then the tax number under its own scheme; a scheme
    // without its number is not written.
    const std::pair<const std::string*, std::string_view> schemes[] = {
        {&party.vatId, party.taxSchemeId.empty() ? std::string_view("VAT") : party.taxSchemeId},
        {&party.taxNumber, party.taxNumberScheme.empty() ? taxNumberScheme : party.taxNumberScheme},
    };
    for (const auto& [number, scheme] : schemes) {
        if (number->empty())
            continue;
        xml::XmlNode* taxScheme = xml::appendElement(partyNode, "cac:PartyTaxScheme");
        addLeaf(taxScheme, "cbc:CompanyID", *number);
        addLeaf(xml::appendElement(taxScheme, "cac:TaxScheme"), "cbc:ID", scheme);
    }

    xml::XmlNode* legal = xml::appendElement(partyNode, "cac:PartyLegalEntity");
    addLeaf(legal, "cbc:RegistrationName", party.registrationName);
    addIdentifier(legal, "cbc:CompanyID", party.registrationIdScheme, party.registrationId);
    if (withLegalForm) {
        addLeaf(legal, "cbc:CompanyLegalForm", party.legalForm);
    }

    xml::XmlNode* contact = xml::appendElement(partyNode, "cac:Contact");
    addLeaf(contact, "cbc:Name", party.contactName);
    addLeaf(contact, "cbc:Telephone", party.phone);
    addLeaf(contact, "cbc:ElectronicMail", party.email);
}

// A reference to another document by its identifier; none without one.
void writeReference(xml::XmlNode* documentElement, std::string_view name, const std::string& id) {
    if (!id.empty())
        addLeaf(xml::appendElement(documentElement, name), "cbc:ID", id);
}

// A supporting document: the file in Base64 or the address it lies at.
void writeAttachment(xml::XmlNode* documentElement, const Attachment& attachment) {
    xml::XmlNode* reference = xml::appendElement(documentElement, "cac:AdditionalDocumentReference");
    addLeaf(reference, "cbc:ID", attachment.id);
    addLeaf(reference, "cbc:DocumentTypeCode", attachment.typeCode);
    addLeaf(reference, "cbc:DocumentDescription", attachment.description);
    const bool embedded =
        !attachment.content.empty() || !attachment.mimeCode.empty() || !attachment.fileName.empty();
    if (!embedded && attachment.uri.empty())
        return;
    xml::XmlNode* file = xml::appendElement(reference, "cac:Attachment");
    if (embedded) {
        xml::XmlNode* content = xml::appendElement(file, "cbc:EmbeddedDocumentBinaryObject");
        xml::setAttribute(content, "mimeCode", attachment.mimeCode);
        xml::setAttribute(content, "filename", attachment.fileName);
        xml::setNodeText(content, attachment.content);
    }
    if (!attachment.uri.empty())
        addLeaf(xml::appendElement(file, "cac:ExternalReference"), "cbc:URI", attachment.uri);
}

} // namespace

std::string customizationIdOf(XRechnungVersion version) {
    return version == XRechnungVersion::V3_0
               ? "urn:cen.eu:en16931:2017#compliant#urn:xeinkauf.de:kosit:xrechnung_3.0"
               : "urn:cen.eu:en16931:2017#compliant#urn:xoev-de:kosit:standard:xrechnung_2.1";
}

void addElement(xml::XmlNode* parent, std::string_view name, std::string_view attributeName,
                std::string_view attributeValue, std::string_view text) {
    if (!xml::NodeView(parent).isElement() || text.empty()) {
        return;
    }
    xml::XmlNode* element = xml::appendElement(parent, name);
    if (!attributeName.empty()) {
        xml::setAttribute(element, attributeName, attributeValue);
    }
    if (text.find_first_of("\r\n") == std::string_view::npos) {
        xml::setNodeText(element, text);
        return;
    }
    // A text of several lines keeps its lines; the file breaks them as it
    // breaks its own lines, with CR LF.
    std::string lines;
    lines.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            lines.push_back(text[i]);
        }
    }
    xml::setNodeText(element, lines);
}

std::string noteText(const NoteEntry& note) {
    return note.subjectCode.empty() ? note.text : "#" + note.subjectCode + "#" + note.text;
}

NoteEntry readNote(std::string_view text) {
    const bool coded =
        text.size() >= 5 && text[0] == '#' && text[4] == '#' && isNoteSubjectCode(text.substr(1, 3));
    if (!coded)
        return {{}, std::string(text)};
    return {std::string(text.substr(1, 3)), std::string(text.substr(5))};
}

bool isWrittenCustomizationId(std::string_view text) {
    return text == customizationIdOf(XRechnungVersion::V2_1_1) ||
           text == customizationIdOf(XRechnungVersion::V3_0);
}

bool isWrittenProfileId(std::string_view text) {
    for (const XRechnungVersion version : {XRechnungVersion::V2_1_1, XRechnungVersion::V3_0})
        if (text.starts_with(std::string(standardName(version)) + joiningText + programName + " "))
            return true;
    return false;
}

std::string completeXmlExtension(const std::string& fileName) {
    // The extension is what follows the last point of the last name part; a
    // blank, a slash or a backslash ends the search, and a point that starts
    // the name part does not begin an extension.
    std::string extension;
    bool found = false;
    for (std::size_t i = fileName.size(); i > 0; --i) {
        const char c = fileName[i - 1];
        if (c == ' ' || c == '/' || c == '\\') {
            break;
        }
        if (c == '.') {
            const std::size_t point = i - 1;
            if (point > 0 && fileName[point - 1] != '/' && fileName[point - 1] != '\\') {
                extension = fileName.substr(point + 1);
                found = true;
            }
            break;
        }
    }
    // "XML" and "Xml" name the same type of file as "xml".
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (found && extension == "xml") {
        return fileName;
    }
    return fileName + ".xml";
}

void writeHeader(xml::XmlNode* documentElement, const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    const bool creditNote = isCreditNote(state);

    addLeaf(documentElement, "cbc:CustomizationID", customizationIdOf(state.xrechnungVersion));
    addLeaf(documentElement, "cbc:ProfileID",
            doc.businessProcess.empty() ? profileText(state) : doc.businessProcess);
    addLeaf(documentElement, "cbc:ID", doc.documentNumber);
    addLeaf(documentElement, "cbc:IssueDate", doc.issueDate);
    // A credit note has no due date here; it travels with the payment means.
    // Its tax point date comes before its type code, an invoice's after its note.
    if (!creditNote) {
        addLeaf(documentElement, "cbc:DueDate", doc.dueDate);
    } else {
        addLeaf(documentElement, "cbc:TaxPointDate", doc.taxPointDate);
    }
    addLeaf(documentElement, creditNote ? "cbc:CreditNoteTypeCode" : "cbc:InvoiceTypeCode",
            doc.documentTypeCode);
    addLeaf(documentElement, "cbc:Note", doc.note);
    for (const NoteEntry& note : doc.furtherNotes)
        addLeaf(documentElement, "cbc:Note", noteText(note));
    if (!creditNote) {
        addLeaf(documentElement, "cbc:TaxPointDate", doc.taxPointDate);
    }
    addLeaf(documentElement, "cbc:DocumentCurrencyCode", state.documentCurrency);
    // XRechnung 3.0 names a VAT accounting currency only where it differs.
    if (!isVersion3(state) || hasOwnTaxCurrency(state)) {
        addLeaf(documentElement, "cbc:TaxCurrencyCode", taxCurrency(state));
    }
    addLeaf(documentElement, "cbc:AccountingCost", doc.buyerAccountingReference);
    addLeaf(documentElement, "cbc:BuyerReference", doc.buyerReference);

    if (!doc.periodStart.empty() || !doc.periodEnd.empty()) {
        xml::XmlNode* period = xml::appendElement(documentElement, "cac:InvoicePeriod");
        addLeaf(period, "cbc:StartDate", doc.periodStart);
        addLeaf(period, "cbc:EndDate", doc.periodEnd);
    }
    // The order reference needs its ID; a sales order number alone gets "NA".
    if (!doc.orderNumber.empty() || !doc.salesOrderNumber.empty()) {
        xml::XmlNode* order = xml::appendElement(documentElement, "cac:OrderReference");
        addLeaf(order, "cbc:ID", doc.orderNumber.empty() ? std::string("NA") : doc.orderNumber);
        addLeaf(order, "cbc:SalesOrderID", doc.salesOrderNumber);
    }
    // The invoice a credit note or corrected invoice refers to.
    if (!doc.precedingInvoiceNumber.empty() || !doc.precedingInvoiceDate.empty()) {
        xml::XmlNode* reference = xml::appendElement(
            xml::appendElement(documentElement, "cac:BillingReference"), "cac:InvoiceDocumentReference");
        addLeaf(reference, "cbc:ID", doc.precedingInvoiceNumber);
        addLeaf(reference, "cbc:IssueDate", doc.precedingInvoiceDate);
    }
    writeReference(documentElement, "cac:DespatchDocumentReference", doc.despatchAdviceReference);
    writeReference(documentElement, "cac:ReceiptDocumentReference", doc.receivingAdviceReference);
    // The tender reference stands before the contract in an invoice, after
    // the further documents in a credit note.
    if (!creditNote) {
        writeReference(documentElement, "cac:OriginatorDocumentReference", doc.tenderOrLotReference);
    }
    writeReference(documentElement, "cac:ContractDocumentReference", doc.contractNumber);
    if (!doc.invoicedObjectIdentifier.empty()) {
        xml::XmlNode* reference = xml::appendElement(documentElement, "cac:AdditionalDocumentReference");
        addIdentifier(reference, "cbc:ID", doc.invoicedObjectScheme, doc.invoicedObjectIdentifier);
        addLeaf(reference, "cbc:DocumentTypeCode", objectReferenceType);
    }
    for (const Attachment& attachment : doc.attachments)
        writeAttachment(documentElement, attachment);
    if (!doc.projectNumber.empty()) {
        if (creditNote) {
            // The credit note has no project reference element; the project
            // travels as an additional document reference of type 50.
            xml::XmlNode* reference = xml::appendElement(documentElement, "cac:AdditionalDocumentReference");
            addLeaf(reference, "cbc:ID", doc.projectNumber);
            addLeaf(reference, "cbc:DocumentTypeCode", projectReferenceType);
        } else {
            addLeaf(xml::appendElement(documentElement, "cac:ProjectReference"), "cbc:ID", doc.projectNumber);
        }
    }
    if (creditNote) {
        writeReference(documentElement, "cac:OriginatorDocumentReference", doc.tenderOrLotReference);
    }
}

void writeSupplierParty(xml::XmlNode* documentElement, const DocumentState& state) {
    const bool directDebit = paymentKind(state.doc.paymentMeansCode) == PaymentKind::DirectDebit;
    writeParty(documentElement, "cac:AccountingSupplierParty", state.doc.supplier, true,
               directDebit ? std::string_view(state.doc.creditorId) : std::string_view());
}

void writeCustomerParty(xml::XmlNode* documentElement, const DocumentState& state) {
    writeParty(documentElement, "cac:AccountingCustomerParty", state.doc.customer, false);
}

// The payee, when one is named.
void writePayee(xml::XmlNode* documentElement, const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    if (doc.payeeName.empty() && doc.payeeIdentifier.empty() && doc.payeeRegistrationId.empty())
        return;
    xml::XmlNode* payee = xml::appendElement(documentElement, "cac:PayeeParty");
    if (!doc.payeeIdentifier.empty())
        addIdentifier(xml::appendElement(payee, "cac:PartyIdentification"), "cbc:ID",
                      doc.payeeIdentifierScheme, doc.payeeIdentifier);
    if (!doc.payeeName.empty())
        addLeaf(xml::appendElement(payee, "cac:PartyName"), "cbc:Name", doc.payeeName);
    if (!doc.payeeRegistrationId.empty())
        addIdentifier(xml::appendElement(payee, "cac:PartyLegalEntity"), "cbc:CompanyID",
                      doc.payeeRegistrationScheme, doc.payeeRegistrationId);
}

// The seller's tax representative, when one is named: name, address, VAT
// identifier, each block only with content.
void writeTaxRepresentative(xml::XmlNode* documentElement, const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    const bool address = hasTaxRepresentativeAddress(doc);
    if (doc.taxRepresentativeName.empty() && !address && doc.taxRepresentativeVatId.empty())
        return;
    xml::XmlNode* party = xml::appendElement(documentElement, "cac:TaxRepresentativeParty");
    if (!doc.taxRepresentativeName.empty())
        addLeaf(xml::appendElement(party, "cac:PartyName"), "cbc:Name", doc.taxRepresentativeName);
    if (address) {
        xml::XmlNode* postal = xml::appendElement(party, "cac:PostalAddress");
        addAddressLines(postal, doc.taxRepresentativeStreet, doc.taxRepresentativeAdditionalStreet,
                        doc.taxRepresentativeCity, doc.taxRepresentativePostalCode,
                        doc.taxRepresentativeRegion, doc.taxRepresentativeAddressLine3);
        if (!doc.taxRepresentativeCountryCode.empty())
            addLeaf(xml::appendElement(postal, "cac:Country"), "cbc:IdentificationCode",
                    doc.taxRepresentativeCountryCode);
    }
    if (!doc.taxRepresentativeVatId.empty()) {
        xml::XmlNode* scheme = xml::appendElement(party, "cac:PartyTaxScheme");
        addLeaf(scheme, "cbc:CompanyID", doc.taxRepresentativeVatId);
        addLeaf(xml::appendElement(scheme, "cac:TaxScheme"), "cbc:ID", "VAT");
    }
}

void writeDelivery(xml::XmlNode* documentElement, const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    xml::XmlNode* delivery = xml::appendElement(documentElement, "cac:Delivery");
    addLeaf(delivery, "cbc:ActualDeliveryDate", doc.deliveryDate);
    // The place is written when it has an identifier or any part of its
    // address is given, the party when it has a name (not only blanks); none
    // is lost for want of another.
    const DeliveryFields& place = doc.delivery;
    const bool withAddress = hasDeliveryAddress(place);
    if (withAddress || !place.locationId.empty()) {
        xml::XmlNode* location = xml::appendElement(delivery, "cac:DeliveryLocation");
        addIdentifier(location, "cbc:ID", place.locationIdScheme, place.locationId);
        if (withAddress) {
            xml::XmlNode* address = xml::appendElement(location, "cac:Address");
            addAddressLines(address, place.street, place.additionalStreet, place.city, place.postalCode,
                            place.region, place.addressLine3);
            addLeaf(xml::appendElement(address, "cac:Country"), "cbc:IdentificationCode", place.countryCode);
        }
    }
    if (place.name.find_first_not_of(' ') != std::string::npos) {
        xml::XmlNode* party = xml::appendElement(delivery, "cac:DeliveryParty");
        addLeaf(xml::appendElement(party, "cac:PartyName"), "cbc:Name", place.name);
    }
}

namespace {

// A payment means after the first, written as it was given: each of its
// groups where it has a value.
void writeFurtherPaymentMeans(xml::XmlNode* documentElement, const PaymentMeansEntry& entry) {
    xml::XmlNode* means = xml::appendElement(documentElement, "cac:PaymentMeans");
    addElement(means, "cbc:PaymentMeansCode", entry.text.empty() ? "" : "name", entry.text, entry.code);
    addLeaf(means, "cbc:PaymentID", entry.remittanceInformation);
    if (!entry.cardNumber.empty()) {
        xml::XmlNode* card = xml::appendElement(means, "cac:CardAccount");
        addLeaf(card, "cbc:PrimaryAccountNumberID", entry.cardNumber);
        addLeaf(card, "cbc:NetworkID", entry.cardNetwork.empty() ? std::string("NA") : entry.cardNetwork);
        addLeaf(card, "cbc:HolderName", entry.cardHolder);
    }
    if (!entry.iban.empty()) {
        xml::XmlNode* account = xml::appendElement(means, "cac:PayeeFinancialAccount");
        addLeaf(account, "cbc:ID", entry.iban);
        addLeaf(account, "cbc:Name", entry.accountName);
        if (!entry.bic.empty())
            addLeaf(xml::appendElement(account, "cac:FinancialInstitutionBranch"), "cbc:ID", entry.bic);
    }
    if (!entry.mandateReference.empty() || !entry.debitedIban.empty()) {
        xml::XmlNode* mandate = xml::appendElement(means, "cac:PaymentMandate");
        addLeaf(mandate, "cbc:ID", entry.mandateReference);
        if (!entry.debitedIban.empty())
            addLeaf(xml::appendElement(mandate, "cac:PayerFinancialAccount"), "cbc:ID", entry.debitedIban);
    }
}

} // namespace

void writePayment(xml::XmlNode* documentElement, const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    xml::XmlNode* means = xml::appendElement(documentElement, "cac:PaymentMeans");
    addElement(means, "cbc:PaymentMeansCode", doc.paymentMeansText.empty() ? "" : "name",
               doc.paymentMeansText, doc.paymentMeansCode);
    if (isCreditNote(state)) {
        addLeaf(means, "cbc:PaymentDueDate", doc.dueDate);
    }
    addLeaf(means, "cbc:PaymentID", doc.remittanceInformation);
    // Each way of paying has its own group; the others are left out.
    const PaymentKind kind = paymentKind(doc.paymentMeansCode);
    if (kind == PaymentKind::Card && !doc.cardNumber.empty()) {
        xml::XmlNode* card = xml::appendElement(means, "cac:CardAccount");
        addLeaf(card, "cbc:PrimaryAccountNumberID", doc.cardNumber);
        // The card's network is not asked for; the file must name one.
        addLeaf(card, "cbc:NetworkID", doc.cardNetwork.empty() ? std::string("NA") : doc.cardNetwork);
        addLeaf(card, "cbc:HolderName", doc.cardHolder);
    }
    // The account is known by its IBAN; without one there is none to name.
    if (!doc.iban.empty() && kind != PaymentKind::Card && kind != PaymentKind::DirectDebit) {
        xml::XmlNode* account = xml::appendElement(means, "cac:PayeeFinancialAccount");
        addLeaf(account, "cbc:ID", doc.iban);
        addLeaf(account, "cbc:Name", doc.bankName);
        if (!doc.bic.empty()) {
            addLeaf(xml::appendElement(account, "cac:FinancialInstitutionBranch"), "cbc:ID", doc.bic);
        }
    }
    if (kind == PaymentKind::DirectDebit && (!doc.mandateReference.empty() || !doc.debitedIban.empty())) {
        xml::XmlNode* mandate = xml::appendElement(means, "cac:PaymentMandate");
        addLeaf(mandate, "cbc:ID", doc.mandateReference);
        if (!doc.debitedIban.empty()) {
            addLeaf(xml::appendElement(mandate, "cac:PayerFinancialAccount"), "cbc:ID", doc.debitedIban);
        }
    }
    for (const PaymentMeansEntry& further : doc.furtherPaymentMeans)
        writeFurtherPaymentMeans(documentElement, further);
    if (!doc.paymentTerms.empty()) {
        addLeaf(xml::appendElement(documentElement, "cac:PaymentTerms"), "cbc:Note",
                paymentTermsText(doc.paymentTerms));
    }
}

// An allowance or charge of the document or of a line, up to its tax category.
xml::XmlNode* writeAllowanceAmounts(xml::XmlNode* parent, const DocumentState& state,
                                    const AllowanceCharge& entry) {
    xml::XmlNode* allowance = xml::appendElement(parent, "cac:AllowanceCharge");
    addLeaf(allowance, "cbc:ChargeIndicator", entry.chargeIndicator);
    addLeaf(allowance, "cbc:AllowanceChargeReasonCode", entry.reasonCode);
    addLeaf(allowance, "cbc:AllowanceChargeReason", entry.reason);
    addLeaf(allowance, "cbc:MultiplierFactorNumeric", entry.percent);
    addAmount(allowance, "cbc:Amount", state, entry.amount);
    // XRechnung 3.0 has a base amount only beside its percentage.
    if (!isVersion3(state) || !entry.percent.empty()) {
        addAmount(allowance, "cbc:BaseAmount", state, entry.baseAmount);
    }
    return allowance;
}

void writeAllowanceCharge(xml::XmlNode* documentElement, const DocumentState& state) {
    const auto write = [&](const AllowanceCharge& entry) {
        xml::XmlNode* allowance = writeAllowanceAmounts(documentElement, state, entry);
        xml::XmlNode* category = xml::appendElement(allowance, "cac:TaxCategory");
        addLeaf(category, "cbc:ID", entry.taxCategory);
        // Outside the scope of VAT there is no rate.
        if (entry.taxCategory != "O") {
            addLeaf(category, "cbc:Percent", entry.taxPercent);
        }
        addLeaf(xml::appendElement(category, "cac:TaxScheme"), "cbc:ID", entry.taxScheme);
    };
    // The one the form edits exists by its reason, split per group where its
    // percentage covers several; the further ones of a loaded file follow as
    // they were read.
    for (const AllowanceCharge& entry : writtenAllowances(state))
        write(entry);
    for (const AllowanceCharge& entry : state.doc.furtherAllowances)
        write(entry);
}

void writeTaxTotal(xml::XmlNode* documentElement, const DocumentState& state) {
    if (state.vatBreakdown.empty()) {
        return;
    }
    xml::XmlNode* taxTotal = xml::appendElement(documentElement, "cac:TaxTotal");
    addAmount(taxTotal, "cbc:TaxAmount", state, state.vatBreakdown.front().documentTaxTotal);
    // Every group, also one whose amounts are zero; each with its rate (0.00
    // outside the scope of VAT too) and the reason of an exemption.
    for (const VatBreakdownEntry& entry : state.vatBreakdown) {
        xml::XmlNode* subtotal = xml::appendElement(taxTotal, "cac:TaxSubtotal");
        addAmount(subtotal, "cbc:TaxableAmount", state, entry.taxableAmount);
        addAmount(subtotal, "cbc:TaxAmount", state, entry.taxAmount);
        xml::XmlNode* category = xml::appendElement(subtotal, "cac:TaxCategory");
        addLeaf(category, "cbc:ID", entry.categoryCode);
        addLeaf(category, "cbc:Percent", entry.ratePercent);
        addLeaf(category, "cbc:TaxExemptionReasonCode", entry.exemptionReasonCode);
        addLeaf(category, "cbc:TaxExemptionReason", entry.exemptionReason);
        addLeaf(xml::appendElement(category, "cac:TaxScheme"), "cbc:ID", entry.schemeId);
    }
    // The VAT total once more in the accounting currency, without breakdown.
    if (hasOwnTaxCurrency(state)) {
        addElement(xml::appendElement(documentElement, "cac:TaxTotal"), "cbc:TaxAmount", "currencyID",
                   state.doc.loadedTaxCurrency, state.doc.taxCurrencyTaxAmount);
    }
}

void writeMonetaryTotal(xml::XmlNode* documentElement, const DocumentState& state) {
    const InvoiceDocument& doc = state.doc;
    xml::XmlNode* total = xml::appendElement(documentElement, "cac:LegalMonetaryTotal");
    addAmount(total, "cbc:LineExtensionAmount", state, doc.lineExtensionAmount);
    addAmount(total, "cbc:TaxExclusiveAmount", state, doc.taxExclusiveAmount);
    addAmount(total, "cbc:TaxInclusiveAmount", state, doc.taxInclusiveAmount);
    // The totals of allowances and of charges sum the allowance/charge
    // elements of the file, so each is written only beside one of its kind.
    addAmount(total, "cbc:AllowanceTotalAmount", state, doc.allowanceTotalAmount);
    addAmount(total, "cbc:ChargeTotalAmount", state, doc.chargeTotalAmount);
    addAmount(total, "cbc:PrepaidAmount", state, doc.prepaidAmount);
    addAmount(total, "cbc:PayableRoundingAmount", state, doc.roundingAmount);
    addAmount(total, "cbc:PayableAmount", state, doc.payableAmount);
}

namespace {

// The object a line is for: a reference of type 130 with its identifier.
void writeLineObject(xml::XmlNode* lineNode, const LineItem& line) {
    if (line.lineObjectIdentifier.empty())
        return;
    xml::XmlNode* reference = xml::appendElement(lineNode, "cac:DocumentReference");
    addIdentifier(reference, "cbc:ID", line.lineObjectIdentifierScheme, line.lineObjectIdentifier);
    addLeaf(reference, "cbc:DocumentTypeCode", objectReferenceType);
}

// The item's numbers, the buyer's before the seller's, then the standard
// identifier with its scheme and the country of origin.
void writeItemIdentifiers(xml::XmlNode* item, const LineItem& line) {
    if (!line.buyersItemId.empty())
        addLeaf(xml::appendElement(item, "cac:BuyersItemIdentification"), "cbc:ID", line.buyersItemId);
    if (!line.itemNumber.empty())
        addLeaf(xml::appendElement(item, "cac:SellersItemIdentification"), "cbc:ID", line.itemNumber);
    if (!line.standardItemId.empty())
        addIdentifier(xml::appendElement(item, "cac:StandardItemIdentification"), "cbc:ID",
                      line.standardItemIdScheme, line.standardItemId);
    if (!line.originCountry.empty())
        addLeaf(xml::appendElement(item, "cac:OriginCountry"), "cbc:IdentificationCode", line.originCountry);
}

} // namespace

void writeLines(xml::XmlNode* documentElement, const DocumentState& state) {
    const bool creditNote = isCreditNote(state);
    const char* lineName = creditNote ? "cac:CreditNoteLine" : "cac:InvoiceLine";
    const char* quantityName = creditNote ? "cbc:CreditedQuantity" : "cbc:InvoicedQuantity";
    for (const LineItem& line : state.lines) {
        xml::XmlNode* lineNode = xml::appendElement(documentElement, lineName);
        addLeaf(lineNode, "cbc:ID", line.position);
        addLeaf(lineNode, "cbc:Note", line.lineNote);
        addElement(lineNode, quantityName, "unitCode", lineUnitCode(state, line), line.quantity);
        addAmount(lineNode, "cbc:LineExtensionAmount", state, line.lineNetAmount);
        addLeaf(lineNode, "cbc:AccountingCost", line.lineAccountingReference);
        if (!line.lineStartDate.empty() || !line.lineEndDate.empty()) {
            xml::XmlNode* period = xml::appendElement(lineNode, "cac:InvoicePeriod");
            addLeaf(period, "cbc:StartDate", line.lineStartDate);
            addLeaf(period, "cbc:EndDate", line.lineEndDate);
        }
        if (!line.orderLineReference.empty())
            addLeaf(xml::appendElement(lineNode, "cac:OrderLineReference"), "cbc:LineID",
                    line.orderLineReference);
        writeLineObject(lineNode, line);
        // the line's own allowances and charges, without a tax category
        for (const AllowanceCharge& entry : line.allowances)
            writeAllowanceAmounts(lineNode, state, writtenLineAllowance(line, entry));
        xml::XmlNode* item = xml::appendElement(lineNode, "cac:Item");
        addLeaf(item, "cbc:Description", line.itemDescription);
        addLeaf(item, "cbc:Name", line.itemName);
        writeItemIdentifiers(item, line);
        for (const ItemClassification& classification : line.classifications) {
            if (classification.code.empty())
                continue;
            xml::XmlNode* code = xml::appendElement(xml::appendElement(item, "cac:CommodityClassification"),
                                                    "cbc:ItemClassificationCode");
            xml::setAttribute(code, "listID", classification.listId);
            if (!classification.listVersionId.empty())
                xml::setAttribute(code, "listVersionID", classification.listVersionId);
            xml::setNodeText(code, classification.code);
        }
        xml::XmlNode* category = xml::appendElement(item, "cac:ClassifiedTaxCategory");
        addLeaf(category, "cbc:ID", line.lineTaxCategory);
        addLeaf(category, "cbc:Percent", line.lineVatPercent);
        addLeaf(xml::appendElement(category, "cac:TaxScheme"), "cbc:ID", line.lineTaxScheme);
        for (const ItemAttribute& attribute : line.itemAttributes) {
            if (attribute.name.empty() && attribute.value.empty())
                continue;
            xml::XmlNode* property = xml::appendElement(item, "cac:AdditionalItemProperty");
            addLeaf(property, "cbc:Name", attribute.name);
            addLeaf(property, "cbc:Value", attribute.value);
        }
        xml::XmlNode* price = xml::appendElement(lineNode, "cac:Price");
        addAmount(price, "cbc:PriceAmount", state, line.unitPrice);
        addElement(price, "cbc:BaseQuantity", "unitCode", lineUnitCode(state, line), line.baseQuantity);
    }
}

xml::DocumentPtr buildInvoiceTree(const DocumentState& state) {
    xml::DocumentPtr document = xml::createDocument();
    xml::XmlNode* root = xml::rootNode(*document);
    // Every type code but the credit note's makes an invoice.
    const bool creditNote = isCreditNote(state);
    xml::XmlNode* main = xml::appendElement(root, creditNote ? "ubl:CreditNote" : "ubl:Invoice");
    xml::setAttribute(main, "xmlns:ubl", creditNote ? creditNoteNamespace : invoiceNamespace);
    xml::setAttribute(main, "xmlns:cac", aggregateNamespace);
    xml::setAttribute(main, "xmlns:cbc", basicNamespace);

    writeHeader(main, state);
    writeSupplierParty(main, state);
    writeCustomerParty(main, state);
    writePayee(main, state);
    writeTaxRepresentative(main, state);
    writeDelivery(main, state);
    writePayment(main, state);
    writeAllowanceCharge(main, state);
    writeTaxTotal(main, state);
    writeMonetaryTotal(main, state);
    writeLines(main, state);

    // XRechnung 3.0 has no empty elements; an element whose every part was
    // left out goes too.
    if (isVersion3(state)) {
        xml::removeEmptyElements(main);
    }
    // What was typed is written as it was typed: only the indentation between
    // elements is added.
    xml::reformat(*document, 4, xml::LeafTexts::Keep);
    return document;
}

SaveOutcome saveInvoiceFile(DocumentState& state, const std::string& chosenFileName) {
    SaveOutcome outcome;
    if (chosenFileName.empty()) {
        state.currentFileName.clear();
        outcome.message = "Es wurde kein Dateiname angegeben.";
        return outcome;
    }
    state.currentFileName = completeXmlExtension(chosenFileName);
    outcome.fileName = state.currentFileName;

    const xml::DocumentPtr document = buildInvoiceTree(state);
    const xml::SaveResult result = xml::saveDocument(*document, state.currentFileName);
    if (!result.ok) {
        outcome.message = "Die Datei " + state.currentFileName +
                          " konnte nicht gespeichert werden: " + systemErrorText(result.error, result.reason);
        return outcome;
    }
    outcome.ok = true;
    state.modified = false;
    return outcome;
}

} // namespace tallomir::ubl
