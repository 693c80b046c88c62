#pragma once

// What an attached file may be: its MIME types and its size.

#include <cstddef>
#include <optional>
#include <string_view>

namespace tallomir {

// The largest file the program attaches or writes, in bytes (15 MB).
inline constexpr std::size_t maxAttachmentBytes = 15u * 1024u * 1024u;

// The MIME types an invoice may carry: PDF, PNG, JPEG, CSV, XLSX and ODS.
bool isAttachmentMimeCode(std::string_view code);
// The MIME type of a file by its name's ending ("rechnung.PDF": PDF); "" for
// any other.
std::string_view mimeCodeOfFileName(std::string_view fileName);

// The number of bytes a Base64 text stands for (line breaks and blanks
// between its characters allowed); none when it is no Base64.
std::optional<std::size_t> base64Size(std::string_view text);

} // namespace tallomir
