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

// Length of the well-formed UTF-8 sequence at the start of s, 0 when the
// bytes there are not one (a stray continuation byte, an overlong or
// surrogate form, a cut sequence).
std::size_t Utf8SequenceLength(std::string_view s) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = b(0);
    if (c < 0x80) return 1;
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (s.size() < n) return 0;
    if (b(1) < lo || b(1) > hi) return 0;
    for (std::size_t i = 2; i < n; ++i) {
        if (b(i) < 0x80 || b(i) > 0xBF) return 0;
    }
    return n;
}

// A JSON string. Paths and texts of files are bytes, not necessarily
// UTF-8; a byte that is not part of valid UTF-8 becomes U+FFFD, so the
// output stays valid JSON whatever the file system holds.
std::string JsonString(std::string_view s) {
    std::string out = "\"";
    while (!s.empty()) {
        const unsigned char c = static_cast<unsigned char>(s.front());
        if (c >= 0x80) {
            const std::size_t n = Utf8SequenceLength(s);
            if (n == 0) {
                out += "\xEF\xBF\xBD";
                s.remove_prefix(1);
            } else {
                out.append(s.substr(0, n));
                s.remove_prefix(n);
            }
            continue;
        }
        s.remove_prefix(1);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
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
