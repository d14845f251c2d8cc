// One processed Bruker proton spectrum: the `1r` intensities, the values of
// `procs` and `acqus` that matter to us, and the Hz axis built from them.
//
// Everything here works on an explicit state object and reports failures as
// a result value; the experimental window turns a failed result into its
// message box and loops on "File type unsupported" itself.
//
// Data arrays count from 1 (slot 0 unused) so the procedures read like the
// program's long-standing numbering: point 1 is the leftmost, highest
// frequency point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quble {

// Intensities 1..NPont (slot 0 unused) whose storage the spectrum, its
// byte-order array and the simulator's copy share: a copy costs a reference
// count, not megabytes. The storage never changes while shared; Edit() gives
// a private copy first when anyone else still holds it.
class IntensityArray {
public:
    using value_type = std::int32_t;
    using const_iterator = const std::int32_t*;
    using iterator = const_iterator;

    IntensityArray() = default;
    explicit IntensityArray(std::vector<std::int32_t> values);

    std::size_t size() const { return p_ ? p_->size() : 0; }
    bool empty() const { return size() == 0; }
    std::int32_t operator[](std::size_t i) const { return (*p_)[i]; }
    const std::int32_t* data() const { return p_ ? p_->data() : nullptr; }
    const std::int32_t* begin() const { return data(); }
    const std::int32_t* end() const { return data() + size(); }

    // n copies of value in storage of its own (sharers keep the old values).
    void assign(std::size_t n, std::int32_t value);
    // Storage nobody else sees, to write into.
    std::vector<std::int32_t>& Edit();
    std::vector<std::int32_t> ToVector() const { return p_ ? *p_ : std::vector<std::int32_t>(); }
    bool SharesStorageWith(const IntensityArray& o) const { return p_ && p_ == o.p_; }

    friend bool operator==(const IntensityArray& a, const IntensityArray& b);
    friend bool operator==(const IntensityArray& a, const std::vector<std::int32_t>& b);

private:
    friend struct SpectrumStorage;
    std::shared_ptr<std::vector<std::int32_t>> p_;
};

// A linear Hz axis over points 1..n, point i reading first - (i - 1) x step,
// together with the calibrations applied to it since. It stands for the
// array of one double per point that such an axis would otherwise need, and
// yields exactly the values that array would hold: every calibration
// subtracts its shift from each point in turn, and a calibration may set
// one point to an exact value. Slot 0 reads 0, like the unused array slot.
class HzAxis {
public:
    HzAxis() = default;
    HzAxis(double first, double step, std::int64_t points) : first_(first), step_(step), n_(points) {}

    // Points plus the unused slot 0, like the array it replaces; 0 when empty.
    std::size_t size() const { return n_ > 0 ? static_cast<std::size_t>(n_) + 1 : 0; }
    bool empty() const { return n_ <= 0; }
    std::int64_t points() const { return n_; }
    double operator[](std::int64_t i) const;

    // Every point moves down by `by`.
    void Shift(double by) { moves_.push_back({by, 0, 0.0}); }
    // Every point moves down by `by`, then `point` reads exactly `value`.
    void ShiftAndSet(double by, std::int64_t point, double value) { moves_.push_back({by, point, value}); }

    std::vector<double> ToVector() const;  // slot 0 included

    friend bool operator==(const HzAxis& a, const HzAxis& b);
    friend bool operator==(const HzAxis& a, const std::vector<double>& b);

private:
    struct Move {
        double shift;
        std::int64_t setPoint;  // 0: none
        double setValue;
    };
    double first_ = 0.0;
    double step_ = 0.0;
    std::int64_t n_ = 0;
    std::vector<Move> moves_;
};

// A 1r larger than this cannot be a 1D spectrum; refusing it before
// allocating keeps a mistaken pick (a 2D ser file renamed, say) from
// exhausting memory. 16M points is 64 MiB of data.
constexpr std::int64_t kMaxSpectrumPoints = std::int64_t{16} * 1024 * 1024;

// Parameters that persist from one opening to the next (an opening without
// acqus reuses them), plus the opening flags and the diagnostic lists.
struct BrukerParameters {
    // --- procs ---
    double ABSF1 = 0.0;
    double ABSF2 = 0.0;
    std::int32_t YMAX_p = 0;
    std::int32_t YMIN_p = 0;
    double SF = 0.0;              // MHz
    std::int16_t BYTORDP = 0;

    // --- acqus ---
    std::string Nucleus;          // "<1H>" for a proton spectrum
    double O1 = 0.0;              // Hz
    double SFO1 = 0.0;            // MHz
    std::string Solvent;
    double SW = 0.0;              // ppm
    double SWh = 0.0;             // Hz
    std::int32_t TD = 0;
    double BF1 = 0.0;             // MHz, basic frequency; with SF gives the spectrometer's zero
    std::int16_t BYTORDA = 0;     // byte order of the acquisition, a fallback when procs has none

    // Which keys the last reading actually met. A value persisting from an
    // earlier file must not be mistaken for one of this file.
    bool SFRead = false;
    bool BF1Read = false;
    bool BYTORDPRead = false;
    bool BYTORDARead = false;
    bool NucleusRead = false;

    // --- derived from acqus ---
    double FirstPointHz = 0.0;    // SWh / 2 + O1
    double LastPointHz = 0.0;     // O1 - SWh / 2
    double FirstPointDelta = 0.0; // ppm
    double LastPointDelta = 0.0;
    double SFMeu = 0.0;           // SFO1 - O1 / 1e6, MHz: Hz to ppm on the drawn axis

    // --- flags and paths ---
    bool ReadAcqus = true;
    bool BigEndian = true;
    bool AcqusMissing = false;
    bool OpenCancelled = false;   // the opening was abandoned; the simulator reads and resets it
    bool AutoAdjustTMS = false;   // the next reference search moves the axis
    std::int32_t NPointsSearch = 240;
    std::string SpectrumPath;     // the chosen 1r, "/" separated
    std::string Title;            // caption of the title label

    // Diagnostic lines "name=value" for procs (List3) and acqus (List4).
    std::vector<std::string> List3;
    std::vector<std::string> List4;
};

// Storage kept between openings: the intensity buffer of the spectrum before
// the current one, when nothing else holds it any more. The next opening
// reads into it instead of faulting in fresh memory.
struct SpectrumStorage {
    std::shared_ptr<std::vector<std::int32_t>> spare;

    // A buffer of n + 1 words for the next opening, recycled when possible.
    // Its contents are unspecified.
    std::shared_ptr<std::vector<std::int32_t>> Take(std::size_t words);
    // Keeps a's storage as the spare when a was its only holder.
    void Recycle(IntensityArray&& a);
    static IntensityArray Wrap(std::shared_ptr<std::vector<std::int32_t>> p) {
        IntensityArray a;
        a.p_ = std::move(p);
        return a;
    }
};

// The opened spectrum. A new opening builds a fresh object and replaces the
// old one only when everything was read, so a failed opening never leaves a
// half-replaced spectrum behind.
struct BrukerSpectrum : BrukerParameters {
    std::int32_t NPont = 0;
    std::int32_t NPontExp = 0;
    std::int64_t FileSizeBytes = 0;
    double HzPerPoint = 0.0;

    // Raw words in each byte order; only the order read at the opening is
    // filled, the other stays empty (and reads as all zero). The filled one
    // shares its storage with Ygraf and ExpYgraf.
    IntensityArray LittleEndianData;
    IntensityArray BigEndianData;
    // Per byte order: maxima start at 0 and minima at 10000, not at the
    // first value.
    std::int32_t LittleMax = 0, LittleMin = 10000;
    std::int32_t BigMax = 0, BigMin = 10000;

    IntensityArray Ygraf;              // 1..NPont
    HzAxis XnmrHz;                     // 1..NPont, falls with the index
    std::int32_t YMax = 0;
    std::int32_t YMin = 10000;

    // Copies handed to the simulator window.
    IntensityArray ExpYgraf;
    HzAxis ExpXnmrHz;

    // Reference search result: NTMS = 0 when no reference peak was accepted.
    std::int32_t NTMS = 0;
    double TMSHz = 0.0;
    std::string ReferenceCaption = "Reference: None";   // Label5

    SpectrumStorage Storage;
};

enum class OpenStatus {
    Opened,
    FileTypeUnsupported,  // the chosen file is not named "1r": ask, and try again on Yes
    AcqusMissing,
    WrongNucleus,
    Refused,              // unreadable or unusable files
};

// What the reference search found; the window tells the user when an
// automatic calibration was asked for and nothing was accepted.
struct ReferenceOutcome {
    bool searched = false;        // false when the opening did not read acqus
    bool found = false;
    bool adjusted = false;        // the axis was moved
    std::int32_t NTMS = 0;
    double TMSHz = 0.0;
    std::int64_t candidates = 0;
    double noiseMedian = 0.0;     // robust baseline level of the data
    double noiseSigma = 0.0;      // robust noise standard deviation
    std::string message;          // non-empty: tell the user (title "Reference")
};

struct OpenResult {
    OpenStatus status = OpenStatus::Opened;
    std::string title;            // message box title
    std::string text;             // message box text, lines joined by CR LF
    ReferenceOutcome reference;
    bool ok() const { return status == OpenStatus::Opened; }
};

// Message texts of the program.
extern const char* const kFileTypeUnsupportedTitle;
extern const char* const kFileTypeUnsupportedText;
extern const char* const kOnly1HTitle;
extern const char* const kOnly1HText;
extern const char* const kErrorTitle;
extern const char* const kAcqusMissingText;

// The chosen path made whole and plain ("/", no "." or ".." parts, no
// trailing "/"), so the walk up its folders finds what the path names.
std::string NormalPath(const std::string& path);

// Path helpers on "/" separated paths.
std::string LastName(std::string_view s);    // text after the last "/", "" without one
std::string RemoveLast(std::string_view s);  // text before the last "/", "" without one

// "&Open": ReadAcqus := True, check the name, then OpenNMRFile. A name other
// than "1r" returns FileTypeUnsupported and changes nothing; the window asks
// and, on No, sets OpenCancelled itself.
OpenResult OpenFull(BrukerSpectrum& s, const std::string& chosenPath);
// "Open Without Reading acqus File": keeps the previous axis parameters and
// byte order.
OpenResult OpenWithoutAcqus(BrukerSpectrum& s, const std::string& chosenPath);
// Reads s.SpectrumPath (and, when s.ReadAcqus, procs and acqus). On success
// s holds the new spectrum; on failure s keeps its spectrum, and every
// failure but a missing acqus sets OpenCancelled.
OpenResult OpenNMRFile(BrukerSpectrum& s);

// Steps of OpenNMRFile, usable on their own. ReadParameters reads the procs
// beside SpectrumPath; ReadAcqusFile finds and reads acqus. Both return an
// ok result or the failure to report.
OpenResult ReadParameters(BrukerParameters& p);
OpenResult ReadAcqusFile(BrukerParameters& p);
// Folder holding "acqus", walking up at most four folders from the chosen
// file; "" when none holds it.
std::string FindAcqusFolder(const std::string& chosenPath);
void FindTitle(BrukerParameters& p);
// Ygraf from the current byte order, the Hz axis, then the reference search.
ReferenceOutcome LittleBig(BrukerSpectrum& s);
// The user forces the byte order (labels "Little endian" / "Big endian").
ReferenceOutcome ForceByteOrder(BrukerSpectrum& s, bool bigEndian);

}  // namespace quble
