#pragma once

// Conversions shared by the two files of the main window.

#include "invoice/dates.h"

#include <QString>

#include <string>

namespace tallomir::app {

inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string ss(const QString& text) {
    return text.toStdString();
}

// The file dialogs' filter of "Laden" and "Speichern".
inline QString xmlFileFilter() {
    return QStringLiteral("XML Dateien (*.xml);;Alle Dateien (*.*)");
}

inline DateValue dateOf(const std::string& isoText) {
    return isoText.empty() ? noDate : parseIsoDate(isoText);
}

} // namespace tallomir::app
