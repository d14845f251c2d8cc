#include "platform/formula_picture_controller.h"

#include <QCoreApplication>

#include <optional>
#include <utility>

#include "platform/formula_image.h"
#include "platform/picture_files.h"

namespace quble {

namespace {
constexpr const char* kNoPictureTitle = "No Picture!";
constexpr const char* kNoPictureText = "There is no metafile picture in the clipboard!";
}  // namespace

std::string ApplicationTitle() {
    const QString n = QCoreApplication::applicationName();
    return n.isEmpty() ? "Quble" : n.toStdString();
}

FormulaPictureController::FormulaPictureController(FormulaImage* image, std::filesystem::path programFolder,
                                                   Placement placement, std::function<void(bool)> deleteEnabled)
    : image_(image), folder_(std::move(programFolder)), placement_(placement),
      deleteEnabled_(std::move(deleteEnabled)) {}

void FormulaPictureController::SetShown(bool shown, bool fromExample) {
    shown_ = shown;
    fromExample_ = fromExample;
    if (deleteEnabled_) deleteEnabled_(shown);
}

bool FormulaPictureController::Show(std::vector<std::uint8_t> emf) {
    const bool ok = image_->ShowPicture(std::move(emf), placement_.left, placement_.top, placement_.longSide);
    if (ok && placement_.raise) image_->raise();
    return ok;
}

bool FormulaPictureController::Paste() {
    std::optional<ClipPicture> pic = clipboard_ ? TakeClipPicture(clipboard_->MimeData()) : std::nullopt;
    std::vector<std::uint8_t> emf;
    if (pic) emf = FormulaEmfFromClip(*pic, nullptr);
    // An EMF without a size would show as nothing: no picture either, and
    // it is not kept.
    if (emf.empty() || FormulaNaturalSize(emf).isEmpty()) {
        if (dialogs_) dialogs_->MessageBox(kNoPictureTitle, kNoPictureText, MsgButtons::Ok, MsgIcon::Critical);
        return false;
    }
    // Kept first: a picture that cannot be saved would vanish from the next
    // export, so it is not shown either and the current formula stays.
    std::string error;
    if (!SaveClipMF(emf, folder_.string(), placement_.clipFileName, &error)) {
        if (dialogs_) dialogs_->MessageBox(ApplicationTitle(), MetafileFailedText(error));
        return false;
    }
    Show(std::move(emf));
    SetShown(true, false);
    QCoreApplication::processEvents();
    return true;
}

void FormulaPictureController::Delete() {
    image_->ClearPicture();
    SetShown(false, false);
}

bool FormulaPictureController::ExamplePictureAdd(const std::string& path) {
    examplePath_ = path;
    image_->ClearPicture();
    std::vector<std::uint8_t> emf;
    if (!ReadFormulaFile(path, &emf, nullptr) || !Show(std::move(emf))) {
        image_->ClearPicture();
        SetShown(false, false);
        return false;
    }
    SetShown(true, true);
    return true;
}

void FormulaPictureController::VerifFormula(const std::filesystem::path& folder) {
    Delete();
    if (std::optional<std::filesystem::path> f = FindFormulaBeside(folder)) ExamplePictureAdd(f->string());
}

bool FormulaPictureController::CanPaste() const { return clipboard_ && HasClipPicture(clipboard_->MimeData()); }

std::vector<std::uint8_t> FormulaPictureController::ShownEmf() const {
    if (shown_ && image_->HasPicture()) return image_->Emf();
    return {};
}

QRectF FormulaPictureController::Rect() const { return image_->UnitRect(); }

}  // namespace quble
