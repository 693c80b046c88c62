#pragma once

// "Archiv": the archived invoices in a list that sorts by any column and is
// searched by number or party, issue date range and gross amount; an entry
// opens in the form or the view, is exported unchanged, and "Archiv prüfen"
// checks every entry's bytes against its hash.

#include <QByteArray>
#include <QWidget>

class QLineEdit;
class QTableView;

namespace tallomir {
struct CodeLists;
namespace store {
class Database;
}
} // namespace tallomir

namespace tallomir::app {

class ArchiveListModel;
class Dialogs;
class InvoiceView;

class ArchiveWindow : public QWidget {
    Q_OBJECT
public:
    ArchiveWindow(store::Database& db, const CodeLists& lists, Dialogs& dialogs, QWidget* parent = nullptr);

    // The list anew from the search fields.
    void search();
    // The archive id of the list's current row, or 0.
    qint64 currentId() const;
    QTableView* list() const { return list_; }

    void openInForm();
    void openInView();
    void exportEntry();
    void verify();

Q_SIGNALS:
    // "Im Formular öffnen": the stored bytes of an entry.
    void openRequested(qint64 id, const QByteArray& bytes);

private:
    store::Database& db_;
    const CodeLists& lists_;
    Dialogs& dialogs_;
    QLineEdit* text_;
    QLineEdit* from_;
    QLineEdit* to_;
    QLineEdit* minGross_;
    QLineEdit* maxGross_;
    ArchiveListModel* model_;
    QTableView* list_;
    InvoiceView* view_ = nullptr;
};

} // namespace tallomir::app
