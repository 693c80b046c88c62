#pragma once

// A small table of texts the user edits in place: one column per part of an
// entry (a note's subject code and text, a classification's code and
// scheme, ...), "Hinzufügen" appends an empty row, "Entfernen" removes the
// selected one. Every change hands the whole list over (`changed`), so the
// owner keeps the one copy that counts; `setRows` shows a list without
// handing it back.

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
    // `name` is the object name of the editor; its table, buttons and cells
    // are named after it ("<name>Table", "<name>Add", "<name>Remove").
    ListEditor(const QString& name, const QStringList& columns, QWidget* parent = nullptr);

    void setRows(const TextRows& rows);
    TextRows rows() const;
    QTableWidget* table() const { return table_; }

Q_SIGNALS:
    void changed(const tallomir::app::TextRows& rows);

private:
    void handOver();

    QTableWidget* table_;
    QPushButton* add_;
    QPushButton* remove_;
    bool showing_ = false;
};

} // namespace tallomir::app
