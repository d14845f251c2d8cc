// Our generated example spectra: determinism, the way the parameter files
// are written, how the true values relate to the simulator's examples, and
// that every spectrum reads back through the Bruker reader with its lines
// where the table puts them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "examples/example_sets.h"
#include "examples/generator/example_spectra.h"
#include "examples/program_folder.h"
#include "experimental/bruker_spectrum.h"

namespace fs = std::filesystem;
using namespace quble;
using namespace quble::examplegen;

namespace {

std::string ReadBytes(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1) {
        out.push_back(text.substr(start, lf - start));
    }
    return out;
}

// Two generations into separate folders, and the first one arranged as the
// program does on its first start. Generation is the slow part, so it runs
// once for the whole suite.
class GeneratedExamples : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = new fs::path(fs::temp_directory_path() / ("quble_generated_" + std::to_string(::getpid())));
        fs::remove_all(*root_);
        first_ = new WriteResult(WriteExampleFiles(*root_ / "first"));
        second_ = new WriteResult(WriteExampleFiles(*root_ / "second"));
        fs::copy(*root_ / "first", *root_ / "program");
        arranged_ = new ArrangeResult(ArrangeFiles(*root_ / "program"));
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(*root_, ec);
        delete root_;
        delete first_;
        delete second_;
        delete arranged_;
    }

    static fs::path SpectrumPath(const SpectrumRecipe& r) {
        for (const auto& f : ExampleFolders()) {
            if (f.suffix == r.suffix) return *root_ / "program" / kExamplesFolder / f.name / "1r";
        }
        return {};
    }

    static fs::path* root_;
    static WriteResult* first_;
    static WriteResult* second_;
    static ArrangeResult* arranged_;
};
fs::path* GeneratedExamples::root_ = nullptr;
WriteResult* GeneratedExamples::first_ = nullptr;
WriteResult* GeneratedExamples::second_ = nullptr;
ArrangeResult* GeneratedExamples::arranged_ = nullptr;

double Parse(const std::string& s) { return std::strtod(s.c_str(), nullptr); }

}  // namespace

TEST_F(GeneratedExamples, WritesTheShippedNamesByteForByteTheSameEachTime) {
    ASSERT_TRUE(first_->ok) << first_->error;
    ASSERT_TRUE(second_->ok) << second_->error;
    const auto names = GeneratedFileNames();
    EXPECT_EQ(std::set<std::string>(first_->written.begin(), first_->written.end()),
              std::set<std::string>(names.begin(), names.end()));
    EXPECT_EQ(names, RequiredShippedFiles(true));
    for (const auto& n : names) {
        const std::string a = ReadBytes(*root_ / "first" / n);
        const std::string b = ReadBytes(*root_ / "second" / n);
        EXPECT_FALSE(a.empty()) << n;
        EXPECT_TRUE(a == b) << n << " differs between two runs";
    }
    // Exactly the files the first start looks for, and they arrange cleanly.
    EXPECT_TRUE(arranged_->ok) << arranged_->error;
    EXPECT_TRUE(arranged_->stayed.empty());
}

TEST_F(GeneratedExamples, ParameterFilesAreWrittenTheWaySpectrometersWriteThem) {
    const std::set<std::string> acqusKeys = {"NUC1", "O1", "SFO1", "SOLVENT", "SW", "SW_h", "BF1", "BYTORDA", "TD"};
    const std::set<std::string> procsKeys = {"ABSF1", "ABSF2", "YMAX_p", "YMIN_p", "SF", "BYTORDP", "SI", "NC_proc"};
    for (const auto& r : ExampleRecipes()) {
        for (const std::string kind : {"acqus_", "procs_"}) {
            SCOPED_TRACE(kind + r.suffix);
            const auto lines = Lines(ReadBytes(*root_ / "first" / (kind + r.suffix)));
            ASSERT_GT(lines.size(), 60u);
            EXPECT_TRUE(lines.front().starts_with("##TITLE= "));
            EXPECT_EQ(lines[1], "##JCAMPDX= 5.0");
            EXPECT_EQ(lines.back(), "##END=");

            std::vector<std::string> keys;
            std::map<std::string, std::string> values;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const std::string& l = lines[i];
                EXPECT_EQ(l.find('\r'), std::string::npos);
                if (l.starts_with("$$") || (l.starts_with("##") && !l.starts_with("##$"))) continue;
                ASSERT_TRUE(l.starts_with("##$")) << l;
                const auto eq = l.find("= ");
                ASSERT_NE(eq, std::string::npos) << l;
                const std::string key = l.substr(3, eq - 3);
                const std::string value = l.substr(eq + 2);
                keys.push_back(key);
                values[key] = value;
                // An array: "(0..n)" and then n + 1 values on the lines that follow.
                if (value.starts_with("(0..")) {
                    const std::size_t n = std::stoul(value.substr(4)) + 1;
                    std::size_t count = 0;
                    while (count < n) {
                        ASSERT_LT(i + 1, lines.size());
                        const std::string& cont = lines[++i];
                        ASSERT_FALSE(cont.starts_with("##")) << key;
                        EXPECT_LE(cont.size(), 72u);
                        std::istringstream ss(cont);
                        for (std::string v; ss >> v;) ++count;
                    }
                    EXPECT_EQ(count, n) << key;
                }
            }
            EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
            EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), keys.size());
            for (const auto& k : (kind == "acqus_" ? acqusKeys : procsKeys)) EXPECT_TRUE(values.count(k)) << k;
            if (kind == "acqus_") {
                // Readers stop at TD: everything they need comes before it.
                const auto td = std::find(keys.begin(), keys.end(), "TD") - keys.begin();
                for (const auto& k : acqusKeys) {
                    if (k != "TD") {
                        EXPECT_LT(std::find(keys.begin(), keys.end(), k) - keys.begin(), td) << k;
                    }
                }
                EXPECT_EQ(values["NUC1"], "<1H>");
                EXPECT_EQ(values["SOLVENT"], "<CDCl3>");
                EXPECT_EQ(std::stol(values["TD"]), r.td);
                EXPECT_NEAR(Parse(values["SFO1"]), Parse(values["BF1"]) + Parse(values["O1"]) * 1e-6, 1e-10);
                EXPECT_NEAR(Parse(values["SW"]), Parse(values["SW_h"]) / Parse(values["SFO1"]), 1e-9);
            } else {
                EXPECT_EQ(std::stol(values["SI"]), r.si);
                EXPECT_EQ(std::stoi(values["BYTORDP"]), r.bytordp);
                EXPECT_TRUE(r.si == 32768 || r.si == 65536);
                const long ymax = std::stol(values["YMAX_p"]);
                EXPECT_GT(ymax, 100'000'000);
                EXPECT_LT(ymax, 1'000'000'000);
            }
        }
    }
    // Both byte orders are among the six.
    std::set<int> orders;
    for (const auto& r : ExampleRecipes()) orders.insert(r.bytordp);
    EXPECT_EQ(orders, (std::set<int>{0, 1}));
}

// The true multiplets sit at the examples' shifts with couplings and widths
// near, but not at, the examples' values.
TEST(ExampleRecipes, TrueValuesAreCloseToTheExamplesButNotEqual) {
    const auto& recipes = ExampleRecipes();
    ASSERT_EQ(recipes.size(), 6u);
    for (const auto& set : ExampleSets()) {
        const double exWidth = std::stod(set.width);
        // Example 1's multiplets are in both of its spectra.
        const std::vector<std::string> suffixes =
            set.title.starts_with("15-Deoxygoyazensolide") ? std::vector<std::string>{"1a", "1b"}
                                                           : std::vector<std::string>{set.caption.substr(8)};
        for (const auto& suffix : suffixes) {
            const auto rec = std::find_if(recipes.begin(), recipes.end(), [&](const auto& r) { return r.suffix == suffix; });
            ASSERT_NE(rec, recipes.end()) << suffix;
            for (const auto& h : set.hydrogens) {
                SCOPED_TRACE(set.caption + " " + h.name + " in " + suffix);
                const auto m = std::find_if(rec->lines.begin(), rec->lines.end(), [&](const TrueMultiplet& t) {
                    return t.exampleCaption == set.caption && t.name == h.name;
                });
                ASSERT_NE(m, rec->lines.end());
                EXPECT_DOUBLE_EQ(m->shiftHz, std::stod(h.shift));
                ASSERT_EQ(m->j.size(), h.j.size());
                for (std::size_t k = 0; k < h.j.size(); ++k) {
                    const double d = std::abs(m->j[k] - std::stod(h.j[k]));
                    EXPECT_GE(d, 0.04) << "J" << k + 1;
                    EXPECT_LE(d, 0.31) << "J" << k + 1;
                }
                const double rel = std::abs(m->widthHz - exWidth) / exWidth;
                EXPECT_GE(rel, 0.08);
                EXPECT_LE(rel, 0.22);
                EXPECT_GT(m->gaussFraction, 0.0);
                EXPECT_LT(m->gaussFraction, 0.5);
            }
        }
    }
    // Spectra 1a and 1b are the same compound: same couplings, other widths.
    for (std::size_t i = 0; i < recipes[0].lines.size(); ++i) {
        const auto& a = recipes[0].lines[i];
        const auto& b = recipes[1].lines[i];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.j, b.j);
        EXPECT_DOUBLE_EQ(a.shiftHz, b.shiftHz);
    }
    EXPECT_NE(recipes[0].si, recipes[1].si);
    EXPECT_NE(recipes[0].seed, recipes[1].seed);
}

TEST(ExampleRecipes, ReadMeSaysTheSpectraAreGeneratedAndGivesTheTrueValues) {
    const std::string t = ReadMeText();
    EXPECT_NE(t.find("generated by Quble's own example generator"), std::string::npos);
    EXPECT_NE(t.find("NOT recorded"), std::string::npos);
    for (const auto& r : ExampleRecipes()) {
        EXPECT_NE(t.find(r.label + ": " + r.compound), std::string::npos) << r.label;
        EXPECT_NE(t.find("\"1r_" + r.suffix + "\""), std::string::npos) << r.suffix;
        for (const auto& m : r.lines) {
            if (m.exampleCaption.empty()) continue;
            char jText[16];
            std::snprintf(jText, sizeof jText, "%.2f", m.j.front());
            EXPECT_NE(t.find(m.name + " (" + m.exampleCaption + "): "), std::string::npos) << m.name;
            EXPECT_NE(t.find(std::string("J ") + jText), std::string::npos) << m.name;
        }
    }
}

// Each spectrum opens through the reader: byte order, point count, nucleus;
// the provisional axis misses TMS by a few Hz; after calibrating to TMS the
// multiplets of the examples are where the table puts them.
TEST_F(GeneratedExamples, EverySpectrumReadsBackAndCalibratesToTms) {
    ASSERT_TRUE(arranged_->ok) << arranged_->error;
    for (const auto& r : ExampleRecipes()) {
        SCOPED_TRACE(r.label);
        auto s = std::make_unique<BrukerSpectrum>();
        s->AutoAdjustTMS = true;
        const auto res = OpenFull(*s, SpectrumPath(r).string());
        ASSERT_TRUE(res.ok()) << res.title << ": " << res.text;
        EXPECT_EQ(s->BigEndian, r.bytordp == 1);
        EXPECT_EQ(s->NPont, r.si);
        EXPECT_EQ(s->Nucleus, "<1H>");
        EXPECT_EQ(s->Solvent, "<CDCl3>");
        EXPECT_EQ(s->YMAX_p, s->YMax);
        EXPECT_EQ(s->YMIN_p, *std::min_element(s->Ygraf.begin() + 1, s->Ygraf.end()));
        const double hzPerPoint = r.swh / (r.si - 1);
        EXPECT_DOUBLE_EQ(s->HzPerPoint, hzPerPoint);

        // The TMS line was found where it lies on the provisional axis, a
        // few Hz from 0, and it now reads 0.
        ASSERT_TRUE(res.reference.found);
        ASSERT_TRUE(res.reference.adjusted);
        EXPECT_GE(std::abs(res.reference.TMSHz), 2.0);
        EXPECT_LE(std::abs(res.reference.TMSHz), 8.0);
        EXPECT_NEAR(res.reference.TMSHz, r.tmsProvisionalHz, hzPerPoint);
        EXPECT_EQ(s->XnmrHz[static_cast<std::size_t>(s->NTMS)], 0.0);
        // The noise is what the ReadMe says it is. Second differences see
        // the noise (variance 6 sigma^2) but hardly the baseline; the median
        // keeps the lines out.
        {
            std::vector<double> d2;
            for (std::size_t i = 2; i + 1 < s->Ygraf.size(); ++i) {
                d2.push_back(std::abs(double(s->Ygraf[i - 1]) - 2.0 * s->Ygraf[i] + s->Ygraf[i + 1]));
            }
            std::nth_element(d2.begin(), d2.begin() + d2.size() / 2, d2.end());
            const double sigma = 1.4826 * d2[d2.size() / 2] / std::sqrt(6.0);
            EXPECT_NEAR(sigma, r.noiseSigma, 0.1 * r.noiseSigma);
        }

        const auto& x = s->XnmrHz;
        const auto& y = s->Ygraf;
        auto indexOf = [&](double hz) {  // nearest point on the calibrated axis
            return static_cast<std::int64_t>(std::llround((x[1] - hz) / hzPerPoint)) + 1;
        };
        for (const auto& m : r.lines) {
            if (m.exampleCaption.empty()) continue;
            SCOPED_TRACE(m.name);
            double spread = 0.0;
            for (double j : m.j) spread += j / 2.0;
            const double lo = m.shiftHz - spread - m.widthHz;
            const double hi = m.shiftHz + spread + m.widthHz;

            // The tallest point of the data near the multiplet ...
            std::int64_t best = indexOf(hi);
            for (std::int64_t i = indexOf(hi); i <= indexOf(lo); ++i) {
                if (y[static_cast<std::size_t>(i)] > y[static_cast<std::size_t>(best)]) best = i;
            }
            // ... is within two points of one of the tallest maxima of the
            // noise-free lines (a symmetric multiplet has its tallest peaks
            // in mirror pairs, and noise picks one of them), or, where the
            // top is flat (H5 and H3'a merge in the broader lines of 1b), at
            // a place where the noise-free lines are within noise of their
            // top.
            std::vector<double> fine;
            const double step = 0.005;
            for (double f = lo; f <= hi; f += step) fine.push_back(ModelAt(r, f));
            const double top = *std::max_element(fine.begin(), fine.end());
            double nearest = 1e9;
            for (std::size_t k = 1; k + 1 < fine.size(); ++k) {
                if (fine[k] >= fine[k - 1] && fine[k] >= fine[k + 1] && fine[k] >= 0.95 * top) {
                    nearest = std::min(nearest, std::abs(x[static_cast<std::size_t>(best)] - (lo + step * k)));
                }
            }
            double ym = 0.0, mm = 0.0;  // data = scale x lines, fitted over the region
            for (std::int64_t i = indexOf(hi); i <= indexOf(lo); ++i) {
                const double m = ModelAt(r, x[static_cast<std::size_t>(i)]);
                ym += m * y[static_cast<std::size_t>(i)];
                mm += m * m;
            }
            const double shortfall = (ym / mm) * (top - ModelAt(r, x[static_cast<std::size_t>(best)]));
            EXPECT_TRUE(nearest <= 2.0 * hzPerPoint || shortfall <= 3.0 * r.noiseSigma)
                << "tallest point at " << x[static_cast<std::size_t>(best)] << " Hz, " << nearest
                << " Hz from a top, " << shortfall / r.noiseSigma << " noise sigma below it";
        }

        // A first-order multiplet is symmetric about its shift, so the
        // intensity-weighted mean of each example region (H5 and H3'a
        // overlap and go together) is the mean of its shifts.
        std::map<std::string, std::vector<const TrueMultiplet*>> regions;
        for (const auto& m : r.lines) {
            if (!m.exampleCaption.empty()) regions[m.exampleCaption].push_back(&m);
        }
        for (const auto& [caption, ms] : regions) {
            SCOPED_TRACE(caption);
            double lo = 1e9, hi = -1e9, expected = 0.0;
            for (const auto* m : ms) {
                double spread = 0.0;
                for (double j : m->j) spread += j / 2.0;
                lo = std::min(lo, m->shiftHz - spread - 8.0 * m->widthHz);
                hi = std::max(hi, m->shiftHz + spread + 8.0 * m->widthHz);
                expected += m->shiftHz / static_cast<double>(ms.size());
            }
            // Baseline from the 3 Hz just outside the region on each side.
            double base = 0.0;
            int nBase = 0;
            for (std::int64_t i = indexOf(hi + 3.0); i <= indexOf(lo - 3.0); ++i) {
                if (x[static_cast<std::size_t>(i)] > hi || x[static_cast<std::size_t>(i)] < lo) {
                    base += y[static_cast<std::size_t>(i)];
                    ++nBase;
                }
            }
            base /= nBase;
            double sw = 0.0, sxw = 0.0;
            for (std::int64_t i = indexOf(hi); i <= indexOf(lo); ++i) {
                const double w = y[static_cast<std::size_t>(i)] - base;
                sw += w;
                sxw += w * x[static_cast<std::size_t>(i)];
            }
            EXPECT_NEAR(sxw / sw, expected, std::max(0.25, hzPerPoint));
        }
    }
}
