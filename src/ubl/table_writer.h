// Writing a document by the rows of a syntax's table (terms.h): the rows
// stand in file order, so walking them and putting each value at its path
// builds the tree. The engine knows no element name; what a row cannot say is
// the syntax's writer hook of the row (`Term::write`).

#pragma once

#include "invoice/model.h"
#include "ubl/terms.h"
#include "xml/xml.h"

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tallomir::ubl::terms {

// What the file holds beyond the document's own entries, as the syntax's
// writer prepares it.
struct Written {
    bool creditNote = false;
    std::vector<AllowanceCharge> allowances;        // the document's allowances and charges
    std::vector<PartyIdentifier> sellerIdentifiers; // the seller's identifiers after the first
    std::string rulesId;                            // the identifier of the rules the file follows
};

// The objects the rows of the entry being written take their fields from.
struct Objects {
    const InvoiceDocument* document = nullptr;
    const PartyFields* party = nullptr;
    const LineItem* line = nullptr;
    const VatBreakdownEntry* subtotal = nullptr;
    const AllowanceCharge* allowance = nullptr;
    const NoteEntry* note = nullptr;
    const ItemClassification* classification = nullptr;
    const PaymentMeansEntry* payment = nullptr;
    const ItemAttribute* property = nullptr;
    const tallomir::Attachment* attachment = nullptr;
    const PartyIdentifier* identifier = nullptr;
    const PrecedingInvoice* preceding = nullptr;
};

// An attribute as written: left out where its value is empty, unless always.
struct AttributeText {
    std::string_view name;
    std::string_view value;
    bool always = false;
};

// A leaf's text as written: the lines of a text of several lines end in
// CR LF (made in `lines` where it differs from `text`).
std::string_view leafText(std::string_view text, std::string& lines);

class TableWriter;
// Writes a row whose `write` is neither Field nor None.
using WriteHook = void (*)(TableWriter&, const Term&);

class TableWriter {
public:
    TableWriter(const DocumentState& state, const Written& written, WriteHook hook)
        : state_(state), written_(written), hook_(hook) {}

    // Every row below the document element, in table order.
    void write(xml::XmlNode* documentElement, std::span<const Term> rows);

    const DocumentState& state() const { return state_; }
    const Written& written() const { return written_; }
    const Objects& objects() const { return objects_; }
    // The text of the field in the current entry's objects; empty for none.
    std::string_view text(const Field& field) const;

    // Puts the row's element with the text and attributes at the row's path
    // below the current entry's element; an empty text writes nothing but the
    // containers the row keeps.
    // With `evenEmpty`, an empty text writes an empty element.
    void put(const Term& row, std::string_view text, std::span<const AttributeText> attributes = {},
             bool evenEmpty = false);
    // The row's own field and attributes.
    void putField(const Term& row, bool evenEmpty = false);
    // As put, in containers of its own: a block of the row after another.
    void putApart(const Term& row, std::string_view text, std::span<const AttributeText> attributes = {});

private:
    using Steps = std::array<std::string_view, 8>; // no path is deeper
    // A row's path split into its steps, the alternative of the document
    // chosen; each row's once per save.
    struct Path {
        Steps steps{};
        std::size_t count = 0;
    };
    struct Open {
        std::string_view name;
        xml::XmlNode* node = nullptr;
        Hook owner = Hook::None;
    };
    // The element of one entry and the containers below it the last row used.
    struct Block {
        Block* outer = nullptr;
        const Term* row = nullptr;  // the group row; none for the document
        const Path* path = nullptr; // its path
        xml::XmlNode* node = nullptr;
        std::array<Open, 8> open{};
        std::size_t openCount = 0;
    };

    // The rows whose writing both syntaxes share (the payment kinds, units,
    // rates, attached files); false for a row of the syntax's own hook.
    bool writeShared(const Term& row);
    void writeRows(Block& block, std::span<const Term> rows, Record side);
    void writeRow(Block& block, const Term& row);
    void writeGroup(Block& outer, const Term& row, Record side);
    template <typename T>
    void writeEntries(Block& outer, const Term& row, Record side, const std::vector<T>& entries,
                      const T*& current);
    // The steps of a path; each name held once (in names_), so that two
    // steps name the same element where their views are the same.
    std::size_t stepsOf(std::string_view path, Steps& steps);
    const std::vector<Path>& pathsOf(std::span<const Term> rows);
    void putAt(const Term& row, const Path& path, std::string_view text,
               std::span<const AttributeText> attributes, bool evenEmpty);
    // Whether the first `count` containers of the row (of `rowSteps` steps)
    // stand, opened by earlier rows of the entry.
    bool stands(const Block& block, const Steps& steps, std::size_t rowSteps, std::size_t count,
                const Term& row) const;
    // The first `count` containers, reused where they stand, else opened.
    xml::XmlNode* containers(Block& block, const Steps& steps, std::size_t rowSteps, std::size_t count,
                             const Term& row);
    xml::XmlNode* element(Block& block);

    const DocumentState& state_;
    const Written& written_;
    WriteHook hook_;
    Objects objects_;
    Block* current_ = nullptr;
    bool fresh_ = false; // the entry of a repeating value opens its own containers
    std::vector<std::pair<const Term*, std::vector<Path>>> paths_; // by the first row of a table
    std::unordered_set<std::string_view> names_;                   // the steps' names, each once
    std::string lines_;                                            // a text of several lines as written
    const Term* pathRow_ = nullptr;                                // the row being written and its path
    const Path* path_ = nullptr;
};

} // namespace tallomir::ubl::terms
