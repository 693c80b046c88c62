#include "list_editor.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tallomir::app {

ListEditor::ListEditor(const QString& name, const QStringList& columns, const QString& tooltip,
                       QWidget* parent)
    : QWidget(parent), table_(new QTableWidget(0, static_cast<int>(columns.size()), this)),
      add_(new QPushButton(QStringLiteral("Hinzufügen"), this)),
      remove_(new QPushButton(QStringLiteral("Entfernen"), this)) {
    setObjectName(name);
    table_->setObjectName(name + QStringLiteral("Table"));
    add_->setObjectName(name + QStringLiteral("Add"));
    remove_->setObjectName(name + QStringLiteral("Remove"));
    for (QWidget* widget : {static_cast<QWidget*>(this), static_cast<QWidget*>(table_),
                            static_cast<QWidget*>(add_), static_cast<QWidget*>(remove_)})
        widget->setToolTip(tooltip);
    table_->setHorizontalHeaderLabels(columns);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->setVisible(false);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Room for a few entries whatever else the page holds.
    table_->setMinimumHeight(table_->horizontalHeader()->sizeHint().height() +
                             4 * table_->verticalHeader()->defaultSectionSize() + 2 * table_->frameWidth());

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add_);
    buttons->addWidget(remove_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(table_);
    layout->addLayout(buttons);

    connect(add_, &QPushButton::clicked, this, [this] {
        const int row = table_->rowCount();
        showing_ = true;
        table_->insertRow(row);
        for (int column = 0; column < table_->columnCount(); ++column)
            table_->setItem(row, column, new QTableWidgetItem);
        showing_ = false;
        table_->setCurrentCell(row, 0);
        table_->editItem(table_->item(row, 0));
        Q_EMIT rowAdded(row);
        handOver();
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        const int row = table_->currentRow();
        if (row < 0)
            return;
        table_->removeRow(row);
        Q_EMIT rowRemoved(row);
        handOver();
    });
    connect(table_, &QTableWidget::itemChanged, this, [this] {
        if (!showing_)
            handOver();
    });
}

void ListEditor::setRows(const TextRows& rows) {
    showing_ = true;
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < table_->rowCount(); ++row)
        for (int column = 0; column < table_->columnCount(); ++column) {
            const auto& cells = rows[static_cast<std::size_t>(row)];
            const std::string text = static_cast<std::size_t>(column) < cells.size()
                                         ? cells[static_cast<std::size_t>(column)]
                                         : "";
            table_->setItem(row, column, new QTableWidgetItem(QString::fromStdString(text)));
        }
    showing_ = false;
}

TextRows ListEditor::rows() const {
    TextRows out(static_cast<std::size_t>(table_->rowCount()));
    for (int row = 0; row < table_->rowCount(); ++row)
        for (int column = 0; column < table_->columnCount(); ++column) {
            const QTableWidgetItem* item = table_->item(row, column);
            out[static_cast<std::size_t>(row)].push_back(item ? item->text().toStdString() : std::string());
        }
    return out;
}

void ListEditor::commitCell(QWidget* cellEditor) {
    if (cellEditor && table_->viewport()->isAncestorOf(cellEditor))
        QMetaObject::invokeMethod(table_, "commitData", Qt::DirectConnection, Q_ARG(QWidget*, cellEditor));
}

void ListEditor::handOver() {
    Q_EMIT changed(rows());
}

} // namespace tallomir::app
