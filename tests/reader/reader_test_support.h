#pragma once

// Helpers of the loader's tests: states are compared field by field, by name.

#include "../xml/test_support.h"
#include "form/form.h"
#include "ubl/reader.h"

#include <gtest/gtest.h>

#include <map>

namespace readertest {

using Result = tallomir::ubl::LoadOutcome::Result;

inline tallomir::Form freshState() {
    return tallomir::makeForm(tallomir::defaultCodeLists());
}

// The elements of the path ("a/b/c") nested, the innermost holding the text.
inline std::string el(std::string_view path, std::string_view text) {
    const auto slash = path.find('/');
    const std::string name(path.substr(0, slash));
    return "<" + name + ">" + (slash == path.npos ? std::string(text) : el(path.substr(slash + 1), text)) +
           "</" + name + ">";
}

// A UBL file around the children of the root, whose namespace follows its name ("ubl:Invoice", "CreditNote").
inline std::string ublFile(std::string_view body, std::string_view root = "ubl:Invoice") {
    const std::size_t colon = root.find(':');
    const std::string prefix = colon == root.npos ? "" : ":" + std::string(root.substr(0, colon));
    const std::string kind = root.ends_with("CreditNote") ? "CreditNote" : "Invoice";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<" + std::string(root) + " xmlns" + prefix +
           "=\"urn:oasis:names:specification:ubl:schema:xsd:" + kind + "-2\"" +
           " xmlns:cac=\"urn:oasis:names:specification:ubl:schema:xsd:CommonAggregateComponents-2\""
           " xmlns:cbc=\"urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2\">" +
           std::string(body) + "</" + std::string(root) + ">\r\n";
}

// A CII file around the children of the root.
inline std::string ciiFile(std::string_view body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<rsm:CrossIndustryInvoice"
           " xmlns:rsm=\"urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:100\""
           " xmlns:ram=\"urn:un:unece:uncefact:data:standard:ReusableAggregateBusinessInformationEntity:100\""
           " xmlns:udt=\"urn:un:unece:uncefact:data:standard:UnqualifiedDataType:100\">" +
           std::string(body) + "</rsm:CrossIndustryInvoice>\r\n";
}

// A fresh state after loading such a file, which must load.
inline tallomir::Form loaded(std::string_view body, std::string_view root = "ubl:Invoice") {
    tallomir::Form state = freshState();
    const auto outcome = tallomir::ubl::loadInvoiceBytes(state, ublFile(body, root));
    EXPECT_EQ(outcome.result, Result::Loaded) << outcome.message;
    return state;
}

using TempDir = tallomir::xml::test::TempFolder;
using tallomir::xml::test::readBytes;
using tallomir::xml::test::writeBytes;

// The text fields of each record, by name.
template <class T> using FieldTable = std::vector<std::pair<const char*, std::string T::*>>;
using D = tallomir::InvoiceDocument;
using P = tallomir::PartyFields;
using F = tallomir::DeliveryFields;
using L = tallomir::LineItem;
using V = tallomir::VatBreakdownEntry;
// clang-format off
#define TEXT_OF(T, f) {#f, &T::f}
inline const FieldTable<D> documentTexts{
    TEXT_OF(D, documentTypeCode), TEXT_OF(D, buyerReference), TEXT_OF(D, issueDate),
    TEXT_OF(D, documentNumber), TEXT_OF(D, dueDate), TEXT_OF(D, deliveryDate), TEXT_OF(D, periodStart),
    TEXT_OF(D, periodEnd), TEXT_OF(D, orderNumber), TEXT_OF(D, salesOrderNumber), TEXT_OF(D, contractNumber),
    TEXT_OF(D, projectNumber), TEXT_OF(D, note), TEXT_OF(D, precedingInvoiceNumber),
    TEXT_OF(D, precedingInvoiceDate), TEXT_OF(D, customizationId), TEXT_OF(D, businessProcess),
    TEXT_OF(D, buyerAccountingReference), TEXT_OF(D, tenderOrLotReference), TEXT_OF(D, receivingAdviceReference),
    TEXT_OF(D, despatchAdviceReference), TEXT_OF(D, taxPointDate), TEXT_OF(D, remittanceInformation),
    TEXT_OF(D, payeeName), TEXT_OF(D, payeeIdentifier), TEXT_OF(D, payeeIdentifierScheme),
    TEXT_OF(D, payeeRegistrationId), TEXT_OF(D, payeeRegistrationScheme), TEXT_OF(D, taxRepresentativeName),
    TEXT_OF(D, taxRepresentativeStreet), TEXT_OF(D, taxRepresentativeCity), TEXT_OF(D, taxRepresentativePostalCode),
    TEXT_OF(D, taxRepresentativeCountryCode), TEXT_OF(D, taxRepresentativeVatId),
    TEXT_OF(D, taxRepresentativeAdditionalStreet), TEXT_OF(D, taxRepresentativeAddressLine3),
    TEXT_OF(D, taxRepresentativeRegion), TEXT_OF(D, creditorId), TEXT_OF(D, invoicedObjectIdentifier), TEXT_OF(D, invoicedObjectScheme),
    TEXT_OF(D, loadedDocumentCurrency), TEXT_OF(D, loadedTaxCurrency), TEXT_OF(D, paymentMeansCode), TEXT_OF(D, paymentMeansText),
    TEXT_OF(D, bankName), TEXT_OF(D, iban), TEXT_OF(D, bic), TEXT_OF(D, paymentTerms),
    TEXT_OF(D, chargeIndicator), TEXT_OF(D, allowanceReasonCode), TEXT_OF(D, allowanceReason),
    TEXT_OF(D, allowancePercent), TEXT_OF(D, allowanceAmount), TEXT_OF(D, allowanceBaseAmount),
    TEXT_OF(D, allowanceTaxCategory), TEXT_OF(D, allowanceTaxPercent), TEXT_OF(D, allowanceTaxScheme),
    TEXT_OF(D, lineExtensionAmount), TEXT_OF(D, taxExclusiveAmount), TEXT_OF(D, taxTotalAmount),
    TEXT_OF(D, taxInclusiveAmount), TEXT_OF(D, prepaidAmount), TEXT_OF(D, payableAmount),
    TEXT_OF(D, taxCategoryCode), TEXT_OF(D, allowanceTotalAmount), TEXT_OF(D, chargeTotalAmount),
    TEXT_OF(D, roundingAmount), TEXT_OF(D, taxCurrencyTaxAmount)};
inline const FieldTable<P> partyTexts{
    TEXT_OF(P, partyId), TEXT_OF(P, name), TEXT_OF(P, street), TEXT_OF(P, city), TEXT_OF(P, postalCode),
    TEXT_OF(P, countryCode), TEXT_OF(P, vatId), TEXT_OF(P, taxSchemeId), TEXT_OF(P, taxNumber),
    TEXT_OF(P, taxNumberScheme), TEXT_OF(P, endpointId), TEXT_OF(P, endpointScheme),
    TEXT_OF(P, registrationName), TEXT_OF(P, registrationId), TEXT_OF(P, legalForm), TEXT_OF(P, contactName),
    TEXT_OF(P, phone), TEXT_OF(P, email), TEXT_OF(P, additionalStreet), TEXT_OF(P, addressLine3),
    TEXT_OF(P, region), TEXT_OF(P, partyIdScheme), TEXT_OF(P, registrationIdScheme)};
inline const FieldTable<F> deliveryTexts{
    TEXT_OF(F, name), TEXT_OF(F, street), TEXT_OF(F, city), TEXT_OF(F, postalCode), TEXT_OF(F, countryCode),
    TEXT_OF(F, additionalStreet), TEXT_OF(F, addressLine3), TEXT_OF(F, region), TEXT_OF(F, locationId),
    TEXT_OF(F, locationIdScheme)};
inline const FieldTable<L> lineTexts{
    TEXT_OF(L, position), TEXT_OF(L, lineNote), TEXT_OF(L, quantity), TEXT_OF(L, lineNetAmount),
    TEXT_OF(L, lineStartDate), TEXT_OF(L, lineEndDate), TEXT_OF(L, itemName), TEXT_OF(L, itemDescription),
    TEXT_OF(L, itemNumber), TEXT_OF(L, lineTaxCategory), TEXT_OF(L, lineVatPercent),
    TEXT_OF(L, lineTaxScheme), TEXT_OF(L, unitPrice), TEXT_OF(L, unitCode), TEXT_OF(L, baseQuantity),
    TEXT_OF(L, orderLineReference), TEXT_OF(L, lineAccountingReference), TEXT_OF(L, lineObjectIdentifier),
    TEXT_OF(L, lineObjectIdentifierScheme), TEXT_OF(L, buyersItemId), TEXT_OF(L, standardItemId),
    TEXT_OF(L, standardItemIdScheme), TEXT_OF(L, originCountry)};
inline const FieldTable<tallomir::NoteEntry> noteTexts{
    TEXT_OF(tallomir::NoteEntry, subjectCode), TEXT_OF(tallomir::NoteEntry, text)};
inline const FieldTable<tallomir::PaymentMeansEntry> paymentMeansTexts{
    TEXT_OF(tallomir::PaymentMeansEntry, code), TEXT_OF(tallomir::PaymentMeansEntry, text),
    TEXT_OF(tallomir::PaymentMeansEntry, remittanceInformation), TEXT_OF(tallomir::PaymentMeansEntry, cardNumber),
    TEXT_OF(tallomir::PaymentMeansEntry, cardNetwork), TEXT_OF(tallomir::PaymentMeansEntry, cardHolder),
    TEXT_OF(tallomir::PaymentMeansEntry, iban), TEXT_OF(tallomir::PaymentMeansEntry, accountName),
    TEXT_OF(tallomir::PaymentMeansEntry, bic), TEXT_OF(tallomir::PaymentMeansEntry, mandateReference),
    TEXT_OF(tallomir::PaymentMeansEntry, debitedIban)};
inline const FieldTable<tallomir::PartyIdentifier> identifierTexts{
    TEXT_OF(tallomir::PartyIdentifier, id), TEXT_OF(tallomir::PartyIdentifier, scheme)};
inline const FieldTable<tallomir::Attachment> attachmentTexts{
    TEXT_OF(tallomir::Attachment, id), TEXT_OF(tallomir::Attachment, typeCode),
    TEXT_OF(tallomir::Attachment, description), TEXT_OF(tallomir::Attachment, content),
    TEXT_OF(tallomir::Attachment, mimeCode), TEXT_OF(tallomir::Attachment, fileName),
    TEXT_OF(tallomir::Attachment, uri)};
inline const FieldTable<tallomir::ItemClassification> classificationTexts{
    TEXT_OF(tallomir::ItemClassification, code), TEXT_OF(tallomir::ItemClassification, listId),
    TEXT_OF(tallomir::ItemClassification, listVersionId)};
inline const FieldTable<tallomir::ItemAttribute> attributeTexts{
    TEXT_OF(tallomir::ItemAttribute, name), TEXT_OF(tallomir::ItemAttribute, value)};
inline const FieldTable<tallomir::AllowanceCharge> lineAllowanceTexts{
    TEXT_OF(tallomir::AllowanceCharge, chargeIndicator), TEXT_OF(tallomir::AllowanceCharge, reasonCode),
    TEXT_OF(tallomir::AllowanceCharge, reason), TEXT_OF(tallomir::AllowanceCharge, percent),
    TEXT_OF(tallomir::AllowanceCharge, amount), TEXT_OF(tallomir::AllowanceCharge, baseAmount)};
inline const FieldTable<V> vatTexts{
    TEXT_OF(V, documentTaxTotal), TEXT_OF(V, taxableAmount), TEXT_OF(V, taxAmount),
    TEXT_OF(V, exemptionReason), TEXT_OF(V, categoryCode), TEXT_OF(V, ratePercent), TEXT_OF(V, schemeId),
    TEXT_OF(V, exemptionReasonCode)};
// clang-format on
#undef TEXT_OF

using Fields = std::map<std::string, std::string>;

// Every loaded text: "note", "supplier.vatId", "lines[0].unitPrice", the counts "lines", "vatBreakdown"...
inline Fields fieldsOf(const tallomir::Form& state) {
    Fields out{{"documentCurrency", state.documentCurrency},
               {"documentTaxCategory", state.documentTaxCategory},
               {"lines", std::to_string(state.lines.size())},
               {"vatBreakdown", std::to_string(state.vatBreakdown.size())},
               {"furtherAllowances", std::to_string(state.doc.furtherAllowances.size())},
               {"notCarried", ""}};
    const auto addFields = [](Fields& out, const std::string& prefix, const auto& from, const auto& table) {
        for (const auto& [name, member] : table)
            out[prefix + name] = from.*member;
    };
    for (const auto& item : state.notCarried)
        out["notCarried"] += (out["notCarried"].empty() ? "" : "|") + item.text;
    addFields(out, "", state.doc, documentTexts);
    addFields(out, "supplier.", state.doc.supplier, partyTexts);
    addFields(out, "customer.", state.doc.customer, partyTexts);
    addFields(out, "delivery.", state.doc.delivery, deliveryTexts);
    const auto addList = [&](const std::string& prefix, const auto& list, const auto& table) {
        out[prefix] = std::to_string(list.size());
        for (std::size_t i = 0; i < list.size(); ++i)
            addFields(out, prefix + "[" + std::to_string(i) + "].", list[i], table);
    };
    addList("notes", state.doc.furtherNotes, noteTexts);
    addList("paymentMeans", state.doc.furtherPaymentMeans, paymentMeansTexts);
    addList("attachments", state.doc.attachments, attachmentTexts);
    addList("supplier.furtherIds", state.doc.supplier.furtherIds, identifierTexts);
    for (std::size_t i = 0; i < state.lines.size(); ++i) {
        const std::string line = "lines[" + std::to_string(i) + "]";
        addFields(out, line + ".", state.lines[i], lineTexts);
        addList(line + ".classifications", state.lines[i].classifications, classificationTexts);
        addList(line + ".itemAttributes", state.lines[i].itemAttributes, attributeTexts);
        addList(line + ".allowances", state.lines[i].allowances, lineAllowanceTexts);
    }
    for (std::size_t i = 0; i < state.vatBreakdown.size(); ++i)
        addFields(out, "vatBreakdown[" + std::to_string(i) + "].", state.vatBreakdown[i], vatTexts);
    return out;
}

// The named fields of the state hold the values given; each difference is named.
inline void expectFields(const tallomir::Form& actual, const Fields& expected) {
    const Fields fields = fieldsOf(actual);
    for (const auto& [name, value] : expected)
        EXPECT_EQ(fields.count(name) ? fields.at(name) : "(none)", value) << name;
}

} // namespace readertest
