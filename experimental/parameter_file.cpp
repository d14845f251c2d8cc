#include "experimental/parameter_file.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "simulator/input_rules.h"

namespace quble {

bool ReadParameterText(const std::string& path, std::string& out, std::string& why) {
    InputFile f(path);
    if (!f.ok()) {
        why = f.why();
        return false;
    }
    if (f.size() > kMaxParameterFileBytes) {
        why = "is too large to be a parameter file (" + std::to_string(f.size()) + " bytes; at most " +
              std::to_string(kMaxParameterFileBytes / (1024 * 1024)) + " MB are read)";
        return false;
    }
    // One byte more than the size, so a file that grows while it is read is
    // noticed instead of read in part.
    out.resize(static_cast<std::size_t>(f.size()) + 1);
    std::size_t have = 0;
    for (;;) {
        if (have == out.size()) {
            if (static_cast<std::int64_t>(have) >= kMaxParameterFileBytes) {
                why = "is too large to be a parameter file (it grows while it is read)";
                return false;
            }
            out.resize(out.size() * 2);
        }
        const ssize_t got = ::read(f.fd(), out.data() + have, out.size() - have);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            why = std::string("cannot be read: ") + std::strerror(errno);
            return false;
        }
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    out.resize(have);
    return true;
}

std::string TextProblem(std::string_view text) {
    if (text.empty()) return "is empty";
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        return "is not readable text (it is written in UTF-16; these files are plain ASCII text)";
    }
    if (text.find('\0') != std::string_view::npos) return "is not readable text (it holds NUL bytes)";
    return {};
}

bool KeyValue(std::string_view line, std::string_view key, std::string_view& value) {
    if (!line.starts_with(key)) return false;
    std::string_view rest = line.substr(key.size());
    if (key.back() != '=') {
        if (rest.empty() || rest.front() != '=') return false;
        rest.remove_prefix(1);
    }
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!rest.empty() && blank(rest.front())) rest.remove_prefix(1);
    while (!rest.empty() && blank(rest.back())) rest.remove_suffix(1);
    value = rest;
    return true;
}

std::optional<double> ParameterNumber(std::string_view value) { return ParseLocaleNumber(value, '.'); }

}  // namespace quble
