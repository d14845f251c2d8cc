#include "platform/picture_export_dialog.h"

#include <optional>

#include "core/number_text.h"

namespace quble {

void ExportPictureDialog(Dialogs& dialogs, const std::string& defaultPath, char decSep,
                         const std::function<GraphPicture()>& picture) {
    const std::optional<std::string> path = dialogs.SaveFile(
        "Export Picture", defaultPath, "Enhanced Metafile (*.emf);;SVG (*.svg);;PDF (*.pdf);;PNG (*.png)");
    if (!path || path->empty()) return;
    const std::optional<PictureFormat> format = PictureFormatForPath(*path);
    if (!format) {
        dialogs.MessageBox("Export Picture", "The file name must end in .emf, .svg, .pdf or .png:\r\n" + *path,
                           MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    double dpi = 96.0;
    if (*format == PictureFormat::Png) {
        const std::optional<std::string> answer = dialogs.InputBox(
            "Resolution of the PNG picture in dots per inch (96, 150, 300 or 600):", "Export Picture", "300");
        if (!answer) return;
        const std::optional<double> v = ParseLocaleNumber(*answer, decSep);
        if (!v || *v < 10 || *v > 2400) {
            dialogs.MessageBox("Export Picture", "The resolution must be a number from 10 to 2400 dpi.",
                               MsgButtons::Ok, MsgIcon::Warning);
            return;
        }
        dpi = *v;
    }
    std::string error;
    if (!ExportGraphPicture(picture(), *path, *format, false, dpi, &error)) {
        dialogs.MessageBox("Export Picture", "The picture could not be saved:\r\n" + error, MsgButtons::Ok,
                           MsgIcon::Critical);
    }
}

}  // namespace quble
