// The window's long commands as jobs (job_runner.h): "Rechnung anzeigen",
// "Als PDF speichern", "Drucken", "Speichern" without a database (its check
// too) and "Laden". Each job works on a copy of the document taken when it
// starts; the window goes on taking input, and the form changes only when a
// job's end runs here.

#include "main_window.h"

#include "dialogs.h"
#include "invoice_view.h"
#include "job_runner.h"
#include "main_window_helpers.h"
#include "store_link.h"
#include "validate_command.h"
#include "validator_run.h"

#include "form/document_check.h"
#include "form/fields.h"
#include "form/form.h"
#include "store/database.h"
#include "syntax/syntax.h"
#include "view/invoice_layout.h"
#include "view/invoice_pages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPrinter>
#include <QStatusBar>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <memory>

namespace tallomir::app {

namespace {

// What the view and the PDF lay out: the document and what its file held
// that the document cannot.
struct PagesSnapshot {
    DocumentState document;
    std::vector<std::string> notCarried;
};

PagesSnapshot pagesSnapshot(const Form& state) {
    return {state, notCarriedTexts(state)};
}

// Saves into a file beside the target first and puts it in the target's
// place only when the job was not cancelled meanwhile: a cancelled save
// leaves the old file as it was. The replaced file's permissions stay; a
// symbolic link keeps pointing at the file replaced.
syntax::SaveOutcome saveUnlessCancelled(DocumentState& document, const std::string& target,
                                        JobControl& control, bool& placed) {
    QString place = QString::fromStdString(target);
    if (const QFileInfo info(place); info.isSymLink())
        place = info.symLinkTarget();
    const QString part = place + QStringLiteral(".%1.part.xml").arg(QCoreApplication::applicationPid());
    syntax::SaveOutcome outcome = syntax::saveInvoiceFile(document, ss(part));
    document.currentFileName = target;
    outcome.fileName = target;
    if (!outcome.ok) { // the message names the file chosen
        if (const std::size_t at = outcome.message.find(ss(part)); at != std::string::npos)
            outcome.message.replace(at, ss(part).size(), target);
        QFile::remove(part);
        return outcome;
    }
    if (!control.progress(2, 0)) { // written beside the target
        QFile::remove(part);
        return outcome;
    }
    if (QFile::exists(place))
        QFile::setPermissions(part, QFile::permissions(place));
    if (std::rename(part.toLocal8Bit().constData(), place.toLocal8Bit().constData()) != 0) {
        QFile::remove(part);
        outcome.ok = false;
        outcome.message = "Die Datei " + target + " konnte nicht gespeichert werden.";
        return outcome;
    }
    placed = true;
    return outcome;
}

// What the job of "Speichern" comes back with.
struct SaveJob {
    MandatoryCheck check; // refused: nothing was asked nor written
    std::string target;   // the file chosen; empty: none (yet)
    StoreLink::SaveResult saved;
    std::string number;  // with a database: the number the file holds
    bool placed = false; // the file written took the target's place
};

} // namespace

// The PDF file the user names beside the document's file, ".pdf" added where
// it is missing; empty when none was named or an existing file is to stay.
QString MainWindow::choosePdfFile(const QString& title) {
    QString proposal = qs(view::proposedPdfName(state_.doc));
    if (!state_.currentFileName.empty())
        proposal = QFileInfo(qs(state_.currentFileName)).dir().filePath(proposal);
    QString fileName = dialogs_.saveFileName(this, title, proposal,
                                             QStringLiteral("PDF Dateien (*.pdf);;Alle Dateien (*.*)"));
    if (fileName.isEmpty())
        return {};
    if (QFileInfo(fileName).suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) != 0)
        fileName += QStringLiteral(".pdf");
    if (QFileInfo::exists(fileName) &&
        !dialogs_.question(
            this, title,
            QStringLiteral("Die Datei %1 gibt es schon.\rSoll sie ersetzt werden?").arg(fileName)))
        return {};
    return fileName;
}

bool MainWindow::refusedWhileBusy(const QString& title) {
    if (!jobs_->busy())
        return false;
    dialogs_.message(this, title, jobs_->refusal());
    return true;
}

// The pages are laid out off the window's thread; the view paints the pages
// it shows on the window's thread, one by one as they are exposed.
void MainWindow::showViewCommand() {
    if (refusedWhileBusy(QStringLiteral("Rechnung anzeigen")))
        return;
    commitFocusedField();
    QThread* windowThread = thread();
    jobs_->start(
        QStringLiteral("Rechnung anzeigen"), pagesSnapshot(state_),
        [windowThread](PagesSnapshot& snapshot, JobControl&) {
            auto pages = std::make_shared<view::InvoicePages>(snapshot.document, snapshot.notCarried);
            pages->handTo(windowThread);
            return pages;
        },
        [this](std::shared_ptr<view::InvoicePages> pages, bool cancelled) {
            if (cancelled)
                return;
            if (!invoiceView_)
                invoiceView_ = new InvoiceView(this);
            invoiceView_->showPages(std::move(pages));
            invoiceView_->show();
            invoiceView_->raise();
            invoiceView_->activateWindow();
        });
}

// Layout and painting run off the window's thread, page by page with the
// progress; a cancelled PDF leaves the file as it was.
void MainWindow::pdfCommand() {
    const QString title = QStringLiteral("Als PDF speichern");
    if (refusedWhileBusy(title))
        return;
    commitFocusedField();
    const QString fileName = choosePdfFile(title);
    if (fileName.isEmpty())
        return;
    jobs_->start(
        title, pagesSnapshot(state_),
        [file = ss(fileName)](PagesSnapshot& snapshot, JobControl& control) {
            const view::InvoicePages pages(snapshot.document, snapshot.notCarried);
            return view::writePdf(pages, file,
                                  [&control](int done, int total) { return control.progress(done, total); });
        },
        [this, title](const std::string& message, bool) {
            if (!message.empty())
                dialogs_.message(this, title, qs(message));
        });
}

namespace {

// A print run: the document as it was when "Drucken" was chosen, and the
// printer chosen for it.
struct PrintRun {
    std::shared_ptr<const PagesSnapshot> snapshot;
    std::shared_ptr<QPrinter> printer;
};

} // namespace

// Layout and painting run off the window's thread, as for the PDF. The print
// dialog needs the page count, so a first job lays the pages out; once the
// printer is chosen, a second job lays them out again from the same copy of
// the document and paints them. Qt cannot abort a print run: "Abbrechen"
// stops the painting, and the pages painted so far still go to the printer,
// which the message says.
void MainWindow::printCommand() {
    const QString title = QStringLiteral("Drucken");
    if (refusedWhileBusy(title))
        return;
    commitFocusedField();
    auto snapshot = std::make_shared<const PagesSnapshot>(pagesSnapshot(state_));
    jobs_->start(
        title, snapshot,
        [](std::shared_ptr<const PagesSnapshot>& document, JobControl&) {
            const view::InvoicePages pages(document->document, document->notCarried);
            return std::pair(pages.pageCount(), pages.title());
        },
        [this, title, snapshot](std::pair<int, std::string> laidOut, bool cancelled) {
            if (cancelled)
                return;
            auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
            printer->setPageSize(QPageSize(QPageSize::A4));
            printer->setFullPage(true);
            printer->setDocName(qs(laidOut.second));
            if (!dialogs_.choosePrinter(this, *printer, laidOut.first))
                return;
            const bool range = printer->printRange() == QPrinter::PageRange;
            const int first = range ? printer->fromPage() - 1 : 0;
            const int last = range ? printer->toPage() - 1 : -1;
            jobs_->start(
                title, PrintRun{snapshot, std::move(printer)},
                [first, last](PrintRun& run, JobControl& control) -> QString {
                    const view::InvoicePages pages(run.snapshot->document, run.snapshot->notCarried);
                    int done = 0;
                    int total = 0;
                    bool stopped = false;
                    const bool painted = pages.paint(*run.printer, first, last, [&](int step, int steps) {
                        done = step;
                        total = steps;
                        stopped = !control.progress(step, steps);
                        return !stopped;
                    });
                    if (stopped)
                        return QStringLiteral("Der Druck wurde abgebrochen; die ersten %1 von %2 Seiten "
                                              "gingen schon an den Drucker.")
                            .arg(done)
                            .arg(total);
                    return painted ? QString() : QStringLiteral("Der Druck konnte nicht ausgeführt werden.");
                },
                [this, title](const QString& message, bool) {
                    if (!message.isEmpty())
                        dialogs_.message(this, title, message);
                });
        });
}

std::vector<std::string> MainWindow::missingWhenSaved(const DocumentState& document) {
    // A loaded file's content the document cannot hold is lost only when the
    // user says so; so is what the syntax chosen cannot write.
    const std::vector<std::string> unwritten = syntax::unwritten(document);
    std::vector<std::string> missing;
    if (document.notCarried.empty() && unwritten.empty())
        return missing;
    missing = notCarriedTexts(document);
    missing.insert(missing.end(), unwritten.begin(), unwritten.end());
    return missing;
}

QString MainWindow::chooseSaveFile(const std::vector<std::string>& missing, const std::string& proposal) {
    const QString title = QStringLiteral("XML Datei speichern");
    if (!missing.empty()) {
        QStringList items;
        for (const std::string& item : missing)
            items << qs(item);
        if (!dialogs_.question(
                this, title,
                QStringLiteral("Beim Speichern fehlen: %1.\rTrotzdem speichern?").arg(items.join(", "))))
            return {};
    }
    const QString fileName = dialogs_.saveFileName(this, title, qs(proposal), xmlFileFilter());
    if (fileName.isEmpty()) // cancelled
        return {};
    // The name may still gain ".xml"; a file of that name is not replaced
    // without asking.
    const QString target = qs(ubl::completeXmlExtension(ss(fileName)));
    if (QFileInfo::exists(target) &&
        !dialogs_.question(
            this, title, QStringLiteral("Die Datei %1 gibt es schon.\rSoll sie ersetzt werden?").arg(target)))
        return {};
    return target;
}

// The check, the questions and the file take one job over a copy of the
// form: the check runs off the window's thread, the questions come back to
// it (the job waits for them), and the file is written off it again. With a
// database, the number is taken, the file written and archived in one
// transaction of the job's own connection to the database. The document
// counts as changed while it is saved: what is typed meanwhile keeps it
// changed after the save, and a save that was refused, stopped, failed or
// cancelled leaves it as changed as it was.
void MainWindow::saveInBackground() {
    const QString title = QStringLiteral("XML Datei speichern");
    const bool wasModified = state_.modified;
    const std::string typed = state_.doc.documentNumber;
    const std::string databaseFile = storeLink_->active() ? storeLink_->database().path() : std::string();
    const StoreLink::Numbers numbers = storeLink_->numbers();
    Form snapshot = state_;
    saving_ = true;
    state_.modified = false;
    const bool started = jobs_->start(
        title, std::move(snapshot),
        [this, databaseFile, numbers](Form& document, JobControl& control) {
            SaveJob job;
            job.check = checkMandatoryFields(document);
            if (!job.check.ok)
                return job;
            const std::vector<std::string> missing = missingWhenSaved(document);
            if (!control.ask([&] { job.target = ss(chooseSaveFile(missing, document.currentFileName)); }) ||
                job.target.empty() || !control.progress(1, 0))
                return job;
            // A cancelled save writes nothing, so the database keeps nothing either.
            const auto write = [&control, &job](DocumentState& written, const std::string& file) {
                syntax::SaveOutcome outcome = saveUnlessCancelled(written, file, control, job.placed);
                outcome.ok = outcome.ok && job.placed;
                return outcome;
            };
            if (databaseFile.empty()) {
                job.saved.outcome = write(document, job.target);
                return job;
            }
            // Not to be opened, the file is saved all the same, with a note.
            store::Database database;
            database.openConnection(databaseFile);
            job.saved = StoreLink::save(database, numbers, document, job.target, write);
            job.number = document.doc.documentNumber;
            return job;
        },
        [this, title, wasModified, typed](const SaveJob& job, bool cancelled) {
            saving_ = false;
            if (!job.placed)
                state_.modified = state_.modified || wasModified;
            showTitle();
            if (cancelled && !job.placed) {
                statusField_->setText(
                    job.target.empty()
                        ? QStringLiteral("Speichern abgebrochen: es wurde nichts gespeichert.")
                        : QStringLiteral("Speichern abgebrochen: die Datei %1 blieb, wie sie war.")
                              .arg(qs(job.target)));
                return;
            }
            if (!job.check.ok) {
                dialogs_.message(this, qs(job.check.title), qs(job.check.text));
                showCheckTarget(job.check.first);
                return;
            }
            if (job.target.empty()) // the user stopped at a question
                return;
            if (!job.saved.refusal.empty()) {
                dialogs_.message(this, title, qs(job.saved.refusal));
                showCheckTarget({.field = FieldId::DocumentNumber});
                return;
            }
            const syntax::SaveOutcome& outcome = job.saved.outcome;
            state_.currentFileName = outcome.fileName;
            if (!outcome.ok) {
                dialogs_.message(this, title, qs(outcome.message));
                return;
            }
            storeLink_->saved(job.saved, job.number);
            // The number the file holds, unless another was typed meanwhile.
            if (!job.number.empty() && state_.doc.documentNumber == typed) {
                state_.doc.documentNumber = job.number;
                setFieldText(FieldId::DocumentNumber, job.number);
            }
            if (!job.saved.note.empty())
                dialogs_.message(this, title, qs(job.saved.note));
            statusField_->setText(QStringLiteral("Gespeicherte Datei:  ") + qs(outcome.fileName));
            documentFile_ = qs(outcome.fileName);
            showTitle();
        });
    if (!started) {
        saving_ = false;
        state_.modified = wasModified;
    }
}

namespace {

// What the job of "Validieren" of the form's invoice comes back with.
struct ValidateJob {
    MandatoryCheck check;                  // refused: nothing was saved nor run
    std::string problem;                   // the copy could not be saved
    std::shared_ptr<QTemporaryDir> folder; // the copy's, kept until the run has ended
    ValidatorRunHooks::Ended ended;        // set once the validator ran
    ValidatorOutcome outcome;
};

} // namespace

// The validator runs in a job: the window goes on taking input meanwhile,
// and "Abbrechen" in the status bar ends the validator. The form's invoice
// is checked and saved aside in the job too, over a copy of the form; the
// questions and messages before the run are asked on the window's thread.
void MainWindow::validateCommand() {
    const QString title = QStringLiteral("Validieren");
    if (refusedWhileBusy(title))
        return;
    commitFocusedField();
    const int choice = askWhatToValidate(this, dialogs_);
    if (choice == 1) {
        ValidatorRunHooks hooks;
        hooks.start = [this, title](ValidatorRunHooks::Run run, ValidatorRunHooks::Ended ended) {
            jobs_->start(
                title, std::move(run),
                [](ValidatorRunHooks::Run& work, JobControl& control) {
                    return work([&control] { return control.cancelled(); });
                },
                [ended = std::move(ended)](ValidatorOutcome outcome, bool cancelled) {
                    outcome.cancelled = outcome.cancelled || cancelled;
                    ended(outcome);
                });
        };
        validateFile(this, dialogs_, startDirectory_, state_, hooks);
    }
    if (choice != 0)
        return;
    jobs_->start(
        title, Form(state_),
        [this](Form& form, JobControl& control) {
            ValidateJob job;
            job.check = checkMandatoryFields(form);
            if (!job.check.ok)
                return job;
            job.folder = std::make_shared<QTemporaryDir>();
            const syntax::SaveOutcome saved = saveFormForValidation(form, *job.folder);
            if (!saved.ok) {
                job.problem = saved.message;
                return job;
            }
            ValidatorRunHooks::Run run;
            ValidatorRunHooks here; // the run stays in this job
            here.start = [&](ValidatorRunHooks::Run prepared, ValidatorRunHooks::Ended ended) {
                run = std::move(prepared);
                job.ended = std::move(ended);
            };
            control.ask(
                [&] { validateChosenFile(this, dialogs_, startDirectory_, form, qs(saved.fileName), here); });
            if (run)
                job.outcome = run([&control] { return control.cancelled(); });
            return job;
        },
        [this](const ValidateJob& job, bool cancelled) {
            if (!job.check.ok) {
                if (!cancelled) {
                    dialogs_.message(this, qs(job.check.title), qs(job.check.text));
                    showCheckTarget(job.check.first);
                }
                return;
            }
            if (!job.problem.empty()) {
                dialogs_.message(this, QStringLiteral("XML Datei validieren"), qs(job.problem));
                return;
            }
            if (!job.ended)
                return;
            ValidatorOutcome outcome = job.outcome;
            outcome.cancelled = outcome.cancelled || cancelled;
            job.ended(outcome);
        });
}

// The file is read off the window's thread into a copy of the document (its
// code lists and settings); the form takes it only at the end, here.
void MainWindow::loadInBackground(const QString& fileName) {
    jobs_->start(
        QStringLiteral("XML Datei laden"), DocumentState(state_),
        [file = ss(fileName)](DocumentState& document, JobControl&) {
            auto outcome = std::make_shared<syntax::LoadOutcome>(syntax::loadInvoiceFile(document, file));
            return std::make_pair(std::move(document), outcome);
        },
        [this, fileName](std::pair<DocumentState, std::shared_ptr<syntax::LoadOutcome>> loaded,
                         bool cancelled) {
            if (cancelled)
                return;
            if (loaded.second->result == ubl::LoadOutcome::Result::Loaded)
                static_cast<DocumentState&>(state_) = std::move(loaded.first);
            loadEnded(fileName, *loaded.second);
        });
}

} // namespace tallomir::app
