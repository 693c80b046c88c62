#pragma once

// What the window asks of the business's database: the archive after a load
// and a save, the number a new invoice is proposed, and a number checked and
// taken as the invoice is saved. Without an open database every step is
// skipped and the window works on single files as before.

#include "syntax/syntax.h"

#include <QString>

#include <functional>
#include <string>

namespace tallomir {
struct DocumentState;
namespace store {
class Database;
}
} // namespace tallomir

namespace tallomir::app {

class StoreLink {
public:
    explicit StoreLink(store::Database* database) : db_(database) {}

    bool active() const;

    // After "Laden": the file's bytes archived as received (bytes archived
    // before keep their entry; a file this business saved keeps its number as
    // the document's own). "" or a German note for the status bar.
    std::string archiveLoaded(const DocumentState& state, const QString& fileName);

    // An archived invoice opened in the form: an issued one keeps its number
    // as the document's own, a received one counts as received.
    void openedArchived(const DocumentState& state, qint64 id);

    // "Neu" and the start: the page "Lieferant" from the own company (after
    // a received invoice, emptied when none is stored, so that nothing of its
    // sender stays) and the next number of the range.
    void startNew(DocumentState& state);
    store::Database& database() const { return *db_; }

    // "Speichern": the number checked and taken, the file written and its
    // bytes archived, as one transaction; a refused number or a failed
    // save leaves the counter as it was.
    struct SaveResult {
        syntax::SaveOutcome outcome; // the file written, or why not
        std::string refusal;         // a number issued to another invoice: nothing was written
        std::string note;      // German, for a message after a written file (another number, no archive)
        bool archived = false; // the file archived under the document's number, which counts as issued
    };
    // A save on the window's thread with a writer of the file (the hybrid
    // PDF), whose bytes are archived as written.
    using Writer = std::function<syntax::SaveOutcome(DocumentState&, const std::string&)>;
    SaveResult save(DocumentState& state, const std::string& fileName, const Writer& write);

    // A save on another thread: what this link knows of the document's
    // number, taken when the save starts; the save itself on `database` (a
    // connection of that thread's own to the same file, see
    // store::Database::openConnection); and what it did, told to this link on
    // the window's thread afterwards.
    struct Numbers {
        std::string own;      // the number this document holds in the archive
        std::string proposed; // the number "Neu" proposed
    };
    Numbers numbers() const { return {ownNumber_, proposed_}; }
    static SaveResult save(store::Database& database, const Numbers& numbers, DocumentState& state,
                           const std::string& fileName, const Writer& write);
    void saved(const SaveResult& result, const std::string& number);

private:
    void proposeNumber(DocumentState& state);

    store::Database* db_;
    bool received_ = false; // the document was loaded and is no invoice of this business
    std::string ownNumber_; // the number this document holds in the archive
    std::string proposed_;  // the number "Neu" proposed
};

} // namespace tallomir::app
