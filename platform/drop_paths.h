// What a file or folder dragged onto a window stands for: a processed Bruker
// spectrum to open (its 1r file), a picture to show as the formula, or
// nothing the program can use. Kept apart from the windows so that the
// folder rules can be checked without a desktop.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quble {

enum class DropKind { None, Spectrum, Picture };

struct DropTarget {
    DropKind kind = DropKind::None;
    std::filesystem::path path;  // the 1r file, or the picture file
};

// The 1r a dropped path leads to, or an empty path: the file itself when it
// is named exactly "1r"; a processing folder holding a 1r; a "pdata" folder
// or an experiment folder (one holding pdata), through processing number 1
// first and then the lowest other number that holds a 1r. Names are matched
// exactly, as the Open command does.
std::filesystem::path SpectrumFileFor(const std::filesystem::path& dropped);

// An existing regular file whose name ends in .emf, .svg or .png, in any case.
bool IsFormulaPictureFile(const std::filesystem::path& p);

// The first of the dropped paths that the program can use; a spectrum takes
// precedence over a picture so that dropping a whole experiment folder,
// pictures and all, opens the spectrum. allowPicture false (a drop on a
// window without a graph) ignores pictures.
DropTarget ClassifyDrop(const std::vector<std::filesystem::path>& dropped, bool allowPicture = true);

}  // namespace quble
