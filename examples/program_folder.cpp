#include "examples/program_folder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace quble {

namespace fs = std::filesystem;

namespace {

// A plain file (or a link to one) named exactly `name` directly in folder.
bool HasFile(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().string() != name) continue;
        std::error_code ec2;
        return it->is_regular_file(ec2);
    }
    return false;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string Relative(const std::vector<std::string>& parts) {
    std::string r;
    for (const auto& p : parts) r += (r.empty() ? "" : "/") + p;
    return r;
}

std::error_code Exists(const fs::path& p) {
    std::error_code ec;
    if (fs::symlink_status(p, ec).type() != fs::file_type::not_found) return std::make_error_code(std::errc::file_exists);
    return {};
}

// Moves one file without ever overwriting: the file either arrives at dst
// or stays at src.
std::error_code MoveFileNoClobber(const fs::path& src, const fs::path& dst) {
    if (auto e = Exists(dst)) return e;
    std::error_code ec;
    fs::rename(src, dst, ec);
    if (!ec) return {};
    // rename cannot cross file systems (a mounted "Examples", say): copy,
    // and drop the original only once the copy is complete.
    std::error_code ecCopy;
    if (!fs::copy_file(src, dst, fs::copy_options::none, ecCopy)) {
        fs::remove(dst, ecCopy);
        return ec;
    }
    std::error_code ecRemove;
    if (!fs::remove(src, ecRemove)) {
        // The original stays the one that counts; the copy goes again.
        fs::remove(dst, ecRemove);
        return ecRemove ? ecRemove : ec;
    }
    return {};
}

std::error_code CopyFileNoClobber(const fs::path& src, const fs::path& dst) {
    if (auto e = Exists(dst)) return e;
    std::error_code ec;
    if (!fs::copy_file(src, dst, fs::copy_options::none, ec) || ec) {
        std::error_code rm;
        fs::remove(dst, rm);  // no half-written copy left behind
        return ec ? ec : std::make_error_code(std::errc::io_error);
    }
    return {};
}

}  // namespace

const std::vector<std::string>& ShippedFileNames() {
    static const std::vector<std::string> names = {
        "Ex1.emf", "ReadMe.txt", "1r_1a",    "acqus_1a", "procs_1a", "1r_1b",   "acqus_1b", "procs_1b",
        "1r_2",    "acqus_2",    "procs_2",  "Ex2.emf",  "acqus_3",  "procs_3", "1r_3",     "Ex3.emf",
        "acqus_4", "procs_4",    "1r_4",     "Ex4.emf",  "acqus_5",  "procs_5", "1r_5",     "Ex5.emf",
    };
    return names;
}

bool IsExamplePicture(const std::string& name) {
    return name.size() == 7 && name.starts_with("Ex") && name[2] >= '1' && name[2] <= '5' && name.ends_with(".emf");
}

std::vector<std::string> RequiredShippedFiles(bool picturesRequired) {
    std::vector<std::string> r;
    for (const auto& n : ShippedFileNames()) {
        if (picturesRequired || !IsExamplePicture(n)) r.push_back(n);
    }
    return r;
}

const std::vector<ExampleFolder>& ExampleFolders() {
    static const std::vector<ExampleFolder> folders = {
        {"1a_15-Deoxygoyazensolide (Example 1a)", "1a", "Ex1.emf"},
        {"1b_15-Deoxygoyazensolide (Example 1b)", "1b", "Ex1.emf"},
        {"2_bqw75a (Example 2)", "2", "Ex2.emf"},
        {"3_Alcohol RVALE-009 (Example 3)", "3", "Ex3.emf"},
        {"4_Mesylate RVALE-011 (Example 4)", "4", "Ex4.emf"},
        {"5_Lactam RVALE-007 (Example 5)", "5", "Ex5.emf"},
    };
    return folders;
}

bool FolderFind(const fs::path& whereF, const std::string& whichF) {
    std::error_code ec;
    for (fs::directory_iterator it(whereF, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (it->path().filename().string() == whichF && it->is_directory(ec2)) return true;
    }
    return false;
}

bool FirstRun(const fs::path& folder, const std::vector<std::string>& required) {
    for (const auto& name : required) {
        if (!HasFile(folder, name)) return false;
    }
    return !FolderFind(folder, kExamplesFolder);
}

FolderOps RealFolderOps() {
    FolderOps ops;
    ops.createFolder = [](const fs::path& p) -> std::error_code {
        std::error_code ec;
        if (!fs::create_directory(p, ec) && !ec) return std::make_error_code(std::errc::file_exists);
        return ec;
    };
    ops.moveFile = MoveFileNoClobber;
    ops.copyFile = CopyFileNoClobber;
    return ops;
}

ArrangeResult ArrangeFiles(const fs::path& folder, const FolderOps& ops) {
    ArrangeResult result;
    std::vector<std::string> errors;
    auto collectStayed = [&] {
        result.stayed.clear();
        for (const auto& n : ShippedFileNames()) {
            if (HasFile(folder, n)) result.stayed.push_back(n);
        }
    };
    auto finish = [&] {
        collectStayed();
        result.ok = errors.empty();
        result.error.clear();
        for (const auto& e : errors) result.error += (result.error.empty() ? "" : "\n") + e;
        return result;
    };

    const fs::path examples = folder / kExamplesFolder;
    std::error_code ec;
    if (fs::symlink_status(examples, ec).type() != fs::file_type::not_found) {
        errors.push_back(Quoted(examples.string()) + " already exists; the example files were not arranged.");
        return finish();
    }

    // Every folder first: if one cannot be made, no file has moved yet and
    // the empty folders made so far go again, so that the next start finds
    // no "Examples" and tries once more.
    std::vector<fs::path> made;
    std::vector<fs::path> wanted{examples};
    for (const auto& f : ExampleFolders()) wanted.push_back(examples / f.name);
    for (const auto& dir : wanted) {
        if (const std::error_code mk = ops.createFolder(dir)) {
            const std::string why = mk.message();
            for (auto it = made.rbegin(); it != made.rend(); ++it) {
                std::error_code rm;
                fs::remove(*it, rm);
            }
            errors.push_back("The folder " + Quoted(dir.string()) + " could not be created (" + why +
                             "); no example file was moved.");
            return finish();
        }
        made.push_back(dir);
        result.placed.push_back(Relative({kExamplesFolder}) +
                                (dir == examples ? "" : "/" + dir.filename().string()));
    }

    auto move = [&](const std::string& name, const fs::path& dstDir, const std::string& newName, bool optional) {
        const fs::path src = folder / name;
        if (!HasFile(folder, name)) {
            if (!optional) errors.push_back(Quoted(name) + " was not in the program folder " + Quoted(folder.string()) + ".");
            return;
        }
        const fs::path dst = dstDir / newName;
        if (const std::error_code mv = ops.moveFile(src, dst)) {
            errors.push_back(Quoted(name) + " could not be moved to " + Quoted(dst.string()) + " (" + mv.message() +
                             "); it stayed in " + Quoted(folder.string()) + ".");
        } else {
            result.placed.push_back(fs::relative(dst, folder, ec).generic_string());
        }
    };

    const auto& folders = ExampleFolders();
    // The formula picture of Example 1 serves both of its spectra.
    if (HasFile(folder, "Ex1.emf")) {
        const fs::path dst = examples / folders[0].name / "Ex1.emf";
        if (const std::error_code cp = ops.copyFile(folder / "Ex1.emf", dst)) {
            errors.push_back("\"Ex1.emf\" could not be copied to " + Quoted(dst.string()) + " (" + cp.message() + ").");
        } else {
            result.placed.push_back(fs::relative(dst, folder, ec).generic_string());
        }
    }
    move("Ex1.emf", examples / folders[1].name, "Ex1.emf", true);
    for (std::size_t i = 2; i < folders.size(); ++i) {
        move(folders[i].picture, examples / folders[i].name, folders[i].picture, true);
    }
    move("ReadMe.txt", examples, "ReadMe.txt", false);
    for (const auto& f : folders) {
        for (const char* stem : {"1r", "acqus", "procs"}) {
            move(std::string(stem) + "_" + f.suffix, examples / f.name, stem, false);
        }
    }
    return finish();
}

std::optional<ArrangeResult> ArrangeOnFirstRun(const fs::path& folder, const std::vector<std::string>& required,
                                               const FolderOps& ops) {
    if (!FirstRun(folder, required)) return std::nullopt;
    return ArrangeFiles(folder, ops);
}

std::vector<fs::path> InstalledDataFolders(const fs::path& exeDir) {
    std::vector<fs::path> out;
    if (!exeDir.empty()) out.push_back((exeDir / ".." / "share" / "quble").lexically_normal());
    std::string dirs = "/usr/local/share:/usr/share";
    if (const char* x = std::getenv("XDG_DATA_DIRS"); x && *x) dirs = x;
    for (std::size_t at = 0; at <= dirs.size();) {
        std::size_t end = dirs.find(':', at);
        if (end == std::string::npos) end = dirs.size();
        const fs::path d = dirs.substr(at, end - at);
        // XDG asks that relative entries be ignored.
        if (d.is_absolute()) {
            const fs::path q = (d / "quble").lexically_normal();
            if (std::find(out.begin(), out.end(), q) == out.end()) out.push_back(q);
        }
        at = end + 1;
    }
    return out;
}

std::optional<ArrangeResult> PrepareExamples(const fs::path& folder, const std::vector<fs::path>& dataFolders,
                                             const std::vector<std::string>& required) {
    if (FolderFind(folder, kExamplesFolder)) return std::nullopt;
    if (FirstRun(folder, required)) return ArrangeFiles(folder);

    auto hasAll = [&](const fs::path& d) {
        return std::all_of(required.begin(), required.end(), [&](const std::string& n) { return HasFile(d, n); });
    };
    std::vector<std::string> errors;
    for (const fs::path& data : dataFolders) {
        std::error_code ec;
        if (fs::equivalent(data, folder, ec)) continue;
        if (hasAll(data)) {
            for (const auto& name : ShippedFileNames()) {
                if (!HasFile(data, name) || HasFile(folder, name)) continue;
                if (const std::error_code cp = CopyFileNoClobber(data / name, folder / name)) {
                    errors.push_back(Quoted(name) + " could not be copied from " + Quoted(data.string()) + " (" +
                                     cp.message() + ").");
                }
            }
            ArrangeResult r = FirstRun(folder, required) ? ArrangeFiles(folder) : ArrangeResult{};
            for (const auto& e : errors) r.error += (r.error.empty() ? "" : "\n") + e;
            r.ok = r.ok && errors.empty();
            return r;
        }
        if (FolderFind(data, kExamplesFolder)) {
            ArrangeResult r;
            fs::copy(data / kExamplesFolder, folder / kExamplesFolder, fs::copy_options::recursive, ec);
            if (ec) {
                // A partial tree would pass for an arranged one on every later start.
                std::error_code rm;
                fs::remove_all(folder / kExamplesFolder, rm);
                r.ok = false;
                r.error = "The examples could not be copied from " + Quoted((data / kExamplesFolder).string()) + " (" +
                          ec.message() + ").";
            } else {
                r.placed.push_back(kExamplesFolder);
            }
            return r;
        }
    }

    ArrangeResult r;
    r.ok = false;
    std::vector<std::string> missing;
    for (const auto& n : required) {
        if (!HasFile(folder, n)) missing.push_back(n);
    }
    if (missing.size() < required.size()) {
        // Some shipped files are there: the installation is incomplete.
        std::string names;
        for (const auto& n : missing) names += (names.empty() ? "" : ", ") + Quoted(n);
        r.error = "The shipped example files " + names + " are missing from the program folder " +
                  Quoted(folder.string()) + ".";
    } else {
        r.error = "No example files were found. They are expected either as the folder " +
                  Quoted((folder / kExamplesFolder).string()) + " or as the " + std::to_string(required.size()) +
                  " shipped files (ReadMe.txt, 1r_1a, acqus_1a, procs_1a, ...) in the program folder " +
                  Quoted(folder.string());
        if (!dataFolders.empty()) {
            r.error += " or in an installed data folder (";
            for (std::size_t i = 0; i < dataFolders.size(); ++i) {
                r.error += (i ? ", " : "") + Quoted(dataFolders[i].string());
            }
            r.error += ")";
        }
        r.error += ".";
    }
    r.stayed.clear();
    for (const auto& n : ShippedFileNames()) {
        if (HasFile(folder, n)) r.stayed.push_back(n);
    }
    return r;
}

fs::path UserDataFolder() {
    // XDG asks that a relative XDG_DATA_HOME be ignored.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && fs::path(xdg).is_absolute()) {
        return fs::path(xdg) / "quble";
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return fs::path(home) / ".local" / "share" / "quble";
    }
    return {};
}

bool FolderWritable(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return false;
    // Permission bits do not tell the whole story (read-only mounts, ACLs,
    // root), so try to make a file.
    const fs::path probe = folder / (".quble-write-probe-" + std::to_string(::getpid()));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool InstalledLayout(const fs::path& exeDir) {
    if (exeDir.empty()) return false;
    const fs::path dir = exeDir.filename().empty() ? exeDir.parent_path() : exeDir;
    if (dir.filename() != "bin") return false;
    std::error_code ec;
    return fs::is_directory(dir.parent_path() / "share" / "quble", ec);
}

ProgramFolderChoice ChooseProgramFolder(const fs::path& exeDir, const fs::path& userFolder) {
    ProgramFolderChoice c;
    c.folder = exeDir;
    if (!InstalledLayout(exeDir) && FolderWritable(exeDir)) return c;
    return SeedUserFolder(exeDir, userFolder);
}

ProgramFolderChoice SeedUserFolder(const fs::path& exeDir, const fs::path& userFolder) {
    ProgramFolderChoice c;
    c.folder = exeDir;
    if (userFolder.empty()) {
        c.error = "The program folder " + Quoted(exeDir.string()) +
                  " is read-only and no per-user folder is known (HOME is not set).";
        return c;
    }
    std::error_code ec;
    fs::create_directories(userFolder, ec);
    if (ec || !fs::is_directory(userFolder, ec)) {
        c.error = "The program folder " + Quoted(exeDir.string()) + " is read-only and the folder " +
                  Quoted(userFolder.string()) + " could not be created (" + ec.message() + ").";
        return c;
    }
    c.folder = userFolder;
    c.perUser = true;
    if (FolderFind(userFolder, kExamplesFolder)) return c;  // already arranged there

    std::vector<std::string> errors;
    bool anyFlat = false;
    for (const auto& name : ShippedFileNames()) {
        if (!HasFile(exeDir, name)) continue;
        anyFlat = true;
        if (fs::symlink_status(userFolder / name, ec).type() != fs::file_type::not_found) continue;
        if (const std::error_code cp = CopyFileNoClobber(exeDir / name, userFolder / name); !cp) {
            c.copied.push_back(name);
        } else {
            errors.push_back(Quoted(name) + " could not be copied to " + Quoted(userFolder.string()) + " (" +
                             cp.message() + ").");
        }
    }
    if (!anyFlat && FolderFind(exeDir, kExamplesFolder)) {
        const fs::path dst = userFolder / kExamplesFolder;
        std::error_code cp;
        fs::copy(exeDir / kExamplesFolder, dst, fs::copy_options::recursive, cp);
        if (cp) {
            // A partial tree would pass for an arranged one on every later
            // start; the tree is our own copy, so it goes entirely.
            std::error_code rm;
            fs::remove_all(dst, rm);
            errors.push_back("The examples could not be copied to " + Quoted(dst.string()) + " (" + cp.message() +
                             ").");
        } else {
            c.copied.push_back(kExamplesFolder);
        }
    }
    for (const auto& e : errors) c.error += (c.error.empty() ? "" : "\n") + e;
    return c;
}

ProgramFolderChoice ProgramFolder(const fs::path& exeDir) { return ChooseProgramFolder(exeDir, UserDataFolder()); }

fs::path ProgramFolderPath(const fs::path& exeDir, const fs::path& userFolder) {
    if (!InstalledLayout(exeDir) && FolderWritable(exeDir)) return exeDir;
    return userFolder.empty() ? exeDir : userFolder;
}

}  // namespace quble
