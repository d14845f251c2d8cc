// A drawing surface that records an enhanced metafile in memory, through
// libUEMF's record builders, and writes it to a file in one piece. Logical
// units are the surface's user units, rounded to integers as GDI's calls
// take them; the page setup maps them onto the reference device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/drawing_surface.h"
#include "platform/emf_format.h"

namespace quble {

// The screen a metafile refers to: pixels, millimetres, pixels per inch.
struct ScreenMetrics {
    int HORZRES = 1920;
    int VERTRES = 1080;
    int HORZSIZE = 508;  // mm
    int VERTSIZE = 286;
    int LOGPIXELSX = 96;
    int LOGPIXELSY = 96;
};

struct EmfPageSetup {
    double scaleWidth = 0;   // the surface's user units
    double scaleHeight = 0;
    EmfRect frame;           // 0.01 mm
    ScreenMetrics screen;
};

class EmfSurface : public DrawingSurface {
public:
    explicit EmfSurface(const EmfPageSetup& setup);
    ~EmfSurface() override;
    EmfSurface(const EmfSurface&) = delete;
    EmfSurface& operator=(const EmfSurface&) = delete;

    double ScaleWidth() const override { return setup_.scaleWidth; }
    double ScaleHeight() const override { return setup_.scaleHeight; }

    void Clear(ColorRef background) override;
    void SetPen(const Pen& pen) override;
    void MoveTo(double x, double y) override;
    void LineTo(double x, double y) override;
    void Polyline(const PointF* points, std::size_t count) override;
    void Box(double x1, double y1, double x2, double y2, ColorRef color, bool filled) override;
    void Ellipse(double x1, double y1, double x2, double y2) override;
    void SetPixel(double x, double y, ColorRef color) override;
    void SetFont(const Font& font) override;
    void SetTextColor(ColorRef color) override;
    void TextOut(double x, double y, std::string_view text) override;
    TextExtent MeasureText(const Font& font, std::string_view text) const override;

    // Mapping records (GDI's SetMapMode, SetWindowExtEx, SetViewportExtEx).
    void SetMapMode(std::uint32_t mode);
    void SetWindowExtEx(std::int32_t cx, std::int32_t cy);
    void SetViewportExtEx(std::int32_t cx, std::int32_t cy);

    // Plays another metafile's records into this one so that its frame fills
    // the rectangle (logical units): the device-context state is saved before
    // and restored after it, its objects are renumbered past ours and deleted
    // afterwards. Nothing is written when the metafile is unreadable.
    bool EmbedMetafile(const std::vector<std::uint8_t>& emf, double left, double top, double right, double bottom,
                       std::string* error);

    // Ends the metafile (selects the stock objects back, deletes ours, adds
    // the end record, fills in the header) and returns its bytes. Drawing
    // after this is ignored.
    const std::vector<std::uint8_t>& Finish();
    // Finish, then write the file atomically.
    bool Save(const std::string& path, std::string* error);

    std::uint32_t RecordCount() const { return records_; }

private:
    void Append(char* record);  // takes a libUEMF record and frees it
    void AppendBytes(const std::uint8_t* data, std::size_t size);
    void Include(double x, double y);
    std::int32_t L(double v) const;
    void SyncPen();
    void SyncFont();
    void SyncTextColor();
    void EnsureNullBrush();
    void EnsureTransparentText();
    void SelectStock(std::uint32_t stock);
    std::uint32_t NewHandleIndex();

    EmfPageSetup setup_;
    std::vector<std::uint8_t> bytes_;
    std::uint32_t records_ = 0;
    std::uint32_t maxHandle_ = 0;
    void* handles_ = nullptr;  // libUEMF's handle table (EMFHANDLES)
    bool finished_ = false;
    int winExtX_ = 1, winExtY_ = 1, vpExtX_ = 1, vpExtY_ = 1;
    bool anisotropic_ = false;

    Pen pen_;
    bool penDirty_ = true;
    std::uint32_t penHandle_ = 0;
    Font font_;
    bool fontDirty_ = true;
    std::uint32_t fontHandle_ = 0;
    ColorRef textColor_ = 0;
    bool textColorEmitted_ = false;
    ColorRef emittedTextColor_ = 0;
    bool nullBrush_ = false;
    bool transparentText_ = false;

    PointF current_;
    bool emfCurrentKnown_ = false;  // the metafile's current point equals current_
    bool anyDrawn_ = false;
    double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
};

// Writes the bytes to a temporary file beside path, flushes it to disk and
// renames it over path. On failure the temporary file is removed, the old
// file is left as it was and error says why.
bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error);

}  // namespace quble
