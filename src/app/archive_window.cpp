#include "archive_window.h"

#include "archive_list_model.h"

#include "dialogs.h"
#include "invoice_view.h"

#include "invoice/decimal.h"
#include "store/archive.h"
#include "syntax/syntax.h"

#include <QDate>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>

namespace tallomir::app {

namespace {

// A date typed as TT.MM.JJJJ or JJJJ-MM-TT, as the archive stores it; "" for
// an empty or unreadable text, which leaves the bound out.
std::string isoDate(const QString& typed) {
    QDate date = QDate::fromString(typed.trimmed(), QStringLiteral("d.M.yyyy"));
    if (!date.isValid())
        date = QDate::fromString(typed.trimmed(), Qt::ISODate);
    return date.isValid() ? date.toString(Qt::ISODate).toStdString() : std::string();
}

// An amount typed the German way, as a plain decimal text; "" when empty.
std::string plainAmount(const QString& typed) {
    return typed.trimmed().isEmpty() ? std::string() : formatDecimal2(parseDecimal(typed.toStdString()));
}

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

ArchiveWindow::ArchiveWindow(store::Database& db, const CodeLists& lists, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), db_(db), lists_(lists), dialogs_(dialogs) {
    setObjectName(QStringLiteral("archiveWindow"));
    setWindowTitle(QStringLiteral("Archiv"));
    resize(1000, 520);
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QFormLayout;
    layout->addLayout(fields);
    const auto field = [&](const char* name, const char* label, const char* example) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setPlaceholderText(QString::fromUtf8(example));
        connect(edit, &QLineEdit::returnPressed, this, &ArchiveWindow::search);
        fields->addRow(QString::fromUtf8(label), edit);
        return edit;
    };
    text_ = field("archiveText", "Nummer oder Name", "RE-2026 oder Muster GmbH");
    from_ = field("archiveFrom", "Rechnungsdatum von", "01.01.2026");
    to_ = field("archiveTo", "Rechnungsdatum bis", "31.12.2026");
    minGross_ = field("archiveMinGross", "Bruttobetrag von", "100,00");
    maxGross_ = field("archiveMaxGross", "Bruttobetrag bis", "5.000,00");

    model_ = new ArchiveListModel(db_, this);
    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("archiveList"));
    list_->setModel(model_);
    // The order the model starts in, so that enabling sorting asks nothing of the database.
    list_->horizontalHeader()->setSortIndicator(ArchiveListModel::Id, Qt::AscendingOrder);
    list_->setSortingEnabled(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->verticalHeader()->hide();
    // Each column as wide as its usual texts, one line a row; a longer name is cut short with "…".
    list_->setWordWrap(false);
    const int digit = list_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[] = {5, 10, 16, 10, 21, 21}; // in characters; the amount takes the rest
    for (int column = 0; column < static_cast<int>(std::size(widths)); ++column)
        list_->setColumnWidth(column, widths[column] * digit + 16);
    list_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(list_, 1);
    connect(list_, &QTableView::doubleClicked, this, &ArchiveWindow::openInForm);

    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    const auto button = [&](const char* name, const char* text, void (ArchiveWindow::*clicked)()) {
        auto* push = new QPushButton(QString::fromUtf8(text), this);
        push->setObjectName(QString::fromLatin1(name));
        connect(push, &QPushButton::clicked, this, clicked);
        buttons->addWidget(push);
    };
    button("buttonArchiveSearch", "Suchen", &ArchiveWindow::search);
    buttons->addStretch(1);
    button("buttonArchiveOpen", "Im Formular öffnen", &ArchiveWindow::openInForm);
    button("buttonArchiveView", "Anzeigen", &ArchiveWindow::openInView);
    button("buttonArchiveExport", "Exportieren …", &ArchiveWindow::exportEntry);
    button("buttonArchiveVerify", "Archiv prüfen", &ArchiveWindow::verify);
    search();
}

void ArchiveWindow::search() {
    store::ArchiveFilter filter;
    filter.text = text_->text().trimmed().toStdString();
    filter.fromDate = isoDate(from_->text());
    filter.toDate = isoDate(to_->text());
    filter.minGross = plainAmount(minGross_->text());
    filter.maxGross = plainAmount(maxGross_->text());
    model_->search(filter);
}

qint64 ArchiveWindow::currentId() const {
    const QModelIndex current = list_->currentIndex();
    return current.isValid() ? model_->idAt(current.row()) : 0;
}

void ArchiveWindow::openInForm() {
    const qint64 id = currentId();
    if (const std::optional<QByteArray> bytes = id ? store::archivedBytes(db_, id) : std::nullopt)
        Q_EMIT openRequested(id, *bytes);
}

void ArchiveWindow::openInView() {
    const qint64 id = currentId();
    const std::optional<QByteArray> bytes = id ? store::archivedBytes(db_, id) : std::nullopt;
    if (!bytes)
        return;
    DocumentState state = makeDocumentState(lists_);
    const ubl::LoadOutcome loaded = syntax::loadInvoiceBytes(
        state, std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())));
    if (loaded.result != ubl::LoadOutcome::Result::Loaded)
        return dialogs_.message(this, QStringLiteral("Archiv"), qs(loaded.message));
    if (!view_) {
        view_ = new InvoiceView(this);
        view_->setWindowFlag(Qt::Window);
    }
    view_->showDocument(state, notCarriedTexts(state));
    view_->show();
    view_->raise();
}

void ArchiveWindow::exportEntry() {
    const qint64 id = currentId();
    const std::optional<QByteArray> bytes = id ? store::archivedBytes(db_, id) : std::nullopt;
    if (!bytes)
        return;
    const QString title = QStringLiteral("Archiveintrag exportieren");
    const QString number =
        model_->index(list_->currentIndex().row(), ArchiveListModel::Number).data().toString();
    // A received hybrid PDF is exported as the PDF it came as.
    const bool pdf = bytes->startsWith("%PDF-");
    const QString fileName =
        dialogs_.saveFileName(this, title, number + (pdf ? QStringLiteral(".pdf") : QStringLiteral(".xml")),
                              pdf ? QStringLiteral("PDF Dateien (*.pdf);;Alle Dateien (*.*)")
                                  : QStringLiteral("XML Dateien (*.xml);;Alle Dateien (*.*)"));
    if (fileName.isEmpty())
        return;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit())
        dialogs_.message(this, title,
                         QStringLiteral("Die Datei %1 konnte nicht geschrieben werden: %2")
                             .arg(fileName, file.errorString()));
}

void ArchiveWindow::verify() {
    const QString title = QStringLiteral("Archiv prüfen");
    const store::VerifyOutcome outcome = store::verifyArchive(db_);
    if (!outcome.ok)
        return dialogs_.message(
            this, title, QStringLiteral("Das Archiv konnte nicht geprüft werden: ") + qs(outcome.message));
    if (outcome.differing.empty())
        return dialogs_.message(
            this, title, QStringLiteral("Alle Einträge des Archivs stimmen mit ihren Prüfsummen überein."));
    QString text = QStringLiteral("Diese Einträge weichen von ihrer Prüfsumme ab:");
    for (const store::ArchiveEntry& e : outcome.differing)
        text +=
            QStringLiteral("\r– Nr. %1 (%2, %3)").arg(e.id).arg(qs(e.facts.number), qs(e.facts.issueDate));
    dialogs_.message(this, title, text);
}

} // namespace tallomir::app
