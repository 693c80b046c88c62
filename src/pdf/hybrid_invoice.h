#pragma once

// "Als ZUGFeRD-PDF speichern" of the document, as the window and the command
// line both run it: the profile proposed, the document made ready for the
// profile and checked as for "Speichern", then the CII invoice of the profile
// embedded in the pages.
//
//   pdf::Profile profile = pdf::proposedProfile(form);       // or the user's choice
//   MandatoryCheck check = pdf::prepareHybrid(form, profile); // !check.ok: nothing is written
//   std::string error = pdf::writeHybridInvoice(form, profile, "RE-1.pdf");

#include "form/document_check.h"
#include "form/form.h"
#include "pdf/hybrid_pdf.h"

#include <string>
#include <vector>

namespace tallomir::pdf {

// The profile proposed for the document: XRECHNUNG when its format is
// XRechnung 3.0, else EN 16931.
Profile proposedProfile(const DocumentState& state);

// The document made ready for the profile, then the check as "Speichern" runs
// it. An XRECHNUNG file follows XRechnung 3.0: the document's "Format" becomes
// 3.0, as if the user had chosen it.
MandatoryCheck prepareHybrid(Form& form, Profile profile);

// What the document holds and the embedded CII invoice cannot say ("Bezug auf
// Rechnung 2"); named before writing as "Speichern" names it.
std::vector<std::string> hybridUnwritten(const DocumentState& state);

// Writes the hybrid PDF of a snapshot of the document: the CII invoice of the
// profile embedded in the pages (with the list of what a loaded file held and
// the document cannot). It reads nothing but the snapshot, so it may run
// wherever the snapshot is kept. Empty on success, otherwise a German message
// naming the file.
std::string writeHybridInvoice(DocumentState snapshot, Profile profile, const std::string& fileName,
                               const view::PageProgress& progress = {});

} // namespace tallomir::pdf
