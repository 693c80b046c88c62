#include "main_window.h"

#include "attachments_page.h"
#include "form/page_rows.h"
#include "list_editor.h"
#include "page_builder.h"

#include "form/form.h"
#include "form/lists.h"
#include "invoice/model.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

// The pages with lists of their own: "Lieferant" with the accounts after the
// first and the seller's further identifiers, and "Anhänge".

namespace tallomir::app {

namespace {

// A list in a frame with its title; its first and third column as wide as
// their longest usual entry, the second taking the room left.
QGroupBox* framed(QWidget* page, const QString& title, ListEditor* editor, const QString& firstWidest,
                  const QString& lastWidest = {}) {
    QTableWidget* table = editor->table();
    const auto width = [table](const QString& text) {
        return table->fontMetrics().horizontalAdvance(text) + 2 * table->fontMetrics().averageCharWidth();
    };
    table->setColumnWidth(0, width(firstWidest));
    if (!lastWidest.isEmpty())
        table->setColumnWidth(2, width(lastWidest));
    table->horizontalHeader()->setStretchLastSection(false);
    table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    // The second column keeps room for a name beside the others, also with a scroll bar.
    int columns = width(QStringLiteral("Muster Handels GmbH"));
    for (int column = 0; column < table->columnCount(); column += 2)
        columns += table->columnWidth(column);
    table->setMinimumWidth(columns + table->verticalScrollBar()->sizeHint().width() +
                           2 * table->frameWidth());
    // Room for three entries: the page holds two lists beside its rows.
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() +
                            3 * table->verticalHeader()->defaultSectionSize() + 2 * table->frameWidth());
    auto* box = new QGroupBox(title, page);
    box->setObjectName(editor->objectName() + QStringLiteral("Box"));
    (new QVBoxLayout(box))->addWidget(editor);
    return box;
}

} // namespace

// The first account stays in the rows; the further accounts follow below it,
// the further identifiers below the rows of the party.
void MainWindow::buildSupplierPage(QWidget* page) {
    PageGrid grid(page, [this](const PageRow& row, QWidget* parent) { return makeInput(row, parent); });
    const PageRows rows = pageRows(1);
    const auto afterBic = static_cast<std::size_t>(
        std::find_if(rows.begin(), rows.end(), [](const PageRow& row) { return row.field == FieldId::Bic; }) -
        rows.begin() + 1);
    grid.add(rows.first(afterBic));

    accountsEditor_ = new ListEditor(
        QStringLiteral("furtherAccounts"),
        {QStringLiteral("IBAN"), QStringLiteral("Kontoinhaber"), QStringLiteral("BIC")},
        QStringLiteral("Weitere Konten, auf die gezahlt werden kann, mit der Zahlungsart des ersten, "
                       "z.B. DE75512108001245126199, Muster GmbH, SOGEDEFFXXX"));
    grid.addToColumn(1, framed(page, QStringLiteral("Weitere Zahlungskonten"), accountsEditor_,
                               QStringLiteral("DE00000000000000000000"), QStringLiteral("XXXXXXXXXXX")));
    // A new row takes the code of the first account's payment means.
    connect(accountsEditor_, &ListEditor::rowAdded, this, [this](int row) {
        PaymentMeansEntry added;
        added.code = state_.doc.paymentMeansCode;
        accountRows_.insert(accountRows_.begin() + std::min<std::ptrdiff_t>(row, std::ssize(accountRows_)),
                            added);
    });
    connect(accountsEditor_, &ListEditor::rowRemoved, this, [this](int row) {
        if (row >= 0 && row < std::ssize(accountRows_))
            accountRows_.erase(accountRows_.begin() + row);
    });
    connect(accountsEditor_, &ListEditor::changed, this, [this](const TextRows& rows) {
        accountRows_.resize(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            PaymentMeansEntry& entry = accountRows_[i];
            entry.iban = rows[i].at(0);
            entry.accountName = rows[i].at(1);
            entry.bic = rows[i].at(2);
        }
        // A row with nothing typed holds no account yet.
        std::vector<PaymentMeansEntry> means = accountRows_;
        std::erase_if(means, [](PaymentMeansEntry entry) {
            entry.code.clear();
            return entry == PaymentMeansEntry();
        });
        setFurtherPaymentMeans(state_, means);
        updateMarking();
    });

    grid.add(rows.subspan(afterBic));
    partyIdsEditor_ = new ListEditor(
        QStringLiteral("furtherPartyIds"), {QStringLiteral("Kennung"), QStringLiteral("Schema")},
        QStringLiteral("Weitere Kennungen Ihres Unternehmens, je mit dem Code ihres Schemas nach ISO 6523, "
                       "z.B. 4000001123452 mit 0088 für eine GLN"));
    grid.addToColumn(
        0, framed(page, QStringLiteral("Weitere Kennungen"), partyIdsEditor_, QString(30, QLatin1Char('0'))));
    connect(partyIdsEditor_, &ListEditor::changed, this, [this](const TextRows& rows) {
        std::vector<PartyIdentifier> ids;
        for (const auto& row : rows)
            ids.push_back({row.at(0), row.at(1)});
        setFurtherPartyIds(state_, ids);
        updateMarking();
    });
}

void MainWindow::buildAttachmentsPage(QWidget* page) {
    attachmentsPage_ = new AttachmentsPage(state_, dialogs_, startDirectory_, page);
    (new QVBoxLayout(page))->addWidget(attachmentsPage_);
    fields_.insert(static_cast<int>(FieldId::Attachments), attachmentsPage_);
    connect(attachmentsPage_, &AttachmentsPage::changed, this, &MainWindow::updateMarking);
}

void MainWindow::showLists(const QWidget* page) {
    const auto on = [page](const QWidget* list) {
        return list != nullptr && (page == nullptr || page->isAncestorOf(list));
    };
    if (on(notesEditor_)) {
        TextRows notes;
        for (const NoteEntry& note : state_.doc.furtherNotes)
            notes.push_back({note.subjectCode, note.text});
        notesEditor_->setRows(notes);
    }

    if (on(accountsEditor_)) {
        accountRows_ = state_.doc.furtherPaymentMeans;
        TextRows accounts;
        for (const PaymentMeansEntry& means : accountRows_)
            accounts.push_back({means.iban, means.accountName, means.bic});
        accountsEditor_->setRows(accounts);

        TextRows ids;
        for (const PartyIdentifier& id : state_.doc.supplier.furtherIds)
            ids.push_back({id.id, id.scheme});
        partyIdsEditor_->setRows(ids);
    }

    if (on(attachmentsPage_))
        attachmentsPage_->showAttachments();
}

} // namespace tallomir::app
