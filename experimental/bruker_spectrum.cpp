#include "experimental/bruker_spectrum.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "experimental/parameter_file.h"
#include "experimental/reference_calibration.h"
#include "simulator/input_rules.h"

namespace quble {

const char* const kFileTypeUnsupportedTitle = "File type unsupported";
const char* const kFileTypeUnsupportedText =
    "This program can only open files named '1r' (the already processed\r\n"
    "spectra by Bruker spectrometers). To perform the opening operation it will also\r\n"
    "need to read parameters in the files 'procs' and 'acqus', that should\r\n"
    "be in the same general directory, as in the 'examples' found in this\r\n"
    "program directory.\r\n"
    "Would you like to try again?";
const char* const kOnly1HTitle = "Only 1H NMR files!";
const char* const kOnly1HText =
    "This program can only open 1H NMR\r\n"
    "spectra; the selected file cannot be\r\n"
    "opened. Sorry.";
const char* const kErrorTitle = "Error!";
const char* const kAcqusMissingText = "Cannot open, unable to find file acqus!";

namespace {

std::string Num(double v) { return FormatNumber(v, '.'); }

OpenResult Failure(OpenStatus status, std::string title, std::string text) {
    OpenResult r;
    r.status = status;
    r.title = std::move(title);
    r.text = std::move(text);
    return r;
}

OpenResult Refusal(const std::string& what, const std::string& path) {
    return Failure(OpenStatus::Refused, kErrorTitle, "Cannot open, " + what + "\r\n" + path);
}

// Rounded (half to even) and clamped into the integer type; a number out of
// range or not a number must not become undefined behaviour.
template <class Int>
Int RoundToInt(double v) {
    if (std::isnan(v)) return 0;
    double r = RoundHalfEven(v);
    if (r <= static_cast<double>(std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
    if (r >= static_cast<double>(std::numeric_limits<Int>::max())) return std::numeric_limits<Int>::max();
    return static_cast<Int>(r);
}

bool ListsFileNamed(const std::string& folder, const char* name) {
    // Nothing by that name can be listed where a lookup finds nothing; only
    // a hit is confirmed by the listing (a case-blind file system would
    // also find "ACQUS").
    struct stat st {};
    const std::string candidate = folder.ends_with('/') ? folder + name : folder + '/' + name;
    if (::lstat(candidate.c_str(), &st) != 0 && errno == ENOENT) return false;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (it->path().filename() == name) return true;  // exact, case-sensitive
    }
    return false;
}

// Limits of a physical proton axis. Outside them the parameters describe
// no spectrum a spectrometer can record (a damaged or foreign file), and an
// axis built from them would span millions of ppm or none at all.
constexpr double kMinFrequencyMHz = 1.0;
constexpr double kMaxFrequencyMHz = 10000.0;  // 10 GHz
constexpr double kMaxSweepHz = 500000.0;

bool PhysicalFrequency(double mhz) { return mhz >= kMinFrequencyMHz && mhz <= kMaxFrequencyMHz; }

// What makes the axis parameters unusable, empty when nothing does. The
// message names the value so the user can look for it in the file.
std::string AxisProblem(const BrukerParameters& p) {
    if (!PhysicalFrequency(p.SFO1)) {
        return "the spectrometer frequency SFO1 = " + Num(p.SFO1) +
               " MHz in the file acqus lies outside 1 MHz to 10 GHz!";
    }
    if (!(p.SWh > 0.0) || p.SWh > kMaxSweepHz) {
        return "the sweep width SW_h = " + Num(p.SWh) + " Hz in the file acqus is not between 0 and 500 kHz!";
    }
    if (!(std::fabs(p.O1) <= p.SWh)) {
        return "the offset O1 = " + Num(p.O1) + " Hz in the file acqus lies beyond the sweep width SW_h = " +
               Num(p.SWh) + " Hz!";
    }
    if (p.BF1Read && !PhysicalFrequency(p.BF1)) {
        return "the basic frequency BF1 = " + Num(p.BF1) + " MHz in the file acqus lies outside 1 MHz to 10 GHz!";
    }
    if (p.SFRead && !PhysicalFrequency(p.SF)) {
        return "the frequency SF = " + Num(p.SF) + " MHz in the file procs lies outside 1 MHz to 10 GHz!";
    }
    return {};
}

// A numeric value of a parameter file, or the refusal that names it.
bool NumberOf(std::string_view line, std::string_view value, const char* file, double& out, std::string& why) {
    if (auto v = ParameterNumber(value)) {
        out = *v;
        return true;
    }
    why = "the line \"" + std::string(line.substr(0, 80)) + "\" in the file " + file +
          " holds no number this program can read!";
    return false;
}

// Brings the words into host order in place and finds their extrema, which
// start at 0 and 10000. One pass over data that is still in cache from the
// read; the AVX2 clone swaps and compares eight words at a time.
struct Extrema {
    std::int32_t max;
    std::int32_t min;
};
__attribute__((target_clones("avx2", "default")))
Extrema DecodeWords(std::int32_t* w, std::size_t n, bool swap) {
    std::int32_t mx = 0, mn = 10000;
    if (swap) {
        for (std::size_t j = 0; j < n; ++j) {
            const auto v = static_cast<std::int32_t>(__builtin_bswap32(static_cast<std::uint32_t>(w[j])));
            w[j] = v;
            mx = v > mx ? v : mx;
            mn = v < mn ? v : mn;
        }
    } else {
        for (std::size_t j = 0; j < n; ++j) {
            const std::int32_t v = w[j];
            mx = v > mx ? v : mx;
            mn = v < mn ? v : mn;
        }
    }
    return {mx, mn};
}

OpenResult ReadSpectrumData(BrukerSpectrum& s) {
    const std::string& path = s.SpectrumPath;
    InputFile f(path);
    if (!f.ok()) return Refusal("the file 1r " + f.why() + "!", path);
    const auto bytes = f.size();
    if (bytes < 8) {
        return Refusal("the file 1r is too short to be a spectrum (" + std::to_string(bytes) +
                           " bytes; at least two 4-byte points are needed)!",
                       path);
    }
    if (bytes % 4 != 0) {
        return Refusal("the size of the file 1r (" + std::to_string(bytes) +
                           " bytes) is not a whole number of 4-byte points!",
                       path);
    }
    if (bytes / 4 > kMaxSpectrumPoints) {
        return Refusal("the file 1r is too large to be a 1D spectrum (" + std::to_string(bytes) + " bytes)!", path);
    }
    const std::int64_t n = bytes / 4;

    // One read straight into the final array (slot 0 unused), then one pass
    // that swaps and scans. A buffer of the previous spectrum is reused when
    // it is free, so its pages are already mapped.
    auto words = s.Storage.Take(static_cast<std::size_t>(n) + 1);
    std::int32_t* data = words->data();
    data[0] = 0;
    if (!ReadFully(f.fd(), reinterpret_cast<char*>(data + 1), static_cast<std::size_t>(bytes))) {
        s.Storage.spare = std::move(words);  // still nobody else's
        return Refusal("unable to read file 1r!", path);
    }
    const bool swap = s.BigEndian != (std::endian::native == std::endian::big);
    const Extrema e = DecodeWords(data + 1, static_cast<std::size_t>(n), swap);

    s.FileSizeBytes = bytes;
    s.NPont = static_cast<std::int32_t>(n);
    s.NPontExp = s.NPont;
    s.LittleMax = 0, s.LittleMin = 10000, s.BigMax = 0, s.BigMin = 10000;
    s.LittleEndianData = IntensityArray();
    s.BigEndianData = IntensityArray();
    if (s.BigEndian) {
        s.BigEndianData = SpectrumStorage::Wrap(std::move(words));
        s.BigMax = e.max, s.BigMin = e.min;
    } else {
        s.LittleEndianData = SpectrumStorage::Wrap(std::move(words));
        s.LittleMax = e.max, s.LittleMin = e.min;
    }
    return {};
}

}  // namespace

IntensityArray::IntensityArray(std::vector<std::int32_t> values)
    : p_(std::make_shared<std::vector<std::int32_t>>(std::move(values))) {}

void IntensityArray::assign(std::size_t n, std::int32_t value) {
    p_ = std::make_shared<std::vector<std::int32_t>>(n, value);
}

std::vector<std::int32_t>& IntensityArray::Edit() {
    if (!p_) {
        p_ = std::make_shared<std::vector<std::int32_t>>();
    } else if (p_.use_count() > 1) {
        p_ = std::make_shared<std::vector<std::int32_t>>(*p_);
    }
    return *p_;
}

bool operator==(const IntensityArray& a, const IntensityArray& b) {
    return a.p_ == b.p_ || std::equal(a.begin(), a.end(), b.begin(), b.end());
}

bool operator==(const IntensityArray& a, const std::vector<std::int32_t>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

double HzAxis::operator[](std::int64_t i) const {
    if (i == 0) return 0.0;
    // The value the point last received outright, then every later shift
    // subtracted in turn, exactly as an array updated in place would hold.
    std::size_t from = moves_.size();
    double v = 0.0;
    while (from > 0 && moves_[from - 1].setPoint != i) --from;
    if (from > 0) {
        v = moves_[from - 1].setValue;
    } else {
        v = first_ - static_cast<double>(i - 1) * step_;
        for (std::size_t k = 0; k < moves_.size(); ++k) v -= moves_[k].shift;
        return v;
    }
    for (std::size_t k = from; k < moves_.size(); ++k) v -= moves_[k].shift;
    return v;
}

std::vector<double> HzAxis::ToVector() const {
    std::vector<double> v(size());
    for (std::int64_t i = 1; i <= n_; ++i) v[static_cast<std::size_t>(i)] = (*this)[i];
    return v;
}

bool operator==(const HzAxis& a, const HzAxis& b) {
    if (a.n_ != b.n_) return false;
    for (std::int64_t i = 1; i <= a.n_; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

bool operator==(const HzAxis& a, const std::vector<double>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (a[static_cast<std::int64_t>(i)] != b[i]) return false;
    }
    return true;
}

std::shared_ptr<std::vector<std::int32_t>> SpectrumStorage::Take(std::size_t words) {
    std::shared_ptr<std::vector<std::int32_t>> p = std::move(spare);
    if (!p || p.use_count() != 1) p = std::make_shared<std::vector<std::int32_t>>();
    // Growing value-initialises only the new part; a buffer of the same
    // size is taken as it is, to be overwritten by the read.
    p->resize(words);
    return p;
}

void SpectrumStorage::Recycle(IntensityArray&& a) {
    if (a.p_ && a.p_.use_count() == 1) spare = std::move(a.p_);
    a.p_.reset();
}

std::string LastName(std::string_view s) {
    auto p = s.rfind('/');
    return p == std::string_view::npos ? std::string() : std::string(s.substr(p + 1));
}

std::string RemoveLast(std::string_view s) {
    auto p = s.rfind('/');
    return p == std::string_view::npos ? std::string() : std::string(s.substr(0, p));
}

OpenResult ReadParameters(BrukerParameters& p) {
    p.List3.clear();
    p.SFRead = false;
    p.BYTORDPRead = false;
    const std::string path = RemoveLast(p.SpectrumPath) + "/procs";
    std::string text, why;
    if (!ReadParameterText(path, text, why)) return Refusal("the file procs " + why + "!", path);
    // An empty procs is one older spectrometers write; only unreadable
    // content is refused.
    if (!text.empty()) {
        if (const std::string t = TextProblem(text); !t.empty()) return Refusal("the file procs " + t + "!", path);
    }

    ForEachParameterLine(text, [&p, &why](std::string_view line) {
        std::string_view v;
        double x = 0.0;
        auto log = [&p, line](const std::string& label) {
            p.List3.emplace_back(line);
            p.List3.push_back(label);
        };
        auto number = [&]() { return NumberOf(line, v, "procs", x, why); };
        if (KeyValue(line, "##$ABSF1", v)) {
            if (!number()) return false;
            p.ABSF1 = x;
            log("ABSF1=" + Num(p.ABSF1));
        } else if (KeyValue(line, "##$ABSF2", v)) {
            if (!number()) return false;
            p.ABSF2 = x;
            log("ABSF2=" + Num(p.ABSF2));
            // Divided first: the difference of two huge values overflows.
            p.List3.push_back("(ABSF1-ABSF2)/32767=" + Num(p.ABSF1 / 32767.0 - p.ABSF2 / 32767.0));
        } else if (KeyValue(line, "##$YMAX_p", v)) {
            if (!number()) return false;
            p.YMAX_p = RoundToInt<std::int32_t>(x);
            log("YMAX_p=" + std::to_string(p.YMAX_p));
        } else if (KeyValue(line, "##$YMIN_p", v)) {
            if (!number()) return false;
            p.YMIN_p = RoundToInt<std::int32_t>(x);
            log("YMIN_p=" + std::to_string(p.YMIN_p));
        } else if (KeyValue(line, "##$SF", v)) {
            if (!number()) return false;
            p.SF = x;
            p.SFRead = true;
            log("SF=" + Num(p.SF));
        } else if (KeyValue(line, "##$BYTORDP", v)) {
            if (!number()) return false;
            p.BYTORDP = RoundToInt<std::int16_t>(x);
            p.BYTORDPRead = true;
            p.BigEndian = (p.BYTORDP == 1);
            log("BYTORDP=" + std::to_string(p.BYTORDP));
        }
        return true;
    });
    if (!why.empty()) return Refusal(why, path);
    return {};
}

std::string FindAcqusFolder(const std::string& chosenPath) {
    std::string folder = chosenPath;
    for (int step = 0; step < 4; ++step) {
        folder = RemoveLast(folder);
        if (folder.empty()) {
            // Only an absolute path has a folder left here: the root.
            if (chosenPath.starts_with('/') && ListsFileNamed("/", "acqus")) return "/";
            return {};
        }
        if (ListsFileNamed(folder, "acqus")) return folder;
    }
    return {};
}

OpenResult ReadAcqusFile(BrukerParameters& p) {
    p.List4.clear();
    p.AcqusMissing = true;
    p.BF1Read = false;
    p.BYTORDARead = false;
    p.NucleusRead = false;
    const std::string folder = FindAcqusFolder(p.SpectrumPath);
    if (folder.empty()) return Failure(OpenStatus::AcqusMissing, kErrorTitle, kAcqusMissingText);
    p.AcqusMissing = false;

    const std::string path = folder == "/" ? "/acqus" : folder + "/acqus";
    p.List4.push_back(path);
    std::string text, why;
    if (!ReadParameterText(path, text, why)) return Refusal("the file acqus " + why + "!", path);
    if (const std::string t = TextProblem(text); !t.empty()) return Refusal("the file acqus " + t + "!", path);

    ForEachParameterLine(text, [&p, &why](std::string_view line) {
        std::string_view v;
        double x = 0.0;
        auto log = [&p, line](const std::string& label) {
            p.List4.emplace_back(line);
            p.List4.push_back(label);
        };
        auto number = [&]() { return NumberOf(line, v, "acqus", x, why); };
        if (KeyValue(line, "##$NUC1", v)) {
            p.Nucleus = std::string(v);
            p.NucleusRead = true;
            log("Nucleus=" + p.Nucleus);
        } else if (KeyValue(line, "##$O1", v)) {
            if (!number()) return false;
            p.O1 = x;
            log("O1=" + Num(p.O1));
        } else if (KeyValue(line, "##$SFO1", v)) {
            if (!number()) return false;
            p.SFO1 = x;
            log("SFO1=" + Num(p.SFO1));
        } else if (KeyValue(line, "##$SOLVENT", v)) {
            p.Solvent = std::string(v);
            log("Solvent=" + p.Solvent);
        } else if (KeyValue(line, "##$SW=", v)) {
            if (!number()) return false;
            p.SW = x;
            log("SW=" + Num(p.SW));
        } else if (KeyValue(line, "##$SW_h", v)) {
            if (!number()) return false;
            p.SWh = x;
            log("SWh=" + Num(p.SWh));
        } else if (KeyValue(line, "##$TD", v)) {
            if (!number()) return false;
            p.TD = RoundToInt<std::int32_t>(x);
            log("TD=" + std::to_string(p.TD));
            return false;  // the keys we need all come before TD
        } else if (KeyValue(line, "##$BF1", v)) {
            if (!number()) return false;
            p.BF1 = x;
            p.BF1Read = true;
            log("BF1=" + Num(p.BF1));
        } else if (KeyValue(line, "##$BYTORDA", v)) {
            if (!number()) return false;
            p.BYTORDA = RoundToInt<std::int16_t>(x);
            p.BYTORDARead = true;
            log("BYTORDA=" + std::to_string(p.BYTORDA));
        }
        return true;
    });
    if (!why.empty()) return Refusal(why, path);

    p.FirstPointHz = p.SWh / 2.0 + p.O1;
    p.LastPointHz = p.O1 - p.SWh / 2.0;
    p.FirstPointDelta = p.SFO1 != 0.0 ? p.FirstPointHz / p.SFO1 : 0.0;
    p.LastPointDelta = p.SFO1 != 0.0 ? p.LastPointHz / p.SFO1 : 0.0;
    p.SFMeu = p.SFO1 - p.O1 / 1e6;
    p.List4.push_back("FirstPointHz=" + Num(p.FirstPointHz));
    p.List4.push_back("LastPointHz=" + Num(p.LastPointHz));
    p.List4.push_back("FirstPointDelta=" + Num(p.FirstPointDelta));
    p.List4.push_back("LastPointDelta=" + Num(p.LastPointDelta));
    p.List4.push_back("SFMeu=" + Num(p.SFMeu));
    return {};
}

void FindTitle(BrukerParameters& p) {
    std::string path = p.SpectrumPath;
    for (;;) {
        std::string last = LastName(path);
        if (last == "1r" || last == "1" || last == "pdata") {
            path = RemoveLast(path);
            continue;
        }
        p.Title = last;
        return;
    }
}

ReferenceOutcome LittleBig(BrukerSpectrum& s) {
    const std::size_t size = static_cast<std::size_t>(s.NPont) + 1;
    const IntensityArray& source = s.BigEndian ? s.BigEndianData : s.LittleEndianData;
    if (source.size() == size) {
        s.Ygraf = source;  // shares the words
    } else {
        s.Ygraf.assign(size, 0);  // the other order was not read at this opening
    }
    s.YMax = s.BigEndian ? s.BigMax : s.LittleMax;
    s.YMin = s.BigEndian ? s.BigMin : s.LittleMin;
    s.List4.push_back("NPont=" + std::to_string(s.NPont));

    s.HzPerPoint = s.NPont > 1 ? s.SWh / static_cast<double>(s.NPont - 1) : 0.0;
    s.List4.push_back("HzPerPoint=" + Num(s.HzPerPoint));
    s.XnmrHz = HzAxis(s.FirstPointHz, s.HzPerPoint, s.NPont);
    if (s.NPont >= 1) s.List4.push_back("LastPoint=" + Num(s.XnmrHz[s.NPont]));

    return FindAdjReference(s);
}

namespace {

// The opening proper: everything is read into a new object that replaces s
// only when the whole spectrum was read.
OpenResult OpenInto(BrukerSpectrum& s, const std::string& path, bool readAcqus) {
    BrukerSpectrum next;
    static_cast<BrukerParameters&>(next) = s;  // parameters persist between openings
    next.SpectrumPath = path;
    next.ReadAcqus = readAcqus;
    next.Storage = std::move(s.Storage);

    auto fail = [&s, &next](OpenResult r) {
        s.Storage = std::move(next.Storage);  // hand the spare back untouched
        if (r.status != OpenStatus::AcqusMissing) s.OpenCancelled = true;
        return r;
    };

    if (readAcqus) {
        if (auto r = ReadParameters(next); !r.ok()) return fail(r);
        if (auto r = ReadAcqusFile(next); !r.ok()) return fail(r);
        // An empty procs (seen on older spectrometers) leaves no BYTORDP;
        // the acquisition's own byte order is then the right one, not
        // whatever the previous spectrum used.
        if (!next.BYTORDPRead && next.BYTORDARead) next.BigEndian = (next.BYTORDA == 1);
        FindTitle(next);
        if (!next.NucleusRead) {
            return fail(Refusal("the file acqus names no nucleus (it has no ##$NUC1 line)!", next.List4.front()));
        }
        if (next.Nucleus != "<1H>") return fail(Failure(OpenStatus::WrongNucleus, kOnly1HTitle, kOnly1HText));
        if (const std::string why = AxisProblem(next); !why.empty()) return fail(Refusal(why, next.List4.front()));
    }

    if (auto r = ReadSpectrumData(next); !r.ok()) return fail(r);
    if (!readAcqus) {
        next.ExpYgraf.assign(static_cast<std::size_t>(next.NPont) + 1, 0);
        next.ExpXnmrHz = HzAxis(0.0, 0.0, next.NPont);
    }
    next.ReferenceCaption = "Reference: None";
    OpenResult result;
    result.reference = LittleBig(next);

    // The words of the spectrum being replaced become the spare of the
    // next opening, unless someone (the simulator's copy, a caller's
    // snapshot) still holds them.
    IntensityArray old = s.BigEndianData.empty() ? std::move(s.LittleEndianData) : std::move(s.BigEndianData);
    s = std::move(next);
    s.Storage.Recycle(std::move(old));
    return result;
}

// The opening with its failures caught at the edge: a spectrum that does
// not fit in memory is refused like any other unusable file.
OpenResult GuardedOpen(BrukerSpectrum& s, const std::string& path, bool readAcqus) {
    try {
        return OpenInto(s, NormalPath(path), readAcqus);
    } catch (const std::bad_alloc&) {
        s.OpenCancelled = true;
        return Refusal("there is not enough memory to read this spectrum!", path);
    } catch (const std::length_error&) {
        s.OpenCancelled = true;
        return Refusal("there is not enough memory to read this spectrum!", path);
    }
}

}  // namespace

std::string NormalPath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    std::filesystem::path whole = std::filesystem::absolute(path, ec);
    if (ec) whole = path;
    std::string n = whole.lexically_normal().generic_string();
    // "/a/b/" names the folder b; the walk up works on names, not slashes.
    while (n.size() > 1 && n.back() == '/') n.pop_back();
    return n;
}

OpenResult OpenNMRFile(BrukerSpectrum& s) { return GuardedOpen(s, s.SpectrumPath, s.ReadAcqus); }

OpenResult OpenFull(BrukerSpectrum& s, const std::string& chosenPath) {
    if (LastName(chosenPath) != "1r") {
        return Failure(OpenStatus::FileTypeUnsupported, kFileTypeUnsupportedTitle, kFileTypeUnsupportedText);
    }
    return GuardedOpen(s, chosenPath, true);
}

OpenResult OpenWithoutAcqus(BrukerSpectrum& s, const std::string& chosenPath) {
    return GuardedOpen(s, chosenPath, false);
}

ReferenceOutcome ForceByteOrder(BrukerSpectrum& s, bool bigEndian) {
    try {
        s.BigEndian = bigEndian;
        return LittleBig(s);
    } catch (const std::bad_alloc&) {
        // The zero array of the order not read did not fit: show nothing
        // rather than end the program.
        s.Ygraf = IntensityArray();
        ReferenceOutcome r;
        r.message = "There is not enough memory to show the spectrum in this byte order.";
        return r;
    }
}

}  // namespace quble
