#pragma once

#include "model.h"

#include <string>
#include <string_view>

namespace tallomir {

// The settings file's name, programName + ".ini": the one in the start
// directory if it exists, else the one beside the program file, else the
// start directory's (which then does not exist). Directories may or may not
// end in a separator.
std::string settingsFilePath(const std::string& startDirectory, const std::string& programDirectory);

// Reads the group "Global" of the settings file into the code lists; a
// missing file or key leaves the built-in default. A relative path of a
// validator's jar counts from the file's folder. The file is never written.
void loadSettings(CodeLists& lists, const std::string& fileName);
// The same for the file's bytes; a relative jar path counts from `folder`, or
// stays as it is when none is given.
void loadSettingsFromBytes(CodeLists& lists, std::string_view bytes, const std::string& folder = {});

} // namespace tallomir
