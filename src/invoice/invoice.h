#pragma once

// The invoice as EN 16931 describes it, free of any syntax and of the form:
// every business term (BT-n) and group (BG-n) has its member, lists where the
// standard lets a group repeat. Amounts, quantities and rates are exact
// decimals, dates are days, codes are the code texts of their lists.
//
// Only what a sender states is held here. What follows from it (a line's net
// amount, the VAT breakdown, the document totals) is computed by
// `computeTotals` (invoice_totals.h) and never stored beside it; a received
// file's own figures for them are only compared with the computation when
// the file is loaded.

#include "dates.h"
#include "decimal.h"

#include <optional>
#include <string>
#include <vector>

namespace tallomir::model {

// An identifier with the scheme it is issued under (BT-29 with its scheme
// identifier, BT-34 with its EAS code, ...). An empty scheme: none given.
struct Identifier {
    std::string id;
    std::string scheme;

    bool empty() const { return id.empty(); }
    bool operator==(const Identifier&) const = default;
};

// A day; no value: not given.
using Day = std::optional<DateValue>;
using Amount = std::optional<Decimal>;

// BG-5, BG-8, BG-12, BG-15: a postal address.
struct Address {
    std::string line1;       // BT-35 / BT-50 / BT-64 / BT-75
    std::string line2;       // BT-36 / BT-51 / BT-65 / BT-76
    std::string line3;       // BT-162 / BT-163 / BT-164 / BT-165
    std::string city;        // BT-37 / BT-52 / BT-66 / BT-77
    std::string postCode;    // BT-38 / BT-53 / BT-67 / BT-78
    std::string subdivision; // BT-39 / BT-54 / BT-68 / BT-79
    std::string countryCode; // BT-40 / BT-55 / BT-69 / BT-80

    bool operator==(const Address&) const = default;
};

// BG-6, BG-9: a contact.
struct Contact {
    std::string point; // BT-41 / BT-56
    std::string phone; // BT-42 / BT-57
    std::string email; // BT-43 / BT-58

    bool operator==(const Contact&) const = default;
};

// BG-4 seller, BG-7 buyer. A term the standard gives only one of them is left
// empty in the other.
struct Party {
    std::string name;                       // BT-27 / BT-44
    std::string tradingName;                // BT-28 / BT-45
    std::vector<Identifier> identifiers;    // BT-29 (0..n) / BT-46 (0..1)
    Identifier legalRegistrationId;         // BT-30 / BT-47
    std::string vatId;                      // BT-31 / BT-48
    std::string taxRegistrationId;          // BT-32 (seller only: "Steuernummer")
    std::string additionalLegalInformation; // BT-33 (seller only)
    Identifier electronicAddress;           // BT-34 / BT-49
    Address address;                        // BG-5 / BG-8
    Contact contact;                        // BG-6 / BG-9

    bool operator==(const Party&) const = default;
};

// BG-10: the payee, when it is not the seller.
struct Payee {
    std::string name;               // BT-59
    Identifier identifier;          // BT-60
    Identifier legalRegistrationId; // BT-61

    bool empty() const { return name.empty() && identifier.empty() && legalRegistrationId.empty(); }
    bool operator==(const Payee&) const = default;
};

// BG-11: the seller's tax representative.
struct TaxRepresentative {
    std::string name;  // BT-62
    std::string vatId; // BT-63
    Address address;   // BG-12

    bool empty() const { return name.empty() && vatId.empty() && address == Address{}; }
    bool operator==(const TaxRepresentative&) const = default;
};

// BG-14, BG-26: a period.
struct Period {
    Day start; // BT-73 / BT-134
    Day end;   // BT-74 / BT-135

    bool operator==(const Period&) const = default;
};

// BG-13: delivery.
struct Delivery {
    std::string partyName; // BT-70
    Identifier locationId; // BT-71
    Day actualDate;        // BT-72
    Address address;       // BG-15

    bool operator==(const Delivery&) const = default;
};

// BG-17: an account to transfer to.
struct CreditTransfer {
    std::string accountId;   // BT-84 (IBAN)
    std::string accountName; // BT-85
    std::string providerId;  // BT-86 (BIC)

    bool operator==(const CreditTransfer&) const = default;
};

// BG-18: a payment card.
struct PaymentCard {
    std::string primaryAccountNumber; // BT-87 (only its last digits)
    std::string holderName;           // BT-88

    bool operator==(const PaymentCard&) const = default;
};

// BG-19: a direct debit.
struct DirectDebit {
    std::string mandateReference; // BT-89
    std::string creditorId;       // BT-90
    std::string debitedAccountId; // BT-91

    bool operator==(const DirectDebit&) const = default;
};

// BG-16: payment instructions.
struct Payment {
    std::string meansCode;                       // BT-81
    std::string meansText;                       // BT-82
    std::string remittanceInformation;           // BT-83
    std::vector<CreditTransfer> creditTransfers; // BG-17
    std::optional<PaymentCard> card;             // BG-18
    std::optional<DirectDebit> directDebit;      // BG-19

    bool operator==(const Payment&) const = default;
};

// BG-20/BG-21 on the document, BG-27/BG-28 on a line: an allowance
// (`charge` false) or a charge. The VAT category and rate are the
// document's only.
struct AllowanceCharge {
    bool charge = false;
    Amount amount;           // BT-92 / BT-99 / BT-136 / BT-141
    Amount baseAmount;       // BT-93 / BT-100 / BT-137 / BT-142
    Amount percentage;       // BT-94 / BT-101 / BT-138 / BT-143
    std::string vatCategory; // BT-95 / BT-102
    Amount vatRate;          // BT-96 / BT-103
    std::string reason;      // BT-97 / BT-104 / BT-139 / BT-144
    std::string reasonCode;  // BT-98 / BT-105 / BT-140 / BT-145

    bool operator==(const AllowanceCharge&) const = default;
};

// BG-1: a note.
struct Note {
    std::string subjectCode; // BT-21
    std::string text;        // BT-22

    bool operator==(const Note&) const = default;
};

// BG-3: a preceding invoice.
struct PrecedingInvoice {
    std::string number; // BT-25
    Day issueDate;      // BT-26

    bool operator==(const PrecedingInvoice&) const = default;
};

// BG-24: a supporting document, embedded or referred to.
struct SupportingDocument {
    std::string reference;   // BT-122
    std::string description; // BT-123
    std::string externalUri; // BT-124
    std::string content;     // BT-125, the file's bytes
    std::string mimeCode;    // BT-125, its MIME code
    std::string fileName;    // BT-125, its file name

    bool operator==(const SupportingDocument&) const = default;
};

// BG-23: what a VAT breakdown row states beyond the computation: the
// exemption reason of a category.
struct VatExemption {
    std::string category;   // BT-118
    std::string reason;     // BT-120
    std::string reasonCode; // BT-121

    bool operator==(const VatExemption&) const = default;
};

// BG-32: an item attribute.
struct ItemAttribute {
    std::string name;  // BT-160
    std::string value; // BT-161

    bool operator==(const ItemAttribute&) const = default;
};

// BT-158: an item classification.
struct Classification {
    std::string code;
    std::string listId;
    std::string listVersion;

    bool operator==(const Classification&) const = default;
};

// BG-31: the item.
struct Item {
    std::string name;                            // BT-153
    std::string description;                     // BT-154
    std::string sellersId;                       // BT-155
    std::string buyersId;                        // BT-156
    Identifier standardId;                       // BT-157
    std::vector<Classification> classifications; // BT-158
    std::string originCountry;                   // BT-159
    std::vector<ItemAttribute> attributes;       // BG-32

    bool operator==(const Item&) const = default;
};

// BG-29: the price.
struct Price {
    Decimal netPrice;             // BT-146
    Amount discount;              // BT-147
    Amount grossPrice;            // BT-148
    Amount baseQuantity;          // BT-149
    std::string baseQuantityUnit; // BT-150

    bool operator==(const Price&) const = default;
};

// BG-25: an invoice line. Its net amount (BT-131) is computed.
struct Line {
    std::string id;                                 // BT-126
    std::string note;                               // BT-127
    Identifier objectId;                            // BT-128
    Decimal quantity;                               // BT-129
    std::string unitCode;                           // BT-130
    std::string orderLineReference;                 // BT-132
    std::string accountingReference;                // BT-133
    Period period;                                  // BG-26
    std::vector<AllowanceCharge> allowancesCharges; // BG-27, BG-28
    Price price;                                    // BG-29
    std::string vatCategory;                        // BT-151
    Amount vatRate;                                 // BT-152
    Item item;                                      // BG-31

    bool operator==(const Line&) const = default;
};

// The whole invoice or credit note.
struct Invoice {
    std::string number;                              // BT-1
    Day issueDate;                                   // BT-2
    std::string typeCode;                            // BT-3
    std::string currencyCode;                        // BT-5
    std::string vatAccountingCurrency;               // BT-6
    Day taxPointDate;                                // BT-7
    std::string taxPointDateCode;                    // BT-8
    Day dueDate;                                     // BT-9
    std::string buyerReference;                      // BT-10
    std::string projectReference;                    // BT-11
    std::string contractReference;                   // BT-12
    std::string purchaseOrderReference;              // BT-13
    std::string salesOrderReference;                 // BT-14
    std::string receivingAdviceReference;            // BT-15
    std::string despatchAdviceReference;             // BT-16
    std::string tenderOrLotReference;                // BT-17
    Identifier invoicedObjectId;                     // BT-18
    std::string buyerAccountingReference;            // BT-19
    std::string paymentTerms;                        // BT-20
    std::vector<Note> notes;                         // BG-1
    std::string businessProcess;                     // BT-23
    std::string specificationId;                     // BT-24
    std::vector<PrecedingInvoice> precedingInvoices; // BG-3
    Party seller;                                    // BG-4
    Party buyer;                                     // BG-7
    Payee payee;                                     // BG-10
    TaxRepresentative taxRepresentative;             // BG-11
    Delivery delivery;                               // BG-13
    Period period;                                   // BG-14
    Payment payment;                                 // BG-16
    std::vector<AllowanceCharge> allowancesCharges;  // BG-20, BG-21
    Amount paidAmount;                               // BT-113
    Amount roundingAmount;                           // BT-114
    Amount vatTotalInAccountingCurrency;             // BT-111 (not computable: its rate is the sender's)
    std::vector<VatExemption> exemptions;            // BT-120, BT-121 by category
    std::vector<SupportingDocument> documents;       // BG-24
    std::vector<Line> lines;                         // BG-25

    bool operator==(const Invoice&) const = default;
};

} // namespace tallomir::model
