// The internals the reader's walk (reader.cpp) shares with its rules
// (reader_rules.cpp): what the walk writes to, and what entering an element
// and taking its text do. Where an element stands is its place in the path
// tree of the table of terms (path_tree.h, ubl_terms.cpp).

#pragma once

#include "invoice/model.h"
#include "ubl/not_carried.h"
#include "ubl/path_tree.h"
#include "xml/xml.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tallomir::ubl::reading {

using terms::PathNode;
using terms::PathTree;
using terms::Place;
using terms::Record;
using xml::NodeView;

// The deepest level that takes part in matching (the document element is 0).
// No row lies below level 6; what stands deeper is held by an element no
// row takes, and is recorded with it.
constexpr int deepestLevel = 10;

// What the walk writes to, besides the document.
struct Target {
    Target(DocumentState& documentState, const PathTree& pathTree)
        : state(documentState), tree(pathTree), takenIn(pathTree.slotCount(), 0) {}

    DocumentState& state;
    const PathTree& tree; // of the syntax read
    // every allowance or charge of the file; which one the form edits is
    // decided after the walk
    std::vector<AllowanceCharge> allowances;
    std::ptrdiff_t currentLine = -1;
    std::ptrdiff_t currentEntry = -1;
    // Each entry of a repeating record (line, subtotal, allowance, ...) has
    // its own number; a field takes a text only once per entry (the document
    // and each party are one entry each).
    std::array<std::uint32_t, terms::recordCount> recordNumber{};
    std::vector<std::uint32_t> takenIn; // by slot: the record that took it
    // the block being walked, for the totals the file states
    std::string_view block;
    int blockPlace = 0;
    std::vector<StatedTotal> totals;
    // How far the file has been parsed, where it is walked while it is parsed.
    xml::LoadProgress progress;
    // Makes the pages of the line list's reserved room ready while the file is
    // read (where the system can); ends before the list is moved or freed.
    std::jthread prepareLines;

    tallomir::LineItem* line() {
        return currentLine < 0 ? nullptr : &state.lines[static_cast<std::size_t>(currentLine)];
    }
    VatBreakdownEntry* entry() {
        return currentEntry < 0 ? nullptr : &state.vatBreakdown[static_cast<std::size_t>(currentEntry)];
    }
    AllowanceCharge* allowance() { return allowances.empty() ? nullptr : &allowances.back(); }

    // False when the field already took a text in the current record.
    bool firstInRecord(const PathNode& node) {
        const std::uint32_t record =
            terms::repeats(node.record) ? recordNumber[static_cast<std::size_t>(node.record)] : 1;
        std::uint32_t& taken = takenIn[node.slot];
        if (taken == record)
            return false;
        taken = record;
        return true;
    }

    void stateTotal(const char* label, std::string_view text, std::string_view element) {
        totals.push_back(
            {label,
             std::string(text),
             {},
             std::string(block) + "[" + std::to_string(blockPlace) + "]/" + std::string(element)});
    }
};

// Whether the text holds anything but blanks.
bool hasData(std::string_view text);
// The text without blanks around it.
std::string_view trimmed(std::string_view text);

// Takes the text of an element whose place has a row into the document;
// false when the row does not take it (a repeated value, a foreign
// identifier), so that it is recorded.
bool apply(Target& target, const PathNode& node, std::string_view text, NodeView element);

// Entering an element at that place: a variant stands in for it when its
// condition holds; a record begins with its line, subtotal or allowance
// element; some blocks are judged as a whole before they are walked. Gives
// the place the element keeps, the dead place when nothing in it is taken.
Place enter(Target& target, Place place, NodeView element);

// The attribute is a value a row takes together with its element: the
// currency of an amount, or the attribute the row names (the unit of a
// quantity, the scheme of an electronic address or of the creditor
// identifier).
bool takenWith(const PathNode& node, std::string_view attributeName);

} // namespace tallomir::ubl::reading
