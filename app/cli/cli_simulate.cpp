// quble-cli simulate: one calculation of the simulator, printed as JSON.
#include <charconv>
#include <memory>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/cli_commands.h"
#include "simulator/input_rules.h"
#include "simulator/multiplet.h"

namespace {

using quble::SimulationInput;
using quble::SimulationState;

int Fail(const std::string& message) {
    std::fprintf(stderr, "quble-cli simulate: %s\n", message.c_str());
    return 2;
}

std::string Num(float v) { return quble::FormatNumber(v, '.'); }

struct Hydrogen {
    std::string shift;
    std::vector<std::string> j;
};

// "SHIFT:J1,J2,..." with "." as the decimal point.
bool ParseHydrogen(std::string_view arg, Hydrogen& out, std::string& error) {
    const auto colon = arg.find(':');
    if (colon == std::string_view::npos) {
        error = "--h expects SHIFT:J1,J2,... (for example 2500:7,7), got \"" + std::string(arg) + "\"";
        return false;
    }
    out.shift = std::string(arg.substr(0, colon));
    if (!quble::ParseLocaleNumber(out.shift, '.')) {
        error = "the shift \"" + out.shift + "\" is not a number";
        return false;
    }
    std::string_view rest = arg.substr(colon + 1);
    while (true) {
        const auto comma = rest.find(',');
        std::string item(rest.substr(0, comma));
        if (!quble::ParseLocaleNumber(item, '.')) {
            error = "the coupling constant \"" + item + "\" is not a number";
            return false;
        }
        out.j.push_back(item);
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    if (out.j.size() > static_cast<std::size_t>(quble::kMaxJ)) {
        error = "a hydrogen has at most 10 coupling constants, got " + std::to_string(out.j.size());
        return false;
    }
    return true;
}

void PrintArray(const std::vector<float>& values) {
    std::fputc('[', stdout);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i) std::fputc(',', stdout);
        std::fputs(Num(values[i]).c_str(), stdout);
    }
    std::fputc(']', stdout);
}

}  // namespace

bool ParseSimulationArgs(const std::vector<std::string>& args, SimulationArgs* out, std::string* error) {
    std::vector<Hydrogen> hydrogens;
    std::string width = "1", resolution = "0.1", shape;
    int percent = -1;
    auto fail = [&](const std::string& m) {
        if (error) *error = m;
        return false;
    };
    const int argc = static_cast<int>(args.size());
    for (int i = 0; i < argc; ++i) {
        const std::string_view a = args[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? args[++i].c_str() : nullptr; };
        if (a == "--h") {
            const char* v = value();
            if (!v) return fail("--h needs a value SHIFT:J1,J2,...");
            Hydrogen h;
            std::string e;
            if (!ParseHydrogen(v, h, e)) return fail(e);
            hydrogens.push_back(std::move(h));
        } else if (a == "--width") {
            const char* v = value();
            if (!v || !quble::ParseLocaleNumber(v, '.')) return fail("--width needs a number in Hz");
            width = v;
        } else if (a == "--resolution") {
            const char* v = value();
            if (!v || !quble::ParseLocaleNumber(v, '.')) return fail("--resolution needs a number in Hz");
            resolution = v;
        } else if (a == "--shape") {
            const char* v = value();
            if (!v) return fail("--shape needs lorentzian, gaussian or mixed");
            shape = v;
            if (shape != "lorentzian" && shape != "gaussian" && shape != "mixed") {
                return fail("unknown --shape \"" + shape + "\" (lorentzian, gaussian or mixed)");
            }
        } else if (a == "--lorentz-percent") {
            const char* v = value();
            std::string_view s = v ? v : "";
            int p = -1;
            auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), p);
            if (!v || ec != std::errc() || ptr != s.data() + s.size() || p < 0 || p > 100) {
                return fail("--lorentz-percent needs a whole number from 0 to 100");
            }
            percent = p;
        } else {
            return fail("unknown argument \"" + std::string(a) + "\"");
        }
    }
    if (hydrogens.empty()) return fail("give at least one hydrogen with --h SHIFT:J1,J2,...");
    if (hydrogens.size() > static_cast<std::size_t>(quble::kMaxHydrogens)) {
        return fail("at most 4 hydrogens (--h) can be simulated together");
    }
    if (shape.empty()) return fail("--shape is required (lorentzian, gaussian or mixed)");
    if (percent >= 0 && shape != "mixed") return fail("--lorentz-percent applies only to --shape mixed");

    SimulationInput& input = out->input;
    input = SimulationInput{};
    input.DecSep = '.';
    input.Text2 = std::to_string(hydrogens.size());
    for (std::size_t h = 0; h < hydrogens.size(); ++h) {
        input.Text6[h] = hydrogens[h].shift;
        input.Text1[h] = std::to_string(hydrogens[h].j.size());
        for (std::size_t k = 0; k < hydrogens[h].j.size(); ++k) input.JText[h][k] = hydrogens[h].j[k];
    }
    input.Text4 = width;
    input.Text3 = resolution;
    out->shape = shape == "lorentzian" ? quble::LineShape::Lorentzian
                 : shape == "gaussian" ? quble::LineShape::Gaussian
                                       : quble::LineShape::Mixed;
    out->lorentzPercent = percent >= 0 ? percent : 50;
    return true;
}

int RunSimulateCommand(int argc, char** argv) {
    bool json = false;
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--json") {
            json = true;
        } else {
            args.emplace_back(argv[i]);
        }
    }
    SimulationArgs parsed;
    std::string error;
    if (!ParseSimulationArgs(args, &parsed, &error)) return Fail(error);
    SimulationInput input = parsed.input;

    auto state = std::make_unique<SimulationState>();
    state->ticks = quble::TicksFor(parsed.shape);
    state->Slider4 = parsed.lorentzPercent;
    if (auto error = quble::StartProcess(*state, input)) return Fail(error->message);

    const SimulationState& s = *state;
    if (!json) {
        std::printf("%-14s %s\n", "frequency/Hz", "intensity");
        for (int i = 1; i <= s.TotalLines; ++i) {
            std::printf("%-14s %s\n", Num(s.CentreHz - s.AllPos[i]).c_str(), Num(s.AllInt[i]).c_str());
        }
        return 0;
    }
    std::vector<float> envHz, envY, maxima, minima;
    for (int i = quble::kEnvFirst; i <= quble::kEnvLast; ++i) {
        envHz.push_back(s.CentreHz - s.EnvX(i));
        envY.push_back(s.EnvY(i));
    }
    for (int p = 1; p <= s.NMultRelMax; ++p) maxima.push_back(s.CentreHz - s.SimMaxPos[p]);
    for (int p = 1; p <= s.NMultRelMin; ++p) minima.push_back(s.CentreHz - s.SimMinPos[p]);

    std::printf("{\"width\":%s,\"resolution\":%s,\"centre_hz\":%s,\"lines\":[", Num(s.Width).c_str(),
                Num(s.Res).c_str(), Num(s.CentreHz).c_str());
    for (int i = 1; i <= s.TotalLines; ++i) {
        std::printf("%s{\"hz\":%s,\"intensity\":%s}", i > 1 ? "," : "", Num(s.CentreHz - s.AllPos[i]).c_str(),
                    Num(s.AllInt[i]).c_str());
    }
    std::fputs("],\"envelope\":{\"hz\":", stdout);
    PrintArray(envHz);
    std::fputs(",\"y\":", stdout);
    PrintArray(envY);
    std::fputs("},\"maxima_hz\":", stdout);
    PrintArray(maxima);
    std::fputs(",\"minima_hz\":", stdout);
    PrintArray(minima);
    std::printf(",\"n_peak_pts\":%d}\n", s.NPeakPts);
    return 0;
}
