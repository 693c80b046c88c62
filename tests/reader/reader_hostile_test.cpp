// Hostile and broken input ends in a parse error or a correct load, never in a
// crash, a hang or a fetched file.

#include "reader_test_support.h"

using namespace readertest;

namespace {

std::string repeated(std::string_view text, std::size_t times) {
    std::string result;
    result.reserve(text.size() * times);
    while (times-- > 0)
        result += text;
    return result;
}

} // namespace

TEST(ReaderHostile, MillionLevelsOfNestingDoNotCrash) {
    auto state = freshState();
    const auto outcome = tallomir::ubl::loadInvoiceBytes(
        state, ublFile("<cbc:ID>T</cbc:ID><cbc:Note>" + repeated("<a>", 1'000'000) + "tief" +
                       repeated("</a>", 1'000'000) + "</cbc:Note>"));
    ASSERT_NE(outcome.result, Result::NoDocument);
    if (outcome.result == Result::Loaded) {
        EXPECT_EQ(state.doc.documentNumber, "T");
        EXPECT_EQ(state.doc.note, "");
        EXPECT_EQ(tallomir::notCarriedTexts(state), std::vector<std::string>{"Notiz"});
    } else {
        EXPECT_EQ(state.doc.documentNumber, "");
        EXPECT_NE(outcome.message, "");
    }
}

// Files with a document type declaration and files that are no UBL invoice or
// credit note are refused with their reason; the document stays as it was,
// nothing is expanded or fetched.
TEST(ReaderHostile, RefusedFilesLeaveTheDocument) {
    const TempDir dir;
    writeFile(dir.path / "geheim.txt", "GEHEIMNIS");
    std::string laughs = "<!DOCTYPE ubl:Invoice [\n<!ENTITY l0 \"ha\">\n";
    for (int level = 1; level <= 9; ++level)
        laughs += "<!ENTITY l" + std::to_string(level) + " \"" +
                  repeated("&l" + std::to_string(level - 1) + ";", 10) + "\">\n";
    laughs += "]>\n";
    const std::string invoice = ublFile(el("cbc:ID", "&l9;") + el("cbc:Note", "&co; &e;"));
    const std::string body = invoice.substr(invoice.find("<ubl:Invoice"));
    const std::string doctype = "Die Datei enthält eine Dokumenttyp-Deklaration (DOCTYPE).";
    const std::string notUbl = "Die Datei ist keine UBL-Rechnung: ihr Wurzelelement ist ";
    const std::pair<std::string, std::string> cases[] = {
        {"<!DOCTYPE ubl:Invoice [<!ENTITY co \"Firma GmbH\">]>\n" + body, doctype},
        {laughs + body, doctype},
        {"<!DOCTYPE ubl:Invoice [<!ENTITY e SYSTEM \"file://" + (dir.path / "geheim.txt").string() +
             "\">]>\n" + body,
         doctype},
        {"<!DOCTYPE ubl:Invoice SYSTEM \"http://127.0.0.1:9/invoice.dtd\">\n" + body, doctype},
        {"<rsm:CrossIndustryInvoice "
         "xmlns:rsm=\"urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:100\"/>",
         "Die Datei ist eine Rechnung in der Syntax UN/CEFACT CII (CrossIndustryInvoice). Tallomir liest nur "
         "Rechnungen und Gutschriften in der Syntax UBL 2.1."},
        {"<html><body>Rechnung</body></html>", notUbl + "„html“ ohne Namensraum."},
        {"<Order xmlns=\"urn:oasis:names:specification:ubl:schema:xsd:Order-2\"><ID>1</ID></Order>",
         notUbl + "„Order“ im Namensraum urn:oasis:names:specification:ubl:schema:xsd:Order-2."},
        {"<ubl:Invoice><cbc:ID>1</cbc:ID></ubl:Invoice>", notUbl + "„ubl:Invoice“ ohne Namensraum."},
        {ublFile("", "Invoice").replace(ublFile("", "Invoice").find("Invoice-2"), 9, "CreditNote-2"),
         notUbl + "„Invoice“ im Namensraum urn:oasis:names:specification:ubl:schema:xsd:CreditNote-2."},
    };
    for (const auto& [bytes, message] : cases) {
        SCOPED_TRACE(bytes.substr(0, 80));
        auto state = loaded(el("cbc:ID", "vorher") + el("cbc:Note", "alt") + el("cbc:Note", "zwei"));
        const auto before = state;
        const auto outcome = tallomir::ubl::loadInvoiceBytes(state, bytes);
        EXPECT_EQ(outcome.result, Result::Refused);
        EXPECT_TRUE(outcome.message.starts_with(message)) << outcome.message;
        expectSameFields(state, before);
    }
}

TEST(ReaderHostile, BrokenFilesAreParseErrorsWithTheParsersMessage) {
    const std::string whole = ublFile(el("cbc:ID", "X") + el("cbc:Note", "Notiz"));
    std::string zeroByte = whole;
    zeroByte.insert(zeroByte.find("X</cbc:ID>"), 1, '\0');
    const std::pair<std::string, const char*> cases[] = {
        {whole.substr(0, whole.size() / 2), ""},
        {whole.substr(0, whole.size() - 3), ""},
        {whole.substr(0, 10), ""},
        {zeroByte, ""},
        {ublFile(el("cbc:ID", "X") + el("cbc:Note", "Gr\xFC\xDF")), "not well-formed (invalid token)"},
        {"<?xml version=\"1.0\" encoding=\"X-UNBEKANNT\"?>\n<ubl:Invoice></ubl:Invoice>\n",
         "unknown encoding"},
    };
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(bytes);
        auto state = freshState();
        const auto outcome = tallomir::ubl::loadInvoiceBytes(state, bytes);
        EXPECT_EQ(outcome.result, Result::ParseError);
        EXPECT_TRUE(outcome.message.starts_with("Fehler in der XML Datei:\rMeldung: ")) << outcome.message;
        EXPECT_NE(outcome.message.find(reason), std::string::npos) << outcome.message;
        EXPECT_EQ(state.doc.documentNumber, "");
    }
    std::mt19937 random(4711);
    for (int round = 0; round < 50; ++round) {
        std::string garbage(1 + random() % 4096, '\0');
        for (char& c : garbage)
            c = static_cast<char>(random());
        auto state = freshState();
        EXPECT_EQ(tallomir::ubl::loadInvoiceBytes(state, garbage).result, Result::ParseError)
            << "garbage " << round;
    }
}

TEST(ReaderHostile, Utf16AndLatin1FilesLoad) {
    const std::u16string text =
        u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Invoice xmlns=\"urn:oasis:names:specification:ubl:"
        u"schema:xsd:Invoice-2\"><Note "
        u"xmlns=\"urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents"
        u"-2\">Grüße € ok</Note></Invoice>\r\n";
    std::string little = "\xFF\xFE", big = "\xFE\xFF";
    for (char16_t unit : text) {
        little += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        big += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    }
    const std::pair<std::string, const char*> cases[] = {
        {little, "Grüße € ok"},
        {big, "Grüße € ok"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + ublFile("<cbc:Note>Gr\xFC\xDF"
                                                                     "e \xA3</cbc:Note>")
                                                                 .substr(38),
         "Grüße £"}};
    for (const auto& [bytes, note] : cases) {
        auto state = freshState();
        const auto outcome = tallomir::ubl::loadInvoiceBytes(state, bytes);
        ASSERT_EQ(outcome.result, Result::Loaded) << outcome.message;
        EXPECT_EQ(state.doc.note, note);
    }
}
