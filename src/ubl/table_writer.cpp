#include "ubl/table_writer.h"

#include "invoice/amounts.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace tallomir::ubl::terms {
namespace {

// The object of the current entry a field of that class belongs to.
const InvoiceDocument* pick(const Objects& o, const InvoiceDocument*) {
    return o.document;
}
const PartyFields* pick(const Objects& o, const PartyFields*) {
    return o.party;
}
const DeliveryFields* pick(const Objects& o, const DeliveryFields*) {
    return o.document == nullptr ? nullptr : &o.document->delivery;
}
const LineItem* pick(const Objects& o, const LineItem*) {
    return o.line;
}
const VatBreakdownEntry* pick(const Objects& o, const VatBreakdownEntry*) {
    return o.subtotal;
}
const AllowanceCharge* pick(const Objects& o, const AllowanceCharge*) {
    return o.allowance;
}
const NoteEntry* pick(const Objects& o, const NoteEntry*) {
    return o.note;
}
const ItemClassification* pick(const Objects& o, const ItemClassification*) {
    return o.classification;
}
const PaymentMeansEntry* pick(const Objects& o, const PaymentMeansEntry*) {
    return o.payment;
}
const ItemAttribute* pick(const Objects& o, const ItemAttribute*) {
    return o.property;
}
const tallomir::Attachment* pick(const Objects& o, const tallomir::Attachment*) {
    return o.attachment;
}
const PartyIdentifier* pick(const Objects& o, const PartyIdentifier*) {
    return o.identifier;
}
const PrecedingInvoice* pick(const Objects& o, const PrecedingInvoice*) {
    return o.preceding;
}

// The class a member pointer belongs to.
template <typename M> struct MemberOf;
template <typename C> struct MemberOf<std::string C::*> { using type = C; };

// A row that stands in one side's party block only.
bool sellerOnly(Record record) {
    return record == Record::Seller || record == Record::SellerIdentifier;
}

// The hook that owns the container at `index` of a row with `count` steps: a
// variant's own element and what lies below it belong to the variant, so that
// a variant never writes into another's block nor another into its.
Hook ownerOf(const Term& row, std::size_t index, std::size_t count) {
    if (!isVariant(row.hook))
        return Hook::None;
    const std::size_t from = count - 1 - static_cast<std::size_t>(hookLevel(row));
    return index >= from ? row.hook : Hook::None;
}

// Whether two steps of paths name the same element: each name is held once
// (TableWriter::stepsOf).
bool same(std::string_view step, std::string_view other) {
    return step.data() == other.data() && step.size() == other.size();
}

} // namespace

std::string_view leafText(std::string_view text, std::string& lines) {
    if (text.empty() || (std::memchr(text.data(), '\n', text.size()) == nullptr &&
                         std::memchr(text.data(), '\r', text.size()) == nullptr))
        return text;
    // A text of several lines keeps its lines; the file breaks them as it
    // breaks its own lines, with CR LF.
    lines.clear();
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
    return lines;
}

std::string_view TableWriter::text(const Field& field) const {
    return std::visit(
        [&]<typename M>(M member) -> std::string_view {
            if constexpr (std::is_same_v<M, std::monostate>) {
                return {};
            } else {
                const auto* object = pick(objects_, static_cast<const typename MemberOf<M>::type*>(nullptr));
                return object == nullptr ? std::string_view() : std::string_view(object->*member);
            }
        },
        field);
}

void TableWriter::write(xml::XmlNode* documentElement, std::span<const Term> rows) {
    objects_ = {};
    objects_.document = &state_.doc;
    Block document;
    document.node = documentElement;
    writeRows(document, rows, Record::Document);
}

const std::vector<TableWriter::Path>& TableWriter::pathsOf(std::span<const Term> rows) {
    for (const auto& [first, paths] : paths_)
        if (first == rows.data())
            return paths;
    std::vector<Path> paths(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        paths[i].count = stepsOf(rows[i].path, paths[i].steps);
    return paths_.emplace_back(rows.data(), std::move(paths)).second;
}

void TableWriter::writeRows(Block& block, std::span<const Term> rows, Record side) {
    // the paths' own storage, which stays where it is when a further table's are added
    const Path* paths = pathsOf(rows).data();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Term& row = rows[i];
        if (side == Record::Buyer && sellerOnly(row.record))
            continue;
        if ((row.only == Only::Invoice && written_.creditNote) ||
            (row.only == Only::CreditNote && !written_.creditNote))
            continue;
        pathRow_ = &row;
        path_ = &paths[i];
        if (!row.group.empty())
            writeGroup(block, row, side);
        else
            writeRow(block, row);
    }
}

void TableWriter::writeRow(Block& block, const Term& row) {
    if (row.write == Write::None)
        return;
    current_ = &block;
    const auto one = [&] {
        if (row.write == Write::Field)
            putField(row);
        else if (!writeShared(row))
            hook_(*this, row);
    };
    // the rows of a group's entry belong to that entry
    if (!repeats(row.record) || (block.row != nullptr && block.row->record == row.record)) {
        one();
        return;
    }
    // A value that repeats by itself: one element for each entry, each in
    // containers of its own.
    fresh_ = true;
    if (row.record == Record::Note) {
        for (const NoteEntry& note : state_.doc.furtherNotes) {
            objects_.note = &note;
            one();
        }
        objects_.note = nullptr;
    } else if (row.record == Record::SellerIdentifier) {
        for (const PartyIdentifier& identifier : written_.sellerIdentifiers) {
            objects_.identifier = &identifier;
            one();
        }
        objects_.identifier = nullptr;
    }
    fresh_ = false;
}

template <typename T>
void TableWriter::writeEntries(Block& outer, const Term& row, Record side, const std::vector<T>& entries,
                               const T*& current) {
    const Path* path = path_;
    for (const T& entry : entries) {
        current = &entry;
        Block inner;
        inner.outer = &outer;
        inner.row = &row;
        inner.path = path;
        if (row.keep > 0)
            element(inner);
        writeRows(inner, row.group, side);
    }
    current = nullptr;
}

void TableWriter::writeGroup(Block& outer, const Term& row, Record side) {
    const InvoiceDocument& doc = state_.doc;
    switch (row.record) {
    case Record::Seller:
    case Record::Buyer: {
        objects_.party = row.record == Record::Seller ? &doc.supplier : &doc.customer;
        Block inner;
        inner.outer = &outer;
        inner.row = &row;
        inner.path = path_;
        if (row.keep > 0)
            element(inner);
        writeRows(inner, row.group, row.record);
        objects_.party = nullptr;
        break;
    }
    case Record::Line:
        writeEntries(outer, row, side, state_.lines, objects_.line);
        break;
    case Record::Subtotal:
        writeEntries(outer, row, side, state_.vatBreakdown, objects_.subtotal);
        break;
    case Record::Allowance:
        writeEntries(outer, row, side, written_.allowances, objects_.allowance);
        break;
    case Record::LineAllowance: {
        const LineItem* line = objects_.line;
        if (line == nullptr || line->allowances.empty())
            break;
        std::vector<AllowanceCharge> entries;
        entries.reserve(line->allowances.size());
        for (const AllowanceCharge& entry : line->allowances)
            entries.push_back(writtenLineAllowance(*line, entry));
        writeEntries(outer, row, side, entries, objects_.allowance);
        break;
    }
    case Record::Classification:
        if (objects_.line != nullptr)
            writeEntries(outer, row, side, objects_.line->classifications, objects_.classification);
        break;
    case Record::ItemProperty:
        if (objects_.line != nullptr)
            writeEntries(outer, row, side, objects_.line->itemAttributes, objects_.property);
        break;
    case Record::Note:
        writeEntries(outer, row, side, doc.furtherNotes, objects_.note);
        break;
    case Record::FurtherPayment:
        writeEntries(outer, row, side, doc.furtherPaymentMeans, objects_.payment);
        break;
    case Record::Attachment:
        writeEntries(outer, row, side, doc.attachments, objects_.attachment);
        break;
    case Record::Preceding:
        writeEntries(outer, row, side, doc.furtherPrecedingInvoices, objects_.preceding);
        break;
    default:
        break;
    }
}

std::size_t TableWriter::stepsOf(std::string_view path, Steps& steps) {
    std::size_t count = 0;
    for (std::size_t begin = 0; begin <= path.size() && count < steps.size();) {
        const std::size_t slash = std::min(path.find('/', begin), path.size());
        std::string_view step = path.substr(begin, slash - begin);
        begin = slash + 1;
        // the alternative of the document written: the first for an
        // invoice, the second for a credit note
        const std::size_t bar = step.find('|');
        if (bar != std::string_view::npos)
            step = written_.creditNote ? step.substr(bar + 1) : step.substr(0, bar);
        steps[count++] = *names_.insert(step).first;
    }
    return count;
}

bool TableWriter::stands(const Block& block, const Steps& steps, std::size_t rowSteps, std::size_t count,
                         const Term& row) const {
    if (count > block.openCount)
        return false;
    for (std::size_t i = 0; i < count; ++i)
        if (!same(block.open[i].name, steps[i]) || block.open[i].owner != ownerOf(row, i, rowSteps))
            return false;
    return true;
}

xml::XmlNode* TableWriter::containers(Block& block, const Steps& steps, std::size_t rowSteps,
                                      std::size_t count, const Term& row) {
    xml::XmlNode* node = element(block);
    for (std::size_t i = 0; i < count; ++i) {
        const Hook owner = ownerOf(row, i, rowSteps);
        Open& open = block.open[i];
        if (!fresh_ && i < block.openCount && same(open.name, steps[i]) && open.owner == owner) {
            node = open.node;
            continue;
        }
        node = xml::appendElement(node, steps[i]);
        open = {steps[i], node, owner};
        block.openCount = i + 1;
    }
    block.openCount = count;
    return node;
}

xml::XmlNode* TableWriter::element(Block& block) {
    if (block.node != nullptr)
        return block.node;
    // The entry's element: below the containers its group row shares with
    // the rows before it, an element of its own.
    const bool fresh = fresh_;
    fresh_ = false;
    const Steps& steps = block.path->steps;
    const std::size_t count = block.path->count;
    xml::XmlNode* parent = containers(*block.outer, steps, count, count - 1, *block.row);
    block.node = xml::appendElement(parent, steps[count - 1]);
    fresh_ = fresh;
    return block.node;
}

void TableWriter::put(const Term& row, std::string_view text, std::span<const AttributeText> attributes,
                      bool evenEmpty) {
    if (text.empty() && !evenEmpty && row.keep == 0)
        return;
    if (&row == pathRow_)
        return putAt(row, *path_, text, attributes, evenEmpty);
    Path own;
    own.count = stepsOf(row.path, own.steps);
    return putAt(row, own, text, attributes, evenEmpty);
}

void TableWriter::putAt(const Term& row, const Path& path, std::string_view text,
                        std::span<const AttributeText> attributes, bool evenEmpty) {
    Block& block = *current_;
    const Steps& steps = path.steps;
    const std::size_t count = path.count;
    const std::size_t above = count - 1; // the containers of the row's element
    if (row.within > 0 && !stands(block, steps, count, row.within, row))
        return;
    if (text.empty() && !evenEmpty) {
        const std::size_t kept = std::min<std::size_t>(row.keep, above);
        if (kept > 0 && stands(block, steps, count, above - kept, row))
            containers(block, steps, count, above, row);
        return;
    }
    xml::XmlNode* parent = containers(block, steps, count, above, row);
    // the attributes with a name and a value, or written always (rows have
    // two at most)
    std::array<xml::AttributeValue, 2> few;
    std::vector<xml::AttributeValue> many;
    std::span<xml::AttributeValue> given = few;
    if (attributes.size() > few.size()) {
        many.resize(attributes.size());
        given = many;
    }
    std::size_t taken = 0;
    for (const AttributeText& attribute : attributes)
        if (!attribute.name.empty() && (attribute.always || !attribute.value.empty()))
            given[taken++] = {attribute.name, attribute.value};
    xml::appendLeaf(parent, steps[count - 1], leafText(text, lines_), given.first(taken));
}

void TableWriter::putApart(const Term& row, std::string_view text,
                           std::span<const AttributeText> attributes) {
    const bool fresh = fresh_;
    fresh_ = true;
    put(row, text, attributes);
    fresh_ = fresh;
}

bool TableWriter::writeShared(const Term& row) {
    const DocumentState& state = state_;
    const std::string& means = state.doc.paymentMeansCode;
    switch (row.write) {
    case Write::NotBlank:
        if (text(row.field).find_first_not_of(' ') != std::string_view::npos)
            putField(row);
        return true;
    case Write::Unit: {
        const AttributeText unit[] = {{row.attribute.name, lineUnitCode(state, *objects_.line), true}};
        put(row, text(row.field), unit);
        return true;
    }
    // The VAT total names its currency in both syntaxes, and once more in the
    // VAT accounting currency, without breakdown, where that differs.
    case Write::TaxTotal: {
        const AttributeText currency[] = {{"currencyID", state.documentCurrency, true}};
        if (!state.vatBreakdown.empty())
            put(row, state.vatBreakdown.front().documentTaxTotal, currency);
        return true;
    }
    case Write::TaxCurrencyTotal: {
        const AttributeText own[] = {{"currencyID", state.doc.loadedTaxCurrency, true}};
        if (hasOwnTaxCurrency(state))
            put(row, text(row.field), own);
        return true;
    }
    case Write::AllowanceRate:
        // Outside the scope of VAT there is no rate.
        if (objects_.allowance->taxCategory != "O")
            putField(row);
        return true;
    // Each way of paying has its own group; the others are left out. The
    // account is known by its IBAN; without one there is none to name.
    case Write::Card:
        if (paymentKind(means) == PaymentKind::Card)
            putField(row);
        return true;
    case Write::Transfer:
        if (const PaymentKind kind = paymentKind(means);
            kind != PaymentKind::Card && kind != PaymentKind::DirectDebit)
            putField(row);
        return true;
    case Write::DirectDebit:
        if (paymentKind(means) == PaymentKind::DirectDebit)
            putField(row);
        return true;
    case Write::AttachedFile: {
        // The file in Base64 with its type and name, also where its content
        // is empty.
        const Attachment& attachment = *objects_.attachment;
        if (!attachment.content.empty() || !attachment.mimeCode.empty() || !attachment.fileName.empty())
            putField(row, true);
        return true;
    }
    default:
        return false;
    }
}

void TableWriter::putField(const Term& row, bool evenEmpty) {
    const std::string_view value = text(row.field);
    if (value.empty() && !evenEmpty && row.keep == 0)
        return;
    const AttributeText attributes[] = {
        {row.attribute.name, text(row.attribute.field), row.attribute.always},
        {row.secondAttribute.name, text(row.secondAttribute.field), row.secondAttribute.always},
    };
    put(row, value, attributes, evenEmpty);
}

} // namespace tallomir::ubl::terms
