// quble-cli read PATH/TO/1r [--auto-tms] --json
// Opens a processed Bruker spectrum as the experimental window does and
// prints what was read as one JSON object.
#include <cmath>
#include <cstdio>
#include <string>

#include "app/cli/cli_boxes.h"
#include "experimental/bruker_spectrum.h"

namespace {

// null for what was not read or is not finite, which JSON cannot hold.
nlohmann::ordered_json NumberOrNull(bool known, double v) {
    return known && std::isfinite(v) ? nlohmann::ordered_json(v) : nlohmann::ordered_json(nullptr);
}

}  // namespace

int RunReadCommand(int argc, char** argv) {
    CLI::App app("Opens a processed Bruker spectrum as the experimental window does and prints what was read.",
                 "read");
    std::string path;
    bool autoTms = false, json = false;
    app.add_option("path", path, "the processed spectrum (.../pdata/1/1r)")->required();
    app.add_flag("--auto-tms", autoTms, "calibrate the axis to TMS first");
    app.add_flag("--json", json, "print the result as JSON (required)")->required();
    if (const int rc = ParseCli(app, argc, argv); rc >= 0) return rc;
    if (path.empty()) {
        std::fputs("quble-cli read: the path of a 1r file is required\n", stderr);
        return 2;
    }

    quble::BrukerSpectrum s;
    quble::OpenResult r;
    if (!OpenSpectrumForCli(path, autoTms, s, &r)) return 1;

    nlohmann::ordered_json o;
    o["path"] = s.SpectrumPath;
    o["npoints"] = s.NPont;
    o["file_bytes"] = s.FileSizeBytes;
    o["big_endian"] = s.BigEndian;
    o["nucleus"] = s.Nucleus;
    o["solvent"] = s.Solvent;
    o["title"] = s.Title;
    o["o1"] = NumberOrNull(true, s.O1);
    o["sfo1"] = NumberOrNull(true, s.SFO1);
    o["sw"] = NumberOrNull(true, s.SW);
    o["sw_h"] = NumberOrNull(true, s.SWh);
    o["td"] = s.TD;
    o["sf"] = NumberOrNull(s.SFRead, s.SF);
    o["bf1"] = NumberOrNull(s.BF1Read, s.BF1);
    o["sfmeu"] = NumberOrNull(true, s.SFMeu);
    o["first_point_hz"] = NumberOrNull(true, s.FirstPointHz);
    o["last_point_hz"] = NumberOrNull(true, s.LastPointHz);
    o["hz_per_point"] = NumberOrNull(true, s.HzPerPoint);
    // The axis as it stands, after any automatic calibration.
    o["axis_first_hz"] = NumberOrNull(true, s.XnmrHz[1]);
    o["axis_last_hz"] = NumberOrNull(true, s.XnmrHz[static_cast<std::size_t>(s.NPont)]);
    o["ymax"] = s.YMax;
    o["ymin"] = s.YMin;
    o["reference"] = s.ReferenceCaption;
    if (autoTms) {
        const bool found = r.reference.found;
        o["ntms"] = found ? nlohmann::ordered_json(s.NTMS) : nlohmann::ordered_json(nullptr);
        o["tms_hz"] = NumberOrNull(found, s.TMSHz);
        o["noise_sigma"] = NumberOrNull(true, r.reference.noiseSigma);
    }
    PrintJson(o);
    if (autoTms && !r.reference.message.empty()) {
        std::fprintf(stderr, "%s\n", JoinMessageLines(r.reference.message, ' ').c_str());
    }
    return 0;
}
