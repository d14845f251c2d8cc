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

#include "app/cli/cli_boxes.h"
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

struct ExportArgs {
    std::string out, dpi, onePath, overlayPath;
    bool bw = false, autoTms = false;
    BoxArgs boxes;
};

std::unique_ptr<ExportSource> SimulatorFromArgs(const ExportArgs& a, quble::LineShape startUp, std::string* error) {
    quble::SimulatorGraphRequest request;
    if (!a.boxes.example.empty()) {
        if (AnyHydrogenOption(a.boxes)) {
            *error = "--example takes no simulation parameters";
            return nullptr;
        }
        const quble::ExampleSet* ex = quble::FindExample(a.boxes.example);
        if (!ex) {
            *error = "unknown example \"" + a.boxes.example + "\" (one of " + ExampleNames() +
                     ", or its menu name mnuEx1 ...)";
            return nullptr;
        }
        request = quble::ExampleGraphRequest(*ex);
        // As in the window: such an example is shown in the shape it starts in.
        if (ex->shape == quble::ExampleShape::StartUp) request.shape = startUp;
    } else {
        SimulationArgs parsed;
        if (!SimulationFromArgs(a.boxes, true, &parsed, error)) return nullptr;
        request.input = parsed.input;
        request.shape = parsed.shape;
        request.lorentzPercent = parsed.lorentzPercent;
    }
    request.overlayPath = a.overlayPath;
    request.overlayAutoTms = a.autoTms;
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
std::unique_ptr<ExportSource> ExperimentalFromArgs(const ExportArgs& a, std::string* error) {
    if (!a.boxes.example.empty() || AnyHydrogenOption(a.boxes) || !a.overlayPath.empty()) {
        *error = "--1r takes only --auto-tms besides --out, --dpi and --bw";
        return nullptr;
    }
    std::unique_ptr<quble::ExperimentalGraph> g = quble::BuildExperimentalGraph(a.onePath, a.autoTms, error);
    if (!g) return nullptr;
    if (!g->referenceMessage.empty()) std::fprintf(stderr, "quble-cli export: %s\n", g->referenceMessage.c_str());
    return std::make_unique<ExperimentalSource>(std::move(g));
}

// Which graph the arguments describe.
std::unique_ptr<ExportSource> ChooseSource(const ExportArgs& a, quble::LineShape startUp, std::string* error) {
    if (!a.onePath.empty()) return ExperimentalFromArgs(a, error);
    if (a.autoTms && a.overlayPath.empty()) {
        *error = "--auto-tms applies only to --1r or --overlay";
        return nullptr;
    }
    return SimulatorFromArgs(a, startUp, error);
}

}  // namespace

int RunExportCommand(int argc, char** argv) {
    CLI::App app("Writes a graph as a picture file: EMF, SVG, PDF or PNG, by the extension of --out.", "export");
    ExportArgs a;
    app.add_option("--out", a.out, "the picture file: .emf, .svg, .pdf or .png");
    app.add_option("--dpi", a.dpi, "dots per inch of a .png, 10 to 2400 (300)");
    app.add_flag("--bw", a.bw, "black on white");
    AddBoxOptions(app, a.boxes, true);
    app.add_option("--1r", a.onePath, "the experimental window's picture of this processed spectrum");
    app.add_option("--overlay", a.overlayPath, "a processed spectrum drawn over the simulator graph");
    app.add_flag("--auto-tms", a.autoTms, "calibrate the spectrum of --1r or --overlay to TMS first");
    SettingsOption settingsOption;
    AddSettingsOption(app, settingsOption);
    if (const int rc = ParseCli(app, argc, argv); rc >= 0) return rc;

    double dpi = 300.0;
    if (!a.dpi.empty()) {
        const std::string_view v = a.dpi;
        int d = 0;
        auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
        if (ec != std::errc() || p != v.data() + v.size() || d < 10 || d > 2400) {
            return Fail("--dpi needs a whole number from 10 to 2400");
        }
        dpi = d;
    }
    if (a.out.empty()) return Fail("--out FILE is required (.emf, .svg, .pdf or .png)");
    const std::optional<quble::PictureFormat> format = quble::PictureFormatForPath(a.out);
    if (!format) return Fail("the file name of --out must end in .emf, .svg, .pdf or .png: \"" + a.out + "\"");
    if (!a.dpi.empty() && *format != quble::PictureFormat::Png) return Fail("--dpi applies only to a .png file");

    // Text is laid out with Qt's fonts, as in the window; no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qargc = 1;
    char name[] = "quble-cli";
    char* qargv[] = {name, nullptr};
    QGuiApplication qapp(qargc, qargv);

    std::string error;
    CliSettings settings;
    if (!SettingsFromOption(settingsOption, &settings, &error)) return Fail(error);
    std::unique_ptr<ExportSource> source = ChooseSource(a, SettingsLineShape(settings), &error);
    if (!source) return Fail(error);
    if (quble::PlotState* plot = source->Plot()) {
        if (!ApplyCliSettings(settings, *plot, "export", &error)) return Fail(error);
    }
    if (!quble::ExportGraphPicture(source->Picture(), a.out, *format, a.bw, dpi, &error)) {
        std::fprintf(stderr, "quble-cli export: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
