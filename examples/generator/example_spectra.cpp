#include "examples/generator/example_spectra.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <system_error>
#include <utility>

#include "examples/generator/example_pictures.h"
#include "examples/program_folder.h"

namespace quble::examplegen {

namespace fs = std::filesystem;

namespace {

// Shifts of the lines that are not example multiplets are thought of in ppm;
// every spectrum is of the same 500 MHz instrument, whose TMS frequency is
// close enough to BF1 for the conversion.
constexpr double kHzPerPpm = 500.13;
double Ppm(double ppm) { return ppm * kHzPerPpm; }

TrueMultiplet Example(std::string caption, std::string name, double shiftHz, std::vector<double> j, double width,
                      double gauss) {
    return {std::move(name), shiftHz, std::move(j), 1.0, width, gauss, std::move(caption)};
}

TrueMultiplet Other(std::string name, double ppm, std::vector<double> j, double protons, double width, double gauss) {
    return {std::move(name), Ppm(ppm), std::move(j), protons, width, gauss, {}};
}

// TMS with its 29Si (2J 6.6 Hz, 4.7 % natural abundance) and 13C (1J 118.2
// Hz, 1.1 %) satellites, the residual CHCl3 with its 13C satellites (1J
// 209 Hz), and the water of the solvent: the lines every CDCl3 spectrum has.
void AddSolventAndReference(SpectrumRecipe& r, double tmsArea, double tmsWidth, double chcl3Area, double width,
                            double gauss) {
    auto& v = r.lines;
    v.push_back({"TMS", 0.0, {}, tmsArea * (1.0 - 0.047 - 0.011), tmsWidth, gauss, {}});
    v.push_back({"TMS 29Si satellites", 0.0, {6.6}, tmsArea * 0.047, tmsWidth, gauss, {}});
    v.push_back({"TMS 13C satellites", 0.0, {118.2}, tmsArea * 0.011, tmsWidth, gauss, {}});
    v.push_back({"CHCl3", Ppm(7.26), {}, chcl3Area * 0.989, width, gauss, {}});
    v.push_back({"CHCl3 13C satellites", Ppm(7.26), {209.0}, chcl3Area * 0.011, width, gauss, {}});
    v.push_back({"H2O", Ppm(1.56), {}, 0.18, 3.6, 0.0, {}});
}

std::vector<SpectrumRecipe> BuildRecipes() {
    std::vector<SpectrumRecipe> all;

    // Compound 1 is measured twice: 1a finely digitised with light line
    // broadening, 1b on another day with fewer points and broader lines.
    // The couplings are the molecule's own, so they are equal in both.
    auto compound1 = [](SpectrumRecipe& r, const double w[6], double others, double gauss) {
        r.compound = "15-Deoxygoyazensolide";
        auto& v = r.lines;
        v.push_back(Example("Example 1/H3'b", "H3'b", 2772.18, {1.68, 1.68, 1.68, 1.30}, w[0], gauss));
        v.push_back(Example("Example 1/H5+H3'a", "H5", 3000.2, {3.22, 1.58, 1.58, 1.58}, w[1], gauss));
        v.push_back(Example("Example 1/H5+H3'a", "H3'a", 3005.8, {1.30, 1.18, 1.18, 1.18}, w[2], gauss));
        v.push_back(Example("Example 1/H6", "H6", 2630.72, {4.86, 3.22, 2.08, 2.08, 2.08}, w[3], gauss));
        v.push_back(Example("Example 1/H7", "H7", 1869.25, {4.86, 2.96, 3.05, 2.64, 0.82, 0.38}, w[4], gauss));
        v.push_back(Example("Example 1/H8", "H8", 2272.91, {11.28, 2.96, 2.21, 0.74}, w[5], gauss));
        v.push_back(Other("H13a", 6.262, {3.05}, 1, others, gauss));
        v.push_back(Other("H13b", 5.638, {2.64}, 1, others, gauss));
        v.push_back(Other("H1", 5.742, {}, 1, others, gauss));
        v.push_back(Other("H9a", 2.618, {13.9, 11.28}, 1, others, gauss));
        v.push_back(Other("H9b", 2.347, {13.9, 2.21}, 1, others, gauss));
        v.push_back(Other("H15 (CH3)", 1.962, {2.08, 1.58}, 3, others, gauss));
        v.push_back(Other("H4' (CH3)", 1.921, {1.68, 1.18}, 3, others, gauss));
        v.push_back(Other("H14 (CH3)", 1.478, {}, 3, others, gauss));
    };

    {
        SpectrumRecipe r;
        r.suffix = "1a";
        r.label = "Example 1a";
        r.si = 65536;
        r.td = 65536;
        r.bytordp = 0;
        r.o1 = 3087.43;
        r.swh = 10000.0;
        r.tmsProvisionalHz = 4.12;
        r.srHz = 3.48;
        r.lb = 0.1;
        r.nc = -3;
        r.maxIntensity = 4.6e8;
        r.noiseSigma = 4.6e8 / 18000.0;
        r.baseline[0] = 2.0e4;
        r.baseline[1] = -1.2e4;
        r.baseline[2] = 2.4e4;
        r.seed = 0x51a1u;
        r.date = 1718011847;
        r.dateText = "2024-06-10 09:30:47.112 +0000";
        const double w[6] = {0.86, 1.13, 0.87, 1.29, 1.16, 0.88};
        compound1(r, w, 0.90, 0.10);
        AddSolventAndReference(r, 3.0, 0.78, 0.22, 0.85, 0.10);
        all.push_back(std::move(r));
    }
    {
        SpectrumRecipe r;
        r.suffix = "1b";
        r.label = "Example 1b";
        r.si = 32768;
        r.td = 32768;
        r.bytordp = 1;
        r.o1 = 3090.16;
        r.swh = 10330.5785123967;
        r.tmsProvisionalHz = -3.37;
        r.srHz = -2.91;
        r.lb = 0.3;
        r.nc = -2;
        r.maxIntensity = 2.9e8;
        r.noiseSigma = 2.9e8 / 9000.0;
        r.baseline[0] = -2.5e4;
        r.baseline[1] = 1.8e4;
        r.baseline[2] = 2.2e4;
        r.seed = 0x51b2u;
        r.date = 1718270523;
        r.dateText = "2024-06-13 09:22:03.540 +0000";
        const double w[6] = {1.15, 1.18, 1.17, 1.74, 1.19, 1.16};
        compound1(r, w, 1.14, 0.20);
        AddSolventAndReference(r, 2.2, 1.05, 0.30, 1.10, 0.20);
        all.push_back(std::move(r));
    }
    {
        SpectrumRecipe r;
        r.suffix = "2";
        r.label = "Example 2";
        r.compound = "bqw75a";
        r.si = 65536;
        r.td = 65536;
        r.bytordp = 0;
        r.o1 = 2751.54;
        r.swh = 8012.82051282051;
        r.tmsProvisionalHz = 6.58;
        r.srHz = 5.94;
        r.lb = 0.2;
        r.nc = -4;
        r.maxIntensity = 5.3e8;
        r.noiseSigma = 5.3e8 / 22000.0;
        r.baseline[0] = 3.0e4;
        r.baseline[1] = 0.8e4;
        r.baseline[2] = -2.0e4;
        r.seed = 0x5202u;
        r.date = 1718618190;
        r.dateText = "2024-06-17 09:56:30.006 +0000";
        const double g = 0.05;
        auto& v = r.lines;
        v.push_back(Example("Example 2", "He", 1248.7, {6.62, 6.08, 5.86, 2.63, 2.18, 1.91}, 1.13, g));
        v.push_back(Other("ArH (2H)", 7.340, {8.4}, 2, 0.95, g));
        v.push_back(Other("ArH (2H)", 7.118, {8.4}, 2, 0.95, g));
        v.push_back(Other("OCH3", 3.792, {}, 3, 0.95, g));
        v.push_back(Other("Hd", 2.912, {13.6, 6.08}, 1, 0.95, g));
        v.push_back(Other("ArCH3", 2.318, {}, 3, 0.95, g));
        v.push_back(Other("CH3", 1.094, {6.86}, 3, 0.95, g));
        AddSolventAndReference(r, 4.5, 0.82, 0.18, 0.95, g);
        all.push_back(std::move(r));
    }
    {
        SpectrumRecipe r;
        r.suffix = "3";
        r.label = "Example 3";
        r.compound = "Alcohol RVALE-009";
        r.si = 32768;
        r.td = 65536;
        r.bytordp = 1;
        r.o1 = 2500.67;
        r.swh = 7507.50750750751;
        r.tmsProvisionalHz = -2.46;
        r.srHz = -1.67;
        r.lb = 0.3;
        r.nc = -2;
        r.maxIntensity = 1.9e8;
        r.noiseSigma = 1.9e8 / 12000.0;
        r.baseline[0] = 0.8e4;
        r.baseline[1] = -1.2e4;
        r.baseline[2] = 1.4e4;
        r.seed = 0x5303u;
        r.date = 1719219354;
        r.dateText = "2024-06-24 08:55:54.871 +0000";
        const double g = 0.30;
        auto& v = r.lines;
        v.push_back(Example("Example 3", "HA", 1581.3, {9.92, 9.31, 3.18, 1.55, 0.86}, 2.72, g));
        v.push_back(Other("OH", 1.830, {}, 1, 5.5, 0.0));
        v.push_back(Other("CH2O (Ha)", 3.652, {10.8, 4.2}, 1, 1.40, g));
        v.push_back(Other("OCH3", 3.401, {}, 3, 1.40, g));
        v.push_back(Other("CH", 1.968, {13.0, 4.5, 3.2, 2.0}, 1, 1.40, g));
        v.push_back(Other("CH3", 0.948, {6.5}, 3, 1.40, g));
        v.push_back(Other("CH3", 0.903, {6.8}, 3, 1.40, g));
        AddSolventAndReference(r, 2.6, 1.10, 0.35, 1.30, g);
        all.push_back(std::move(r));
    }
    {
        SpectrumRecipe r;
        r.suffix = "4";
        r.label = "Example 4";
        r.compound = "Mesylate RVALE-011";
        r.si = 65536;
        r.td = 65536;
        r.bytordp = 0;
        r.o1 = 3087.43;
        r.swh = 10330.5785123967;
        r.tmsProvisionalHz = 7.41;
        r.srHz = 6.65;
        r.lb = 0.3;
        r.nc = -4;
        r.maxIntensity = 6.8e8;
        r.noiseSigma = 6.8e8 / 15000.0;
        r.baseline[0] = -4.0e4;
        r.baseline[1] = 2.5e4;
        r.baseline[2] = 4.5e4;
        r.seed = 0x5404u;
        r.date = 1719566722;
        r.dateText = "2024-06-28 09:25:22.203 +0000";
        const double g = 0.42;
        auto& v = r.lines;
        v.push_back(Example("Example 4", "HG", 1027.6, {9.12, 7.04, 6.78, 3.26}, 2.86, g));
        v.push_back(Other("CH3SO3", 3.004, {}, 3, 1.25, g));
        v.push_back(Other("CH-OMs", 4.712, {8.62, 4.83, 4.83}, 1, 1.25, g));
        v.push_back(Other("CH", 1.762, {13.8, 9.12, 4.9, 3.1}, 1, 1.25, g));
        v.push_back(Other("CH3", 0.982, {6.8}, 3, 1.25, g));
        v.push_back(Other("CH3", 0.921, {6.9}, 3, 1.25, g));
        AddSolventAndReference(r, 3.4, 1.00, 0.25, 1.20, g);
        all.push_back(std::move(r));
    }
    {
        SpectrumRecipe r;
        r.suffix = "5";
        r.label = "Example 5";
        r.compound = "Lactam RVALE-007";
        r.si = 32768;
        r.td = 32768;
        r.bytordp = 1;
        r.o1 = 3000.62;
        r.swh = 9615.38461538462;
        r.tmsProvisionalHz = -5.83;
        r.srHz = -5.02;
        r.lb = 0.2;
        r.nc = -3;
        r.maxIntensity = 3.4e8;
        r.noiseSigma = 3.4e8 / 10000.0;
        r.baseline[0] = 2.5e4;
        r.baseline[1] = 1.2e4;
        r.baseline[2] = -2.2e4;
        r.seed = 0x5505u;
        r.date = 1720000411;
        r.dateText = "2024-07-03 09:53:31.660 +0000";
        const double g = 0.25;
        auto& v = r.lines;
        v.push_back(Example("Example 5", "HG", 1834.6, {10.08, 6.74, 1.98, 1.16}, 1.74, g));
        v.push_back(Other("NH", 6.080, {}, 1, 7.0, 0.0));
        v.push_back(Other("CO2CH3", 3.804, {}, 3, 1.20, g));
        v.push_back(Other("CH (3.31)", 3.312, {9.6, 6.74}, 1, 1.20, g));
        v.push_back(Other("CH2 (Ha)", 2.412, {17.0, 9.4, 7.1}, 1, 1.20, g));
        v.push_back(Other("CH2 (Hb)", 2.218, {17.0, 9.8, 4.4}, 1, 1.20, g));
        v.push_back(Other("CH3", 1.224, {6.3}, 3, 1.20, g));
        AddSolventAndReference(r, 1.8, 0.95, 0.40, 1.15, g);
        all.push_back(std::move(r));
    }
    return all;
}

// One line of the stick spectrum.
struct Stick {
    double pos;      // Hz from TMS
    double area;
    double width;
    double gauss;
};

std::vector<Stick> Sticks(const SpectrumRecipe& r) {
    std::vector<Stick> out;
    for (const auto& m : r.lines) {
        std::vector<double> pos{m.shiftHz};
        for (double j : m.j) {
            std::vector<double> next;
            next.reserve(pos.size() * 2);
            for (double p : pos) {
                next.push_back(p - j / 2.0);
                next.push_back(p + j / 2.0);
            }
            pos = std::move(next);
        }
        const double area = m.protons / static_cast<double>(pos.size());
        for (double p : pos) out.push_back({p, area, m.widthHz, m.gaussFraction});
    }
    return out;
}

// Both shapes have unit area and the same width at half height.
double Lorentz(double dx, double w) {
    const double g = w / 2.0;
    return g / (std::numbers::pi * (dx * dx + g * g));
}
double Gauss(double dx, double w) {
    const double k = 4.0 * std::numbers::ln2;
    return std::sqrt(k / std::numbers::pi) / w * std::exp(-k * dx * dx / (w * w));
}
// Beyond this many widths a Gaussian is below 1e-70 of its top.
constexpr double kGaussReach = 8.0;

double Profile(const Stick& s, double x) {
    const double dx = x - s.pos;
    double v = (1.0 - s.gauss) * Lorentz(dx, s.width);
    if (s.gauss > 0.0 && std::abs(dx) < kGaussReach * s.width) v += s.gauss * Gauss(dx, s.width);
    return s.area * v;
}

// xoshiro256** seeded through splitmix64: fixed integer arithmetic, so the
// sequence is the same with every compiler and library, unlike the standard
// distributions.
class Random {
public:
    explicit Random(std::uint64_t seed) {
        for (auto& s : s_) {
            seed += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            s = z ^ (z >> 31);
        }
    }
    std::uint64_t Next() {
        const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = Rotl(s_[3], 45);
        return result;
    }
    // Uniform in (0, 1].
    double Uniform() { return (static_cast<double>(Next() >> 11) + 1.0) * 0x1.0p-53; }
    // Standard normal, Box-Muller.
    double Normal() {
        if (hasSpare_) {
            hasSpare_ = false;
            return spare_;
        }
        const double r = std::sqrt(-2.0 * std::log(Uniform()));
        const double a = 2.0 * std::numbers::pi * Uniform();
        spare_ = r * std::sin(a);
        hasSpare_ = true;
        return r * std::cos(a);
    }

private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t s_[4];
    bool hasSpare_ = false;
    double spare_ = 0.0;
};

// Fixed-point text without trailing zeros: "3087.43", "500.13", "0".
// printf rounds correctly, so the text is the same everywhere.
std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

// The shortest text that reads back as the same double, for the values a
// reader builds the axis from: the axis it builds must be the one the data
// were sampled on.
std::string Exact(double v) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

// Parameter-file writer: keys are kept apart from their lines so that the
// file can be sorted by key as spectrometers write it.
class ParameterFile {
public:
    void Add(const std::string& key, const std::string& value) { entries_.push_back({key, {"##$" + key + "= " + value}}); }
    void Add(const std::string& key, double v, int decimals) { Add(key, Fixed(v, decimals)); }
    void Add(const std::string& key, std::int64_t v) { Add(key, std::to_string(v)); }
    void Text(const std::string& key, const std::string& text) { Add(key, "<" + text + ">"); }
    // "(0..n-1)" on the key line, then the values wrapped at 72 characters.
    void Array(const std::string& key, const std::vector<std::string>& values) {
        std::vector<std::string> lines{"##$" + key + "= (0.." + std::to_string(values.size() - 1) + ")"};
        std::string cur;
        for (const auto& v : values) {
            if (!cur.empty() && cur.size() + 1 + v.size() > 72) {
                lines.push_back(cur);
                cur.clear();
            }
            cur += (cur.empty() ? "" : " ") + v;
        }
        if (!cur.empty()) lines.push_back(cur);
        entries_.push_back({key, lines});
    }
    void Repeat(const std::string& key, int count, const std::string& v) {
        Array(key, std::vector<std::string>(static_cast<std::size_t>(count), v));
    }
    void Numbers(const std::string& key, int count, std::initializer_list<std::pair<int, std::string>> set,
                 const std::string& rest) {
        std::vector<std::string> v(static_cast<std::size_t>(count), rest);
        for (const auto& [i, s] : set) v[static_cast<std::size_t>(i)] = s;
        Array(key, v);
    }

    std::string Write(const std::vector<std::string>& header) {
        std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
        std::string out;
        for (const auto& h : header) out += h + "\n";
        for (const auto& e : entries_) {
            for (const auto& l : e.lines) out += l + "\n";
        }
        out += "##END=\n";
        return out;
    }

private:
    struct Entry {
        std::string key;
        std::vector<std::string> lines;
    };
    std::vector<Entry> entries_;
};

std::string FolderOf(const SpectrumRecipe& r) {
    for (const auto& f : ExampleFolders()) {
        if (f.suffix == r.suffix) return f.name;
    }
    return r.suffix;
}

std::vector<std::string> Header(const SpectrumRecipe& r, const std::string& file, const char* process) {
    return {
        "##TITLE= Parameter file, Quble example generator",
        "##JCAMPDX= 5.0",
        "##DATATYPE= Parameter Values",
        "##NPOINTS= 3\t$$ modification sequence number",
        "##ORIGIN= Quble example generator",
        "##OWNER= quble",
        "$$ " + r.dateText + "  quble@examples",
        "$$ Examples/" + FolderOf(r) + "/" + file + " (generated, not recorded)",
        std::string("$$ process ") + process,
    };
}

double Sfo1(const SpectrumRecipe& r) { return r.bf1 + r.o1 * 1e-6; }
double Sf(const SpectrumRecipe& r) { return r.bf1 + r.srHz * 1e-6; }

}  // namespace

const std::vector<SpectrumRecipe>& ExampleRecipes() {
    static const std::vector<SpectrumRecipe> recipes = BuildRecipes();
    return recipes;
}

std::vector<std::string> GeneratedFileNames() { return ShippedFileNames(); }

double ProvisionalHz(const SpectrumRecipe& r, std::int64_t i) {
    const double hzPerPoint = r.swh / static_cast<double>(r.si - 1);
    return r.swh / 2.0 + r.o1 - static_cast<double>(i - 1) * hzPerPoint;
}

double ModelAt(const SpectrumRecipe& r, double shiftHz) {
    double sum = 0.0;
    for (const auto& s : Sticks(r)) sum += Profile(s, shiftHz);
    return sum;
}

std::vector<std::int32_t> Synthesize(const SpectrumRecipe& r) {
    const std::int64_t n = r.si;
    std::vector<double> model(static_cast<std::size_t>(n), 0.0);
    std::vector<double> shift(static_cast<std::size_t>(n));
    for (std::int64_t i = 0; i < n; ++i) shift[static_cast<std::size_t>(i)] = ProvisionalHz(r, i + 1) - r.tmsProvisionalHz;
    for (const auto& s : Sticks(r)) {
        for (std::size_t i = 0; i < model.size(); ++i) model[i] += Profile(s, shift[i]);
    }
    const double top = *std::max_element(model.begin(), model.end());
    const double scale = r.maxIntensity / top;

    Random rng(r.seed);
    std::vector<std::int32_t> out(static_cast<std::size_t>(n));
    for (std::int64_t i = 0; i < n; ++i) {
        const double t = -1.0 + 2.0 * static_cast<double>(i) / static_cast<double>(n - 1);
        const double base = r.baseline[0] + r.baseline[1] * t + r.baseline[2] * t * t;
        const double v = std::nearbyint(model[static_cast<std::size_t>(i)] * scale + base + r.noiseSigma * rng.Normal());
        out[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
    }
    return out;
}

std::string OneRBytes(const SpectrumRecipe& r, const std::vector<std::int32_t>& data) {
    std::string bytes;
    bytes.reserve(data.size() * 4);
    for (std::int32_t v : data) {
        const auto u = static_cast<std::uint32_t>(v);
        const char b[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                           static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
        if (r.bytordp == 1) {
            bytes.append({b[3], b[2], b[1], b[0]});
        } else {
            bytes.append(b, 4);
        }
    }
    return bytes;
}

std::string AcqusText(const SpectrumRecipe& r) {
    ParameterFile f;
    f.Add("ACQT0", -2.26569, 5);
    f.Repeat("AMP", 32, "100");
    f.Add("AQSEQ", 0);
    f.Add("AQ_mod", 3);
    f.Text("AUNM", "au_zg");
    f.Text("AUTOPOS", "");
    for (int k = 1; k <= 8; ++k) f.Add("BF" + std::to_string(k), r.bf1, 6);
    f.Add("BYTORDA", r.bytordp);
    f.Text("CHEMSTR", "none");
    f.Repeat("CNST", 64, "1");
    f.Text("CPDPRG1", "mlev");
    f.Text("CPDPRG2", "waltz16");
    f.Text("CPDPRG3", "mlev");
    f.Text("CPDPRG4", "mlev");
    f.Numbers("D", 64, {{1, "1"}, {16, "0.0002"}}, "0");
    f.Add("DATE", r.date);
    f.Add("DE", 6.5, 1);
    f.Text("DECBNUC", "off");
    f.Add("DECIM", std::int64_t{16});
    f.Text("DECNUC", "off");
    f.Add("DECSTAT", 4);
    f.Add("DIGMOD", 1);
    f.Add("DIGTYP", 12);
    f.Add("DQDMODE", 0);
    f.Add("DR", 22);
    f.Add("DS", 2);
    f.Text("DSLIST", "SSSSSSSSSSSSSSS");
    f.Add("DSPFIRM", 0);
    f.Add("DSPFVS", 20);
    f.Add("DTYPA", 0);
    f.Text("EXP", "");
    f.Text("F1LIST", "111111111111111");
    f.Text("F2LIST", "222222222222222");
    f.Add("FW", static_cast<std::int64_t>(std::llround(r.swh * 1.25)));
    f.Add("FnMODE", 0);
    f.Text("GPNAM0", "SMSQ10.100");
    f.Text("GPNAM1", "SMSQ10.100");
    f.Add("GRPDLY", 67.9858, 4);
    f.Numbers("HPMOD", 8, {}, "0");
    f.Text("INSTRUM", "spect");
    f.Numbers("L", 32, {}, "1");
    f.Add("LFILTER", 10);
    f.Add("LGAIN", -10);
    f.Add("LOCKED", "yes");
    f.Text("LOCNUC", "2H");
    f.Add("LOCSHFT", "yes");
    f.Add("LTIME", 0.1, 1);
    f.Add("MASR", 0);
    f.Numbers("MULEXPNO", 16, {}, "-1");
    f.Add("NBL", 1);
    f.Add("NC", 0);
    f.Add("NS", 16);
    f.Text("NUC1", "1H");
    for (int k = 2; k <= 8; ++k) f.Text("NUC" + std::to_string(k), "off");
    f.Add("NUCLEI", 0);
    f.Text("NUCLEUS", "off");
    f.Add("O1", Exact(r.o1));
    for (int k = 2; k <= 8; ++k) f.Add("O" + std::to_string(k), 0);
    f.Numbers("OBSCHAN", 10, {{1, "1"}}, "0");
    f.Add("OVERFLW", 0);
    f.Numbers("P", 64, {{0, "3.33"}, {1, "10"}, {2, "20"}, {17, "2500"}}, "0");
    f.Add("PARMODE", 0);
    f.Numbers("PCPD", 10, {{2, "80"}}, "100");
    f.Repeat("PHCOR", 32, "0");
    f.Add("PHP", 1);
    f.Add("PH_ref", 0);
    f.Numbers("PLW", 64, {{1, "14.2"}, {2, "38.5"}, {12, "0.2458"}}, "0");
    f.Add("POWMOD", 0);
    f.Add("PQPHASE", 0);
    f.Add("PQSCALE", 1);
    f.Add("PR", 1);
    f.Numbers("PRECHAN", 16, {{0, "-1"}, {1, "0"}}, "-1");
    f.Add("PRGAIN", 0);
    f.Text("PROBHD", "5 mm dual 1H/13C Z-GRD");
    f.Add("PROSOL", "no");
    f.Text("PULPROG", "zg30");
    f.Add("QNP", 1);
    f.Add("RD", 0);
    f.Add("RG", 101);
    f.Add("RO", 20);
    f.Numbers("RSEL", 10, {{1, "1"}}, "0");
    f.Numbers("S", 8, {}, "83");
    f.Numbers("SELREC", 10, {}, "0");
    f.Add("SFO1", Sfo1(r), 10);
    for (int k = 2; k <= 8; ++k) f.Add("SFO" + std::to_string(k), r.bf1, 6);
    f.Text("SOLVENT", "CDCl3");
    f.Repeat("SP", 64, "0");
    f.Add("SW", r.swh / Sfo1(r), 12);
    f.Numbers("SWIBOX", 20, {{1, "1"}}, "0");
    f.Add("SW_h", Exact(r.swh));
    f.Add("SWfinal", 0);
    f.Add("TD", r.td);
    f.Add("TD0", 1);
    f.Add("TE", 298.1, 1);
    f.Add("TE2", 300);
    f.Numbers("TL", 8, {}, "0");
    f.Numbers("TP", 8, {}, "150");
    for (int k = 1; k <= 5; ++k) f.Text("USERA" + std::to_string(k), "user");
    f.Add("V9", 5);
    f.Text("VALIST", "valist");
    f.Add("VD", 0);
    f.Add("WBST", 1024);
    f.Add("WBSW", 4);
    f.Numbers("XGAIN", 4, {}, "0");
    f.Add("XL", 0);
    f.Add("YL", 0);
    return f.Write(Header(r, "acqus", "acquisition (simulated)"));
}

std::string ProcsText(const SpectrumRecipe& r, std::int32_t ymax, std::int32_t ymin) {
    ParameterFile f;
    const double sf = Sf(r);
    // Bruker's own ppm scale for point 1 and point SI, from SR.
    const double firstPpm = (r.o1 + r.swh / 2.0 - r.srHz) / sf;
    const double lastPpm = (r.o1 - r.swh / 2.0 - r.srHz) / sf;
    f.Add("ABSF1", firstPpm, 10);
    f.Add("ABSF2", lastPpm, 10);
    f.Add("ABSG", 5);
    f.Add("ABSL", 3);
    f.Add("ALPHA", 0);
    f.Add("AQORDER", 0);
    f.Add("ASSFAC", 0);
    f.Add("ASSFACI", 0);
    f.Add("ASSFACX", 0);
    f.Add("ASSWID", 0);
    f.Text("AUNMP", "proc_1d");
    f.Add("AXLEFT", 0);
    f.Text("AXNAME", "");
    f.Text("AXNUC", "1H");
    f.Add("AXRIGHT", 0);
    f.Add("AXTYPE", 0);
    f.Text("AXUNIT", "");
    f.Add("AZFE", 0.1, 1);
    f.Add("AZFW", 0.5, 1);
    f.Add("BCFW", 0);
    f.Add("BC_mod", 0);
    f.Add("BYTORDP", r.bytordp);
    f.Add("COROFFS", 0);
    f.Add("CY", 15);
    f.Add("DATMOD", 1);
    f.Add("DC", 1);
    f.Text("DFILT", "");
    f.Add("DTYPP", 0);
    f.Add("ERETIC", "no");
    f.Add("F1P", 10.0, 1);
    f.Add("F2P", -0.5, 1);
    f.Add("FCOR", 0.5, 1);
    f.Add("FTSIZE", r.si);
    f.Add("FT_mod", 6);
    f.Add("GAMMA", 0);
    f.Add("GB", 0);
    f.Add("INTBC", 1);
    f.Add("INTSCL", 1);
    f.Add("ISEN", 128);
    f.Add("LB", r.lb, 2);
    f.Add("LEV0", 0);
    f.Add("LPBIN", 0);
    f.Add("MAXI", 10000);
    f.Add("MC2", 0);
    f.Add("MEAN", 0);
    f.Add("ME_mod", 0);
    f.Add("MI", 0.5, 1);
    f.Add("NCOEF", 0);
    f.Add("NC_proc", r.nc);
    f.Add("NLEV", 6);
    f.Add("NOISF1", 0);
    f.Add("NOISF2", 0);
    f.Add("NSP", 0);
    f.Add("NTH_PI", 0);
    f.Add("NZP", 0);
    f.Add("OFFSET", firstPpm, 10);
    f.Add("PC", 1);
    // Phase values of the processing; the data are already phased.
    f.Add("PHC0", 97.0 + static_cast<double>(r.seed % 97), 2);
    f.Add("PHC1", -(static_cast<double>(r.seed % 13)) / 2.0, 2);
    f.Add("PH_mod", 1);
    f.Add("PKNL", "yes");
    f.Add("PPARMOD", 0);
    f.Add("PPDIAG", 0);
    f.Add("PPIPTYP", 0);
    f.Add("PPMPNUM", 100);
    f.Add("PPRESOL", 1);
    f.Add("PSCAL", 4);
    f.Add("PSIGN", 0);
    f.Text("PYNMP", "proc.py");
    f.Add("REVERSE", "no");
    f.Add("SF", sf, 10);
    f.Add("SI", r.si);
    f.Add("SIGF1", 0);
    f.Add("SIGF2", 0);
    f.Add("SINO", 400);
    f.Add("SIOLD", r.si);
    f.Text("SPECTYP", "");
    f.Text("SREGLST", "1H.CDCl3");
    f.Add("SSB", 0);
    f.Add("STSI", r.si);
    f.Add("STSR", 0);
    f.Add("SW_p", Exact(r.swh));
    f.Add("SYMM", 0);
    f.Add("S_DEV", 0);
    f.Add("TDeff", r.td);
    f.Add("TDoff", 0);
    f.Text("TI", r.compound + " (" + r.label + "), generated by quble-make-examples");
    f.Add("TILT", "no");
    f.Add("TM1", 0);
    f.Add("TM2", 0);
    f.Add("TOPLEV", 0);
    for (int k = 1; k <= 5; ++k) f.Text("USERP" + std::to_string(k), "user");
    f.Add("WDW", 1);
    f.Add("XDIM", 8192);
    f.Add("YMAX_p", ymax);
    f.Add("YMIN_p", ymin);
    return f.Write(Header(r, "pdata/1/procs", "processing (simulated)"));
}

std::string ReadMeText() {
    auto hz = [](double v) { return Fixed(v, 2); };
    auto fixed2 = [](double v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.2f", v);
        return std::string(buf);
    };
    auto ppm = [](double v) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.3f", v / kHzPerPpm);
        return std::string(buf);
    };
    auto jList = [&](const std::vector<double>& j) {
        if (j.empty()) return std::string("none (singlet)");
        std::string s;
        for (double v : j) s += (s.empty() ? "" : ", ") + fixed2(v);
        return s + " Hz";
    };
    auto percent = [](double g) { return std::to_string(static_cast<int>(std::lround(g * 100.0))) + " %"; };

    std::string t;
    t += "Quble example spectra\n";
    t += "=====================\n\n";
    t += "These six proton spectra were generated by Quble's own example generator\n";
    t += "(quble-make-examples). They were NOT recorded on a spectrometer, and no data of\n";
    t += "any other program or laboratory is in them. The compound names are only the\n";
    t += "titles of the simulator's examples; the spectra are not measurements of them.\n\n";
    t += "Each spectrum imitates a processed 1H spectrum in CDCl3 of a 500 MHz\n";
    t += "instrument, stored the way such an instrument stores it: \"1r\" holds the real\n";
    t += "part as 32-bit integers, \"procs\" the processing and \"acqus\" the acquisition\n";
    t += "parameters. Open the \"1r\" of an example folder in the experimental window.\n\n";
    t += "How the spectra were made\n";
    t += "-------------------------\n";
    t += "- Every multiplet is first order: each coupling splits every line into two\n";
    t += "  halves. Each line is a Lorentzian and a Gaussian of the same width at half\n";
    t += "  height, mixed with the Gaussian fraction given below; a multiplet's area is\n";
    t += "  its number of hydrogens.\n";
    t += "- The multiplets of the examples sit exactly at the examples' chemical shifts,\n";
    t += "  but their true coupling constants and widths differ a little from the values\n";
    t += "  the simulator's examples load, so that a comparison shows something.\n";
    t += "- The other lines of each compound, the TMS line with its 29Si and 13C\n";
    t += "  satellites, the CHCl3 line at 7.26 ppm and the water line at 1.56 ppm were\n";
    t += "  added to make complete spectra; they are invented.\n";
    t += "- Gaussian noise from a seeded pseudo-random generator and a slightly curved\n";
    t += "  baseline were added, and the result was rounded to integers. The generator\n";
    t += "  writes the same bytes every time.\n";
    t += "- The frequency axis built from acqus alone (O1 and SW_h) puts TMS a few Hz\n";
    t += "  away from 0 Hz, as on a real instrument: calibrate to TMS (automatically when\n";
    t += "  opening, or with the \"&Reference\" menu) before reading shifts.\n\n";
    t += "Shifts and coupling constants are in Hz; shifts are counted from TMS (0 Hz),\n";
    t += "and ppm = Hz / 500.13. Widths are full widths at half height.\n\n";
    t += "Formula pictures\n";
    t += "----------------\n";
    t += "\"Ex1.emf\" to \"Ex5.emf\" are drawn by the same generator through Quble's own\n";
    t += "metafile writer: each shows a structure fragment around the example's\n";
    t += "hydrogen(s), with the hydrogens of the examples in blue, and the compound's\n";
    t += "title. They illustrate where a multiplet belongs; they are not complete\n";
    t += "structures. \"Ex1.emf\" serves every part of Example 1 and lies in both\n";
    t += "Example 1 folders.\n";

    const auto& folders = ExampleFolders();
    for (const auto& r : ExampleRecipes()) {
        std::string folder = r.suffix;
        for (const auto& f : folders) {
            if (f.suffix == r.suffix) folder = f.name;
        }
        t += "\n" + r.label + ": " + r.compound + "\n";
        t += std::string(r.label.size() + 2 + r.compound.size(), '-') + "\n";
        t += "Shipped as \"1r_" + r.suffix + "\", \"acqus_" + r.suffix + "\" and \"procs_" + r.suffix +
             "\"; after the first start\n";
        t += "they are \"1r\", \"acqus\" and \"procs\" in \"Examples/" + folder + "\".\n";
        t += "- Points (SI): " + std::to_string(r.si) + "; acquired points (TD): " + std::to_string(r.td) + "\n";
        t += "- Byte order of 1r: " + std::string(r.bytordp == 1 ? "big endian (BYTORDP 1)" : "little endian (BYTORDP 0)") +
             "\n";
        t += "- BF1 " + Fixed(r.bf1, 6) + " MHz, O1 " + hz(r.o1) + " Hz, SFO1 " + Fixed(Sfo1(r), 10) + " MHz, SW_h " +
             Fixed(r.swh, 6) + " Hz\n";
        t += "- TMS lies at " + hz(r.tmsProvisionalHz) + " Hz on the uncalibrated axis (the axis from O1 and SW_h);\n";
        t += "  the SF written in procs, " + Fixed(Sf(r), 10) + " MHz, places the instrument's zero at " +
             hz(r.srHz) + " Hz.\n";
        t += "- Line broadening recorded in procs: " + Fixed(r.lb, 2) + " Hz.\n";
        t += "- Noise standard deviation " + std::to_string(std::llround(r.noiseSigma)) +
             "; the tallest point before noise is " + std::to_string(std::llround(r.maxIntensity)) + ".\n";
        t += "Multiplets of the examples (true values):\n";
        for (const auto& m : r.lines) {
            if (m.exampleCaption.empty()) continue;
            t += "  " + m.name + " (" + m.exampleCaption + "): " + hz(m.shiftHz) + " Hz (" + ppm(m.shiftHz) +
                 " ppm); J " + jList(m.j) + "; width " + fixed2(m.widthHz) + " Hz; Gaussian fraction " +
                 percent(m.gaussFraction) + "\n";
        }
        t += "Other lines added:\n";
        for (const auto& m : r.lines) {
            if (!m.exampleCaption.empty()) continue;
            char area[32];
            std::snprintf(area, sizeof area, "%.3g", m.protons);
            t += "  " + m.name + ": " + hz(m.shiftHz) + " Hz (" + ppm(m.shiftHz) + " ppm); J " + jList(m.j) +
                 "; area " + area + " H; width " + fixed2(m.widthHz) + " Hz\n";
        }
    }
    return t;
}

WriteResult WriteExampleFiles(const fs::path& folder) {
    WriteResult res;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        res.ok = false;
        res.error = "cannot create " + folder.string() + ": " + ec.message();
        return res;
    }
    auto write = [&](const std::string& name, const std::string& bytes) {
        if (!res.ok) return;
        std::ofstream f(folder / name, std::ios::binary | std::ios::trunc);
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        f.close();
        if (!f) {
            res.ok = false;
            res.error = "cannot write " + (folder / name).string();
            return;
        }
        res.written.push_back(name);
    };
    write("ReadMe.txt", ReadMeText());
    const auto pictures = ExamplePictureNames();
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const auto emf = ExamplePictureEmf(static_cast<int>(i) + 1);
        write(pictures[i], std::string(emf.begin(), emf.end()));
    }
    for (const auto& r : ExampleRecipes()) {
        const auto data = Synthesize(r);
        const auto [lo, hi] = std::minmax_element(data.begin(), data.end());
        write("1r_" + r.suffix, OneRBytes(r, data));
        write("acqus_" + r.suffix, AcqusText(r));
        write("procs_" + r.suffix, ProcsText(r, *hi, *lo));
    }
    return res;
}

}  // namespace quble::examplegen
