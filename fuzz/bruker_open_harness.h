// The Bruker opening as one function of bytes, shared by the libFuzzer
// target and the regression test that replays the inputs it found.
//
// An input is up to four parts joined by kBrukerPartSeparator: procs, acqus,
// 1r and a list of commands. The three files are written into a scratch
// experiment folder (a part that is missing leaves its file out), the
// spectrum is opened as "&Open" does, and every command byte then drives one
// of the window's operations: byte order, view commands, reference search
// and calibration, readings, the picture. After each the axis is laid out
// and drawn. Any crash, sanitizer report, hang, or non-finite value in a
// result is a fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quble::fuzz {

inline constexpr const char* kBrukerPartSeparator = "\n--quble-part--\n";

// Runs one input in folder (made when missing; its files are overwritten).
void RunBrukerOpening(const std::uint8_t* data, std::size_t size, const std::string& folder);

// Seeds from the real sets below realdataFolder (each acqus with its procs
// and the first maxDataBytes of its 1r) and from the generated examples.
std::vector<std::string> BrukerSeeds(const std::string& realdataFolder, std::size_t maxDataBytes);

}  // namespace quble::fuzz
