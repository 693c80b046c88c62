#pragma once
// Dialogs that answer from a script and record every box as "title|text".
#include "app/dialogs.h"

#include <QStringList>

#include <cstdio>

class RecordingDialogs : public tallomir::app::Dialogs {
public:
    QString openAnswer; // empty: cancelled
    QStringList requests, messages, opened;
    bool print = false; // each box also to stdout: "BOX <title>", the text, "END"

    void message(QWidget*, const QString& title, const QString& text) override {
        messages << title + '|' + text;
        if (print)
            std::printf("BOX %s\n%s\nEND\n", title.toUtf8().constData(), text.toUtf8().constData());
        std::fflush(stdout);
    }
    bool question(QWidget*, const QString&, const QString&) override { return true; }
    int choose(QWidget*, const QString&, const QString&, const QStringList&) override { return 0; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString& title, const QString& filter) override {
        requests << title + '|' + filter;
        return openAnswer;
    }
    void openDocument(const QString& path) override { opened << path; }
    void openAddress(const QString& address) override { opened << address; }
    QStringList askTexts(QWidget*, const QString&, const QStringList&) override { return {}; }
    bool choosePrinter(QWidget*, QPrinter&, int) override { return false; }
    int chooseItem(QWidget*, const QString&, const QString&, const QStringList&) override { return -1; }
};
