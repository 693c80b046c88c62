// tallomir-cli: the program's save and load paths without a window.
//
//   tallomir-cli build INPUT.json OUT.xml   enter the JSON as a user would, then "Speichern"
//   tallomir-cli dump FILE.xml              "Laden", then every field as one JSON object
//   (every command reads UBL, CII and a hybrid PDF that carries either)
//   tallomir-cli load FILE.xml              "Laden", then one summary line
//   tallomir-cli roundtrip IN.xml OUT.xml   "Laden", then "Speichern" (in the syntax IN had)
//   tallomir-cli convert IN.xml OUT.xml --syntax ubl|cii [--format 2.1.1|3.0]
//                                           "Laden", "Syntax" and "Format" chosen, "Speichern"
//   tallomir-cli pdf IN.xml OUT.pdf         "Laden", then "Als PDF speichern"
//   tallomir-cli zugferd IN OUT.pdf [--profile en16931|xrechnung]
//                                           "Laden", then "Als ZUGFeRD-PDF speichern"
//   tallomir-cli archive [--db FILE] …      the archive (see archive_command.h)
//
// Exit codes: 0 done, 1 usage or unusable input, 2 file not readable, not
// well-formed or no invoice of UBL or CII, 3 mandatory check failed, 4 save failed.
// "load" and "roundtrip" name on stderr what the file holds and a save does
// not write again; "dump" prints it as "notCarried".

#include "cli/archive_command.h"
#include "cli/json_io.h"
#include "form/document_check.h"
#include "form/input_rules.h"
#include "invoice/settings.h"
#include "pdf/hybrid_invoice.h"
#include "syntax/syntax.h"
#include "view/invoice_pages.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

namespace {

using namespace tallomir;

enum ExitCode { Done = 0, Usage = 1, Unreadable = 2, MandatoryMissing = 3, SaveFailed = 4 };

int usage() {
    std::cerr << "Aufruf:\n"
                 "  tallomir-cli build EINGABE.json AUSGABE.xml\n"
                 "  tallomir-cli dump DATEI.xml\n"
                 "  tallomir-cli load DATEI.xml\n"
                 "  tallomir-cli roundtrip EIN.xml AUS.xml\n"
                 "  tallomir-cli convert EIN.xml AUS.xml --syntax ubl|cii [--format 2.1.1|3.0]\n"
                 "  tallomir-cli pdf EIN.xml AUS.pdf\n"
                 "  tallomir-cli zugferd EIN.xml AUS.pdf [--profile en16931|xrechnung]\n"
                 "  tallomir-cli archive [--db DATEI] import|list|export|verify …\n";
    return Usage;
}

std::string programDirectory(const char* argv0) {
    std::error_code error;
    const auto self = std::filesystem::canonical("/proc/self/exe", error);
    if (!error)
        return self.parent_path().string();
    return std::filesystem::absolute(argv0, error).parent_path().string();
}

// The state as the window has it at start-up: built-in code lists, the
// settings file, a reset document.
Form startState(const char* argv0) {
    CodeLists lists = defaultCodeLists();
    std::error_code error;
    const std::string start = std::filesystem::current_path(error).string();
    loadSettings(lists, settingsFilePath(start, programDirectory(argv0)));
    return makeForm(lists);
}

// The save alone, in the document's syntax; what that syntax cannot write is
// named on stderr.
int write(Form& state, const std::string& fileName) {
    for (const std::string& item : syntax::unwritten(state))
        std::cerr << "Nicht geschrieben: " << item << '\n';
    const syntax::SaveOutcome outcome = syntax::saveInvoiceFile(state, fileName);
    if (!outcome.ok) {
        std::cerr << "XML Datei speichern: " << outcome.message << '\n';
        return SaveFailed;
    }
    return Done;
}

// The outcome of the mandatory check as "Speichern" runs it; what it found
// goes to stderr.
int checked(const MandatoryCheck& check) {
    if (check.ok)
        return Done;
    // The box separates its lines with CR; a terminal wants LF.
    std::string text = check.text;
    std::replace(text.begin(), text.end(), '\r', '\n');
    std::cerr << check.title << ": " << text << '\n';
    return MandatoryMissing;
}

// "Speichern" without dialogs: the mandatory check, then the save.
int save(Form& state, const std::string& fileName) {
    const int code = checked(checkMandatoryFields(state));
    return code == Done ? write(state, fileName) : code;
}

// "Laden" without dialogs; a file that cannot be read, parsed or taken ends
// here. With `listNotCarried`, each item of what the file holds and the
// document cannot goes to stderr.
int load(Form& state, const std::string& fileName, bool listNotCarried) {
    const syntax::LoadOutcome outcome = syntax::loadInvoiceFile(state, fileName);
    switch (outcome.result) {
    case syntax::LoadOutcome::Result::Loaded:
        resetEditor(state);
        if (listNotCarried)
            for (const NotCarriedItem& item : state.notCarried)
                std::cerr << "Nicht übernommen: " << item.text << '\n';
        return Done;
    case syntax::LoadOutcome::Result::ParseError: {
        // The box separates its lines with CR; a terminal wants LF.
        std::string message = outcome.message;
        std::replace(message.begin(), message.end(), '\r', '\n');
        std::cerr << "Fehler beim Lesen der XML Datei\n" << message << '\n';
        return Unreadable;
    }
    case syntax::LoadOutcome::Result::Refused:
        std::cerr << "XML Datei laden: " << outcome.message << '\n';
        return Unreadable;
    case syntax::LoadOutcome::Result::NoDocument:
        break;
    }
    std::cerr << "Die Datei " << fileName << " konnte nicht gelesen werden oder ist leer.\n";
    return Unreadable;
}

int build(Form& state, const std::string& input, const std::string& output) {
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::cerr << "Die Datei " << input << " konnte nicht gelesen werden.\n";
        return Unreadable;
    }
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(in);
    } catch (const nlohmann::json::exception& e) {
        std::cerr << "Die Datei " << input << " ist kein gültiges JSON: " << e.what() << '\n';
        return Unreadable;
    }
    try {
        cli::enterJson(state, json);
    } catch (const cli::InputError& e) {
        std::cerr << e.what() << '\n';
        return Usage;
    }
    return save(state, output);
}

// What painting pages needs: fonts need a GUI application, but no display.
// Unless a platform is named in QT_QPA_PLATFORM, Qt's offscreen platform is
// used, so the result never depends on a display being there.
class PaintingApplication {
public:
    explicit PaintingApplication(const char* argv0) : argv_{const_cast<char*>(argv0), nullptr} {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application_.emplace(argc_, argv_);
    }

private:
    int argc_ = 1;
    char* argv_[2];
    std::optional<QGuiApplication> application_;
};

// "Als PDF speichern" of a loaded file.
int writePdfFile(const DocumentState& state, const char* argv0, const std::string& fileName) {
    const PaintingApplication application(argv0);
    const view::InvoicePages pages(state, notCarriedTexts(state));
    const std::string message = view::writePdf(pages, fileName);
    if (!message.empty()) {
        std::cerr << "Als PDF speichern: " << message << '\n';
        return SaveFailed;
    }
    return Done;
}

// "Als ZUGFeRD-PDF speichern" as the window runs it (pdf/hybrid_invoice.h):
// the profile asked for, else the one proposed; the check as for "Speichern";
// then the pages with the CII invoice embedded.
int writeHybridFile(Form& state, int argc, char** argv) {
    pdf::Profile profile = pdf::proposedProfile(state);
    if (argc == 6) {
        const std::string option = argv[4];
        const std::string value = argv[5];
        if (option != "--profile" || (value != "en16931" && value != "xrechnung"))
            return usage();
        profile = value == "xrechnung" ? pdf::Profile::XRechnung : pdf::Profile::En16931;
    }
    if (const int code = checked(pdf::prepareHybrid(state, profile)); code != Done)
        return code;
    for (const std::string& item : pdf::hybridUnwritten(state))
        std::cerr << "Nicht geschrieben: " << item << '\n';
    const PaintingApplication application(argv[0]);
    const std::string message = pdf::writeHybridInvoice(state, profile, argv[3]);
    if (!message.empty()) {
        std::cerr << "Als ZUGFeRD-PDF speichern: " << message << '\n';
        return SaveFailed;
    }
    return Done;
}

// "Laden", then the syntax and the version chosen (by default the file's
// own version), then the save without the check, as "roundtrip".
int convert(Form& state, int argc, char** argv) {
    std::optional<Syntax> target;
    std::optional<std::size_t> format;
    for (int i = 4; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--syntax" && !target)
            target = syntax::syntaxNamed(value);
        else if (option == "--format" && !format && (value == "2.1.1" || value == "3.0"))
            format = value == "3.0" ? 1 : 0;
        else
            return usage();
    }
    if (!target)
        return usage();
    const int code = load(state, argv[2], true);
    if (code != Done)
        return code;
    selectEntry(state, FieldId::DocumentSyntax, *target == Syntax::Cii ? 1 : 0);
    if (format)
        selectEntry(state, FieldId::DocumentFormat, *format);
    return write(state, argv[3]);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    Form state = startState(argv[0]);

    if (command == "archive") {
        // The database lies in the program's data folder, the same for the window.
        QCoreApplication::setApplicationName(programName);
        return cli::archiveCommand(state.lists, std::vector<std::string>(argv + 2, argv + argc));
    }
    if (command == "build" && argc == 4)
        return build(state, argv[2], argv[3]);
    if (command == "dump" && argc == 3) {
        const int code = load(state, argv[2], false);
        if (code == Done)
            std::cout << cli::dumpDocument(state).dump(2) << '\n';
        return code;
    }
    if (command == "load" && argc == 3) {
        const int code = load(state, argv[2], true);
        if (code == Done)
            std::cout << state.lines.size() << " Positionen, Zahlbetrag " << state.doc.payableAmount << ' '
                      << state.documentCurrency << '\n';
        return code;
    }
    if (command == "roundtrip" && argc == 4) {
        const int code = load(state, argv[2], true);
        if (code != Done)
            return code;
        return write(state, argv[3]);
    }
    if (command == "convert" && (argc == 6 || argc == 8))
        return convert(state, argc, argv);
    if (command == "zugferd" && (argc == 4 || argc == 6)) {
        const int code = load(state, argv[2], false);
        return code == Done ? writeHybridFile(state, argc, argv) : code;
    }
    if (command == "pdf" && argc == 4) {
        const int code = load(state, argv[2], false);
        return code == Done ? writePdfFile(state, argv[0], argv[3]) : code;
    }
    return usage();
}
