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
        state, "<?xml version=\"1.0\"?>\n<ubl:Invoice><cbc:ID>T</cbc:ID><cbc:Note>" +
                   repeated("<a>", 1'000'000) + "tief" + repeated("</a>", 1'000'000) +
                   "</cbc:Note></ubl:Invoice>");
    ASSERT_NE(outcome.result, Result::NoDocument);
    if (outcome.result == Result::Loaded) {
        EXPECT_EQ(state.doc.documentNumber, "T");
        EXPECT_EQ(state.doc.note, "") << "nothing below level 10 is read";
    } else {
        EXPECT_EQ(state.doc.documentNumber, "");
        EXPECT_NE(outcome.message, "");
    }
}

TEST(ReaderHostile, BillionLaughsEndQuickly) {
    std::string file = "<?xml version=\"1.0\"?>\n<!DOCTYPE ubl:Invoice [\n<!ENTITY l0 \"ha\">\n";
    for (int level = 1; level <= 9; ++level)
        file += "<!ENTITY l" + std::to_string(level) + " \"" +
                repeated("&l" + std::to_string(level - 1) + ";", 10) + "\">\n";
    file += "]>\n<ubl:Invoice><cbc:Note>&l9;</cbc:Note><cbc:ID x=\"&l9;\">B</cbc:ID></ubl:Invoice>\n";
    auto state = freshState();
    ASSERT_NE(tallomir::ubl::loadInvoiceBytes(state, file).result, Result::NoDocument);
    EXPECT_LT(state.doc.note.size(), 1'000'000u) << "the entity was expanded";
}

TEST(ReaderHostile, ExternalEntitiesAndDtdsAreNeverFetched) {
    const TempDir dir;
    writeFile(dir.path / "geheim.txt", "GEHEIMNIS");
    auto state = freshState();
    const std::string entity =
        "<!DOCTYPE ubl:Invoice [<!ENTITY e SYSTEM \"file://" + (dir.path / "geheim.txt").string() + "\">]>\n";
    ASSERT_NE(tallomir::ubl::loadInvoiceBytes(
                  state, entity + "<ubl:Invoice><cbc:Note>vor &e; nach</cbc:Note></ubl:Invoice>")
                  .result,
              Result::NoDocument);
    EXPECT_EQ(state.doc.note.find("GEHEIMNIS"), std::string::npos);

    const auto outcome = tallomir::ubl::loadInvoiceBytes(
        state, "<!DOCTYPE ubl:Invoice SYSTEM \"http://127.0.0.1:9/invoice.dtd\">\n"
               "<ubl:Invoice><cbc:ID>D</cbc:ID></ubl:Invoice>\n");
    ASSERT_EQ(outcome.result, Result::Loaded) << outcome.message;
    EXPECT_EQ(state.doc.documentNumber, "D");
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
        u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<ubl:Invoice xmlns:cbc=\"urn:x\">"
        u"<cbc:Note>Grüße € ok</cbc:Note></ubl:Invoice>\r\n";
    std::string little = "\xFF\xFE", big = "\xFE\xFF";
    for (char16_t unit : text) {
        little += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        big += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    }
    const std::pair<std::string, const char*> cases[] = {
        {little, "Grüße € ok"},
        {big, "Grüße € ok"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<ubl:Invoice><cbc:Note>Gr\xFC\xDF"
         "e \xA3</cbc:Note></ubl:Invoice>\n",
         "Grüße £"}};
    for (const auto& [bytes, note] : cases) {
        auto state = freshState();
        const auto outcome = tallomir::ubl::loadInvoiceBytes(state, bytes);
        ASSERT_EQ(outcome.result, Result::Loaded) << outcome.message;
        EXPECT_EQ(state.doc.note, note);
    }
}
