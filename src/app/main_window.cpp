#include "main_window.h"

#include "attachments_page.h"
#include "font_warm_up.h"
#include "list_editor.h"

#include "code_combo.h"
#include "date_picker.h"
#include "dialogs.h"
#include "invoice_view.h"
#include "job_runner.h"
#include "line_table_model.h"
#include "main_window_helpers.h"
#include "marking.h"
#include "page_builder.h"
#include "program_texts.h"
#include "store_link.h"
#include "window_title.h"

#include "form/document_check.h"
#include "form/fields.h"
#include "form/footer.h"
#include "form/form.h"
#include "form/input_rules.h"
#include "form/line_list.h"
#include "invoice/amounts.h"
#include "invoice/dates.h"
#include "syntax/syntax.h"
#include "view/invoice_layout.h"
#include "view/invoice_pages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

namespace tallomir::app {

namespace {

// Focus moves that come back by themselves (a menu or popup opened, another
// window became active) do not count as leaving a field.
bool leavesField(const QFocusEvent* event) {
    switch (event->reason()) {
    case Qt::PopupFocusReason:
    case Qt::ActiveWindowFocusReason:
    case Qt::MenuBarFocusReason:
        return false;
    default:
        return true;
    }
}

} // namespace

MainWindow::MainWindow(Form& state, Dialogs& dialogs, const QString& startDirectory,
                       store::Database* database, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      state_(state), dialogs_(dialogs), startDirectory_(startDirectory),
      storeLink_(std::make_unique<StoreLink>(database)) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(documentWindowTitle(QString(), false));
    move(200, 150);
    resize(1000, 700);

    buildMenu();

    // The status bar measures the window's first text.
    FontWarmUp::finish();
    statusField_ = new QLabel(this);
    statusField_->setObjectName(QStringLiteral("statusField"));
    statusField_->setMinimumWidth(100);
    statusBar()->addWidget(statusField_, 1);
    notCarriedField_ = new QLabel(this);
    notCarriedField_->setObjectName(QStringLiteral("notCarriedField"));
    statusBar()->addPermanentWidget(notCarriedField_);
    jobs_ = new JobRunner(statusBar());

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    setCentralWidget(central);

    tabs_ = new QTabWidget(central);
    tabs_->setObjectName(QStringLiteral("tabs"));
    // The pages take the room their rows need.
    (new QVBoxLayout(central))->addWidget(tabs_);
    QPalette tabPalette = tabs_->palette();
    tabPalette.setColor(QPalette::Window, pageColor);
    tabs_->setPalette(tabPalette);
    tabs_->setAutoFillBackground(true);
    buildPages();
    showStartValues();
    if (storeLink_->active())
        buildStoreControls();
}

// A cell still being typed in a list is taken while the window goes; nothing
// of it may reach the window then.
MainWindow::~MainWindow() {
    // Pages going with the window build nothing.
    disconnect(tabs_, nullptr, this, nullptr);
    delete std::exchange(jobs_, nullptr); // a job still running is cancelled, its end dropped
    for (QWidget* list :
         std::initializer_list<QWidget*>{notesEditor_, accountsEditor_, partyIdsEditor_, attachmentsPage_})
        if (list)
            list->blockSignals(true);
}

QWidget* MainWindow::field(FieldId id) const {
    return fields_.value(static_cast<int>(id), nullptr);
}

// Selects the entry of a code; a code the list does not have shows as
// "CODE (unbekannt)".
void MainWindow::showCode(FieldId id, const std::vector<CodeEntry>& list, const std::string& code) {
    auto* combo = static_cast<QComboBox*>(field(id));
    if (!combo) // its page is not built yet
        return;
    // Without a code the first entry shows; it is what typing an address fills in.
    const int index = findCode(list, code);
    showCodeInCombo(combo, static_cast<int>(list.size()),
                    index < 0 && code.empty() && !list.empty() ? 0 : index, code);
}

// ---------------------------------------------------------------- events

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Return in a line editor field stores the line.
    if (event->type() == QEvent::KeyPress && watched != lineDescription_ && lineFields_.contains(watched)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            textFieldLeft(watched);
            lineEditorReturn();
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut) {
        if (leavesField(static_cast<QFocusEvent*>(event)) &&
            (textFields_.contains(watched) || lineFields_.contains(watched)))
            textFieldLeft(watched);
    } else if (lineList_ && watched == lineList_->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                mousePressInList_ = true;
                const QModelIndex index = lineList_->indexAt(mouse->position().toPoint());
                listRowChosen(index.isValid() ? index.row() : -1);
                if (!index.isValid()) {
                    updatingList_ = true;
                    lineList_->clearSelection();
                    updatingList_ = false;
                }
            }
        } else if (event->type() == QEvent::MouseButtonRelease) {
            mousePressInList_ = false;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::textFieldLeft(QObject* control) {
    if (auto line = lineFields_.find(control); line != lineFields_.end()) {
        std::string text;
        if (control == lineDescription_)
            text = ss(lineDescription_->toPlainText());
        else
            text = ss(static_cast<QLineEdit*>(control)->text());
        showStatus(leaveLineField(state_, line.value(), text));
        updateMarking();
        return;
    }
    auto found = textFields_.find(control);
    if (found == textFields_.end())
        return;
    std::string text;
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        text = ss(edit->text());
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        text = ss(plain->toPlainText());
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        text = ss(combo->currentText());
    applyOutcome(leaveTextField(state_, found.value(), text));
}

void MainWindow::entrySelected(FieldId id, int index) {
    applyOutcome(selectEntry(state_, id, index));
}

void MainWindow::dateChanged(FieldId id, DateValue date) {
    applyOutcome(changeDate(state_, id, date));
}

void MainWindow::lineDateChanged(bool first, DateValue date) {
    changeLineDate(state_, first, date);
}

void MainWindow::addClicked() {
    if (lineRefused(true))
        return;
    const int added = addLine(state_);
    showLineList();
    lineList_->scrollTo(lineModel_->index(added, 0));
    showFooter();
    showLineEditor();
    updateMarking();
    // The next line is typed without the mouse.
    focusLineField(LineField::Position);
}

void MainWindow::changeClicked() {
    if (lineRefused(false))
        return;
    // The editor keeps what was typed.
    changeLine(state_);
    showLineList();
    showFooter();
    updateMarking();
}

// A line the editor cannot store stays where it is typed: its field is
// marked and has the focus, the status bar says why.
bool MainWindow::lineRefused(bool adding) {
    const std::optional<LineRefusal> refusal = lineRefusal(state_, adding);
    if (!refusal)
        return false;
    updateMarking();
    statusBar()->showMessage(qs(refusal->text), 15000);
    markControl(focusLineField(refusal->field), Marking::Invalid);
    return true;
}

QWidget* MainWindow::focusLineField(LineField lineField) {
    auto* control = static_cast<QWidget*>(lineFields_.key(lineField));
    control->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->selectAll();
    return control;
}

void MainWindow::deleteClicked() {
    if (deleteLine(state_)) {
        showLineList();
        showFooter();
        showLineEditor();
        updateMarking();
    }
}

void MainWindow::lineEditorReturn() {
    if (state_.currentLineIndex >= 0)
        changeClicked();
    else
        addClicked();
}

void MainWindow::listRowChosen(int row) {
    selectLine(state_, row);
    showLineEditor();
    updateLineButtons();
    updateMarking();
}

void MainWindow::updateLineButtons() {
    if (!changeButton_) // "Positionen" is not built yet
        return;
    // "Ändern" and "Löschen" act on the stored line the editor shows; into an
    // empty list "Ändern" stores the first line.
    const bool shown = state_.currentLineIndex >= 0;
    changeButton_->setEnabled(shown || state_.lines.empty());
    deleteButton_->setEnabled(shown);
}

// The field that still has the focus hands over its text as if it were left,
// so that what is on the screen is what gets saved.
void MainWindow::commitFocusedField() {
    QWidget* focused = QApplication::focusWidget();
    // A cell being typed in a list is taken as if it were left.
    for (QWidget* at = focused; at; at = at->parentWidget()) {
        if (auto* list = qobject_cast<ListEditor*>(at)) {
            list->commitCell(focused);
            return;
        }
        if (auto* attachments = qobject_cast<AttachmentsPage*>(at)) {
            attachments->commitCell(focused);
            return;
        }
    }
    while (focused && !textFields_.contains(focused) && !lineFields_.contains(focused))
        focused = focused->parentWidget();
    if (focused)
        textFieldLeft(focused);
}

void MainWindow::applyOutcome(const RuleOutcome& outcome) {
    if (outcome.totalsChanged) {
        showFooter();
        showLineList();
    }
    if (outcome.linesChanged)
        showLineEditor();
    // Fields the rule filled in show what they now hold.
    for (FieldId filled : outcome.fieldsFilled) {
        if (const std::string* text = documentText(state_.doc, filled))
            setFieldText(filled, *text);
        else if (filled == FieldId::SupplierEndpointScheme || filled == FieldId::CustomerEndpointScheme)
            showCode(filled, state_.lists.endpointSchemes,
                     filled == FieldId::SupplierEndpointScheme ? state_.doc.supplier.endpointScheme
                                                               : state_.doc.customer.endpointScheme);
    }
    showStatus(outcome.statusText);
    updateMarking();
    if (!outcome.messageTitle.empty() || !outcome.messageText.empty())
        dialogs_.message(this, qs(outcome.messageTitle), qs(outcome.messageText));
}

void MainWindow::showStatus(const std::string& text) {
    if (!text.empty())
        statusBar()->showMessage(qs(text), 15000);
}

void MainWindow::updateMarking() {
    showTitle();
    const Requirements required = currentRequirements(state_);
    for (auto it = labels_.begin(); it != labels_.end(); ++it) {
        const auto id = static_cast<FieldId>(it.key());
        it.value()->setText(qs(fieldLabel(id, required.fields.contains(id))));
    }
    for (auto it = fields_.begin(); it != fields_.end(); ++it) {
        const auto id = static_cast<FieldId>(it.key());
        it.value()->setEnabled(fieldEnabled(state_, id));
        const Marking marking = state_.invalidInputs.contains(id) ? Marking::Invalid
                                : required.fields.contains(id)    ? Marking::Required
                                                                  : Marking::None;
        if (auto* picker = qobject_cast<DatePicker*>(it.value()))
            picker->setMarking(marking);
        else if (labels_.contains(it.key()) || marking != Marking::None ||
                 markingOf(it.value()) != Marking::None)
            markControl(it.value(), marking);
    }
    // Further accounts are paid into as the first one is.
    if (accountsEditor_)
        accountsEditor_->setEnabled(fieldEnabled(state_, FieldId::Iban));
    const LineItem& buffer = state_.lineEditBuffer;
    for (auto it = lineFields_.begin(); it != lineFields_.end(); ++it) {
        const LineField lineField = it.value();
        if (QLabel* label = lineLabels_.value(it.key()))
            label->setText(QString::fromUtf8(lineFieldLabel(lineField)) +
                           (required.lineFields.contains(lineField) ? QStringLiteral("*") : QString()));
        const bool invalid = !lineFieldProblem(buffer, lineField).empty() ||
                             (lineField == LineField::Position &&
                              positionTaken(state_, buffer.position, state_.currentLineIndex));
        markControl(static_cast<QWidget*>(it.key()), invalid ? Marking::Invalid
                                                     : required.lineFields.contains(lineField)
                                                         ? Marking::Required
                                                         : Marking::None);
    }
}

// ---------------------------------------------------------------- showing

void MainWindow::setFieldText(FieldId id, const std::string& text) {
    const QString shown = qs(text);
    QWidget* control = field(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        if (edit->text() != shown) {
            edit->setText(shown);
            if (edit->hasFocus())
                edit->selectAll();
        }
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        if (plain->toPlainText() != shown)
            plain->setPlainText(shown);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->setEditText(shown);
    }
}

void MainWindow::showFooter() {
    if (!allowanceKind_) // "Belegfuss" is not built yet
        return;
    const FooterView footer = footerView(state_);
    setFieldText(FieldId::LinesTotal, footer.linesTotal);
    setFieldText(FieldId::AllowanceValue, footer.allowanceValue);
    setFieldText(FieldId::AllowancePercent, footer.allowancePercent);
    allowanceKind_->setText(qs(footer.allowanceKind));
    auto* rate = static_cast<QComboBox*>(field(FieldId::AllowanceSlot));
    rate->setCurrentIndex(footer.allowanceSlot < rate->count() ? footer.allowanceSlot : -1);
    allowanceSplit_->setText(qs(footer.allowanceSplit));
    setFieldText(FieldId::NetTotal, footer.netTotal);
    // Every group has its row; the rows beyond the third show only in use.
    while (footerRows_.size() < footer.rows.size())
        addFooterRow(static_cast<int>(footerRows_.size()));
    for (std::size_t i = 0; i < footerRows_.size(); ++i) {
        const bool used = i < footer.rows.size();
        const FooterRow shown = used ? footer.rows[i] : FooterRow{};
        const std::string* texts[] = {&shown.ratePercent, &shown.taxableAmount, &shown.taxAmount};
        for (int column = 0; column < 3; ++column)
            footerRows_[i].fields[column]->setText(qs(*texts[column]));
        footerRows_[i].category->setText(qs(shown.category));
        // The three rows of the page stay; further ones show only in use.
        const bool visible = i < 3 || used;
        for (QWidget* widget : footerRows_[i].widgets)
            widget->setVisible(visible);
        footerRows_[i].category->setVisible(visible);
    }
    setFieldText(FieldId::TaxTotal, footer.taxTotal);
    setFieldText(FieldId::GrossTotal, footer.grossTotal);
    setFieldText(FieldId::PayableTotal, footer.payableTotal);
    const QString currency = qs(footer.currency.empty() ? state_.documentCurrency : footer.currency);
    currencyLabels_[0]->setText(currency);
    currencyLabels_[1]->setText(currency);

    // What only a loaded file has shows when it is there.
    const std::pair<FieldId, const std::string*> loadedOnly[] = {
        {FieldId::FurtherAllowances, &footer.furtherAllowances},
        {FieldId::TaxCurrencyTotal, &footer.taxCurrencyTotal},
        {FieldId::PrepaidTotal, &footer.prepaidTotal},
        {FieldId::RoundingAmount, &footer.roundingAmount}};
    for (const auto& [id, text] : loadedOnly) {
        setFieldText(id, *text);
        field(id)->setVisible(!text->empty());
        if (QLabel* label = labels_.value(static_cast<int>(id)))
            label->setVisible(!text->empty());
    }
    taxCurrencyLabel_->setText(qs(footer.taxCurrency));
    taxCurrencyLabel_->setVisible(!footer.taxCurrency.empty());
}

void MainWindow::showLineList() {
    if (!lineModel_) // "Positionen" is not built yet
        return;
    updatingList_ = true;
    lineModel_->reload();
    const int current = state_.currentLineIndex;
    if (current >= 0 && current < lineModel_->rowCount()) {
        const QModelIndex index = lineModel_->index(current, 0);
        lineList_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                QItemSelectionModel::Rows);
        lineList_->scrollTo(index);
    } else {
        lineList_->clearSelection();
    }
    updatingList_ = false;
    updateLineButtons();
}

void MainWindow::showLineEditor() {
    proposeLinePosition(state_); // a new line is offered the next free number
    if (!lineUnit_)              // "Positionen" is not built yet
        return;
    const LineItem& line = state_.lineEditBuffer;
    // Numbers in the German form, without points between thousands, so that
    // leaving the field reads them back unchanged; a text that is no number
    // is shown as it stands.
    const auto number = [](const std::string& text, int minDecimals, int maxDecimals) {
        const std::optional<Decimal> value = readStoredNumber(text);
        return value ? formatGerman(*value, minDecimals, maxDecimals, false) : text;
    };
    const std::pair<LineField, std::string> texts[] = {
        {LineField::Position, line.position},
        {LineField::Quantity, number(line.quantity, 0, 30)},
        {LineField::ItemNumber, line.itemNumber},
        {LineField::ItemName, line.itemName},
        {LineField::UnitPrice, number(line.unitPrice, 2, 4)},
        {LineField::VatPercent, number(line.lineVatPercent, 2, 2)},
    };
    for (auto it = lineFields_.begin(); it != lineFields_.end(); ++it) {
        for (const auto& [lineField, text] : texts)
            if (it.value() == lineField)
                static_cast<QLineEdit*>(it.key())->setText(qs(text));
    }
    const UnitChoice units = lineUnitChoice(state_);
    lineUnit_->clear();
    for (const CodeEntry& entry : units.entries)
        lineUnit_->addItem(qs(entry.text), qs(entry.code));
    lineUnit_->setCurrentIndex(units.current);
    lineDescription_->setPlainText(qs(tidyDescriptionForDisplay(line.itemDescription)));
    // A category the list does not have shows no entry.
    lineCategory_->setCurrentIndex(categoryEntryOf(state_, line.lineTaxCategory));
    lineStart_->setValue(dateOf(line.lineStartDate));
    lineEnd_->setValue(dateOf(line.lineEndDate));
}

void MainWindow::showDocument() {
    showDocumentOn(nullptr);
    tabs_->setCurrentIndex(0);
}

// ---------------------------------------------------------------- commands

bool MainWindow::mayDiscardChanges() {
    commitFocusedField();
    if (!state_.modified)
        return true;
    switch (dialogs_.choose(
        this, qs(tallomir::windowTitle()), QStringLiteral("Der Beleg hat ungespeicherte Änderungen."),
        {QStringLiteral("Speichern"), QStringLiteral("Verwerfen"), QStringLiteral("Abbrechen")})) {
    case 0: // saved, unless the save was cancelled or failed
        saveCommand();
        jobs_->finish();
        return !state_.modified;
    case 1:
        return true;
    default:
        return false;
    }
}

void MainWindow::showTitle() {
    setWindowTitle(documentWindowTitle(documentFile_, state_.modified || saving_));
}

// What the status bar said of the previous document goes with it.
void MainWindow::clearStatus() {
    statusBar()->clearMessage();
    notCarriedField_->clear();
}

void MainWindow::newCommand() {
    if (refusedWhileBusy(QStringLiteral("Neu")) || !mayDiscardChanges())
        return;
    startNewDocument(state_);
    storeLink_->startNew(state_);
    documentFile_.clear();
    clearStatus();
    showDocument();
    takeProposedPaymentTerms();
    updateMarking();
    statusField_->setText(
        QStringLiteral("Neuer Beleg: die Angaben der Seite „Lieferant“ wurden übernommen."));
}

void MainWindow::loadCommand() {
    if (refusedWhileBusy(QStringLiteral("XML Datei laden")) || !mayDiscardChanges())
        return;
    const QString fileName = dialogs_.openFileName(this, QStringLiteral("XML Datei laden"), xmlFileFilter());
    if (fileName.isEmpty()) // cancelled: the form stays
        return;
    loadInBackground(fileName);
}

// A file that is not loaded leaves the form as it is.
void MainWindow::loadEnded(const QString& fileName, const syntax::LoadOutcome& outcome) {
    const QString title = QStringLiteral("XML Datei laden");
    switch (outcome.result) {
    case ubl::LoadOutcome::Result::Loaded:
        resetEditor(state_);
        break;
    case ubl::LoadOutcome::Result::ParseError:
        dialogs_.message(this, QStringLiteral("Fehler beim Lesen der XML Datei"), qs(outcome.message));
        return;
    case ubl::LoadOutcome::Result::Refused:
        dialogs_.message(this, title, qs(outcome.message));
        return;
    case ubl::LoadOutcome::Result::NoDocument:
        dialogs_.message(
            this, title,
            QStringLiteral("Die Datei %1 konnte nicht gelesen werden oder ist leer.").arg(fileName));
        return;
    }
    documentFile_ = fileName;
    clearStatus();
    const std::string archiveNote = storeLink_->archiveLoaded(state_, fileName);
    statusField_->setText(QStringLiteral("Geladene Datei:  ") + fileName +
                          (archiveNote.empty() ? QString() : QStringLiteral("  ") + qs(archiveNote)));
    showDocument();
    showNotCarried();
}

// What the file holds and the document cannot: once in a box, and as a note
// in the status bar until the next load.
void MainWindow::showNotCarried() {
    const std::vector<std::string> items = notCarriedTexts(state_);
    notCarriedField_->setText(
        items.empty()       ? QString()
        : items.size() == 1 ? QStringLiteral("1 Angabe der Datei nicht übernommen")
                            : QStringLiteral("%1 Angaben der Datei nicht übernommen").arg(items.size()));
    if (items.empty())
        return;
    QString text =
        QStringLiteral("Diese Angaben der Datei kann Tallomir nicht übernehmen; beim Speichern fehlen "
                       "sie:");
    for (const std::string& item : items)
        text += QStringLiteral("\r– ") + qs(item);
    dialogs_.message(this, QStringLiteral("Nicht übernommen"), text);
}

void MainWindow::saveCommand() {
    if (refusedWhileBusy(QStringLiteral("XML Datei speichern")))
        return;
    commitFocusedField();
    saveInBackground();
}

void MainWindow::showCheckTarget(const CheckTarget& target) {
    if (target.field) {
        QWidget* control = builtField(*target.field);
        if (control == nullptr)
            return;
        for (int index = 0; index < tabs_->count(); ++index)
            if (tabs_->widget(index)->isAncestorOf(control))
                tabs_->setCurrentIndex(index);
        control->setFocus(Qt::OtherFocusReason);
        return;
    }
    tabs_->setCurrentIndex(4);
    if (target.line >= 0) {
        listRowChosen(target.line);
        showLineList();
    }
    for (auto it = lineFields_.begin(); it != lineFields_.end(); ++it)
        if (it.value() == target.lineField)
            static_cast<QWidget*>(it.key())->setFocus(Qt::OtherFocusReason);
}

void MainWindow::infoCommand() {
    dialogs_.message(this, QStringLiteral("Info"), qs(infoText()));
}

// A job still running is cancelled first: a save or a PDF leaves the file as
// it was, and the question below knows whether the document was saved.
void MainWindow::closeEvent(QCloseEvent* event) {
    jobs_->cancelAndWait();
    if (!mayDiscardChanges()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace tallomir::app
