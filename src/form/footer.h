#pragma once

#include "invoice/model.h"

#include <string>
#include <vector>

namespace tallomir {

// One "davon USt.-Satz" row of the footer: rate, taxable amount, tax amount,
// and the tax category where it is not "S".
struct FooterRow {
    std::string ratePercent;
    std::string taxableAmount;
    std::string taxAmount;
    std::string category;

    bool operator==(const FooterRow&) const = default;
};

// What the footer page "Belegfuss" shows, in the German form a person reads
// ("1.234,56"); the window only copies these texts.
struct FooterView {
    std::string linesTotal;       // "Summe aller Positionen"
    std::string allowanceReason;  // "Nachlass / Zuschlag"
    std::string allowanceValue;   // "Wert"
    std::string allowancePercent; // "Prozent"
    std::string allowanceKind;    // what the entry gives: "Nachlass", "Zuschlag" or "" for none
    int allowanceSlot = 0;        // selection of "USt. %"; -1: none (to be chosen, or split)
    std::string allowanceSplit;   // the parts of a split percentage: "aufgeteilt: -45,00 (19,00 %), …"
    std::string netTotal;         // "Netto Betrag"
    std::vector<FooterRow> rows;  // one per VAT group
    std::string taxTotal;         // "USt. gesamt"
    std::string grossTotal;       // "Brutto-Betrag"
    std::string payableTotal;     // "Zahlbetrag"
    std::string currency;         // the two currency labels
    // What only a loaded file has ("" when there is nothing): the further
    // allowances and charges, one per line; the amount paid before; the
    // rounding of the amount due; the VAT in the accounting currency and
    // that currency.
    std::string furtherAllowances;
    std::string prepaidTotal;
    std::string roundingAmount;
    std::string taxCurrencyTotal;
    std::string taxCurrency;

    bool operator==(const FooterView&) const = default;
};

// The footer as the document's amounts give it now.
FooterView footerView(const DocumentState& state);

} // namespace tallomir
