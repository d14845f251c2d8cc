// The formula picture of a graph window, from the menu's side: paste it from
// the clipboard, delete it, show an example's picture file, find the picture
// file beside an opened spectrum, and hand the shown picture to the
// exports. The simulator and the experimental windows differ only in where
// the picture first lies and which program-folder file keeps a pasted one.
#pragma once

#include <QRectF>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/clipboard.h"
#include "platform/dialogs.h"

namespace quble {

class FormulaImage;

class FormulaPictureController {
public:
    struct Placement {
        double left = 448, top = 24;     // the corner, graph user units
        double longSide = 200;           // the longer side, graph user units
        const char* clipFileName = "";   // where a pasted picture is kept, in the program folder
        bool raise = false;              // lift the picture above the graph's other overlays
    };
    // image and the folder outlive the controller. deleteEnabled follows
    // whether "&Delete Formula" can act.
    FormulaPictureController(FormulaImage* image, std::filesystem::path programFolder, Placement placement,
                             std::function<void(bool)> deleteEnabled = {});

    void SetDialogs(Dialogs* d) { dialogs_ = d; }
    void SetClipboard(Clipboard* c) { clipboard_ = c; }

    // "&Paste": the clipboard's picture shown at the placement and kept in
    // the program folder; "No Picture!" when there is none that shows, the
    // metafile failure message when it cannot be kept. On a failure the
    // current formula stays.
    bool Paste();
    // "&Delete Formula".
    void Delete();
    // A picture file shown as the formula; on any failure there is none
    // (and nothing is told: a missing example picture is no error).
    bool ExamplePictureAdd(const std::string& path);
    // The formula beside an opened spectrum in folder, or none.
    void VerifFormula(const std::filesystem::path& folder);
    // Whether the clipboard offers a picture to paste.
    bool CanPaste() const;

    bool Shown() const { return shown_; }
    bool FromExample() const { return fromExample_; }
    const std::string& ExamplePath() const { return examplePath_; }
    // The shown picture for an export (empty when none) and its rectangle.
    std::vector<std::uint8_t> ShownEmf() const;
    QRectF Rect() const;
    FormulaImage* Image() const { return image_; }

private:
    bool Show(std::vector<std::uint8_t> emf);
    void SetShown(bool shown, bool fromExample);

    FormulaImage* image_;
    std::filesystem::path folder_;
    Placement placement_;
    std::function<void(bool)> deleteEnabled_;
    Dialogs* dialogs_ = nullptr;
    Clipboard* clipboard_ = nullptr;
    bool shown_ = false;
    bool fromExample_ = false;
    std::string examplePath_;
};

// The plain message box of a failed metafile carries the application's title.
std::string ApplicationTitle();

}  // namespace quble
