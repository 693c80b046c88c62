#pragma once

// A small table of texts the user edits in place: one column per part of an
// entry (a note's subject code and text, a classification's code and
// scheme, ...), "Hinzufügen" appends an empty row, "Entfernen" removes the
// selected one. Every change hands the whole list over (`changed`), so the
// owner keeps the one copy that counts; `setRows` shows a list without
// handing it back. A list whose entries hold more than the columns show
// follows `rowAdded` and `rowRemoved`, which come before `changed`.

#include <QWidget>

#include <string>
#include <vector>

class QTableWidget;
class QPushButton;

namespace tallomir::app {

using TextRows = std::vector<std::vector<std::string>>;

class ListEditor : public QWidget {
    Q_OBJECT
public:
    // `name` is the object name of the editor; its table and buttons are
    // named after it ("<name>Table", "<name>Add", "<name>Remove") and carry
    // its tooltip.
    ListEditor(const QString& name, const QStringList& columns, const QString& tooltip,
               QWidget* parent = nullptr);

    void setRows(const TextRows& rows);
    TextRows rows() const;
    QTableWidget* table() const { return table_; }
    // Takes the text of a cell's open editor, as leaving the cell would.
    void commitCell(QWidget* cellEditor);

Q_SIGNALS:
    void changed(const tallomir::app::TextRows& rows);
    void rowAdded(int row);
    void rowRemoved(int row);

private:
    void handOver();

    QTableWidget* table_;
    QPushButton* add_;
    QPushButton* remove_;
    bool showing_ = false;
};

} // namespace tallomir::app
