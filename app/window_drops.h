// What a picture file dropped on a graph is, from the paste's side: the file
// offered as a clipboard's contents would be, so a drop and a paste take the
// same road (the picture kept in the program folder, then shown).
#pragma once

#include <QMimeData>

#include <filesystem>
#include <memory>
#include <string>

namespace quble {

// The picture file as clipboard contents: an EMF under the EMF name, an SVG
// as SVG, a PNG as PNG. Null, with the reason in *error, when the file
// cannot be read or holds no picture a paste could show.
std::unique_ptr<QMimeData> PictureFileAsClip(const std::filesystem::path& file, std::string* error);

inline constexpr const char* kDropNoPictureTitle = "No Picture!";

}  // namespace quble
