#pragma once

#include <QHash>
#include <QMainWindow>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace tallomir {
struct CodeEntry;
struct DocumentState;
struct Form;
struct RuleOutcome;
struct CheckTarget;
struct PaymentMeansEntry;
enum class FieldId : int;
enum class LineField;
using DateValue = long long;
} // namespace tallomir

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace tallomir {
struct PageRow;
enum class Choices;
namespace store {
class Database;
}
namespace ubl {
struct LoadOutcome;
}
} // namespace tallomir

namespace tallomir::app {

class AttachmentsPage;
class ListEditor;

class DatePicker;
class Dialogs;
class PageGrid;
class InvoiceView;
class LineTableModel;
class StoreLink;
class ArchiveWindow;
class JobRunner;

// The one window of the program: menu, status bar and the six form pages.
// Its controls only show the document and hand every edit to the core
// functions at the moment the edit is complete: a text when its field loses
// the focus, a choice or a date when it changes.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // With a database, loaded and saved files are archived and numbers come
    // from its number ranges; without one (or a closed one) nothing is kept.
    MainWindow(Form& state, Dialogs& dialogs, const QString& startDirectory,
               store::Database* database = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Menu commands.
    void newCommand();
    void loadCommand();
    void saveCommand();
    void validateCommand();
    void showViewCommand();
    void printCommand();
    void pdfCommand();
    // "Als ZUGFeRD-PDF speichern …" (hybrid_command.cpp).
    void hybridPdfCommand();
    void infoCommand();
    // "Archiv" (archive_command.cpp): the archive window, with a database only.
    void archiveCommand();

    // Every control shows the document anew; the first page is selected.
    void showDocument();

    // A page of the form (main_window_start.cpp). The first is built with the
    // window, each other when it is first shown or first needed: here, or
    // when a command reaches one of its fields. Built, it shows the document.
    QWidget* page(int index);
    bool pageBuilt(int index) const;
    // The database opened after the window: its controls on the pages, the
    // own company and the next number, as at a start with it.
    void databaseOpened();

    QTabWidget* tabs() const { return tabs_; }
    // The window of "Rechnung anzeigen", once it was opened.
    InvoiceView* invoiceView() const { return invoiceView_; }
    QLabel* statusField() const { return statusField_; }
    // The note on what the file loaded last holds and the document cannot.
    QLabel* notCarriedField() const { return notCarriedField_; }
    // The long commands' jobs (main_window_jobs.cpp): PDF, view, saving,
    // loading and validating run through it off the window's thread.
    JobRunner* jobs() const { return jobs_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    // The pages from their descriptions (page_rows.h): empty tabs, the first
    // one built.
    void buildPages();
    void buildPage(int index);
    // The controls of the page (all pages: nullptr) show the document.
    void showDocumentOn(const QWidget* page);
    // The control of a field, its page built first.
    QWidget* builtField(FieldId id);
    void buildLinesPage(QWidget* page);
    void buildFooterPage(QWidget* page);
    void buildMorePage(QWidget* page);
    // "Lieferant" with the lists of further accounts and identifiers, and
    // "Anhänge" (main_window_lists.cpp).
    void buildSupplierPage(QWidget* page);
    void buildAttachmentsPage(QWidget* page);
    // The lists of those pages (of one page; nullptr: all) show the document's entries.
    void showLists(const QWidget* page);
    QWidget* makeInput(const PageRow& row, QWidget* page);
    QStringList choiceTexts(Choices choices) const;
    void showStartValues();
    void takeProposedPaymentTerms();

    // With a database: the buttons and completers of the own company,
    // customers and articles (store_controls.cpp), the start's own company
    // and number.
    void buildStoreControls();
    void addStoreControls(int index); // those of one page
    bool storeControls_ = false;
    void rememberOwnCompany();
    void chooseCustomer();
    void rememberCustomer();
    void rememberArticle();
    void updateArticleCompleters();
    void takeArticle(bool byNumber, const QString& text);
    void openArchived(qint64 id, const QByteArray& bytes);

    // While a job runs, a command that would conflict with it is refused
    // with a message; true then.
    bool refusedWhileBusy(const QString& title);
    QString choosePdfFile(const QString& title);
    // "Speichern" without a database, and the end of "Laden", as jobs.
    void saveInBackground();
    // What a save would lose (of a loaded file, or what the syntax cannot
    // write): the user is asked before it is lost.
    static std::vector<std::string> missingWhenSaved(const DocumentState& document);
    // The questions of "Speichern" after the check: whether what `missing`
    // names may be lost, the file (proposed: `proposal`), whether an existing
    // one is replaced. The file chosen, or empty when the user stops.
    QString chooseSaveFile(const std::vector<std::string>& missing, const std::string& proposal);
    void loadInBackground(const QString& fileName);
    void loadEnded(const QString& fileName, const ubl::LoadOutcome& outcome);

    void showCode(FieldId id, const std::vector<CodeEntry>& list, const std::string& code);

    // Event handlers.
    void textFieldLeft(QObject* control);
    void entrySelected(FieldId id, int index);
    void dateChanged(FieldId id, DateValue date);
    void lineDateChanged(bool first, DateValue date);
    void addClicked();
    void changeClicked();
    bool lineRefused(bool adding);
    QWidget* focusLineField(LineField lineField);
    void deleteClicked();
    void listRowChosen(int row);
    void commitFocusedField();

    void applyOutcome(const RuleOutcome& outcome);
    // Stars, yellow and red follow what the check requires and what could
    // not be read, after every change.
    void updateMarking();
    void showStatus(const std::string& text);
    // Brings the field a finding of the check names before the user's eyes.
    void showCheckTarget(const CheckTarget& target);
    void lineEditorReturn();
    void updateLineButtons();
    // Asks before unsaved changes are thrown away; true when they may go.
    bool mayDiscardChanges();
    // The title names the document's file and marks unsaved changes.
    void showTitle();
    void clearStatus();
    void showFooter();
    void showLineList();
    void showLineEditor();
    void setFieldText(FieldId id, const std::string& text);
    QWidget* field(FieldId id) const;

    Form& state_;
    Dialogs& dialogs_;
    QString startDirectory_;
    QString documentFile_; // loaded from or saved to; empty for a new document
    std::unique_ptr<StoreLink> storeLink_;
    ArchiveWindow* archiveWindow_ = nullptr;

    QTabWidget* tabs_ = nullptr;
    unsigned pagesBuilt_ = 0; // a bit per page
    QLabel* statusField_ = nullptr;
    QLabel* notCarriedField_ = nullptr;
    QHash<int, QWidget*> fields_;          // by FieldId
    ListEditor* notesEditor_ = nullptr;    // the further notes on "Weitere Angaben"
    ListEditor* accountsEditor_ = nullptr; // the accounts after the first on "Lieferant"
    ListEditor* partyIdsEditor_ = nullptr; // the seller's further identifiers on "Lieferant"
    // The entries the accounts list shows, one per row, with what its columns
    // do not show (the code of the payment means, a card, a mandate).
    std::vector<PaymentMeansEntry> accountRows_;
    AttachmentsPage* attachmentsPage_ = nullptr;
    QHash<QObject*, FieldId> textFields_;   // controls whose text is handed over when left
    QHash<QObject*, LineField> lineFields_; // the line editor's text controls
    QHash<int, QLabel*> labels_;            // by FieldId: the labels whose star follows the check
    QHash<QObject*, QLabel*> lineLabels_;   // the same for the line editor's fields
    QLabel* currencyLabels_[2] = {nullptr, nullptr};
    InvoiceView* invoiceView_ = nullptr;
    JobRunner* jobs_ = nullptr;
    bool saving_ = false;              // a save runs: the document counts as changed until it ends
    QLabel* allowanceKind_ = nullptr;  // "Nachlass" or "Zuschlag" beside the allowance row
    QLabel* allowanceSplit_ = nullptr; // the parts of a split percentage below it

    // "Belegfuss": one row per VAT group (the first three built with the
    // page, more when they are needed, which push the totals down).
    struct FooterRowWidgets {
        QWidget* widgets[7];  // rate label, rate, "% aus", taxable, "USt.", tax, "Kategorie"
        QLineEdit* fields[3]; // rate, taxable, tax
        QLineEdit* category;
    };
    std::vector<FooterRowWidgets> footerRows_;
    std::unique_ptr<PageGrid> footerGrid_;
    int footerRowsAt_ = 0; // the grid row of the first
    void addFooterRow(int index);
    // The currency of the VAT total in a loaded file's accounting currency.
    QLabel* taxCurrencyLabel_ = nullptr;
    void showNotCarried();

    // "Positionen"
    QPlainTextEdit* lineDescription_ = nullptr;
    QComboBox* lineCategory_ = nullptr;
    QComboBox* lineUnit_ = nullptr;
    DatePicker* lineStart_ = nullptr;
    DatePicker* lineEnd_ = nullptr;
    QPushButton* changeButton_ = nullptr;
    QPushButton* deleteButton_ = nullptr;
    QTableView* lineList_ = nullptr;
    LineTableModel* lineModel_ = nullptr;
    bool updatingList_ = false;
    bool mousePressInList_ = false;
};

} // namespace tallomir::app
