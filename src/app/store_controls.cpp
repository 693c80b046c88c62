// The window's controls over the business's database: "Als eigene Firma
// merken" on "Lieferant", "Kunde wählen …" and "Kunde merken" on "Kunde",
// "Artikel merken" and the completion of articles on "Positionen".

#include "main_window.h"

#include "dialogs.h"
#include "main_window_helpers.h"
#include "store_link.h"

#include "form/fields.h"
#include "form/form.h"
#include "store/directory.h"

#include <QCompleter>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QTabWidget>

namespace tallomir::app {

namespace {

constexpr int supplierPage = 1;
constexpr int customerPage = 2;
constexpr int linesPage = 4;

// A row of buttons below everything else on a page.
QHBoxLayout* buttonRow(QWidget* page) {
    auto* grid = qobject_cast<QGridLayout*>(page->layout());
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    grid->addLayout(row, grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
    return row;
}

} // namespace

// With the pages built so far; a page built later gets its own then.
void MainWindow::buildStoreControls() {
    storeControls_ = true;
    for (int index = 0; index < tabs_->count(); ++index)
        if (pageBuilt(index))
            addStoreControls(index);

    // The start as after "Neu": the own company and the next number.
    storeLink_->startNew(state_);
    showDocument();
}

void MainWindow::addStoreControls(int index) {
    const auto button = [this](QHBoxLayout* row, const char* name, const char* text,
                               void (MainWindow::*clicked)()) {
        auto* push = new QPushButton(QString::fromUtf8(text), row->parentWidget());
        push->setObjectName(QString::fromLatin1(name));
        connect(push, &QPushButton::clicked, this, clicked);
        row->addWidget(push);
    };
    QWidget* page = tabs_->widget(index);
    if (index == supplierPage)
        button(buttonRow(page), "buttonRememberOwnCompany", "Als eigene Firma merken",
               &MainWindow::rememberOwnCompany);
    if (index == customerPage) {
        QHBoxLayout* customerRow = buttonRow(page);
        button(customerRow, "buttonChooseCustomer", "Kunde wählen …", &MainWindow::chooseCustomer);
        button(customerRow, "buttonRememberCustomer", "Kunde merken", &MainWindow::rememberCustomer);
    }
    if (index != linesPage)
        return;
    button(buttonRow(page), "buttonRememberArticle", "Artikel merken", &MainWindow::rememberArticle);

    // Typing an article's number or name offers the stored ones; taking one fills the line.
    for (const bool byNumber : {true, false}) {
        auto* edit = page->findChild<QLineEdit*>(byNumber ? QStringLiteral("lineItemNumber")
                                                          : QStringLiteral("lineItemName"));
        auto* completer = new QCompleter(new QStringListModel(this), edit);
        completer->setObjectName(byNumber ? QStringLiteral("articleNumbers")
                                          : QStringLiteral("articleNames"));
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setFilterMode(Qt::MatchContains);
        edit->setCompleter(completer);
        connect(completer, qOverload<const QString&>(&QCompleter::activated), this,
                [this, byNumber](const QString& text) { takeArticle(byNumber, text); });
    }
    updateArticleCompleters();
}

void MainWindow::updateArticleCompleters() {
    QStringList numbers, names;
    for (const store::Article& article : store::articles(storeLink_->database())) {
        if (!article.number.empty())
            numbers << qs(article.number);
        names << qs(article.name);
    }
    numbers.removeDuplicates();
    names.removeDuplicates();
    for (const auto& [name, texts] : {std::pair{"articleNumbers", numbers}, std::pair{"articleNames", names}})
        if (auto* completer = findChild<QCompleter*>(QString::fromLatin1(name)))
            static_cast<QStringListModel*>(completer->model())->setStringList(texts);
}

void MainWindow::takeArticle(bool byNumber, const QString& text) {
    for (const store::Article& article : store::articles(storeLink_->database()))
        if (qs(byNumber ? article.number : article.name) == text) {
            store::fillLine(state_.lineEditBuffer, article);
            showLineEditor();
            updateMarking();
            showStatus("Artikel „" + article.name + "“ übernommen: mit „Anfügen“ oder „Ändern“ speichern");
            return;
        }
}

void MainWindow::rememberOwnCompany() {
    commitFocusedField();
    const std::string problem = store::saveOwnCompany(storeLink_->database(), state_.doc);
    if (!problem.empty())
        return dialogs_.message(this, QStringLiteral("Als eigene Firma merken"), qs(problem));
    showStatus("Die Angaben der Seite „Lieferant“ sind als eigene Firma gemerkt.");
}

void MainWindow::chooseCustomer() {
    commitFocusedField();
    const QString title = QStringLiteral("Kunde wählen");
    QStringList names;
    for (const std::string& name : store::customerNames(storeLink_->database()))
        names << qs(name);
    if (names.isEmpty())
        return dialogs_.message(this, title, QStringLiteral("Es ist noch kein Kunde gemerkt."));
    const int chosen = dialogs_.chooseItem(this, title, QStringLiteral("Kunde:"), names);
    if (chosen < 0 || !store::fillCustomer(storeLink_->database(), ss(names[chosen]), state_.doc))
        return;
    state_.modified = true;
    const int page = tabs_->currentIndex();
    showDocument();
    tabs_->setCurrentIndex(page);
    updateMarking();
    showTitle();
}

void MainWindow::rememberCustomer() {
    commitFocusedField();
    const std::string problem = store::saveCustomer(storeLink_->database(), state_.doc);
    if (!problem.empty())
        return dialogs_.message(this, QStringLiteral("Kunde merken"), qs(problem));
    const std::string& name =
        state_.doc.customer.name.empty() ? state_.doc.customer.registrationName : state_.doc.customer.name;
    showStatus("Kunde „" + name + "“ gemerkt.");
}

void MainWindow::rememberArticle() {
    commitFocusedField();
    const std::string problem =
        store::saveArticle(storeLink_->database(), store::articleOf(state_.lineEditBuffer));
    if (!problem.empty())
        return dialogs_.message(this, QStringLiteral("Artikel merken"), qs(problem));
    updateArticleCompleters();
    showStatus("Artikel „" + state_.lineEditBuffer.itemName + "“ gemerkt.");
}

} // namespace tallomir::app
