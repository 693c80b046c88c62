// "Archiv": the archive window of the business's database, and an archived
// invoice opened in the form.

#include "main_window.h"

#include "archive_window.h"
#include "dialogs.h"
#include "main_window_helpers.h"
#include "store_link.h"

#include "form/form.h"
#include "syntax/syntax.h"

#include <QLabel>

namespace tallomir::app {

void MainWindow::archiveCommand() {
    if (!storeLink_->active())
        return dialogs_.message(this, QStringLiteral("Archiv"),
                                QStringLiteral("Ohne Datenbank gibt es kein Archiv."));
    if (!archiveWindow_) {
        archiveWindow_ = new ArchiveWindow(storeLink_->database(), state_.lists, dialogs_, this);
        connect(archiveWindow_, &ArchiveWindow::openRequested, this, &MainWindow::openArchived);
    } else {
        archiveWindow_->search();
    }
    archiveWindow_->show();
    archiveWindow_->raise();
    archiveWindow_->activateWindow();
}

// As "Laden" of a file with the stored bytes; the document has no file name.
void MainWindow::openArchived(qint64 id, const QByteArray& bytes) {
    if (refusedWhileBusy(QStringLiteral("Archiv")) || !mayDiscardChanges())
        return;
    const ubl::LoadOutcome outcome = syntax::loadInvoiceBytes(
        state_, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (outcome.result != ubl::LoadOutcome::Result::Loaded)
        return dialogs_.message(this, QStringLiteral("Archiv"), qs(outcome.message));
    resetEditor(state_);
    storeLink_->openedArchived(state_, id);
    documentFile_.clear();
    clearStatus();
    statusField_->setText(QStringLiteral("Aus dem Archiv: Nr. %1").arg(id));
    showDocument();
    showNotCarried();
    raise();
    activateWindow();
}

} // namespace tallomir::app
