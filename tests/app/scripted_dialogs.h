#pragma once

#include "app/dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

// Answers every dialog from a script and records what the window asked.
class ScriptedDialogs : public tallomir::app::Dialogs {
public:
    struct Message {
        QString title;
        QString text;
    };
    struct FileRequest {
        QString title;
        QString proposal;
        QString filter;
    };

    QList<Message> messages;
    QList<Message> questions;
    QList<FileRequest> saveRequests;
    QList<FileRequest> openRequests;
    QStringList openedDocuments;

    // Answers, taken from the front; an empty list answers "cancelled".
    QStringList saveAnswers;
    QStringList openAnswers;
    QList<bool> questionAnswers;

    void message(QWidget*, const QString& title, const QString& text) override {
        messages.append({title, text});
    }
    bool question(QWidget*, const QString& title, const QString& text) override {
        questions.append({title, text});
        return questionAnswers.isEmpty() ? false : questionAnswers.takeFirst();
    }
    QString saveFileName(QWidget*, const QString& title, const QString& proposal,
                         const QString& filter) override {
        saveRequests.append({title, proposal, filter});
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    QString openFileName(QWidget*, const QString& title, const QString& filter) override {
        openRequests.append({title, QString(), filter});
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    void openDocument(const QString& path) override { openedDocuments << path; }
};
