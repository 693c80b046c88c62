// A table of terms compiled into a tree of element names: the state of the
// reader's walk at an element is the index of its place in the tree.

#pragma once

#include "ubl/terms.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tallomir::ubl::terms {

using Place = std::uint16_t;

// Matches nothing, neither itself nor anything inside.
inline constexpr Place deadPlace = 0;
// The document element.
inline constexpr Place documentPlace = 1;

struct PathNode {
    std::string_view name; // "cbc:..." or "cac:..."
    Place firstChild = deadPlace;
    Place nextSibling = deadPlace;
    // The place that stands here instead when the condition of its row's
    // hook holds (a variant), and for a variant place its hook. A variant
    // may have a variant of its own: the variants of a place are tried in
    // the order of their rows.
    Place variant = deadPlace;
    Hook variantHook = Hook::None;
    // The row whose value this element is, or none.
    const Term* term = nullptr;
    // The record of that row or of the judged block (a party row: the side).
    Record record = Record::Document;
    // Rows of one record that set the same field share a slot: the first
    // value wins.
    std::uint16_t slot = 0;
    // The hook that judges this element on entering it.
    Hook judge = Hook::None;
    // The record this element begins an entry of (line, subtotal,
    // allowance, note, classification), or Document for none.
    Record begins = Record::Document;
};

class PathTree {
public:
    explicit PathTree(std::span<const Term> terms);

    const PathNode& operator[](Place place) const { return nodes_[place]; }
    // The place of an element with that name below `parent`; deadPlace when
    // no row leads there.
    Place child(Place parent, std::string_view name) const {
        for (Place at = nodes_[parent].firstChild; at != deadPlace; at = nodes_[at].nextSibling)
            if (nodes_[at].name == name)
                return at;
        return deadPlace;
    }
    std::size_t slotCount() const { return slots_.size(); }

private:
    void addRows(Place below, std::span<const Term> terms, Record groupRecord);
    void addPath(Place at, std::string_view path, const Term& term, Record record);
    Place childOrNew(Place parent, std::string_view name);
    std::uint16_t slotOf(Record record, const Term& term);

    std::vector<PathNode> nodes_;
    Record group_ = Record::Document; // the record of the group whose rows are being added
    struct SlotKey {
        Record record;
        const Term* term;
    };
    std::vector<SlotKey> slots_;
};

// The tree of UBL, compiled at first use.
const PathTree& ublTree();

} // namespace tallomir::ubl::terms
