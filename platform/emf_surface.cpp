#include "platform/emf_surface.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <vector>

#include <uemf.h>

#include "platform/ttf_metrics.h"

namespace quble {

namespace {

constexpr double kCoordLimit = 1 << 30;

std::uint32_t Get32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void Put32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

bool Fail(std::string* error, std::string why) {
    if (error) *error = std::move(why);
    return false;
}

U_COLORREF Colour(ColorRef c) {
    const ColorRef r = ResolveColor(c);
    return colorref3_set(static_cast<uint8_t>(RedOf(r)), static_cast<uint8_t>(GreenOf(r)),
                         static_cast<uint8_t>(BlueOf(r)));
}

EMFHANDLES* Table(void* t) { return static_cast<EMFHANDLES*>(t); }

U_XFORM ToXform(const Affine& a) {
    return xform_set(static_cast<U_FLOAT>(a.m11), static_cast<U_FLOAT>(a.m12), static_cast<U_FLOAT>(a.m21),
                     static_cast<U_FLOAT>(a.m22), static_cast<U_FLOAT>(a.dx), static_cast<U_FLOAT>(a.dy));
}

std::u16string ToUtf16(std::u32string_view text) {
    std::u16string out;
    for (char32_t c : text) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

}  // namespace

EmfSurface::EmfSurface(const EmfPageSetup& setup) : setup_(setup) {
    EMFHANDLES* table = nullptr;
    emf_htable_create(128, 128, &table);
    handles_ = table;
    const ScreenMetrics& s = setup_.screen;
    // Until the page is mapped, one logical unit is one device pixel.
    winExtX_ = vpExtX_ = 1;
    winExtY_ = vpExtY_ = 1;
    // Description: a single "0", as the program has always written it.
    uint16_t description[3] = {'0', 0, 0};
    const U_RECTL empty{0, 0, -1, -1};
    const U_RECTL frame{setup_.frame.left, setup_.frame.top, setup_.frame.right, setup_.frame.bottom};
    Append(U_EMRHEADER_set(empty, frame, nullptr, 3, description, sizel_set(s.HORZRES, s.VERTRES),
                           sizel_set(s.HORZSIZE, s.VERTSIZE), 0));
}

EmfSurface::~EmfSurface() {
    EMFHANDLES* table = Table(handles_);
    if (table) emf_htable_free(&table);
}

void EmfSurface::Append(char* record) {
    if (record == nullptr) return;
    const std::uint8_t* p = reinterpret_cast<const std::uint8_t*>(record);
    AppendBytes(p, Get32(p + 4));
    std::free(record);
}

void EmfSurface::AppendBytes(const std::uint8_t* data, std::size_t size) {
    if (finished_) return;
    bytes_.insert(bytes_.end(), data, data + size);
    ++records_;
}

std::int32_t EmfSurface::L(double v) const {
    if (!std::isfinite(v)) return 0;
    return static_cast<std::int32_t>(std::nearbyint(std::clamp(v, -kCoordLimit, kCoordLimit)));
}

void EmfSurface::Include(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (!anyDrawn_) {
        minX_ = maxX_ = x;
        minY_ = maxY_ = y;
        anyDrawn_ = true;
        return;
    }
    minX_ = std::min(minX_, x);
    maxX_ = std::max(maxX_, x);
    minY_ = std::min(minY_, y);
    maxY_ = std::max(maxY_, y);
}

std::uint32_t EmfSurface::NewHandleIndex() {
    std::uint32_t ih = 0;
    emf_htable_insert(&ih, Table(handles_));
    maxHandle_ = std::max(maxHandle_, ih);
    return ih;
}

void EmfSurface::SetMapMode(std::uint32_t mode) {
    anisotropic_ = mode == U_MM_ANISOTROPIC;
    Append(U_EMRSETMAPMODE_set(mode));
}

void EmfSurface::SetWindowExtEx(std::int32_t cx, std::int32_t cy) {
    winExtX_ = cx;
    winExtY_ = cy;
    Append(U_EMRSETWINDOWEXTEX_set(sizel_set(cx, cy)));
}

void EmfSurface::SetViewportExtEx(std::int32_t cx, std::int32_t cy) {
    vpExtX_ = cx;
    vpExtY_ = cy;
    Append(U_EMRSETVIEWPORTEXTEX_set(sizel_set(cx, cy)));
}

void EmfSurface::SelectStock(std::uint32_t stock) { Append(U_EMRSELECTOBJECT_set(stock)); }

void EmfSurface::SyncPen() {
    if (!penDirty_) return;
    // The new pen is created and selected before the old one is deleted, so
    // a created object is never deleted while selected.
    const std::uint32_t old = penHandle_;
    penHandle_ = NewHandleIndex();
    const int width = pen_.width <= 0 ? 0 : static_cast<int>(std::max(0.0, std::round(std::min(pen_.width, 1e6))));
    U_POINT w{width, 0};
    Append(U_EMRCREATEPEN_set(penHandle_, logpen_set(U_PS_SOLID, w, Colour(pen_.color))));
    Append(U_EMRSELECTOBJECT_set(penHandle_));
    if (old != 0) {
        std::uint32_t ih = old;
        Append(deleteobject_set(&ih, Table(handles_)));
    }
    penDirty_ = false;
}

void EmfSurface::SyncFont() {
    if (!fontDirty_) return;
    const std::uint32_t old = fontHandle_;
    fontHandle_ = NewHandleIndex();
    uint16_t face[U_LF_FACESIZE] = {};
    const std::u16string f16 = ToUtf16(DecodeUtf8(font_.face));
    for (std::size_t i = 0; i < f16.size() && i + 1 < U_LF_FACESIZE; ++i) face[i] = f16[i];
    // A negative height asks for that character (em) height, not cell height.
    const int height = -std::max(1, static_cast<int>(std::lround(std::clamp(font_.height, 1.0, 1e5))));
    U_LOGFONT lf = logfont_set(height, 0, font_.escapement, font_.escapement, font_.weight, 0,
                               font_.underline ? 1 : 0, 0, U_DEFAULT_CHARSET, 0, 0, 0, 0, face);
    Append(U_EMREXTCREATEFONTINDIRECTW_set(fontHandle_, reinterpret_cast<const char*>(&lf), nullptr));
    Append(U_EMRSELECTOBJECT_set(fontHandle_));
    if (old != 0) {
        std::uint32_t ih = old;
        Append(deleteobject_set(&ih, Table(handles_)));
    }
    fontDirty_ = false;
}

void EmfSurface::SyncTextColor() {
    if (textColorEmitted_ && emittedTextColor_ == textColor_) return;
    Append(U_EMRSETTEXTCOLOR_set(Colour(textColor_)));
    textColorEmitted_ = true;
    emittedTextColor_ = textColor_;
}

void EmfSurface::EnsureNullBrush() {
    if (nullBrush_) return;
    // Outlines only: GDI's default brush would fill ellipses white.
    SelectStock(U_NULL_BRUSH);
    nullBrush_ = true;
}

void EmfSurface::EnsureTransparentText() {
    if (transparentText_) return;
    Append(U_EMRSETBKMODE_set(U_TRANSPARENT));
    Append(U_EMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT | U_TA_NOUPDATECP));
    transparentText_ = true;
}

void EmfSurface::Clear(ColorRef background) {
    Box(0, 0, setup_.scaleWidth, setup_.scaleHeight, background, true);
}

void EmfSurface::SetPen(const Pen& pen) {
    if (pen == pen_ && penHandle_ != 0) return;
    pen_ = pen;
    penDirty_ = true;
    // Created and selected now, before the moves and lines that use it.
    SyncPen();
}

void EmfSurface::MoveTo(double x, double y) {
    current_ = {x, y};
    Append(U_EMRMOVETOEX_set(point32_set(L(x), L(y))));
    emfCurrentKnown_ = true;
}

void EmfSurface::LineTo(double x, double y) {
    SyncPen();
    if (!emfCurrentKnown_) Append(U_EMRMOVETOEX_set(point32_set(L(current_.x), L(current_.y))));
    Include(current_.x, current_.y);
    Include(x, y);
    Append(U_EMRLINETO_set(point32_set(L(x), L(y))));
    current_ = {x, y};
    emfCurrentKnown_ = true;
}

void EmfSurface::Polyline(const PointF* points, std::size_t count) {
    if (count == 0) return;
    if (count == 1) {
        MoveTo(points[0].x, points[0].y);
        return;
    }
    SyncPen();
    std::vector<U_POINTL> pts(count);
    bool fits16 = true;
    for (std::size_t i = 0; i < count; ++i) {
        pts[i] = point32_set(L(points[i].x), L(points[i].y));
        fits16 = fits16 && pts[i].x >= INT16_MIN && pts[i].x <= INT16_MAX && pts[i].y >= INT16_MIN &&
                 pts[i].y <= INT16_MAX;
        Include(points[i].x, points[i].y);
    }
    // The bounds field of the record is informative; the header's bounds
    // are what readers use.
    const U_RECTL bounds{L(minX_), L(minY_), L(maxX_), L(maxY_)};
    if (fits16) {
        std::vector<U_POINT16> p16(count);
        for (std::size_t i = 0; i < count; ++i) {
            p16[i] = point16_set(static_cast<int16_t>(pts[i].x), static_cast<int16_t>(pts[i].y));
        }
        Append(U_EMRPOLYLINE16_set(bounds, static_cast<uint32_t>(count), p16.data()));
    } else {
        Append(U_EMRPOLYLINE_set(bounds, static_cast<uint32_t>(count), pts.data()));
    }
    // A polyline leaves the metafile's current point where it was.
    current_ = points[count - 1];
    emfCurrentKnown_ = false;
}

void EmfSurface::Box(double x1, double y1, double x2, double y2, ColorRef color, bool filled) {
    SyncPen();
    Include(x1, y1);
    Include(x2, y2);
    const U_RECTL r{L(std::min(x1, x2)), L(std::min(y1, y2)), L(std::max(x1, x2)), L(std::max(y1, y2))};
    const std::uint32_t ih = NewHandleIndex();
    if (filled) {
        // A rectangle with no outline fills up to, not including, its right
        // and bottom edges; one more unit covers the whole box.
        Append(U_EMRCREATEBRUSHINDIRECT_set(ih, logbrush_set(U_BS_SOLID, Colour(color), 0)));
        Append(U_EMRSELECTOBJECT_set(ih));
        SelectStock(U_NULL_PEN);
        Append(U_EMRRECTANGLE_set(U_RECTL{r.left, r.top, r.right + 1, r.bottom + 1}));
        Append(U_EMRSELECTOBJECT_set(penHandle_));
        SelectStock(U_NULL_BRUSH);
        nullBrush_ = true;
    } else {
        EnsureNullBrush();
        Append(U_EMRCREATEPEN_set(ih, logpen_set(U_PS_SOLID, U_POINT{0, 0}, Colour(color))));
        Append(U_EMRSELECTOBJECT_set(ih));
        Append(U_EMRRECTANGLE_set(r));
        Append(U_EMRSELECTOBJECT_set(penHandle_));
    }
    std::uint32_t del = ih;
    Append(deleteobject_set(&del, Table(handles_)));
}

void EmfSurface::Ellipse(double x1, double y1, double x2, double y2) {
    SyncPen();
    EnsureNullBrush();
    Include(x1, y1);
    Include(x2, y2);
    Append(U_EMRELLIPSE_set(U_RECTL{L(x1), L(y1), L(x2), L(y2)}));
}

void EmfSurface::SetPixel(double x, double y, ColorRef color) {
    Include(x, y);
    Append(U_EMRSETPIXELV_set(point32_set(L(x), L(y)), Colour(color)));
    current_ = {x, y};
}

void EmfSurface::SetFont(const Font& font) {
    if (font == font_ && fontHandle_ != 0) return;
    font_ = font;
    fontDirty_ = true;
}

void EmfSurface::SetTextColor(ColorRef color) { textColor_ = color; }

void EmfSurface::TextOut(double x, double y, std::string_view text) {
    if (text.empty()) return;
    SyncFont();
    SyncTextColor();
    EnsureTransparentText();
    const std::u32string cps = DecodeUtf8(text);
    const std::u16string units = ToUtf16(cps);
    const double height = std::max(1.0, std::round(font_.height));
    const std::vector<double> adv = TextAdvances(font_.weight, height, cps);
    // Advances rounded cumulatively, so the whole text keeps its width.
    std::vector<uint32_t> dx;
    dx.reserve(units.size());
    double pos = 0;
    for (std::size_t i = 0; i < cps.size(); ++i) {
        const double next = pos + adv[i];
        dx.push_back(static_cast<uint32_t>(std::max(0L, std::lround(next) - std::lround(pos))));
        if (cps[i] >= 0x10000) dx.push_back(0);  // the second half of a surrogate pair
        pos = next;
    }
    // Bounds of the text cell, turned with the escapement.
    const double a = font_.escapement * M_PI / 1800.0;
    const double lineH = TextLineHeight(font_.weight, height);
    const double ca = std::cos(a), sa = std::sin(a);
    for (auto [u, v] : {std::pair{0.0, 0.0}, {pos, 0.0}, {0.0, lineH}, {pos, lineH}}) {
        Include(x + u * ca + v * sa, y - u * sa + v * ca);
    }
    std::vector<uint16_t> str(units.begin(), units.end());
    const U_RECTL noClip{0, 0, -1, -1};
    char* text_ = emrtext_set(point32_set(L(x), L(y)), static_cast<U_NUM_STR>(units.size()), 2, str.data(), 0,
                              noClip, dx.data());
    // Page units per 0.01 mm, for readers that place text in compatible mode.
    const double frameW = setup_.frame.right - setup_.frame.left;
    const double frameH = setup_.frame.bottom - setup_.frame.top;
    const U_FLOAT ex = setup_.scaleWidth > 0 ? static_cast<U_FLOAT>(frameW / setup_.scaleWidth) : 1.0f;
    const U_FLOAT ey = setup_.scaleHeight > 0 ? static_cast<U_FLOAT>(frameH / setup_.scaleHeight) : 1.0f;
    const U_RECTL bounds{L(x), L(y), L(x + pos), L(y + lineH)};
    Append(U_EMREXTTEXTOUTW_set(bounds, U_GM_COMPATIBLE, ex, ey, reinterpret_cast<PU_EMRTEXT>(text_)));
    std::free(text_);
}

TextExtent EmfSurface::MeasureText(const Font& font, std::string_view text) const {
    const std::u32string cps = DecodeUtf8(text);
    double w = 0;
    for (double a : TextAdvances(font.weight, font.height, cps)) w += a;
    return {w, TextLineHeight(font.weight, font.height)};
}

bool EmfSurface::EmbedMetafile(const std::vector<std::uint8_t>& emf, double left, double top, double right,
                               double bottom, std::string* error) {
    if (finished_) return Fail(error, "metafile already finished");
    EmfHeaderInfo h;
    if (!ParseEmfHeader(emf.data(), emf.size(), &h, error)) return false;
    const double pxPerMmX = static_cast<double>(h.deviceW) / h.deviceMmW;
    const double pxPerMmY = static_cast<double>(h.deviceH) / h.deviceMmH;
    const double fl = h.frame.left / 100.0 * pxPerMmX, fr = h.frame.right / 100.0 * pxPerMmX;
    const double ft = h.frame.top / 100.0 * pxPerMmY, fb = h.frame.bottom / 100.0 * pxPerMmY;
    if (fr == fl || fb == ft) return Fail(error, "formula picture has an empty frame");
    Affine toTarget;  // the formula's device pixels -> our logical units
    toTarget.m11 = (right - left) / (fr - fl);
    toTarget.m22 = (bottom - top) / (fb - ft);
    toTarget.dx = left - fl * toTarget.m11;
    toTarget.dy = top - ft * toTarget.m22;

    // First pass: every record must be sound before anything is written.
    std::uint32_t maxIh = 0;
    {
        EmfRecordWalker walk(emf.data(), std::min<std::size_t>(emf.size(), h.nBytes ? h.nBytes : emf.size()));
        EmfRecord rec;
        while (walk.Next(&rec)) {
            std::size_t at = 0;
            switch (rec.type) {
                case emr::CREATEPEN: case emr::CREATEBRUSHINDIRECT: case emr::EXTCREATEFONTINDIRECTW:
                case emr::EXTCREATEPEN: case emr::CREATEPALETTE: case emr::CREATEMONOBRUSH:
                case emr::CREATEDIBPATTERNBRUSHPT: case emr::CREATECOLORSPACE: case emr::CREATECOLORSPACEW:
                case emr::SELECTOBJECT: case emr::DELETEOBJECT: case emr::SELECTPALETTE:
                case emr::SETPALETTEENTRIES: case emr::RESIZEPALETTE: case emr::SETCOLORSPACE:
                case emr::DELETECOLORSPACE: at = 8; break;
                case emr::FILLRGN: case emr::FRAMERGN: at = 24; break;
                default: break;
            }
            if (at != 0) {
                if (!rec.Has(at, 4)) return Fail(error, "object record too short");
                const std::uint32_t ih = rec.U32(at);
                if ((ih & kStockObjectFlag) == 0) {
                    if (ih == 0 || ih > 0xFFFF) return Fail(error, "object index out of range");
                    maxIh = std::max(maxIh, ih);
                }
            }
        }
        if (!walk.error().empty()) return Fail(error, walk.error());
    }
    const std::uint32_t base = std::max<std::uint32_t>(maxHandle_, handles_ ? Table(handles_)->peak : 0);
    if (base + maxIh > 0xFFFF) return Fail(error, "too many objects");

    struct State {
        EmfMapping map;
        Affine world;
    };
    State st;
    std::vector<State> stack;
    auto composite = [&]() { return st.world.Then(st.map.PageToDevice()).Then(toTarget); };
    auto emitTransform = [&]() {
        const Affine c = composite();
        if (c.Invertible()) Append(U_EMRSETWORLDTRANSFORM_set(ToXform(c)));
    };

    Append(U_EMRSAVEDC_set());
    emitTransform();
    std::set<std::uint32_t> live;
    EmfRecordWalker walk(emf.data(), std::min<std::size_t>(emf.size(), h.nBytes ? h.nBytes : emf.size()));
    EmfRecord rec;
    std::vector<std::uint8_t> copy;
    while (walk.Next(&rec)) {
        const auto num = [&](std::size_t off) { return rec.Has(off, 4) ? static_cast<double>(rec.I32(off)) : 0.0; };
        switch (rec.type) {
            case emr::HEADER: case emr::EOF_:
            // Clip regions are in the formula's device units, which do not
            // exist here.
            case emr::EXTSELECTCLIPRGN: case emr::SETMETARGN: case emr::OFFSETCLIPRGN:
                continue;
            case emr::SETMAPMODE:
                st.map.SetMode(static_cast<std::uint32_t>(num(8)), pxPerMmX, pxPerMmY);
                emitTransform();
                continue;
            case emr::SETWINDOWEXTEX: st.map.winExtX = num(8); st.map.winExtY = num(12); emitTransform(); continue;
            case emr::SETWINDOWORGEX: st.map.winOrgX = num(8); st.map.winOrgY = num(12); emitTransform(); continue;
            case emr::SETVIEWPORTEXTEX: st.map.vpExtX = num(8); st.map.vpExtY = num(12); emitTransform(); continue;
            case emr::SETVIEWPORTORGEX: st.map.vpOrgX = num(8); st.map.vpOrgY = num(12); emitTransform(); continue;
            case emr::SCALEVIEWPORTEXTEX: case emr::SCALEWINDOWEXTEX: {
                const double xn = num(8), xd = num(12), yn = num(16), yd = num(20);
                if (xd != 0 && yd != 0) {
                    double& ex = rec.type == emr::SCALEVIEWPORTEXTEX ? st.map.vpExtX : st.map.winExtX;
                    double& ey = rec.type == emr::SCALEVIEWPORTEXTEX ? st.map.vpExtY : st.map.winExtY;
                    ex = ex * xn / xd;
                    ey = ey * yn / yd;
                    emitTransform();
                }
                continue;
            }
            case emr::SETWORLDTRANSFORM: case emr::MODIFYWORLDTRANSFORM: {
                if (!rec.Has(8, 24)) return Fail(error, "transform record too short");
                Affine x{rec.F32(8), rec.F32(12), rec.F32(16), rec.F32(20), rec.F32(24), rec.F32(28)};
                std::uint32_t mode = 4;  // MWT_SET
                if (rec.type == emr::MODIFYWORLDTRANSFORM) mode = rec.Has(32, 4) ? rec.U32(32) : 0;
                if (mode == 1) st.world = Affine{};
                else if (mode == 2) st.world = x.Then(st.world);   // MWT_LEFTMULTIPLY
                else if (mode == 3) st.world = st.world.Then(x);   // MWT_RIGHTMULTIPLY
                else if (mode == 4) st.world = x;
                emitTransform();
                continue;
            }
            case emr::SAVEDC:
                stack.push_back(st);
                break;
            case emr::RESTOREDC: {
                const std::int32_t n = rec.Has(8, 4) ? rec.I32(8) : 0;
                const std::int64_t depth = static_cast<std::int64_t>(stack.size());
                // Restores reaching past the formula's own saves are dropped:
                // they would undo our state.
                std::int64_t k = n < 0 ? -static_cast<std::int64_t>(n) : (n > 0 ? depth - n + 1 : 0);
                if (k < 1 || k > depth) continue;
                st = stack[static_cast<std::size_t>(depth - k)];
                stack.resize(static_cast<std::size_t>(depth - k));
                Append(U_EMRRESTOREDC_set(static_cast<int32_t>(-k)));
                continue;
            }
            default: break;
        }
        copy.assign(rec.data, rec.data + rec.size);
        auto renumber = [&](std::size_t off) {
            const std::uint32_t ih = Get32(copy.data() + off);
            if (ih & kStockObjectFlag) return ih;
            Put32(copy.data() + off, ih + base);
            return ih + base;
        };
        switch (rec.type) {
            case emr::CREATEPEN: case emr::CREATEBRUSHINDIRECT: case emr::EXTCREATEFONTINDIRECTW:
            case emr::EXTCREATEPEN: case emr::CREATEPALETTE: case emr::CREATEMONOBRUSH:
            case emr::CREATEDIBPATTERNBRUSHPT: case emr::CREATECOLORSPACE: case emr::CREATECOLORSPACEW:
                live.insert(renumber(8));
                break;
            case emr::DELETEOBJECT: case emr::DELETECOLORSPACE: live.erase(renumber(8)); break;
            case emr::SELECTOBJECT: case emr::SELECTPALETTE: case emr::SETPALETTEENTRIES: case emr::RESIZEPALETTE:
            case emr::SETCOLORSPACE: renumber(8); break;
            case emr::FILLRGN: case emr::FRAMERGN: renumber(24); break;
            default: break;
        }
        AppendBytes(copy.data(), copy.size());
    }
    // Back to our own state (also undoing saves the formula left open), then
    // its remaining objects go.
    Append(U_EMRRESTOREDC_set(-static_cast<int32_t>(stack.size() + 1)));
    for (std::uint32_t ih : live) Append(U_EMRDELETEOBJECT_set(ih));
    maxHandle_ = std::max(maxHandle_, base + maxIh);
    // Our pen, font and brush are selected again by the restore.
    emfCurrentKnown_ = false;
    Include(left, top);
    Include(right, bottom);
    return true;
}

const std::vector<std::uint8_t>& EmfSurface::Finish() {
    if (finished_) return bytes_;
    if (penHandle_ != 0 || fontHandle_ != 0) {
        if (penHandle_ != 0) {
            SelectStock(U_BLACK_PEN);
            std::uint32_t ih = penHandle_;
            Append(deleteobject_set(&ih, Table(handles_)));
        }
        if (fontHandle_ != 0) {
            SelectStock(U_DEVICE_DEFAULT_FONT);
            std::uint32_t ih = fontHandle_;
            Append(deleteobject_set(&ih, Table(handles_)));
        }
    }
    // End record: no palette.
    const std::uint32_t eof[5] = {emr::EOF_, 20, 0, 16, 20};
    AppendBytes(reinterpret_cast<const std::uint8_t*>(eof), sizeof eof);
    finished_ = true;

    std::uint8_t* hdr = bytes_.data();
    if (anyDrawn_) {
        // Logical to device through the page mapping.
        const double sx = anisotropic_ && winExtX_ ? static_cast<double>(vpExtX_) / winExtX_ : 1.0;
        const double sy = anisotropic_ && winExtY_ ? static_cast<double>(vpExtY_) / winExtY_ : 1.0;
        // Drawing beyond the picture (the envelope runs past both sides) is
        // cut off by it; readers place the picture by these bounds.
        const double devW = setup_.frame.right / 2540.0 * setup_.screen.HORZRES * 25.4 / setup_.screen.HORZSIZE;
        const double devH = setup_.frame.bottom / 2540.0 * setup_.screen.VERTRES * 25.4 / setup_.screen.VERTSIZE;
        auto clampX = [&](double v) { return std::clamp(v, 0.0, std::max(0.0, std::round(devW) - 1)); };
        auto clampY = [&](double v) { return std::clamp(v, 0.0, std::max(0.0, std::round(devH) - 1)); };
        Put32(hdr + 8, static_cast<std::uint32_t>(L(clampX(std::floor(minX_ * sx)))));
        Put32(hdr + 12, static_cast<std::uint32_t>(L(clampY(std::floor(minY_ * sy)))));
        Put32(hdr + 16, static_cast<std::uint32_t>(L(clampX(std::ceil(maxX_ * sx)))));
        Put32(hdr + 20, static_cast<std::uint32_t>(L(clampY(std::ceil(maxY_ * sy)))));
    }
    Put32(hdr + 48, static_cast<std::uint32_t>(bytes_.size()));
    Put32(hdr + 52, records_);
    const std::uint32_t nHandles = std::max<std::uint32_t>(maxHandle_, handles_ ? Table(handles_)->peak : 0) + 1;
    const std::uint16_t nh16 = static_cast<std::uint16_t>(std::min<std::uint32_t>(nHandles, 0xFFFF));
    std::memcpy(hdr + 56, &nh16, 2);
    return bytes_;
}

bool EmfSurface::Save(const std::string& path, std::string* error) {
    return WriteFileAtomically(path, Finish(), error);
}

bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
    std::string tmpl = path + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return Fail(error, "cannot create a file beside " + path + ": " + std::strerror(errno));
    const std::string tmp(name.data());
    auto abandon = [&](const std::string& why) {
        const std::string reason = why + ": " + std::strerror(errno);
        ::close(fd);
        ::unlink(tmp.c_str());
        return Fail(error, reason);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return abandon("cannot write " + path);
        }
        if (n == 0) {
            errno = ENOSPC;  // a write that makes no progress will never finish
            return abandon("cannot write " + path);
        }
        done += static_cast<std::size_t>(n);
    }
    // mkstemp makes the file private; a picture file is an ordinary one.
    ::fchmod(fd, 0644);
    if (::fsync(fd) != 0) return abandon("cannot write " + path);
    if (::close(fd) != 0) {
        const std::string reason = "cannot write " + path + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        return Fail(error, reason);
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const std::string reason = std::string("cannot replace ") + path + ": " + std::strerror(errno);
        ::unlink(tmp.c_str());
        return Fail(error, reason);
    }
    return true;
}

}  // namespace quble
