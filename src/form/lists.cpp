#include "form/lists.h"

#include "invoice/texts.h"

#include <initializer_list>

namespace tallomir {
namespace {

// Each entry tidied by `tidy`, which says whether anything is left of it;
// the list replaces the document's when it differs, marking it changed.
template <typename Entry, typename Tidy>
void takeEntries(Form& state, std::vector<Entry>& kept, const std::vector<Entry>& given, Tidy tidy) {
    std::vector<Entry> taken;
    for (Entry entry : given)
        if (tidy(entry))
            taken.push_back(std::move(entry));
    if (taken == kept)
        return;
    kept = std::move(taken);
    state.modified = true;
}

// The texts in one line each; whether any of them holds something.
bool singleLines(std::initializer_list<std::string*> texts) {
    bool any = false;
    for (std::string* text : texts) {
        *text = singleLineText(*text);
        any = any || !text->empty();
    }
    return any;
}

} // namespace

void setFurtherNotes(Form& state, const std::vector<NoteEntry>& notes) {
    takeEntries(state, state.doc.furtherNotes, notes, [](NoteEntry& note) {
        note.text = multiLineText(note.text);
        return singleLines({&note.subjectCode}) || !note.text.empty();
    });
}

void setFurtherPaymentMeans(Form& state, const std::vector<PaymentMeansEntry>& means) {
    takeEntries(state, state.doc.furtherPaymentMeans, means, [](PaymentMeansEntry& m) {
        return singleLines({&m.code, &m.text, &m.remittanceInformation, &m.iban, &m.accountName, &m.bic,
                            &m.cardNumber, &m.cardNetwork, &m.cardHolder, &m.mandateReference,
                            &m.debitedIban});
    });
}

void setAttachments(Form& state, const std::vector<Attachment>& attachments) {
    takeEntries(state, state.doc.attachments, attachments, [](Attachment& a) {
        return singleLines({&a.id, &a.typeCode, &a.description, &a.mimeCode, &a.fileName, &a.uri}) ||
               !a.content.empty();
    });
}

void setFurtherPartyIds(Form& state, const std::vector<PartyIdentifier>& ids) {
    takeEntries(state, state.doc.supplier.furtherIds, ids, [](PartyIdentifier& id) {
        singleLines({&id.scheme});
        return singleLines({&id.id});
    });
}

void setFurtherPrecedingInvoices(Form& state, const std::vector<PrecedingInvoice>& invoices) {
    takeEntries(state, state.doc.furtherPrecedingInvoices, invoices, [](PrecedingInvoice& invoice) {
        return singleLines({&invoice.number, &invoice.issueDate});
    });
}

} // namespace tallomir
