#include "code_combo.h"

#include <QComboBox>
#include <QVariant>

namespace tallomir::app {

QString unknownCodeText(const std::string& code) {
    return QString::fromStdString(code) + QStringLiteral(" (unbekannt)");
}

void showCodeInCombo(QComboBox* combo, int known, int index, const std::string& code) {
    combo->setProperty("knownEntries", known);
    while (combo->count() > known)
        combo->removeItem(combo->count() - 1);
    if (index < 0 && !code.empty()) {
        combo->addItem(unknownCodeText(code));
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

void forgetUnknownCode(QComboBox* combo) {
    const QVariant known = combo->property("knownEntries");
    if (!known.isValid() || combo->currentIndex() >= known.toInt())
        return;
    while (combo->count() > known.toInt())
        combo->removeItem(combo->count() - 1);
}

} // namespace tallomir::app
