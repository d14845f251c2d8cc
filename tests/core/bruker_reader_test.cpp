// Opening processed Bruker spectra: parameter files, byte orders, the acqus
// walk, refusals that keep the previous spectrum, and the five real sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "experimental/bruker_spectrum.h"
#include "experimental/graph_reading.h"
#include "tests/core/scratch_folder.h"

namespace fs = std::filesystem;
using namespace quble;

namespace {

// A scratch folder laid out as a spectrometer writes it:
// root/sample/<expno>/acqus and root/sample/<expno>/pdata/1/{1r,procs}.
class SpectrumDir {
public:
    fs::path root() const { return root_.path(); }

    // Writes the three files of an experiment and returns the 1r path.
    std::string Write(const std::string& expFolder, const std::vector<std::int32_t>& y, bool bigEndian,
                      const std::string& procs, const std::string& acqus) {
        fs::path exp = root_.path() / "sample" / expFolder;
        fs::create_directories(exp / "pdata" / "1");
        WriteText(exp / "pdata" / "1" / "procs", procs);
        if (!acqus.empty()) WriteText(exp / "acqus", acqus);
        WriteWords(exp / "pdata" / "1" / "1r", y, bigEndian);
        return (exp / "pdata" / "1" / "1r").string();
    }

    static void WriteText(const fs::path& p, const std::string& text) {
        std::ofstream f(p, std::ios::binary);
        f << text;
    }
    static void WriteBytes(const fs::path& p, const std::vector<unsigned char>& bytes) {
        std::ofstream f(p, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    static void WriteWords(const fs::path& p, const std::vector<std::int32_t>& y, bool bigEndian) {
        std::vector<unsigned char> b;
        b.reserve(y.size() * 4);
        for (std::int32_t v : y) {
            auto u = static_cast<std::uint32_t>(v);
            unsigned char w[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                                  static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
            if (bigEndian) std::swap(w[0], w[3]), std::swap(w[1], w[2]);
            b.insert(b.end(), w, w + 4);
        }
        WriteBytes(p, b);
    }

private:
    quble::test::ScratchFolder root_{"bruker"};
};

std::string Procs(int bytordp, const std::string& eol = "\n") {
    return "##TITLE= Parameter file" + eol + "##$ABSF1= 12.5" + eol + "##$ABSF2= -1.5" + eol +
           "##$BYTORDP= " + std::to_string(bytordp) + eol + "##$SF= 400.13" + eol + "##$YMAX_p= 1000" + eol +
           "##$YMIN_p= -10" + eol + "##END=" + eol;
}

std::string Acqus(const std::string& nucleus = "<1H>", const std::string& eol = "\n", const std::string& sep = "= ") {
    return "##TITLE= Parameter file" + eol + "##$BF1" + sep + "400.13" + eol + "##$NUC1" + sep + nucleus + eol +
           "##$O1" + sep + "2000" + eol + "##$SFO1" + sep + "400.132" + eol + "##$SOLVENT" + sep + "<CDCl3>" + eol +
           "##$SW" + sep + "20" + eol + "##$SW_h" + sep + "8000" + eol + "##$TD" + sep + "65536" + eol +
           "##END=" + eol;
}

std::vector<std::int32_t> Ramp(std::size_t n) {
    std::vector<std::int32_t> y(n);
    for (std::size_t i = 0; i < n; ++i) y[i] = static_cast<std::int32_t>(i % 1000) * 7 - 3000;
    return y;
}

// --- reading the reference values of the real sets ---
std::string ReadText(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}
// The number after "key": searched from the first occurrence of `after`.
double JsonNumber(const std::string& json, const std::string& key, const std::string& after = "") {
    std::size_t from = after.empty() ? 0 : json.find("\"" + after + "\"");
    std::size_t p = json.find("\"" + key + "\":", from);
    EXPECT_NE(p, std::string::npos) << key;
    return std::stod(json.substr(p + key.size() + 3));
}
std::vector<long long> JsonIntArray(const std::string& json, const std::string& key) {
    std::size_t p = json.find("\"" + key + "\": [");
    std::vector<long long> out;
    if (p == std::string::npos) return out;
    std::stringstream ss(json.substr(p + key.size() + 5, json.find(']', p) - p - key.size() - 5));
    std::string item;
    while (std::getline(ss, item, ',')) out.push_back(std::stoll(item));
    return out;
}

const fs::path kReal = fs::path(QUBLE_TEST_DATA) / "realdata";

struct RealSet {
    const char* name;
    const char* exp;
    bool bigEndian;
    const char* solvent;
    const char* title;
};
const RealSet kProtonSets[] = {
    {"strychnine-cdcl3", "10", false, "<CDCl3>", "10"},
    {"gaba-1h-d2o", "1H", false, "<D2O>", "1H"},
    {"complat-1h-cdcl3", "1", false, "<CDCl3>", "complat-1h-cdcl3"},  // experiment 1: the sample's name
    {"comet-urine-be", "10", true, "<H2O>", "10"},
};

std::string RealPath(const char* name, const char* exp) { return (kReal / name / exp / "pdata" / "1" / "1r").string(); }

}  // namespace

TEST(BrukerPaths, LastNameRemoveLastAndTitle) {
    EXPECT_EQ(LastName("/a/b/1r"), "1r");
    EXPECT_EQ(RemoveLast("/a/b/1r"), "/a/b");
    EXPECT_EQ(LastName("1r"), "");
    EXPECT_EQ(RemoveLast("1r"), "");

    BrukerParameters p;
    p.SpectrumPath = "/data/Strychnine/1/pdata/1/1r";
    FindTitle(p);
    EXPECT_EQ(p.Title, "Strychnine");  // experiment 1 of a sample: the sample's name
    p.SpectrumPath = "/data/Strychnine/10/pdata/1/1r";
    FindTitle(p);
    EXPECT_EQ(p.Title, "10");
    p.SpectrumPath = "1r";
    FindTitle(p);
    EXPECT_EQ(p.Title, "");
}

TEST(BrukerReader, ByteOrdersDecodeMinusTwo) {
    SpectrumDir d;
    // Big-endian FF FF FF FE and little-endian FE FF FF FF are both -2.
    std::string path = d.Write("1", {0, 0}, false, Procs(1), Acqus());
    SpectrumDir::WriteBytes(path, {0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x00, 0x01, 0x00});
    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, path).ok());
    EXPECT_TRUE(s.BigEndian);
    ASSERT_EQ(s.NPont, 2);
    EXPECT_EQ(s.Ygraf[1], -2);
    EXPECT_EQ(s.Ygraf[2], 256);

    SpectrumDir::WriteText(fs::path(path).parent_path() / "procs", Procs(0));
    SpectrumDir::WriteBytes(path, {0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00});
    ASSERT_TRUE(OpenFull(s, path).ok());
    EXPECT_FALSE(s.BigEndian);
    EXPECT_EQ(s.Ygraf[1], -2);
    EXPECT_EQ(s.Ygraf[2], 256);
    EXPECT_TRUE(s.BigEndianData.empty());  // only the order read is filled

    // Forcing the other order shows that order's (unread, all-zero) data.
    ForceByteOrder(s, true);
    EXPECT_EQ(s.Ygraf[1], 0);
    EXPECT_EQ(s.Ygraf[2], 0);
}

TEST(BrukerReader, ByteOrderWithoutBytordp) {
    SpectrumDir d;
    std::string noKey = "##TITLE= x\n##$SF= 400.13\n##END=\n";
    std::string path = d.Write("1", {1, 2}, false, noKey, Acqus());
    BrukerSpectrum s;
    s.BigEndian = false;
    ASSERT_TRUE(OpenFull(s, path).ok());
    EXPECT_FALSE(s.BigEndian) << "a procs without BYTORDP keeps the previous order";
    EXPECT_EQ(s.Ygraf[2], 2);

    // An empty procs with an acquisition byte order: that order is used
    // whatever the previous spectrum had.
    std::string acq = Acqus();
    acq.insert(acq.find("##$NUC1"), "##$BYTORDA= 1\n");
    path = d.Write("2", {1, 2}, true, "", acq);
    ASSERT_TRUE(OpenFull(s, path).ok());
    EXPECT_TRUE(s.BigEndian);
    EXPECT_EQ(s.Ygraf[2], 2);
}

TEST(BrukerReader, ExtremaStartAtZeroAndTenThousand) {
    SpectrumDir d;
    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, d.Write("1", {20000, 30000, 25000}, false, Procs(0), Acqus())).ok());
    EXPECT_EQ(s.YMax, 30000);
    EXPECT_EQ(s.YMin, 10000);
    ASSERT_TRUE(OpenFull(s, d.Write("2", {-5, -7, -1}, false, Procs(0), Acqus())).ok());
    EXPECT_EQ(s.YMax, 0);
    EXPECT_EQ(s.YMin, -7);
}

TEST(BrukerReader, ParameterValuesAndAxis) {
    SpectrumDir d;
    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, d.Write("1", Ramp(32768), false, Procs(0), Acqus())).ok());
    EXPECT_EQ(s.NPont, 32768);
    EXPECT_EQ(s.FileSizeBytes, 4 * 32768);
    EXPECT_DOUBLE_EQ(s.ABSF1, 12.5);
    EXPECT_EQ(s.YMAX_p, 1000);
    EXPECT_EQ(s.YMIN_p, -10);
    EXPECT_DOUBLE_EQ(s.SF, 400.13);
    EXPECT_EQ(s.Nucleus, "<1H>");
    EXPECT_EQ(s.Solvent, "<CDCl3>");
    EXPECT_DOUBLE_EQ(s.SW, 20.0);
    EXPECT_EQ(s.TD, 65536);
    EXPECT_DOUBLE_EQ(s.HzPerPoint, 8000.0 / 32767.0);
    EXPECT_DOUBLE_EQ(s.XnmrHz[1], 2000.0 + 4000.0);
    EXPECT_NEAR(s.XnmrHz[32768], 2000.0 - 4000.0, 1e-9);
    EXPECT_DOUBLE_EQ(s.SFMeu, 400.132 - 2000.0 / 1e6);
    EXPECT_EQ(s.Title, "sample");  // experiment 1: named after the sample folder
    EXPECT_EQ(s.ReferenceCaption, "Reference: None");
    // The simulator's copies follow the data.
    EXPECT_EQ(s.NPontExp, s.NPont);
    EXPECT_EQ(s.ExpYgraf, s.Ygraf);
    EXPECT_EQ(s.ExpXnmrHz, s.XnmrHz);
    // Diagnostic lines carry name=value.
    EXPECT_NE(std::find(s.List3.begin(), s.List3.end(), "BYTORDP=0"), s.List3.end());
    EXPECT_NE(std::find(s.List4.begin(), s.List4.end(), "SWh=8000"), s.List4.end());
}

TEST(BrukerReader, AcqusReadingStopsAtTd) {
    SpectrumDir d;
    std::string acq = Acqus();
    acq.insert(acq.find("##END="), "##$SW_h= 1234\n##$NUC1= <13C>\n");
    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, d.Write("1", Ramp(100), false, Procs(0), acq)).ok());
    EXPECT_DOUBLE_EQ(s.SWh, 8000.0);
    EXPECT_EQ(s.Nucleus, "<1H>");
}

TEST(BrukerReader, AcqusFolderWalk) {
    SpectrumDir d;
    // Usual layout: acqus in the experiment folder, the third folder tried.
    std::string path = d.Write("B", Ramp(10), false, Procs(0), Acqus());
    EXPECT_EQ(FindAcqusFolder(path), (d.root() / "sample" / "B").string());

    // In the parent of the experiment folder: the fourth and last folder.
    fs::rename(d.root() / "sample" / "B" / "acqus", d.root() / "sample" / "acqus");
    EXPECT_EQ(FindAcqusFolder(path), (d.root() / "sample").string());

    // One level further up is not searched.
    fs::rename(d.root() / "sample" / "acqus", d.root() / "acqus");
    EXPECT_EQ(FindAcqusFolder(path), "");
    BrukerSpectrum s;
    OpenResult r = OpenFull(s, path);
    EXPECT_EQ(r.status, OpenStatus::AcqusMissing);
    EXPECT_EQ(r.title, "Error!");
    EXPECT_EQ(r.text, "Cannot open, unable to find file acqus!");
    EXPECT_FALSE(s.OpenCancelled);

    // The name is matched exactly.
    fs::rename(d.root() / "acqus", d.root() / "sample" / "B" / "ACQUS");
    EXPECT_EQ(FindAcqusFolder(path), "");
}

TEST(BrukerReader, CrLfLineEnds) {
    SpectrumDir d;
    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, d.Write("1", Ramp(64), false, Procs(1, "\r\n"), Acqus("<1H>", "\r\n"))).ok());
    EXPECT_EQ(s.Nucleus, "<1H>");
    EXPECT_EQ(s.Solvent, "<CDCl3>");
    EXPECT_TRUE(s.BigEndian);
    EXPECT_DOUBLE_EQ(s.SWh, 8000.0);

    OpenResult r = OpenFull(s, d.Write("2", Ramp(64), false, Procs(0, "\r\n"), Acqus("<13C>", "\r\n")));
    EXPECT_EQ(r.status, OpenStatus::WrongNucleus);
    EXPECT_EQ(r.title, "Only 1H NMR files!");
}

TEST(BrukerReader, NoBlankAfterEquals) {
    SpectrumDir d;
    BrukerSpectrum standard, compact;
    ASSERT_TRUE(OpenFull(standard, d.Write("1", Ramp(64), false, Procs(0), Acqus())).ok());
    std::string procs = Procs(0);
    for (std::size_t p; (p = procs.find("= ")) != std::string::npos;) procs.erase(p + 1, 1);
    ASSERT_TRUE(OpenFull(compact, d.Write("2", Ramp(64), false, procs, Acqus("<1H>", "\n", "="))).ok());
    EXPECT_EQ(compact.Nucleus, "<1H>");
    EXPECT_EQ(compact.Solvent, standard.Solvent);
    EXPECT_EQ(compact.O1, standard.O1);
    EXPECT_EQ(compact.SFO1, standard.SFO1);
    EXPECT_EQ(compact.SWh, standard.SWh);
    EXPECT_EQ(compact.SF, standard.SF);
    EXPECT_EQ(compact.ABSF2, standard.ABSF2);
    EXPECT_EQ(compact.XnmrHz, standard.XnmrHz);
}

TEST(BrukerReader, LongerKeyIsNotTakenForAShorterOne) {
    SpectrumDir d;
    std::string acq = Acqus();
    acq.insert(acq.find("##$SFO1"), "##$O1P= 99\n");  // not O1
    std::string procs = Procs(0);
    procs.insert(procs.find("##$SF="), "##$SFO1= 1\n");  // not SF
    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, d.Write("1", Ramp(64), false, procs, acq)).ok());
    EXPECT_DOUBLE_EQ(s.O1, 2000.0);
    EXPECT_DOUBLE_EQ(s.SF, 400.13);
}

TEST(BrukerReader, FailedOpeningKeepsPreviousSpectrum) {
    SpectrumDir d;
    BrukerSpectrum s;
    const std::string good = d.Write("1", Ramp(128), false, Procs(0), Acqus());
    ASSERT_TRUE(OpenFull(s, good).ok());
    // Deep copies: the check is on the values, not on shared storage.
    const std::vector<std::int32_t> ygraf = s.Ygraf.ToVector();
    const std::vector<double> axis = s.XnmrHz.ToVector();

    auto expectUnchanged = [&](const OpenResult& r, const std::string& why) {
        EXPECT_FALSE(r.ok()) << why;
        EXPECT_FALSE(r.title.empty()) << why;
        EXPECT_FALSE(r.text.empty()) << why;
        EXPECT_EQ(s.SpectrumPath, good) << why;
        EXPECT_EQ(s.NPont, 128) << why;
        EXPECT_EQ(s.Ygraf, ygraf) << why;
        EXPECT_EQ(s.XnmrHz, axis) << why;
        EXPECT_EQ(s.Title, "sample") << why;
        EXPECT_EQ(s.Nucleus, "<1H>") << why;
        EXPECT_DOUBLE_EQ(s.SWh, 8000.0) << why;
    };

    std::string p = d.Write("2", Ramp(64), false, Procs(0), Acqus("<13C>"));
    OpenResult r = OpenFull(s, p);
    EXPECT_EQ(r.status, OpenStatus::WrongNucleus);
    EXPECT_EQ(r.text, "This program can only open 1H NMR\r\nspectra; the selected file cannot be\r\nopened. Sorry.");
    EXPECT_TRUE(s.OpenCancelled);
    expectUnchanged(r, "carbon");

    p = d.Write("3", Ramp(64), false, Procs(0), Acqus());
    fs::remove(p);
    r = OpenFull(s, p);
    EXPECT_EQ(r.status, OpenStatus::Refused);
    EXPECT_NE(r.text.find(p), std::string::npos) << "the message names the file";
    expectUnchanged(r, "missing 1r");

    p = d.Write("4", Ramp(64), false, Procs(0), Acqus());
    fs::remove(fs::path(p).parent_path() / "procs");
    r = OpenFull(s, p);
    EXPECT_NE(r.text.find("procs"), std::string::npos);
    expectUnchanged(r, "missing procs");

    std::string acq = Acqus();
    acq.replace(acq.find("400.132"), 7, "0");
    r = OpenFull(s, d.Write("5", Ramp(64), false, Procs(0), acq));
    EXPECT_NE(r.text.find("acqus"), std::string::npos);
    expectUnchanged(r, "SFO1 = 0");

    acq = Acqus();
    acq.replace(acq.find("8000"), 4, "abc");
    r = OpenFull(s, d.Write("6", Ramp(64), false, Procs(0), acq));
    expectUnchanged(r, "SW_h not a number");

    r = OpenFull(s, d.Write("7", Ramp(64), false, Procs(0), ""));
    EXPECT_EQ(r.status, OpenStatus::AcqusMissing);
    expectUnchanged(r, "no acqus");

    r = OpenFull(s, (fs::path(good).parent_path() / "procs").string());
    EXPECT_EQ(r.status, OpenStatus::FileTypeUnsupported);
    EXPECT_EQ(r.title, "File type unsupported");
    EXPECT_TRUE(r.text.ends_with("program directory.\r\nWould you like to try again?"));
    expectUnchanged(r, "not named 1r");
}

TEST(BrukerReader, UnusableDataFileSizesAreRefused) {
    SpectrumDir d;
    BrukerSpectrum s;
    const std::string p = d.Write("1", Ramp(2), false, Procs(0), Acqus());
    ASSERT_TRUE(OpenFull(s, p).ok());  // 8 bytes: two points, the smallest spectrum
    EXPECT_EQ(s.NPont, 2);

    for (std::size_t size : {0u, 4u, 7u, 10u, 4099u}) {
        SpectrumDir::WriteBytes(p, std::vector<unsigned char>(size, 1));
        OpenResult r = OpenFull(s, p);
        EXPECT_EQ(r.status, OpenStatus::Refused) << size;
        EXPECT_NE(r.text.find(std::to_string(size) + " bytes"), std::string::npos) << r.text;
        EXPECT_EQ(s.NPont, 2) << size;
    }

    // Too large for a 1D spectrum: refused from its size alone (the file is
    // sparse, nothing is read or allocated).
    fs::resize_file(p, static_cast<std::uintmax_t>(kMaxSpectrumPoints + 1) * 4);
    OpenResult r = OpenFull(s, p);
    EXPECT_EQ(r.status, OpenStatus::Refused);
    EXPECT_NE(r.text.find("too large"), std::string::npos);
    EXPECT_EQ(s.NPont, 2);
}

TEST(BrukerReader, LargeSpectraBeyondSixteenBitIndices) {
    SpectrumDir d;
    for (std::size_t n : {65536u, 131072u, 262144u}) {
        std::vector<std::int32_t> y(n, 100);
        // A reference peak near the far end; O1 puts 0 Hz there.
        const std::size_t peak = n - 1000;
        y[peak - 1] = 500000;  // point `peak` in 1-based numbering
        y[n - 1] = 7;
        const double swh = 8000.0, h = swh / static_cast<double>(n - 1);
        std::string acq = Acqus();
        const double o1 = (static_cast<double>(peak) - static_cast<double>(n) / 2.0 + 0.5) * h;
        acq.replace(acq.find("2000"), 4, std::to_string(o1));
        BrukerSpectrum s;
        s.AutoAdjustTMS = true;
        const std::string path = d.Write(std::to_string(n), y, false, Procs(0), acq);
        OpenResult r = OpenFull(s, path);
        ASSERT_TRUE(r.ok()) << r.text;
        EXPECT_EQ(s.NPont, static_cast<std::int32_t>(n));
        EXPECT_EQ(s.Ygraf[n], 7);
        EXPECT_EQ(s.YMax, 500000);
        ASSERT_TRUE(r.reference.found);
        EXPECT_EQ(s.NTMS, static_cast<std::int32_t>(peak));
        EXPECT_EQ(s.XnmrHz[peak], 0.0);
        EXPECT_EQ(s.ExpXnmrHz[peak], 0.0);
        EXPECT_EQ(s.ExpYgraf.size(), n + 1);
    }
}

TEST(BrukerReader, AllZeroSpectrum) {
    SpectrumDir d;
    BrukerSpectrum s;
    s.AutoAdjustTMS = true;
    OpenResult r = OpenFull(s, d.Write("1", std::vector<std::int32_t>(4096, 0), false, Procs(0), Acqus()));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(s.YMax, 0);
    EXPECT_EQ(s.YMin, 0);
    EXPECT_FALSE(r.reference.found);
    EXPECT_FALSE(r.reference.message.empty());
    EXPECT_EQ(s.XnmrHz[1], s.FirstPointHz);
    auto reading = ReadingAt(s, 2048);
    ASSERT_TRUE(reading);
    EXPECT_FALSE(reading->peak);
}

TEST(BrukerReader, ReferenceWindowAtTheDataEnds) {
    // 0 Hz at the first or the last point: the window is cut at the data so
    // that every candidate still has two neighbours (ASan watches the reads).
    SpectrumDir d;
    for (bool atStart : {true, false}) {
        const std::size_t n = 1024;
        std::vector<std::int32_t> y(n, 10);
        const std::size_t peak = atStart ? 2 : n - 1;  // 1-based
        y[peak - 1] = 99999;
        std::string acq = Acqus();
        const double o1 = atStart ? -3990.0 : 3990.0;
        acq.replace(acq.find("2000"), 4, std::to_string(o1));
        BrukerSpectrum s;
        OpenResult r = OpenFull(s, d.Write(atStart ? "start" : "end", y, false, Procs(0), acq));
        ASSERT_TRUE(r.ok());
        ASSERT_TRUE(r.reference.found) << atStart;
        EXPECT_EQ(s.NTMS, static_cast<std::int32_t>(peak));
        EXPECT_FALSE(r.reference.adjusted);  // automatic adjustment was not asked for
        EXPECT_EQ(s.XnmrHz[1], s.FirstPointHz);
    }
}

TEST(BrukerRealData, ProtonSetsMatchIndependentReader) {
    for (const RealSet& set : kProtonSets) {
        SCOPED_TRACE(set.name);
        const std::string json = ReadText(kReal / set.name / "reference.json");
        BrukerSpectrum s;
        s.BigEndian = !set.bigEndian;  // the files, not the previous opening, decide
        OpenResult r = OpenFull(s, RealPath(set.name, set.exp));
        ASSERT_TRUE(r.ok()) << r.text;
        EXPECT_EQ(s.BigEndian, set.bigEndian);
        EXPECT_EQ(s.Nucleus, "<1H>");
        EXPECT_EQ(s.Solvent, set.solvent);
        EXPECT_EQ(s.Title, set.title);

        const auto n = static_cast<std::int32_t>(JsonNumber(json, "N"));
        ASSERT_EQ(s.NPont, n);
        const auto first5 = JsonIntArray(json, "first5");
        const auto last5 = JsonIntArray(json, "last5");
        ASSERT_EQ(first5.size(), 5u);
        ASSERT_EQ(last5.size(), 5u);
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(s.Ygraf[1 + k], first5[k]);
            EXPECT_EQ(s.Ygraf[n - 4 + k], last5[k]);
        }
        const auto max = static_cast<std::int32_t>(JsonNumber(json, "max"));
        const auto maxIndex = static_cast<std::int32_t>(JsonNumber(json, "max_index1"));
        const auto min = static_cast<std::int32_t>(JsonNumber(json, "min"));
        EXPECT_EQ(s.YMax, max);
        EXPECT_EQ(s.Ygraf[maxIndex], max);
        EXPECT_EQ(s.YMin, std::min(min, 10000));

        EXPECT_NEAR(s.FirstPointHz, JsonNumber(json, "FirstPointHz", "formula"), 1e-6);
        EXPECT_NEAR(s.HzPerPoint, JsonNumber(json, "HzPerPoint", "formula"), 1e-12);
        EXPECT_NEAR(s.SFMeu, JsonNumber(json, "SFMeu", "formula"), 1e-9);
        EXPECT_NEAR(s.XnmrHz[1] / s.SFMeu, JsonNumber(json, "formula_ppm_point1"), 1e-9);
        EXPECT_NEAR(s.XnmrHz[n] / s.SFMeu, JsonNumber(json, "formula_ppm_pointN"), 1e-9);
        // Against the independent reader's own axis the provisional axis
        // lies within its referencing offset; here it must agree with the
        // reader's numbers for the same formula to a thousandth of a point.
        const double spacingPpm = JsonNumber(json, "formula_point_spacing_ppm");
        EXPECT_NEAR((s.XnmrHz[1] - s.XnmrHz[2]) / s.SFMeu, spacingPpm, spacingPpm * 1e-9);
    }
}

TEST(BrukerRealData, CarbonSpectrumIsRefused) {
    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, RealPath("strychnine-cdcl3", "10")).ok());
    OpenResult r = OpenFull(s, RealPath("gaba-13c-d2o", "13C"));
    EXPECT_EQ(r.status, OpenStatus::WrongNucleus);
    EXPECT_EQ(r.title, "Only 1H NMR files!");
    EXPECT_TRUE(s.OpenCancelled);
    EXPECT_EQ(s.NPont, 131072);
    EXPECT_EQ(s.Nucleus, "<1H>");
    EXPECT_EQ(s.Solvent, "<CDCl3>");
}

// --- storage of the opened spectrum -----------------------------------------

TEST(BrukerStorage, IntensityCopiesShareUntilOneIsEdited) {
    IntensityArray a(std::vector<std::int32_t>{0, 10, 20, 30});
    IntensityArray b = a;
    EXPECT_TRUE(b.SharesStorageWith(a));
    b.Edit()[2] = -5;
    EXPECT_FALSE(b.SharesStorageWith(a));
    EXPECT_EQ(a, (std::vector<std::int32_t>{0, 10, 20, 30}));
    EXPECT_EQ(b, (std::vector<std::int32_t>{0, 10, -5, 30}));
    EXPECT_FALSE(a == b);

    IntensityArray c = a;
    c.assign(3, 7);  // fresh storage; a keeps its values
    EXPECT_EQ(c, (std::vector<std::int32_t>{7, 7, 7}));
    EXPECT_EQ(a[3], 30);
    EXPECT_TRUE(IntensityArray().empty());
}

TEST(BrukerStorage, AxisReadsExactlyWhatAnArrayShiftedInPlaceWouldHold) {
    const std::int64_t n = 5001;
    const double first = 4000.0 + 2470.97, step = 9615.38461538462 / static_cast<double>(n - 1);
    HzAxis axis(first, step, n);
    std::vector<double> array(static_cast<std::size_t>(n) + 1, 0.0);
    for (std::int64_t i = 1; i <= n; ++i) array[i] = first - static_cast<double>(i - 1) * step;
    EXPECT_EQ(axis, array);
    EXPECT_EQ(axis.size(), array.size());

    auto shift = [&](double by) {
        axis.Shift(by);
        for (std::size_t i = 1; i < array.size(); ++i) array[i] -= by;
    };
    auto shiftAndSet = [&](double by, std::int64_t p, double value) {
        axis.ShiftAndSet(by, p, value);
        for (std::size_t i = 1; i < array.size(); ++i) array[i] -= by;
        array[p] = value;
    };
    shift(array[1234]);                      // the automatic calibration: point 1234 reads 0
    EXPECT_EQ(axis[1234], 0.0);
    shiftAndSet(array[77] - 2908.86, 77, 2908.86);   // a click on a peak
    shiftAndSet(array[4000] + 0.1, 4000, -0.1);      // another one
    shift(0.3333333333333333);
    shiftAndSet(array[77] - 1.0e-7, 77, 1.0e-7);     // the first point again
    // Every value bit for bit, not merely close: sums of shifts round
    // differently from shifts applied in turn.
    for (std::int64_t i = 0; i <= n; ++i) ASSERT_EQ(axis[i], array[i]) << "point " << i;
    EXPECT_EQ(axis.ToVector(), array);

    HzAxis copy = axis;  // a value: later moves of one leave the other alone
    copy.Shift(1.0);
    EXPECT_EQ(axis, array);
    EXPECT_FALSE(copy == axis);
}

TEST(BrukerStorage, ReopeningReusesFreeBuffersButNeverDataStillHeld) {
    SpectrumDir d;
    auto values = [](std::size_t n, std::int32_t offset) {
        std::vector<std::int32_t> y = Ramp(n);
        for (auto& v : y) v += offset;
        return y;
    };
    auto withSlot0 = [](std::vector<std::int32_t> y) {
        y.insert(y.begin(), 0);
        return y;
    };
    const std::string a = d.Write("1", values(256, 1), false, Procs(0), Acqus());
    const std::string b = d.Write("2", values(256, 2), true, Procs(1), Acqus());
    const std::string c = d.Write("3", values(256, 3), false, Procs(0), Acqus());
    const std::string grown = d.Write("4", values(700, 4), true, Procs(1), Acqus());
    const std::string shrunk = d.Write("5", values(40, 5), false, Procs(0), Acqus());
    const std::string carbon = d.Write("6", values(256, 6), false, Procs(0), Acqus("<13C>"));

    BrukerSpectrum s;
    ASSERT_TRUE(OpenFull(s, a).ok());
    const std::int32_t* bufferA = s.Ygraf.data();
    ASSERT_TRUE(OpenFull(s, b).ok());
    ASSERT_TRUE(OpenFull(s, c).ok());
    // Nobody held A's intensities: C was read into them.
    EXPECT_EQ(s.Ygraf.data(), bufferA);
    EXPECT_EQ(s.Ygraf, withSlot0(values(256, 3)));
    EXPECT_TRUE(s.ExpYgraf.SharesStorageWith(s.Ygraf));
    EXPECT_TRUE(s.LittleEndianData.SharesStorageWith(s.Ygraf));

    // The simulator (or anyone) keeps C's data; the next two openings must
    // not write into it.
    const IntensityArray held = s.ExpYgraf;
    ASSERT_TRUE(OpenFull(s, grown).ok());
    EXPECT_EQ(s.NPont, 700);
    EXPECT_EQ(s.Ygraf, withSlot0(values(700, 4)));
    ASSERT_TRUE(OpenFull(s, shrunk).ok());
    EXPECT_EQ(s.NPont, 40);
    EXPECT_EQ(s.Ygraf, withSlot0(values(40, 5)));
    EXPECT_EQ(held, withSlot0(values(256, 3)));

    // A refused opening between two good ones loses nothing.
    EXPECT_FALSE(OpenFull(s, carbon).ok());
    EXPECT_EQ(s.Ygraf, withSlot0(values(40, 5)));
    ASSERT_TRUE(OpenFull(s, b).ok());
    EXPECT_EQ(s.Ygraf, withSlot0(values(256, 2)));
    // All values negative (-2998 .. -1213): the maximum stays at its start, 0.
    EXPECT_EQ(s.YMax, 0);
    EXPECT_EQ(s.YMin, -2998);
    EXPECT_EQ(held, withSlot0(values(256, 3)));
}
