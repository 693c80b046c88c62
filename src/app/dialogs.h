#pragma once

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace tallomir::app {

// The one seam through which the window talks to the person: every message
// box, file dialog and the opening of a document in the browser. Tests replace
// it with a scripted implementation.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A box with a title, a text and one "OK" button, no icon.
    virtual void message(QWidget* parent, const QString& title, const QString& text) = 0;
    // A box with the buttons "Ja" and "Nein"; true for "Ja".
    virtual bool question(QWidget* parent, const QString& title, const QString& text) = 0;
    // A box with one button per text, the last one cancelling (also Escape and
    // closing the box); the index of the button chosen.
    virtual int choose(QWidget* parent, const QString& title, const QString& text,
                       const QStringList& buttons) = 0;
    // File dialogs; filter in Qt form ("XML Dateien (*.xml);;Alle Dateien (*.*)").
    // An empty result means cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& proposal,
                                 const QString& filter) = 0;
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    // Opens a file with the program the system associates with it (the browser
    // for an HTML report).
    virtual void openDocument(const QString& path) = 0;
    // Opens a web address in the browser.
    virtual void openAddress(const QString& address) = 0;
    // A box with one line of text per label and the buttons "OK" and
    // "Abbrechen"; the texts typed, or an empty list when cancelled.
    virtual QStringList askTexts(QWidget* parent, const QString& title, const QStringList& labels) = 0;
    // The print dialog for a document of pageCount pages; it sets up the
    // printer (device, pages, copies). True when the person chose to print.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer, int pageCount) = 0;
    // A box with a list to pick one entry of, with "OK" and "Abbrechen"; the
    // index of the entry, or -1 when cancelled.
    virtual int chooseItem(QWidget* parent, const QString& title, const QString& label,
                           const QStringList& items) = 0;
};

// The real dialogs of the platform.
class SystemDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& title, const QString& text) override;
    bool question(QWidget* parent, const QString& title, const QString& text) override;
    int choose(QWidget* parent, const QString& title, const QString& text,
               const QStringList& buttons) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& proposal,
                         const QString& filter) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override;
    void openDocument(const QString& path) override;
    void openAddress(const QString& address) override;
    QStringList askTexts(QWidget* parent, const QString& title, const QStringList& labels) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer, int pageCount) override;
    int chooseItem(QWidget* parent, const QString& title, const QString& label,
                   const QStringList& items) override;
};

} // namespace tallomir::app
