#include "attachments_page.h"

#include "dialogs.h"
#include "main_window_helpers.h"

#include "form/form.h"
#include "form/lists.h"
#include "invoice/attachments.h"
#include "invoice/decimal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

#include <set>

namespace tallomir::app {

namespace {

const QString allowedTypes = QStringLiteral("PDF (.pdf), PNG (.png), JPEG (.jpg, .jpeg), CSV (.csv), "
                                            "Excel (.xlsx) und OpenDocument-Tabelle (.ods)");
const QString fileFilter =
    QStringLiteral("Erlaubte Anhänge (*.pdf *.png *.jpg *.jpeg *.csv *.xlsx *.ods);;Alle Dateien (*)");

// The name of a file the invoice carries as it may stand in a folder: its
// last part, never a way into another folder.
QString plainFileName(const std::string& fileName) {
    const QString name = QFileInfo(qs(fileName)).fileName();
    return name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..")
               ? QStringLiteral("Anhang")
               : name;
}

// Why a file could not be read, in the user's words.
QString readFailure(const QString& path, const QFile& file) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("Die Datei gibt es nicht.");
    if (info.isDir())
        return QStringLiteral("Das ist ein Ordner.");
    if (!info.isReadable())
        return QStringLiteral("Keine Berechtigung, die Datei zu lesen.");
    return QStringLiteral("Fehler beim Lesen (%1).").arg(file.errorString());
}

// "Anlage N" with the smallest N no attachment has.
std::string nextFreeId(const std::vector<Attachment>& attachments) {
    std::set<std::string> ids;
    for (const Attachment& a : attachments)
        ids.insert(a.id);
    int number = 1;
    while (ids.contains("Anlage " + std::to_string(number)))
        ++number;
    return "Anlage " + std::to_string(number);
}

// Only what is a web address opens in the browser.
bool isWebAddress(const QString& address) {
    return address.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive) ||
           address.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive);
}

} // namespace

QString germanFileSize(std::size_t bytes, bool megabytes) {
    constexpr std::size_t mega = 1024 * 1024;
    if (megabytes && bytes >= mega) {
        const auto tenths = static_cast<long long>((bytes * 10 + mega / 2) / mega);
        return qs(formatGerman(Decimal::fromParts(tenths, 1), 1, 1)) + QStringLiteral(" MB");
    }
    return qs(formatGerman(Decimal::fromInt(static_cast<long long>((bytes + 1023) / 1024)), 0, 0)) +
           QStringLiteral(" KB");
}

AttachmentsPage::AttachmentsPage(Form& state, Dialogs& dialogs, QString folder, QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs), folder_(std::move(folder)),
      table_(new QTableWidget(0, ColumnCount, this)), total_(new QLabel(this)),
      attach_(new QPushButton(QStringLiteral("Datei anhängen …"), this)),
      reference_(new QPushButton(QStringLiteral("Verweis hinzufügen …"), this)),
      saveAs_(new QPushButton(QStringLiteral("Speichern unter …"), this)),
      open_(new QPushButton(QStringLiteral("Öffnen"), this)),
      remove_(new QPushButton(QStringLiteral("Entfernen"), this)) {
    setObjectName(QStringLiteral("field241"));
    setToolTip(QStringLiteral("Dateien, die die Rechnung mitführt, und Verweise auf Unterlagen, z.B. ein "
                              "Stundennachweis als PDF"));
    setFocusProxy(table_);
    table_->setObjectName(QStringLiteral("field241Table"));
    table_->setToolTip(QStringLiteral("Kennung und Beschreibung lassen sich hier ändern, z.B. Anlage 1, "
                                      "Stundennachweis März"));
    total_->setObjectName(QStringLiteral("attachmentsTotal"));
    const std::pair<QPushButton*, const char*> buttons[] = {
        {attach_, "field241Attach"}, {reference_, "field241Reference"}, {saveAs_, "field241SaveAs"},
        {open_, "field241Open"},     {remove_, "field241Remove"},
    };
    const char* tips[] = {
        "Eine Datei einbetten (PDF, PNG, JPEG, CSV, XLSX oder ODS bis 15 MB), z.B. einen Lieferschein",
        "Einen Verweis auf eine Unterlage im Netz, z.B. https://example.org/nachweis.pdf",
        "Die gewählte eingebettete Datei als Datei speichern, z.B. zum Weitergeben",
        "Die gewählte Datei mit ihrem Programm öffnen oder den Verweis im Browser, z.B. ein PDF",
        "Den gewählten Anhang aus der Rechnung nehmen, z.B. eine falsch gewählte Datei",
    };
    auto* row = new QHBoxLayout;
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        buttons[i].first->setObjectName(QString::fromLatin1(buttons[i].second));
        buttons[i].first->setToolTip(QString::fromUtf8(tips[i]));
        row->addWidget(buttons[i].first);
    }
    row->addStretch();

    table_->setHorizontalHeaderLabels({QStringLiteral("Kennung"), QStringLiteral("Beschreibung"),
                                       QStringLiteral("Dateiname"), QStringLiteral("MIME-Typ"),
                                       QStringLiteral("Größe")});
    table_->verticalHeader()->setVisible(false);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setTabKeyNavigation(false);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(DescriptionColumn, QHeaderView::Stretch);
    const int charWidth = fontMetrics().averageCharWidth();
    for (const auto& [column, chars] :
         {std::pair{IdColumn, 14}, {NameColumn, 30}, {MimeColumn, 18}, {SizeColumn, 10}})
        table_->setColumnWidth(column, chars * charWidth);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(total_);
    layout->addLayout(row);

    connect(attach_, &QPushButton::clicked, this, &AttachmentsPage::attachClicked);
    connect(reference_, &QPushButton::clicked, this, &AttachmentsPage::referenceClicked);
    connect(saveAs_, &QPushButton::clicked, this, &AttachmentsPage::saveClicked);
    connect(open_, &QPushButton::clicked, this, [this] { openAttachment(selectedRow()); });
    connect(remove_, &QPushButton::clicked, this, [this] { removeAttachment(selectedRow()); });
    connect(table_, &QTableWidget::itemChanged, this, &AttachmentsPage::cellEdited);
    connect(table_, &QTableWidget::itemSelectionChanged, this, &AttachmentsPage::updateButtons);
    showAttachments();
}

AttachmentsPage::~AttachmentsPage() = default;

void AttachmentsPage::showAttachments() {
    const std::vector<Attachment>& attachments = state_.doc.attachments;
    showing_ = true;
    const int current = table_->currentRow();
    table_->setRowCount(static_cast<int>(attachments.size()));
    std::size_t total = 0;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const Attachment& a = attachments[static_cast<std::size_t>(row)];
        const std::optional<std::size_t> size = a.content.empty() ? std::nullopt : base64Size(a.content);
        total += size.value_or(0);
        // A reference shows its address where a file shows its name.
        const std::string cells[] = {a.id, a.description, a.fileName.empty() ? a.uri : a.fileName, a.mimeCode,
                                     size ? ss(germanFileSize(*size)) : std::string()};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(qs(cells[column]));
            if (column > DescriptionColumn)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            if (column == SizeColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, column, item);
        }
    }
    total_->setText(QStringLiteral("Gesamtgröße: ") + germanFileSize(total, true));
    if (current >= 0 && current < table_->rowCount())
        table_->selectRow(current);
    showing_ = false;
    updateButtons();
}

void AttachmentsPage::commitCell(QWidget* cellEditor) {
    if (cellEditor && table_->viewport()->isAncestorOf(cellEditor))
        QMetaObject::invokeMethod(table_, "commitData", Qt::DirectConnection, Q_ARG(QWidget*, cellEditor));
}

int AttachmentsPage::selectedRow() const {
    const QList<QTableWidgetItem*> selected = table_->selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->row();
}

void AttachmentsPage::updateButtons() {
    const int row = selectedRow();
    const Attachment* a = row >= 0 && row < static_cast<int>(state_.doc.attachments.size())
                              ? &state_.doc.attachments[row]
                              : nullptr;
    saveAs_->setEnabled(a && !a->content.empty());
    open_->setEnabled(a && (!a->content.empty() || !a->uri.empty()));
    remove_->setEnabled(a != nullptr);
}

// ---------------------------------------------------------------- changes

void AttachmentsPage::cellEdited(QTableWidgetItem* item) {
    if (showing_ || item->column() > DescriptionColumn)
        return;
    std::vector<Attachment> attachments = state_.doc.attachments;
    const auto row = static_cast<std::size_t>(item->row());
    if (row >= attachments.size())
        return;
    (item->column() == IdColumn ? attachments[row].id : attachments[row].description) = ss(item->text());
    const std::size_t count = attachments.size();
    setAttachments(state_, attachments);
    // An entry left without any text is gone: the list follows once the edit is done.
    if (state_.doc.attachments.size() != count)
        QMetaObject::invokeMethod(this, &AttachmentsPage::showAttachments, Qt::QueuedConnection);
    Q_EMIT changed();
}

void AttachmentsPage::attachClicked() {
    const QString path = dialogs_.openFileName(this, QStringLiteral("Datei anhängen"), fileFilter);
    if (!path.isEmpty())
        attachFile(path);
}

// The file is embedded as Base64 under the next free "Anlage N", with its
// name and the MIME type of its name's ending.
bool AttachmentsPage::attachFile(const QString& path) {
    const QString title = QStringLiteral("Datei anhängen");
    const QString name = QFileInfo(path).fileName();
    const std::string mimeCode(mimeCodeOfFileName(ss(name)));
    if (mimeCode.empty()) {
        dialogs_.message(
            this, title,
            QStringLiteral("Die Datei %1 hat keinen erlaubten Typ.\rAngehängt werden können: %2.")
                .arg(path, allowedTypes));
        return false;
    }
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        dialogs_.message(
            this, title,
            QStringLiteral("Die Datei %1 kann nicht gelesen werden.\r%2").arg(path, readFailure(path, file)));
        return false;
    }
    const auto tooLarge = [&](qint64 size) {
        if (size <= static_cast<qint64>(maxAttachmentBytes))
            return false;
        dialogs_.message(this, title,
                         QStringLiteral("Die Datei %1 ist größer als %2 MB und kann nicht angehängt werden.")
                             .arg(path)
                             .arg(maxAttachmentBytes / (1024 * 1024)));
        return true;
    };
    if (tooLarge(file.size()))
        return false;
    // Never more than the limit and one byte, whatever the file grew to meanwhile.
    const QByteArray bytes = file.read(static_cast<qint64>(maxAttachmentBytes) + 1);
    if (file.error() != QFileDevice::NoError) {
        dialogs_.message(
            this, title,
            QStringLiteral("Die Datei %1 kann nicht gelesen werden.\r%2").arg(path, readFailure(path, file)));
        return false;
    }
    if (tooLarge(bytes.size()))
        return false;

    Attachment added;
    added.content = bytes.toBase64().toStdString();
    added.mimeCode = mimeCode;
    added.fileName = ss(name);
    return add(std::move(added));
}

void AttachmentsPage::referenceClicked() {
    const QStringList texts = dialogs_.askTexts(this, QStringLiteral("Verweis hinzufügen"),
                                                {QStringLiteral("Adresse"), QStringLiteral("Beschreibung")});
    if (texts.size() == 2)
        addReference(texts[0], texts[1]);
}

// A reference without an address says nothing and is not added.
bool AttachmentsPage::addReference(const QString& address, const QString& description) {
    if (address.trimmed().isEmpty())
        return false;
    Attachment added;
    added.description = ss(description);
    added.uri = ss(address.trimmed());
    return add(std::move(added));
}

// A new entry under the next free identifier, shown selected.
bool AttachmentsPage::add(tallomir::Attachment added) {
    std::vector<Attachment> attachments = state_.doc.attachments;
    added.id = nextFreeId(attachments);
    attachments.push_back(std::move(added));
    setAttachments(state_, attachments);
    showAttachments();
    table_->selectRow(table_->rowCount() - 1);
    Q_EMIT changed();
    return true;
}

void AttachmentsPage::removeAttachment(int row) {
    std::vector<Attachment> attachments = state_.doc.attachments;
    if (row < 0 || row >= static_cast<int>(attachments.size()))
        return;
    attachments.erase(attachments.begin() + row);
    setAttachments(state_, attachments);
    showAttachments();
    Q_EMIT changed();
}

// ---------------------------------------------------------------- the files

std::optional<QByteArray> AttachmentsPage::contentOf(int row, const QString& title) {
    if (row < 0 || row >= static_cast<int>(state_.doc.attachments.size()))
        return std::nullopt;
    QByteArray text =
        QByteArray::fromStdString(state_.doc.attachments[static_cast<std::size_t>(row)].content);
    text.replace(' ', "").replace('\t', "").replace('\r', "").replace('\n', "");
    QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (text.isEmpty() || !decoded) {
        dialogs_.message(this, title,
                         QStringLiteral("Der Anhang enthält keine Datei, die sich lesen lässt."));
        return std::nullopt;
    }
    return std::move(*decoded);
}

void AttachmentsPage::saveClicked() {
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString proposal = QDir(folder_).filePath(plainFileName(state_.doc.attachments[row].fileName));
    const QString path = dialogs_.saveFileName(this, QStringLiteral("Anhang speichern"), proposal,
                                               QStringLiteral("Alle Dateien (*)"));
    // A file of that name is not replaced without asking.
    if (path.isEmpty() ||
        (QFileInfo::exists(path) &&
         !dialogs_.question(
             this, QStringLiteral("Anhang speichern"),
             QStringLiteral("Die Datei %1 gibt es schon.\rSoll sie ersetzt werden?").arg(path))))
        return;
    saveAttachment(row, path);
}

// The decoded file, written whole or not at all.
bool AttachmentsPage::saveAttachment(int row, const QString& path) {
    const QString title = QStringLiteral("Anhang speichern");
    const std::optional<QByteArray> bytes = contentOf(row, title);
    if (!bytes)
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit()) {
        dialogs_.message(this, title,
                         QStringLiteral("Die Datei %1 konnte nicht gespeichert werden.\r%2")
                             .arg(path, file.errorString()));
        return false;
    }
    return true;
}

// A file opens with the program the system has for its type, from a folder
// of the program's own; a reference opens in the browser. Only the types an
// invoice may carry are opened, and only web addresses.
bool AttachmentsPage::openAttachment(int row) {
    const QString title = QStringLiteral("Anhang öffnen");
    if (row < 0 || row >= static_cast<int>(state_.doc.attachments.size()))
        return false;
    const Attachment& a = state_.doc.attachments[static_cast<std::size_t>(row)];
    if (a.content.empty()) {
        if (!isWebAddress(qs(a.uri))) {
            dialogs_.message(
                this, title,
                QStringLiteral("Die Adresse %1 ist keine Web-Adresse (http:// oder https://) und "
                               "wird nicht geöffnet.")
                    .arg(qs(a.uri)));
            return false;
        }
        dialogs_.openAddress(qs(a.uri));
        return true;
    }
    const QString name = plainFileName(a.fileName);
    if (mimeCodeOfFileName(ss(name)).empty()) {
        dialogs_.message(this, title,
                         QStringLiteral("Dateien wie %1 öffnet Tallomir nicht; mit „Speichern unter …“ lässt "
                                        "sie sich speichern.")
                             .arg(name));
        return false;
    }
    if (!openFolder_)
        openFolder_ = std::make_unique<QTemporaryDir>();
    const QString path = openFolder_->filePath(QString::number(row + 1) + '-' + name);
    if (!openFolder_->isValid() || !saveAttachment(row, path))
        return false;
    dialogs_.openDocument(path);
    return true;
}

} // namespace tallomir::app
