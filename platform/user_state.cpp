#include "platform/user_state.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include <nlohmann/json.hpp>

namespace quble {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Window sizes beyond this are no real screen's; such entries are damage.
constexpr int kMaxCoordinate = 100000;

std::optional<WindowPlace> PlaceFrom(const json& j) {
    if (!j.is_object()) return std::nullopt;
    WindowPlace w;
    for (auto [key, field] : {std::pair{"x", &w.rect.x}, std::pair{"y", &w.rect.y}, std::pair{"width", &w.rect.width},
                              std::pair{"height", &w.rect.height}}) {
        const auto it = j.find(key);
        if (it == j.end() || !it->is_number_integer()) return std::nullopt;
        const auto v = it->get<long long>();
        if (v < -kMaxCoordinate || v > kMaxCoordinate) return std::nullopt;
        *field = static_cast<int>(v);
    }
    if (w.rect.Empty()) return std::nullopt;
    if (const auto it = j.find("maximized"); it != j.end() && it->is_boolean()) w.maximized = it->get<bool>();
    return w;
}

}  // namespace

fs::path UserStateFileFor(const char* xdgConfigHome, const char* home) {
    if (xdgConfigHome && *xdgConfigHome && fs::path(xdgConfigHome).is_absolute())
        return fs::path(xdgConfigHome) / "quble" / "state.json";
    if (home && *home) return fs::path(home) / ".config" / "quble" / "state.json";
    return {};
}

fs::path UserStateFile() { return UserStateFileFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")); }

UserState LoadUserState(const fs::path& file, std::string* warning) {
    UserState s;
    if (warning) warning->clear();
    std::error_code ec;
    if (file.empty() || !fs::exists(file, ec)) return s;
    std::ifstream in(file, std::ios::binary);
    json j = json::parse(in, nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        if (warning) *warning = "The state file " + file.string() + " is damaged and was ignored.";
        return s;
    }
    bool skipped = false;
    if (const auto it = j.find("recentSpectra"); it != j.end()) {
        if (it->is_array()) {
            for (const json& e : *it) {
                if (!e.is_string() || e.get<std::string>().empty()) {
                    skipped = true;
                    continue;
                }
                // Oldest first, so the order read is kept.
                const std::string p = e.get<std::string>();
                if (std::find(s.recentSpectra.begin(), s.recentSpectra.end(), p) == s.recentSpectra.end() &&
                    s.recentSpectra.size() < kMaxRecentSpectra)
                    s.recentSpectra.push_back(p);
            }
        } else {
            skipped = true;
        }
    }
    if (const auto it = j.find("windows"); it != j.end()) {
        if (it->is_object()) {
            for (const auto& [name, value] : it->items()) {
                if (std::optional<WindowPlace> w = PlaceFrom(value)) {
                    s.windows[name] = *w;
                } else {
                    skipped = true;
                }
            }
        } else {
            skipped = true;
        }
    }
    if (skipped && warning) *warning = "Some entries of the state file " + file.string() + " were damaged and ignored.";
    return s;
}

bool SaveUserState(const fs::path& file, const UserState& state, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (file.empty()) return fail("There is no folder for the state file.");
    json j;
    j["recentSpectra"] = state.recentSpectra;
    json windows = json::object();
    for (const auto& [name, w] : state.windows) {
        windows[name] = {{"x", w.rect.x},
                         {"y", w.rect.y},
                         {"width", w.rect.width},
                         {"height", w.rect.height},
                         {"maximized", w.maximized}};
    }
    j["windows"] = windows;
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (ec) return fail("Cannot make the folder " + file.parent_path().string() + ": " + ec.message());
    fs::path temp = file;
    temp += ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << j.dump(2) << '\n';
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return fail("Cannot write " + temp.string() + ".");
        }
    }
    fs::rename(temp, file, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return fail("Cannot replace " + file.string() + ": " + ec.message());
    }
    if (error) error->clear();
    return true;
}

void AddRecentSpectrum(std::vector<std::string>& list, const std::string& path) {
    if (path.empty()) return;
    RemoveRecentSpectrum(list, path);
    list.insert(list.begin(), path);
    if (list.size() > kMaxRecentSpectra) list.resize(kMaxRecentSpectra);
}

bool RemoveRecentSpectrum(std::vector<std::string>& list, const std::string& path) {
    const auto it = std::remove(list.begin(), list.end(), path);
    const bool found = it != list.end();
    list.erase(it, list.end());
    return found;
}

ScreenRect FitInside(const ScreenRect& window, const ScreenRect& area, ScreenSize least) {
    if (area.Empty()) return window;
    // A place the user made smaller than the contents' least stays theirs.
    const auto length = [](int wanted, int room, int leastWanted) {
        return std::max(std::clamp(wanted, 1, room), std::min(wanted, leastWanted));
    };
    // Past the far edge only when too long for the area, never the near one.
    const auto start = [](int at, int from, int room, int len) { return std::max(from, std::min(at, from + room - len)); };
    ScreenRect r = window;
    r.width = length(window.width, area.width, least.width);
    r.height = length(window.height, area.height, least.height);
    r.x = start(window.x, area.x, area.width, r.width);
    r.y = start(window.y, area.y, area.height, r.height);
    return r;
}

}  // namespace quble
