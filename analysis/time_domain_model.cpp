#include "analysis/time_domain_model.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <numbers>

namespace quble::analysis {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kLn2 = std::numbers::ln2;

// The grid spans this many times the region, so the copies its period
// folds in lie at least three region widths away.
constexpr std::size_t kPadding = 4;
// The decay is cut at t = 1 / df_model, where the Lorentzian part is
// exp(-2 pi hw / df_model) of its start; 16 leaves about 6e-8 of a line's
// height, some hundred times below the noise of any real spectrum, and a
// finer grid costs time in proportion (for the usual 0.9 Hz lines at
// 0.15 Hz a point this keeps the grid unrefined).
constexpr double kTruncationExponent = 16.0;
// Beyond this the FFT is no longer the cheap way (lines far narrower than
// the point spacing); the caller evaluates directly.
constexpr std::size_t kMaxGrid = std::size_t{1} << 22;
// Recurrences advance the rotations and decays; every so many steps they
// restart from exact values so rounding cannot build up.
constexpr std::size_t kBlock = 256;

// The smallest 2^a 3^b 5^c >= n: sizes FFTW handles fastest.
std::size_t GoodSize(std::size_t n) {
    std::size_t best = std::size_t{1} << 62;
    for (std::size_t p5 = 1; p5 < best; p5 *= 5) {
        for (std::size_t p35 = p5; p35 < best; p35 *= 3) {
            std::size_t v = p35;
            while (v < n) v *= 2;
            best = std::min(best, v);
        }
    }
    return best;
}

// FFTW's planner is not thread-safe (fits run on a background thread of the
// application); executing a plan on other arrays is. Plans live for the
// program's life, one per size.
fftw_plan PlanFor(std::size_t n) {
    static std::mutex mutex;
    static std::map<std::size_t, fftw_plan> plans;
    std::lock_guard lock(mutex);
    auto it = plans.find(n);
    if (it != plans.end()) return it->second;
    auto* in = fftw_alloc_complex(n);
    auto* out = fftw_alloc_complex(n);
    fftw_plan plan = fftw_plan_dft_1d(static_cast<int>(n), in, out, FFTW_FORWARD, FFTW_ESTIMATE);
    fftw_free(in);
    fftw_free(out);
    plans.emplace(n, plan);
    return plan;
}

std::complex<double>* Allocate(std::size_t n) { return reinterpret_cast<std::complex<double>*>(fftw_alloc_complex(n)); }

void Release(std::complex<double>* p) {
    if (p) fftw_free(reinterpret_cast<fftw_complex*>(p));
}

inline double IntPow(double x, int n) {
    double r = 1.0;
    for (; n > 0; n >>= 1, x *= x)
        if (n & 1) r *= x;
    return r;
}

// Sum over p != 0 of 1 / (x + p)^2, the folded copies of a 1 / x^2 tail on a
// grid of period 1, and its derivative by x; near x = 0 from the series
// (the closed form cancels there).
void FoldedTail(double x, double* g, double* dg) {
    const double pi2 = kPi * kPi, x2 = x * x;
    if (std::abs(x) < 0.1) {
        *g = pi2 / 3.0 + pi2 * pi2 * x2 / 15.0 + 2.0 * pi2 * pi2 * pi2 * x2 * x2 / 189.0 +
             pi2 * pi2 * pi2 * pi2 * x2 * x2 * x2 / 675.0;
        *dg = 2.0 * pi2 * pi2 * x / 15.0 + 8.0 * pi2 * pi2 * pi2 * x2 * x / 189.0 +
              6.0 * pi2 * pi2 * pi2 * pi2 * x2 * x2 * x / 675.0;
        return;
    }
    const double sn = std::sin(kPi * x), cs = std::cos(kPi * x);
    *g = pi2 / (sn * sn) - 1.0 / x2;
    *dg = -2.0 * pi2 * kPi * cs / (sn * sn * sn) + 2.0 / (x2 * x);
}

}  // namespace

std::optional<UniformAxis> FindUniformAxis(std::span<const double> hz) {
    if (hz.size() < 2) return std::nullopt;
    const double step = (hz.back() - hz.front()) / static_cast<double>(hz.size() - 1);
    if (!(std::abs(step) > 0.0) || !std::isfinite(step)) return std::nullopt;
    const double tol = 1e-6 * std::abs(step);
    for (std::size_t i = 0; i < hz.size(); ++i) {
        if (!(std::abs(hz[i] - (hz.front() + static_cast<double>(i) * step)) <= tol)) return std::nullopt;
    }
    UniformAxis a;
    a.descending = step < 0.0;
    a.stepHz = std::abs(step);
    a.lowHz = std::min(hz.front(), hz.back());
    return a;
}

TimeDomainModel::TimeDomainModel(UniformAxis axis, std::size_t points) : axis_(axis), points_(points) {}

TimeDomainModel::~TimeDomainModel() {
    Release(signals_);
    Release(packed_);
    Release(spectrum_);
}

TimeDomainModel::Grid TimeDomainModel::GridFor(double minHalfWidthHz) const {
    Grid g;
    if (!(minHalfWidthHz > 0.0) || points_ < 2) return g;
    const double need = kTruncationExponent * axis_.stepHz / (2.0 * kPi * minHalfWidthHz);
    if (!(need < static_cast<double>(kMaxGrid))) return g;
    g.oversample = std::max(1, static_cast<int>(std::ceil(need)));
    const std::size_t want = kPadding * points_ * static_cast<std::size_t>(g.oversample);
    if (want > kMaxGrid) return g;
    g.size = GoodSize(want);
    return g;
}

void TimeDomainModel::AddSignal(const TimeDomainHydrogen& h, double f, int lorentzSlot, std::span<const int> slotOf,
                                std::size_t n, double nu0, double dt) {
    const double hw = h.halfWidthHz;
    auto slot = [&](int column) { return column >= 0 && static_cast<std::size_t>(column) < slotOf.size() ? slotOf[column] : -1; };
    std::complex<double>* model = signals_;
    std::complex<double>* dShift = slot(h.shiftColumn) >= 0 ? signals_ + slot(h.shiftColumn) * n : nullptr;
    std::complex<double>* dWidth = slot(h.halfWidthColumn) >= 0 ? signals_ + slot(h.halfWidthColumn) * n : nullptr;
    std::complex<double>* dLorentz = lorentzSlot >= 0 ? signals_ + lorentzSlot * n : nullptr;
    const std::size_t ng = h.groups.size();
    std::vector<std::complex<double>*> dJ(ng, nullptr);
    bool anyJ = false;
    for (std::size_t g = 0; g < ng; ++g) {
        const int s = g < h.jColumns.size() ? slot(h.jColumns[g]) : -1;
        if (s >= 0) {
            dJ[g] = signals_ + s * n;
            anyJ = true;
        }
    }
    // Past the point where the envelope is below 1e-22 of its start the
    // signal adds nothing; the Gaussian part alone ends far sooner.
    const bool lorentzPart = f > 0.0 || dLorentz;
    const double tEnd = lorentzPart ? 50.0 / (2.0 * kPi * hw) : std::sqrt(50.0 * kLn2) / (kPi * hw);
    const std::size_t kEnd = std::min(n, static_cast<std::size_t>(std::ceil(tEnd / dt)) + 1);

    const double lorentzTop = kPi * hw, gaussTop = hw * std::sqrt(kPi / kLn2);
    const double lorentzRate = 2.0 * kPi * hw * dt;     // per step
    const double gaussRate = std::pow(kPi * hw * dt, 2) / kLn2;  // times k^2
    const double rotation = 2.0 * kPi * (h.shiftHz - nu0) * dt;
    const std::complex<double> dz = std::polar(1.0, rotation);
    const double lorentzStep = std::exp(-lorentzRate);
    std::vector<std::complex<double>> w(ng), dw(ng);
    std::vector<double> factor(ng), dFactor(ng), prefix(ng + 1), suffix(ng + 1);
    for (std::size_t g = 0; g < ng; ++g) dw[g] = std::polar(1.0, kPi * h.groups[g].jHz * dt);
    const double gaussStepSquare = std::exp(-2.0 * gaussRate);

    for (std::size_t k0 = 0; k0 < kEnd; k0 += kBlock) {
        const double kk0 = static_cast<double>(k0);
        std::complex<double> z = std::polar(1.0, rotation * kk0);
        double lor = lorentzTop * std::exp(-lorentzRate * kk0);
        // Once the Gaussian part is gone, exp() is not asked to underflow
        // (its slow path) at every block.
        const bool gaussGone = gaussRate * kk0 * kk0 > 700.0;
        double gau = gaussGone ? 0.0 : gaussTop * std::exp(-gaussRate * kk0 * kk0);
        double gaussStep = gaussGone ? 0.0 : std::exp(-gaussRate * (2.0 * kk0 + 1.0));
        for (std::size_t g = 0; g < ng; ++g) w[g] = std::polar(1.0, kPi * h.groups[g].jHz * dt * kk0);
        const std::size_t k1 = std::min(kEnd, k0 + kBlock);
        for (std::size_t k = k0; k < k1; ++k) {
            const double t = static_cast<double>(k) * dt;
            double product = 1.0;
            if (anyJ) {
                prefix[0] = 1.0;
                for (std::size_t g = 0; g < ng; ++g) {
                    const int c = h.groups[g].count;
                    const double cosine = w[g].real();
                    const double lower = IntPow(cosine, c - 1);
                    factor[g] = lower * cosine;
                    dFactor[g] = c * lower * (-kPi * t * w[g].imag());
                    prefix[g + 1] = prefix[g] * factor[g];
                }
                suffix[ng] = 1.0;
                for (std::size_t g = ng; g-- > 0;) suffix[g] = suffix[g + 1] * factor[g];
                product = prefix[ng];
            } else {
                for (std::size_t g = 0; g < ng; ++g) product *= IntPow(w[g].real(), h.groups[g].count);
            }
            const double envelope = f * lor + (1.0 - f) * gau;
            const std::complex<double> zEnv = z * (h.amplitude * envelope);
            const std::complex<double> s = zEnv * product;
            model[k] += s;
            if (dShift) dShift[k] += std::complex<double>(0.0, 2.0 * kPi * t) * s;
            if (dWidth) {
                const double u = kPi * hw * t;
                const double dEnv = (f * lor * (1.0 - 2.0 * u) + (1.0 - f) * gau * (1.0 - 2.0 * u * u / kLn2)) / hw;
                dWidth[k] += z * (product * (h.amplitude * dEnv + h.amplitudeSlope * envelope));
            }
            if (dLorentz) dLorentz[k] += z * (product * h.amplitude * (lor - gau));
            if (anyJ) {
                for (std::size_t g = 0; g < ng; ++g)
                    if (dJ[g]) dJ[g][k] += zEnv * (prefix[g] * suffix[g + 1] * dFactor[g]);
            }
            z *= dz;
            lor *= lorentzStep;
            gau *= gaussStep;
            gaussStep *= gaussStepSquare;
            if (gau < 1e-300) gau = gaussStep = 0.0;
            for (std::size_t g = 0; g < ng; ++g) w[g] *= dw[g];
        }
    }
}

bool TimeDomainModel::Evaluate(std::span<const TimeDomainHydrogen> hydrogens, double f, int lorentzColumn,
                               std::span<double> values, double* jacobian, int columns) {
    if (hydrogens.empty()) return true;
    double minHw = hydrogens.front().halfWidthHz;
    for (const auto& h : hydrogens) minHw = std::min(minHw, h.halfWidthHz);
    const Grid grid = GridFor(minHw);
    if (grid.size == 0) return false;
    const std::size_t n = grid.size;
    const std::size_t q = static_cast<std::size_t>(grid.oversample);
    const double dfModel = axis_.stepHz / static_cast<double>(q);
    // The region sits in the middle of the grid, on model points.
    const std::size_t first = (n / q - points_) / 2 * q;
    const double nu0 = axis_.lowHz - static_cast<double>(first) * dfModel;
    const double dt = 1.0 / (static_cast<double>(n) * dfModel);

    // Slot 0 is the model; each column asked for gets one slot.
    std::vector<int> slotOf(jacobian ? static_cast<std::size_t>(std::max(columns, 0)) : 0, -1);
    int slots = 1;
    auto claim = [&](int column) {
        if (column >= 0 && static_cast<std::size_t>(column) < slotOf.size() && slotOf[column] < 0) slotOf[column] = slots++;
    };
    for (const auto& h : hydrogens) {
        claim(h.shiftColumn);
        claim(h.halfWidthColumn);
        for (int c : h.jColumns) claim(c);
    }
    claim(lorentzColumn);
    const int lorentzSlot = lorentzColumn >= 0 && static_cast<std::size_t>(lorentzColumn) < slotOf.size() ? slotOf[lorentzColumn] : -1;

    const std::size_t need = static_cast<std::size_t>(slots) * n;
    if (signalCapacity_ < need) {
        Release(signals_);
        signals_ = Allocate(need);
        signalCapacity_ = need;
    }
    if (gridCapacity_ < n) {
        Release(packed_);
        Release(spectrum_);
        packed_ = Allocate(n);
        spectrum_ = Allocate(n);
        gridCapacity_ = n;
    }
    std::fill(signals_, signals_ + need, std::complex<double>(0.0, 0.0));
    for (const auto& h : hydrogens) AddSignal(h, f, lorentzSlot, slotOf, n, nu0, dt);

    // Each slot's spectrum is 2 Re of its one-sided sum less the doubled
    // first sample, which is the FFT of the Hermitian signal
    // e_k = s_k + conj(s_{n-k}), e_0 = Re s_0. That FFT is real, so two
    // slots share one transform: FFT(e_a + i e_b) = E_a + i E_b.
    std::vector<int> columnOfSlot(static_cast<std::size_t>(slots), -1);
    for (std::size_t c = 0; c < slotOf.size(); ++c)
        if (slotOf[c] >= 0) columnOfSlot[static_cast<std::size_t>(slotOf[c])] = static_cast<int>(c);
    const fftw_plan plan = PlanFor(n);
    auto hermitian = [n](const std::complex<double>* s, std::size_t k) {
        return k == 0 ? std::complex<double>(s[0].real(), 0.0) : s[k] + std::conj(s[n - k]);
    };
    auto store = [&](int slot, std::size_t i, double v) {
        if (slot == 0) {
            values[i] += v;
        } else {
            const auto c = static_cast<std::size_t>(columnOfSlot[static_cast<std::size_t>(slot)]);
            jacobian[c * points_ + i] += v;
        }
    };
    const std::complex<double> imag(0.0, 1.0);
    for (int a = 0; a < slots; a += 2) {
        const int b = a + 1 < slots ? a + 1 : -1;
        const std::complex<double>* sa = signals_ + static_cast<std::size_t>(a) * n;
        const std::complex<double>* sb = b >= 0 ? signals_ + static_cast<std::size_t>(b) * n : nullptr;
        for (std::size_t k = 0; k < n; ++k) packed_[k] = hermitian(sa, k) + (sb ? imag * hermitian(sb, k) : 0.0);
        fftw_execute_dft(plan, reinterpret_cast<fftw_complex*>(packed_), reinterpret_cast<fftw_complex*>(spectrum_));
        for (std::size_t i = 0; i < points_; ++i) {
            const std::size_t m = first + q * (axis_.descending ? points_ - 1 - i : i);
            store(a, i, dt * spectrum_[m].real());
            if (b >= 0) store(b, i, dt * spectrum_[m].imag());
        }
    }
    // The grid's period W folds every Lorentzian's tail back in, f hw^2 / d^2
    // from each copy at distance d. Seen from the region the copies are far
    // away, so a hydrogen's lines act as one of its total intensity (1) at its
    // shift; taking that off leaves about 1e-3 of the folded part.
    const double period = 1.0 / dt;
    for (const auto& h : hydrogens) {
        const double hw = h.halfWidthHz;
        auto column = [&](int c) {
            return jacobian && c >= 0 && static_cast<std::size_t>(c) < slotOf.size() ? jacobian + static_cast<std::size_t>(c) * points_
                                                                                      : nullptr;
        };
        double* cShift = column(h.shiftColumn);
        double* cWidth = column(h.halfWidthColumn);
        double* cLorentz = column(lorentzColumn);
        const double w2 = 1.0 / (period * period);
        for (std::size_t i = 0; i < points_; ++i) {
            const double nu = axis_.lowHz + axis_.stepHz * static_cast<double>(axis_.descending ? points_ - 1 - i : i);
            double g = 0.0, dg = 0.0;
            FoldedTail((nu - h.shiftHz) / period, &g, &dg);
            const double amp = h.amplitude;
            values[i] -= amp * f * hw * hw * g * w2;
            if (cShift) cShift[i] += amp * f * hw * hw * dg * w2 / period;
            if (cWidth) cWidth[i] -= (2.0 * amp * f * hw + h.amplitudeSlope * f * hw * hw) * g * w2;
            if (cLorentz) cLorentz[i] -= amp * hw * hw * g * w2;
        }
    }
    return true;
}

}  // namespace quble::analysis
