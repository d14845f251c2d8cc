// Reading enhanced metafiles safely: the header, a record walker that checks
// every record against the buffer, and the mapping from logical to device
// coordinates that the records' mapping-mode state describes. Shared by the
// writer (embedding a pasted formula) and the player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace quble {

struct EmfRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct EmfHeaderInfo {
    EmfRect bounds;   // device units
    EmfRect frame;    // 0.01 mm
    std::uint32_t nBytes = 0;
    std::uint32_t nRecords = 0;
    std::uint16_t nHandles = 0;
    std::int32_t deviceW = 0, deviceH = 0;  // reference device, pixels
    std::int32_t deviceMmW = 0, deviceMmH = 0;
};

// Checks signature, sizes and the reference device; the whole buffer is
// assumed to be the metafile (nBytes may not exceed it).
bool ParseEmfHeader(const std::uint8_t* data, std::size_t size, EmfHeaderInfo* out, std::string* error);

// One record as found in the buffer: type, size (a multiple of 4, at least 8,
// inside the buffer) and its bytes.
struct EmfRecord {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    const std::uint8_t* data = nullptr;

    bool Has(std::size_t offset, std::size_t length) const { return offset <= size && length <= size - offset; }
    // Only for offsets Has() accepted.
    std::uint32_t U32(std::size_t offset) const {
        std::uint32_t v;
        std::memcpy(&v, data + offset, 4);
        return v;
    }
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    float F32(std::size_t offset) const {
        float v;
        std::memcpy(&v, data + offset, 4);
        return v;
    }
};

class EmfRecordWalker {
public:
    EmfRecordWalker(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    // The next record; false at the end (after EMR_EOF or the last byte) or
    // on a malformed record, which sets error().
    bool Next(EmfRecord* rec);
    const std::string& error() const { return error_; }
    std::size_t offset() const { return pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool done_ = false;
    std::string error_;
};

// Affine transform in the EMF's XFORM form: x' = m11 x + m21 y + dx,
// y' = m12 x + m22 y + dy.
struct Affine {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
    double X(double x, double y) const { return m11 * x + m21 * y + dx; }
    double Y(double x, double y) const { return m12 * x + m22 * y + dy; }
    // Apply *this first, then next.
    Affine Then(const Affine& next) const;
    bool Invertible() const;
};

// The page-to-device part of a device context: mapping mode, window and
// viewport.
struct EmfMapping {
    std::uint32_t mode = 1;  // MM_TEXT
    double winOrgX = 0, winOrgY = 0, winExtX = 1, winExtY = 1;
    double vpOrgX = 0, vpOrgY = 0, vpExtX = 1, vpExtY = 1;
    // Applies a SetMapMode; the fixed modes reset the extents as GDI does.
    void SetMode(std::uint32_t mode, double pxPerMmX, double pxPerMmY);
    // Page (logical after the world transform) to device pixels.
    Affine PageToDevice() const;
};

// Record types used by the project (values of the EMF format).
namespace emr {
enum : std::uint32_t {
    HEADER = 1, POLYBEZIER = 2, POLYGON = 3, POLYLINE = 4, POLYBEZIERTO = 5, POLYLINETO = 6,
    POLYPOLYLINE = 7, POLYPOLYGON = 8, SETWINDOWEXTEX = 9, SETWINDOWORGEX = 10, SETVIEWPORTEXTEX = 11,
    SETVIEWPORTORGEX = 12, SETBRUSHORGEX = 13, EOF_ = 14, SETPIXELV = 15, SETMAPPERFLAGS = 16, SETMAPMODE = 17,
    SETBKMODE = 18, SETPOLYFILLMODE = 19, SETROP2 = 20, SETSTRETCHBLTMODE = 21, SETTEXTALIGN = 22,
    SETTEXTCOLOR = 24, SETBKCOLOR = 25, OFFSETCLIPRGN = 26, MOVETOEX = 27, SETMETARGN = 28,
    EXCLUDECLIPRECT = 29, INTERSECTCLIPRECT = 30, SCALEVIEWPORTEXTEX = 31, SCALEWINDOWEXTEX = 32, SAVEDC = 33,
    RESTOREDC = 34, SETWORLDTRANSFORM = 35, MODIFYWORLDTRANSFORM = 36, SELECTOBJECT = 37, CREATEPEN = 38,
    CREATEBRUSHINDIRECT = 39, DELETEOBJECT = 40, ANGLEARC = 41, ELLIPSE = 42, RECTANGLE = 43, ROUNDRECT = 44,
    ARC = 45, CHORD = 46, PIE = 47, SELECTPALETTE = 48, CREATEPALETTE = 49, SETPALETTEENTRIES = 50,
    RESIZEPALETTE = 51, REALIZEPALETTE = 52, EXTFLOODFILL = 53, LINETO = 54, ARCTO = 55, POLYDRAW = 56,
    SETARCDIRECTION = 57, SETMITERLIMIT = 58, BEGINPATH = 59, ENDPATH = 60, CLOSEFIGURE = 61, FILLPATH = 62,
    STROKEANDFILLPATH = 63, STROKEPATH = 64, FLATTENPATH = 65, WIDENPATH = 66, SELECTCLIPPATH = 67,
    ABORTPATH = 68, GDICOMMENT = 70, FILLRGN = 71, FRAMERGN = 72, INVERTRGN = 73, PAINTRGN = 74,
    EXTSELECTCLIPRGN = 75, BITBLT = 76, STRETCHBLT = 77, MASKBLT = 78, PLGBLT = 79, SETDIBITSTODEVICE = 80,
    STRETCHDIBITS = 81, EXTCREATEFONTINDIRECTW = 82, EXTTEXTOUTA = 83, EXTTEXTOUTW = 84, POLYBEZIER16 = 85,
    POLYGON16 = 86, POLYLINE16 = 87, POLYBEZIERTO16 = 88, POLYLINETO16 = 89, POLYPOLYLINE16 = 90,
    POLYPOLYGON16 = 91, POLYDRAW16 = 92, CREATEMONOBRUSH = 93, CREATEDIBPATTERNBRUSHPT = 94,
    EXTCREATEPEN = 95, POLYTEXTOUTA = 96, POLYTEXTOUTW = 97, SETICMMODE = 98, CREATECOLORSPACE = 99,
    SETCOLORSPACE = 100, DELETECOLORSPACE = 101, SMALLTEXTOUT = 108, CREATECOLORSPACEW = 122,
};
}  // namespace emr

constexpr std::uint32_t kStockObjectFlag = 0x80000000u;

}  // namespace quble
