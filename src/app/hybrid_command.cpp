// "Als ZUGFeRD-PDF speichern …": the document as a hybrid PDF, with the
// profile chosen, checked as for "Speichern" and archived as it archives.

#include "main_window.h"

#include "code_combo.h"
#include "dialogs.h"
#include "job_runner.h"
#include "main_window_helpers.h"
#include "store_link.h"

#include "form/document_check.h"
#include "form/fields.h"
#include "form/form.h"
#include "pdf/hybrid_invoice.h"

#include <QComboBox>
#include <QLabel>

namespace tallomir::app {

void MainWindow::hybridPdfCommand() {
    const QString title = QStringLiteral("Als ZUGFeRD-PDF speichern");
    if (refusedWhileBusy(title))
        return;
    commitFocusedField();
    // The profile the document's format proposes stands first, chosen.
    const pdf::Profile proposed = pdf::proposedProfile(state_);
    const pdf::Profile other =
        proposed == pdf::Profile::XRechnung ? pdf::Profile::En16931 : pdf::Profile::XRechnung;
    const int chosen = dialogs_.chooseItem(
        this, title,
        QStringLiteral("Profil (XRECHNUNG für öffentliche Auftraggeber, EN 16931 für Unternehmen):"),
        {qs(pdf::conformanceLevel(proposed)), qs(pdf::conformanceLevel(other))});
    if (chosen < 0)
        return;
    const pdf::Profile profile = chosen == 0 ? proposed : other;

    const MandatoryCheck check = pdf::prepareHybrid(state_, profile);
    // XRECHNUNG may have set the format to 3.0.
    showCodeInCombo(static_cast<QComboBox*>(field(FieldId::DocumentFormat)), 2,
                    state_.xrechnungVersion == XRechnungVersion::V3_0 ? 1 : 0, std::string());
    updateMarking();
    if (!check.ok) {
        dialogs_.message(this, qs(check.title), qs(check.text));
        showCheckTarget(check.first);
        return;
    }
    // What the embedded invoice cannot hold is lost only when the user says so.
    QStringList items;
    for (const std::string& item : notCarriedTexts(state_))
        items << qs(item);
    for (const std::string& item : pdf::hybridUnwritten(state_))
        items << qs(item);
    if (!items.isEmpty() &&
        !dialogs_.question(
            this, title,
            QStringLiteral("Beim Speichern fehlen: %1.\rTrotzdem speichern?").arg(items.join(", "))))
        return;

    const QString fileName = choosePdfFile(title);
    if (fileName.isEmpty())
        return;

    // Without the database the pages are painted and the file written off
    // the window's thread, on a copy of the document, as "Als PDF speichern"
    // does; the document stays as it is (its file is still the one saved last).
    if (!storeLink_->active()) {
        jobs_->start(
            title, DocumentState(state_),
            [profile, file = ss(fileName)](DocumentState& snapshot, JobControl& control) {
                return pdf::writeHybridInvoice(
                    std::move(snapshot), profile, file,
                    [&control](int done, int total) { return control.progress(done, total); });
            },
            [this, title, fileName](const std::string& message, bool) {
                if (!message.empty())
                    return dialogs_.message(this, title, qs(message));
                statusField_->setText(QStringLiteral("Gespeicherte ZUGFeRD-PDF-Datei:  ") + fileName);
            });
        return;
    }
    // With it, the number is taken and the file archived as "Speichern" does.
    const StoreLink::SaveResult saved =
        storeLink_->save(state_, ss(fileName), [profile](DocumentState& state, const std::string& target) {
            syntax::SaveOutcome outcome;
            outcome.message = pdf::writeHybridInvoice(state, profile, target);
            outcome.ok = outcome.message.empty();
            outcome.fileName = target;
            return outcome;
        });
    if (!saved.refusal.empty()) {
        dialogs_.message(this, title, qs(saved.refusal));
        showCheckTarget({.field = FieldId::DocumentNumber});
        return;
    }
    if (!saved.outcome.ok) {
        dialogs_.message(this, title, qs(saved.outcome.message));
        return;
    }
    setFieldText(FieldId::DocumentNumber, state_.doc.documentNumber);
    if (!saved.note.empty())
        dialogs_.message(this, title, qs(saved.note));
    statusField_->setText(QStringLiteral("Gespeicherte ZUGFeRD-PDF-Datei:  ") + fileName);
}

} // namespace tallomir::app
