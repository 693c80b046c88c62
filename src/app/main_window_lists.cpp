#include "main_window.h"

#include "attachments_page.h"
#include "list_editor.h"
#include "page_builder.h"
#include "page_rows.h"

#include "form/form.h"
#include "form/lists.h"
#include "invoice/model.h"

#include <QGroupBox>
#include <QVBoxLayout>

#include <algorithm>

// The pages with lists of their own: "Lieferant" with the accounts after the
// first and the seller's further identifiers, and "Anhänge".

namespace tallomir::app {

namespace {

QGroupBox* framed(QWidget* page, const QString& title, ListEditor* editor) {
    auto* box = new QGroupBox(title, page);
    box->setObjectName(editor->objectName() + QStringLiteral("Box"));
    (new QVBoxLayout(box))->addWidget(editor);
    return box;
}

} // namespace

// The first account stays in the rows; the further accounts follow below it,
// the further identifiers below the payment rows.
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
    grid.addToColumn(framed(page, QStringLiteral("Weitere Zahlungskonten"), accountsEditor_));
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
    grid.addToColumn(framed(page, QStringLiteral("Weitere Kennungen"), partyIdsEditor_));
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

void MainWindow::showLists() {
    TextRows notes;
    for (const NoteEntry& note : state_.doc.furtherNotes)
        notes.push_back({note.subjectCode, note.text});
    notesEditor_->setRows(notes);

    accountRows_ = state_.doc.furtherPaymentMeans;
    TextRows accounts;
    for (const PaymentMeansEntry& means : accountRows_)
        accounts.push_back({means.iban, means.accountName, means.bic});
    accountsEditor_->setRows(accounts);

    TextRows ids;
    for (const PartyIdentifier& id : state_.doc.supplier.furtherIds)
        ids.push_back({id.id, id.scheme});
    partyIdsEditor_->setRows(ids);

    attachmentsPage_->showAttachments();
}

} // namespace tallomir::app
