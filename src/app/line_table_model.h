#pragma once

#include "form/line_list.h"

#include <QAbstractTableModel>

namespace tallomir::app {

// The line list of "Positionen" as a table: one row per line, one column per
// LineColumn, texts straight from the document. The view asks only for the
// rows it shows, so long invoices stay quick.
class LineTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int columnCountValue = lineColumnCount;
    // Titles and widths of the columns; the last one stays invisible.
    static const char* columnTitle(int column);
    static int columnWidth(int column);

    explicit LineTableModel(const Form& state, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The lines changed: the view reads them anew.
    void reload();

private:
    const Form& state_;
};

} // namespace tallomir::app
