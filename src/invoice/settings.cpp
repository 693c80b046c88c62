#include "settings.h"

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace tallomir {

namespace {

constexpr std::string_view groupName = "Global";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

void appendCodePoint(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Every byte is one ISO-8859-1 character.
std::string latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (const char c : bytes)
        appendCodePoint(out, static_cast<unsigned char>(c));
    return out;
}

// Length of the well-formed UTF-8 sequence at pos, or 0.
std::size_t utf8SequenceLength(std::string_view s, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length;
    unsigned min, max = 0x10FFFF, cp;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
        min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (pos + length > s.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    if (cp < min || cp > max || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

// The text after the byte-order mark; a byte that is not part of a
// well-formed UTF-8 sequence becomes U+FFFD, so no broken text reaches a file.
std::string cleanUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t length = utf8SequenceLength(bytes, pos);
        if (length == 0) {
            appendCodePoint(out, 0xFFFD);
            ++pos;
        } else {
            out.append(bytes.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

// The entries of the first group named "Global", in file order.
std::vector<Entry> globalEntries(std::string_view text) {
    std::vector<Entry> entries;
    bool inGroup = false;
    bool groupSeen = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = trimLeft(text.substr(pos, end - pos));
        pos = end + 1;

        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            if (inGroup)
                break; // the group ends at the next group line
            std::string_view name = line.substr(1);
            name = name.substr(0, name.find(']'));
            if (!groupSeen && equalsIgnoringAsciiCase(name, groupName)) {
                inGroup = true;
                groupSeen = true;
            }
            continue;
        }
        if (!inGroup)
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            entries.push_back({trimRight(line), {}});
        } else {
            entries.push_back({trimRight(line.substr(0, equals)), trimLeft(line.substr(equals + 1))});
        }
    }
    return entries;
}

std::optional<std::string_view> findValue(const std::vector<Entry>& entries, std::string_view key) {
    for (const Entry& entry : entries) {
        if (equalsIgnoringAsciiCase(entry.key, key))
            return entry.value; // the first match wins
    }
    return std::nullopt;
}

std::string readText(const std::vector<Entry>& entries, std::string_view key, std::string_view fallback) {
    const std::optional<std::string_view> value = findValue(entries, key);
    if (!value)
        return std::string(fallback);
    return std::string(trimRight(trimLeft(*value)));
}

// The longest leading decimal number with a point; "Infinity" and "NaN" are no
// amount a rate can have, so they count as 0 like any other non-number.
Decimal readNumber(const std::vector<Entry>& entries, std::string_view key, const Decimal& fallback) {
    const std::optional<std::string_view> value = findValue(entries, key);
    if (!value)
        return fallback;
    return parseNumber(trimLeft(*value));
}

void setEntry(std::vector<std::string>& list, std::size_t index, std::string value) {
    if (list.size() <= index)
        list.resize(index + 1);
    list[index] = std::move(value);
}

void setEntry(std::vector<CodeEntry>& list, std::size_t index, std::string text, std::string code) {
    if (list.size() <= index)
        list.resize(index + 1);
    list[index] = CodeEntry{std::move(text), std::move(code)};
}

// The unit list: "Einheit<n>" (text) and "EinheitCode<n>" (code) for n from 0
// up. The first ten keys default to the built-in entries and may change them;
// further keys add entries. An entry without code is left out, one without
// text shows its code. A file that leaves no unit at all keeps the built-in list.
void readUnits(std::vector<CodeEntry>& units, const std::vector<Entry>& entries) {
    constexpr std::size_t unitKeys = 50;
    const std::vector<CodeEntry> builtIn = units;
    std::vector<CodeEntry> read;
    for (std::size_t n = 0; n < unitKeys; ++n) {
        const CodeEntry fallback = n < builtIn.size() ? builtIn[n] : CodeEntry{};
        const std::string number = std::to_string(n);
        std::string code = readText(entries, "EinheitCode" + number, fallback.code);
        std::string text = readText(entries, "Einheit" + number, fallback.text);
        if (code.empty())
            continue;
        read.push_back({text.empty() ? code : std::move(text), std::move(code)});
    }
    if (!read.empty())
        units = std::move(read);
}

} // namespace

std::string settingsFilePath(const std::string& startDirectory, const std::string& programDirectory) {
    namespace fs = std::filesystem;
    const std::string fileName = std::string(programName) + ".ini";
    const fs::path inStart = fs::path(startDirectory) / fileName;
    std::error_code error;
    if (fs::is_regular_file(inStart, error))
        return inStart.string();
    if (!programDirectory.empty()) {
        const fs::path besideProgram = fs::path(programDirectory) / fileName;
        if (fs::is_regular_file(besideProgram, error))
            return besideProgram.string();
    }
    return inStart.string();
}

void loadSettingsFromBytes(CodeLists& lists, std::string_view bytes, const std::string& folder) {
    constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
    const std::string text = bytes.substr(0, byteOrderMark.size()) == byteOrderMark
                                 ? cleanUtf8(bytes.substr(byteOrderMark.size()))
                                 : latin1ToUtf8(bytes);
    const std::vector<Entry> entries = globalEntries(text);

    lists.vatRates[0] = readNumber(entries, "UStSatz0", Decimal::fromInt(19));
    lists.vatRates[1] = readNumber(entries, "UStSatz1", Decimal::fromInt(7));
    lists.vatRates[2] = readNumber(entries, "UStSatz2", Decimal::fromInt(0));

    // Each tax category's text and code, the built-in entry as default.
    constexpr std::pair<const char*, const char*> categoryKeys[] = {
        {"Standard", "Kennz0"},         {"SteuerfreiEU", "Kennz1"},   {"Steuerfrei", "Kennz2"},
        {"Kleinunternehmer", "Kennz3"}, {"Steuerbefreit", "Kennz4"},  {"Steuerschuldner", "Kennz5"},
        {"Nullsteuersatz", "Kennz6"},   {"NichtSteuerbar", "Kennz7"},
    };
    const CodeLists builtIn = defaultCodeLists();
    for (std::size_t i = 0; i < std::size(categoryKeys) && i < builtIn.taxCategories.size(); ++i) {
        std::string text = readText(entries, categoryKeys[i].first, builtIn.taxCategories[i].text);
        setEntry(lists.taxCategories, i, std::move(text),
                 readText(entries, categoryKeys[i].second, builtIn.taxCategories[i].code));
    }

    // More schemes of electronic addresses: "EAdresse4" with "EAdressKennz4",
    // and so on up to 9; an entry without its code is not offered.
    std::vector<CodeEntry> schemes;
    for (std::size_t i = 0; i < 10; ++i) {
        const std::string index = std::to_string(i);
        const CodeEntry fallback =
            i < builtIn.endpointSchemes.size() ? builtIn.endpointSchemes[i] : CodeEntry{};
        CodeEntry entry{readText(entries, "EAdresse" + index, fallback.text),
                        readText(entries, "EAdressKennz" + index, fallback.code)};
        if (!entry.code.empty())
            schemes.push_back(std::move(entry));
    }
    lists.endpointSchemes = std::move(schemes);

    // The version a new document is written in, and each version's validator.
    const std::string format = readText(entries, "Format", "2.1.1");
    lists.defaultVersion = format.rfind("3.0", 0) == 0 ? XRechnungVersion::V3_0 : XRechnungVersion::V2_1_1;
    // The syntax a new document is written in: "CII", else UBL.
    lists.defaultSyntax = readText(entries, "Syntax", "UBL") == "CII" ? Syntax::Cii : Syntax::Ubl;
    constexpr const char* versionKeys[] = {"Validator211", "Validator30"};
    for (std::size_t i = 0; i < lists.validators.size(); ++i) {
        const std::string key = versionKeys[i];
        lists.validators[i] =
            CodeLists::ValidatorSetup{readText(entries, key + "Jar", builtIn.validators[i].jar),
                                      readText(entries, key + "Szenarien", builtIn.validators[i].scenarios),
                                      readText(entries, key + "Regeln", builtIn.validators[i].repository)};
        // A jar the file names lies where the file says, seen from the
        // file's folder, wherever the program was started.
        const std::filesystem::path jar(lists.validators[i].jar);
        if (findValue(entries, key + "Jar") && !folder.empty() && !jar.empty() && jar.is_relative())
            lists.validators[i].jar = (std::filesystem::path(folder) / jar).lexically_normal().string();
    }
    // The seconds a validator may run; a value that is no positive whole
    // number keeps the default.
    lists.validatorTimeLimitSeconds = builtIn.validatorTimeLimitSeconds;
    const std::string limit = readText(entries, "ValidatorZeitlimit", "");
    if (!limit.empty() && limit.size() <= 6 && limit.find_first_not_of("0123456789") == std::string::npos &&
        std::stoi(limit) > 0)
        lists.validatorTimeLimitSeconds = std::stoi(limit);

    // The database; a relative name counts from the settings file's folder.
    lists.databaseFile = readText(entries, "Datenbank", "");
    if (!lists.databaseFile.empty() && !folder.empty() &&
        std::filesystem::path(lists.databaseFile).is_relative())
        lists.databaseFile = (std::filesystem::path(folder) / lists.databaseFile).lexically_normal().string();
    // Number ranges: "Nummernkreis" for every type, "Nummernkreis<code>" for one.
    lists.numberRanges = {{"", readText(entries, "Nummernkreis", "RE-{JJJJ}-{NNNN}")}};
    for (const CodeEntry& type : lists.documentTypes)
        if (const std::optional<std::string_view> own = findValue(entries, "Nummernkreis" + type.code))
            lists.numberRanges[type.code] = std::string(trimRight(trimLeft(*own)));

    setEntry(lists.currencies, 0, readText(entries, "Waehrung0", "EUR"));
    setEntry(lists.currencies, 1, readText(entries, "Waehrung1", "CHF"));
    setEntry(lists.currencies, 2, readText(entries, "Waehrung2", "GBP"));
    setEntry(lists.currencies, 3, readText(entries, "Waehrung3", "USD"));

    readUnits(lists.unitCodes, entries);

    setEntry(lists.paymentTermsTexts, 0, readText(entries, "Zahlungsbed0", "14 Tage rein netto"));
    setEntry(lists.paymentTermsTexts, 1, readText(entries, "Zahlungsbed1", "14 Tage 2% Skonto"));
    setEntry(lists.paymentTermsTexts, 2,
             readText(entries, "Zahlungsbed2", "Nach Rechnungsstellung rein netto"));
    setEntry(lists.paymentTermsTexts, 3, readText(entries, "Zahlungsbed3", ""));
    setEntry(lists.paymentTermsTexts, 4, readText(entries, "Zahlungsbed4", ""));
}

void loadSettings(CodeLists& lists, const std::string& fileName) {
    // A missing or unreadable file is no error: every key keeps its default.
    std::ifstream in(fileName, std::ios::binary);
    std::string bytes;
    if (in)
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::error_code error;
    const std::filesystem::path file = std::filesystem::absolute(fileName, error);
    loadSettingsFromBytes(lists, bytes, error ? std::string() : file.parent_path().string());
}

} // namespace tallomir
