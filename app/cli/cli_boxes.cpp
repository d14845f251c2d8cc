#include "app/cli/cli_boxes.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string_view>

#include "compare/compare_run.h"
#include "examples/example_sets.h"
#include "simulator/input_rules.h"

namespace {

struct Hydrogen {
    std::string shift;
    std::vector<std::string> j;
};

// "SHIFT:J1,J2,..." with "." as the decimal point. The texts go into the
// boxes as given, so the calculation reads them as the window would.
bool ParseHydrogen(std::string_view arg, Hydrogen& out, std::string* error) {
    const auto colon = arg.find(':');
    if (colon == std::string_view::npos) {
        *error = "--h expects SHIFT:J1,J2,... (for example 2500:7,7), got \"" + std::string(arg) + "\"";
        return false;
    }
    out.shift = std::string(arg.substr(0, colon));
    if (!quble::ParseLocaleNumber(out.shift, '.')) {
        *error = "the shift \"" + out.shift + "\" is not a number";
        return false;
    }
    std::string_view rest = arg.substr(colon + 1);
    while (true) {
        const auto comma = rest.find(',');
        std::string item(rest.substr(0, comma));
        if (!quble::ParseLocaleNumber(item, '.')) {
            *error = "the coupling constant \"" + item + "\" is not a number";
            return false;
        }
        out.j.push_back(item);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    if (out.j.size() > static_cast<std::size_t>(quble::kMaxJ)) {
        *error = "a hydrogen has at most 10 coupling constants, got " + std::to_string(out.j.size());
        return false;
    }
    return true;
}

bool Fail(std::string* error, const std::string& message) {
    *error = message;
    return false;
}

}  // namespace

void AddHydrogenOptions(CLI::App& app, BoxArgs& a, bool withResolution) {
    app.add_option("--h", a.h, "a hydrogen SHIFT:J1,J2,... in Hz (repeat for up to 4)")->take_all()->expected(1);
    app.add_option("--width", a.width, "width at half height in Hz (1 unless given)");
    if (withResolution) app.add_option("--resolution", a.resolution, "resolution in Hz (0.1 unless given)");
    app.add_option("--shape", a.shape, "lorentzian, gaussian or mixed");
    app.add_option("--lorentz-percent", a.lorentzPercent, "Lorentzian share of the mixed shape, 0 to 100 (50)");
}

void AddBoxOptions(CLI::App& app, BoxArgs& a, bool withResolution) {
    app.add_option("--example", a.example, "an example set, e.g. \"Example 1/H7\" or mnuEx1");
    AddHydrogenOptions(app, a, withResolution);
}

std::string ExampleNames() {
    std::string names;
    for (const auto& e : quble::ExampleSets()) names += (names.empty() ? "" : ", ") + ("\"" + e.caption + "\"");
    return names;
}

bool AnyHydrogenOption(const BoxArgs& a) {
    return !a.h.empty() || !a.width.empty() || !a.resolution.empty() || !a.shape.empty() || !a.lorentzPercent.empty();
}

bool SimulationFromArgs(const BoxArgs& a, bool shapeRequired, SimulationArgs* out, std::string* error) {
    std::vector<Hydrogen> hydrogens;
    for (const std::string& text : a.h) {
        Hydrogen h;
        if (!ParseHydrogen(text, h, error)) return false;
        hydrogens.push_back(std::move(h));
    }
    if (!a.width.empty() && !quble::ParseLocaleNumber(a.width, '.')) return Fail(error, "--width needs a number in Hz");
    if (!a.resolution.empty() && !quble::ParseLocaleNumber(a.resolution, '.')) {
        return Fail(error, "--resolution needs a number in Hz");
    }
    std::string shape = a.shape;
    if (!shape.empty() && shape != "lorentzian" && shape != "gaussian" && shape != "mixed") {
        return Fail(error, "unknown --shape \"" + shape + "\" (lorentzian, gaussian or mixed)");
    }
    int percent = -1;
    if (!a.lorentzPercent.empty()) {
        const std::string_view s = a.lorentzPercent;
        int p = -1;
        auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), p);
        if (ec != std::errc() || ptr != s.data() + s.size() || p < 0 || p > 100) {
            return Fail(error, "--lorentz-percent needs a whole number from 0 to 100");
        }
        percent = p;
    }
    if (hydrogens.empty()) return Fail(error, "give at least one hydrogen with --h SHIFT:J1,J2,...");
    if (hydrogens.size() > static_cast<std::size_t>(quble::kMaxHydrogens)) {
        return Fail(error, "at most 4 hydrogens (--h) can be simulated together");
    }
    if (shape.empty()) {
        if (shapeRequired) return Fail(error, "--shape is required (lorentzian, gaussian or mixed)");
        shape = "gaussian";  // the window starts in the Gaussian shape
    }
    if (percent >= 0 && shape != "mixed") return Fail(error, "--lorentz-percent applies only to --shape mixed");

    quble::SimulationInput& input = out->input;
    input = quble::SimulationInput{};
    input.DecSep = '.';
    input.Text2 = std::to_string(hydrogens.size());
    for (std::size_t h = 0; h < hydrogens.size(); ++h) {
        input.Text6[h] = hydrogens[h].shift;
        input.Text1[h] = std::to_string(hydrogens[h].j.size());
        for (std::size_t k = 0; k < hydrogens[h].j.size(); ++k) input.JText[h][k] = hydrogens[h].j[k];
    }
    input.Text4 = a.width.empty() ? "1" : a.width;
    input.Text3 = a.resolution.empty() ? "0.1" : a.resolution;
    out->shape = shape == "lorentzian" ? quble::LineShape::Lorentzian
                 : shape == "gaussian" ? quble::LineShape::Gaussian
                                       : quble::LineShape::Mixed;
    out->lorentzPercent = percent >= 0 ? percent : 50;
    return true;
}

bool BoxesFromArgs(const BoxArgs& a, SimulationArgs* out, std::string* error) {
    if (!a.example.empty()) {
        if (AnyHydrogenOption(a)) return Fail(error, "--example takes no simulation parameters");
        const quble::ExampleSet* ex = quble::FindExample(a.example);
        if (!ex) return Fail(error, "unknown example \"" + a.example + "\"");
        quble::CompareRequest req;
        quble::FillFromExample(*ex, req);
        out->input = req.input;
        out->shape = req.shape;
        out->lorentzPercent = req.lorentzPercent;
        return true;
    }
    if (a.h.empty()) return Fail(error, "give --example NAME or at least one --h SHIFT:J1,J2,...");
    return SimulationFromArgs(a, false, out, error);
}

std::string JoinMessageLines(const std::string& text, char sep) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += sep;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string WholePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(path, ec);
    return ec ? path : whole.generic_string();
}

bool OpenSpectrumForCli(const std::string& path, bool autoTms, quble::BrukerSpectrum& s, quble::OpenResult* result) {
    s.AutoAdjustTMS = autoTms;
    const quble::OpenResult r = quble::OpenFull(s, WholePath(path));
    if (result) *result = r;
    if (!r.ok()) {
        std::fprintf(stderr, "%s\n%s\n", r.title.c_str(), JoinMessageLines(r.text, '\n').c_str());
        return false;
    }
    return true;
}

int ParseCli(CLI::App& app, int argc, char** argv) {
    // CLI11 wants the program name first.
    std::vector<const char*> args{app.get_name().c_str()};
    for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
    try {
        app.parse(static_cast<int>(args.size()), args.data());
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "quble-cli %s: %s\n", app.get_name().c_str(), e.what());
        std::fprintf(stderr, "run \"quble-cli %s --help\" for its options\n", app.get_name().c_str());
        return 2;
    }
    return -1;
}
