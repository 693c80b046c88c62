#include "program_texts.h"

#include "invoice/model.h"

#include <QtGlobal>

namespace tallomir::app {

namespace {

// The Expat licence as the library ships it (MIT).
constexpr const char* expatLicence =
    "Copyright (C) 1998-2000 Thai Open Source Software Center Ltd and Clark Cooper\n"
    "Copyright (C) 2001-2017 Expat maintainers\n"
    "\n"
    "Permission is hereby granted, free of charge, to any person obtaining a copy\n"
    "of this software and associated documentation files (the \"Software\"), to\n"
    "deal in the Software without restriction, including without limitation the\n"
    "rights to use, copy, modify, merge, publish, distribute, sublicense, and/or\n"
    "sell copies of the Software, and to permit persons to whom the Software is\n"
    "furnished to do so, subject to the following conditions:\n"
    "\n"
    "The above copyright notice and this permission notice shall be included in\n"
    "all copies or substantial portions of the Software.\n"
    "\n"
    "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR\n"
    "IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,\n"
    "FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE\n"
    "AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER\n"
    "LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING\n"
    "FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS\n"
    "IN THE SOFTWARE.\n";

} // namespace

std::string aboutText() {
    std::string text = windowTitle();
    text += "\n";
    text += std::string("(C) Tallomir-Projekt") + releaseYear + "\n";
    text += std::string("Internet: ") + makerWebAddress + "\n";
    text += std::string("E-Mail: ") + makerEmail + "\n";
    text += "\n";
    text += "Ich übernehme keinerlei Haftung für Schäden die durch die Benutzung des Programms entstehen.\n";
    text += "Die Benutzung des Programms geschieht auf eigenes Risiko.\n";
    text += "\n";
    return text;
}

std::string parserNotice() {
    return std::string("Hinweis zum Modul   Expat XML Parser \n\n") + expatLicence;
}

std::string toolkitNotice() {
    return std::string("\n\nHinweis zum Modul   Qt ") + qVersion() +
           "\n\n"
           "Dieses Programm verwendet die Bibliothek Qt der The Qt Company Ltd. und anderer Autoren\n"
           "unter der GNU Lesser General Public License, Version 3 (LGPL-3.0).\n"
           "Qt ist dynamisch gebunden und kann durch eine eigene Fassung ersetzt werden.\n"
           "Lizenztext: https://www.gnu.org/licenses/lgpl-3.0.html\n"
           "Quelltext von Qt: https://download.qt.io/official_releases/qt/\n";
}

std::string infoText() {
    return aboutText() + parserNotice() + toolkitNotice();
}

} // namespace tallomir::app
