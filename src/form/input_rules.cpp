#include "form/input_rules.h"

#include "form/document_check.h"
#include "form/page_rows.h"
#include "invoice/amounts.h"
#include "invoice/identifiers.h"
#include "invoice/texts.h"

#include <string_view>
#include <vector>

namespace tallomir {

namespace {

// The text a field edits, by its page row: a date's for the date fields, the
// text's for the others.
std::string* rowTarget(InvoiceDocument& d, FieldId field, bool date) {
    const PageRow* row = pageRowOf(field);
    if (row == nullptr || row->text == nullptr || (row->input == Input::Date) != date)
        return nullptr;
    return row->text(d);
}

std::string* textTarget(InvoiceDocument& d, FieldId field) {
    return rowTarget(d, field, false);
}

std::string* dateTarget(InvoiceDocument& d, FieldId field) {
    return rowTarget(d, field, true);
}

bool isCountryCode(FieldId field) {
    return field == FieldId::SupplierCountryCode || field == FieldId::CustomerCountryCode ||
           field == FieldId::DeliveryCountryCode || field == FieldId::TaxRepresentativeCountryCode;
}

// The fields of an identifier's scheme, a code.
bool isIdentifierScheme(FieldId field) {
    return field == FieldId::SupplierPartyIdScheme || field == FieldId::SupplierRegistrationIdScheme ||
           field == FieldId::CustomerPartyIdScheme || field == FieldId::CustomerRegistrationIdScheme ||
           field == FieldId::DeliveryLocationIdScheme;
}

// The rule a field holding an IBAN or a VAT identifier must follow.
using IdentifierCheck = std::string (*)(std::string_view);
IdentifierCheck identifierCheck(FieldId field) {
    switch (field) {
    case FieldId::Iban:
    case FieldId::DebitedIban:
        return ibanProblem;
    case FieldId::SupplierVatId:
    case FieldId::CustomerVatId:
        return vatIdProblem;
    default:
        return nullptr;
    }
}

// Stores value into target; notes a real change in state.modified.
void assign(Form& state, std::string& target, std::string value) {
    if (target != value) {
        target = std::move(value);
        state.modified = true;
    }
}

// Characters, not bytes: "ÄT" is two characters.
std::size_t utf8Length(std::string_view text) {
    std::size_t count = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

std::string withoutBlanks(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c != ' ')
            result.push_back(c);
    }
    return result;
}

// Everything the allowance/charge row can change, to tell whether an entry
// changed the document.
struct AllowanceSnapshot {
    std::string chargeIndicator, reason, percent, amount, baseAmount, taxCategory, taxPercent, taxScheme;
    Decimal value, percentValue, rate;
    bool rateChosen = false;

    explicit AllowanceSnapshot(const Form& s)
        : chargeIndicator(s.doc.chargeIndicator), reason(s.doc.allowanceReason),
          percent(s.doc.allowancePercent), amount(s.doc.allowanceAmount),
          baseAmount(s.doc.allowanceBaseAmount), taxCategory(s.doc.allowanceTaxCategory),
          taxPercent(s.doc.allowanceTaxPercent), taxScheme(s.doc.allowanceTaxScheme),
          value(s.amounts.allowanceValue), percentValue(s.amounts.allowancePercentValue),
          rate(s.amounts.allowanceRate), rateChosen(s.amounts.allowanceRateChosen) {}

    bool sameAs(const AllowanceSnapshot& o) const {
        return chargeIndicator == o.chargeIndicator && reason == o.reason && percent == o.percent &&
               amount == o.amount && baseAmount == o.baseAmount && taxCategory == o.taxCategory &&
               taxPercent == o.taxPercent && taxScheme == o.taxScheme && value == o.value &&
               percentValue == o.percentValue && rate == o.rate && rateChosen == o.rateChosen;
    }
};

// Every stored line and the line in the editor.
std::vector<LineItem*> lineAndBuffer(Form& state) {
    std::vector<LineItem*> lines;
    lines.reserve(state.lines.size() + 1);
    for (LineItem& line : state.lines)
        lines.push_back(&line);
    lines.push_back(&state.lineEditBuffer);
    return lines;
}

// A party's electronic address gets a scheme when it has none: the first of
// the list; and a party without an address takes its e-mail, with the scheme
// "EM", visibly in the fields.
void fillElectronicAddress(Form& state, FieldId field, RuleOutcome& outcome) {
    const bool supplier = field == FieldId::SupplierEmail || field == FieldId::SupplierEndpoint;
    const bool customer = field == FieldId::CustomerEmail || field == FieldId::CustomerEndpoint;
    if (!supplier && !customer)
        return;
    PartyFields& party = supplier ? state.doc.supplier : state.doc.customer;
    const FieldId endpoint = supplier ? FieldId::SupplierEndpoint : FieldId::CustomerEndpoint;
    const FieldId scheme = supplier ? FieldId::SupplierEndpointScheme : FieldId::CustomerEndpointScheme;
    if (field != endpoint && party.endpointId.empty() && !party.email.empty()) {
        assign(state, party.endpointId, party.email);
        assign(state, party.endpointScheme, "EM");
        outcome.fieldsFilled = {endpoint, scheme};
    } else if (field == endpoint && !party.endpointId.empty() && party.endpointScheme.empty() &&
               !state.lists.endpointSchemes.empty()) {
        assign(state, party.endpointScheme, state.lists.endpointSchemes.front().code);
        outcome.fieldsFilled = {scheme};
    }
}

const char* allowanceLabel(FieldId field) {
    return field == FieldId::AllowanceValue ? "Wert" : "Prozent";
}

} // namespace

NumberReading readNumberField(std::string_view label, std::string_view text, bool rate) {
    NumberReading reading;
    if (text.find_first_not_of(" \t") == std::string_view::npos)
        return reading;
    const std::optional<TypedNumber> read = readTypedText(text, rate);
    const std::string quotedText = std::string(label) + ": \u201E" + std::string(text) + "\u201C";
    if (!read) {
        reading.problem = quotedText + " ist keine Zahl";
        return reading;
    }
    reading.value = read->value;
    if (read->point != PointRole::None)
        reading.note = quotedText + " gelesen als " + formatGerman(read->value, 0, 30, false) +
                       (read->point == PointRole::Thousands ? " (Punkt als Tausendertrennzeichen)"
                                                            : " (Punkt als Dezimalzeichen)");
    return reading;
}

const std::string* documentText(const InvoiceDocument& doc, FieldId field) {
    return textTarget(const_cast<InvoiceDocument&>(doc), field);
}

const std::string* documentDate(const InvoiceDocument& doc, FieldId field) {
    return dateTarget(const_cast<InvoiceDocument&>(doc), field);
}

RuleOutcome leaveTextField(Form& state, FieldId field, const std::string& typed) {
    RuleOutcome outcome;
    const std::string text = field == FieldId::Note ? multiLineText(typed) : singleLineText(typed);

    if (field == FieldId::BuyerReference) {
        assign(state, state.doc.buyerReference, withoutBlanks(text));
        return outcome;
    }
    if (isIdentifierScheme(field)) {
        // A code, kept without blanks.
        assign(state, *textTarget(state.doc, field), compactIdentifier(text));
        return outcome;
    }
    if (const auto check = identifierCheck(field)) {
        // Kept without blanks; a malformed one is named at once and by the check.
        const std::string compact = compactIdentifier(text);
        assign(state, *textTarget(state.doc, field), compact);
        if (const std::string problem = compact.empty() ? "" : check(compact); !problem.empty()) {
            state.invalidInputs[field] = fieldLabel(field, false) + " " + problem;
            outcome.statusText = state.invalidInputs[field];
        } else {
            state.invalidInputs.erase(field);
        }
        return outcome;
    }
    if (isCountryCode(field)) {
        assign(state, *textTarget(state.doc, field), text);
        const std::size_t length = utf8Length(text);
        if (length != 0 && length != 2) {
            outcome.messageTitle = "Land Kurzbezeichnung";
            outcome.messageText = "Bitte nur 2 Zeichen z.B.: DE";
        }
        return outcome;
    }
    // The amount rules take the number as it was read ("1.000" is 1000).
    std::string entered = text;
    if (field == FieldId::AllowanceValue || field == FieldId::AllowancePercent) {
        // A text that is no number changes nothing: it is named, not taken as 0.
        const NumberReading reading = readNumberField(allowanceLabel(field), text);
        if (!reading.problem.empty()) {
            state.invalidInputs[field] = reading.problem;
            outcome.statusText = reading.problem;
            return outcome;
        }
        state.invalidInputs.erase(field);
        outcome.statusText = reading.note;
        if (reading.value)
            entered = reading.value->toPlainString();
    }
    if (field == FieldId::AllowanceReason || field == FieldId::AllowanceValue ||
        field == FieldId::AllowancePercent) {
        const AllowanceSnapshot before(state);
        // The group of the amount follows from the lines and the choice of
        // "USt. %" (the amount rules see to that).
        if (field == FieldId::AllowanceReason)
            enterAllowanceReason(state, text);
        else if (field == FieldId::AllowanceValue)
            enterAllowanceValue(state, entered);
        else
            enterAllowancePercent(state, entered);
        if (!AllowanceSnapshot(state).sameAs(before))
            state.modified = true;
        outcome.totalsChanged = true;
        return outcome;
    }
    if (std::string* target = textTarget(state.doc, field))
        assign(state, *target, text);
    fillElectronicAddress(state, field, outcome);
    // Read-only footer fields and controls without text have no rule.
    return outcome;
}

RuleOutcome selectEntry(Form& state, FieldId field, int index) {
    RuleOutcome outcome;
    if (index < 0)
        return outcome;
    const auto at = static_cast<std::size_t>(index);
    const CodeLists& lists = state.lists;

    switch (field) {
    case FieldId::DocumentType:
        if (at >= lists.documentTypes.size())
            break;
        // Nothing typed goes with a change of type: "Fälligkeit" stays (a
        // credit note carries it with its payment means).
        assign(state, state.doc.documentTypeCode, lists.documentTypes[at].code);
        break;
    case FieldId::Currency:
        if (at >= lists.currencies.size())
            break;
        assign(state, state.documentCurrency, lists.currencies[at]);
        recomputeTotals(state);
        outcome.totalsChanged = true;
        break;
    case FieldId::TaxCategory: {
        if (at >= lists.taxCategories.size())
            break;
        // Lines (and the line being typed) of the previous category follow;
        // lines given another category keep theirs.
        const std::string previous = state.documentTaxCategory;
        const CodeEntry& entry = lists.taxCategories[at];
        assign(state, state.documentTaxCategory, entry.code);
        assign(state, state.exemptionReasons[entry.code], entry.text);
        if (previous != entry.code) {
            for (LineItem* line : lineAndBuffer(state))
                if (line->lineTaxCategory == previous) {
                    line->lineTaxCategory = entry.code;
                    fitRateToCategory(*line);
                }
            if (state.doc.allowanceTaxCategory == previous)
                state.doc.allowanceTaxCategory.clear();
        }
        recomputeLines(state);
        recomputeTotals(state);
        outcome.totalsChanged = true;
        outcome.linesChanged = true;
        break;
    }
    case FieldId::PaymentMeans: {
        if (at >= lists.paymentMeans.size())
            break;
        const std::string& code = lists.paymentMeans[at].code;
        assign(state, state.doc.paymentMeansCode, code);
        break;
    }
    case FieldId::DocumentFormat: {
        if (at > 1)
            break;
        const XRechnungVersion version = at == 0 ? XRechnungVersion::V2_1_1 : XRechnungVersion::V3_0;
        if (state.xrechnungVersion != version) {
            state.xrechnungVersion = version;
            state.modified = true;
        }
        break;
    }
    case FieldId::DocumentSyntax: {
        if (at > 1)
            break;
        const Syntax syntax = at == 0 ? Syntax::Ubl : Syntax::Cii;
        if (state.syntax != syntax) {
            state.syntax = syntax;
            state.modified = true;
        }
        break;
    }
    case FieldId::SupplierEndpointScheme:
    case FieldId::CustomerEndpointScheme:
        if (at >= lists.endpointSchemes.size())
            break;
        assign(state,
               field == FieldId::SupplierEndpointScheme ? state.doc.supplier.endpointScheme
                                                        : state.doc.customer.endpointScheme,
               lists.endpointSchemes[at].code);
        break;
    case FieldId::PaymentTerms:
        // Picking one of the three proposals puts its text into the editable
        // combo; the text arrives again when the combo loses the focus.
        if (at >= lists.paymentTermsTexts.size() || at >= 3)
            break;
        assign(state, state.doc.paymentTerms, lists.paymentTermsTexts[at]);
        break;
    case FieldId::AllowanceSlot: {
        if (at >= state.amounts.slots.size())
            break;
        const AllowanceSnapshot before(state);
        chooseAllowanceSlot(state, index);
        if (!AllowanceSnapshot(state).sameAs(before))
            state.modified = true;
        outcome.totalsChanged = true;
        break;
    }
    default:
        break;
    }
    return outcome;
}

bool fieldEnabled(const Form& state, FieldId field) {
    const PaymentKind payment = paymentKind(state.doc.paymentMeansCode);
    switch (field) {
    case FieldId::PrecedingInvoiceNumber:
    case FieldId::PrecedingInvoiceDate:
        return state.doc.documentTypeCode == "381" || state.doc.documentTypeCode == "384";
    // The account paid into has no place in a direct debit or a card payment.
    case FieldId::BankName:
    case FieldId::Iban:
    case FieldId::Bic:
        return payment != PaymentKind::DirectDebit && payment != PaymentKind::Card;
    case FieldId::MandateReference:
    case FieldId::CreditorId:
    case FieldId::DebitedIban:
        return payment == PaymentKind::DirectDebit;
    case FieldId::CardNumber:
    case FieldId::CardHolder:
        return payment == PaymentKind::Card;
    default:
        return true;
    }
}

RuleOutcome changeDate(Form& state, FieldId field, DateValue date) {
    RuleOutcome outcome;
    if (std::string* target = dateTarget(state.doc, field))
        assign(state, *target, date == noDate ? std::string() : formatIsoDate(date));
    if (date != noDate && !isPlausibleDate(date))
        outcome.statusText = "Das Datum " + formatDisplayDate(date) + " liegt nicht zwischen 1900 und 2099.";
    return outcome;
}

} // namespace tallomir
