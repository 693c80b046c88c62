#include "main_window.h"

#include "code_combo.h"
#include "date_picker.h"
#include "field_tooltips.h"
#include "line_table_model.h"
#include "main_window_helpers.h"
#include "marking.h"

#include "invoice/document_check.h"
#include "invoice/fields.h"
#include "invoice/input_rules.h"
#include "invoice/model.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

// Building the window: its menu, the controls of the six pages and what they
// show right after start-up.

namespace tallomir::app {

namespace {

// Labels of the left column reach up to their input at x 150, so that the
// longest captions ("Leistungszeitraum", "Gesellschaftsform") fit whole.
constexpr int gridLabelLeft = 15;
constexpr int gridLabelWidth = 135;

QString fieldName(FieldId id) {
    return QStringLiteral("field%1").arg(static_cast<int>(id));
}

QStringList entryTexts(const std::vector<CodeEntry>& list, std::size_t limit) {
    QStringList texts;
    for (std::size_t i = 0; i < list.size() && i < limit; ++i)
        texts << qs(list[i].text);
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
    QAction* validate = fileMenu->addAction(QStringLiteral("&Validieren"));
    validate->setObjectName(QStringLiteral("actionValidate"));
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
    connect(validate, &QAction::triggered, this, &MainWindow::validateCommand);
    connect(showView, &QAction::triggered, this, &MainWindow::showViewCommand);
    connect(print, &QAction::triggered, this, &MainWindow::printCommand);
    connect(pdf, &QAction::triggered, this, &MainWindow::pdfCommand);
    connect(info, &QAction::triggered, this, &MainWindow::infoCommand);
}

// ---------------------------------------------------------------- controls

QLabel* MainWindow::addLabel(QWidget* page, int id, const QString& text, const QRect& rect) {
    return addNamedLabel(page, QStringLiteral("label%1").arg(id), text, rect);
}

QLabel* MainWindow::addNamedLabel(QWidget* page, const QString& name, const QString& text,
                                  const QRect& rect) {
    auto* label = new QLabel(text, page);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(rect);
    return label;
}

QLineEdit* MainWindow::addTextField(QWidget* page, FieldId id, const QRect& rect, bool marked) {
    auto* edit = new QLineEdit(page);
    edit->setObjectName(fieldName(id));
    edit->setGeometry(rect);
    markControl(edit, marked);
    edit->installEventFilter(this);
    fields_.insert(static_cast<int>(id), edit);
    textFields_.insert(edit, id);
    return edit;
}

QLineEdit* MainWindow::addReadOnlyField(QWidget* page, FieldId id, const QRect& rect) {
    auto* edit = new QLineEdit(page);
    edit->setObjectName(fieldName(id));
    edit->setGeometry(rect);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::ClickFocus); // no stop for Tab; a click still selects to copy
    edit->setAlignment(Qt::AlignRight);
    markControl(edit, false);
    fields_.insert(static_cast<int>(id), edit);
    return edit;
}

QComboBox* MainWindow::addListCombo(QWidget* page, FieldId id, const QRect& rect,
                                    const QStringList& entries) {
    auto* combo = new QComboBox(page);
    combo->setObjectName(fieldName(id));
    combo->setGeometry(rect);
    combo->addItems(entries);
    if (!entries.isEmpty())
        combo->setCurrentIndex(0);
    fields_.insert(static_cast<int>(id), combo);
    // Only a choice of the user counts; the program's own settings do not.
    connect(combo, &QComboBox::activated, this, [this, id, combo](int index) {
        entrySelected(id, index);
        forgetUnknownCode(combo);
    });
    return combo;
}

DatePicker* MainWindow::addDatePicker(QWidget* page, FieldId id, const QRect& rect, bool marked) {
    auto* picker = new DatePicker(page);
    picker->setObjectName(fieldName(id));
    picker->setGeometry(rect);
    picker->setMarking(marked ? Marking::Required : Marking::None);
    fields_.insert(static_cast<int>(id), picker);
    connect(picker, &DatePicker::changed, this, [this, id](DateValue date) { dateChanged(id, date); });
    connect(picker, &DatePicker::refused, this,
            [this, id](const QString& why) { showStatus(fieldLabel(id, false) + ": " + ss(why)); });
    return picker;
}

QLineEdit* MainWindow::addLineField(QWidget* page, const QString& name, LineField lineField,
                                    const QRect& rect) {
    auto* edit = new QLineEdit(page);
    edit->setObjectName(name);
    edit->setGeometry(rect);
    markControl(edit, true);
    edit->installEventFilter(this);
    lineFields_.insert(edit, lineField);
    return edit;
}

void MainWindow::addGridRow(QWidget* page, int labelId, const QString& label, FieldId id, int y,
                            bool marked) {
    QLabel* caption = addLabel(page, labelId, label, QRect(gridLabelLeft, y + 3, gridLabelWidth, 25));
    caption->setBuddy(addTextField(page, id, QRect(150, y, 300, 25), marked));
}

// ---------------------------------------------------------------- pages

// A party's electronic address below its e-mail: the address and, beside
// it, its scheme.
void MainWindow::addElectronicAddressRow(QWidget* page, FieldId address, FieldId scheme, int y) {
    addNamedLabel(page, QStringLiteral("labelForField%1").arg(static_cast<int>(address)),
                  QStringLiteral("Elektron. Adresse"), QRect(gridLabelLeft, y + 3, gridLabelWidth, 25))
        ->setBuddy(addTextField(page, address, QRect(150, y, 190, 25), false));
    addListCombo(page, scheme, QRect(345, y, 105, 25),
                 entryTexts(state_.lists.endpointSchemes, state_.lists.endpointSchemes.size()));
}

void MainWindow::buildHeaderPage(QWidget* page) {
    const CodeLists& lists = state_.lists;

    // The combo is widened into the free space up to "Währung*".
    QLabel* label =
        addLabel(page, 10, QStringLiteral("XBelegart*"), QRect(gridLabelLeft, 53, gridLabelWidth, 25));
    label->setBuddy(addListCombo(page, FieldId::DocumentType, QRect(150, 50, 170, 25),
                                 entryTexts(lists.documentTypes, lists.documentTypes.size())));

    QStringList currencies;
    for (const std::string& currency : lists.currencies)
        currencies << qs(currency);
    // Label and combo widened into the free space on their right.
    label = addLabel(page, 11, QStringLiteral("Währung*"), QRect(330, 53, 70, 25));
    label->setBuddy(addListCombo(page, FieldId::Currency, QRect(400, 50, 70, 25), currencies));

    label = addLabel(page, 59, QStringLiteral("Zahlungsbedingung"), QRect(500, 53, 120, 25));
    auto* terms = new QComboBox(page);
    terms->setObjectName(fieldName(FieldId::PaymentTerms));
    terms->setGeometry(500, 80, 380, 25);
    terms->setEditable(true);
    terms->setInsertPolicy(QComboBox::NoInsert);
    terms->setCompleter(nullptr); // what is typed stays as typed
    for (std::size_t i = 0; i < lists.paymentTermsTexts.size() && i < 3; ++i)
        terms->addItem(qs(lists.paymentTermsTexts[i]));
    if (terms->count() > 0)
        terms->setCurrentIndex(0);
    terms->installEventFilter(this);
    fields_.insert(static_cast<int>(FieldId::PaymentTerms), terms);
    textFields_.insert(terms, FieldId::PaymentTerms);
    connect(terms, &QComboBox::activated, this, [this, terms](int) { textFieldLeft(terms); });
    label->setBuddy(terms);

    // The category names are long: the list takes the column's full width
    // below its label.
    label = addLabel(page, 66, QStringLiteral("Steuerkennung"), QRect(500, 113, 120, 25));
    label->setBuddy(addListCombo(page, FieldId::TaxCategory, QRect(500, 140, 380, 25),
                                 entryTexts(lists.taxCategories, lists.taxCategories.size())));

    // The invoice a credit note or corrected invoice refers to, below "Steuerkennung".
    addNamedLabel(page, QStringLiteral("labelForField176"), QStringLiteral("Bezug auf Rechnung"),
                  QRect(500, 173, 130, 25))
        ->setBuddy(addTextField(page, FieldId::PrecedingInvoiceNumber, QRect(630, 170, 250, 25), false));
    addNamedLabel(page, QStringLiteral("labelForField177"), QStringLiteral("vom"), QRect(500, 203, 130, 25))
        ->setBuddy(addDatePicker(page, FieldId::PrecedingInvoiceDate, QRect(630, 200, 140, 25), false));

    // The version of XRechnung the file is written in.
    addNamedLabel(page, QStringLiteral("labelForField171"), QStringLiteral("Format"),
                  QRect(500, 233, 100, 25))
        ->setBuddy(addListCombo(
            page, FieldId::DocumentFormat, QRect(630, 230, 250, 25),
            {qs(versionName(XRechnungVersion::V2_1_1)), qs(versionName(XRechnungVersion::V3_0))}));

    addGridRow(page, 12, QStringLiteral("Leit ID*"), FieldId::BuyerReference, 80, true);
    addGridRow(page, 13, QStringLiteral("Belegnummer*"), FieldId::DocumentNumber, 110, true);

    label = addLabel(page, 14, QStringLiteral("Belegdatum*"), QRect(gridLabelLeft, 143, gridLabelWidth, 25));
    label->setBuddy(addDatePicker(page, FieldId::IssueDate, QRect(150, 140, 140, 25), true));
    label = addLabel(page, 15, QStringLiteral("Fälligkeit"), QRect(gridLabelLeft, 173, gridLabelWidth, 25));
    label->setBuddy(addDatePicker(page, FieldId::DueDate, QRect(150, 170, 140, 25), true));
    label = addLabel(page, 16, QStringLiteral("Lieferdatum*"), QRect(gridLabelLeft, 203, gridLabelWidth, 25));
    label->setBuddy(addDatePicker(page, FieldId::DeliveryDate, QRect(150, 200, 140, 25), true));
    label = addLabel(page, 17, QStringLiteral("Leistungszeitraum"),
                     QRect(gridLabelLeft, 233, gridLabelWidth, 25));
    label->setBuddy(addDatePicker(page, FieldId::PeriodStart, QRect(150, 230, 140, 25), false));
    addDatePicker(page, FieldId::PeriodEnd, QRect(305, 230, 140, 25), false);

    addGridRow(page, 18, QStringLiteral("Bestellnummer"), FieldId::OrderNumber, 260, false);
    addGridRow(page, 19, QStringLiteral("Kundenauftrag"), FieldId::SalesOrderNumber, 290, false);
    addGridRow(page, 20, QStringLiteral("Vertragsnummer"), FieldId::ContractNumber, 320, false);
    addGridRow(page, 21, QStringLiteral("Projektnummer"), FieldId::ProjectNumber, 350, false);

    label = addLabel(page, 22, QStringLiteral("Notiz"), QRect(gridLabelLeft, 383, gridLabelWidth, 25));
    auto* note = new QPlainTextEdit(page);
    note->setObjectName(fieldName(FieldId::Note));
    note->setGeometry(150, 380, 600, 200);
    note->setTabChangesFocus(true);
    markControl(note, false);
    note->installEventFilter(this);
    fields_.insert(static_cast<int>(FieldId::Note), note);
    textFields_.insert(note, FieldId::Note);
    label->setBuddy(note);
}

void MainWindow::buildSupplierPage(QWidget* page) {
    addGridRow(page, 23, QStringLiteral("Lieferanten Nr.*"), FieldId::SupplierPartyId, 50, true);
    addGridRow(page, 24, QStringLiteral("Lieferant"), FieldId::SupplierName, 80, false);
    addGridRow(page, 25, QStringLiteral("Straße"), FieldId::SupplierStreet, 110, false);
    addGridRow(page, 27, QStringLiteral("PLZ*"), FieldId::SupplierPostalCode, 140, true);
    addGridRow(page, 26, QStringLiteral("Ort*"), FieldId::SupplierCity, 170, true);
    addGridRow(page, 28, QStringLiteral("Land* (kurz)"), FieldId::SupplierCountryCode, 200, true);
    addGridRow(page, 29, QStringLiteral("UStID*"), FieldId::SupplierVatId, 230, true);
    addNamedLabel(page, QStringLiteral("labelForField170"), QStringLiteral("Steuernummer"),
                  QRect(gridLabelLeft, 263, gridLabelWidth, 25))
        ->setBuddy(addTextField(page, FieldId::SupplierTaxNumber, QRect(150, 260, 300, 25), false));
    addGridRow(page, 31, QStringLiteral("Firmenname* (lt. Register)"), FieldId::SupplierRegistrationName, 290,
               true);
    addGridRow(page, 32, QStringLiteral("HR Nummer"), FieldId::SupplierRegistrationId, 320, false);
    addGridRow(page, 33, QStringLiteral("Gesellschaftsform"), FieldId::SupplierLegalForm, 350, false);
    addGridRow(page, 34, QStringLiteral("Ansprechpartner*"), FieldId::SupplierContactName, 380, true);
    addGridRow(page, 35, QStringLiteral("Telefon*"), FieldId::SupplierPhone, 410, true);
    addGridRow(page, 36, QStringLiteral("Email*"), FieldId::SupplierEmail, 440, true);
    addElectronicAddressRow(page, FieldId::SupplierEndpoint, FieldId::SupplierEndpointScheme, 470);

    // The labels reach up to their fields at x 580.
    QLabel* label = addLabel(page, 55, QStringLiteral("Zahlungsart"), QRect(500, 53, 80, 25));
    label->setBuddy(addListCombo(page, FieldId::PaymentMeans, QRect(580, 50, 300, 25),
                                 entryTexts(state_.lists.paymentMeans, state_.lists.paymentMeans.size())));
    label = addLabel(page, 56, QStringLiteral("Bankname"), QRect(500, 83, 80, 25));
    label->setBuddy(addTextField(page, FieldId::BankName, QRect(580, 80, 300, 25), false));
    label = addLabel(page, 57, QStringLiteral("IBAN*"), QRect(500, 113, 80, 25));
    label->setBuddy(addTextField(page, FieldId::Iban, QRect(580, 110, 160, 25), true));
    label = addLabel(page, 58, QStringLiteral("BIC"), QRect(745, 113, 25, 25));
    label->setBuddy(addTextField(page, FieldId::Bic, QRect(780, 110, 100, 25), false));

    // Direct debit and payment card; they take input when the payment means asks for them.
    const std::tuple<FieldId, const char*, int> payment[] = {
        {FieldId::MandateReference, "Mandatsreferenz", 140}, {FieldId::CreditorId, "Gläubiger-ID", 170},
        {FieldId::DebitedIban, "IBAN des Zahlers", 200},     {FieldId::CardNumber, "Kartennummer", 240},
        {FieldId::CardHolder, "Karteninhaber", 270},
    };
    for (const auto& [id, text, y] : payment)
        addNamedLabel(page, QStringLiteral("labelForField%1").arg(static_cast<int>(id)),
                      QString::fromUtf8(text), QRect(500, y + 3, 110, 25))
            ->setBuddy(addTextField(page, id, QRect(610, y, 270, 25), false));
}

void MainWindow::buildCustomerPage(QWidget* page) {
    addGridRow(page, 37, QStringLiteral("Kunden Nr.*"), FieldId::CustomerPartyId, 50, true);
    addGridRow(page, 38, QStringLiteral("Kunde"), FieldId::CustomerName, 80, false);
    addGridRow(page, 39, QStringLiteral("Straße"), FieldId::CustomerStreet, 110, false);
    addGridRow(page, 41, QStringLiteral("PLZ*"), FieldId::CustomerPostalCode, 140, true);
    addGridRow(page, 40, QStringLiteral("Ort*"), FieldId::CustomerCity, 170, true);
    addGridRow(page, 42, QStringLiteral("Land* (kurz)"), FieldId::CustomerCountryCode, 200, true);
    addGridRow(page, 43, QStringLiteral("UStID"), FieldId::CustomerVatId, 230, false);
    addGridRow(page, 45, QStringLiteral("Firmenname* (lt. Register)"), FieldId::CustomerRegistrationName, 290,
               true);
    addGridRow(page, 46, QStringLiteral("HR Nummer"), FieldId::CustomerRegistrationId, 320, false);
    addGridRow(page, 47, QStringLiteral("Ansprechpartner"), FieldId::CustomerContactName, 350, false);
    addGridRow(page, 48, QStringLiteral("Telefon"), FieldId::CustomerPhone, 380, false);
    addGridRow(page, 49, QStringLiteral("Email"), FieldId::CustomerEmail, 410, false);
    addElectronicAddressRow(page, FieldId::CustomerEndpoint, FieldId::CustomerEndpointScheme, 440);
}

void MainWindow::buildDeliveryPage(QWidget* page) {
    addGridRow(page, 50, QStringLiteral("Kunde"), FieldId::DeliveryName, 80, false);
    addGridRow(page, 51, QStringLiteral("Straße"), FieldId::DeliveryStreet, 110, false);
    addGridRow(page, 53, QStringLiteral("PLZ"), FieldId::DeliveryPostalCode, 140, false);
    addGridRow(page, 52, QStringLiteral("Ort"), FieldId::DeliveryCity, 170, false);
    addGridRow(page, 54, QStringLiteral("Land (kurz)"), FieldId::DeliveryCountryCode, 200, false);
}

void MainWindow::buildLinesPage(QWidget* page) {
    QLabel* position = addNamedLabel(page, QStringLiteral("labelLinePosition"), QStringLiteral("Pos."),
                                     QRect(25, 50, 45, 25));
    QLabel* quantity = addNamedLabel(page, QStringLiteral("labelLineQuantity"), QStringLiteral("Anz."),
                                     QRect(80, 50, 45, 25));
    QLabel* number = addNamedLabel(page, QStringLiteral("labelLineItemNumber"), QStringLiteral("Artikel-Nr."),
                                   QRect(130, 50, 95, 25));
    QLabel* name = addNamedLabel(page, QStringLiteral("labelLineItemName"),
                                 QStringLiteral("Artikel-Bezeichnung"), QRect(230, 50, 245, 25));
    QLabel* price = addNamedLabel(page, QStringLiteral("labelLineUnitPrice"), QStringLiteral("Preis"),
                                  QRect(480, 50, 95, 25));
    QLabel* vat = addNamedLabel(page, QStringLiteral("labelLineVatPercent"), QStringLiteral("USt."),
                                QRect(580, 50, 45, 25));

    position->setBuddy(
        addLineField(page, QStringLiteral("linePosition"), LineField::Position, QRect(25, 70, 45, 25)));
    quantity->setBuddy(
        addLineField(page, QStringLiteral("lineQuantity"), LineField::Quantity, QRect(75, 70, 45, 25)));
    number->setBuddy(
        addLineField(page, QStringLiteral("lineItemNumber"), LineField::ItemNumber, QRect(125, 70, 95, 25)));
    name->setBuddy(
        addLineField(page, QStringLiteral("lineItemName"), LineField::ItemName, QRect(225, 70, 245, 25)));
    price->setBuddy(
        addLineField(page, QStringLiteral("lineUnitPrice"), LineField::UnitPrice, QRect(475, 70, 95, 25)));
    vat->setBuddy(
        addLineField(page, QStringLiteral("lineVatPercent"), LineField::VatPercent, QRect(575, 70, 45, 25)));

    QLabel* description = addNamedLabel(page, QStringLiteral("labelLineDescription"),
                                        QStringLiteral("Artikelbeschreibung"), QRect(25, 100, 150, 20));
    QLabel* period =
        addNamedLabel(page, QStringLiteral("labelLinePeriod"),
                      QStringLiteral("Leistungszeitraum  von               bis"), QRect(410, 100, 250, 25));

    lineDescription_ = new QPlainTextEdit(page);
    lineDescription_->setObjectName(QStringLiteral("lineDescription"));
    lineDescription_->setGeometry(25, 120, 375, 75);
    lineDescription_->setTabChangesFocus(true);
    markControl(lineDescription_, false);
    lineDescription_->installEventFilter(this);
    lineFields_.insert(lineDescription_, LineField::Description);
    description->setBuddy(lineDescription_);

    QLabel* category = addNamedLabel(page, QStringLiteral("labelLineTaxCategory"),
                                     QStringLiteral("Steuerkennung"), QRect(410, 153, 100, 25));
    lineCategory_ = new QComboBox(page);
    lineCategory_->setObjectName(QStringLiteral("lineTaxCategory"));
    lineCategory_->setGeometry(510, 150, 370, 25);
    lineCategory_->addItems(entryTexts(state_.lists.taxCategories, state_.lists.taxCategories.size()));
    connect(lineCategory_, &QComboBox::activated, this, [this](int index) {
        chooseLineCategory(state_, index);
        showLineEditor();
        updateMarking();
    });
    category->setBuddy(lineCategory_);

    lineStart_ = new DatePicker(page);
    lineStart_->setObjectName(QStringLiteral("lineStartDate"));
    lineStart_->setGeometry(410, 120, 140, 25);
    connect(lineStart_, &DatePicker::changed, this, [this](DateValue date) { lineDateChanged(true, date); });
    period->setBuddy(lineStart_);
    lineEnd_ = new DatePicker(page);
    lineEnd_->setObjectName(QStringLiteral("lineEndDate"));
    lineEnd_->setGeometry(570, 120, 140, 25);
    connect(lineEnd_, &DatePicker::changed, this, [this](DateValue date) { lineDateChanged(false, date); });
    for (DatePicker* picker : {lineStart_, lineEnd_})
        connect(picker, &DatePicker::refused, this,
                [this](const QString& why) { showStatus("Leistungszeitraum: " + ss(why)); });

    QLabel* unit = addNamedLabel(page, QStringLiteral("labelLineUnit"), QStringLiteral("Einheit"),
                                 QRect(720, 100, 160, 20));
    lineUnit_ = new QComboBox(page);
    lineUnit_->setObjectName(QStringLiteral("lineUnit"));
    lineUnit_->setGeometry(720, 120, 160, 25);
    connect(lineUnit_, &QComboBox::activated, this,
            [this](int index) { changeLineUnit(state_, ss(lineUnit_->itemData(index).toString())); });
    unit->setBuddy(lineUnit_);

    auto* add = new QPushButton(QStringLiteral("Anfügen"), page);
    add->setObjectName(QStringLiteral("buttonAdd"));
    add->setGeometry(630, 68, 80, 30);
    connect(add, &QPushButton::clicked, this, &MainWindow::addClicked);
    changeButton_ = new QPushButton(QStringLiteral("Ändern"), page);
    changeButton_->setObjectName(QStringLiteral("buttonChange"));
    changeButton_->setGeometry(720, 68, 80, 30);
    connect(changeButton_, &QPushButton::clicked, this, &MainWindow::changeClicked);
    deleteButton_ = new QPushButton(QStringLiteral("Löschen"), page);
    deleteButton_->setObjectName(QStringLiteral("buttonDelete"));
    deleteButton_->setGeometry(810, 68, 80, 30);
    connect(deleteButton_, &QPushButton::clicked, this, &MainWindow::deleteClicked);

    lineModel_ = new LineTableModel(state_, this);
    lineList_ = new QTableView(page);
    lineList_->setObjectName(QStringLiteral("lineList"));
    lineList_->setGeometry(25, 200, 855, 360);
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
    addNamedLabel(page, QStringLiteral("labelForField157"), QStringLiteral("Summe aller Positionen"),
                  QRect(220, 50, 150, 25))
        ->setBuddy(addReadOnlyField(page, FieldId::LinesTotal, QRect(370, 50, 120, 25)));

    QLabel* reason = addLabel(page, 60, QStringLiteral("Nachlass / Zuschlag"), QRect(30, 80, 330, 25));
    QLabel* value = addLabel(page, 62, QStringLiteral("Wert"), QRect(370, 80, 80, 25));
    QLabel* percent = addLabel(page, 61, QStringLiteral("Prozent"), QRect(500, 80, 50, 25));
    QLabel* rate = addLabel(page, 64, QStringLiteral("USt. %"), QRect(560, 80, 65, 25));
    reason->setBuddy(addTextField(page, FieldId::AllowanceReason, QRect(30, 100, 330, 25), false));
    value->setBuddy(addTextField(page, FieldId::AllowanceValue, QRect(370, 100, 120, 25), false));
    percent->setBuddy(addTextField(page, FieldId::AllowancePercent, QRect(500, 100, 50, 25), false));
    // The rate combo is wider than its label, to show "19.00%" whole.
    QStringList rates;
    for (const Decimal& slotRate : state_.lists.vatRates)
        rates << qs(formatGerman(slotRate, 2, 2) + " %");
    rate->setBuddy(addListCombo(page, FieldId::AllowanceSlot, QRect(560, 100, 80, 25), rates));
    // What the entry gives; the sign of "Wert" or "Prozent" decides.
    allowanceKind_ = addNamedLabel(page, QStringLiteral("allowanceKind"), QString(), QRect(650, 103, 90, 25));
    // A percentage over lines of several groups: its part in each.
    allowanceSplit_ =
        addNamedLabel(page, QStringLiteral("allowanceSplit"), QString(), QRect(30, 124, 240, 32));
    allowanceSplit_->setWordWrap(true);

    addNamedLabel(page, QStringLiteral("labelForField158"), QStringLiteral("Netto Betrag"),
                  QRect(275, 140, 150, 25))
        ->setBuddy(addReadOnlyField(page, FieldId::NetTotal, QRect(370, 140, 120, 25)));

    // The first three "davon USt.-Satz" rows; more are made when needed.
    footerPage_ = page;
    for (int row = 0; row < 3; ++row)
        addFooterRow(row);

    // Below the rows.
    QLabel* taxTotal = addLabel(page, 65, QStringLiteral("USt. gesamt"), QRect(275, 293, 100, 25));
    taxTotal->setBuddy(addReadOnlyField(page, FieldId::TaxTotal, QRect(370, 290, 120, 25)));
    QLabel* gross = addLabel(page, 79, QStringLiteral("Brutto-Betrag"), QRect(270, 323, 150, 25));
    gross->setBuddy(addReadOnlyField(page, FieldId::GrossTotal, QRect(370, 320, 120, 25)));
    currencyLabels_[0] = addLabel(page, 81, qs(state_.documentCurrency), QRect(495, 324, 35, 25));
    QLabel* payable = addLabel(page, 80, QStringLiteral("Zahlbetrag"), QRect(285, 353, 150, 25));
    payable->setBuddy(addReadOnlyField(page, FieldId::PayableTotal, QRect(370, 350, 120, 25)));
    currencyLabels_[1] = addLabel(page, 82, qs(state_.documentCurrency), QRect(495, 354, 35, 25));
    for (QWidget* widget : std::initializer_list<QWidget*>{
             taxTotal, field(FieldId::TaxTotal), gross, field(FieldId::GrossTotal), currencyLabels_[0],
             payable, field(FieldId::PayableTotal), currencyLabels_[1]})
        belowFooterRows_.emplace_back(widget, widget->y());

    // What only a loaded file has: the further allowances and charges beneath
    // the editable one, the other amounts beside the totals.
    auto* further = new QPlainTextEdit(page);
    further->setObjectName(fieldName(FieldId::FurtherAllowances));
    further->setGeometry(600, 160, 280, 110);
    further->setReadOnly(true);
    further->setFocusPolicy(Qt::ClickFocus);
    further->setTabChangesFocus(true);
    markControl(further, false);
    fields_.insert(static_cast<int>(FieldId::FurtherAllowances), further);
    addNamedLabel(page, QStringLiteral("labelForField181"), qs(fieldLabel(FieldId::FurtherAllowances, false)),
                  QRect(600, 140, 280, 20))
        ->setBuddy(further);
    const std::pair<FieldId, int> loadedTotals[] = {
        {FieldId::TaxCurrencyTotal, 290}, {FieldId::PrepaidTotal, 320}, {FieldId::RoundingAmount, 350}};
    for (const auto& [id, y] : loadedTotals) {
        QLabel* label = addNamedLabel(page, QStringLiteral("labelForField%1").arg(static_cast<int>(id)),
                                      qs(fieldLabel(id, false)), QRect(525, y + 3, 145, 25));
        label->setBuddy(addReadOnlyField(page, id, QRect(670, y, 120, 25)));
        belowFooterRows_.emplace_back(label, label->y());
        belowFooterRows_.emplace_back(field(id), y);
    }
    taxCurrencyLabel_ =
        addNamedLabel(page, QStringLiteral("labelTaxCurrency"), QString(), QRect(795, 294, 35, 25));
    belowFooterRows_.emplace_back(taxCurrencyLabel_, taxCurrencyLabel_->y());
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
    QWidget* page = footerPage_;
    const int y = 190 + 30 * index;
    const QString number = QString::number(index + 1);
    const auto readOnly = [&](std::optional<FieldId> id, const QString& name, const QRect& rect) {
        QLineEdit* edit = id ? addReadOnlyField(page, *id, rect) : new QLineEdit(page);
        if (!id) {
            edit->setObjectName(name);
            edit->setGeometry(rect);
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::ClickFocus);
            edit->setAlignment(Qt::AlignRight);
            markControl(edit, false);
        }
        return edit;
    };
    const bool isFixed = index < 3;
    const FixedRow* f = isFixed ? &fixed[index] : nullptr;
    QLabel* rateLabel =
        isFixed ? addLabel(page, f->rateLabel, QStringLiteral("davon USt.-Satz"), QRect(30, y + 3, 100, 25))
                : addNamedLabel(page, "labelFooterRowRate" + number, QStringLiteral("davon USt.-Satz"),
                                QRect(30, y + 3, 100, 25));
    // Wide enough for a rate of 100 % and amounts of -11.899.999,98.
    QLineEdit* rate = readOnly(isFixed ? std::optional(f->rate) : std::nullopt, "footerRowRate" + number,
                               QRect(120, y, 55, 25));
    rateLabel->setBuddy(rate);
    QLabel* amountLabel =
        isFixed ? addLabel(page, f->amountLabel, QStringLiteral("% aus"), QRect(180, y + 4, 40, 25))
                : addNamedLabel(page, "labelFooterRowAmount" + number, QStringLiteral("% aus"),
                                QRect(180, y + 4, 40, 25));
    QLineEdit* taxable = readOnly(isFixed ? std::optional(f->taxable) : std::nullopt,
                                  "footerRowTaxable" + number, QRect(220, y, 120, 25));
    amountLabel->setBuddy(taxable);
    QLabel* taxLabel =
        addNamedLabel(page, "labelFooterRowTax" + number, QStringLiteral("USt."), QRect(344, y + 4, 26, 25));
    QLineEdit* tax = readOnly(isFixed ? std::optional(f->tax) : std::nullopt, "footerRowTax" + number,
                              QRect(370, y, 120, 25));
    taxLabel->setBuddy(tax);
    QLabel* categoryLabel = addNamedLabel(page, "labelFooterRowCategory" + number,
                                          QStringLiteral("Kategorie"), QRect(495, y + 4, 60, 25));
    QLineEdit* category = readOnly(std::nullopt, "footerRowCategory" + number, QRect(555, y, 35, 25));
    category->setAlignment(Qt::AlignLeft);
    categoryLabel->setBuddy(category);
    QWidget* widgets[] = {rateLabel, rate, amountLabel, taxable, taxLabel, tax, categoryLabel};
    for (QWidget* widget : widgets)
        widget->show();
    category->show();
    footerRows_.push_back({{rateLabel, rate, amountLabel, taxable, taxLabel, tax, categoryLabel},
                           {rate, taxable, tax},
                           category});
    setFieldTooltips(page);
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
