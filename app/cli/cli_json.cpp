#include "app/cli/cli_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/number_text.h"

namespace {

void Dump(const nlohmann::ordered_json& j, int indent, int depth, std::string& out) {
    using value_t = nlohmann::ordered_json::value_t;
    const bool lines = indent >= 0;
    auto newline = [&](int level) {
        if (!lines) return;
        out += '\n';
        out.append(static_cast<std::size_t>(indent * level), ' ');
    };
    switch (j.type()) {
        case value_t::object: {
            if (j.empty()) {
                out += "{}";
                return;
            }
            out += '{';
            bool first = true;
            for (const auto& [key, value] : j.items()) {
                if (!first) out += ',';
                first = false;
                newline(depth + 1);
                out += nlohmann::ordered_json(key).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
                out += lines ? ": " : ":";
                Dump(value, indent, depth + 1, out);
            }
            newline(depth);
            out += '}';
            return;
        }
        case value_t::array: {
            if (j.empty()) {
                out += "[]";
                return;
            }
            out += '[';
            for (std::size_t i = 0; i < j.size(); ++i) {
                if (i) out += ',';
                newline(depth + 1);
                Dump(j[i], indent, depth + 1, out);
            }
            newline(depth);
            out += ']';
            return;
        }
        case value_t::number_float: {
            const double v = j.get<double>();
            out += std::isfinite(v) ? quble::FormatNumber(v, '.') : "null";
            return;
        }
        default:
            // Strings, integers, booleans and null as nlohmann writes them.
            out += j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
}

}  // namespace

std::string DumpJson(const nlohmann::ordered_json& j, int indent) {
    std::string out;
    Dump(j, indent, 0, out);
    return out;
}

void PrintJson(const nlohmann::ordered_json& j, int indent) {
    const std::string text = DumpJson(j, indent);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
}

double FloatAsShortestDouble(float v) {
    if (!std::isfinite(v)) return static_cast<double>(v);
    const std::string text = quble::FormatNumber(v, '.');
    double d = static_cast<double>(v);
    std::from_chars(text.data(), text.data() + text.size(), d);
    return d;
}
