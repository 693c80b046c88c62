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

void setFurtherPaymentMeans(Form& state, const std::vector<PaymentMeansEntry>& means) {
    std::vector<PaymentMeansEntry> taken;
    for (const PaymentMeansEntry& entry : means) {
        PaymentMeansEntry tidy = entry;
        bool any = false;
        for (std::string* text : {&tidy.code, &tidy.text, &tidy.remittanceInformation, &tidy.iban,
                                  &tidy.accountName, &tidy.bic, &tidy.cardNumber, &tidy.cardNetwork,
                                  &tidy.cardHolder, &tidy.mandateReference, &tidy.debitedIban}) {
            *text = singleLineText(*text);
            any = any || !text->empty();
        }
        if (any)
            taken.push_back(std::move(tidy));
    }
    if (taken == state.doc.furtherPaymentMeans)
        return;
    state.doc.furtherPaymentMeans = std::move(taken);
    state.modified = true;
}

void setAttachments(Form& state, const std::vector<Attachment>& attachments) {
    std::vector<Attachment> taken;
    for (const Attachment& attachment : attachments) {
        Attachment tidy = attachment;
        bool any = !tidy.content.empty();
        for (std::string* text :
             {&tidy.id, &tidy.typeCode, &tidy.description, &tidy.mimeCode, &tidy.fileName, &tidy.uri}) {
            *text = singleLineText(*text);
            any = any || !text->empty();
        }
        if (any)
            taken.push_back(std::move(tidy));
    }
    if (taken == state.doc.attachments)
        return;
    state.doc.attachments = std::move(taken);
    state.modified = true;
}

void setFurtherPartyIds(Form& state, const std::vector<PartyIdentifier>& ids) {
    std::vector<PartyIdentifier> taken;
    for (const PartyIdentifier& id : ids)
        if (PartyIdentifier tidy{singleLineText(id.id), singleLineText(id.scheme)}; !tidy.id.empty())
            taken.push_back(std::move(tidy));
    if (taken == state.doc.supplier.furtherIds)
        return;
    state.doc.supplier.furtherIds = std::move(taken);
    state.modified = true;
}

} // namespace tallomir
