// The window's long commands as jobs (job_runner.h): "Rechnung anzeigen",
// "Als PDF speichern", "Speichern" without a database and "Laden". Each job
// works on a copy of the document taken when it starts; the window goes on
// taking input, and the form changes only when a job's end runs here.

#include "main_window.h"

#include "dialogs.h"
#include "invoice_view.h"
#include "job_runner.h"
#include "main_window_helpers.h"

#include "form/form.h"
#include "syntax/syntax.h"
#include "view/invoice_layout.h"
#include "view/invoice_pages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
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
                                        JobControl& control) {
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
    if (control.cancelled()) {
        QFile::remove(part);
        return outcome;
    }
    if (QFile::exists(place))
        QFile::setPermissions(part, QFile::permissions(place));
    if (std::rename(part.toLocal8Bit().constData(), place.toLocal8Bit().constData()) != 0) {
        QFile::remove(part);
        outcome.ok = false;
        outcome.message = "Die Datei " + target + " konnte nicht gespeichert werden.";
    }
    return outcome;
}

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

// The document counts as changed while it is saved: what is typed meanwhile
// keeps it changed after the save, and a save that failed or was cancelled
// leaves it as changed as it was.
void MainWindow::saveInBackground(const QString& fileName) {
    const QString title = QStringLiteral("XML Datei speichern");
    const bool wasModified = state_.modified;
    DocumentState snapshot = state_;
    saving_ = true;
    state_.modified = false;
    const bool started = jobs_->start(
        title, std::move(snapshot),
        [target = ubl::completeXmlExtension(ss(fileName))](DocumentState& document, JobControl& control) {
            return saveUnlessCancelled(document, target, control);
        },
        [this, title, wasModified](const syntax::SaveOutcome& outcome, bool cancelled) {
            saving_ = false;
            if (cancelled || !outcome.ok)
                state_.modified = state_.modified || wasModified;
            if (cancelled) {
                statusField_->setText(
                    QStringLiteral("Speichern abgebrochen: die Datei %1 blieb, wie sie war.")
                        .arg(qs(outcome.fileName)));
                showTitle();
                return;
            }
            state_.currentFileName = outcome.fileName;
            if (!outcome.ok) {
                showTitle();
                dialogs_.message(this, title, qs(outcome.message));
                return;
            }
            statusField_->setText(QStringLiteral("Gespeicherte Datei:  ") + qs(outcome.fileName));
            documentFile_ = qs(outcome.fileName);
            showTitle();
        });
    if (!started) {
        saving_ = false;
        state_.modified = wasModified;
    }
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
