// What taking a row's text and entering an element do: the fields the table
// of terms names, and the hooks for what a table cannot say. The walk that
// applies them is in reader.cpp; the rows are in ubl_terms.cpp.

#include "ubl/reader_rules.h"

#include "invoice/dates.h"
#include "invoice/identifiers.h"
#include "ubl/reader.h"
#include "ubl/writer.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace tallomir::ubl::reading {

using terms::Field;
using terms::Hook;
using terms::Term;

namespace {

// The object a row's field lies in.
InvoiceDocument* objectOf(Target& target, Record, std::string InvoiceDocument::*) {
    return &target.state.doc;
}
PartyFields* objectOf(Target& target, Record record, std::string PartyFields::*) {
    return record == Record::Buyer ? &target.state.doc.customer : &target.state.doc.supplier;
}
DeliveryFields* objectOf(Target& target, Record, std::string DeliveryFields::*) {
    return &target.state.doc.delivery;
}
tallomir::LineItem* objectOf(Target& target, Record, std::string tallomir::LineItem::*) {
    return target.line();
}
VatBreakdownEntry* objectOf(Target& target, Record, std::string VatBreakdownEntry::*) {
    return target.entry();
}
AllowanceCharge* objectOf(Target& target, Record record, std::string AllowanceCharge::*) {
    if (record != Record::LineAllowance)
        return target.allowance();
    tallomir::LineItem* line = target.line();
    return line == nullptr || line->allowances.empty() ? nullptr : &line->allowances.back();
}
tallomir::Attachment* objectOf(Target& target, Record, std::string tallomir::Attachment::*) {
    auto& attachments = target.state.doc.attachments;
    return attachments.empty() ? nullptr : &attachments.back();
}
PartyIdentifier* objectOf(Target& target, Record, std::string PartyIdentifier::*) {
    auto& ids = target.state.doc.supplier.furtherIds;
    return ids.empty() ? nullptr : &ids.back();
}
NoteEntry* objectOf(Target& target, Record, std::string NoteEntry::*) {
    auto& notes = target.state.doc.furtherNotes;
    return notes.empty() ? nullptr : &notes.back();
}
PaymentMeansEntry* objectOf(Target& target, Record, std::string PaymentMeansEntry::*) {
    auto& means = target.state.doc.furtherPaymentMeans;
    return means.empty() ? nullptr : &means.back();
}
PrecedingInvoice* objectOf(Target& target, Record, std::string PrecedingInvoice::*) {
    auto& invoices = target.state.doc.furtherPrecedingInvoices;
    return invoices.empty() ? nullptr : &invoices.back();
}
ItemClassification* objectOf(Target& target, Record, std::string ItemClassification::*) {
    tallomir::LineItem* line = target.line();
    return line == nullptr || line->classifications.empty() ? nullptr : &line->classifications.back();
}
ItemAttribute* objectOf(Target& target, Record, std::string ItemAttribute::*) {
    tallomir::LineItem* line = target.line();
    return line == nullptr || line->itemAttributes.empty() ? nullptr : &line->itemAttributes.back();
}

void set(Target& target, Record record, const Field& field, std::string_view text) {
    std::visit(
        [&](auto member) {
            if constexpr (!std::is_same_v<decltype(member), std::monostate>)
                if (auto* object = objectOf(target, record, member))
                    (object->*member).assign(text);
        },
        field);
}

// The attributes the row takes with its element.
void setAttributes(Target& target, const PathNode& node, NodeView element) {
    for (const terms::Attribute* attribute : {&node.term->attribute, &node.term->secondAttribute})
        if (!attribute->name.empty())
            set(target, node.record, attribute->field, element.attribute(attribute->name).value_or(""));
}

// A date of eight digits as the document keeps it, "2024-01-31"; any other
// text as it stands.
std::string dayOf(std::string_view text) {
    const std::string_view day = trimmed(text);
    if (day.size() != 8 || day.find_first_not_of("0123456789") != std::string_view::npos)
        return std::string(day);
    return std::string(day.substr(0, 4)) + "-" + std::string(day.substr(4, 2)) + "-" +
           std::string(day.substr(6, 2));
}

// The tax point's code of the element's list (the invoice date, the delivery
// date, the payment date) as a code of the document's list; "" for another.
std::string_view keptDueDateCode(std::string_view code) {
    static constexpr std::pair<std::string_view, std::string_view> codes[] = {
        {"5", "3"}, {"29", "35"}, {"72", "432"}};
    for (const auto& [own, kept] : codes)
        if (trimmed(code) == own)
            return kept;
    return {};
}

// A party's tax registration: the number in the scheme "VA" is its VAT
// identifier, in any other its tax number ("FC" for the German Steuernummer).
// False when the party already has that number.
bool readTaxRegistration(PartyFields& party, std::string_view number, NodeView element) {
    const std::string_view scheme = trimmed(element.attribute("schemeID").value_or(""));
    std::string& field = scheme == "VA" ? party.vatId : party.taxNumber;
    if (!field.empty())
        return false;
    field.assign(number);
    if (&field == &party.taxNumber && scheme != "FC")
        party.taxNumberScheme.assign(scheme);
    return true;
}

} // namespace

bool hasData(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return c != ' ' && c != '\t' && c != '\r' && c != '\n'; });
}

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool apply(Target& target, const PathNode& node, std::string_view text, NodeView element) {
    const Term& term = *node.term;
    // Read with its block, which has been judged whole on entering it.
    if (term.hook == Hook::TakenWithBlock || term.hook == Hook::PartyTaxScheme ||
        term.hook == Hook::PriceDiscount)
        return true;
    if (text.empty()) {
        // An attached file without content still names its type and name.
        if (node.record == Record::Attachment && target.firstInRecord(node))
            setAttributes(target, node, element);
        return true;
    }
    DocumentState& state = target.state;
    if (term.hook == Hook::TaxRegistration) {
        PartyFields* party = objectOf(target, node.record, &PartyFields::vatId);
        return party != nullptr && readTaxRegistration(*party, text, element);
    }
    // A value every breakdown entry repeats is the same in each.
    const bool eachSubtotal = term.hook == Hook::EachSubtotal || term.hook == Hook::DueDateCode;
    if (!target.firstInRecord(node)) {
        if (!eachSubtotal)
            return false;
        const std::string kept = term.hook == Hook::DueDateCode  ? std::string(keptDueDateCode(text))
                                 : term.form == terms::Form::Day ? dayOf(text)
                                                                 : std::string(text);
        const auto* member = std::get_if<std::string InvoiceDocument::*>(&term.field);
        return member != nullptr && !kept.empty() && state.doc.**member == kept;
    }
    switch (term.hook) {
    case Hook::Guideline:
        // The plain standard's identifier is kept as the document's own.
        if (trimmed(text) == plainStandardId) {
            state.doc.customizationId.assign(plainStandardId);
            return true;
        }
        [[fallthrough]];
    case Hook::Version:
        // The version the file names; a file that names neither keeps the one
        // shown. An identifier the program does not write (an extension's) is
        // lost, since the program writes its own.
        if (const std::optional<XRechnungVersion> version = versionNamedBy(text))
            state.xrechnungVersion = *version;
        return isWrittenCustomizationId(trimmed(text));
    case Hook::Profile:
        // The sender's business process is kept and written again; the one
        // the program writes names a version and is written anew.
        if (isWrittenProfileId(trimmed(text)))
            return true;
        break;
    case Hook::ShownCurrency:
        // The currency the amounts are shown in is the file's.
        state.documentCurrency.assign(text);
        break;
    case Hook::ChargeIndicator: {
        // Kept in one form, "true" or "false"; an unreadable indicator is named.
        const std::optional<bool> charge = readChargeIndicator(text);
        if (!charge)
            return false;
        text = *charge ? "true" : "false";
        break;
    }
    case Hook::DocumentCategory:
        // The category new lines take until the lines say otherwise.
        state.documentTaxCategory.assign(text);
        state.doc.taxCategoryCode.assign(text);
        break;
    case Hook::FurtherNote:
        // "#AAI#Text": the subject code before the text.
        if (NoteEntry* note = objectOf(target, node.record, &NoteEntry::text)) {
            *note = readNote(text);
            return true;
        }
        break;
    case Hook::NoteSubject: {
        // The note's text stands before its subject code; the document keeps
        // the code before the text ("#AAI#Text").
        const std::string code(trimmed(text));
        if (!isNoteSubjectCode(code) || readNote(state.doc.note).subjectCode.size() == 3 ||
            state.doc.note.empty())
            return false;
        state.doc.note = "#" + code + "#" + state.doc.note;
        return true;
    }
    case Hook::DueDateCode:
        if (keptDueDateCode(text).empty())
            return false;
        state.doc.taxPointDateCode.assign(keptDueDateCode(text));
        return true;
    case Hook::TaxTotal:
    case Hook::StatedTotal:
        // The program computes the totals; the file's are compared with them.
        target.stateTotal(term.label, text, xml::localName(node.name));
        break;
    default:
        break;
    }
    if (term.form == terms::Form::Date)
        set(target, node.record, term.field, withoutTimeZone(text));
    else if (term.form == terms::Form::Day)
        set(target, node.record, term.field, dayOf(text));
    else
        set(target, node.record, term.field, text);
    if (!term.attribute.name.empty() || !term.secondAttribute.name.empty())
        setAttributes(target, node, element);
    return true;
}

namespace {

// A party's tax scheme: the number under "VAT" is the VAT identifier, under
// any other scheme the tax number ("FC" for the German Steuernummer). False
// when the party already has that number.
bool readPartyTaxScheme(PartyFields& party, NodeView block) {
    const std::string_view number = block.child("CompanyID").text();
    const std::string_view scheme = trimmed(block.child("TaxScheme").child("ID").text());
    std::string& field = scheme.empty() || scheme == "VAT" ? party.vatId : party.taxNumber;
    if (number.empty())
        return true;
    if (!field.empty())
        return false;
    field.assign(number);
    if (&field == &party.taxNumber && scheme != taxNumberScheme)
        party.taxNumberScheme.assign(scheme);
    return true;
}

// A reference's type code, in the element of either syntax.
std::string_view typeCodeOf(NodeView reference) {
    const NodeView code = reference.child("DocumentTypeCode");
    return trimmed(code ? code.text() : reference.child("TypeCode").text());
}

// Whether the variant's condition holds for the element.
bool variantHolds(const Target& target, Hook hook, NodeView element) {
    const DocumentState& state = target.state;
    switch (hook) {
    case Hook::SepaCreditor:
        // The seller's identifier in the SEPA scheme is the creditor
        // identifier of a direct debit.
        return trimmed(element.attribute("schemeID").value_or("")) == "SEPA";
    case Hook::TaxCurrencyTotal: {
        // The total in the VAT accounting currency, when that is not the
        // document's.
        const NodeView amount = element.child("TaxAmount") ? element.child("TaxAmount") : element;
        const std::string_view currency = amount.attribute("currencyID").value_or("");
        const std::string& taxCurrency = state.doc.loadedTaxCurrency;
        return !currency.empty() && currency == taxCurrency && taxCurrency != state.documentCurrency;
    }
    case Hook::ObjectReference:
        // The identifier of the invoiced object, by its type code.
        return typeCodeOf(element) == objectReferenceType;
    case Hook::ProjectReference:
        // The project of a credit note (the tender or lot where the project
        // has an element of its own), by its type code; any other reference
        // is a supporting document.
        return typeCodeOf(element) == projectReferenceType;
    case Hook::FurtherNote:
        // The first note is the form's; every later one is a further note.
        return !state.doc.note.empty();
    case Hook::FurtherPartyId:
        // The seller's first identifier is the form's, every later one is
        // kept; the creditor identifier in the SEPA scheme stays apart.
        return !state.doc.supplier.partyId.empty() &&
               trimmed((element.child("ID") ? element.child("ID") : element)
                           .attribute("schemeID")
                           .value_or("")) != "SEPA";
    case Hook::FurtherPaymentMeans:
    case Hook::FurtherPreceding:
        // The first payment means and the first preceding invoice are the
        // form's; every later one is kept as it is.
        return element.parent().child(element.localName()) != element;
    default:
        return false;
    }
}

// Whether a block judged as a whole is read.
bool judgeBlock(Target& target, const PathNode& node, NodeView element) {
    InvoiceDocument& doc = target.state.doc;
    switch (node.judge) {
    case Hook::PartyTaxScheme:
        // The number and its scheme are read together.
        return readPartyTaxScheme(node.record == Record::Buyer ? doc.customer : doc.supplier, element);
    case Hook::FirstPreceding:
        // The first preceding invoice is read whole; a further one is not
        // mixed into it.
        return doc.precedingInvoiceNumber.empty() && doc.precedingInvoiceDate.empty();
    case Hook::PriceDiscount:
        // A price has a discount below its gross price; a charge on a price
        // is nothing the line can hold.
        return trimmed(element.child("ChargeIndicator").text()) == "false" ||
               trimmed(element.child("ChargeIndicator").child("Indicator").text()) == "false";
    default:
        return true;
    }
}

constexpr std::size_t lineCapacityStep = 64;
constexpr std::size_t lineGrowth = 8;
constexpr std::size_t linesToEstimateFrom = 512;

// The capacity the full line list grows to: eightfold; or, once enough lines
// of a file being parsed are read, as many as the whole file holds at the same
// density, and a quarter more, so that the lines are not moved again. The
// estimate reserves at most eight times the file's size, not written.
std::size_t grownLineCapacity(const Target& target) {
    const std::size_t lines = target.state.lines.size();
    std::size_t capacity = std::max(lineCapacityStep, lines * lineGrowth);
    const xml::LoadProgress& progress = target.progress;
    if (lines >= linesToEstimateFrom && progress.parsed > 0 && progress.total > progress.parsed) {
        const double expected = static_cast<double>(lines) * static_cast<double>(progress.total) /
                                static_cast<double>(progress.parsed) * 1.25;
        const double limit = 8.0 * static_cast<double>(progress.total) / sizeof(tallomir::LineItem);
        capacity = std::max(capacity, static_cast<std::size_t>(std::min(expected, limit)));
    }
    return capacity;
}

// The pages of the room reserved for the lines still to come are made ready
// on a thread of their own, in one call, while the file is read; otherwise
// each is faulted in on the reading thread as the first line on it is
// written. Linux alone; elsewhere, and for a small list, the pages come as
// the lines are written.
void prepareRoom(Target& target) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    constexpr std::size_t enough = std::size_t{4} << 20;
    const std::vector<tallomir::LineItem>& lines = target.state.lines;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    // The room the lines are expected to need, without the quarter reserved
    // beyond the estimate.
    const std::size_t expected = lines.size() + (lines.capacity() - lines.size()) * 4 / 5;
    const auto from = reinterpret_cast<std::uintptr_t>(lines.data() + lines.size());
    const auto to = reinterpret_cast<std::uintptr_t>(lines.data() + expected);
    const std::uintptr_t begin = (from + page - 1) / page * page;
    const std::uintptr_t end = to / page * page;
    if (end <= begin || end - begin < enough)
        return;
    target.prepareLines = std::jthread([begin, end] {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE); // best effort
    });
#else
    (void)target;
#endif
}

void beginRecord(Target& target, Record record) {
    DocumentState& state = target.state;
    switch (record) {
    case Record::Line:
        // The list grows in few steps (grownLineCapacity): capacity not yet
        // written takes no memory.
        if (state.lines.size() == state.lines.capacity()) {
            if (target.prepareLines.joinable())
                target.prepareLines.join();
            state.lines.reserve(grownLineCapacity(target));
            prepareRoom(target);
        }
        state.lines.emplace_back();
        target.currentLine = static_cast<std::ptrdiff_t>(state.lines.size()) - 1;
        break;
    case Record::Subtotal: {
        VatBreakdownEntry& entry = state.vatBreakdown.emplace_back();
        entry.documentTaxTotal = state.doc.taxTotalAmount;
        target.currentEntry = static_cast<std::ptrdiff_t>(state.vatBreakdown.size()) - 1;
        break;
    }
    case Record::Allowance:
        target.allowances.emplace_back();
        break;
    case Record::Note:
        state.doc.furtherNotes.emplace_back();
        break;
    case Record::FurtherPayment:
        state.doc.furtherPaymentMeans.emplace_back();
        break;
    case Record::Attachment:
        state.doc.attachments.emplace_back();
        break;
    case Record::SellerIdentifier:
        state.doc.supplier.furtherIds.emplace_back();
        break;
    case Record::Preceding:
        state.doc.furtherPrecedingInvoices.emplace_back();
        break;
    case Record::Classification:
        if (tallomir::LineItem* line = target.line())
            line->classifications.emplace_back();
        break;
    case Record::ItemProperty:
        if (tallomir::LineItem* line = target.line())
            line->itemAttributes.emplace_back();
        break;
    case Record::LineAllowance:
        if (tallomir::LineItem* line = target.line())
            line->allowances.emplace_back();
        break;
    default:
        break;
    }
    ++target.recordNumber[static_cast<std::size_t>(record)];
}

} // namespace

Place enter(Target& target, Place place, NodeView element) {
    const PathTree& tree = target.tree;
    for (Place variant = tree[place].variant; variant != terms::deadPlace; variant = tree[variant].variant)
        if (variantHolds(target, tree[variant].variantHook, element)) {
            place = variant;
            break;
        }
    const PathNode& node = tree[place];
    if (node.begins != Record::Document)
        beginRecord(target, node.begins);
    if (node.judge != Hook::None && !judgeBlock(target, node, element))
        return terms::deadPlace;
    return place;
}

bool takenWith(const PathNode& node, std::string_view attributeName) {
    if (node.term == nullptr)
        return false;
    return attributeName == "currencyID" || attributeName == node.term->attribute.name ||
           attributeName == node.term->secondAttribute.name;
}

} // namespace tallomir::ubl::reading
