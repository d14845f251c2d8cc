// The program folder and the first-run arrangement of the shipped example
// files into the "Examples" tree.
//
// The shipped files lie flat in the program folder after installation. On
// the first start they are sorted into one folder per example spectrum, so
// that each folder holds a "1r", "procs" and "acqus" the experimental window
// can open, plus the formula picture of the compound.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace quble {

// The 24 shipped names, in the order the program checks them.
const std::vector<std::string>& ShippedFileNames();

// The five formula pictures "Ex1.emf" .. "Ex5.emf" are drawn by the example
// generator and ship with every installation, so the first-run check
// requires all 24 names. (The arrangement still sorts a picture only when it
// is present, which keeps older installations without them working.)
inline constexpr bool kExamplePicturesShipped = true;

bool IsExamplePicture(const std::string& name);

// The names the first-run check requires: all 24 when pictures are
// required, otherwise the 19 that are not pictures.
std::vector<std::string> RequiredShippedFiles(bool picturesRequired = kExamplePicturesShipped);

// Folder "Examples" below the program folder, and its six example folders in
// the order they are created.
inline constexpr const char* kExamplesFolder = "Examples";
struct ExampleFolder {
    std::string name;      // "1a_15-Deoxygoyazensolide (Example 1a)"
    std::string suffix;    // "1a": the shipped "1r_1a", "acqus_1a", "procs_1a"
    std::string picture;   // "Ex1.emf"
};
const std::vector<ExampleFolder>& ExampleFolders();

// Whether whereF has a direct subfolder named exactly whichF.
bool FolderFind(const std::filesystem::path& whereF, const std::string& whichF);

// True when the folder holds every required shipped file (exact,
// case-sensitive names) and has no "Examples" subfolder.
bool FirstRun(const std::filesystem::path& folder,
              const std::vector<std::string>& required = RequiredShippedFiles());

// What the arrangement did. ok is false when anything went wrong; error then
// says what, and stayed lists every shipped file still lying in the program
// folder (nothing is ever deleted or overwritten, so a file is either there
// or at its place in the tree).
struct ArrangeResult {
    bool ok = true;
    std::string error;                 // lines joined by "\n"; empty when ok
    std::vector<std::string> stayed;   // names still in the program folder
    std::vector<std::string> placed;   // relative paths made, "Examples/..."
};

// The file-system steps of the arrangement. Tests replace them to try the
// failures a real disk seldom produces on demand.
struct FolderOps {
    // Make one folder; an existing folder is an error.
    std::function<std::error_code(const std::filesystem::path&)> createFolder;
    // Move or copy one file; an existing destination is an error, and on any
    // error the source is left as it was.
    std::function<std::error_code(const std::filesystem::path& from, const std::filesystem::path& to)> moveFile;
    std::function<std::error_code(const std::filesystem::path& from, const std::filesystem::path& to)> copyFile;
};
FolderOps RealFolderOps();

// Builds "Examples" and its six folders, copies "Ex1.emf" into the 1a folder
// and moves it into the 1b folder, moves "Ex2.emf" .. "Ex5.emf" (each only
// when present), "ReadMe.txt" into "Examples", and the spectrum files into
// their folders as "1r", "acqus", "procs". When a folder cannot be made,
// nothing is moved and the folders made so far are removed again, so the
// next start tries afresh. A file that cannot be moved stays where it was
// and the arrangement goes on with the others. Refuses to work over an
// existing "Examples" folder.
ArrangeResult ArrangeFiles(const std::filesystem::path& folder, const FolderOps& ops = RealFolderOps());

// The start-up step: ArrangeFiles when FirstRun holds, nothing otherwise.
std::optional<ArrangeResult> ArrangeOnFirstRun(const std::filesystem::path& folder,
                                               const std::vector<std::string>& required = RequiredShippedFiles(),
                                               const FolderOps& ops = RealFolderOps());

// Folders an installation keeps the shipped example files in, searched in
// this order: <exeDir>/../share/quble, then quble below every folder of
// $XDG_DATA_DIRS (by default /usr/local/share and /usr/share).
std::vector<std::filesystem::path> InstalledDataFolders(const std::filesystem::path& exeDir);

// The start-up step for a program folder that may hold only the program:
// nothing when "Examples" is there; the arrangement when the shipped files
// are; otherwise the shipped files are first copied in from the first data
// folder that has them all (or its "Examples" tree is copied), and when no
// data folder has them, a result that says where the examples are expected.
std::optional<ArrangeResult> PrepareExamples(const std::filesystem::path& folder,
                                             const std::vector<std::filesystem::path>& dataFolders,
                                             const std::vector<std::string>& required = RequiredShippedFiles());

// The per-user data folder: $XDG_DATA_HOME/quble, else $HOME/.local/share/quble.
// Empty when neither variable is set.
std::filesystem::path UserDataFolder();

// Whether files can be created in folder (tried, not guessed from modes).
bool FolderWritable(const std::filesystem::path& folder);

struct ProgramFolderChoice {
    std::filesystem::path folder;      // the folder to use
    bool perUser = false;              // the per-user folder was chosen
    std::vector<std::string> copied;   // files or trees copied there by this call
    std::string error;                 // non-empty: something could not be done
};

// Whether exeDir is the "bin" folder of an installation, with the installed
// data folder "../share/quble" beside it. Such a folder is shared by every
// user and belongs to the package manager, so it never becomes the program
// folder, even when it is writable (for root, or a prefix in the home).
bool InstalledLayout(const std::filesystem::path& exeDir);

// The program folder: the executable's folder when it is writable (the
// settings file and the example arrangement write there) and not an
// installation's, otherwise SeedUserFolder(exeDir, userFolder).
ProgramFolderChoice ChooseProgramFolder(const std::filesystem::path& exeDir,
                                        const std::filesystem::path& userFolder);
// userFolder, made when missing and seeded from exeDir: the flat shipped
// files when userFolder has no "Examples" yet (only those missing are
// copied; nothing is overwritten), or exeDir's "Examples" tree when the flat
// files are not there but the tree is. If userFolder cannot be made, exeDir
// is returned with the error.
ProgramFolderChoice SeedUserFolder(const std::filesystem::path& exeDir, const std::filesystem::path& userFolder);
// Same, with UserDataFolder().
ProgramFolderChoice ProgramFolder(const std::filesystem::path& exeDir);
// The folder ProgramFolder(exeDir) would choose, with nothing made or
// copied: for readers such as the command line, which must not seed.
std::filesystem::path ProgramFolderPath(const std::filesystem::path& exeDir,
                                        const std::filesystem::path& userFolder);

}  // namespace quble
