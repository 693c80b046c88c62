#include "line_allowances_dialog.h"

#include "dialogs.h"
#include "list_editor.h"

#include "form/line_allowances.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallomir::app {

namespace {

const QString title = QStringLiteral("Nachlässe und Zuschläge");

TextRows rowsOf(const std::vector<LineAllowanceTexts>& entries) {
    TextRows rows;
    for (const LineAllowanceTexts& e : entries)
        rows.push_back({e.kind, e.amount, e.percent, e.baseAmount, e.reason, e.reasonCode});
    return rows;
}

std::vector<LineAllowanceTexts> entriesOf(const TextRows& rows) {
    std::vector<LineAllowanceTexts> entries;
    for (std::vector<std::string> row : rows) {
        row.resize(6);
        entries.push_back({row[0], row[1], row[2], row[3], row[4], row[5]});
    }
    return entries;
}

} // namespace

LineAllowancesDialog::LineAllowancesDialog(Form& form, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), form_(form), dialogs_(dialogs),
      editor_(
          new ListEditor(QStringLiteral("lineAllowances"),
                         {QStringLiteral("Art"), QStringLiteral("Betrag"), QStringLiteral("Prozent"),
                          QStringLiteral("Basis"), QStringLiteral("Grund"), QStringLiteral("Grund-Code")},
                         QStringLiteral("Art: Nachlass oder Zuschlag. Mit Prozent wird der Betrag aus der "
                                        "Basis berechnet (ohne Basis: Menge × Preis der Position), z.B. "
                                        "Nachlass, 10 %, Treuerabatt"),
                         this)) {
    setObjectName(QStringLiteral("lineAllowancesDialog"));
    setWindowTitle(title);
    editor_->setRows(rowsOf(lineAllowanceTexts(form.lineEditBuffer)));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("lineAllowancesOk"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("lineAllowancesCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(editor_);
    layout->addWidget(buttons);
    resize(720, 280);
}

void LineAllowancesDialog::accept() {
    const std::string problem = setLineAllowances(form_, entriesOf(editor_->rows()));
    if (!problem.empty()) {
        dialogs_.message(this, title, QString::fromStdString(problem));
        return;
    }
    QDialog::accept();
}

LineAllowancesDialog* openLineAllowancesDialog(QWidget* parent, Form& form, Dialogs& dialogs) {
    auto* dialog = new LineAllowancesDialog(form, dialogs, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

} // namespace tallomir::app
