// "Export Picture...", shared by the windows with a graph: ask for the file
// (its extension chooses EMF, SVG, PDF or PNG), for a PNG also the
// resolution, then write the picture through the same drawing path as the
// clipboard copies.
#pragma once

#include <functional>
#include <string>

#include "platform/dialogs.h"
#include "platform/graph_picture.h"

namespace quble {

// defaultPath: the name the save dialog proposes. decSep: the decimal
// separator of the resolution's answer. picture is asked for only when a
// file was chosen. Refusals and failures are told in message boxes.
void ExportPictureDialog(Dialogs& dialogs, const std::string& defaultPath, char decSep,
                         const std::function<GraphPicture()>& picture);

}  // namespace quble
