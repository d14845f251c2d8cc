// quble-cli export: a graph as a picture file (EMF, SVG, PDF or PNG, by the
// extension of --out). The graph comes from a source chosen by the
// arguments: the simulator graph (parameters as for simulate, or one of the
// examples), or the experimental window's picture of a processed spectrum
// (--1r PATH, optionally --auto-tms). --overlay PATH [--auto-tms] draws a
// processed spectrum over the simulator graph, as after its transfer.
#include <QGuiApplication>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/cli_commands.h"
#include "app/cli/cli_settings.h"
#include "examples/example_sets.h"
#include "experimental/experimental_graph_picture.h"
#include "platform/graph_picture.h"
#include "simulator/simulator_picture.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "quble-cli export: %s\n", message.c_str());
    return 2;
}

// A graph ready to be written; it keeps alive whatever its drawing uses.
class ExportSource {
public:
    virtual ~ExportSource() = default;
    virtual quble::GraphPicture Picture() = 0;
    // The simulator graph the display settings apply to; none for others.
    virtual quble::PlotState* Plot() { return nullptr; }
};

class SimulatorSource : public ExportSource {
public:
    explicit SimulatorSource(std::unique_ptr<quble::SimulatorGraph> g) : graph_(std::move(g)) {}
    quble::GraphPicture Picture() override {
        return quble::SimulatorGraphPicture(graph_->plot, *graph_->sim, graph_->formulaEmf, graph_->formulaRect,
                                            quble::ScreenMetrics{});
    }
    quble::PlotState* Plot() override { return &graph_->plot; }

private:
    std::unique_ptr<quble::SimulatorGraph> graph_;
};

std::unique_ptr<ExportSource> SimulatorFromArgs(const std::vector<std::string>& args, quble::LineShape startUp,
                                                std::string* error) {
    quble::SimulatorGraphRequest request;
    std::vector<std::string> rest;
    std::string example;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--overlay") {
            if (i + 1 >= args.size() || !request.overlayPath.empty()) {
                *error = "--overlay needs the path of one processed spectrum (.../pdata/1/1r)";
                return nullptr;
            }
            request.overlayPath = args[++i];
        } else if (args[i] == "--auto-tms") {
            request.overlayAutoTms = true;
        } else if (args[i] == "--example") {
            if (i + 1 >= args.size()) {
                *error = "--example needs an example name (for example \"Example 1/H7\" or mnuEx1)";
                return nullptr;
            }
            example = args[++i];
        } else {
            rest.push_back(args[i]);
        }
    }
    if (!example.empty()) {
        if (!rest.empty()) {
            *error = "--example takes no simulation parameters, got \"" + rest.front() + "\"";
            return nullptr;
        }
        const quble::ExampleSet* ex = quble::FindExample(example);
        if (!ex) {
            std::string names;
            for (const auto& e : quble::ExampleSets()) names += (names.empty() ? "" : ", ") + ("\"" + e.caption + "\"");
            *error = "unknown example \"" + example + "\" (one of " + names + ", or its menu name mnuEx1 ...)";
            return nullptr;
        }
        quble::SimulatorGraphRequest chosen = quble::ExampleGraphRequest(*ex);
        // As in the window: such an example is shown in the shape it starts in.
        if (ex->shape == quble::ExampleShape::StartUp) chosen.shape = startUp;
        chosen.overlayPath = request.overlayPath;
        chosen.overlayAutoTms = request.overlayAutoTms;
        request = std::move(chosen);
    } else {
        SimulationArgs parsed;
        if (!ParseSimulationArgs(rest, &parsed, error)) return nullptr;
        request.input = parsed.input;
        request.shape = parsed.shape;
        request.lorentzPercent = parsed.lorentzPercent;
    }
    std::unique_ptr<quble::SimulatorGraph> g = quble::BuildSimulatorGraph(request, error);
    if (!g) return nullptr;
    return std::make_unique<SimulatorSource>(std::move(g));
}

class ExperimentalSource : public ExportSource {
public:
    explicit ExperimentalSource(std::unique_ptr<quble::ExperimentalGraph> g) : graph_(std::move(g)) {}
    quble::GraphPicture Picture() override {
        return quble::ExperimentalGraphPicture(graph_->view, graph_->spectrum, quble::ExpDrawStyle::Line, graph_->layout,
                                               graph_->formulaEmf, graph_->formulaRect, quble::ScreenMetrics{});
    }

private:
    std::unique_ptr<quble::ExperimentalGraph> graph_;
};

// The whole spectrum as the window opens it, calibrated to TMS when asked
// and a reference peak is accepted.
std::unique_ptr<ExportSource> ExperimentalFromArgs(const std::vector<std::string>& args, std::string* error) {
    std::string path;
    bool autoTms = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--1r") {
            if (i + 1 >= args.size() || !path.empty()) {
                *error = "--1r needs the path of one processed spectrum (.../pdata/1/1r)";
                return nullptr;
            }
            path = args[++i];
        } else if (args[i] == "--auto-tms") {
            autoTms = true;
        } else {
            *error = "--1r takes only --auto-tms besides --out, --dpi and --bw, got \"" + args[i] + "\"";
            return nullptr;
        }
    }
    std::unique_ptr<quble::ExperimentalGraph> g = quble::BuildExperimentalGraph(path, autoTms, error);
    if (!g) return nullptr;
    if (!g->referenceMessage.empty()) std::fprintf(stderr, "quble-cli export: %s\n", g->referenceMessage.c_str());
    return std::make_unique<ExperimentalSource>(std::move(g));
}

// Which graph the arguments describe.
std::unique_ptr<ExportSource> ChooseSource(const std::vector<std::string>& args, quble::LineShape startUp,
                                           std::string* error) {
    for (const std::string& a : args) {
        if (a == "--1r") return ExperimentalFromArgs(args, error);
    }
    bool overlay = false, autoTms = false;
    for (const std::string& a : args) {
        overlay = overlay || a == "--overlay";
        autoTms = autoTms || a == "--auto-tms";
    }
    if (autoTms && !overlay) {
        *error = "--auto-tms applies only to --1r or --overlay";
        return nullptr;
    }
    return SimulatorFromArgs(args, startUp, error);
}

}  // namespace

int RunExportCommand(int argc, char** argv) {
    std::string out;
    double dpi = 300.0;
    bool bw = false, dpiGiven = false;
    std::vector<std::string> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--out") {
            if (i + 1 >= argc) return Fail("--out needs a file name ending in .emf, .svg, .pdf or .png");
            out = argv[++i];
        } else if (a == "--dpi") {
            const std::string_view v = i + 1 < argc ? argv[++i] : "";
            int d = 0;
            auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
            if (v.empty() || ec != std::errc() || p != v.data() + v.size() || d < 10 || d > 2400) {
                return Fail("--dpi needs a whole number from 10 to 2400");
            }
            dpi = d;
            dpiGiven = true;
        } else if (a == "--bw") {
            bw = true;
        } else {
            rest.emplace_back(a);
        }
    }
    if (out.empty()) return Fail("--out FILE is required (.emf, .svg, .pdf or .png)");
    const std::optional<quble::PictureFormat> format = quble::PictureFormatForPath(out);
    if (!format) return Fail("the file name of --out must end in .emf, .svg, .pdf or .png: \"" + out + "\"");
    if (dpiGiven && *format != quble::PictureFormat::Png) return Fail("--dpi applies only to a .png file");

    // Text is laid out with Qt's fonts, as in the window; no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qargc = 1;
    char name[] = "quble-cli";
    char* qargv[] = {name, nullptr};
    QGuiApplication app(qargc, qargv);

    std::string error;
    CliSettings settings;
    if (!TakeSettingsArg(rest, &settings, &error)) return Fail(error);
    std::unique_ptr<ExportSource> source = ChooseSource(rest, SettingsLineShape(settings), &error);
    if (!source) return Fail(error);
    if (quble::PlotState* plot = source->Plot()) {
        if (!ApplyCliSettings(settings, *plot, "export", &error)) return Fail(error);
    }
    if (!quble::ExportGraphPicture(source->Picture(), out, *format, bw, dpi, &error)) {
        std::fprintf(stderr, "quble-cli export: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
