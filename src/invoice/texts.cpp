#include "texts.h"

#include <regex>

namespace tallomir {

std::string singleLineText(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue; // CR LF is one break
        result.push_back(c == '\r' || c == '\n' || c == '\t' ? ' ' : c);
    }
    return result;
}

std::string multiLineText(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            result.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            result.push_back(text[i]);
        }
    }
    return result;
}

std::vector<std::string> discountEntries(std::string_view terms) {
    std::vector<std::string> entries;
    constexpr std::string_view mark = "#SKONTO#";
    std::size_t at = terms.find(mark);
    while (at != std::string_view::npos) {
        const std::size_t next = terms.find(mark, at + mark.size());
        std::string_view entry =
            terms.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at);
        while (!entry.empty() &&
               (entry.back() == ' ' || entry.back() == '\n' || entry.back() == '\r' || entry.back() == '\t'))
            entry.remove_suffix(1);
        entries.emplace_back(entry);
        at = next;
    }
    return entries;
}

bool isDiscountEntry(std::string_view entry) {
    static const std::regex form(
        "#SKONTO#TAGE=[0-9]+#PROZENT=[0-9]+\\.[0-9]{2}(#BASISBETRAG=-?[0-9]+\\.[0-9]{2})?#");
    return std::regex_match(entry.begin(), entry.end(), form);
}

} // namespace tallomir
