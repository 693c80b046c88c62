// The table writer's own rules, on a small table of made-up elements: the
// engine builds any syntax's tree from its rows alone.

#include "documents.h"
#include "ubl/table_writer.h"

#include <string>
#include <string_view>

namespace tallomir {
namespace {

using ubl::terms::Hook;
using ubl::terms::Only;
using ubl::terms::Record;
using ubl::terms::TableWriter;
using ubl::terms::Term;
using D = InvoiceDocument;
using L = LineItem;

constexpr Term lineRows[] = {
    {"t:Pos", Record::Line, &L::position},
    {"t:Item/t:Name", Record::Line, &L::itemName},
    {"t:Item/t:Text", Record::Line, &L::itemDescription},
};

constexpr Term rows[] = {
    {"t:Head/t:Number", Record::Document, &D::documentNumber},
    {.path = "t:Head/t:Due", .field = &D::dueDate, .only = Only::Invoice},
    {"t:Kind|t:CreditKind", Record::Document, &D::documentTypeCode},
    {.path = "t:Ref", .field = &D::orderNumber, .attribute = {"scheme", &D::salesOrderNumber}},
    {.path = "t:Notes/t:Note", .record = Record::Note, .field = &NoteEntry::text},
    {.path = "t:Box/t:Bank", .field = &D::iban},
    {.path = "t:Box/t:Name", .field = &D::bankName, .within = 1},
    {.path = "t:Box/t:Empty/t:Code", .field = &D::bic, .keep = 1},
    // a variant's own element is never shared with a plain row's
    {.path = "t:Object/t:Id", .field = &D::invoicedObjectIdentifier, .hook = Hook::ObjectReference},
    {.path = "t:Object/t:Project", .field = &D::projectNumber},
    {.path = "t:Lines/t:Line", .record = Record::Line, .group = lineRows},
};

// The document element as the rows write it, without the declaration.
std::string written(const DocumentState& state, bool creditNote) {
    const xml::DocumentPtr document = xml::createDocument();
    xml::XmlNode* main = xml::appendElement(xml::rootNode(*document), "t:Doc");
    ubl::terms::Written extra;
    extra.creditNote = creditNote;
    TableWriter(state, extra, [](TableWriter&, const Term& row) {
        ADD_FAILURE() << row.path;
    }).write(main, rows);
    const std::string text = xml::serializeDocument(*document);
    const std::size_t start = text.find("<t:Doc");
    return text.substr(start, text.find_last_not_of("\r\n") + 1 - start);
}

TEST(TableWriter, SharesContainersWithinAnEntryAndWritesOneBlockPerEntry) {
    Form full = writertest::newState();
    D& doc = full.doc;
    doc.documentNumber = "R1";
    doc.dueDate = "2024-01-01";
    doc.documentTypeCode = "380";
    doc.orderNumber = "O1";
    doc.salesOrderNumber = "S";
    doc.furtherNotes = {{"", "a"}, {"", "b"}};
    doc.iban = "DE1";
    doc.bankName = "Bank";
    doc.invoicedObjectIdentifier = "OB";
    doc.projectNumber = "PR";
    full.lines.resize(2);
    full.lines[0].position = "1";
    full.lines[0].itemName = "A";
    full.lines[0].itemDescription = "X";
    full.lines[1].position = "2";
    full.lines[1].itemName = "B";

    // a credit note: its alternative, no invoice-only row, no attribute
    // without a value, nothing within a container that does not stand
    Form sparse = writertest::newState();
    sparse.doc.documentNumber = "G1";
    sparse.doc.dueDate = "2024-01-01";
    sparse.doc.documentTypeCode = "381";
    sparse.doc.orderNumber = "O1";
    sparse.doc.bankName = "Bank";

    const struct {
        const DocumentState& state;
        bool creditNote;
        const char* expected;
    } cases[] = {
        {full, false,
         "<t:Doc><t:Head><t:Number>R1</t:Number><t:Due>2024-01-01</t:Due></t:Head><t:Kind>380</t:Kind>"
         "<t:Ref "
         "scheme=\"S\">O1</t:Ref><t:Notes><t:Note>a</t:Note></t:Notes><t:Notes><t:Note>b</t:Note></t:Notes>"
         "<t:Box><t:Bank>DE1</t:Bank><t:Name>Bank</t:Name><t:Empty/></t:Box>"
         "<t:Object><t:Id>OB</t:Id></t:Object><t:Object><t:Project>PR</t:Project></t:Object>"
         "<t:Lines><t:Line><t:Pos>1</t:Pos><t:Item><t:Name>A</t:Name><t:Text>X</t:Text></t:Item></t:Line>"
         "<t:Line><t:Pos>2</t:Pos><t:Item><t:Name>B</t:Name></t:Item></t:Line></t:Lines></t:Doc>"},
        {sparse, true,
         "<t:Doc><t:Head><t:Number>G1</t:Number></t:Head><t:CreditKind>381</t:CreditKind><t:Ref>O1</t:Ref>"
         "</t:Doc>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(written(c.state, c.creditNote), c.expected);
}

TEST(TableWriter, EndsEveryLineOfATextWithCrLf) {
    Form state = writertest::newState();
    state.lines.resize(1);
    state.lines[0].position = "1";
    state.lines[0].itemName = "A";
    for (const std::string_view description :
         {"eins\rzwei\rdrei\rvier", "eins\nzwei\ndrei\nvier", "eins\r\nzwei\rdrei\nvier"}) {
        state.lines[0].itemDescription = description;
        EXPECT_NE(written(state, false).find("<t:Text>eins\r\nzwei\r\ndrei\r\nvier</t:Text>"),
                  std::string::npos)
            << description;
    }
}

} // namespace
} // namespace tallomir
