#pragma once
// Loads the sound library Korvalo.dll at run time and resolves its functions
// by name.
#include <memory>
#include <string>

#include "sound/ds_library.h"

namespace korvalo {

inline constexpr const char* soundLibraryFileName = "Korvalo.dll";

// Loads <directory>/Korvalo.dll, where directory is the program's own folder
// (never the working folder). Returns null, with the reason in *error, when the
// file is missing, cannot be loaded or lacks one of the functions the program
// calls.
std::unique_ptr<DsLibrary> loadSoundLibrary(const std::string& directory, std::string* error);

// The absolute folder of the running program's own file, whatever the working
// folder is; empty when it cannot be determined.
std::string programDirectory();

}  // namespace korvalo
