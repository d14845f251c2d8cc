// quble-cli analyse --1r PATH [--auto-tms] --from PPM --to PPM [--json]
// The J analysis of one multiplet of a processed spectrum.
#include <cstdio>
#include <string>

#include "analysis/multiplet_analysis.h"
#include "analysis/spectrum_region.h"
#include "app/cli/cli_boxes.h"

int RunAnalyseCommand(int argc, char** argv) {
    CLI::App app("The J analysis of a multiplet between two shifts of a processed spectrum.", "analyse");
    std::string path;
    bool autoTms = false, json = false;
    double fromPpm = 0.0, toPpm = 0.0;
    app.add_option("--1r", path, "the processed spectrum (.../pdata/1/1r)")->required();
    app.add_flag("--auto-tms", autoTms, "calibrate the axis to TMS first");
    app.add_option("--from", fromPpm, "one end of the range, ppm")->required();
    app.add_option("--to", toPpm, "the other end of the range, ppm")->required();
    app.add_flag("--json", json, "print the result as JSON");
    if (const int rc = ParseCli(app, argc, argv); rc >= 0) return rc;

    quble::BrukerSpectrum s;
    if (!OpenSpectrumForCli(path, autoTms, s)) return 1;
    quble::analysis::SpectrumRegion region;
    std::string error;
    if (!quble::analysis::RegionFromSpectrum(s, fromPpm, toPpm, &region, &error)) {
        std::fprintf(stderr, "quble-cli analyse: %s\n", error.c_str());
        return 2;
    }
    const quble::analysis::MultipletAnalysis a =
        quble::analysis::AnalyseMultiplet(region.hz, region.y, region.mhz, {.noiseSd = region.noiseSd});
    if (!json) {
        std::printf("%s  confidence %.2f\n", a.text.c_str(), a.confidence);
        return 0;
    }
    nlohmann::ordered_json o;
    o["centre_hz"] = a.centreHz;
    o["centre_ppm"] = a.centrePpm;
    o["multiplicity"] = a.multiplicity;
    o["j_hz"] = a.jHz;
    o["j_count"] = a.jCount;
    o["j_sd_hz"] = a.jSdHz;
    o["confidence"] = a.confidence;
    o["text"] = a.text;
    if (!a.note.empty()) o["note"] = a.note;
    PrintJson(o);
    return 0;
}
