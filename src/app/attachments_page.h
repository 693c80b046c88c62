#pragma once

// The page "Anhänge": the files the invoice carries in itself and the
// references to documents elsewhere, one row each, with the buttons that
// attach, save, open and remove them. Identifier and description are edited
// in the list; every change goes to the form as the whole list
// (`setAttachments`), so the check and the mark of unsaved changes follow.
// Every box and file dialog goes through `Dialogs`.

#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>
#include <optional>

class QLabel;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace tallomir {
struct Form;
struct Attachment;
} // namespace tallomir

namespace tallomir::app {

class Dialogs;

class AttachmentsPage : public QWidget {
    Q_OBJECT
public:
    // Columns of the list.
    enum Column { IdColumn, DescriptionColumn, NameColumn, MimeColumn, SizeColumn, ColumnCount };

    // `folder` is where "Speichern unter …" proposes to save a file.
    AttachmentsPage(Form& state, Dialogs& dialogs, QString folder, QWidget* parent = nullptr);
    ~AttachmentsPage() override;

    // The list shows the document's attachments anew.
    void showAttachments();
    QTableWidget* table() const { return table_; }
    // "Gesamtgröße: …" of the files embedded.
    QLabel* totalField() const { return total_; }
    // Takes the text of a cell's open editor, as leaving the cell would.
    void commitCell(QWidget* cellEditor);

    // What the buttons do once their dialog has answered. Each says whether
    // it did it; what stands in its way is said in a box.
    bool attachFile(const QString& path);
    bool addReference(const QString& address, const QString& description);
    bool saveAttachment(int row, const QString& path);
    bool openAttachment(int row);
    void removeAttachment(int row);

Q_SIGNALS:
    // The document's attachments changed.
    void changed();

private:
    bool add(tallomir::Attachment added);
    void attachClicked();
    void referenceClicked();
    void saveClicked();
    void cellEdited(QTableWidgetItem* item);
    void updateButtons();
    int selectedRow() const;
    // The decoded content of an embedded file; none (said in a box) when it
    // is no Base64.
    std::optional<QByteArray> contentOf(int row, const QString& title);

    Form& state_;
    Dialogs& dialogs_;
    QString folder_;
    QTableWidget* table_;
    QLabel* total_;
    QPushButton* attach_;
    QPushButton* reference_;
    QPushButton* saveAs_;
    QPushButton* open_;
    QPushButton* remove_;
    bool showing_ = false;
    // Where "Öffnen" puts the files it hands to their programs; it goes with the window.
    std::unique_ptr<QTemporaryDir> openFolder_;
};

// The size of a file in the German form the list shows: whole kilobytes,
// rounded up ("1.234 KB"); from a megabyte on, megabytes with one decimal
// ("1,2 MB") where `megabytes` is asked for.
QString germanFileSize(std::size_t bytes, bool megabytes = false);

} // namespace tallomir::app
