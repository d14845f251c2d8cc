// Where the user guide is: an HTML book installed in the data folder
// ("share/quble/help"), which the build also fills beside its programs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quble {

inline constexpr const char* kUserGuideFolder = "help";
inline constexpr const char* kUserGuideStart = "index.html";

// The first dataFolder/help/index.html that is a file, or an empty path.
std::filesystem::path FindUserGuide(const std::vector<std::filesystem::path>& dataFolders);

// The same over the data folders of a program in exeDir: beside it first
// ("../share/quble"), then the XDG data folders.
std::filesystem::path FindUserGuideFor(const std::filesystem::path& exeDir);

// The message when no guide is found, naming every place looked at.
std::string UserGuideMissingText(const std::vector<std::filesystem::path>& dataFolders);

}  // namespace quble
