#include "form/lists.h"

#include "invoice/texts.h"

namespace tallomir {

void setFurtherNotes(Form& state, const std::vector<NoteEntry>& notes) {
    std::vector<NoteEntry> taken;
    for (const NoteEntry& note : notes) {
        NoteEntry entry{singleLineText(note.subjectCode), multiLineText(note.text)};
        if (!entry.subjectCode.empty() || !entry.text.empty())
            taken.push_back(std::move(entry));
    }
    if (taken == state.doc.furtherNotes)
        return;
    state.doc.furtherNotes = std::move(taken);
    state.modified = true;
}

} // namespace tallomir
