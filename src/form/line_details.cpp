#include "form/line_details.h"

#include "invoice/decimal.h"
#include "invoice/texts.h"

#include <string_view>

namespace tallomir {

namespace {

std::string tidy(std::string_view text) {
    const std::string single = singleLineText(text);
    const std::size_t first = single.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return single.substr(first, single.find_last_not_of(' ') - first + 1);
}

// The cell of a row, "" beyond its end.
std::string cell(const std::vector<std::string>& row, std::size_t column) {
    return column < row.size() ? tidy(row[column]) : std::string();
}

// A price as typed ("12,50") as the file writes it ("12.50"); what is no
// number stays as typed, for the check to name.
std::string amountText(const std::string& typed) {
    const std::string text = tidy(typed);
    const std::optional<TypedNumber> read = readTypedText(text);
    return read ? read->value.toPlainString() : text;
}

} // namespace

LineDetails lineDetailsOf(const LineItem& line) {
    LineDetails details{line.orderLineReference,
                        line.lineAccountingReference,
                        line.lineObjectIdentifier,
                        line.lineObjectIdentifierScheme,
                        line.buyersItemId,
                        line.standardItemId,
                        line.standardItemIdScheme,
                        line.originCountry,
                        line.priceDiscount,
                        line.grossPrice,
                        {},
                        {}};
    for (const ItemClassification& c : line.classifications)
        details.classifications.push_back({c.code, c.listId, c.listVersionId});
    for (const ItemAttribute& a : line.itemAttributes)
        details.attributes.push_back({a.name, a.value});
    return details;
}

void takeLineDetails(Form& form, const LineDetails& details) {
    LineItem& line = form.lineEditBuffer;
    line.orderLineReference = tidy(details.orderLineReference);
    line.lineAccountingReference = tidy(details.lineAccountingReference);
    line.lineObjectIdentifier = tidy(details.lineObjectIdentifier);
    line.lineObjectIdentifierScheme = tidy(details.lineObjectIdentifierScheme);
    line.buyersItemId = tidy(details.buyersItemId);
    line.standardItemId = tidy(details.standardItemId);
    line.standardItemIdScheme = tidy(details.standardItemIdScheme);
    line.originCountry = tidy(details.originCountry);
    line.priceDiscount = amountText(details.priceDiscount);
    line.grossPrice = amountText(details.grossPrice);
    line.classifications.clear();
    for (const auto& row : details.classifications) {
        ItemClassification c{cell(row, 0), cell(row, 1), cell(row, 2)};
        if (!c.code.empty() || !c.listId.empty() || !c.listVersionId.empty())
            line.classifications.push_back(std::move(c));
    }
    line.itemAttributes.clear();
    for (const auto& row : details.attributes) {
        ItemAttribute a{cell(row, 0), cell(row, 1)};
        if (!a.name.empty() || !a.value.empty())
            line.itemAttributes.push_back(std::move(a));
    }
}

} // namespace tallomir
