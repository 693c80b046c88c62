#include "line_table_model.h"

#include "form/line_list.h"
#include "invoice/model.h"

namespace tallomir::app {

namespace {
struct Column {
    const char* title;
    int width;
};
// By LineColumn.
constexpr Column columns[LineTableModel::columnCountValue] = {
    {"Pos.", 50},         {"Anz.", 50},   {"Einheit", 80}, {"Art-Nr.", 70},
    {"Bezeichnung", 170}, {"Preis", 100}, {"Netto", 100},  {"USt.", 80},
    {"Brutto", 100},      {"", 50},       {"", 0},
};
} // namespace

const char* LineTableModel::columnTitle(int column) {
    return columns[column].title;
}

int LineTableModel::columnWidth(int column) {
    return columns[column].width;
}

LineTableModel::LineTableModel(const Form& state, QObject* parent)
    : QAbstractTableModel(parent), state_(state) {}

int LineTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(state_.lines.size());
}

int LineTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCountValue;
}

QVariant LineTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCountValue)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(lineListCell(state_, index.row(), index.column()));
    if (role == Qt::TextAlignmentRole &&
        (index.column() == QuantityColumn ||
         (index.column() >= UnitPriceColumn && index.column() <= GrossAmountColumn)))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant LineTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCountValue)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(columns[section].title);
    return {};
}

void LineTableModel::reload() {
    beginResetModel();
    endResetModel();
}

} // namespace tallomir::app
