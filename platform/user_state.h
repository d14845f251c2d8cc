// What the program remembers for each user between runs, apart from the
// display settings file: the spectra opened last and where the windows were.
// It lives in a small JSON file in the user's configuration folder; a file
// that is missing, unreadable or damaged gives an empty state, never a
// failure, since nothing in it is worth stopping the program for.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quble {

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ScreenRect&) const = default;
    bool Empty() const { return width <= 0 || height <= 0; }
};

struct ScreenSize {
    int width = 0, height = 0;
    bool operator==(const ScreenSize&) const = default;
};

struct WindowPlace {
    ScreenRect rect;  // the normal (not maximised) geometry
    bool maximized = false;
    bool operator==(const WindowPlace&) const = default;
};

inline constexpr std::size_t kMaxRecentSpectra = 8;

struct UserState {
    std::vector<std::string> recentSpectra;      // newest first, at most kMaxRecentSpectra
    std::map<std::string, WindowPlace> windows;  // by window name
    bool operator==(const UserState&) const = default;
};

// $XDG_CONFIG_HOME/quble/state.json, or ~/.config/quble/state.json when
// the variable is unset or not absolute (as the XDG rules ask); empty when
// neither gives a folder. The arguments are the variables' values (null
// when unset).
std::filesystem::path UserStateFileFor(const char* xdgConfigHome, const char* home);
std::filesystem::path UserStateFile();

// The state in file; empty when the file is missing. A damaged file or a
// damaged entry is skipped, and *warning (when given) says what was wrong.
UserState LoadUserState(const std::filesystem::path& file, std::string* warning = nullptr);
// Writes the state, making the folder; a new file replaces the old one only
// once it is complete. False with the reason in *error.
bool SaveUserState(const std::filesystem::path& file, const UserState& state, std::string* error = nullptr);

// path to the front of the list, once, the list cut to kMaxRecentSpectra.
void AddRecentSpectrum(std::vector<std::string>& list, const std::string& path);
// True when path was in the list.
bool RemoveRecentSpectrum(std::vector<std::string>& list, const std::string& path);

// window moved and, if it must, shrunk so that it lies wholly inside area;
// an empty area leaves it as it is. It is not shrunk below least (what its
// contents need) unless window itself is smaller: such a window stands at
// the area's left or top edge and runs past the other one, so that a
// scrolling area can still show all of it.
ScreenRect FitInside(const ScreenRect& window, const ScreenRect& area, ScreenSize least = {});

}  // namespace quble
