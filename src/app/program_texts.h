#pragma once

#include <string>

namespace tallomir::app {

// The first part of the "Info" box: title, maker, disclaimer; LF-separated.
std::string aboutText();
// The licence notice of the XML parser that the program carries.
std::string parserNotice();
// The licence notice of the Qt libraries (LGPL-3.0) and where their sources are.
std::string toolkitNotice();
// aboutText(), parserNotice() and toolkitNotice(): the text of the "Info" box.
std::string infoText();

} // namespace tallomir::app
