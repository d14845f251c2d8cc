#include "app/cli/cli_boxes.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "compare/compare_run.h"
#include "examples/example_sets.h"

void AddBoxOptions(CLI::App& app, BoxArgs& a) {
    app.add_option("--example", a.example, "an example set, e.g. \"Example 1/H7\" or mnuEx1");
    app.add_option("--h", a.h, "a hydrogen SHIFT:J1,J2,... in Hz (repeat for up to 4)")->take_all();
    app.add_option("--width", a.width, "width at half height in Hz");
    app.add_option("--shape", a.shape, "lorentzian, gaussian or mixed");
    app.add_option("--lorentz-percent", a.lorentzPercent, "Lorentzian share of the mixed shape, 0 to 100");
}

bool BoxesFromArgs(const BoxArgs& a, SimulationArgs* out, std::string* error) {
    if (!a.example.empty()) {
        if (!a.h.empty() || !a.width.empty() || !a.shape.empty() || !a.lorentzPercent.empty()) {
            *error = "--example takes no simulation parameters";
            return false;
        }
        const quble::ExampleSet* ex = quble::FindExample(a.example);
        if (!ex) {
            *error = "unknown example \"" + a.example + "\"";
            return false;
        }
        quble::CompareRequest req;
        quble::FillFromExample(*ex, req);
        out->input = req.input;
        out->shape = req.shape;
        out->lorentzPercent = req.lorentzPercent;
        return true;
    }
    if (a.h.empty()) {
        *error = "give --example NAME or at least one --h SHIFT:J1,J2,...";
        return false;
    }
    std::vector<std::string> args;
    for (const std::string& h : a.h) args.insert(args.end(), {"--h", h});
    if (!a.width.empty()) args.insert(args.end(), {"--width", a.width});
    // The window starts in the Gaussian shape.
    args.insert(args.end(), {"--shape", a.shape.empty() ? "gaussian" : a.shape});
    if (!a.lorentzPercent.empty()) args.insert(args.end(), {"--lorentz-percent", a.lorentzPercent});
    return ParseSimulationArgs(args, out, error);
}

bool OpenSpectrumForCli(const std::string& path, bool autoTms, quble::BrukerSpectrum& s) {
    s.AutoAdjustTMS = autoTms;
    // The reader finds procs and acqus from the folders of the path.
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(path, ec);
    const quble::OpenResult r = quble::OpenFull(s, ec ? path : whole.generic_string());
    if (!r.ok()) {
        std::string text;
        for (std::size_t i = 0; i < r.text.size(); ++i) {
            if (r.text[i] == '\r' && i + 1 < r.text.size() && r.text[i + 1] == '\n') {
                text += '\n';
                ++i;
            } else {
                text += r.text[i];
            }
        }
        std::fprintf(stderr, "%s\n%s\n", r.title.c_str(), text.c_str());
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
        return 2;
    }
    return -1;
}

void PrintJson(const nlohmann::ordered_json& j) {
    std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}
