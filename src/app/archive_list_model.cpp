#include "archive_list_model.h"

#include "invoice/decimal.h"

#include <QDate>

#include <algorithm>
#include <unordered_map>

namespace tallomir::app {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

ArchiveListModel::Cells cellsOfEntry(const store::ArchiveEntry& e) {
    return {QString::number(e.id),
            e.direction == store::Direction::Issued ? QStringLiteral("ausgestellt")
                                                    : QStringLiteral("empfangen"),
            qs(e.facts.number),
            QDate::fromString(qs(e.facts.issueDate), Qt::ISODate).toString(QStringLiteral("dd.MM.yyyy")),
            qs(e.facts.seller),
            qs(e.facts.buyer),
            qs(formatGerman(parseNumber(e.facts.gross), 2, 2))};
}

} // namespace

ArchiveListModel::ArchiveListModel(store::Database& db, QObject* parent)
    : QAbstractTableModel(parent), db_(db) {}

void ArchiveListModel::search(const store::ArchiveFilter& filter) {
    beginResetModel();
    filter_ = filter;
    ids_ = store::findArchivedIds(db_, filter_, order_);
    forget();
    endResetModel();
}

void ArchiveListModel::forget() {
    cells_.assign(ids_.size(), {});
    fetched_.assign((ids_.size() + pageSize - 1) / pageSize, false);
    rowsRead_ = 0;
}

qint64 ArchiveListModel::idAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < ids_.size() ? ids_[static_cast<std::size_t>(row)] : 0;
}

int ArchiveListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(ids_.size());
}

int ArchiveListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

const ArchiveListModel::Cells& ArchiveListModel::cellsOf(int row) const {
    const std::size_t page = static_cast<std::size_t>(row) / pageSize;
    if (!fetched_[page]) {
        fetched_[page] = true;
        const std::size_t first = page * pageSize;
        const std::size_t count = std::min<std::size_t>(pageSize, ids_.size() - first);
        const std::span<const qint64> ids(ids_.data() + first, count);
        const std::vector<store::ArchiveEntry> entries = store::archivedEntries(db_, ids);
        rowsRead_ += static_cast<int>(count);
        for (std::size_t i = 0; i < count && i < entries.size(); ++i)
            if (entries[i].id == ids[i])
                cells_[first + i] = cellsOfEntry(entries[i]);
    }
    return cells_[static_cast<std::size_t>(row)];
}

QVariant ArchiveListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return cellsOf(index.row())[static_cast<std::size_t>(index.column())];
    if (role == Qt::TextAlignmentRole && index.column() == Gross)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant ArchiveListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const titles[] = {"Nr.",       "Art",   "Rechnungsnummer", "Datum",
                                         "Lieferant", "Kunde", "Bruttobetrag"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(titles[section]);
}

void ArchiveListModel::sort(int column, Qt::SortOrder order) {
    const store::ArchiveSort sort{static_cast<store::ArchiveOrder>(column), order == Qt::DescendingOrder};
    if (column < 0 || column >= ColumnCount || (sort.by == order_.by && sort.descending == order_.descending))
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    order_ = sort;
    const std::vector<qint64> before = std::exchange(ids_, store::findArchivedIds(db_, filter_, order_));
    forget();
    // The entries selected before are the same entries after, at their new rows.
    const QModelIndexList kept = persistentIndexList();
    if (!kept.isEmpty()) {
        std::unordered_map<qint64, int> rows;
        for (std::size_t row = 0; row < ids_.size(); ++row)
            rows.emplace(ids_[row], static_cast<int>(row));
        QModelIndexList moved;
        for (const QModelIndex& index : kept) {
            const qint64 id = static_cast<std::size_t>(index.row()) < before.size()
                                  ? before[static_cast<std::size_t>(index.row())]
                                  : 0;
            const auto it = rows.find(id);
            moved << (it == rows.end() ? QModelIndex() : this->index(it->second, index.column()));
        }
        changePersistentIndexList(kept, moved);
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace tallomir::app
