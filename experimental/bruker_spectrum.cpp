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

// A file descriptor closed on every way out.
class Fd {
public:
    explicit Fd(const char* path) : fd_(::open(path, O_RDONLY | O_CLOEXEC)) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

// Reads exactly `bytes` bytes, or fails.
bool ReadFully(int fd, char* to, std::size_t bytes) {
    while (bytes > 0) {
        const ssize_t got = ::read(fd, to, bytes);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        to += got;
        bytes -= static_cast<std::size_t>(got);
    }
    return true;
}

// The whole of a file, read to its end (a directory is refused). A regular
// file is read into a buffer of its size plus one byte, so the read that
// meets the end needs no second allocation.
bool ReadWholeFile(const std::string& path, std::string& out) {
    Fd f(path.c_str());
    struct stat st {};
    if (!f.ok() || ::fstat(f.get(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    out.resize(S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) + 1 : 4096);
    std::size_t have = 0;
    for (;;) {
        if (have == out.size()) out.resize(out.size() * 2);
        const ssize_t got = ::read(f.get(), out.data() + have, out.size() - have);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    out.resize(have);
    return true;
}

// The value of a "##$KEY= value" line when it holds `key`, else nothing.
// The key must be followed by "=" (keys ending in "=" carry it), so
// "##$SFO1" is never taken for "##$SF". The value starts after the "=" and
// any blanks: files written with or without the customary blank read alike.
bool KeyValue(std::string_view line, std::string_view key, std::string_view& value) {
    if (!line.starts_with(key)) return false;
    std::string_view rest = line.substr(key.size());
    if (key.back() != '=') {
        if (rest.empty() || rest.front() != '=') return false;
        rest.remove_prefix(1);
    }
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    value = rest;
    return true;
}

// Calls handle(line) for every LF-terminated line, without the LF and
// without a CR before it (files written on Windows end lines in CR LF). A
// final line without LF is not complete and is not handled. handle returns
// false to stop.
template <class F>
void ForEachLine(const std::string& text, F handle) {
    std::size_t start = 0;
    for (;;) {
        std::size_t lf = text.find('\n', start);
        if (lf == std::string::npos) return;
        std::string_view line(text.data() + start, lf - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!handle(line)) return;
        start = lf + 1;
    }
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

// Parameters that an axis can be built from; NaN and zero spectral widths
// or frequencies would give an unusable or divided-by-zero axis.
bool AxisParametersUsable(const BrukerParameters& p) {
    return std::isfinite(p.O1) && std::isfinite(p.SFO1) && std::isfinite(p.SWh) && p.SFO1 > 0.0 && p.SWh > 0.0 &&
           std::isfinite(p.SFMeu) && p.SFMeu > 0.0;
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
    Fd f(path.c_str());
    struct stat st {};
    if (!f.ok() || ::fstat(f.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return Refusal("unable to read file 1r!", path);
    }
    const auto bytes = static_cast<std::int64_t>(st.st_size);
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
    if (!ReadFully(f.get(), reinterpret_cast<char*>(data + 1), static_cast<std::size_t>(bytes))) {
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
    std::string text;
    if (!ReadWholeFile(path, text)) return Refusal("unable to read file procs!", path);

    ForEachLine(text, [&p](std::string_view line) {
        std::string_view v;
        auto log = [&p, line](const std::string& label) {
            p.List3.emplace_back(line);
            p.List3.push_back(label);
        };
        if (KeyValue(line, "##$ABSF1", v)) {
            p.ABSF1 = LeadingNumber(v);
            log("ABSF1=" + Num(p.ABSF1));
        } else if (KeyValue(line, "##$ABSF2", v)) {
            p.ABSF2 = LeadingNumber(v);
            log("ABSF2=" + Num(p.ABSF2));
            p.List3.push_back("(ABSF1-ABSF2)/32767=" + Num((p.ABSF1 - p.ABSF2) / 32767.0));
        } else if (KeyValue(line, "##$YMAX_p", v)) {
            p.YMAX_p = RoundToInt<std::int32_t>(LeadingNumber(v));
            log("YMAX_p=" + std::to_string(p.YMAX_p));
        } else if (KeyValue(line, "##$YMIN_p", v)) {
            p.YMIN_p = RoundToInt<std::int32_t>(LeadingNumber(v));
            log("YMIN_p=" + std::to_string(p.YMIN_p));
        } else if (KeyValue(line, "##$SF", v)) {
            p.SF = LeadingNumber(v);
            p.SFRead = true;
            log("SF=" + Num(p.SF));
        } else if (KeyValue(line, "##$BYTORDP", v)) {
            p.BYTORDP = RoundToInt<std::int16_t>(LeadingNumber(v));
            p.BYTORDPRead = true;
            p.BigEndian = (p.BYTORDP == 1);
            log("BYTORDP=" + std::to_string(p.BYTORDP));
        }
        return true;
    });
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
    const std::string folder = FindAcqusFolder(p.SpectrumPath);
    if (folder.empty()) return Failure(OpenStatus::AcqusMissing, kErrorTitle, kAcqusMissingText);
    p.AcqusMissing = false;

    const std::string path = folder == "/" ? "/acqus" : folder + "/acqus";
    p.List4.push_back(path);
    std::string text;
    if (!ReadWholeFile(path, text)) return Refusal("unable to read file acqus!", path);

    ForEachLine(text, [&p](std::string_view line) {
        std::string_view v;
        auto log = [&p, line](const std::string& label) {
            p.List4.emplace_back(line);
            p.List4.push_back(label);
        };
        if (KeyValue(line, "##$NUC1", v)) {
            p.Nucleus = std::string(v);
            log("Nucleus=" + p.Nucleus);
        } else if (KeyValue(line, "##$O1", v)) {
            p.O1 = LeadingNumber(v);
            log("O1=" + Num(p.O1));
        } else if (KeyValue(line, "##$SFO1", v)) {
            p.SFO1 = LeadingNumber(v);
            log("SFO1=" + Num(p.SFO1));
        } else if (KeyValue(line, "##$SOLVENT", v)) {
            p.Solvent = std::string(v);
            log("Solvent=" + p.Solvent);
        } else if (KeyValue(line, "##$SW=", v)) {
            p.SW = LeadingNumber(v);
            log("SW=" + Num(p.SW));
        } else if (KeyValue(line, "##$SW_h", v)) {
            p.SWh = LeadingNumber(v);
            log("SWh=" + Num(p.SWh));
        } else if (KeyValue(line, "##$TD", v)) {
            p.TD = RoundToInt<std::int32_t>(LeadingNumber(v));
            log("TD=" + std::to_string(p.TD));
            return false;  // the keys we need all come before TD
        } else if (KeyValue(line, "##$BF1", v)) {
            p.BF1 = LeadingNumber(v);
            p.BF1Read = true;
            log("BF1=" + Num(p.BF1));
        } else if (KeyValue(line, "##$BYTORDA", v)) {
            p.BYTORDA = RoundToInt<std::int16_t>(LeadingNumber(v));
            p.BYTORDARead = true;
            log("BYTORDA=" + std::to_string(p.BYTORDA));
        }
        return true;
    });

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

ReferenceOutcome ForceByteOrder(BrukerSpectrum& s, bool bigEndian) {
    s.BigEndian = bigEndian;
    return LittleBig(s);
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
        if (next.Nucleus != "<1H>") return fail(Failure(OpenStatus::WrongNucleus, kOnly1HTitle, kOnly1HText));
        if (!AxisParametersUsable(next)) {
            return fail(Refusal("the file acqus has no usable SFO1, O1 or SW_h values!", next.List4.front()));
        }
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

}  // namespace

OpenResult OpenNMRFile(BrukerSpectrum& s) { return OpenInto(s, s.SpectrumPath, s.ReadAcqus); }

OpenResult OpenFull(BrukerSpectrum& s, const std::string& chosenPath) {
    if (LastName(chosenPath) != "1r") {
        return Failure(OpenStatus::FileTypeUnsupported, kFileTypeUnsupportedTitle, kFileTypeUnsupportedText);
    }
    return OpenInto(s, chosenPath, true);
}

OpenResult OpenWithoutAcqus(BrukerSpectrum& s, const std::string& chosenPath) {
    return OpenInto(s, chosenPath, false);
}

}  // namespace quble
