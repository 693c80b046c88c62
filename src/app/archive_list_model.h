#pragma once

// The archive window's list: the ids of every entry found, sorted by the
// database over the whole result, and the entries of the rows the list shows
// read as it shows them, a page at a time. Ten thousand entries open as fast
// as ten.

#include "store/archive.h"

#include <QAbstractTableModel>

#include <array>
#include <vector>

namespace tallomir::app {

class ArchiveListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Id, Direction, Number, Date, Seller, Buyer, Gross, ColumnCount };
    // The rows read at once.
    static constexpr int pageSize = 64;

    ArchiveListModel(store::Database& db, QObject* parent = nullptr);

    // The entries that match, in the list's order.
    void search(const store::ArchiveFilter& filter);
    // The archive id of a row, or 0.
    qint64 idAt(int row) const;
    // How many rows' entries were read since the last search or sort.
    int rowsRead() const { return rowsRead_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The whole result anew in this order; the selected entries stay selected.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The texts a row shows.
    using Cells = std::array<QString, ColumnCount>;

private:
    const Cells& cellsOf(int row) const;
    void forget(); // no row read yet

    store::Database& db_;
    store::ArchiveFilter filter_;
    store::ArchiveSort order_;
    std::vector<qint64> ids_;
    mutable std::vector<Cells> cells_;  // by row, filled a page at a time
    mutable std::vector<bool> fetched_; // by page
    mutable int rowsRead_ = 0;
};

} // namespace tallomir::app
