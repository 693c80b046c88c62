#include "main_window.h"

#include "date_picker.h"
#include "dialogs.h"
#include "form_layout.h"
#include "line_table_model.h"
#include "marking.h"
#include "program_texts.h"
#include "validator_run.h"

#include "invoice/amounts.h"
#include "invoice/dates.h"
#include "invoice/fields.h"
#include "invoice/input_rules.h"
#include "invoice/line_list.h"
#include "invoice/model.h"
#include "ubl/reader.h"
#include "ubl/writer.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>

#include <algorithm>

namespace tallomir::app {

namespace {

const QString fileFilter = QStringLiteral("XML Dateien (*.xml);;Alle Dateien (*.*)");

// Labels of the left column reach up to their input at x 150, so that the
// longest captions ("Leistungszeitraum", "Gesellschaftsform") fit whole.
constexpr int gridLabelWidth = 120;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}
std::string ss(const QString& text) {
    return text.toStdString();
}

QString fieldName(FieldId id) {
    return QStringLiteral("field%1").arg(static_cast<int>(id));
}

QStringList entryTexts(const std::vector<CodeEntry>& list, std::size_t limit) {
    QStringList texts;
    for (std::size_t i = 0; i < list.size() && i < limit; ++i)
        texts << qs(list[i].text);
    return texts;
}

// Selects the entry whose code matches; the last matching slot wins, and
// without a match the selection stays as it is.
void selectByCode(QComboBox* combo, const std::vector<CodeEntry>& list, std::size_t limit,
                  const std::string& code) {
    int found = -1;
    for (std::size_t i = 0; i < list.size() && i < limit && static_cast<int>(i) < combo->count(); ++i)
        if (list[i].code == code)
            found = static_cast<int>(i);
    if (found >= 0)
        combo->setCurrentIndex(found);
}

DateValue dateOf(const std::string& isoText) {
    return isoText.empty() ? noDate : parseIsoDate(isoText);
}

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

MainWindow::MainWindow(DocumentState& state, Dialogs& dialogs, const QString& startDirectory, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      state_(state), dialogs_(dialogs), startDirectory_(startDirectory) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(qs(tallomir::windowTitle()));
    move(200, 150);
    resize(1000, 700);

    buildMenu();

    statusField_ = new QLabel(this);
    statusField_->setObjectName(QStringLiteral("statusField"));
    statusField_->setMinimumWidth(100);
    statusBar()->addWidget(statusField_, 1);

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    setCentralWidget(central);

    tabs_ = new QTabWidget(central);
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->setGeometry(50, 10, 900, 630);
    QPalette tabPalette = tabs_->palette();
    tabPalette.setColor(QPalette::Window, markColor);
    tabs_->setPalette(tabPalette);
    tabs_->setAutoFillBackground(true);

    const char* titles[] = {"Belegkopf", "Lieferant", "Kunde", "Lieferung", "Positionen", "Belegfuss"};
    for (int index = 0; index < 6; ++index) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("page%1").arg(index));
        page->setAutoFillBackground(true);
        tabs_->addTab(page, QString::fromUtf8(titles[index]));
        switch (index) {
        case 0:
            buildHeaderPage(page);
            break;
        case 1:
            buildSupplierPage(page);
            break;
        case 2:
            buildCustomerPage(page);
            break;
        case 3:
            buildDeliveryPage(page);
            break;
        case 4:
            buildLinesPage(page);
            break;
        default:
            buildFooterPage(page);
            break;
        }
    }
    // Laid out for the fonts of the platform: texts whole, Tab in reading order.
    QWidget* previous = tabs_->tabBar();
    for (int index = 0; index < tabs_->count(); ++index) {
        fitTextsToRoom(tabs_->widget(index));
        previous = chainTabsByPlace(previous, tabs_->widget(index));
    }
    tabs_->setCurrentIndex(0);
    showStartValues();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenu() {
    // "&" marks the letter that opens a menu or picks an item with Alt.
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&XML Datei"));
    fileMenu->setObjectName(QStringLiteral("menuFile"));
    QAction* load = fileMenu->addAction(QStringLiteral("&Laden"));
    load->setObjectName(QStringLiteral("actionLoad"));
    load->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    QAction* save = fileMenu->addAction(QStringLiteral("&Speichern"));
    save->setObjectName(QStringLiteral("actionSave"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* validate = fileMenu->addAction(QStringLiteral("&Validieren"));
    validate->setObjectName(QStringLiteral("actionValidate"));
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

    connect(load, &QAction::triggered, this, &MainWindow::loadCommand);
    connect(save, &QAction::triggered, this, &MainWindow::saveCommand);
    connect(validate, &QAction::triggered, this, &MainWindow::validateCommand);
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
    connect(combo, &QComboBox::activated, this, [this, id](int index) { entrySelected(id, index); });
    return combo;
}

DatePicker* MainWindow::addDatePicker(QWidget* page, FieldId id, const QRect& rect, bool marked) {
    auto* picker = new DatePicker(page);
    picker->setObjectName(fieldName(id));
    picker->setGeometry(rect);
    picker->setMarked(marked);
    fields_.insert(static_cast<int>(id), picker);
    connect(picker, &DatePicker::changed, this, [this, id](DateValue date) { dateChanged(id, date); });
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
    QLabel* caption = addLabel(page, labelId, label, QRect(30, y + 3, gridLabelWidth, 25));
    caption->setBuddy(addTextField(page, id, QRect(150, y, 300, 25), marked));
}

QWidget* MainWindow::field(FieldId id) const {
    return fields_.value(static_cast<int>(id), nullptr);
}

// ---------------------------------------------------------------- pages

void MainWindow::buildHeaderPage(QWidget* page) {
    const CodeLists& lists = state_.lists;

    // The combo is widened into the free space up to "Währung*".
    QLabel* label = addLabel(page, 10, QStringLiteral("XBelegart*"), QRect(30, 53, gridLabelWidth, 25));
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

    label = addLabel(page, 66, QStringLiteral("Steuerkennung"), QRect(500, 113, 100, 25));
    label->setBuddy(addListCombo(page, FieldId::TaxCategory, QRect(610, 110, 270, 25),
                                 entryTexts(lists.taxCategories, 3)));

    addGridRow(page, 12, QStringLiteral("Leit ID*"), FieldId::BuyerReference, 80, true);
    addGridRow(page, 13, QStringLiteral("Belegnummer*"), FieldId::DocumentNumber, 110, true);

    label = addLabel(page, 14, QStringLiteral("Belegdatum*"), QRect(30, 143, gridLabelWidth, 25));
    label->setBuddy(addDatePicker(page, FieldId::IssueDate, QRect(150, 140, 140, 25), true));
    label = addLabel(page, 15, QStringLiteral("Fälligkeit"), QRect(30, 173, gridLabelWidth, 25));
    label->setBuddy(addDatePicker(page, FieldId::DueDate, QRect(150, 170, 140, 25), true));
    label = addLabel(page, 16, QStringLiteral("Lieferdatum*"), QRect(30, 203, gridLabelWidth, 25));
    label->setBuddy(addDatePicker(page, FieldId::DeliveryDate, QRect(150, 200, 140, 25), true));
    label = addLabel(page, 17, QStringLiteral("Leistungszeitraum"), QRect(30, 233, gridLabelWidth, 25));
    label->setBuddy(addDatePicker(page, FieldId::PeriodStart, QRect(150, 230, 140, 25), false));
    addDatePicker(page, FieldId::PeriodEnd, QRect(305, 230, 140, 25), false);

    addGridRow(page, 18, QStringLiteral("Bestellnummer"), FieldId::OrderNumber, 260, false);
    addGridRow(page, 19, QStringLiteral("Kundenauftrag"), FieldId::SalesOrderNumber, 290, false);
    addGridRow(page, 20, QStringLiteral("Vertragsnummer"), FieldId::ContractNumber, 320, false);
    addGridRow(page, 21, QStringLiteral("Projektnummer"), FieldId::ProjectNumber, 350, false);

    label = addLabel(page, 22, QStringLiteral("Notiz"), QRect(30, 383, gridLabelWidth, 25));
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
    addGridRow(page, 31, QStringLiteral("HR Name*"), FieldId::SupplierRegistrationName, 290, true);
    addGridRow(page, 32, QStringLiteral("HR Nummer"), FieldId::SupplierRegistrationId, 320, false);
    addGridRow(page, 33, QStringLiteral("Gesellschaftsform"), FieldId::SupplierLegalForm, 350, false);
    addGridRow(page, 34, QStringLiteral("Ansprechpartner*"), FieldId::SupplierContactName, 380, true);
    addGridRow(page, 35, QStringLiteral("Telefon*"), FieldId::SupplierPhone, 410, true);
    addGridRow(page, 36, QStringLiteral("Email*"), FieldId::SupplierEmail, 440, true);

    // The labels reach up to their fields at x 580.
    QLabel* label = addLabel(page, 55, QStringLiteral("Bank-Transfer"), QRect(500, 53, 80, 25));
    label->setBuddy(addListCombo(page, FieldId::PaymentMeans, QRect(580, 50, 300, 25),
                                 entryTexts(state_.lists.paymentMeans, state_.lists.paymentMeans.size())));
    label = addLabel(page, 56, QStringLiteral("Bankname"), QRect(500, 83, 80, 25));
    label->setBuddy(addTextField(page, FieldId::BankName, QRect(580, 80, 300, 25), false));
    label = addLabel(page, 57, QStringLiteral("IBAN*"), QRect(500, 113, 80, 25));
    label->setBuddy(addTextField(page, FieldId::Iban, QRect(580, 110, 160, 25), true));
    label = addLabel(page, 58, QStringLiteral("BIC"), QRect(745, 113, 25, 25));
    label->setBuddy(addTextField(page, FieldId::Bic, QRect(780, 110, 100, 25), false));
}

void MainWindow::buildCustomerPage(QWidget* page) {
    addGridRow(page, 37, QStringLiteral("Kunden Nr.*"), FieldId::CustomerPartyId, 50, true);
    addGridRow(page, 38, QStringLiteral("Kunde"), FieldId::CustomerName, 80, false);
    addGridRow(page, 39, QStringLiteral("Straße"), FieldId::CustomerStreet, 110, false);
    addGridRow(page, 41, QStringLiteral("PLZ*"), FieldId::CustomerPostalCode, 140, true);
    addGridRow(page, 40, QStringLiteral("Ort*"), FieldId::CustomerCity, 170, true);
    addGridRow(page, 42, QStringLiteral("Land* (kurz)"), FieldId::CustomerCountryCode, 200, true);
    addGridRow(page, 43, QStringLiteral("UStID"), FieldId::CustomerVatId, 230, false);
    addGridRow(page, 45, QStringLiteral("HR Name*"), FieldId::CustomerRegistrationName, 290, true);
    addGridRow(page, 46, QStringLiteral("HR Nummer"), FieldId::CustomerRegistrationId, 320, false);
    addGridRow(page, 47, QStringLiteral("Ansprechpartner"), FieldId::CustomerContactName, 350, false);
    addGridRow(page, 48, QStringLiteral("Telefon"), FieldId::CustomerPhone, 380, false);
    addGridRow(page, 49, QStringLiteral("Email"), FieldId::CustomerEmail, 410, false);
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

    lineStart_ = new DatePicker(page);
    lineStart_->setObjectName(QStringLiteral("lineStartDate"));
    lineStart_->setGeometry(410, 120, 140, 25);
    connect(lineStart_, &DatePicker::changed, this, [this](DateValue date) { lineDateChanged(true, date); });
    period->setBuddy(lineStart_);
    lineEnd_ = new DatePicker(page);
    lineEnd_->setObjectName(QStringLiteral("lineEndDate"));
    lineEnd_->setGeometry(570, 120, 140, 25);
    connect(lineEnd_, &DatePicker::changed, this, [this](DateValue date) { lineDateChanged(false, date); });

    auto* add = new QPushButton(QStringLiteral("Anfügen"), page);
    add->setObjectName(QStringLiteral("buttonAdd"));
    add->setGeometry(630, 68, 80, 30);
    connect(add, &QPushButton::clicked, this, &MainWindow::addClicked);
    auto* change = new QPushButton(QStringLiteral("Ändern"), page);
    change->setObjectName(QStringLiteral("buttonChange"));
    change->setGeometry(720, 68, 80, 30);
    connect(change, &QPushButton::clicked, this, &MainWindow::changeClicked);
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
        ->setBuddy(addReadOnlyField(page, FieldId::LinesTotal, QRect(370, 50, 80, 25)));

    QLabel* reason = addLabel(page, 60, QStringLiteral("Nachlass / Zuschlag"), QRect(30, 80, 330, 25));
    QLabel* value = addLabel(page, 62, QStringLiteral("Wert"), QRect(370, 80, 80, 25));
    QLabel* percent = addLabel(page, 61, QStringLiteral("Prozent"), QRect(460, 80, 50, 25));
    QLabel* rate = addLabel(page, 64, QStringLiteral("USt. %"), QRect(520, 80, 65, 25));
    reason->setBuddy(addTextField(page, FieldId::AllowanceReason, QRect(30, 100, 330, 25), false));
    value->setBuddy(addTextField(page, FieldId::AllowanceValue, QRect(370, 100, 80, 25), false));
    percent->setBuddy(addTextField(page, FieldId::AllowancePercent, QRect(460, 100, 50, 25), false));
    // The rate combo is wider than its label, to show "19.00%" whole.
    QStringList rates;
    for (const Decimal& slotRate : state_.lists.vatRates)
        rates << qs(formatDecimal2(slotRate) + "%");
    rate->setBuddy(addListCombo(page, FieldId::AllowanceSlot, QRect(520, 100, 80, 25), rates));

    addNamedLabel(page, QStringLiteral("labelForField158"), QStringLiteral("Netto Betrag"),
                  QRect(275, 140, 150, 25))
        ->setBuddy(addReadOnlyField(page, FieldId::NetTotal, QRect(370, 140, 80, 25)));

    // One "davon USt.-Satz" row per rate in use, up to three.
    struct RateRow {
        int rateLabel, amountLabel;
        FieldId rate, taxable, tax;
        int y;
    };
    const RateRow rows[] = {
        {68, 70, FieldId::Row1Rate, FieldId::Row1Taxable, FieldId::Row1Tax, 190},
        {73, 75, FieldId::Row2Rate, FieldId::Row2Taxable, FieldId::Row2Tax, 220},
        {77, 78, FieldId::Row3Rate, FieldId::Row3Taxable, FieldId::Row3Tax, 250},
    };
    for (const RateRow& row : rows) {
        addLabel(page, row.rateLabel, QStringLiteral("davon USt.-Satz"), QRect(30, row.y + 3, 100, 25))
            ->setBuddy(addReadOnlyField(page, row.rate, QRect(120, row.y, 40, 25)));
        addLabel(page, row.amountLabel, QStringLiteral("% aus"), QRect(170, row.y + 4, 40, 25))
            ->setBuddy(addReadOnlyField(page, row.taxable, QRect(210, row.y, 60, 25)));
        addReadOnlyField(page, row.tax, QRect(280, row.y, 60, 25));
    }

    // Below the third rate row.
    addLabel(page, 65, QStringLiteral("USt. gesamt"), QRect(275, 293, 100, 25))
        ->setBuddy(addReadOnlyField(page, FieldId::TaxTotal, QRect(370, 290, 80, 25)));
    addLabel(page, 79, QStringLiteral("Brutto-Betrag"), QRect(270, 323, 150, 25))
        ->setBuddy(addReadOnlyField(page, FieldId::GrossTotal, QRect(370, 320, 80, 25)));
    currencyLabels_[0] = addLabel(page, 81, qs(state_.documentCurrency), QRect(455, 324, 35, 25));
    addLabel(page, 80, QStringLiteral("Zahlbetrag"), QRect(285, 353, 150, 25))
        ->setBuddy(addReadOnlyField(page, FieldId::PayableTotal, QRect(370, 350, 80, 25)));
    currencyLabels_[1] = addLabel(page, 82, qs(state_.documentCurrency), QRect(455, 354, 35, 25));
}

// What the controls show right after start-up is what the document holds.
void MainWindow::showStartValues() {
    static_cast<DatePicker*>(field(FieldId::IssueDate))->setValue(dateOf(state_.doc.issueDate));
    auto* terms = static_cast<QComboBox*>(field(FieldId::PaymentTerms));
    if (state_.doc.paymentTerms.empty() && !terms->currentText().isEmpty()) {
        const bool modified = state_.modified;
        leaveTextField(state_, FieldId::PaymentTerms, ss(terms->currentText()));
        state_.modified = modified;
    }
    showFooter();
    showLineList();
}

// ---------------------------------------------------------------- events

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
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
        leaveLineField(state_, line.value(), text);
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
    addLine(state_);
    showLineList();
    showFooter();
    showLineEditor();
}

void MainWindow::changeClicked() {
    // The editor keeps what was typed.
    changeLine(state_);
    showLineList();
    showFooter();
}

void MainWindow::deleteClicked() {
    if (deleteLine(state_)) {
        showLineList();
        showFooter();
        if (!state_.lines.empty())
            showLineEditor();
    }
}

void MainWindow::listRowChosen(int row) {
    const bool chosen = selectLine(state_, row);
    showLineEditor();
    if (chosen)
        deleteButton_->setEnabled(true);
}

// The field that still has the focus hands over its text as if it were left,
// so that what is on the screen is what gets saved.
void MainWindow::commitFocusedField() {
    QWidget* focused = QApplication::focusWidget();
    while (focused && !textFields_.contains(focused) && !lineFields_.contains(focused))
        focused = focused->parentWidget();
    if (focused)
        textFieldLeft(focused);
}

void MainWindow::applyOutcome(const RuleOutcome& outcome) {
    if (outcome.dueDateCleared)
        static_cast<DatePicker*>(field(FieldId::DueDate))->setValue(noDate);
    if (outcome.bankFieldsChanged) {
        setFieldText(FieldId::BankName, outcome.bankNameShown);
        setFieldText(FieldId::Bic, outcome.bicShown);
        markControl(field(FieldId::BankName), outcome.bankFieldsMandatory);
        markControl(field(FieldId::Bic), outcome.bankFieldsMandatory);
    }
    if (outcome.totalsChanged) {
        showFooter();
        showLineList();
    }
    if (!outcome.messageTitle.empty() || !outcome.messageText.empty())
        dialogs_.message(this, qs(outcome.messageTitle), qs(outcome.messageText));
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
    const FooterView& footer = state_.footer;
    setFieldText(FieldId::LinesTotal, footer.linesTotal);
    setFieldText(FieldId::AllowanceValue, footer.allowanceValue);
    setFieldText(FieldId::AllowancePercent, footer.allowancePercent);
    auto* rate = static_cast<QComboBox*>(field(FieldId::AllowanceSlot));
    if (footer.allowanceSlot >= 0 && footer.allowanceSlot < rate->count())
        rate->setCurrentIndex(footer.allowanceSlot);
    setFieldText(FieldId::NetTotal, footer.netTotal);
    const FieldId rows[3][3] = {{FieldId::Row1Rate, FieldId::Row1Taxable, FieldId::Row1Tax},
                                {FieldId::Row2Rate, FieldId::Row2Taxable, FieldId::Row2Tax},
                                {FieldId::Row3Rate, FieldId::Row3Taxable, FieldId::Row3Tax}};
    for (int i = 0; i < 3; ++i) {
        setFieldText(rows[i][0], footer.rows[i].ratePercent);
        setFieldText(rows[i][1], footer.rows[i].taxableAmount);
        setFieldText(rows[i][2], footer.rows[i].taxAmount);
    }
    setFieldText(FieldId::TaxTotal, footer.taxTotal);
    setFieldText(FieldId::GrossTotal, footer.grossTotal);
    setFieldText(FieldId::PayableTotal, footer.payableTotal);
    const QString currency = qs(footer.currency.empty() ? state_.documentCurrency : footer.currency);
    currencyLabels_[0]->setText(currency);
    currencyLabels_[1]->setText(currency);
}

void MainWindow::showLineList() {
    updatingList_ = true;
    lineModel_->reload();
    const int current = state_.currentLineIndex;
    if (current >= 0 && current < lineModel_->rowCount()) {
        const QModelIndex index = lineModel_->index(current, 0);
        lineList_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                QItemSelectionModel::Rows);
        lineList_->scrollTo(index);
    }
    updatingList_ = false;
    deleteButton_->setEnabled(!state_.lines.empty());
}

void MainWindow::showLineEditor() {
    const LineItem& line = state_.lineEditBuffer;
    const std::pair<LineField, const std::string*> texts[] = {
        {LineField::Position, &line.position},     {LineField::Quantity, &line.quantity},
        {LineField::ItemNumber, &line.itemNumber}, {LineField::ItemName, &line.itemName},
        {LineField::UnitPrice, &line.unitPrice},   {LineField::VatPercent, &line.lineVatPercent},
    };
    for (auto it = lineFields_.begin(); it != lineFields_.end(); ++it) {
        for (const auto& [lineField, text] : texts)
            if (it.value() == lineField)
                static_cast<QLineEdit*>(it.key())->setText(qs(*text));
    }
    lineDescription_->setPlainText(qs(tidyDescriptionForDisplay(line.itemDescription)));
    lineStart_->setValue(dateOf(line.lineStartDate));
    lineEnd_->setValue(dateOf(line.lineEndDate));
}

void MainWindow::showDocument() {
    const InvoiceDocument& doc = state_.doc;
    const CodeLists& lists = state_.lists;

    selectByCode(static_cast<QComboBox*>(field(FieldId::DocumentType)), lists.documentTypes,
                 lists.documentTypes.size(), doc.documentTypeCode);
    auto* currency = static_cast<QComboBox*>(field(FieldId::Currency));
    int currencyIndex = -1;
    for (std::size_t i = 0; i < lists.currencies.size() && static_cast<int>(i) < currency->count(); ++i)
        if (lists.currencies[i] == state_.documentCurrency)
            currencyIndex = static_cast<int>(i);
    if (currencyIndex >= 0)
        currency->setCurrentIndex(currencyIndex);
    selectByCode(static_cast<QComboBox*>(field(FieldId::TaxCategory)), lists.taxCategories, 3,
                 state_.documentTaxCategory);

    // The note field cannot hold tabs; the document keeps what it shows.
    std::erase(state_.doc.note, '\t');
    // Every text field of the first four pages, from the document.
    for (int id = static_cast<int>(FieldId::DocumentType); id <= static_cast<int>(FieldId::PayableTotal);
         ++id)
        if (const std::string* text = documentText(doc, static_cast<FieldId>(id)))
            setFieldText(static_cast<FieldId>(id), *text);
    setFieldText(FieldId::AllowanceReason, doc.allowanceReason);

    static_cast<DatePicker*>(field(FieldId::IssueDate))->setValue(dateOf(doc.issueDate));
    static_cast<DatePicker*>(field(FieldId::DueDate))->setValue(dateOf(doc.dueDate));
    static_cast<DatePicker*>(field(FieldId::DeliveryDate))->setValue(dateOf(doc.deliveryDate));
    static_cast<DatePicker*>(field(FieldId::PeriodStart))->setValue(dateOf(doc.periodStart));
    static_cast<DatePicker*>(field(FieldId::PeriodEnd))->setValue(dateOf(doc.periodEnd));

    auto* means = static_cast<QComboBox*>(field(FieldId::PaymentMeans));
    if (means->count() > 0)
        means->setCurrentIndex(0);
    selectByCode(means, lists.paymentMeans, lists.paymentMeans.size(), doc.paymentMeansCode);

    showLineList();
    showFooter();
    tabs_->setCurrentIndex(0);
}

// ---------------------------------------------------------------- commands

void MainWindow::loadCommand() {
    const QString fileName = dialogs_.openFileName(this, QStringLiteral("XML Datei laden"), fileFilter);
    if (fileName.isEmpty()) {
        dialogs_.message(this, QStringLiteral("XML Datei laden"),
                         QStringLiteral("Es wurde keine XML Datei geöffnet."));
        state_.currentFileName.clear();
        recomputeLines(state_);
        recomputeTotals(state_);
        showDocument();
        return;
    }
    const ubl::LoadOutcome outcome = ubl::loadInvoiceFile(state_, ss(fileName));
    if (outcome.result == ubl::LoadOutcome::Result::ParseError)
        dialogs_.message(this, QStringLiteral("Fehler beim Lesen der XML Datei"), qs(outcome.message));
    statusField_->setText(QStringLiteral("Geladene Datei:  ") + fileName);
    showDocument();
}

void MainWindow::saveCommand() {
    commitFocusedField();
    const MandatoryCheck check = checkMandatoryFields(state_);
    if (!check.ok) {
        dialogs_.message(this, qs(check.title), qs(check.text));
        return;
    }
    const QString title = QStringLiteral("XML Datei speichern");
    const QString fileName = dialogs_.saveFileName(this, title, qs(state_.currentFileName), fileFilter);
    if (fileName.isEmpty()) {
        dialogs_.message(this, title, QStringLiteral("Es wurde kein Dateiname angegeben."));
        return;
    }
    const ubl::SaveOutcome outcome = ubl::saveInvoiceFile(state_, ss(fileName));
    // Writing the lines leaves the last one current.
    showLineList();
    if (!outcome.ok)
        dialogs_.message(this, title, qs(outcome.message));
}

void MainWindow::validateCommand() {
    validateFile(this, dialogs_, startDirectory_, state_);
}

void MainWindow::infoCommand() {
    dialogs_.message(this, QStringLiteral("Info"), qs(infoText()));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    commitFocusedField();
    if (state_.modified && !dialogs_.question(this, qs(tallomir::windowTitle()),
                                              QStringLiteral("Ungespeicherte Änderungen verwerfen?"))) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace tallomir::app
