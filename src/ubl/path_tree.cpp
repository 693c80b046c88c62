#include "ubl/path_tree.h"

#include <algorithm>

namespace tallomir::ubl::terms {
namespace {

bool isParty(Record record) {
    return record == Record::Seller || record == Record::Buyer;
}

// The side of the party block a row stands in: the seller's further
// identifiers stand in the seller's block only.
Record sideOf(Record record) {
    return record == Record::SellerIdentifier ? Record::Seller : record;
}

} // namespace

PathTree::PathTree(std::span<const Term> terms) {
    nodes_.resize(2); // the dead place and the document element
    addRows(documentPlace, terms, Record::Document);
}

void PathTree::addRows(Place below, std::span<const Term> terms, Record groupRecord) {
    for (const Term& term : terms) {
        // A row of one side in the party block stands only in that side's block.
        if (isParty(sideOf(term.record)) && isParty(groupRecord) && sideOf(term.record) != groupRecord)
            continue;
        addPath(below, term.path, term, term.record == Record::Party ? groupRecord : term.record);
    }
}

void PathTree::addPath(Place at, std::string_view path, const Term& term, Record record) {
    const std::size_t slash = path.find('/');
    const std::string_view step = path.substr(0, slash);
    const std::string_view rest =
        slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    // how many steps lie below this one
    const int fromEnd = rest.empty() ? 0 : static_cast<int>(std::ranges::count(rest, '/')) + 1;
    const bool hookHere = fromEnd == hookLevel(term);
    for (std::size_t begin = 0; begin <= step.size();) {
        const std::size_t bar = std::min(step.find('|', begin), step.size());
        const std::string_view name = step.substr(begin, bar - begin);
        begin = bar + 1;
        Place next = childOrNew(at, name);
        if (hookHere && isVariant(term.hook)) {
            // The variants of a place form a chain, one per hook.
            Place link = next;
            while (nodes_[link].variant != deadPlace && nodes_[nodes_[link].variant].variantHook != term.hook)
                link = nodes_[link].variant;
            if (nodes_[link].variant == deadPlace) {
                const Place variant = static_cast<Place>(nodes_.size());
                nodes_.push_back({.name = name, .variantHook = term.hook});
                nodes_[link].variant = variant;
            }
            next = nodes_[link].variant;
        }
        if (hookHere && judges(term.hook)) {
            nodes_[next].judge = term.hook;
            nodes_[next].record = record;
        }
        if (!rest.empty()) {
            addPath(next, rest, term, record);
        } else if (!term.group.empty()) {
            if (repeats(record))
                nodes_[next].begins = record;
            const Record outer = group_;
            group_ = record;
            addRows(next, term.group, record);
            group_ = outer;
        } else {
            nodes_[next].term = &term;
            nodes_[next].record = record;
            // a further note or identifier is its element's text alone,
            // unless its group's element holds it
            if ((record == Record::Note || record == Record::SellerIdentifier) && group_ != record)
                nodes_[next].begins = record;
            nodes_[next].slot = slotOf(record, term);
        }
    }
}

Place PathTree::childOrNew(Place parent, std::string_view name) {
    Place* link = &nodes_[parent].firstChild;
    while (*link != deadPlace) {
        if (nodes_[*link].name == name)
            return *link;
        link = &nodes_[*link].nextSibling;
    }
    const Place place = static_cast<Place>(nodes_.size());
    *link = place; // before the vector grows
    nodes_.push_back({.name = name});
    return place;
}

std::uint16_t PathTree::slotOf(Record record, const Term& term) {
    const bool hasField = !std::holds_alternative<std::monostate>(term.field);
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].record == record &&
            (slots_[i].term == &term || (hasField && slots_[i].term->field == term.field)))
            return static_cast<std::uint16_t>(i);
    slots_.push_back({record, &term});
    return static_cast<std::uint16_t>(slots_.size() - 1);
}

const PathTree& ublTree() {
    static const PathTree tree(ublTerms());
    return tree;
}

} // namespace tallomir::ubl::terms
