#pragma once

#include <QString>

#include <string>

class QComboBox;

namespace tallomir::app {

// Shows a code in a combo whose first `known` entries are those of a code
// list: the entry at `index` (-1 when the list does not hold the code). A code
// the list does not know gets an entry of its own after the list's,
// "CODE (unbekannt)", so that the combo shows what the invoice holds; choosing
// it keeps the code. An empty code shows no entry.
void showCodeInCombo(QComboBox* combo, int known, int index, const std::string& code);

// After the user chose an entry of the list, the entry of an unknown code
// goes: the invoice no longer holds that code.
void forgetUnknownCode(QComboBox* combo);

// The text of the entry for a code the list does not know.
QString unknownCodeText(const std::string& code);

} // namespace tallomir::app
