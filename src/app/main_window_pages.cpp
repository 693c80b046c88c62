#include "main_window.h"

#include "code_combo.h"
#include "date_picker.h"
#include "form/page_rows.h"
#include "line_allowances_dialog.h"
#include "line_details_dialog.h"
#include "line_table_model.h"
#include "list_editor.h"
#include "main_window_helpers.h"
#include "marking.h"
#include "page_builder.h"

#include "form/document_check.h"
#include "form/fields.h"
#include "form/input_rules.h"
#include "form/lists.h"
#include "invoice/model.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

// Building the window: its menu, the pages from their descriptions and what
// they show right after start-up.

namespace tallomir::app {

namespace {

QString fieldName(FieldId id) {
    return QStringLiteral("field%1").arg(static_cast<int>(id));
}

QStringList entryTexts(const std::vector<CodeEntry>& list) {
    QStringList texts;
    for (const CodeEntry& entry : list)
        texts << qs(entry.text);
    return texts;
}

} // namespace

void MainWindow::buildMenu() {
    // "&" marks the letter that opens a menu or picks an item with Alt.
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&XML Datei"));
    fileMenu->setObjectName(QStringLiteral("menuFile"));
    QAction* newDocument = fileMenu->addAction(QStringLiteral("&Neu"));
    newDocument->setObjectName(QStringLiteral("actionNew"));
    newDocument->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    QAction* load = fileMenu->addAction(QStringLiteral("&Laden"));
    load->setObjectName(QStringLiteral("actionLoad"));
    load->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* save = fileMenu->addAction(QStringLiteral("&Speichern"));
    save->setObjectName(QStringLiteral("actionSave"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* hybrid = fileMenu->addAction(QStringLiteral("Als &ZUGFeRD-PDF speichern …"));
    hybrid->setObjectName(QStringLiteral("actionHybridPdf"));
    QAction* validate = fileMenu->addAction(QStringLiteral("&Validieren"));
    validate->setObjectName(QStringLiteral("actionValidate"));
    QAction* archive = fileMenu->addAction(QStringLiteral("&Archiv"));
    archive->setObjectName(QStringLiteral("actionArchive"));
    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&Ansicht"));
    viewMenu->setObjectName(QStringLiteral("menuView"));
    QAction* showView = viewMenu->addAction(QStringLiteral("&Rechnung anzeigen"));
    showView->setObjectName(QStringLiteral("actionShowView"));
    QAction* print = viewMenu->addAction(QStringLiteral("&Drucken …"));
    print->setObjectName(QStringLiteral("actionPrint"));
    print->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    QAction* pdf = viewMenu->addAction(QStringLiteral("Als &PDF speichern …"));
    pdf->setObjectName(QStringLiteral("actionPdf"));
    QMenu* infoMenu = menuBar()->addMenu(QStringLiteral("&Info"));
    infoMenu->setObjectName(QStringLiteral("menuInfo"));
    QAction* info = infoMenu->addAction(QStringLiteral("&Lizenzhinweis"));
    info->setObjectName(QStringLiteral("actionInfo"));
    // Ends the program the way closing the window does, asking first about
    // unsaved changes.
    QAction* quit = new QAction(QStringLiteral("Beenden"), this);
    quit->setObjectName(QStringLiteral("actionQuit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    addAction(quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    connect(newDocument, &QAction::triggered, this, &MainWindow::newCommand);
    connect(load, &QAction::triggered, this, &MainWindow::loadCommand);
    connect(save, &QAction::triggered, this, &MainWindow::saveCommand);
    connect(hybrid, &QAction::triggered, this, &MainWindow::hybridPdfCommand);
    connect(validate, &QAction::triggered, this, &MainWindow::validateCommand);
    connect(archive, &QAction::triggered, this, &MainWindow::archiveCommand);
    connect(showView, &QAction::triggered, this, &MainWindow::showViewCommand);
    connect(print, &QAction::triggered, this, &MainWindow::printCommand);
    connect(pdf, &QAction::triggered, this, &MainWindow::pdfCommand);
    connect(info, &QAction::triggered, this, &MainWindow::infoCommand);
}

// ---------------------------------------------------------------- pages

// Tab walks each page in the order its controls are made in, which is the
// order of its rows. The pages other than the first are built when first
// shown or needed (buildPage, main_window_start.cpp).
void MainWindow::buildPages() {
    for (int index = 0; index < pageCount; ++index) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("page%1").arg(index));
        page->setAutoFillBackground(true);
        tabs_->addTab(page, QString::fromUtf8(pageTitle(index)));
    }
    buildPage(0);
    tabs_->setCurrentIndex(0);
    connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::page);
}

// "Weitere Angaben": its fields, then the further notes as a list.
void MainWindow::buildMorePage(QWidget* page) {
    PageGrid grid(page, [this](const PageRow& row, QWidget* parent) { return makeInput(row, parent); });
    grid.add(pageRows(6));
    notesEditor_ = new ListEditor(
        fieldName(FieldId::FurtherNotes), {QStringLiteral("Betreff (Code)"), QStringLiteral("Weitere Notiz")},
        QStringLiteral("Notizen nach der ersten, je mit dem Code ihres Betreffs, z.B. "
                       "AAI für allgemeine Informationen oder SUR für Anmerkungen des "
                       "Lieferanten"),
        page);
    grid.addBelow(notesEditor_);
    fields_.insert(static_cast<int>(FieldId::FurtherNotes), notesEditor_);
    connect(notesEditor_, &ListEditor::changed, this, [this](const TextRows& rows) {
        std::vector<NoteEntry> notes;
        for (const auto& row : rows)
            notes.push_back({row.at(0), row.at(1)});
        setFurtherNotes(state_, notes);
        updateMarking();
    });
}

QStringList MainWindow::choiceTexts(Choices choices) const {
    const CodeLists& lists = state_.lists;
    QStringList texts;
    switch (choices) {
    case Choices::DocumentTypes:
        return entryTexts(lists.documentTypes);
    case Choices::Currencies:
        for (const std::string& currency : lists.currencies)
            texts << qs(currency);
        return texts;
    case Choices::PaymentTerms: // the first three are proposed
        for (std::size_t i = 0; i < lists.paymentTermsTexts.size() && i < 3; ++i)
            texts << qs(lists.paymentTermsTexts[i]);
        return texts;
    case Choices::TaxCategories:
        return entryTexts(lists.taxCategories);
    case Choices::DocumentFormats:
        return {qs(versionName(XRechnungVersion::V2_1_1)), qs(versionName(XRechnungVersion::V3_0))};
    case Choices::Syntaxes:
        return {QStringLiteral("UBL"), QStringLiteral("CII")};
    case Choices::PaymentMeans:
        return entryTexts(lists.paymentMeans);
    case Choices::EndpointSchemes:
        return entryTexts(lists.endpointSchemes);
    case Choices::VatRates:
        for (const Decimal& rate : lists.vatRates)
            texts << qs(formatGerman(rate, 2, 2) + " %");
        return texts;
    case Choices::Units: // the line editor fills them for the line shown
    case Choices::None:
        break;
    }
    return texts;
}

// The control of a row, registered with what it edits: a text is handed over
// when it is left, a choice or a date when it changes.
QWidget* MainWindow::makeInput(const PageRow& row, QWidget* page) {
    const std::optional<FieldId> id = row.name ? std::nullopt : std::optional(row.field);
    QWidget* input = nullptr;
    switch (row.input) {
    case Input::Text:
    case Input::Amount: {
        auto* edit = new QLineEdit(page);
        if (row.input == Input::Amount) {
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::ClickFocus); // no stop for Tab; a click still selects to copy
            edit->setAlignment(Qt::AlignRight);
        }
        input = edit;
        break;
    }
    case Input::MultiLine:
    case Input::ShownLines: {
        auto* plain = new QPlainTextEdit(page);
        plain->setTabChangesFocus(true);
        if (row.input == Input::ShownLines) {
            plain->setReadOnly(true);
            plain->setFocusPolicy(Qt::ClickFocus);
        }
        input = plain;
        break;
    }
    case Input::Date: {
        auto* picker = new DatePicker(page);
        if (id) {
            connect(picker, &DatePicker::changed, this,
                    [this, id](DateValue date) { dateChanged(*id, date); });
            connect(picker, &DatePicker::refused, this,
                    [this, id](const QString& why) { showStatus(fieldLabel(*id, false) + ": " + ss(why)); });
        }
        input = picker;
        break;
    }
    case Input::Choice:
    case Input::Proposals: {
        auto* combo = new QComboBox(page);
        combo->addItems(choiceTexts(row.choices));
        if (combo->count() > 0)
            combo->setCurrentIndex(0);
        if (row.input == Input::Proposals) {
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setCompleter(nullptr); // what is typed stays as typed
            connect(combo, &QComboBox::activated, this, [this, combo](int) { textFieldLeft(combo); });
        } else if (id) {
            // Only a choice of the user counts; the program's own settings do not.
            connect(combo, &QComboBox::activated, this, [this, id, combo](int index) {
                entrySelected(*id, index);
                forgetUnknownCode(combo);
            });
        }
        input = combo;
        break;
    }
    case Input::Caption:
        input = new QLabel(page);
        break;
    }
    if (id)
        fields_.insert(static_cast<int>(*id), input);
    if (row.input == Input::Text || row.input == Input::MultiLine || row.input == Input::Proposals) {
        input->installEventFilter(this);
        if (row.lineField)
            lineFields_.insert(input, *row.lineField);
        else
            textFields_.insert(input, row.field);
    }
    if (qobject_cast<QLineEdit*>(input) || qobject_cast<QPlainTextEdit*>(input))
        markControl(input, row.lineField.has_value());
    return input;
}

void MainWindow::buildLinesPage(QWidget* page) {
    PageGrid grid(page, [this](const PageRow& row, QWidget* parent) { return makeInput(row, parent); });
    const PageRows rows = pageRows(4);
    // "Anfügen", "Ändern" and "Löschen" end the first line, after "USt.".
    const auto firstLine =
        static_cast<std::size_t>(std::find_if(rows.begin() + 1, rows.end(),
                                              [](const PageRow& row) { return row.place != Place::Beside; }) -
                                 rows.begin());
    grid.add(rows.first(firstLine));
    const auto button = [&](const char* name, const char* text, void (MainWindow::*clicked)()) {
        auto* push = new QPushButton(QString::fromUtf8(text), page);
        push->setObjectName(QString::fromLatin1(name));
        connect(push, &QPushButton::clicked, this, clicked);
        grid.addToLine(push);
        return push;
    };
    button("buttonAdd", "Anfügen", &MainWindow::addClicked);
    changeButton_ = button("buttonChange", "Ändern", &MainWindow::changeClicked);
    deleteButton_ = button("buttonDelete", "Löschen", &MainWindow::deleteClicked);
    grid.add(rows.subspan(firstLine));
    // The line's further details, in a dialog of their own.
    auto* details = new QPushButton(QStringLiteral("Weitere Angaben …"), page);
    details->setObjectName(QStringLiteral("buttonLineDetails"));
    connect(details, &QPushButton::clicked, this, [this] { (new LineDetailsDialog(state_, this))->open(); });
    grid.addToLine(details);
    // The line's own allowances and charges, in a dialog of their own.
    auto* allowances = new QPushButton(QStringLiteral("Nachlässe und Zuschläge …"), page);
    allowances->setObjectName(QStringLiteral("buttonLineAllowances"));
    connect(allowances, &QPushButton::clicked, this, [this] {
        connect(openLineAllowancesDialog(this, state_, dialogs_), &QDialog::accepted, this, [this] {
            showStatus("Nachlässe und Zuschläge übernommen: mit „Anfügen“ oder „Ändern“ speichern");
        });
    });
    grid.addToLine(allowances);

    lineDescription_ = page->findChild<QPlainTextEdit*>(QStringLiteral("lineDescription"));
    lineCategory_ = page->findChild<QComboBox*>(QStringLiteral("lineTaxCategory"));
    connect(lineCategory_, &QComboBox::activated, this, [this](int index) {
        chooseLineCategory(state_, index);
        showLineEditor();
        updateMarking();
    });
    lineStart_ = page->findChild<DatePicker*>(QStringLiteral("lineStartDate"));
    connect(lineStart_, &DatePicker::changed, this, [this](DateValue date) { lineDateChanged(true, date); });
    lineEnd_ = page->findChild<DatePicker*>(QStringLiteral("lineEndDate"));
    connect(lineEnd_, &DatePicker::changed, this, [this](DateValue date) { lineDateChanged(false, date); });
    for (DatePicker* picker : {lineStart_, lineEnd_})
        connect(picker, &DatePicker::refused, this,
                [this](const QString& why) { showStatus("Leistungszeitraum: " + ss(why)); });
    lineUnit_ = page->findChild<QComboBox*>(QStringLiteral("lineUnit"));
    connect(lineUnit_, &QComboBox::activated, this,
            [this](int index) { changeLineUnit(state_, ss(lineUnit_->itemData(index).toString())); });

    lineModel_ = new LineTableModel(state_, this);
    lineList_ = new QTableView(page);
    lineList_->setObjectName(QStringLiteral("lineList"));
    grid.addBelow(lineList_);
    lineList_->setModel(lineModel_);
    lineList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lineList_->setSelectionMode(QAbstractItemView::SingleSelection);
    lineList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list instead of walking its cells.
    lineList_->setTabKeyNavigation(false);
    lineList_->setWordWrap(false);
    lineList_->setShowGrid(false);
    lineList_->verticalHeader()->hide();
    // Fixed row heights: the view never measures rows it does not show.
    lineList_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    lineList_->verticalHeader()->setDefaultSectionSize(22);
    QHeaderView* header = lineList_->horizontalHeader();
    header->setMinimumSectionSize(0);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < LineTableModel::columnCountValue; ++column)
        lineList_->setColumnWidth(column, LineTableModel::columnWidth(column));
    lineList_->setColumnHidden(LineTableModel::columnCountValue - 1, true);
    lineList_->viewport()->installEventFilter(this);
    connect(lineList_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                // Moving through the list with the keyboard picks lines as
                // clicks do; clicks are taken where the mouse goes down.
                if (updatingList_ || mousePressInList_ || !lineList_->hasFocus())
                    return;
                listRowChosen(current.isValid() ? current.row() : -1);
            });
}

void MainWindow::buildFooterPage(QWidget* page) {
    footerGrid_ = std::make_unique<PageGrid>(
        page, [this](const PageRow& row, QWidget* parent) { return makeInput(row, parent); });
    footerGrid_->add(pageRows(5));
    allowanceKind_ = page->findChild<QLabel*>(QStringLiteral("allowanceKind"));
    allowanceSplit_ = page->findChild<QLabel*>(QStringLiteral("allowanceSplit"));
    currencyLabels_[0] = page->findChild<QLabel*>(QStringLiteral("label81"));
    currencyLabels_[1] = page->findChild<QLabel*>(QStringLiteral("label82"));
    taxCurrencyLabel_ = page->findChild<QLabel*>(QStringLiteral("labelTaxCurrency"));
    // The first three "davon USt.-Satz" rows below "Netto Betrag"; more are made when needed.
    footerRowsAt_ = footerGrid_->gridRow(field(FieldId::NetTotal)) + 1;
    for (int row = 0; row < 3; ++row)
        addFooterRow(row);
}

// Row `index` of the VAT groups on "Belegfuss": rate, "% aus", taxable
// amount, tax amount and the category where it is not "S". The first three
// rows are the fields 150/147/148, 155/152/153 and 156/151/154.
void MainWindow::addFooterRow(int index) {
    struct FixedRow {
        int rateLabel, amountLabel;
        FieldId rate, taxable, tax;
    };
    const FixedRow fixed[] = {
        {68, 70, FieldId::Row1Rate, FieldId::Row1Taxable, FieldId::Row1Tax},
        {73, 75, FieldId::Row2Rate, FieldId::Row2Taxable, FieldId::Row2Tax},
        {77, 78, FieldId::Row3Rate, FieldId::Row3Taxable, FieldId::Row3Tax},
    };
    const LaidRows laid = footerGrid_->insert(footerRowsAt_ + index, vatRowColumns());
    const QString number = QString::number(index + 1);
    FooterRowWidgets row{};
    for (std::size_t column = 0; column < 4; ++column) {
        auto* edit = static_cast<QLineEdit*>(laid.inputs[column]);
        edit->setObjectName(edit->objectName() + number);
        laid.labels[column]->setObjectName(laid.labels[column]->objectName() + number);
        row.widgets[2 * column] = laid.labels[column];
        if (column < 3) {
            row.widgets[2 * column + 1] = edit;
            row.fields[column] = edit;
        }
    }
    row.category = static_cast<QLineEdit*>(laid.inputs[3]);
    row.category->setAlignment(Qt::AlignLeft);
    if (index < 3) {
        const FixedRow& f = fixed[index];
        laid.labels[0]->setObjectName(QStringLiteral("label%1").arg(f.rateLabel));
        laid.labels[1]->setObjectName(QStringLiteral("label%1").arg(f.amountLabel));
        const FieldId ids[] = {f.rate, f.taxable, f.tax};
        for (int column = 0; column < 3; ++column) {
            row.fields[column]->setObjectName(fieldName(ids[column]));
            fields_.insert(static_cast<int>(ids[column]), row.fields[column]);
        }
    }
    footerRows_.push_back(row);
}

// What the controls show right after start-up is what the document holds.
void MainWindow::showStartValues() {
    static_cast<DatePicker*>(field(FieldId::IssueDate))->setValue(dateOf(state_.doc.issueDate));
    takeProposedPaymentTerms();
    showFooter();
    showLineList();
    showLineEditor();
    updateMarking();
}

// A new document takes the first entry that "Zahlungsbedingung" proposes, as
// if it had been typed, without counting as a change.
void MainWindow::takeProposedPaymentTerms() {
    auto* terms = static_cast<QComboBox*>(field(FieldId::PaymentTerms));
    if (!state_.doc.paymentTerms.empty() || terms->count() == 0)
        return;
    terms->setEditText(terms->itemText(0));
    const bool modified = state_.modified;
    leaveTextField(state_, FieldId::PaymentTerms, ss(terms->currentText()));
    state_.modified = modified;
}

} // namespace tallomir::app
