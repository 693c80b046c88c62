#include "window_title.h"

#include "invoice/model.h"

#include <QFileInfo>

namespace tallomir::app {

QString documentWindowTitle(const QString& filePath, bool modified) {
    const QString name = filePath.isEmpty() ? QStringLiteral("Neuer Beleg") : QFileInfo(filePath).fileName();
    return name + (modified ? QStringLiteral("*") : QString()) + QStringLiteral(" – ") +
           QString::fromStdString(tallomir::windowTitle());
}

} // namespace tallomir::app
