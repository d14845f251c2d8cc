// The settings file as the command line reads it: the program folder's, as
// the window reads it, or the one named by --settings.
#include "app/cli/cli_settings.h"

#include <cstdio>
#include <system_error>
#include <unistd.h>

#include "examples/program_folder.h"
#include "render/plot_settings.h"

namespace {

std::filesystem::path ExeDir() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec) : self.parent_path();
}

}  // namespace

void AddSettingsOption(CLI::App& app, SettingsOption& out) {
    out.option = app.add_option("--settings", out.path,
                                "the settings file (QUBLE.ini) to draw with; the program folder's unless given");
}

bool SettingsFromOption(const SettingsOption& given, CliSettings* out, std::string* error) {
    if (given.option && given.option->count() > 0) {
        if (given.path.empty()) {
            *error = "--settings needs the path of a settings file (QUBLE.ini)";
            return false;
        }
        out->file = given.path;
        out->named = true;
        return true;
    }
    // The folder the window would choose (an installed program uses the
    // per-user folder), without its seeding: reading must not copy anything.
    out->file = quble::ProgramFolderPath(ExeDir(), quble::UserDataFolder()) / quble::kSettingsFileName;
    out->named = false;
    return true;
}

bool ApplyCliSettings(const CliSettings& cli, quble::PlotState& plot, const char* command, std::string* error) {
    const quble::SettingsRead read = quble::ReadSettingsFile(cli.file);
    if (cli.named && !read.found) {
        *error = "the settings file " + cli.file.string() + " does not exist";
        return false;
    }
    quble::GraphSettings s = quble::OrigSettings(std::to_string(plot.options.IndPeakColor));
    quble::ApplySettingsRead(read, s);
    quble::ApplySettingsToPlot(s, plot);
    if (const std::string problem = quble::SettingsReadProblem(cli.file, read); !problem.empty()) {
        std::string oneLine;
        for (char c : problem) {
            if (c == '\r') continue;
            oneLine += c == '\n' ? ' ' : c;
        }
        std::fprintf(stderr, "quble-cli %s: %s\n", command, oneLine.c_str());
    }
    return true;
}

quble::LineShape SettingsLineShape(const CliSettings& cli) {
    quble::GraphSettings s = quble::OrigSettings("12632256");
    quble::ApplySettingsRead(quble::ReadSettingsFile(cli.file), s);
    switch (s.lineShape) {
        case quble::LineShapeChoice::Lorentzian: return quble::LineShape::Lorentzian;
        case quble::LineShapeChoice::LorGauss: return quble::LineShape::Mixed;
        case quble::LineShapeChoice::Gaussian: break;
    }
    return quble::LineShape::Gaussian;
}
