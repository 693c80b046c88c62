#include "pdf/hybrid_invoice.h"

#include "cii/cii.h"
#include "form/input_rules.h"
#include "syntax/syntax.h"
#include "view/invoice_pages.h"
#include "xml/xml.h"

namespace tallomir::pdf {

Profile proposedProfile(const DocumentState& state) {
    return state.xrechnungVersion == XRechnungVersion::V3_0 ? Profile::XRechnung : Profile::En16931;
}

MandatoryCheck prepareHybrid(Form& form, Profile profile) {
    if (profile == Profile::XRechnung)
        selectEntry(form, FieldId::DocumentFormat, 1); // XRechnung 3.0
    return checkMandatoryFields(form);
}

std::vector<std::string> hybridUnwritten(const DocumentState& state) {
    return syntax::unwritten(state, Syntax::Cii);
}

std::string writeHybridInvoice(DocumentState snapshot, Profile profile, const std::string& fileName,
                               const view::PageProgress& progress) {
    const std::string xml = xml::serializeDocument(*cii::buildCiiTree(
        snapshot, profile == Profile::XRechnung ? cii::CiiProfile::XRechnung : cii::CiiProfile::En16931));
    const view::InvoicePages pages(snapshot, notCarriedTexts(snapshot));
    return writeHybridPdf(pages, xml, profile, fileName, progress);
}

} // namespace tallomir::pdf
