#include "platform/drop_paths.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <system_error>

namespace quble {

namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

bool IsDir(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

// A processing number: the folder names pdata holds are plain decimal numbers.
std::optional<unsigned long> ProcNumber(const std::string& name) {
    if (name.empty() || name.size() > 9) return std::nullopt;
    if (!std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return std::nullopt;
    return std::stoul(name);
}

fs::path FromPdata(const fs::path& pdata) {
    if (IsFile(pdata / "1" / "1r")) return pdata / "1" / "1r";
    std::optional<unsigned long> best;
    fs::path found;
    std::error_code ec;
    for (fs::directory_iterator it(pdata, ec), end; !ec && it != end; it.increment(ec)) {
        const std::optional<unsigned long> n = ProcNumber(it->path().filename().string());
        if (!n || (best && *n >= *best) || !IsFile(it->path() / "1r")) continue;
        best = n;
        found = it->path() / "1r";
    }
    return found;
}

}  // namespace

fs::path SpectrumFileFor(const fs::path& dropped) {
    if (dropped.empty()) return {};
    if (IsFile(dropped)) return dropped.filename() == "1r" ? dropped : fs::path{};
    if (!IsDir(dropped)) return {};
    if (IsFile(dropped / "1r")) return dropped / "1r";
    if (dropped.filename() == "pdata") return FromPdata(dropped);
    if (IsDir(dropped / "pdata")) return FromPdata(dropped / "pdata");
    return {};
}

bool IsFormulaPictureFile(const fs::path& p) {
    if (!IsFile(p)) return false;
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".emf" || ext == ".svg" || ext == ".png";
}

DropTarget ClassifyDrop(const std::vector<fs::path>& dropped, bool allowPicture) {
    for (const fs::path& p : dropped) {
        // A path with a trailing separator names the folder itself.
        const fs::path clean = p.has_filename() ? p : p.parent_path();
        if (fs::path r = SpectrumFileFor(clean); !r.empty()) return {DropKind::Spectrum, r};
    }
    if (allowPicture) {
        for (const fs::path& p : dropped)
            if (IsFormulaPictureFile(p)) return {DropKind::Picture, p};
    }
    return {};
}

}  // namespace quble
