#include "invoice/attachments.h"

#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace tallomir {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 7> mimeCodes{{
    {".pdf", "application/pdf"},
    {".png", "image/png"},
    {".jpg", "image/jpeg"},
    {".jpeg", "image/jpeg"},
    {".csv", "text/csv"},
    {".xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {".ods", "application/vnd.oasis.opendocument.spreadsheet"},
}};

bool isBase64Character(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

} // namespace

bool isAttachmentMimeCode(std::string_view code) {
    for (const auto& [ending, mime] : mimeCodes)
        if (mime == code)
            return true;
    return false;
}

std::string_view mimeCodeOfFileName(std::string_view fileName) {
    std::string lower(fileName);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& [ending, mime] : mimeCodes)
        if (lower.size() > ending.size() && lower.ends_with(ending))
            return mime;
    return {};
}

std::optional<std::size_t> base64Size(std::string_view text) {
    std::size_t characters = 0;
    std::size_t padding = 0;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (c == '=') {
            ++padding;
        } else if (!isBase64Character(c) || padding > 0) {
            return std::nullopt; // a character of no Base64, or one after the padding
        }
        ++characters;
    }
    if (characters % 4 != 0 || padding > 2)
        return std::nullopt;
    return characters / 4 * 3 - padding;
}

} // namespace tallomir
