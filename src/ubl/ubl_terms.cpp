// The values of a UBL 2.1 invoice or credit note and the places of their
// elements, in file order. Element alternatives: "cbc:InvoiceTypeCode" of an
// invoice, "cbc:CreditNoteTypeCode" of a credit note and the like.

#include "ubl/terms.h"

namespace tallomir::ubl::terms {
namespace {

using D = InvoiceDocument;
using P = PartyFields;
using F = DeliveryFields;
using L = LineItem;
using V = VatBreakdownEntry;
using A = AllowanceCharge;
using N = NoteEntry;
using C = ItemClassification;
using M = PaymentMeansEntry;
using T = tallomir::Attachment;
using I2 = PartyIdentifier;
using I = ItemAttribute;
using enum Record;
using enum Form;

// A party's block, the seller's and the buyer's alike.
constexpr Term partyTerms[] = {
    {.path = "cbc:EndpointID",
     .record = Party,
     .field = &P::endpointId,
     .attribute = {"schemeID", &P::endpointScheme}},
    {.path = "cac:PartyIdentification/cbc:ID",
     .record = Party,
     .field = &P::partyId,
     .attribute = {"schemeID", &P::partyIdScheme}},
    // the seller's identifiers after the first
    {.path = "cac:PartyIdentification/cbc:ID",
     .record = SellerIdentifier,
     .field = &I2::id,
     .attribute = {"schemeID", &I2::scheme},
     .hook = Hook::FurtherPartyId},
    {"cac:PartyName/cbc:Name", Party, &P::name},
    {"cac:PostalAddress/cbc:StreetName", Party, &P::street},
    {"cac:PostalAddress/cbc:AdditionalStreetName", Party, &P::additionalStreet},
    {"cac:PostalAddress/cbc:CityName", Party, &P::city},
    {"cac:PostalAddress/cbc:PostalZone", Party, &P::postalCode},
    {"cac:PostalAddress/cbc:CountrySubentity", Party, &P::region},
    {"cac:PostalAddress/cac:AddressLine/cbc:Line", Party, &P::addressLine3},
    {"cac:PostalAddress/cac:Country/cbc:IdentificationCode", Party, &P::countryCode},
    // the VAT identifier or the tax number, as its scheme says
    {.path = "cac:PartyTaxScheme/cbc:CompanyID", .record = Party, .hook = Hook::PartyTaxScheme},
    {.path = "cac:PartyTaxScheme/cac:TaxScheme/cbc:ID", .record = Party, .hook = Hook::TakenWithBlock},
    {"cac:PartyLegalEntity/cbc:RegistrationName", Party, &P::registrationName},
    {.path = "cac:PartyLegalEntity/cbc:CompanyID",
     .record = Party,
     .field = &P::registrationId,
     .attribute = {"schemeID", &P::registrationIdScheme}},
    // only the seller has a legal form
    {"cac:PartyLegalEntity/cbc:CompanyLegalForm", Seller, &P::legalForm},
    {"cac:Contact/cbc:Name", Party, &P::contactName},
    {"cac:Contact/cbc:Telephone", Party, &P::phone},
    {"cac:Contact/cbc:ElectronicMail", Party, &P::email},
};

constexpr Term allowanceTerms[] = {
    {.path = "cbc:ChargeIndicator",
     .record = Allowance,
     .field = &A::chargeIndicator,
     .hook = Hook::ChargeIndicator},
    {"cbc:AllowanceChargeReasonCode", Allowance, &A::reasonCode},
    {"cbc:AllowanceChargeReason", Allowance, &A::reason},
    {"cbc:MultiplierFactorNumeric", Allowance, &A::percent},
    {"cbc:Amount", Allowance, &A::amount},
    {"cbc:BaseAmount", Allowance, &A::baseAmount},
    {"cac:TaxCategory/cbc:ID", Allowance, &A::taxCategory},
    {"cac:TaxCategory/cbc:Percent", Allowance, &A::taxPercent},
    {"cac:TaxCategory/cac:TaxScheme/cbc:ID", Allowance, &A::taxScheme},
};

constexpr Term subtotalTerms[] = {
    {"cbc:TaxableAmount", Subtotal, &V::taxableAmount},
    {"cbc:TaxAmount", Subtotal, &V::taxAmount},
    {.path = "cac:TaxCategory/cbc:ID",
     .record = Subtotal,
     .field = &V::categoryCode,
     .hook = Hook::DocumentCategory},
    {"cac:TaxCategory/cbc:Percent", Subtotal, &V::ratePercent},
    {"cac:TaxCategory/cbc:TaxExemptionReasonCode", Subtotal, &V::exemptionReasonCode},
    {"cac:TaxCategory/cbc:TaxExemptionReason", Subtotal, &V::exemptionReason},
    {"cac:TaxCategory/cac:TaxScheme/cbc:ID", Subtotal, &V::schemeId},
};

// A payment means after the first, kept as the file gives it.
constexpr Term paymentMeansTerms[] = {
    {.path = "cbc:PaymentMeansCode",
     .record = FurtherPayment,
     .field = &M::code,
     .attribute = {"name", &M::text}},
    {"cbc:PaymentID", FurtherPayment, &M::remittanceInformation},
    {"cac:CardAccount/cbc:PrimaryAccountNumberID", FurtherPayment, &M::cardNumber},
    {"cac:CardAccount/cbc:NetworkID", FurtherPayment, &M::cardNetwork},
    {"cac:CardAccount/cbc:HolderName", FurtherPayment, &M::cardHolder},
    {"cac:PayeeFinancialAccount/cbc:ID", FurtherPayment, &M::iban},
    {"cac:PayeeFinancialAccount/cbc:Name", FurtherPayment, &M::accountName},
    {"cac:PayeeFinancialAccount/cac:FinancialInstitutionBranch/cbc:ID", FurtherPayment, &M::bic},
    {"cac:PaymentMandate/cbc:ID", FurtherPayment, &M::mandateReference},
    {"cac:PaymentMandate/cac:PayerFinancialAccount/cbc:ID", FurtherPayment, &M::debitedIban},
};

// A supporting document: the file itself in Base64 with its MIME type and
// name, or its address.
constexpr Term attachmentTerms[] = {
    {"cbc:ID", Attachment, &T::id},
    {"cbc:DocumentTypeCode", Attachment, &T::typeCode},
    {"cbc:DocumentDescription", Attachment, &T::description},
    {.path = "cac:Attachment/cbc:EmbeddedDocumentBinaryObject",
     .record = Attachment,
     .field = &T::content,
     .attribute = {"mimeCode", &T::mimeCode},
     .secondAttribute = {"filename", &T::fileName}},
    {"cac:Attachment/cac:ExternalReference/cbc:URI", Attachment, &T::uri},
};

constexpr Term classificationTerms[] = {
    {.path = "cbc:ItemClassificationCode",
     .record = Classification,
     .field = &C::code,
     .attribute = {"listID", &C::listId},
     .secondAttribute = {"listVersionID", &C::listVersionId}},
};

constexpr Term itemPropertyTerms[] = {
    {"cbc:Name", ItemProperty, &I::name},
    {"cbc:Value", ItemProperty, &I::value},
};

// A line's allowance or charge: no tax category, the line's counts.
constexpr Term lineAllowanceTerms[] = {
    {.path = "cbc:ChargeIndicator",
     .record = LineAllowance,
     .field = &A::chargeIndicator,
     .hook = Hook::ChargeIndicator},
    {"cbc:AllowanceChargeReasonCode", LineAllowance, &A::reasonCode},
    {"cbc:AllowanceChargeReason", LineAllowance, &A::reason},
    {"cbc:MultiplierFactorNumeric", LineAllowance, &A::percent},
    {"cbc:Amount", LineAllowance, &A::amount},
    {"cbc:BaseAmount", LineAllowance, &A::baseAmount},
};

constexpr Term lineTerms[] = {
    {"cbc:ID", Line, &L::position},
    {"cbc:Note", Line, &L::lineNote},
    {.path = "cbc:InvoicedQuantity|cbc:CreditedQuantity",
     .record = Line,
     .field = &L::quantity,
     .attribute = {"unitCode", &L::unitCode}},
    {"cbc:LineExtensionAmount", Line, &L::lineNetAmount},
    {"cac:InvoicePeriod/cbc:StartDate", Line, &L::lineStartDate, Date},
    {"cac:InvoicePeriod/cbc:EndDate", Line, &L::lineEndDate, Date},
    {"cbc:AccountingCost", Line, &L::lineAccountingReference},
    {"cac:OrderLineReference/cbc:LineID", Line, &L::orderLineReference},
    // the identifier of an object the line is for, a reference of type 130
    {.path = "cac:DocumentReference/cbc:ID",
     .record = Line,
     .field = &L::lineObjectIdentifier,
     .attribute = {"schemeID", &L::lineObjectIdentifierScheme},
     .hook = Hook::ObjectReference},
    {.path = "cac:DocumentReference/cbc:DocumentTypeCode", .record = Line, .hook = Hook::ObjectReference},
    {.path = "cac:AllowanceCharge", .record = LineAllowance, .group = lineAllowanceTerms},
    {"cac:Item/cbc:Description", Line, &L::itemDescription},
    {"cac:Item/cbc:Name", Line, &L::itemName},
    {"cac:Item/cac:BuyersItemIdentification/cbc:ID", Line, &L::buyersItemId},
    {"cac:Item/cac:SellersItemIdentification/cbc:ID", Line, &L::itemNumber},
    {.path = "cac:Item/cac:StandardItemIdentification/cbc:ID",
     .record = Line,
     .field = &L::standardItemId,
     .attribute = {"schemeID", &L::standardItemIdScheme}},
    {"cac:Item/cac:OriginCountry/cbc:IdentificationCode", Line, &L::originCountry},
    {.path = "cac:Item/cac:CommodityClassification", .record = Classification, .group = classificationTerms},
    {"cac:Item/cac:ClassifiedTaxCategory/cbc:ID", Line, &L::lineTaxCategory},
    {"cac:Item/cac:ClassifiedTaxCategory/cbc:Percent", Line, &L::lineVatPercent},
    {"cac:Item/cac:ClassifiedTaxCategory/cac:TaxScheme/cbc:ID", Line, &L::lineTaxScheme},
    {.path = "cac:Item/cac:AdditionalItemProperty", .record = ItemProperty, .group = itemPropertyTerms},
    {"cac:Price/cbc:PriceAmount", Line, &L::unitPrice},
    {.path = "cac:Price/cbc:BaseQuantity",
     .record = Line,
     .field = &L::baseQuantity,
     .attribute = {"unitCode", {}}},
};

constexpr Term documentTerms[] = {
    {.path = "cbc:CustomizationID", .hook = Hook::Version},
    {.path = "cbc:ProfileID", .field = &D::businessProcess, .hook = Hook::Profile},
    {"cbc:ID", Document, &D::documentNumber},
    {"cbc:IssueDate", Document, &D::issueDate, Date},
    {"cbc:DueDate", Document, &D::dueDate, Date},
    {"cbc:InvoiceTypeCode|cbc:CreditNoteTypeCode", Document, &D::documentTypeCode},
    {"cbc:Note", Document, &D::note},
    {.path = "cbc:Note", .record = Note, .field = &N::text, .hook = Hook::FurtherNote},
    {"cbc:TaxPointDate", Document, &D::taxPointDate, Date},
    {"cbc:ActualDeliveryDate", Document, &D::deliveryDate, Date},
    {.path = "cbc:DocumentCurrencyCode", .field = &D::loadedDocumentCurrency, .hook = Hook::ShownCurrency},
    {"cbc:TaxCurrencyCode", Document, &D::loadedTaxCurrency},
    {"cbc:AccountingCost", Document, &D::buyerAccountingReference},
    {"cbc:BuyerReference", Document, &D::buyerReference},
    {"cac:InvoicePeriod/cbc:StartDate", Document, &D::periodStart, Date},
    {"cac:InvoicePeriod/cbc:EndDate", Document, &D::periodEnd, Date},
    {"cac:OrderReference/cbc:ID", Document, &D::orderNumber},
    {"cac:OrderReference/cbc:SalesOrderID", Document, &D::salesOrderNumber},
    {.path = "cac:BillingReference/cac:InvoiceDocumentReference/cbc:ID",
     .field = &D::precedingInvoiceNumber,
     .hook = Hook::FirstPreceding},
    {"cac:BillingReference/cac:InvoiceDocumentReference/cbc:IssueDate", Document, &D::precedingInvoiceDate,
     Date},
    {"cac:DespatchDocumentReference/cbc:ID", Document, &D::despatchAdviceReference},
    {"cac:ReceiptDocumentReference/cbc:ID", Document, &D::receivingAdviceReference},
    {"cac:OriginatorDocumentReference/cbc:ID", Document, &D::tenderOrLotReference},
    {"cac:ContractDocumentReference/cbc:ID", Document, &D::contractNumber},
    // the credit note's project reference, a reference of type 50
    {.path = "cac:AdditionalDocumentReference/cbc:ID",
     .field = &D::projectNumber,
     .hook = Hook::ProjectReference},
    {.path = "cac:AdditionalDocumentReference/cbc:DocumentTypeCode", .hook = Hook::ProjectReference},
    // the identifier of the invoiced object, a reference of type 130
    {.path = "cac:AdditionalDocumentReference/cbc:ID",
     .field = &D::invoicedObjectIdentifier,
     .attribute = {"schemeID", &D::invoicedObjectScheme},
     .hook = Hook::ObjectReference},
    {.path = "cac:AdditionalDocumentReference/cbc:DocumentTypeCode", .hook = Hook::ObjectReference},
    // any other reference: a supporting document
    {.path = "cac:AdditionalDocumentReference", .record = Attachment, .group = attachmentTerms},
    {"cac:ProjectReference/cbc:ID", Document, &D::projectNumber},
    {.path = "cac:AccountingSupplierParty/cac:Party", .record = Seller, .group = partyTerms},
    // the seller's identifier in the SEPA scheme is the creditor identifier of a direct debit
    {.path = "cac:AccountingSupplierParty/cac:Party/cac:PartyIdentification/cbc:ID",
     .record = Payment,
     .field = &D::creditorId,
     .attribute = {"schemeID", {}},
     .hook = Hook::SepaCreditor},
    {.path = "cac:AccountingCustomerParty/cac:Party", .record = Buyer, .group = partyTerms},
    {.path = "cac:PayeeParty/cac:PartyIdentification/cbc:ID",
     .field = &D::payeeIdentifier,
     .attribute = {"schemeID", &D::payeeIdentifierScheme}},
    {"cac:PayeeParty/cac:PartyName/cbc:Name", Document, &D::payeeName},
    {.path = "cac:PayeeParty/cac:PartyLegalEntity/cbc:CompanyID",
     .field = &D::payeeRegistrationId,
     .attribute = {"schemeID", &D::payeeRegistrationScheme}},
    {"cac:TaxRepresentativeParty/cac:PartyName/cbc:Name", Document, &D::taxRepresentativeName},
    {"cac:TaxRepresentativeParty/cac:PostalAddress/cbc:StreetName", Document, &D::taxRepresentativeStreet},
    {"cac:TaxRepresentativeParty/cac:PostalAddress/cbc:AdditionalStreetName", Document,
     &D::taxRepresentativeAdditionalStreet},
    {"cac:TaxRepresentativeParty/cac:PostalAddress/cbc:CityName", Document, &D::taxRepresentativeCity},
    {"cac:TaxRepresentativeParty/cac:PostalAddress/cbc:PostalZone", Document,
     &D::taxRepresentativePostalCode},
    {"cac:TaxRepresentativeParty/cac:PostalAddress/cbc:CountrySubentity", Document,
     &D::taxRepresentativeRegion},
    {"cac:TaxRepresentativeParty/cac:PostalAddress/cac:AddressLine/cbc:Line", Document,
     &D::taxRepresentativeAddressLine3},
    {"cac:TaxRepresentativeParty/cac:PostalAddress/cac:Country/cbc:IdentificationCode", Document,
     &D::taxRepresentativeCountryCode},
    {"cac:TaxRepresentativeParty/cac:PartyTaxScheme/cbc:CompanyID", Document, &D::taxRepresentativeVatId},
    // the scheme of the identifier is VAT, written as such
    {.path = "cac:TaxRepresentativeParty/cac:PartyTaxScheme/cac:TaxScheme/cbc:ID",
     .hook = Hook::TakenWithBlock},
    {"cac:Delivery/cbc:ActualDeliveryDate", Delivery, &D::deliveryDate, Date},
    {.path = "cac:Delivery/cac:DeliveryLocation/cbc:ID",
     .record = Delivery,
     .field = &F::locationId,
     .attribute = {"schemeID", &F::locationIdScheme}},
    {"cac:Delivery/cac:DeliveryLocation/cac:Address/cbc:StreetName", Delivery, &F::street},
    {"cac:Delivery/cac:DeliveryLocation/cac:Address/cbc:AdditionalStreetName", Delivery,
     &F::additionalStreet},
    {"cac:Delivery/cac:DeliveryLocation/cac:Address/cbc:CityName", Delivery, &F::city},
    {"cac:Delivery/cac:DeliveryLocation/cac:Address/cbc:PostalZone", Delivery, &F::postalCode},
    {"cac:Delivery/cac:DeliveryLocation/cac:Address/cbc:CountrySubentity", Delivery, &F::region},
    {"cac:Delivery/cac:DeliveryLocation/cac:Address/cac:AddressLine/cbc:Line", Delivery, &F::addressLine3},
    {"cac:Delivery/cac:DeliveryLocation/cac:Address/cac:Country/cbc:IdentificationCode", Delivery,
     &F::countryCode},
    {"cac:Delivery/cac:DeliveryParty/cac:PartyName/cbc:Name", Delivery, &F::name},
    {.path = "cac:PaymentMeans",
     .record = FurtherPayment,
     .hook = Hook::FurtherPaymentMeans,
     .group = paymentMeansTerms},
    {.path = "cac:PaymentMeans/cbc:PaymentMeansCode",
     .record = Payment,
     .field = &D::paymentMeansCode,
     .attribute = {"name", &D::paymentMeansText}},
    {"cac:PaymentMeans/cbc:PaymentDueDate", Payment, &D::dueDate, Date},
    {"cac:PaymentMeans/cbc:PaymentID", Payment, &D::remittanceInformation},
    {"cac:PaymentMeans/cac:PayeeFinancialAccount/cbc:ID", Payment, &D::iban},
    {"cac:PaymentMeans/cac:PayeeFinancialAccount/cbc:Name", Payment, &D::bankName},
    {"cac:PaymentMeans/cac:PayeeFinancialAccount/cac:FinancialInstitutionBranch/cbc:ID", Payment, &D::bic},
    {"cac:PaymentMeans/cac:CardAccount/cbc:PrimaryAccountNumberID", Payment, &D::cardNumber},
    {"cac:PaymentMeans/cac:CardAccount/cbc:NetworkID", Payment, &D::cardNetwork},
    {"cac:PaymentMeans/cac:CardAccount/cbc:HolderName", Payment, &D::cardHolder},
    {"cac:PaymentMeans/cac:PaymentMandate/cbc:ID", Payment, &D::mandateReference},
    {"cac:PaymentMeans/cac:PaymentMandate/cac:PayerFinancialAccount/cbc:ID", Payment, &D::debitedIban},
    {"cac:PaymentTerms/cbc:Note", Payment, &D::paymentTerms},
    {.path = "cac:AllowanceCharge", .record = Allowance, .group = allowanceTerms},
    {.path = "cac:TaxTotal/cbc:TaxAmount",
     .field = &D::taxTotalAmount,
     .hook = Hook::TaxTotal,
     .label = "USt. gesamt"},
    {.path = "cac:TaxTotal/cbc:TaxAmount", .field = &D::taxCurrencyTaxAmount, .hook = Hook::TaxCurrencyTotal},
    {.path = "cac:TaxTotal/cac:TaxSubtotal", .record = Subtotal, .group = subtotalTerms},
    {.path = "cac:LegalMonetaryTotal/cbc:LineExtensionAmount",
     .hook = Hook::StatedTotal,
     .label = "Summe der Positionen"},
    {.path = "cac:LegalMonetaryTotal/cbc:TaxExclusiveAmount",
     .hook = Hook::StatedTotal,
     .label = "Nettobetrag"},
    {.path = "cac:LegalMonetaryTotal/cbc:TaxInclusiveAmount",
     .hook = Hook::StatedTotal,
     .label = "Bruttobetrag"},
    {.path = "cac:LegalMonetaryTotal/cbc:AllowanceTotalAmount",
     .hook = Hook::StatedTotal,
     .label = "Summe der Nachlässe"},
    {.path = "cac:LegalMonetaryTotal/cbc:ChargeTotalAmount",
     .hook = Hook::StatedTotal,
     .label = "Summe der Zuschläge"},
    {"cac:LegalMonetaryTotal/cbc:PrepaidAmount", Document, &D::prepaidAmount},
    {"cac:LegalMonetaryTotal/cbc:PayableRoundingAmount", Document, &D::roundingAmount},
    {.path = "cac:LegalMonetaryTotal/cbc:PayableAmount", .hook = Hook::StatedTotal, .label = "Zahlbetrag"},
    {.path = "cac:InvoiceLine|cac:CreditNoteLine", .record = Line, .group = lineTerms},
};

} // namespace

std::span<const Term> ublTerms() {
    return documentTerms;
}

} // namespace tallomir::ubl::terms
