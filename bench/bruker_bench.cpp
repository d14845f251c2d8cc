// Opening a 524288-point processed spectrum (2 MiB of 1r with its procs and
// acqus) through the full "&Open" path: parameter files, nucleus check,
// data, byte order, Hz axis, reference search and the simulator's copies.
// The same BrukerSpectrum is opened again and again, as in the window,
// where each opening replaces the previous spectrum.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "experimental/bruker_spectrum.h"

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kPoints = 524288;

// Writes sample/1/{acqus,pdata/1/procs,pdata/1/1r} under a fresh temporary
// folder: a noisy baseline, a few multiplets and a TMS peak near 0 Hz.
fs::path WriteLargeSpectrum() {
    const fs::path root = fs::temp_directory_path() / ("quble_bruker_bench_" + std::to_string(::getpid()));
    const fs::path exp = root / "sample" / "1";
    fs::create_directories(exp / "pdata" / "1");
    std::ofstream(exp / "acqus", std::ios::binary) << "##TITLE= Parameter file\n##$BF1= 400.13\n##$BYTORDA= 0\n"
                                                     "##$NUC1= <1H>\n##$O1= 2470.97\n##$SFO1= 400.13247097\n"
                                                     "##$SOLVENT= <CDCl3>\n##$SW= 24.03\n##$SW_h= 9615.38461538462\n"
                                                     "##$TD= 80126\n##END=\n";
    std::ofstream(exp / "pdata" / "1" / "procs", std::ios::binary)
        << "##TITLE= Parameter file\n##$ABSF1= 18.19\n##$ABSF2= -5.83\n##$BYTORDP= 0\n##$SF= 400.13\n"
           "##$YMAX_p= 400000000\n##$YMIN_p= -200000\n##END=\n";
    std::vector<std::int32_t> y(static_cast<std::size_t>(kPoints));
    std::uint32_t state = 1;
    const double h = 9615.38461538462 / static_cast<double>(kPoints - 1);
    const double tms = static_cast<double>(kPoints) / 2.0 + 2470.97 / h;
    for (std::int64_t i = 0; i < kPoints; ++i) {
        state = state * 1664525u + 1013904223u;
        double v = static_cast<double>(state >> 20) - 2048.0;
        for (double centre : {0.2 * kPoints, 0.35 * kPoints, 0.6 * kPoints, tms}) {
            const double d = (static_cast<double>(i) - centre) / 6.0;
            v += 4.0e8 / (1.0 + d * d);
        }
        y[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(v);
    }
    std::ofstream(exp / "pdata" / "1" / "1r", std::ios::binary)
        .write(reinterpret_cast<const char*>(y.data()), static_cast<std::streamsize>(y.size() * 4));
    return root;
}

// Every iteration is a complete "&Open" from the files on disk (the page
// cache holds them): procs, the walk up to acqus, acqus, the nucleus check,
// the 1r data, byte order and extrema, the Hz axis and the reference search
// with its log, and the simulator's copies. The reference search runs at
// every opening that reads acqus; autoAdjust only decides whether the axis
// is moved to the peak found.
void OpenRepeatedly(benchmark::State& st, bool autoAdjust) {
    const fs::path root = WriteLargeSpectrum();
    const std::string path = (root / "sample" / "1" / "pdata" / "1" / "1r").string();
    quble::BrukerSpectrum s;
    s.AutoAdjustTMS = autoAdjust;
    for (auto _ : st) {
        quble::OpenResult r = quble::OpenFull(s, path);
        if (!r.ok()) {
            st.SkipWithError(r.text.c_str());
            break;
        }
        benchmark::DoNotOptimize(s.Ygraf.data());
        benchmark::DoNotOptimize(s.XnmrHz[s.NPont]);
        benchmark::ClobberMemory();
    }
    if (s.NPont != kPoints || s.NTMS == 0) st.SkipWithError("the spectrum or its reference was not read");
    if (autoAdjust && s.XnmrHz[s.NTMS] != 0.0) st.SkipWithError("the axis was not moved to the reference");
    st.counters["points"] = static_cast<double>(s.NPont);
    std::error_code ec;
    fs::remove_all(root, ec);
}

// The first opening of a window: a new BrukerSpectrum each time, so no
// buffer of an earlier spectrum is there to be reused and the data land in
// freshly mapped memory. Destroying the spectrum is part of the cost.
void BM_OpenBrukerSpectrum524kFirstOpening(benchmark::State& st) {
    const fs::path root = WriteLargeSpectrum();
    const std::string path = (root / "sample" / "1" / "pdata" / "1" / "1r").string();
    std::int32_t ntms = 0;
    for (auto _ : st) {
        quble::BrukerSpectrum s;
        s.AutoAdjustTMS = true;
        quble::OpenResult r = quble::OpenFull(s, path);
        if (!r.ok()) {
            st.SkipWithError(r.text.c_str());
            break;
        }
        benchmark::DoNotOptimize(s.Ygraf.data());
        ntms = s.NTMS;
    }
    if (ntms == 0) st.SkipWithError("the reference was not found");
    std::error_code ec;
    fs::remove_all(root, ec);
}

// Automatic calibration on: the axis is moved so that TMS reads 0 Hz.
void BM_OpenBrukerSpectrum524k(benchmark::State& st) { OpenRepeatedly(st, true); }
// Automatic calibration off: the same search, the axis stays as built.
void BM_OpenBrukerSpectrum524kNoAutoAdjust(benchmark::State& st) { OpenRepeatedly(st, false); }

}  // namespace

BENCHMARK(BM_OpenBrukerSpectrum524k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenBrukerSpectrum524kNoAutoAdjust)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenBrukerSpectrum524kFirstOpening)->Unit(benchmark::kMillisecond);
