// Loading a UBL invoice or credit note into the document.
//
// A file is judged before anything changes: one with a document type
// declaration, one that is not well-formed and one whose document element is
// not a UBL invoice or credit note leave the document as it is.
//
// The tree is then walked once, depth first, in the order of the start tags.
// Each element is recognised by its namespace and local name and those of its
// ancestors below the document element, whatever prefixes the file uses.
// Instead of comparing a table of paths for every element, the walk carries
// one place per level in the path tree compiled from the table of terms
// (ubl_terms.cpp, path_tree.h): the place of an element is the child of its
// parent's place with its name. A place with a row takes the element's text
// into the document. A field takes its first text within its record (the
// document, a party, a line, a tax subtotal, an allowance or charge); a later
// one is not taken. What a table cannot say is done by the rows' hooks
// (reader_rules.cpp).
//
// Whatever no row takes is recorded: an element whose name leads nowhere,
// with all it holds, a repeated or foreign value, an attribute that carries a
// value no row reads. After the walk these records become the not-carried
// list (not_carried.cpp).

#include "ubl/reader.h"

#include "invoice/amounts.h"
#include "invoice/texts.h"
#include "ubl/not_carried.h"
#include "ubl/reader_rules.h"
#include "ubl/writer.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace tallomir::ubl {

using namespace reading;

namespace {

using xml::NodeView;

// The namespace declarations in scope at the level being walked, each with
// the prefix the rules know its names by ("cbc", "cac", "" for any other).
class Namespaces {
public:
    explicit Namespaces(std::span<const NamespacePrefix> known) : known_(known) {}

    struct Binding {
        std::string_view prefix;
        std::string_view uri;
        std::string_view rulePrefix;
    };

    // The element's own declarations (xmlns, xmlns:p) join those of its
    // ancestors; those of its earlier siblings are gone.
    void enter(int level, NodeView element) {
        const std::size_t kept = level == 0 ? 0 : sizeAt_[static_cast<std::size_t>(level - 1)];
        if (kept != bindings_.size()) {
            ++generation_;
            bindings_.resize(kept);
        }
        if (const std::size_t count = element.attributeCount(); count != 0)
            declare(element, count);
        sizeAt_[static_cast<std::size_t>(level)] = bindings_.size();
    }
    // The declaration a qualified name's prefix stands for; an empty one
    // when the prefix is not declared.
    Binding of(std::string_view qualifiedName) const {
        const std::size_t colon = qualifiedName.find(':');
        const std::string_view prefix =
            colon == std::string_view::npos ? std::string_view() : qualifiedName.substr(0, colon);
        for (auto it = bindings_.rbegin(); it != bindings_.rend(); ++it)
            if (it->prefix == prefix)
                return *it;
        return {};
    }

    // Changes whenever the declarations in scope change: a name means the
    // same while it stays.
    std::uint32_t generation() const { return generation_; }

private:
    void declare(NodeView element, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::string_view name = element.attributeName(i);
            if (name == "xmlns" || name.starts_with("xmlns:")) {
                const std::string_view uri = element.attributeValue(i);
                std::string_view rulePrefix;
                for (const NamespacePrefix& known : known_)
                    if (known.uri == uri)
                        rulePrefix = known.prefix;
                bindings_.push_back({name.substr(name.size() == 5 ? 5 : 6), uri, rulePrefix});
                ++generation_;
            }
        }
    }

    std::uint32_t generation_ = 1;
    std::span<const NamespacePrefix> known_;
    std::vector<Binding> bindings_;
    std::array<std::size_t, deepestLevel + 1> sizeAt_{};
};

// The name the rules know an element by: "cbc:" or "cac:" and its local name
// when it stands in the namespace of the basic or the aggregate components,
// whatever prefix the file gives it; "" in any other namespace.
std::string_view ruleName(std::string_view qualifiedName, const Namespaces& namespaces, std::string& buffer) {
    const Namespaces::Binding binding = namespaces.of(qualifiedName);
    if (binding.rulePrefix.empty())
        return {};
    if (binding.prefix == binding.rulePrefix)
        return qualifiedName;
    buffer.assign(binding.rulePrefix).append(":").append(xml::localName(qualifiedName));
    return buffer;
}

// Why a file is not read: its document element is not a UBL 2.1 invoice or
// credit note (nor a CII invoice, which the syntax's place gives to CII's
// reader). "" when it is one.
std::string refusalOf(NodeView root) {
    Namespaces namespaces({});
    namespaces.enter(0, root);
    const std::string_view name = root.name();
    const std::string_view uri = namespaces.of(name).uri;
    const std::string_view local = xml::localName(name);
    if ((local == "Invoice" && uri == invoiceNamespace) ||
        (local == "CreditNote" && uri == creditNoteNamespace))
        return {};
    const std::string onlyUbl =
        " Tallomir liest nur Rechnungen und Gutschriften in den Syntaxen UBL 2.1 und UN/CEFACT CII.";
    return "Die Datei ist keine UBL-Rechnung: ihr Wurzelelement ist \u201E" + std::string(name) + "\u201C" +
           (uri.empty() ? std::string(" ohne Namensraum") : " im Namensraum " + std::string(uri)) + "." +
           onlyUbl;
}

constexpr const char* doctypeRefusal =
    "Die Datei enthält eine Dokumenttyp-Deklaration (DOCTYPE). Rechnungen "
    "brauchen keine; eine solche Datei wird zum Schutz vor eingeschleusten "
    "Inhalten nicht gelesen.";

// The walk over the file, and what it found no rule for.
struct Walk {
    Walk(DocumentState& state, const TableSyntax& walked) : target(state, walked.tree()), syntax(walked) {}

    Target target;
    std::vector<Unconsumed> unconsumed;
    BlockCounts counts;
    // The block below the document element being walked: its element, the
    // records made in it, whether a rule took anything, which line it is (or -1).
    NodeView blockNode;
    std::size_t blockRecords = 0;
    bool blockTook = false;
    std::ptrdiff_t blockLine = -1;
    int lineLevel = deepestLevel + 1; // of the line's element being walked
    const TableSyntax& syntax;

    void record(NodeView node, std::string_view attributeName = {}) {
        unconsumed.push_back({node, attributeName, target.block, target.blockPlace, blockLine});
    }

    void recordAttributes(const PathNode& node, NodeView element) {
        const std::size_t count = element.attributeCount();
        for (std::size_t i = 0; i < count; ++i) {
            const std::string_view name = element.attributeName(i);
            if (!takenWith(node, name) && isDataAttribute(name) && hasData(element.attributeValue(i)))
                record(element, name);
        }
    }

    // A block of which no rule took anything is not carried as a whole: its
    // records become one.
    void endBlock() {
        if (blockNode && !blockTook && unconsumed.size() > blockRecords) {
            unconsumed.resize(blockRecords);
            record(blockNode);
        }
    }

    // The walk's position: the element whose children are walked at each
    // level, the child visited last there, and the place of each open level.
    int level = 0;
    std::array<NodeView, deepestLevel + 1> parentAt{};
    std::array<NodeView, deepestLevel + 1> lastAt{};
    std::array<Place, deepestLevel + 1> placeAt{};
    Namespaces namespaces{syntax.prefixes};
    std::string buffer;
    // Lines walked whole with nothing recorded are given back to the tree's
    // memory (a file walked while it is parsed).
    bool releaseLines = false;
    NodeView lineNode;
    std::size_t lineRecords = 0;

    void begin(NodeView root) {
        namespaces.enter(0, root);
        placeAt[0] = terms::documentPlace;
        parentAt[1] = root;
        level = 1;
    }

    // The walk has left the line element: a line no record points into has
    // done its part, unless its block may yet be recorded as a whole.
    void leaveLine() {
        if (releaseLines && lineNode && unconsumed.size() == lineRecords &&
            (blockTook || lineNode == blockNode))
            xml::releaseElement(lineNode);
        lineNode = NodeView();
    }

    // The places found so far, by the parent's place and the element's name
    // as the document holds it once (its address): the same name below the
    // same place, under the same declarations, has the same place.
    struct KnownPlace {
        const char* name = nullptr;
        Place parent = terms::deadPlace;
        Place place = terms::deadPlace;
        std::uint32_t generation = 0;
    };
    std::array<KnownPlace, 512> known{};

    Place placeOf(Place parent, NodeView node) {
        const std::string_view qualified = node.name();
        const auto address = reinterpret_cast<std::uintptr_t>(qualified.data());
        KnownPlace& slot = known[((address >> 4) ^ (address >> 13) ^ (parent * 40503u)) % known.size()];
        if (slot.name == qualified.data() && slot.parent == parent &&
            slot.generation == namespaces.generation())
            return slot.place;
        const std::string_view name = ruleName(qualified, namespaces, buffer);
        const Place place = name.empty() ? terms::deadPlace : target.tree.child(parent, name);
        slot = {qualified.data(), parent, place, namespaces.generation()};
        return place;
    }

    // An element whose place is a container and nothing else can be walked
    // before its end tag; any other needs its text, its children or its
    // siblings first.
    bool walkableOpen(Place place) const {
        const PathNode& where = target.tree[place];
        return place != terms::deadPlace && where.term == nullptr && where.variant == terms::deadPlace &&
               where.judge == terms::Hook::None;
    }

    // Walks on as far as the tree has been read; with the whole tree read, to
    // its end. Depth first, in the order of the start tags.
    void advance() {
        const PathTree& tree = target.tree;
        while (level > 0) {
            const NodeView last = lastAt[static_cast<std::size_t>(level)];
            const NodeView parent = parentAt[static_cast<std::size_t>(level)];
            const NodeView node = last ? last.nextSibling() : parent.firstChild();
            if (node.empty()) {
                if (!parent.complete())
                    return; // more may come
                --level;
                continue;
            }
            if (!node.isElement()) {
                lastAt[static_cast<std::size_t>(level)] = node;
                continue; // comments, CDATA sections and the like, with all they hold
            }
            namespaces.enter(level, node);
            Place place = placeOf(placeAt[static_cast<std::size_t>(level - 1)], node);
            if (!node.complete() && !walkableOpen(place))
                return;
            lastAt[static_cast<std::size_t>(level)] = node;
            if (level == 1)
                endBlock();
            // what follows a line's element belongs to no line
            if (level <= lineLevel) {
                leaveLine();
                blockLine = -1;
                lineLevel = deepestLevel + 1;
            }
            if (level == 1) {
                const auto found = counts.try_emplace(std::string(node.localName()), 0).first;
                target.block = found->first;
                target.blockPlace = ++found->second;
                blockNode = node;
                blockRecords = unconsumed.size();
                blockTook = false;
                blockLine = -1;
            }
            place = enter(target, place, node);
            const PathNode& where = tree[place];
            if (where.begins == Record::Line) {
                blockLine = target.currentLine;
                lineLevel = level;
                lineNode = node;
                lineRecords = unconsumed.size();
            }
            if (place == terms::deadPlace) {
                record(node);
                continue;
            }
            if (where.term != nullptr) {
                // Every line break as one LF, as a parser gives it.
                const std::string_view text = node.text();
                const bool taken = text.find('\r') == std::string_view::npos
                                       ? apply(target, where, text, node)
                                       : apply(target, where, multiLineText(text), node);
                if (!taken) {
                    record(node);
                    continue;
                }
                blockTook = blockTook || hasData(text);
            }
            recordAttributes(where, node);
            if (level < deepestLevel && (node.firstChild() || !node.complete())) {
                placeAt[static_cast<std::size_t>(level)] = place;
                ++level;
                parentAt[static_cast<std::size_t>(level)] = node;
                lastAt[static_cast<std::size_t>(level)] = NodeView();
            }
        }
        if (level < 0)
            return;
        endBlock();
        leaveLine();
        blockNode = NodeView();
        level = -1; // walked to the end
    }
};

// The allowance or charge the form edits: the first one with a reason, with
// the further parts of its percentage split over the groups (same reason and
// percentage); every other one is carried as it was read.
void takeAllowances(InvoiceDocument& doc, std::vector<AllowanceCharge>& allowances) {
    const auto editable = std::find_if(allowances.begin(), allowances.end(),
                                       [](const AllowanceCharge& entry) { return !entry.reason.empty(); });
    if (editable != allowances.end()) {
        doc.chargeIndicator = editable->chargeIndicator;
        doc.allowanceReasonCode = editable->reasonCode;
        doc.allowanceReason = editable->reason;
        doc.allowancePercent = editable->percent;
        doc.allowanceAmount = editable->amount;
        doc.allowanceBaseAmount = editable->baseAmount;
        doc.allowanceTaxCategory = editable->taxCategory;
        doc.allowanceTaxPercent = editable->taxPercent;
        doc.allowanceTaxScheme = editable->taxScheme;
        allowances.erase(editable);
        std::erase_if(allowances, [&](const AllowanceCharge& entry) {
            return !doc.allowancePercent.empty() && entry.percent == doc.allowancePercent &&
                   entry.reason == doc.allowanceReason && entry.reasonCode == doc.allowanceReasonCode;
        });
    }
    doc.furtherAllowances = std::move(allowances);
}

// The signed allowance/charge working values from the loaded texts. Without a
// reason the document has no allowance or charge, and none of the previous
// document may linger in the totals.
void takeAllowanceFromDocument(DocumentState& state) {
    AmountState& amounts = state.amounts;
    const InvoiceDocument& doc = state.doc;
    if (doc.allowanceReason.empty()) {
        amounts.allowanceValue = Decimal();
        amounts.allowancePercentValue = Decimal();
        amounts.allowanceRate = Decimal();
        amounts.allowanceRateChosen = false;
        return;
    }
    const bool allowance = readChargeIndicator(doc.chargeIndicator) == false;
    const Decimal value = parseDecimal(doc.allowanceAmount);
    const Decimal percent = parseDecimal(doc.allowancePercent);
    amounts.allowanceValue = allowance ? -value : value;
    amounts.allowancePercentValue = allowance ? -percent : percent;
    amounts.allowanceRate = parseDecimal(doc.allowanceTaxPercent);
    amounts.allowanceRateChosen = !doc.allowanceTaxCategory.empty();
}

// What the breakdown read from the file keeps when it is computed anew from
// the lines: each category's exemption reason; and the "Steuerkennung" that
// new lines take, the category most lines have.
void takeCategoriesFromDocument(DocumentState& state) {
    for (const VatBreakdownEntry& entry : state.vatBreakdown) {
        if (!entry.exemptionReason.empty())
            state.exemptionReasons[entry.categoryCode] = entry.exemptionReason;
        if (!entry.exemptionReasonCode.empty())
            state.exemptionReasonCodes[entry.categoryCode] = entry.exemptionReasonCode;
    }
    std::map<std::string, std::size_t> count;
    for (const tallomir::LineItem& line : state.lines)
        ++count[line.lineTaxCategory];
    const auto most = std::max_element(count.begin(), count.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    if (most != count.end() && !most->first.empty())
        state.documentTaxCategory = most->first;
}

// The totals the file states beside the ones computed from what was read.
void compareTotals(const DocumentState& state, std::vector<StatedTotal>& totals) {
    const InvoiceDocument& doc = state.doc;
    const std::pair<std::string_view, const std::string*> computed[] = {
        {"Summe der Positionen", &doc.lineExtensionAmount},
        {"Nettobetrag", &doc.taxExclusiveAmount},
        {"Bruttobetrag", &doc.taxInclusiveAmount},
        {"Summe der Nachlässe", &doc.allowanceTotalAmount},
        {"Summe der Zuschläge", &doc.chargeTotalAmount},
        {"Zahlbetrag", &doc.payableAmount},
        {"USt. gesamt", &doc.taxTotalAmount},
    };
    for (StatedTotal& total : totals)
        for (const auto& [label, text] : computed)
            if (label == total.label)
                total.computed = *text;
}

// What follows the walk: the allowance the form edits, the categories, the
// amounts computed anew and the not-carried list (the tree still there).
void finishRead(DocumentState& state, Walk& walk) {
    takeAllowances(state.doc, walk.target.allowances);
    takeCategoriesFromDocument(state);
    takeAllowanceFromDocument(state);
    recomputeLines(state);
    recomputeTotals(state);
    compareTotals(state, walk.target.totals);
    state.notCarried = describeNotCarried(walk.unconsumed, walk.counts, state, walk.target.totals);
    state.modified = false;
}

std::string parseErrorMessage(const xml::XmlDocument& tree) {
    return "Fehler in der XML Datei:\r"
           "Meldung: " +
           xml::loadErrorMessage(tree) + "\rZeile:   " + std::to_string(xml::loadErrorLine(tree)) +
           "   Zeichen: " + std::to_string(xml::loadErrorColumn(tree));
}

constexpr NamespacePrefix ublPrefixes[] = {{basicNamespace, "cbc"}, {aggregateNamespace, "cac"}};

// The judgement of a parsed file: why it is not loaded, or nothing when it is.
std::optional<LoadOutcome> judged(const xml::XmlDocument* tree, const TableSyntax& syntax) {
    LoadOutcome outcome;
    if (tree == nullptr)
        return outcome;
    if (xml::hasDoctype(*tree)) {
        outcome.result = LoadOutcome::Result::Refused;
        outcome.message = doctypeRefusal;
        return outcome;
    }
    if (xml::loadStatus(*tree) != 0) {
        outcome.result = LoadOutcome::Result::ParseError;
        outcome.message = parseErrorMessage(*tree);
        return outcome;
    }
    outcome.message = syntax.refusal(xml::mainElement(*tree));
    if (!outcome.message.empty()) {
        outcome.result = LoadOutcome::Result::Refused;
        return outcome;
    }
    return std::nullopt;
}

// The walk beside the parser: it starts once the document element is read
// and judged, and goes as far as the file has been read after each piece,
// into a document of its own (the caller's stays as it is until the file is
// judged whole). A line walked whole that nothing was recorded in is given
// back to the tree's memory, so the tree never holds more than a few lines,
// the lines recorded and the rest of the file.
class WalkWhileParsed final : public xml::LoadWatcher {
public:
    WalkWhileParsed(const DocumentState& state, const std::string* fileName, ChooseSyntax choose)
        : state_(state), fileName_(fileName), choose_(choose) {}

    void parsed(xml::XmlDocument& tree, bool) override {
        if (!started_) {
            const NodeView root = xml::mainElement(tree);
            if (root.empty() || xml::hasDoctype(tree))
                return;
            started_ = true;
            const TableSyntax& syntax = choose_(root);
            if (!syntax.refusal(root).empty())
                return; // refused once the file is judged whole
            DocumentState& fresh = fresh_.emplace();
            // what a reset keeps
            fresh.lists = state_.lists;
            fresh.amounts = state_.amounts;
            fresh.xrechnungVersion = state_.xrechnungVersion;
            fresh.syntax = state_.syntax;
            fresh.currentFileName = fileName_ != nullptr ? *fileName_ : state_.currentFileName;
            resetDocument(fresh);
            walk_.emplace(fresh, syntax);
            walk_->releaseLines = true;
            walk_->begin(root);
        }
        if (walk_) {
            walk_->target.progress = xml::loadProgress(tree);
            walk_->advance();
        }
    }

    // The document read, once the walk has ended.
    DocumentState* read() {
        if (!walk_ || walk_->level >= 0)
            return nullptr;
        finishRead(*fresh_, *walk_);
        return &*fresh_;
    }

private:
    const DocumentState& state_;
    const std::string* fileName_;
    ChooseSyntax choose_;
    bool started_ = false;
    std::optional<DocumentState> fresh_;
    std::optional<Walk> walk_;
};

} // namespace

const TableSyntax& ublSyntax() {
    static const TableSyntax syntax{terms::ublTree, ublPrefixes, refusalOf};
    return syntax;
}

// The file is judged first; only a file that will be loaded replaces the
// document.
LoadOutcome loadParsed(DocumentState& state, const xml::XmlDocument* tree, const std::string* fileName,
                       const TableSyntax& syntax) {
    if (std::optional<LoadOutcome> refused = judged(tree, syntax))
        return *refused;
    LoadOutcome outcome;
    const NodeView root = xml::mainElement(*tree);
    resetDocument(state);
    if (fileName != nullptr)
        state.currentFileName = *fileName;
    Walk walk(state, syntax);
    walk.begin(root);
    walk.advance();
    finishRead(state, walk);
    outcome.result = LoadOutcome::Result::Loaded;
    return outcome;
}

LoadOutcome loadWhileParsed(DocumentState& state, const std::string* fileName, ChooseSyntax choose,
                            const Parse& parse, const TableSyntax** chosen) {
    WalkWhileParsed walk(state, fileName, choose);
    const xml::DocumentPtr tree = parse(&walk);
    const TableSyntax& syntax = choose(tree ? xml::mainElement(*tree) : NodeView());
    if (std::optional<LoadOutcome> refused = judged(tree.get(), syntax))
        return *refused;
    DocumentState* read = walk.read();
    if (read == nullptr)
        return {}; // not reached: a file judged whole has been walked
    state = std::move(*read);
    if (chosen != nullptr)
        *chosen = &syntax;
    return {LoadOutcome::Result::Loaded, {}};
}

namespace {
const TableSyntax& alwaysUbl(NodeView) {
    return ublSyntax();
}
} // namespace

LoadOutcome loadInvoiceFile(DocumentState& state, const std::string& fileName) {
    return loadWhileParsed(state, &fileName, alwaysUbl, [&](xml::LoadWatcher* watcher) {
        return xml::loadDocument(fileName, xml::Doctypes::Refuse, watcher);
    });
}

LoadOutcome loadInvoiceBytes(DocumentState& state, std::string_view bytes) {
    return loadWhileParsed(state, nullptr, alwaysUbl, [&](xml::LoadWatcher* watcher) {
        return xml::loadDocumentFromBytes(bytes, xml::Doctypes::Refuse, watcher);
    });
}

std::optional<XRechnungVersion> fileVersion(const std::string& fileName) {
    const xml::DocumentPtr tree = xml::loadDocument(fileName, xml::Doctypes::Refuse);
    if (!tree || xml::loadStatus(*tree) != 0 || xml::hasDoctype(*tree))
        return std::nullopt;
    return versionNamedBy(xml::mainElement(*tree).child("CustomizationID").text());
}

std::optional<XRechnungVersion> versionNamedBy(std::string_view customizationId) {
    static constexpr std::pair<std::string_view, XRechnungVersion> ids[] = {
        {"urn:cen.eu:en16931:2017#compliant#urn:xoev-de:kosit:standard:xrechnung_2.1",
         XRechnungVersion::V2_1_1},
        {"urn:cen.eu:en16931:2017#conformant#urn:xoev-de:kosit:extension:xrechnung_2.1",
         XRechnungVersion::V2_1_1},
        {"urn:cen.eu:en16931:2017#compliant#urn:xeinkauf.de:kosit:xrechnung_3.0", XRechnungVersion::V3_0},
        {"urn:cen.eu:en16931:2017#conformant#urn:xeinkauf.de:kosit:extension:xrechnung_3.0",
         XRechnungVersion::V3_0},
    };
    for (const auto& [id, version] : ids)
        if (trimmed(customizationId) == id)
            return version;
    return std::nullopt;
}

std::optional<std::string_view> profileBelowEn16931(std::string_view guidelineId) {
    static constexpr std::pair<std::string_view, std::string_view> ids[] = {
        {"urn:factur-x.eu:1p0:minimum", "MINIMUM"},
        {"urn:factur-x.eu:1p0:basicwl", "BASIC WL"},
        {"urn:zugferd.de:2p0:minimum", "MINIMUM"},
        {"urn:zugferd.de:2p0:basicwl", "BASIC WL"},
    };
    for (const auto& [id, profile] : ids)
        if (trimmed(guidelineId) == id)
            return profile;
    return std::nullopt;
}

std::optional<bool> readChargeIndicator(std::string_view text) {
    const std::string_view value = trimmed(text);
    if (value == "true" || value == "1")
        return true;
    if (value == "false" || value == "0")
        return false;
    return std::nullopt;
}

} // namespace tallomir::ubl
