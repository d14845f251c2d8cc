// The graph windows' side of a drop: a spectrum opened as if chosen in the
// experimental window's Open dialog, and a picture file pasted as the
// formula through the window's own paste, fed from a clipboard of its own so
// that the user's clipboard is left alone.
#include "app/window_drops.h"

#include <QFile>

#include <algorithm>
#include <cctype>

#include "experimental/form100_window.h"
#include "platform/clipboard.h"
#include "platform/formula_image.h"
#include "platform/formula_picture_controller.h"
#include "simulator/form1_window.h"

namespace quble {

std::unique_ptr<QMimeData> PictureFileAsClip(const std::filesystem::path& file, std::string* error) {
    const std::string name = file.filename().string();
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return std::unique_ptr<QMimeData>();
    };
    QFile f(QString::fromStdString(file.string()));
    if (!f.open(QIODevice::ReadOnly)) return fail("The picture file \"" + name + "\" cannot be read.");
    const QByteArray bytes = f.readAll();
    std::string ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    const char* type = ext == ".emf" ? kMimeEmf : ext == ".svg" ? kMimeSvg : ext == ".png" ? kMimePng : nullptr;
    if (!type) return fail("\"" + name + "\" is not an EMF, SVG or PNG picture.");
    auto data = std::make_unique<QMimeData>();
    data->setData(type, bytes);
    // Checked here as the paste would: its own message speaks of the
    // clipboard, which would puzzle someone who dropped a file.
    const std::optional<ClipPicture> pic = TakeClipPicture(data.get());
    const std::vector<std::uint8_t> emf = pic ? FormulaEmfFromClip(*pic, nullptr) : std::vector<std::uint8_t>{};
    if (emf.empty() || FormulaNaturalSize(emf).isEmpty())
        return fail("The file \"" + name + "\" holds no picture that can be shown.");
    return data;
}

namespace {

// The window's clipboard replaced for the length of one paste.
class BorrowedClipboard {
public:
    BorrowedClipboard(Clipboard*& slot, std::unique_ptr<QMimeData> data) : slot_(slot), saved_(slot) {
        own_.SetMimeData(data.release());
        slot_ = &own_;
    }
    ~BorrowedClipboard() { slot_ = saved_; }
    BorrowedClipboard(const BorrowedClipboard&) = delete;
    BorrowedClipboard& operator=(const BorrowedClipboard&) = delete;

private:
    Clipboard*& slot_;
    Clipboard* saved_;
    FakeClipboard own_;
};

// The dropped file as clipboard data, or null once the user has been told
// why it cannot be pasted.
std::unique_ptr<QMimeData> DroppedPictureOrSay(const std::string& path, Dialogs& dialogs) {
    std::string why;
    std::unique_ptr<QMimeData> data = PictureFileAsClip(path, &why);
    if (!data) dialogs.MessageBox(kDropNoPictureTitle, why, MsgButtons::Ok, MsgIcon::Critical);
    return data;
}

}  // namespace

bool Form1::DropFormulaPicture(const std::string& path) {
    std::unique_ptr<QMimeData> data = DroppedPictureOrSay(path, *dialogs_);
    if (!data) return false;
    BorrowedClipboard clip(clipboard_, std::move(data));
    mnuPaste_Click();
    return FormulaShown_ && !FormulaFromExample_;
}

void Form100::OpenDroppedSpectrum(const std::string& path) {
    // The Open dialog starts from the last file chosen, dropped ones too.
    lastChosen_ = path;
    OpenSpectrumFile(path);
}

bool Form100::DropFormulaPicture(const std::string& path) {
    std::unique_ptr<QMimeData> data = DroppedPictureOrSay(path, *dialogs_);
    if (!data) return false;
    FakeClipboard clip;
    clip.SetMimeData(data.release());
    formula_->SetClipboard(&clip);
    const bool ok = formula_->Paste();
    formula_->SetClipboard(clipboard_);
    return ok;
}

}  // namespace quble
