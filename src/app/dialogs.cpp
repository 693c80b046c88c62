#include "dialogs.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QUrl>

namespace tallomir::app {

namespace {

// Messages separate their lines with CR (or CR LF); a Qt label breaks lines
// only at LF.
QString displayText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace

void SystemDialogs::message(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, displayText(text), QMessageBox::NoButton, parent);
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

bool SystemDialogs::question(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, displayText(text), QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("Ja"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Nein"), QMessageBox::NoRole);
    // A slip of the Enter key must not throw work away.
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

int SystemDialogs::choose(QWidget* parent, const QString& title, const QString& text,
                          const QStringList& buttons) {
    QMessageBox box(QMessageBox::NoIcon, title, displayText(text), QMessageBox::NoButton, parent);
    QList<QPushButton*> added;
    for (const QString& button : buttons)
        added << box.addButton(button, added.size() + 1 == buttons.size() ? QMessageBox::RejectRole
                                                                          : QMessageBox::AcceptRole);
    if (!added.isEmpty()) {
        box.setDefaultButton(added.first());
        box.setEscapeButton(added.last());
    }
    box.exec();
    const qsizetype chosen = added.indexOf(static_cast<QPushButton*>(box.clickedButton()));
    return static_cast<int>(chosen < 0 ? buttons.size() - 1 : chosen);
}

QString SystemDialogs::saveFileName(QWidget* parent, const QString& title, const QString& proposal,
                                    const QString& filter) {
    // The window asks before a file is replaced, once the name is complete.
    return QFileDialog::getSaveFileName(parent, title, proposal, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString SystemDialogs::openFileName(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

void SystemDialogs::openDocument(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SystemDialogs::openAddress(const QString& address) {
    QDesktopServices::openUrl(QUrl(address));
}

QStringList SystemDialogs::askTexts(QWidget* parent, const QString& title, const QStringList& labels) {
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* form = new QFormLayout(&dialog);
    QList<QLineEdit*> edits;
    for (const QString& label : labels) {
        edits << new QLineEdit(&dialog);
        edits.last()->setMinimumWidth(40 * edits.last()->fontMetrics().averageCharWidth());
        form->addRow(label, edits.last());
    }
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    QStringList texts;
    for (QLineEdit* edit : edits)
        texts << edit->text();
    return texts;
}

int SystemDialogs::chooseItem(QWidget* parent, const QString& title, const QString& label,
                              const QStringList& items) {
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, title, label, items, 0, false, &ok);
    return ok ? static_cast<int>(items.indexOf(chosen)) : -1;
}

bool SystemDialogs::choosePrinter(QWidget* parent, QPrinter& printer, int pageCount) {
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, pageCount);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace tallomir::app
