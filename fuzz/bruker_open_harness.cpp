#include "fuzz/bruker_open_harness.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

#include "examples/generator/example_spectra.h"
#include "experimental/bruker_spectrum.h"
#include "experimental/experimental_picture.h"
#include "experimental/experimental_plot.h"
#include "experimental/graph_reading.h"
#include "experimental/reference_calibration.h"
#include "platform/recording_surface.h"

namespace quble::fuzz {
namespace {

namespace fs = std::filesystem;

void Put(const fs::path& p, std::string_view bytes) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Get(const fs::path& p, std::size_t limit) {
    std::ifstream f(p, std::ios::binary);
    std::string s(limit, '\0');
    f.read(s.data(), static_cast<std::streamsize>(limit));
    s.resize(static_cast<std::size_t>(f.gcount()));
    return s;
}

// A value that must never be NaN or infinite ends the run loudly.
void Finite(double v, const char* what) {
    if (!std::isfinite(v)) {
        std::fprintf(stderr, "non-finite %s: %g\n", what, v);
        std::abort();
    }
}

void CheckResult(const BrukerSpectrum& s) {
    if (!s.ReadAcqus || s.NPont < 1) return;
    for (double v : {s.O1, s.SFO1, s.SWh, s.SW, s.FirstPointHz, s.LastPointHz, s.SFMeu, s.HzPerPoint, s.SF, s.BF1,
                     s.ABSF1, s.ABSF2}) {
        Finite(v, "parameter");
    }
    if (s.XnmrHz.points() == s.NPont) {
        Finite(s.XnmrHz[1], "first point");
        Finite(s.XnmrHz[s.NPont], "last point");
    }
}

void Draw(ExpView& v, const BrukerSpectrum& s, ExpDrawStyle style) {
    if (s.NPont < 2 || s.Ygraf.size() != static_cast<std::size_t>(s.NPont) + 1) return;
    const AxisLayout a = ComputeAxis(v, s, v.width, 0.0);
    // The axis work is bounded by the pixels: a third of the width at most.
    if (a.ticks.size() > 1000) {
        std::fprintf(stderr, "axis of %zu ticks on %g pixels\n", a.ticks.size(), v.width);
        std::abort();
    }
    for (const AxisTick& t : a.ticks) Finite(t.x, "tick");
    RecordingSurface dc(v.width, v.height);
    GrafMesmoWnd(dc, v, s, style, 0.0);
}

}  // namespace

void RunBrukerOpening(const std::uint8_t* data, std::size_t size, const std::string& folder) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    const std::string_view sep = kBrukerPartSeparator;
    for (std::size_t at = 0;;) {
        const std::size_t next = in.find(sep, at);
        if (next == std::string_view::npos || parts.size() == 3) {
            parts.push_back(in.substr(at));
            break;
        }
        parts.push_back(in.substr(at, next - at));
        at = next + sep.size();
    }

    const fs::path exp = fs::path(folder) / "sample" / "1";
    const fs::path pdata = exp / "pdata" / "1";
    std::error_code ec;
    fs::create_directories(pdata, ec);
    for (const fs::path& p : {exp / "acqus", pdata / "procs", pdata / "1r"}) fs::remove(p, ec);
    if (parts.size() >= 1) Put(pdata / "procs", parts[0]);
    if (parts.size() >= 2) Put(exp / "acqus", parts[1]);
    if (parts.size() >= 3) Put(pdata / "1r", parts[2]);
    const std::string_view ops = parts.size() >= 4 ? parts[3] : std::string_view();
    const std::string oneR = (pdata / "1r").string();

    BrukerSpectrum s;
    s.AutoAdjustTMS = !ops.empty() && (static_cast<unsigned char>(ops[0]) & 1);
    OpenResult r = OpenFull(s, oneR);
    CheckResult(s);
    if (!r.ok()) return;

    ExpView v;
    FullViewScaling(v, s, 700.0, 400.0);
    ExpDrawStyle style = ExpDrawStyle::Line;
    Draw(v, s, style);
    OnePointStepper stepper;
    for (std::size_t i = 0; i < ops.size() && i < 64; ++i) {
        const auto op = static_cast<unsigned char>(ops[i]);
        const auto arg = i + 1 < ops.size() ? static_cast<unsigned char>(ops[i + 1]) : 0;
        switch (op % 16) {
            case 0: ForceByteOrder(s, !s.BigEndian); FullViewScaling(v, s, v.width, v.height); break;
            case 1: Expand(v, s.NPont, arg, arg + (op >> 4) * 40.0); break;
            case 2: Narrow(v); break;
            case 3: Widen(v, s.NPont); break;
            case 4: Step(v, s.NPont, (op & 0x10) ? -TenPointStepSize(op >> 5) : TenPointStepSize(op >> 5)); break;
            case 5: Step(v, s.NPont, stepper.Press((op & 0x10) ? -1 : 1)); break;
            case 6: ScrollTo(v, s.NPont, static_cast<std::int64_t>(arg) * (s.NPont / 256 + 1)); break;
            case 7: CenterOn(v, s.NPont, NearestPoint(arg * 2.75, v.PixPerPoint, v.FirstShown)); break;
            case 8: FullViewScaling(v, s, 1.0 + arg * 4.0, 10.0 + (op >> 4) * 40.0); break;
            case 9: {
                const float shift = static_cast<float>(arg) / 16.0f - 2.0f;
                if (auto range = FindAdjReferenceGeral(s, shift)) ShowRange(v, range->FirstShown, range->LastShown);
                break;
            }
            case 10: {
                const std::int64_t p = NearestPoint(arg * 2.75, v.PixPerPoint, v.FirstShown);
                CalibrateAtPoint(s, p, static_cast<float>(op >> 4) * 0.5f, "TMS");
                break;
            }
            case 11: {
                if (auto reading = ReadingAt(s, NearestPoint(arg * 2.75, v.PixPerPoint, v.FirstShown))) {
                    if (reading->hzText.find("inf") != std::string::npos || reading->hzText.find("nan") != std::string::npos) {
                        std::abort();
                    }
                }
                break;
            }
            case 12: s.AutoAdjustTMS = true; FindAdjReference(s); break;
            case 13: style = static_cast<ExpDrawStyle>(arg % 5); break;
            case 14: {
                RecordingSurface dc(720, 520);
                DrawExperimentalPicture(dc, v, s, style, DefaultExpFrameLayout(s), {}, (op >> 4) & 1);
                break;
            }
            case 15: if (s.NPont <= 4096) (void)SaveYValuesText(s); break;
        }
        CheckResult(s);
        Draw(v, s, style);
    }
}

std::vector<std::string> BrukerSeeds(const std::string& realdataFolder, std::size_t maxDataBytes) {
    std::vector<std::string> seeds;
    const std::string sep = kBrukerPartSeparator;
    const std::string ops("\x01\x10\x02\x03\x04\x05\x15\x06\x40\x07\x80\x09\x20\x0a\x30\x0b\x50\x0c\x0d\x02\x0e\x0f\x00",
                          23);
    std::error_code ec;
    for (fs::recursive_directory_iterator it(realdataFolder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename() != "acqus") continue;
        const fs::path exp = it->path().parent_path();
        const fs::path pdata = exp / "pdata" / "1";
        seeds.push_back(Get(pdata / "procs", 1 << 20) + sep + Get(exp / "acqus", 1 << 20) + sep +
                        Get(pdata / "1r", maxDataBytes) + sep + ops);
    }
    using namespace quble::examplegen;
    for (const SpectrumRecipe& r : ExampleRecipes()) {
        const std::vector<std::int32_t> y = Synthesize(r);
        std::int32_t ymax = 0, ymin = 10000;
        for (std::int32_t v : y) ymax = std::max(ymax, v), ymin = std::min(ymin, v);
        std::string data = OneRBytes(r, y);
        if (data.size() > maxDataBytes) data.resize(maxDataBytes & ~std::size_t{3});
        seeds.push_back(ProcsText(r, ymax, ymin) + sep + AcqusText(r) + sep + data + sep + ops);
    }
    return seeds;
}

}  // namespace quble::fuzz
