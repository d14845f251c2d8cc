// quble-cli read PATH/TO/1r [--auto-tms] --json
// Opens a processed Bruker spectrum as the experimental window does and
// prints what was read as one JSON object.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/cli/cli_commands.h"
#include "experimental/bruker_spectrum.h"
#include "simulator/input_rules.h"

namespace {

void ReadUsage() { std::fputs("usage: quble-cli read PATH/TO/1r [--auto-tms] --json\n", stderr); }

std::string JsonString(std::string_view s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string JsonNumber(double v) { return std::isfinite(v) ? quble::FormatNumber(v, '.') : "null"; }

// Message lines are joined by CR LF for message boxes; a terminal wants
// them joined by `sep`.
std::string JoinLines(std::string_view text, char sep) {
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

// The program's message for the terminal: title, then the text's lines.
void PrintMessage(const quble::OpenResult& r) {
    std::fprintf(stderr, "%s\n%s\n", r.title.c_str(), JoinLines(r.text, '\n').c_str());
}

}  // namespace

int RunReadCommand(int argc, char** argv) {
    std::string path;
    bool autoTms = false;
    bool json = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--auto-tms") {
            autoTms = true;
        } else if (a == "--json") {
            json = true;
        } else if (a.starts_with("--") || !path.empty()) {
            std::fprintf(stderr, "quble-cli read: unexpected argument \"%s\"\n", argv[i]);
            ReadUsage();
            return 2;
        } else {
            path = a;
        }
    }
    if (path.empty() || !json) {
        ReadUsage();
        return 2;
    }

    quble::BrukerSpectrum s;
    s.AutoAdjustTMS = autoTms;
    // The reader finds procs and acqus from the folders of the path, so a
    // path relative to the working folder is made whole first.
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(path, ec);
    if (!ec) path = whole.generic_string();
    const quble::OpenResult r = quble::OpenFull(s, path);
    if (!r.ok()) {
        PrintMessage(r);
        return 1;
    }

    std::string o = "{";
    auto field = [&o](const char* name, const std::string& value) {
        if (o.size() > 1) o += ",";
        o += "\n  ";
        o += JsonString(name);
        o += ": ";
        o += value;
    };
    field("path", JsonString(s.SpectrumPath));
    field("npoints", std::to_string(s.NPont));
    field("file_bytes", std::to_string(s.FileSizeBytes));
    field("big_endian", s.BigEndian ? "true" : "false");
    field("nucleus", JsonString(s.Nucleus));
    field("solvent", JsonString(s.Solvent));
    field("title", JsonString(s.Title));
    field("o1", JsonNumber(s.O1));
    field("sfo1", JsonNumber(s.SFO1));
    field("sw", JsonNumber(s.SW));
    field("sw_h", JsonNumber(s.SWh));
    field("td", std::to_string(s.TD));
    field("sf", s.SFRead ? JsonNumber(s.SF) : "null");
    field("bf1", s.BF1Read ? JsonNumber(s.BF1) : "null");
    field("sfmeu", JsonNumber(s.SFMeu));
    field("first_point_hz", JsonNumber(s.FirstPointHz));
    field("last_point_hz", JsonNumber(s.LastPointHz));
    field("hz_per_point", JsonNumber(s.HzPerPoint));
    // The axis as it stands, after any automatic calibration.
    field("axis_first_hz", JsonNumber(s.XnmrHz[1]));
    field("axis_last_hz", JsonNumber(s.XnmrHz[static_cast<std::size_t>(s.NPont)]));
    field("ymax", std::to_string(s.YMax));
    field("ymin", std::to_string(s.YMin));
    field("reference", JsonString(s.ReferenceCaption));
    if (autoTms) {
        const bool found = r.reference.found;
        field("ntms", found ? std::to_string(s.NTMS) : "null");
        field("tms_hz", found ? JsonNumber(s.TMSHz) : "null");
        field("noise_sigma", JsonNumber(r.reference.noiseSigma));
    }
    o += "\n}\n";
    std::fputs(o.c_str(), stdout);
    if (autoTms && !r.reference.message.empty()) {
        std::fprintf(stderr, "%s\n", JoinLines(r.reference.message, ' ').c_str());
    }
    return 0;
}
