#include "platform/help_paths.h"

#include <system_error>

#include "examples/program_folder.h"

namespace quble {

namespace fs = std::filesystem;

fs::path FindUserGuide(const std::vector<fs::path>& dataFolders) {
    for (const fs::path& d : dataFolders) {
        if (d.empty()) continue;
        const fs::path start = d / kUserGuideFolder / kUserGuideStart;
        std::error_code ec;
        // A folder or a dangling link by that name would open nothing.
        if (fs::is_regular_file(start, ec)) return start;
    }
    return {};
}

fs::path FindUserGuideFor(const fs::path& exeDir) { return FindUserGuide(InstalledDataFolders(exeDir)); }

std::string UserGuideMissingText(const std::vector<fs::path>& dataFolders) {
    std::string text = "The user guide was not found. It is installed as \"";
    text += fs::path(kUserGuideFolder) / kUserGuideStart;
    text += "\" in the program's data folder";
    if (dataFolders.empty()) return text + ".";
    text += dataFolders.size() == 1 ? ": " : ", one of: ";
    for (std::size_t i = 0; i < dataFolders.size(); ++i) {
        text += (i ? ", \"" : "\"") + dataFolders[i].string() + "\"";
    }
    return text + ".";
}

}  // namespace quble
