// Damaged and foreign spectra: a catalogue of malformed parameter files,
// data files and paths built from a real set, each with the outcome the
// reader must give (the refusal that says what is wrong, or a sane
// spectrum), plus the axis of absurd but finite values and the command
// line's JSON for paths that are not plain text.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "experimental/bruker_spectrum.h"
#include "experimental/experimental_plot.h"
#include "platform/emf_surface.h"
#include "platform/file_read.h"
#include "platform/recording_surface.h"
#include "render/wind_draw.h"
#include "tests/core/cli_test_util.h"
#include "tests/core/scratch_folder.h"

namespace fs = std::filesystem;
using namespace quble;
using quble::test::CliRun;
using quble::test::RunCli;

namespace {

const fs::path kGaba = fs::path(QUBLE_TEST_DATA) / "realdata" / "gaba-1h-d2o" / "1H";

std::string ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteAll(const fs::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f << text;
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
        s.replace(at, from.size(), to);
    }
    return s;
}

// The value of one "##$KEY= value" line replaced (the key must be present).
std::string WithValue(const std::string& text, const std::string& key, const std::string& value) {
    const std::string head = "##$" + key + "=";
    const std::size_t at = text.find("\n" + head);
    EXPECT_NE(at, std::string::npos) << key;
    const std::size_t end = text.find('\n', at + 1);
    return text.substr(0, at + 1) + head + " " + value + text.substr(end);
}

// A copy of the real set in a scratch folder, laid out as the spectrometer
// wrote it; the case changes what it needs before the opening.
class Scratch {
public:
    Scratch() {
        fs::create_directories(exp() / "pdata" / "1");
        fs::copy_file(kGaba / "acqus", acqus());
        fs::copy_file(kGaba / "pdata" / "1" / "procs", procs());
        fs::copy_file(kGaba / "pdata" / "1" / "1r", oneR());
    }
    fs::path root() const { return root_.path(); }
    fs::path exp() const { return root_.path() / "gaba" / "1"; }
    fs::path acqus() const { return exp() / "acqus"; }
    fs::path procs() const { return exp() / "pdata" / "1" / "procs"; }
    fs::path oneR() const { return exp() / "pdata" / "1" / "1r"; }

private:
    quble::test::ScratchFolder root_{"catalogue"};
};

// Opens on another thread so that an opening that blocks (on a FIFO, say)
// fails the case instead of hanging the suite.
OpenResult OpenWithin(BrukerSpectrum& s, const std::string& path, std::chrono::seconds limit = std::chrono::seconds(20)) {
    auto f = std::async(std::launch::async, [&s, path] { return OpenFull(s, path); });
    if (f.wait_for(limit) != std::future_status::ready) {
        ADD_FAILURE() << "the opening blocked";
        std::_Exit(3);  // the blocked thread cannot be joined
    }
    return f.get();
}

void ExpectFiniteResult(const BrukerSpectrum& s) {
    for (double v : {s.O1, s.SFO1, s.SW, s.SWh, s.FirstPointHz, s.LastPointHz, s.FirstPointDelta, s.LastPointDelta,
                     s.SFMeu, s.HzPerPoint, s.XnmrHz[1], s.XnmrHz[s.NPont], s.ABSF1, s.ABSF2, s.SF, s.BF1}) {
        EXPECT_TRUE(std::isfinite(v)) << v;
    }
}

struct Case {
    const char* name;
    std::function<void(const Scratch&)> damage;
    // Refusal: a part of the message text; empty for a spectrum that opens.
    std::string refusal;
    std::string title = "Error!";
    std::function<void(const BrukerSpectrum&)> check = {};
};

std::string Acqus() { return ReadAll(kGaba / "acqus"); }
std::string Procs() { return ReadAll(kGaba / "pdata" / "1" / "procs"); }

void SetAcqus(const Scratch& d, const std::string& t) { WriteAll(d.acqus(), t); }
void SetProcs(const Scratch& d, const std::string& t) { WriteAll(d.procs(), t); }

std::string Utf16Le(const std::string& t, bool bom) {
    std::string u = bom ? std::string("\xFF\xFE", 2) : std::string();
    for (char c : t) {
        u += c;
        u += '\0';
    }
    return u;
}

const std::vector<Case>& Catalogue() {
    static const std::vector<Case> cases = {
        // --- text that is not a parameter file ---
        {"EmptyAcqus", [](const Scratch& d) { SetAcqus(d, ""); }, "the file acqus is empty"},
        {"GarbageAcqus", [](const Scratch& d) { SetAcqus(d, "\x01\x7f garbage \xe9\xff###$$$=\n=== ==\n"); },
         "names no nucleus (it has no ##$NUC1 line)"},
        {"Utf16AcqusWithBom", [](const Scratch& d) { SetAcqus(d, Utf16Le(Acqus(), true)); }, "UTF-16"},
        {"Utf16AcqusWithoutBom", [](const Scratch& d) { SetAcqus(d, Utf16Le(Acqus(), false)); }, "NUL bytes"},
        {"Utf16Procs", [](const Scratch& d) { SetProcs(d, Utf16Le(Procs(), true)); }, "the file procs is not readable text"},
        // --- line ends of other writers read alike ---
        {"CrOnlyAcqus", [](const Scratch& d) { SetAcqus(d, ReplaceAll(Acqus(), "\n", "\r")); }, "", "",
         [](const BrukerSpectrum& s) { EXPECT_DOUBLE_EQ(s.SWh, 6002.40096038415); EXPECT_EQ(s.TD, 32768); }},
        {"CrCrLfAcqus", [](const Scratch& d) { SetAcqus(d, ReplaceAll(Acqus(), "\n", "\r\r\n")); }, "", "",
         [](const BrukerSpectrum& s) { EXPECT_EQ(s.Nucleus, "<1H>"); EXPECT_DOUBLE_EQ(s.O1, 2500.8); }},
        {"CrCrLfProcsKeepsByteOrder",
         [](const Scratch& d) { SetProcs(d, ReplaceAll(WithValue(Procs(), "BYTORDP", "1"), "\n", "\r\r\n")); }, "", "",
         [](const BrukerSpectrum& s) { EXPECT_TRUE(s.BigEndian); }},
        // --- the nucleus ---
        {"NucleusTrailingBlank", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "NUC1", "<1H> ")); }, ""},
        {"NucleusTrailingTab", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "NUC1", "<1H>\t")); }, ""},
        {"NucleusLeadingTab", [](const Scratch& d) { SetAcqus(d, ReplaceAll(Acqus(), "##$NUC1= <1H>", "##$NUC1=\t<1H>")); }, ""},
        {"CarbonNucleus", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "NUC1", "<13C>")); },
         "This program can only open 1H NMR", "Only 1H NMR files!"},
        {"NoNucleusLine", [](const Scratch& d) { SetAcqus(d, ReplaceAll(Acqus(), "##$NUC1= <1H>\n", "")); },
         "it has no ##$NUC1 line"},
        // --- the last line and the end of the file ---
        {"LastLineWithoutLfIsRead",
         [](const Scratch& d) {
             std::string t = Acqus();
             t = ReplaceAll(t, "##$SW_h= 6002.40096038415\n", "");
             t = t.substr(0, t.find("##$TD="));
             SetAcqus(d, t + "##$SW_h= 5000");
         },
         "", "", [](const BrukerSpectrum& s) { EXPECT_DOUBLE_EQ(s.SWh, 5000.0); }},
        {"ProcsByteOrderOnLastLineWithoutLf",
         [](const Scratch& d) {
             std::string t = ReplaceAll(Procs(), "##$BYTORDP= 0\n", "");
             t = t.substr(0, t.find("##END="));
             SetProcs(d, t + "##$BYTORDP= 1");
         },
         "", "", [](const BrukerSpectrum& s) { EXPECT_TRUE(s.BigEndian); }},
        {"KeysAfterEndAreNotPartOfTheFile",
         [](const Scratch& d) { SetProcs(d, Procs() + "##$BYTORDP= 1\n##$SF= 0\n"); }, "", "",
         [](const BrukerSpectrum& s) { EXPECT_FALSE(s.BigEndian); EXPECT_DOUBLE_EQ(s.SF, 500.159961493599); }},
        // --- numbers followed by junk, out of range, absent ---
        {"DecimalComma", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "SW_h", "6002,4")); },
         "\"##$SW_h= 6002,4\" in the file acqus holds no number"},
        {"ThousandsBlank", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "SW_h", "6 002.4")); },
         "\"##$SW_h= 6 002.4\" in the file acqus holds no number"},
        {"ByteOrderWithJunk", [](const Scratch& d) { SetProcs(d, WithValue(Procs(), "BYTORDP", "1x")); },
         "in the file procs holds no number"},
        {"OverflowingSweep", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "SW_h", "1e400")); },
         "holds no number"},
        {"FuzzedExponent", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "SW_h", "4032.2581e400613")); },
         "holds no number"},
        {"NotANumber", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "SFO1", "nan")); }, "holds no number"},
        {"EmptyValue", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "O1", "")); }, "holds no number"},
        {"HugeAbsfDifferenceStaysFinite",
         [](const Scratch& d) { SetProcs(d, WithValue(WithValue(Procs(), "ABSF1", "1.7e308"), "ABSF2", "-1.7e308")); },
         "", "", [](const BrukerSpectrum& s) {
             for (const std::string& l : s.List3) EXPECT_EQ(l.find("inf"), std::string::npos) << l;
         }},
        // --- parameters that give no physical axis ---
        {"TinySpectrometerFrequency",
         [](const Scratch& d) { SetAcqus(d, WithValue(WithValue(WithValue(Acqus(), "SFO1", "0.001"), "O1", "0"), "SW_h", "10000")); },
         "SFO1 = 0.001 MHz in the file acqus lies outside 1 MHz to 10 GHz"},
        {"FrequencyAboveTenGigahertz", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "SFO1", "20000")); },
         "SFO1 = 20000 MHz"},
        {"MegahertzSweep", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "SW_h", "1e6")); },
         "SW_h = 1e+06 Hz in the file acqus is not between 0 and 500 kHz"},
        {"ZeroSweep", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "SW_h", "0")); }, "SW_h = 0 Hz"},
        {"NegativeSweep", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "SW_h", "-6002")); }, "SW_h = -6002 Hz"},
        {"OffsetBeyondTheSweep", [](const Scratch& d) { SetAcqus(d, WithValue(Acqus(), "O1", "5e8")); },
         "O1 = 5e+08 Hz in the file acqus lies beyond the sweep width"},
        {"HugeOffsetAndSweep",
         [](const Scratch& d) { SetAcqus(d, WithValue(WithValue(Acqus(), "O1", "-1.7e308"), "SW_h", "1e308")); },
         "SW_h = 1e+308 Hz"},
        {"AbsurdProcsFrequency", [](const Scratch& d) { SetProcs(d, WithValue(Procs(), "SF", "0.5")); },
         "SF = 0.5 MHz in the file procs"},
        {"SmallestAcceptedFrequencyGivesAFiniteAxis",
         [](const Scratch& d) { SetAcqus(d, WithValue(WithValue(WithValue(Acqus(), "SFO1", "1"), "O1", "0"), "SW_h", "500000")); },
         "", "", [](const BrukerSpectrum& s) { EXPECT_DOUBLE_EQ(s.SFMeu, 1.0); }},
        // --- files that are not files ---
        {"AcqusIsAFifo", [](const Scratch& d) { fs::remove(d.acqus()); ASSERT_EQ(::mkfifo(d.acqus().c_str(), 0644), 0); },
         "the file acqus is not a regular file"},
        {"ProcsIsAFifo", [](const Scratch& d) { fs::remove(d.procs()); ASSERT_EQ(::mkfifo(d.procs().c_str(), 0644), 0); },
         "the file procs is not a regular file"},
        {"OneRIsAFifo", [](const Scratch& d) { fs::remove(d.oneR()); ASSERT_EQ(::mkfifo(d.oneR().c_str(), 0644), 0); },
         "the file 1r is not a regular file"},
        {"AcqusLinksToDevZero",
         [](const Scratch& d) { fs::remove(d.acqus()); fs::create_symlink("/dev/zero", d.acqus()); },
         "the file acqus is not a regular file"},
        {"AcqusIsAFolder", [](const Scratch& d) { fs::remove(d.acqus()); fs::create_directory(d.acqus()); },
         "the file acqus is a folder"},
        {"HugeAcqus",
         [](const Scratch& d) { SetAcqus(d, Acqus().substr(0, 30) + std::string(5 * 1024 * 1024, '$') + "\n" + Acqus()); },
         "the file acqus is too large to be a parameter file"},
        {"LargeButSaneAcqus",
         [](const Scratch& d) { SetAcqus(d, "##TITLE= x\n" + std::string(1024 * 1024, ' ') + "\n" + Acqus()); }, ""},
    };
    return cases;
}

class MalformedCatalogue : public ::testing::TestWithParam<std::size_t> {};

TEST_P(MalformedCatalogue, RefusedWithTheReasonOrReadSanely) {
    const Case& c = Catalogue()[GetParam()];
    SCOPED_TRACE(c.name);
    Scratch d;
    c.damage(d);
    BrukerSpectrum s;
    const OpenResult r = OpenWithin(s, d.oneR().string());
    if (c.refusal.empty()) {
        ASSERT_TRUE(r.ok()) << r.title << ": " << r.text;
        EXPECT_EQ(s.NPont, 32768);
        EXPECT_EQ(s.Nucleus, "<1H>");
        ExpectFiniteResult(s);
        if (c.check) c.check(s);
        return;
    }
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.title, c.title);
    EXPECT_NE(r.text.find(c.refusal), std::string::npos) << r.text;
    EXPECT_TRUE(s.OpenCancelled);
    EXPECT_EQ(s.NPont, 0);  // nothing of the damaged set was taken
}

INSTANTIATE_TEST_SUITE_P(Inputs, MalformedCatalogue, ::testing::Range<std::size_t>(0, Catalogue().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& i) { return Catalogue()[i.param].name; });

TEST(MalformedPaths, DotAndDotDotPartsAreResolvedBeforeTheFolderWalk) {
    Scratch d;
    const fs::path cwd = fs::current_path();
    fs::current_path(d.exp() / "pdata" / "1");
    BrukerSpectrum s;
    const OpenResult r = OpenFull(s, "../1/./1r");
    fs::current_path(cwd);
    ASSERT_TRUE(r.ok()) << r.text;
    EXPECT_EQ(s.SpectrumPath, d.oneR().string());
    EXPECT_EQ(s.Title, "gaba");
    EXPECT_EQ(NormalPath("/a/b/../c/./1r"), "/a/c/1r");
    EXPECT_EQ(NormalPath("/a//b/"), "/a/b");
}

TEST(MalformedFiles, FormulaPictureThatIsAFifoOrTooLargeIsLeftOutWithoutWaiting) {
    Scratch d;
    const fs::path fifo = d.exp() / "formula.emf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::vector<std::uint8_t> bytes;
    std::string why;
    auto read = std::async(std::launch::async, [&] { return ReadRegularFile(fifo.string(), &bytes, 1 << 20, &why); });
    ASSERT_EQ(read.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the read blocked";
    EXPECT_FALSE(read.get());
    EXPECT_EQ(why, "the file " + fifo.string() + " is not a regular file (a pipe, a device or a socket)");

    // The metafile export plays the formula file: a FIFO is left out and
    // the export goes on.
    PictureExport ex;
    ex.formula.FormulaShown = ex.formula.FormulaFromExample = true;
    ex.formula.ExampleFormulaPath = fifo.string();
    ex.formula.Width = ex.formula.Height = 50;
    EmfPageSetup setup;
    setup.scaleWidth = setup.scaleHeight = 100;
    setup.frame = {0, 0, 2646, 2646};
    EmfSurface dc(setup);
    std::string error;
    auto play = std::async(std::launch::async, [&] { return Formula(dc, ex, &error); });
    ASSERT_EQ(play.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the formula blocked";
    EXPECT_FALSE(play.get());

    WriteAll(d.exp() / "big.emf", std::string(4096, 'x'));
    EXPECT_FALSE(ReadRegularFile((d.exp() / "big.emf").string(), &bytes, 1000, &why));
    EXPECT_NE(why.find("is too large (4096 bytes)"), std::string::npos) << why;
    EXPECT_TRUE(ReadRegularFile((d.exp() / "big.emf").string(), &bytes, 4096, &why));
    EXPECT_EQ(bytes.size(), 4096u);
}

// --- the axis of values no reader lets through ------------------------------

BrukerSpectrum HandMade(double firstHz, double stepHz, double sfmeu, std::int32_t n = 64) {
    BrukerSpectrum s;
    s.ReadAcqus = true;
    s.SFO1 = s.SFMeu = sfmeu;
    s.NPont = n;
    s.XnmrHz = HzAxis(firstHz, stepHz, n);
    std::vector<std::int32_t> y(static_cast<std::size_t>(n) + 1, 0);
    for (std::int32_t i = 1; i <= n; ++i) y[static_cast<std::size_t>(i)] = (i * 37) % 101;
    s.Ygraf = IntensityArray(std::move(y));
    s.YMax = 100;
    s.YMin = 0;
    return s;
}

TEST(MalformedAxis, WorkIsBoundedByThePixelsWhateverTheSpan) {
    // A sweep of 10 kHz at 1 kHz: ten million ppm on one graph.
    const double widths[] = {700.0, 50.0, 1.0, 0.0};
    for (double w : widths) {
        const BrukerSpectrum s = HandMade(5000.0, 10000.0 / 63, 0.001);
        ExpView v;
        FullViewScaling(v, s, w, 400.0);
        const AxisLayout a = ComputeAxis(v, s, w, 0.0);
        ASSERT_EQ(a.levelsDrawn, 1) << w;
        EXPECT_LE(static_cast<double>(a.ticks.size()), std::max(1.0, w / 3.0) + 1.0) << w;
        for (const AxisTick& t : a.ticks) {
            EXPECT_TRUE(std::isfinite(t.x));
            EXPECT_GE(t.x, -0.5);  // from the first point rightwards
        }
    }
    // The coarser steps are decades wide enough for their labels (ten ppm
    // would put "290" 23 pixels from "300": too close for three digits).
    const BrukerSpectrum s = HandMade(300.0 * 400.0, 300.0 * 400.0 / 63, 400.0);
    ExpView v;
    FullViewScaling(v, s, 700.0, 400.0);
    const AxisLayout a = ComputeAxis(v, s, 700.0, 0.0);
    ASSERT_GE(a.ticks.size(), 2u);
    EXPECT_EQ(a.ticks[0].label, "300");
    EXPECT_EQ(a.ticks[1].label, "200");
    for (std::size_t i = 1; i < a.ticks.size(); ++i) {
        EXPECT_GE(a.ticks[i].labelX - a.ticks[i - 1].labelX, 5.0 * a.ticks[i - 1].label.size()) << i;
    }
}

TEST(MalformedAxis, FirstPpmBeyondTheIntegerRangeDrawsNoAxisAndNoUndefinedCast) {
    struct Values {
        double firstHz, stepHz, sfmeu;
    };
    const Values absurd[] = {{5e8 + 5e307, 1e306, 400.0}, {5e14, 1.0, 0.5}, {-3e12, 1.0, 1.0}, {1e300, 1e298, 1e-3}};
    for (const Values& x : absurd) {
        BrukerSpectrum s = HandMade(x.firstHz, x.stepHz, x.sfmeu);
        ExpView v;
        FullViewScaling(v, s, 700.0, 400.0);
        EXPECT_EQ(ComputeAxis(v, s, 700.0, 0.0).levelsDrawn, 0) << x.firstHz;
        RecordingSurface dc(700, 400);
        GrafMesmoWnd(dc, v, s, ExpDrawStyle::Line, 0.0);  // the spectrum alone
        EXPECT_FALSE(dc.Calls().empty());
    }
}

// --- the command line ------------------------------------------------------

// Whether text is well-formed UTF-8 (what a JSON reader requires).
bool ValidUtf8(const std::string& t) {
    for (std::size_t i = 0; i < t.size();) {
        const auto c = static_cast<unsigned char>(t[i]);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > t.size()) return false;
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(t[i + k]) >> 6) != 2) return false;
        }
        i += n;
    }
    return true;
}

TEST(CliMalformed, RelativePathWithDotsAndInvalidUtf8Folder) {
    if (std::string(QUBLE_CLI_PATH).empty()) GTEST_SKIP() << "built without the command line";
    Scratch d;
    const CliRun rel = RunCli("read ../1/./1r --json", false, (d.exp() / "pdata" / "1").string());
    ASSERT_EQ(rel.status, 0) << rel.out;
    EXPECT_NE(rel.out.find("\"path\": \"" + d.oneR().string() + "\""), std::string::npos) << rel.out;
    EXPECT_EQ(rel.out.find("null"), std::string::npos) << rel.out;

    const fs::path odd = d.root() / std::string("sp\xff\xfe" "ctrum\xc3");
    fs::create_directories(odd);
    fs::rename(d.exp(), odd / "1");
    const CliRun bad = RunCli("read '" + (odd / "1" / "pdata" / "1" / "1r").string() + "' --json");
    ASSERT_EQ(bad.status, 0);
    EXPECT_TRUE(ValidUtf8(bad.out)) << bad.out;
    EXPECT_NE(bad.out.find("sp\xEF\xBF\xBD\xEF\xBF\xBD" "ctrum\xEF\xBF\xBD"), std::string::npos) << bad.out;
}

TEST(CliMalformed, AbsurdValuesAreRefusedNotPrintedAsNull) {
    if (std::string(QUBLE_CLI_PATH).empty()) GTEST_SKIP() << "built without the command line";
    for (const auto& [o1, swh] : std::vector<std::pair<std::string, std::string>>{{"0", "1e400"}, {"-1.7e308", "1e308"}}) {
        Scratch d;
        SetAcqus(d, WithValue(WithValue(Acqus(), "O1", o1), "SW_h", swh));
        const CliRun r = RunCli("read '" + d.oneR().string() + "' --json");
        EXPECT_EQ(r.status, 1) << o1 << " " << swh;
        EXPECT_EQ(r.out.find("null"), std::string::npos);
    }
}

}  // namespace
