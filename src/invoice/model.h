#pragma once

#include "decimal.h"

#include <array>
#include <map>
#include <string>
#include <vector>

namespace tallomir {

// Program texts.
inline constexpr const char* programName = "Tallomir";
inline constexpr const char* programVersion = "1.8";
inline constexpr const char* releaseYear = " 2022";
// The maker's web address, named in every saved file and in the "Info" box.
inline constexpr const char* makerWebAddress = "https://tallomir.example.org";
inline constexpr const char* makerEmail = "info@tallomir.example.org";
std::string windowTitle(); // "Tallomir Ver. 1.8"

// A code list entry: display text and code.
struct CodeEntry {
    std::string text;
    std::string code;

    bool operator==(const CodeEntry&) const = default;
};

// An identifier with its scheme (ISO 6523 ICD, "0088"; empty when none is named).
struct PartyIdentifier {
    std::string id;
    std::string scheme;

    bool operator==(const PartyIdentifier&) const = default;
};

// Sender and recipient have the same fields; only the supplier uses legalForm.
struct PartyFields {
    std::string partyId;
    std::string name;
    std::string street;
    std::string city;
    std::string postalCode;
    std::string countryCode;
    std::string additionalStreet;     // the second address line ("Adresszusatz")
    std::string addressLine3;         // the third address line
    std::string region;               // the region or state of the address
    std::string partyIdScheme;        // the identifier's scheme, an ISO 6523 code such as "0088"
    std::string registrationIdScheme; // the legal registration's scheme, as partyIdScheme
    std::string vatId;
    std::string taxSchemeId;
    std::string taxNumber;      // the tax number of a scheme other than VAT ("Steuernummer")
    std::string endpointId;     // the electronic address ("Elektron. Adresse")
    std::string endpointScheme; // its scheme, a code of the EAS list ("EM" for e-mail)
    std::string registrationName;
    std::string registrationId;
    std::string legalForm;
    std::string contactName;
    std::string phone;
    std::string email;
    std::string taxNumberScheme;             // the tax number's scheme as a loaded file names it; empty: "FC"
    std::vector<PartyIdentifier> furtherIds; // the seller's identifiers after the first (BT-29)

    bool operator==(const PartyFields&) const = default;
};

struct DeliveryFields {
    std::string name;
    std::string street;
    std::string city;
    std::string postalCode;
    std::string countryCode;
    std::string additionalStreet;
    std::string addressLine3;
    std::string region;
    std::string locationId;       // the place delivered to, by an identifier ("Lieferort-Kennung")
    std::string locationIdScheme; // its scheme, an ISO 6523 code

    bool operator==(const DeliveryFields&) const = default;
};

// A classification of a line's item (BT-158): its code, the scheme it is
// from (UNTDID 7143, e.g. "STI") and that scheme's version.
struct ItemClassification {
    std::string code;
    std::string listId;
    std::string listVersionId;

    bool operator==(const ItemClassification&) const = default;
};

// A property of a line's item (BG-32): its name and value, e.g. "Farbe" and
// "rot".
struct ItemAttribute {
    std::string name;
    std::string value;

    bool operator==(const ItemAttribute&) const = default;
};
struct AllowanceCharge;

// One invoice line; all texts, in file order of their elements.
struct LineItem {
    std::string position;
    std::string lineNote;
    std::string quantity;
    std::string lineNetAmount;
    std::string lineStartDate;
    std::string lineEndDate;
    std::string itemName;
    std::string itemDescription;
    std::string itemNumber;
    std::string lineTaxCategory;
    std::string lineVatPercent;
    std::string lineTaxScheme;
    std::string unitPrice;
    std::string unitCode;           // of the quantity; empty: the document's unitCode
    std::string baseQuantity;       // the quantity the price is for; empty: 1
    std::string priceDiscount;      // BT-147, what the net price lies below the gross price
    std::string grossPrice;         // BT-148, the price before that discount
    std::string orderLineReference; // BT-132, the line of the buyer's order
    std::vector<ItemClassification> classifications;
    std::string lineAccountingReference;    // BT-133, the buyer's booking reference of the line
    std::string lineObjectIdentifier;       // BT-128, an object the line is for
    std::string lineObjectIdentifierScheme; // its scheme (UNTDID 1153), may be empty
    std::string buyersItemId;               // BT-156, the buyer's number of the item
    std::string standardItemId;             // BT-157, e.g. a GTIN
    std::string standardItemIdScheme;       // its scheme (ISO 6523 ICD, "0160" for a GTIN)
    std::string originCountry;              // BT-159, ISO 3166 country code
    std::vector<ItemAttribute> itemAttributes;
    // The line's own allowances and charges (no tax category: the line's);
    // a percentage's amount follows the line when it is stored.
    std::vector<AllowanceCharge> allowances;

    bool operator==(const LineItem&) const = default;
};

// One VAT breakdown entry (a tax subtotal of the file).
struct VatBreakdownEntry {
    std::string documentTaxTotal;
    std::string taxableAmount;
    std::string taxAmount;
    std::string exemptionReason;
    std::string categoryCode;
    std::string ratePercent;
    std::string schemeId;
    std::string exemptionReasonCode;

    bool operator==(const VatBreakdownEntry&) const = default;
};

// An allowance or charge as a file gives it: of the document, or of a line
// (which has no tax category of its own).
struct AllowanceCharge {
    std::string chargeIndicator; // "true" for a charge, "false" for an allowance
    std::string reasonCode;
    std::string reason;
    std::string percent;
    std::string amount;
    std::string baseAmount;
    std::string taxCategory;
    std::string taxPercent;
    std::string taxScheme;

    bool operator==(const AllowanceCharge&) const = default;
};

// A further note of the document (BG-1): its subject (a code of UNTDID 4451,
// e.g. "AAI", or empty) and its text.
struct NoteEntry {
    std::string subjectCode;
    std::string text;

    bool operator==(const NoteEntry&) const = default;
};

// A further way to pay (BG-16) after the one the form edits, as a file or the
// input gives it: the means' code and text, the remittance information, and
// what the means names of a card, an account paid into or a direct debit.
struct PaymentMeansEntry {
    std::string code;
    std::string text;
    std::string remittanceInformation;
    std::string cardNumber;
    std::string cardNetwork;
    std::string cardHolder;
    std::string iban;
    std::string accountName;
    std::string bic;
    std::string mandateReference;
    std::string debitedIban;

    bool operator==(const PaymentMeansEntry&) const = default;
};

// A supporting document (BG-24): its identifier, type code and description,
// and either the file itself (its content in Base64 as the invoice carries
// it, its MIME type and file name) or the address where it lies.
struct Attachment {
    std::string id;
    std::string typeCode;
    std::string description;
    std::string content;
    std::string mimeCode;
    std::string fileName;
    std::string uri;

    bool operator==(const Attachment&) const = default;
};

// An invoice that preceded this one (a credit note's or a correction's),
// after the first, which the form edits.
struct PrecedingInvoice {
    std::string number;
    std::string issueDate;

    bool operator==(const PrecedingInvoice&) const = default;
};

// The invoice record. Every field is a text; an empty text means "not given"
// and its element is left out of the file. Dates are "%yyyy-%mm-%dd" texts,
// amounts and percentages two-decimal texts.
struct InvoiceDocument {
    // header
    std::string documentTypeCode;
    std::string buyerReference;
    std::string documentNumber;
    std::string issueDate;
    std::string dueDate;
    std::string deliveryDate;
    std::string periodStart;
    std::string periodEnd;
    std::string orderNumber;
    std::string salesOrderNumber;
    std::string contractNumber;
    std::string projectNumber;
    std::string note;
    std::vector<NoteEntry> furtherNotes; // the notes after the first
    // the invoice a credit note or corrected invoice refers to
    std::string precedingInvoiceNumber;
    std::string precedingInvoiceDate;
    std::vector<PrecedingInvoice> furtherPrecedingInvoices; // BG-3 after the first, kept as read
    // references and dates of the page "Weitere Angaben"
    std::string buyerAccountingReference; // BT-19
    std::string tenderOrLotReference;     // BT-17
    std::string receivingAdviceReference; // BT-15
    std::string despatchAdviceReference;  // BT-16
    std::string taxPointDate;             // BT-7
    std::string taxPointDateCode;         // BT-8, instead of the date: "3", "35" or "432"
    std::string invoicedObjectIdentifier; // BT-18, and its scheme (BT-18-1) as a file or the input names it
    std::string invoicedObjectScheme;
    std::vector<Attachment> attachments; // BG-24
    // the payee, where another than the seller receives the payment (BG-10):
    // name, identifier and legal registration, each identifier with the
    // scheme a loaded file names
    std::string payeeName;
    std::string payeeIdentifier;
    std::string payeeIdentifierScheme;
    std::string payeeRegistrationId;
    std::string payeeRegistrationScheme;
    // the seller's tax representative (BG-11): name, postal address, VAT identifier
    std::string taxRepresentativeName;
    std::string taxRepresentativeStreet;
    std::string taxRepresentativeCity;
    std::string taxRepresentativePostalCode;
    std::string taxRepresentativeCountryCode;
    std::string taxRepresentativeVatId;
    std::string taxRepresentativeAdditionalStreet;
    std::string taxRepresentativeAddressLine3;
    std::string taxRepresentativeRegion;
    std::string customizationId;
    // The business process (BT-23) a loaded file names; empty: the program's own
    // is written.
    std::string businessProcess;
    std::string loadedDocumentCurrency;
    std::string loadedTaxCurrency;

    PartyFields supplier;
    PartyFields customer;
    DeliveryFields delivery;

    // payment
    std::string paymentMeansCode;
    std::string paymentMeansText; // BT-82, as a file or the input names it
    std::string bankName;
    std::string iban;
    std::string bic;
    std::string paymentTerms;
    std::string remittanceInformation; // BT-83, "Verwendungszweck"
    // direct debit: the mandate, the seller's creditor identifier, the debited account
    std::string mandateReference;
    std::string creditorId;
    std::string debitedIban;
    // payment card: the last digits of its number, its holder, its network
    std::string cardNumber;
    std::string cardHolder;
    std::string cardNetwork;
    std::vector<PaymentMeansEntry> furtherPaymentMeans;

    // the document-level allowance or charge the form edits
    std::string chargeIndicator;
    std::string allowanceReasonCode;
    std::string allowanceReason;
    std::string allowancePercent;
    std::string allowanceAmount;
    std::string allowanceBaseAmount;
    std::string allowanceTaxCategory;
    std::string allowanceTaxPercent;
    std::string allowanceTaxScheme;
    // further allowances and charges of a loaded file, shown, not edited
    std::vector<AllowanceCharge> furtherAllowances;

    // totals
    std::string lineExtensionAmount;
    std::string taxExclusiveAmount;
    std::string taxTotalAmount;
    std::string taxInclusiveAmount;
    std::string allowanceTotalAmount; // sum of the allowances written, "" when there is none
    std::string chargeTotalAmount;    // sum of the charges written, "" when there is none
    std::string prepaidAmount;
    std::string roundingAmount; // added to the amount due (a loaded file's)
    std::string payableAmount;
    // The VAT total in the VAT accounting currency (`loadedTaxCurrency`) of a
    // loaded file whose accounting currency is not the document's.
    std::string taxCurrencyTaxAmount;

    std::string taxCategoryCode;

    bool operator==(const InvoiceDocument&) const = default;
};

// One of the three VAT rates the allowance or charge can be given ("USt. %").
struct VatRateSlot {
    Decimal rate;
};

// One group of the VAT breakdown: the lines (and the allowance or charge) of
// one tax category at one rate.
struct VatGroup {
    std::string category;
    Decimal rate;
    Decimal netSum; // the lines' net amounts
    Decimal base;   // with the allowance or charge
    Decimal tax;    // base × rate, rounded to cents
};

// The choices the form offers. Filled with built-in defaults by
// defaultCodeLists(); the settings file replaces some of them.
// What a payment means code asks for: an account to transfer to (30, 58), a
// direct debit (59) or a payment card (48, 54, 55).
enum class PaymentKind { Other, CreditTransfer, DirectDebit, Card };
PaymentKind paymentKind(const std::string& paymentMeansCode);

// The versions of XRechnung the program writes.
enum class XRechnungVersion { V2_1_1, V3_0 };
// The syntaxes the program reads and writes: UBL 2.1 and UN/CEFACT CII.
enum class Syntax { Ubl, Cii };
// "XRechnung 2.1.1", "XRechnung 3.0": the entries of the "Format" combo.
std::string versionName(XRechnungVersion version);

struct CodeLists {
    std::vector<CodeEntry> documentTypes;
    std::vector<CodeEntry> paymentMeans;
    std::vector<CodeEntry> taxCategories;       // 8 entries: S, K, G, E, E, AE, Z, O by default
    std::vector<CodeEntry> unitCodes;           // the units a line can have; never empty
    std::vector<std::string> currencies;        // 4 entries
    std::array<Decimal, 3> vatRates;            // slot rates in percent
    std::vector<std::string> paymentTermsTexts; // 5 entries; the form offers the first 3
    std::vector<CodeEntry> endpointSchemes;     // schemes of electronic addresses (EAS codes)
    XRechnungVersion defaultVersion = XRechnungVersion::V2_1_1; // of a new document
    Syntax defaultSyntax = Syntax::Ubl;                         // of a new document
    // The external validator of each version: its jar, its scenarios file
    // and the folder of its rules ("" for none), relative to the folder
    // "validator" below the start directory (a jar named in the settings file
    // is relative to that file's folder); by XRechnungVersion.
    struct ValidatorSetup {
        std::string jar;
        std::string scenarios;
        std::string repository;

        bool operator==(const ValidatorSetup&) const = default;
    };
    std::array<ValidatorSetup, 2> validators;
    // How long a validator may run before it is stopped.
    int validatorTimeLimitSeconds = 300;
    // The business's database file ("Datenbank"); "" for the one in the
    // program's data folder. A relative name counts from the settings file's folder.
    std::string databaseFile;
    // The pattern of new invoice numbers ("Nummernkreis", e.g.
    // "RE-{JJJJ}-{NNNN}"), by document type code; "" holds the one of every
    // type without its own ("Nummernkreis381" and so on).
    std::map<std::string, std::string> numberRanges;
};
CodeLists defaultCodeLists();

// Working amounts that live between recomputations.
struct AmountState {
    Decimal linesTotal;
    Decimal allowanceValue;           // signed: negative = allowance, positive = charge
    Decimal allowancePercentValue;    // signed percentage
    Decimal allowanceRate;            // VAT rate of the allowance/charge
    bool allowanceRateChosen = false; // picked, loaded or taken from the one group of the lines
    Decimal netTotal;
    Decimal taxTotal;
    Decimal grossTotal;
    Decimal payable; // the gross total less what was paid before, plus a loaded file's rounding
    std::array<VatRateSlot, 3> slots; // rate copied from CodeLists::vatRates
    std::vector<VatGroup> lineGroups; // of the lines only, in the order of the breakdown
    std::vector<VatGroup> groups;     // with the allowances and charges: the breakdown
    // A percentage allowance or charge over lines of several groups, as it is
    // written: one per group, each on its group's base; empty otherwise.
    std::vector<AllowanceCharge> allowanceSplit;
};

// Content of a loaded file that the document cannot hold, so that a save
// would not write it again: one item as a user knows it ("2 Anhänge",
// "Nachlass in Position 4"), with the elements and attributes of the file it
// stands for ("AdditionalDocumentReference[2]/Attachment/...", "...@schemeID":
// local names below the document element, the first with its place among the
// elements of that name).
struct NotCarriedItem {
    std::string text;
    std::vector<std::string> elements;

    bool operator==(const NotCarriedItem&) const = default;
};

// Everything the program knows about the one open document. One instance is
// created at start-up and passed by reference; there is no other global state.
struct DocumentState {
    CodeLists lists;

    InvoiceDocument doc;
    std::string documentCurrency;
    std::string documentTaxCategory;
    std::string unitCode;
    std::string defaultTaxScheme;
    std::vector<LineItem> lines;
    std::vector<VatBreakdownEntry> vatBreakdown;
    // The exemption reason (and its code) of each tax category's group, as
    // last chosen from the list or loaded from a file; by category code.
    std::map<std::string, std::string> exemptionReasons;
    std::map<std::string, std::string> exemptionReasonCodes;

    AmountState amounts;

    // The version the file is written in: of the settings at start-up, of the
    // file for a loaded one (a reset keeps it).
    XRechnungVersion xrechnungVersion = XRechnungVersion::V2_1_1;
    // The syntax the file is written in: of the settings for a new document,
    // of the file for a loaded one (a reset keeps it).
    Syntax syntax = Syntax::Ubl;

    // What the file loaded last holds and a save would not write again.
    std::vector<NotCarriedItem> notCarried;

    std::string currentFileName;
    // changed since the last save or load
    bool modified = false;
};

// The tax category of a new document and of a new line.
inline constexpr const char* newTaxCategory = "S";

// Empties the document and sets the defaults of a new invoice (today's issue
// date, first document type, first payment means, first currency, ...).
// Keeps the code lists and the allowance working values.
void resetDocument(DocumentState& state);

// Whether any part of the delivery's postal address is given; only then is
// the address written.
bool hasDeliveryAddress(const DeliveryFields& delivery);
// The same of the tax representative's postal address.
bool hasTaxRepresentativeAddress(const InvoiceDocument& doc);

// The texts of the not-carried items, in their order.
std::vector<std::string> notCarriedTexts(const DocumentState& state);

// A fresh state with the given code lists, reset.
DocumentState makeDocumentState(const CodeLists& lists);

// The unit a line is written with: its own, or the document's default.
const std::string& lineUnitCode(const DocumentState& state, const LineItem& line);
// How a unit is shown: the text of its entry in the unit list, else its code.
std::string unitText(const CodeLists& lists, const std::string& code);

// Position of the entry whose code equals `code`, or -1.
int findCode(const std::vector<CodeEntry>& list, std::string_view code);

} // namespace tallomir
