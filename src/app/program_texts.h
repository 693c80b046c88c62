#pragma once

#include <string>

namespace tallomir::app {

// The first part of the "Info" box: title, maker, disclaimer; LF-separated.
std::string aboutText();
// The licence notice of the XML parser that the program carries.
std::string parserNotice();
// aboutText() followed by parserNotice(): the text of the "Info" box.
std::string infoText();

} // namespace tallomir::app
