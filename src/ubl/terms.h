// A syntax as a table: one row per value of the invoice, with the place its
// element has in the file. The reader compiles the table into a path tree and
// follows it (path_tree.h); the writer walks the same rows (table_writer.h),
// which stand in file order, each naming its path, the record and list it
// belongs to and the attributes written with it. What a table cannot say is a
// named hook of a row, the reader's (`Hook`) and the writer's (`Write`). The
// rows of UBL are in ubl_terms.cpp.

#pragma once

#include "invoice/model.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace tallomir::ubl::terms {

// The record a value belongs to. A line, a VAT subtotal, an allowance or
// charge, a further note, a line's classification and its item's properties
// repeat: each of their
// elements begins one more entry of its list.
enum class Record : std::uint8_t {
    Document,
    Seller,
    Buyer,
    Party, // in the party block: the seller's or the buyer's, as the block stands
    Delivery,
    Payment,
    Line,
    Subtotal,
    Allowance,
    Note,             // a further note: its element is its value
    Classification,   // of the current line's item
    FurtherPayment,   // a further payment means
    ItemProperty,     // a property (name and value) of the current line's item
    LineAllowance,    // an allowance or charge of the current line
    Attachment,       // a supporting document
    SellerIdentifier, // a further identifier of the seller: its element is its value
    Preceding,        // a preceding invoice after the first
};
inline constexpr std::size_t recordCount = 17;

// Whether each element of the record begins a new entry of a list.
constexpr bool repeats(Record record) {
    return record == Record::Line || record == Record::Subtotal || record == Record::Allowance ||
           record == Record::Note || record == Record::Classification || record == Record::FurtherPayment ||
           record == Record::ItemProperty || record == Record::LineAllowance ||
           record == Record::Attachment || record == Record::SellerIdentifier || record == Record::Preceding;
}

// The text field a row sets, in the object of its record: the document (also
// for delivery dates and payment), a party, the delivery address, a line, a
// subtotal, an allowance or charge.
using Field =
    std::variant<std::monostate, std::string InvoiceDocument::*, std::string PartyFields::*,
                 std::string DeliveryFields::*, std::string LineItem::*, std::string VatBreakdownEntry::*,
                 std::string AllowanceCharge::*, std::string NoteEntry::*, std::string ItemClassification::*,
                 std::string PaymentMeansEntry::*, std::string ItemAttribute::*,
                 std::string tallomir::Attachment::*, std::string PartyIdentifier::*,
                 std::string PrecedingInvoice::*>;

// How a text is taken.
enum class Form : std::uint8_t {
    Text, // as it stands
    Date, // without a time zone
    Day,  // eight digits, year, month and day ("20240131"), kept as "2024-01-31"
};

// What a row does besides setting its field, where a table cannot say it.
// Each is explained where the reader runs it (reader_rules.cpp).
enum class Hook : std::uint8_t {
    None,
    Version,             // the identifier names the version; only one the program writes is carried
    Profile,             // the program's own profile is written anew, any other is kept
    ShownCurrency,       // the document currency is also the one shown
    ChargeIndicator,     // read as the schema's boolean, kept as "true" or "false"
    DocumentCategory,    // a subtotal's category is also the document's
    TaxTotal,            // taken (the subtotals refer to it) and compared with the computed one
    StatedTotal,         // not taken: compared with the computed total (`label`)
    TakenWithBlock,      // read together with the block it stands in
    PartyTaxScheme,      // judges the block as a whole: the number's scheme follows the number
    ProjectReference,    // a variant of its block: the reference of type 50, the project
    FirstPreceding,      // judges its billing reference: only the first one is read
    TaxCurrencyTotal,    // a variant of its block: the total in the VAT accounting currency
    SepaCreditor,        // a variant of its element: the identifier in the SEPA scheme
    ObjectReference,     // a variant of its block: the reference of type 130, the invoiced object
    FurtherNote,         // a variant of its element: a note after the first, with its subject code
    FurtherPaymentMeans, // a variant of its block: a payment means after the first
    FurtherPartyId,      // a variant of its block: the seller's identifier after the first
    FurtherPreceding,    // a variant of its block: a preceding invoice after the first
    PriceDiscount,       // judges its block: a price's allowance is read, a charge is not
    NoteSubject,         // the subject code of the document's note, kept before its text
    Guideline,           // as Version; the plain standard's identifier is also carried
    TaxRegistration,     // a party's VAT identifier or tax number, as the scheme of its element says
    EachSubtotal,        // a document value each breakdown entry repeats: the first is taken
    DueDateCode,         // the tax point as a code of the list of the element, kept as a code of
                         // the document's list
};

// The element of the row's path the hook is about, counted back from the
// row's own element (0): the element judged on entering it, or where the
// variant branches off.
constexpr int hookLevel(Hook hook) {
    switch (hook) {
    case Hook::PartyTaxScheme:
    case Hook::ProjectReference:
    case Hook::TaxCurrencyTotal:
    case Hook::ObjectReference:
    case Hook::FurtherPartyId:
        return 1;
    case Hook::FirstPreceding:
        return 2;
    case Hook::PriceDiscount:
        return 1;
    default:
        return 0;
    }
}

// The element the row's hook is about: the row's own level where it names
// one (a syntax whose element stands at another depth), else the hook's.
struct Term;
constexpr int hookLevel(const Term& term);

// Whether the hook makes a variant: the row applies instead of the rows of
// the same place when the hook's condition holds for the element.
constexpr bool isVariant(Hook hook) {
    return hook == Hook::TaxCurrencyTotal || hook == Hook::SepaCreditor || hook == Hook::ObjectReference ||
           hook == Hook::FurtherNote || hook == Hook::FurtherPaymentMeans || hook == Hook::ProjectReference ||
           hook == Hook::FurtherPartyId || hook == Hook::FurtherPreceding;
}

// Whether the hook judges an element on entering it.
constexpr bool judges(Hook hook) {
    return hook == Hook::PartyTaxScheme || hook == Hook::FirstPreceding || hook == Hook::PriceDiscount;
}

// An attribute of the row's element that belongs to its value, and the field
// it sets (none: taken with the value, not kept). A row has up to two. The currency of an amount
// is never a value of its own and is taken with every row. The writer puts it
// where its field is not empty, or always where the receiver needs it named.
struct Attribute {
    std::string_view name;
    Field field{};
    bool always = false;
};

// The documents a row is written in; the reader takes it in either. Where a
// path has element alternatives, the first is the invoice's, the second the
// credit note's.
enum class Only : std::uint8_t {
    Any,
    Invoice,
    CreditNote,
};

// How the writer writes a row where its field and attributes alone cannot say
// it. Each is explained where the writer runs it (writer.cpp).
enum class Write : std::uint8_t {
    Field,            // the field's text where it is not empty, with the row's attributes
    None,             // not written: read only, or written with another row
    Constant,         // the row's `text`, where the container it stands in stands
    Amount,           // the field's amount in the document currency
    BaseAmount,       // an allowance's base amount
    Total,            // the computed total named by `written`
    TaxTotal,         // the computed VAT total of the breakdown
    TaxCurrencyTotal, // the VAT total in a loaded file's own accounting currency
    Customization,    // the identifier of the version written
    Profile,          // the kept business process or the program's own
    DocumentCurrency, // the currency the amounts are shown in
    TaxCurrency,      // the VAT accounting currency
    FurtherNote,      // a further note with its subject code
    OrderId,          // the order number, "NA" beside a sales order number alone
    PartyTaxSchemes,  // a party's VAT identifier and tax number, each with its scheme
    NotBlank,         // the field's text where it holds more than blanks
    Unit,             // a quantity with the line's unit
    AllowanceRate,    // an allowance's rate, none outside the scope of VAT
    Card,             // written for a payment by card only
    Transfer,         // written for a payment that names the payee's account only
    DirectDebit,      // written for a direct debit only
    CardNetwork,      // the card's network, "NA" where none is known
    PaymentTerms,     // the payment terms with their cash discount entries
    AttachedFile,     // the attached file with its type and name, whenever one of the three is known
    PriceDiscount,    // "false" before a line's price discount: it is an allowance
    Day,              // a date as eight digits, with the form's code
    NoteText,         // the text of the document's note, without its subject code
    NoteSubject,      // the subject code of the document's note
    PlainId,          // an identifier without a scheme
    SchemedId,        // an identifier with its scheme
    DueDateCode,      // the tax point's code in the list of the element
};

struct Term {
    // Below the document element, or below the element of the group the row
    // stands in; steps separated by "/", element alternatives by "|".
    // Elements are named "cbc:..." or "cac:..." by their namespace.
    std::string_view path;
    Record record = Record::Document;
    Field field{};
    Form form = Form::Text;
    Attribute attribute{};
    Attribute secondAttribute{};
    Hook hook = Hook::None;
    // StatedTotal, TaxTotal: the total as the not-carried list names it.
    const char* label = nullptr;
    // A group: the rows below the element at `path`, all of `record`.
    std::span<const Term> group{};

    // Writing (table_writer.h).
    Write write = Write::Field;
    Only only = Only::Any;
    // The last `keep` containers of the path are written also without a
    // value, where the one above them stands (a group: its element is
    // written for every entry).
    std::uint8_t keep = 0;
    // Written only where the first `within` containers of the path stand,
    // opened by an earlier row of the same entry.
    std::uint8_t within = 0;
    // Constant: the text written.
    std::string_view text{};
    // Total: the computed value written where the reader takes none.
    Field written{};
    // The level of the element the hook is about, where it is not the
    // hook's own (hookLevel); -1 for the hook's own.
    std::int8_t level = -1;
};

constexpr int hookLevel(const Term& term) {
    return term.level >= 0 ? term.level : hookLevel(term.hook);
}

// The rows of UBL 2.1, invoice and credit note, in file order.
std::span<const Term> ublTerms();

} // namespace tallomir::ubl::terms
