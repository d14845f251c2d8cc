// Lets a window take files dragged onto it from the desktop: the drag is
// accepted only when it carries something the program can use (see
// drop_paths.h), and the work is done after the drop has ended, so a
// message it shows does not hold up the program the files came from.
#pragma once

#include <filesystem>
#include <functional>
#include <vector>

#include "platform/drop_paths.h"

class QMimeData;
class QWidget;

namespace quble {

using DropHandler = std::function<void(const DropTarget&)>;

// The local files and folders of a drag, in their order.
std::vector<std::filesystem::path> DroppedPaths(const QMimeData* data);

// Makes window a drop target handled by handler, for drops anywhere on it:
// its input boxes take dragged text as before, but files go to the window.
// allowPicture: whether pictures are taken too (a window with a graph). A
// window inside another drop target takes the drops over itself.
void AcceptDrops(QWidget* window, bool allowPicture, DropHandler handler);

}  // namespace quble
