// Hostile and broken input ends in a parse error or a correct load, never in a
// crash, a hang or a fetched file.

#include "reader_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using readertest::freshState;
using readertest::load;
using readertest::ublFile;
using Result = tallomir::ubl::LoadOutcome::Result;

namespace {

std::string nested(std::size_t depth, std::string_view inner) {
    std::string text = "<?xml version=\"1.0\"?>\n<ubl:Invoice><cbc:ID>T</cbc:ID><cbc:Note>";
    text.reserve(depth * 8 + 100);
    for (std::size_t i = 0; i < depth; ++i)
        text += "<a>";
    text += inner;
    for (std::size_t i = 0; i < depth; ++i)
        text += "</a>";
    text += "</cbc:Note></ubl:Invoice>\n";
    return text;
}

std::string utf16(std::string_view ascii_or_utf8, bool bigEndian) {
    // The test texts hold only characters of the Basic Multilingual Plane.
    std::u16string units;
    for (std::size_t i = 0; i < ascii_or_utf8.size();) {
        const auto c = static_cast<unsigned char>(ascii_or_utf8[i]);
        char32_t cp;
        if (c < 0x80) {
            cp = c;
            i += 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = ((c & 0x1F) << 6) | (ascii_or_utf8[i + 1] & 0x3F);
            i += 2;
        } else {
            cp = ((c & 0x0F) << 12) | ((ascii_or_utf8[i + 1] & 0x3F) << 6) | (ascii_or_utf8[i + 2] & 0x3F);
            i += 3;
        }
        units.push_back(static_cast<char16_t>(cp));
    }
    std::string bytes = bigEndian ? std::string("\xFE\xFF") : std::string("\xFF\xFE");
    for (char16_t u : units) {
        const char hi = static_cast<char>(u >> 8);
        const char lo = static_cast<char>(u & 0xFF);
        bytes += bigEndian ? hi : lo;
        bytes += bigEndian ? lo : hi;
    }
    return bytes;
}

} // namespace

TEST(ReaderHostile, MillionLevelsOfNestingDoNotCrash) {
    auto state = freshState();
    const auto outcome = load(state, nested(1'000'000, "tief"));
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
    const std::string file =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE ubl:Invoice [\n"
        "<!ENTITY l0 \"ha\">\n"
        "<!ENTITY l1 \"&l0;&l0;&l0;&l0;&l0;&l0;&l0;&l0;&l0;&l0;\">\n"
        "<!ENTITY l2 \"&l1;&l1;&l1;&l1;&l1;&l1;&l1;&l1;&l1;&l1;\">\n"
        "<!ENTITY l3 \"&l2;&l2;&l2;&l2;&l2;&l2;&l2;&l2;&l2;&l2;\">\n"
        "<!ENTITY l4 \"&l3;&l3;&l3;&l3;&l3;&l3;&l3;&l3;&l3;&l3;\">\n"
        "<!ENTITY l5 \"&l4;&l4;&l4;&l4;&l4;&l4;&l4;&l4;&l4;&l4;\">\n"
        "<!ENTITY l6 \"&l5;&l5;&l5;&l5;&l5;&l5;&l5;&l5;&l5;&l5;\">\n"
        "<!ENTITY l7 \"&l6;&l6;&l6;&l6;&l6;&l6;&l6;&l6;&l6;&l6;\">\n"
        "<!ENTITY l8 \"&l7;&l7;&l7;&l7;&l7;&l7;&l7;&l7;&l7;&l7;\">\n"
        "<!ENTITY l9 \"&l8;&l8;&l8;&l8;&l8;&l8;&l8;&l8;&l8;&l8;\">\n"
        "]>\n"
        "<ubl:Invoice><cbc:Note>&l9;</cbc:Note><cbc:ID x=\"&l9;\">B</cbc:ID></ubl:Invoice>\n";
    auto state = freshState();
    const auto outcome = load(state, file);
    ASSERT_NE(outcome.result, Result::NoDocument);
    EXPECT_LT(state.doc.note.size(), 1'000'000u) << "the entity was expanded";
}

TEST(ReaderHostile, ExternalEntitiesAreNeverFetched) {
    const readertest::TempDir dir;
    const auto secret = dir.path() / "geheim.txt";
    readertest::writeFile(secret, "GEHEIMNIS");
    const std::string file = "<?xml version=\"1.0\"?>\n"
                             "<!DOCTYPE ubl:Invoice [<!ENTITY e SYSTEM \"file://" +
                             secret.string() +
                             "\">]>\n"
                             "<ubl:Invoice><cbc:Note>vor &e; nach</cbc:Note></ubl:Invoice>\n";
    auto state = freshState();
    const auto outcome = load(state, file);
    ASSERT_NE(outcome.result, Result::NoDocument);
    EXPECT_EQ(state.doc.note.find("GEHEIMNIS"), std::string::npos);
}

TEST(ReaderHostile, ExternalDtdIsNeverFetched) {
    const std::string file = "<?xml version=\"1.0\"?>\n"
                             "<!DOCTYPE ubl:Invoice SYSTEM \"http://127.0.0.1:9/invoice.dtd\">\n"
                             "<ubl:Invoice><cbc:ID>D</cbc:ID></ubl:Invoice>\n";
    auto state = freshState();
    const auto outcome = load(state, file);
    ASSERT_EQ(outcome.result, Result::Loaded) << outcome.message;
    EXPECT_EQ(state.doc.documentNumber, "D");
}

TEST(ReaderHostile, TruncatedFileIsAParseError) {
    const std::string whole = ublFile("<cbc:ID>X</cbc:ID><cbc:Note>Notiz</cbc:Note>");
    for (std::size_t length : {whole.size() / 2, whole.size() - 3, std::size_t{10}}) {
        auto state = freshState();
        const auto outcome = load(state, std::string_view(whole).substr(0, length));
        EXPECT_EQ(outcome.result, Result::ParseError) << length;
        EXPECT_EQ(outcome.message.rfind("Fehler in der XML Datei:\rMeldung: ", 0), 0u);
        EXPECT_EQ(state.doc.documentNumber, "");
    }
}

TEST(ReaderHostile, BinaryGarbageIsAParseError) {
    std::mt19937 random(4711);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(1 + random() % 4096, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        auto state = freshState();
        EXPECT_EQ(load(state, bytes).result, Result::ParseError) << round;
    }
}

TEST(ReaderHostile, ZeroBytesInsideAreAParseError) {
    std::string file = ublFile("<cbc:ID>A</cbc:ID>");
    file.insert(file.find("A</cbc:ID>"), 1, '\0');
    auto state = freshState();
    EXPECT_EQ(load(state, file).result, Result::ParseError);
}

TEST(ReaderHostile, WronglyEncodedFileIsAParseError) {
    auto state = freshState();
    const auto outcome = load(state, ublFile("<cbc:Note>Gr\xFC\xDF"
                                             "e</cbc:Note>"));
    EXPECT_EQ(outcome.result, Result::ParseError);
    EXPECT_NE(outcome.message.find("not well-formed (invalid token)"), std::string::npos) << outcome.message;
}

TEST(ReaderHostile, UnknownEncodingIsAParseError) {
    auto state = freshState();
    const auto outcome =
        load(state, "<?xml version=\"1.0\" encoding=\"X-UNBEKANNT\"?>\n<ubl:Invoice></ubl:Invoice>\n");
    EXPECT_EQ(outcome.result, Result::ParseError);
    EXPECT_NE(outcome.message.find("unknown encoding"), std::string::npos) << outcome.message;
}

TEST(ReaderHostile, Utf16FilesLoad) {
    for (bool bigEndian : {false, true}) {
        std::string file = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
                           "<ubl:Invoice xmlns:cbc=\"urn:x\"><cbc:ID>U16</cbc:ID>"
                           "<cbc:Note>Grüße € ok</cbc:Note></ubl:Invoice>\r\n";
        auto state = freshState();
        const auto outcome = load(state, utf16(file, bigEndian));
        ASSERT_EQ(outcome.result, Result::Loaded) << outcome.message;
        EXPECT_EQ(state.doc.documentNumber, "U16");
        EXPECT_EQ(state.doc.note, "Grüße € ok");
    }
}

TEST(ReaderHostile, Latin1FilesLoad) {
    const std::string file = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                             "<ubl:Invoice><cbc:ID>L1</cbc:ID><cbc:Note>Gr\xFC\xDF"
                             "e \xA3</cbc:Note></ubl:Invoice>\n";
    auto state = freshState();
    const auto outcome = load(state, file);
    ASSERT_EQ(outcome.result, Result::Loaded) << outcome.message;
    EXPECT_EQ(state.doc.note, "Grüße £");
}

TEST(ReaderHostile, ManyLinesLoad) {
    std::string body;
    for (int i = 1; i <= 20'000; ++i)
        body += "<cac:InvoiceLine><cbc:ID>" + std::to_string(i) +
                "</cbc:ID><cbc:LineExtensionAmount>0.01</cbc:LineExtensionAmount></cac:InvoiceLine>";
    auto state = freshState();
    ASSERT_EQ(load(state, ublFile(body)).result, Result::Loaded);
    ASSERT_EQ(state.lines.size(), 20'000u);
    EXPECT_EQ(state.lines.back().position, "20000");
    EXPECT_EQ(state.doc.lineExtensionAmount, "200.00");
}
