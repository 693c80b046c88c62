// The quick start: the pages after the first are built when first shown or
// needed and then show the document; the database opens after the first
// paint, before the user's first input is handled.
#include "window_harness.h"

#include "app/after_first_paint.h"
#include "form/document_check.h"
#include "form/field_labels.h"
#include "store/numbers.h"

using namespace tallomir;

namespace {

QString built(const WindowHarness& h) {
    QString pages;
    for (int index = 0; index < h.window->tabs()->count(); ++index)
        pages += h.window->pageBuilt(index) ? '1' : '0';
    return pages;
}

} // namespace

class StartTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A file loaded before any other page was shown: each page shows it when
    // it is first shown or first reached.
    void pagesNotYetShownShowTheLoadedFile() {
        const QString file = QDir(QDir::tempPath()).filePath(QStringLiteral("tallomir-start.xml"));
        {
            WindowHarness typed;
            typed.fillMandatoryFields();
            typed.typeAll("130=Lager Süd|200=KST-7");
            QVERIFY(!typed.saveAs(QStringLiteral("voll.xml")).isEmpty());
            QFile::remove(file);
            QVERIFY(QFile::copy(typed.path(QStringLiteral("voll.xml")), file));
        }
        WindowHarness h;
        QCOMPARE(built(h), QStringLiteral("10000000"));
        h.dialogs.openAnswers = {file};
        h.window->loadCommand();
        QCOMPARE(built(h), QStringLiteral("10000000"));
        h.window->tabs()->setCurrentIndex(1); // shown
        QCOMPARE(built(h), QStringLiteral("11000000"));
        QCOMPARE(h.texts({111, 137, 125, 120, 130, 160, 200}) + h.positions(), // the others reached
                 QStringList({"Lieferant & Söhne KG", "DE02120300000000202051", "Kundin GmbH", "Köln",
                              "Lager Süd", "119,00", "KST-7", "1"}));
        QFile::remove(file);
    }

    // A page first shown while a field of another had the focus gives it to
    // its first field, as a page built before does.
    void aPageFirstShownTakesTheFocusAsABuiltOne() {
        QStringList focused;
        for (const bool builtBefore : {true, false}) {
            WindowHarness h;
            if (builtBefore)
                h.window->page(2);
            h.type(91, QStringLiteral("04011000"), 0);
            h.window->tabs()->setCurrentIndex(2);
            focused << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "-");
        }
        QCOMPARE(focused, QStringList(2, QStringLiteral("field117")));
    }

    // The check's finding on a page not built yet is shown there, its field
    // with the focus.
    void theCheckJumpsToAFieldOnAPageNotBuilt() {
        WindowHarness h;
        h.typeAll("91=04011000-12345-03|92=RE-1");
        QCOMPARE(built(h), QStringLiteral("10000000"));
        h.window->saveCommand();
        const CheckTarget first = checkMandatoryFields(h.state).first;
        QVERIFY(first.field && h.dialogs.saveRequests.isEmpty());
        QCOMPARE(h.window->tabs()->currentIndex(), pageIndexOf(*first.field));
        QCOMPARE(QApplication::focusWidget(), h.field(static_cast<int>(*first.field)));
    }

    // The database opened after the first paint, or at once when a key comes
    // first: what is typed stays, the number and the database's buttons come.
    void theDatabaseOpensAfterTheFirstPaintOrBeforeTheFirstKey() {
        for (const bool keyFirst : {false, true}) {
            QTemporaryDir folder;
            store::Database db;
            WindowHarness h(defaultCodeLists(), &db);
            app::AfterFirstPaint opening(h.window.get(), [&] {
                QVERIFY(db.open(folder.filePath(QStringLiteral("tallomir.sqlite")).toStdString()));
                h.window->databaseOpened();
            });
            if (keyFirst)
                h.type(91, QStringLiteral("04011000"), 0); // not left yet
            h.window->repaint();
            QTRY_VERIFY(opening.done());
            QCOMPARE(h.text(91) + '|' + h.text(92) + '|' +
                         QString::number(h.find(QStringLiteral("buttonRememberOwnCompany")) != nullptr),
                     (keyFirst ? "04011000|" : "|") +
                         QString::fromStdString(
                             store::formatNumber("RE-{JJJJ}-{NNNN}", QDate::currentDate().year(), 1)) +
                         "|1");
        }
    }
};

std::unique_ptr<QObject> makeStartTest() {
    return std::make_unique<StartTest>();
}

#include "start_test.moc"
