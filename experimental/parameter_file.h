// Reading the parameter files beside a processed spectrum (procs, acqus):
// "##$KEY= value" lines of text. The files come from spectrometers of every
// generation, from other programs and from damaged disks or network
// folders, so everything here refuses what it cannot read with a reason
// instead of guessing, and never blocks or runs out of memory on a file
// that is not what it claims to be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_read.h"

namespace quble {

// Real parameter files are under 50 KB; a few megabytes leave room for any
// writer while keeping a mistaken pick (a device, a huge file) out.
constexpr std::int64_t kMaxParameterFileBytes = std::int64_t{4} * 1024 * 1024;

// The whole of a parameter file, at most kMaxParameterFileBytes. False with
// why set ("cannot be read: ...", "is too large ...") otherwise.
bool ReadParameterText(const std::string& path, std::string& out, std::string& why);

// What makes a parameter file's content unreadable as text, empty when
// nothing does: an empty file, or bytes that no text of these files holds
// (NUL bytes, as in UTF-16 text).
std::string TextProblem(std::string_view text);

// Calls handle(line) for every line. Lines end in LF, CR LF, CR or at the
// end of the file (a last line without LF is a line like any other); empty
// lines are skipped. "##END=" ends the file: what follows is not part of
// it. handle returns false to stop.
template <class F>
void ForEachParameterLine(std::string_view text, F handle) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        if (line.starts_with("##END=")) return;
        if (!handle(line)) return;
    }
}

// The value of a "##$KEY= value" line when it holds `key`, else false. The
// key must be followed by "=" (keys ending in "=" carry it), so "##$SFO1" is
// never taken for "##$SF". Blanks and tabs around the value are not part of
// it: files written with or without the customary blank read alike.
bool KeyValue(std::string_view line, std::string_view key, std::string_view& value);

// A numeric value: the whole value must be one decimal number ('.' as the
// separator, optional sign and exponent) within the range of a double. A
// number followed by anything else ("6002,4", "6 002.4") is no number:
// reading its first digits would silently give another value.
std::optional<double> ParameterNumber(std::string_view value);

}  // namespace quble
