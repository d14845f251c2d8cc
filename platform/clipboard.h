// The clipboard as the windows use it: put a set of renderings of one
// picture (or a plain bitmap) on it, and take a picture back. The windows
// talk to this interface only, so tests can look at what was copied and
// offer what a paste should find.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QMimeData>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quble {

// Office programs look for one of these two names when they take an EMF
// from the clipboard of a Linux desktop.
inline constexpr const char* kMimeEmf = "image/x-emf";
inline constexpr const char* kMimeEmfAlt = "image/emf";
// Qt's name for the Windows clipboard's enhanced-metafile format.
inline constexpr const char* kMimeWindowsEmf = "application/x-qt-windows-mime;value=\"Enhanced Metafile\"";
inline constexpr const char* kMimeSvg = "image/svg+xml";
inline constexpr const char* kMimePng = "image/png";

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual void Clear() = 0;
    // Replaces the clipboard's contents; the clipboard owns data afterwards.
    virtual void SetMimeData(QMimeData* data) = 0;
    // What the clipboard holds now (null when empty); owned by the clipboard.
    virtual const QMimeData* MimeData() const = 0;
};

// The system clipboard (QGuiApplication::clipboard()).
class QtClipboard : public Clipboard {
public:
    void Clear() override;
    void SetMimeData(QMimeData* data) override;
    const QMimeData* MimeData() const override;
};

// A clipboard of our own, for tests and for a program without a display.
class FakeClipboard : public Clipboard {
public:
    void Clear() override { data_.reset(); }
    void SetMimeData(QMimeData* data) override { data_.reset(data); }
    const QMimeData* MimeData() const override { return data_.get(); }

private:
    std::unique_ptr<QMimeData> data_;
};

// One picture in every form we offer: the metafile under both EMF names,
// SVG and PNG renderings of the same drawing, and the PNG's image so that
// programs asking for a plain image find one too. Empty parts are left out.
QMimeData* PictureMimeData(const std::vector<std::uint8_t>& emf, const QByteArray& svg, const QByteArray& png);

// What a paste found on the clipboard, best form first: an EMF (under any of
// its names), else an SVG, else a raster image (PNG or any image Qt offers).
struct ClipPicture {
    enum class Kind { Emf, Svg, Raster } kind = Kind::Emf;
    std::vector<std::uint8_t> emf;  // Kind::Emf
    QByteArray svg;                 // Kind::Svg
    QImage image;                   // Kind::Raster
    QString mimeType;               // where it was found
};
std::optional<ClipPicture> TakeClipPicture(const QMimeData* data);
// Whether TakeClipPicture would find anything (for enabling "&Paste").
bool HasClipPicture(const QMimeData* data);

}  // namespace quble
