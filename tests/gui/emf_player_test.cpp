// The metafile player: mapping modes, transforms and saved states, text,
// bitmaps, the writer's graph played back against the direct drawing, and
// damaged metafiles that must end in an error rather than a crash.
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstring>
#include <filesystem>
#include <initializer_list>

#include "platform/emf_format.h"
#include "platform/emf_player.h"
#include "platform/emf_surface.h"
#include "platform/qpainter_surface.h"
#include "render/wind_draw.h"
#include "tests/core/render_test_util.h"

using namespace quble;

namespace {

// A metafile put together record by record. The reference device has one
// pixel per millimetre and the frame is 100 x 100 of them, so a 100 x 100
// image shows device pixels one to one.
class Builder {
public:
    Builder() {
        Add(emr::HEADER, {0, 0, 99, 99, 0, 0, 10000, 10000, 0x464D4520, 0x10000, 0, 0, 16, 0, 0, 0, 100, 100, 100,
                          100, 0, 0, 0, 100000, 100000});
    }
    Builder& Add(std::uint32_t type, std::initializer_list<std::int64_t> fields) {
        std::vector<std::uint8_t> body;
        for (std::int64_t f : fields) Put(body, static_cast<std::uint32_t>(f));
        return Raw(type, body);
    }
    Builder& Raw(std::uint32_t type, std::vector<std::uint8_t> body) {
        while (body.size() % 4) body.push_back(0);
        Put(data_, type);
        Put(data_, static_cast<std::uint32_t>(body.size() + 8));
        data_.insert(data_.end(), body.begin(), body.end());
        ++records_;
        return *this;
    }
    Builder& Floats(std::uint32_t type, std::initializer_list<float> xf, std::initializer_list<std::uint32_t> tail = {}) {
        std::vector<std::uint8_t> body;
        for (float f : xf) {
            std::uint32_t u;
            std::memcpy(&u, &f, 4);
            Put(body, u);
        }
        for (auto t : tail) Put(body, t);
        return Raw(type, body);
    }
    std::vector<std::uint8_t> Done() {
        Add(emr::EOF_, {0, 16, 20});
        std::vector<std::uint8_t> out = data_;
        const std::uint32_t n = static_cast<std::uint32_t>(out.size());
        std::memcpy(out.data() + 48, &n, 4);
        std::memcpy(out.data() + 52, &records_, 4);
        return out;
    }
    static void Put(std::vector<std::uint8_t>& v, std::uint32_t x) {
        for (int i = 0; i < 4; ++i) v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
    }

private:
    std::vector<std::uint8_t> data_;
    std::uint32_t records_ = 0;
};

constexpr std::uint32_t kRed = 0x0000FF, kBlue = 0xFF0000;

// Solid brush `ih` of the colour, no outline.
Builder& Fill(Builder& b, std::uint32_t ih, std::uint32_t colour) {
    b.Add(emr::CREATEBRUSHINDIRECT, {ih, 0, colour, 0}).Add(emr::SELECTOBJECT, {ih});
    return b.Add(emr::SELECTOBJECT, {0x80000008});
}

QImage Play(const std::vector<std::uint8_t>& emf, std::string* error = nullptr) {
    std::string e;
    QImage img = RenderEmfToImage(emf, QSize(100, 100), &e);
    EXPECT_FALSE(img.isNull()) << e;
    if (error) *error = e;
    return img;
}

QColor At(const QImage& img, int x, int y) { return img.pixelColor(x, y); }

bool Dark(QRgb c) { return qGray(c) < 160; }

// Share of the dark pixels of a that have no dark pixel of b within one
// pixel.
double Unmatched(const QImage& a, const QImage& b) {
    long dark = 0, missing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (!Dark(a.pixel(x, y))) continue;
            ++dark;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const int u = x + dx, v = y + dy;
                    found = u >= 0 && v >= 0 && u < b.width() && v < b.height() && Dark(b.pixel(u, v));
                }
            if (!found) ++missing;
        }
    return dark ? static_cast<double>(missing) / dark : 1.0;
}

}  // namespace

TEST(EmfPlayer, MappingModesPlaceTheSameRectangleDifferently) {
    // MM_TEXT: logical units are device pixels.
    {
        Builder b;
        Fill(b, 1, kRed).Add(emr::RECTANGLE, {10, 10, 20, 20});
        const QImage img = Play(b.Done());
        EXPECT_EQ(At(img, 15, 15), QColor(Qt::red));
        EXPECT_EQ(At(img, 25, 25), QColor(Qt::white));
    }
    // MM_ANISOTROPIC: 10 x 10 window onto a 100 x 50 viewport.
    {
        Builder b;
        b.Add(emr::SETMAPMODE, {8}).Add(emr::SETWINDOWEXTEX, {10, 10}).Add(emr::SETVIEWPORTEXTEX, {100, 50});
        Fill(b, 1, kRed).Add(emr::RECTANGLE, {0, 0, 5, 5});
        const QImage img = Play(b.Done());
        EXPECT_EQ(At(img, 45, 20), QColor(Qt::red));
        EXPECT_EQ(At(img, 45, 30), QColor(Qt::white));
        EXPECT_EQ(At(img, 55, 10), QColor(Qt::white));
    }
    // MM_ISOTROPIC: the smaller scale on both axes.
    {
        Builder b;
        b.Add(emr::SETMAPMODE, {7}).Add(emr::SETWINDOWEXTEX, {10, 10}).Add(emr::SETVIEWPORTEXTEX, {100, 50});
        Fill(b, 1, kRed).Add(emr::RECTANGLE, {0, 0, 5, 5});
        const QImage img = Play(b.Done());
        EXPECT_EQ(At(img, 20, 20), QColor(Qt::red));
        EXPECT_EQ(At(img, 40, 10), QColor(Qt::white));
    }
    // Origins: window origin (5, 5) lands on viewport origin (50, 50).
    {
        Builder b;
        b.Add(emr::SETMAPMODE, {8}).Add(emr::SETWINDOWEXTEX, {10, 10}).Add(emr::SETVIEWPORTEXTEX, {10, 10});
        b.Add(emr::SETWINDOWORGEX, {5, 5}).Add(emr::SETVIEWPORTORGEX, {50, 50});
        Fill(b, 1, kRed).Add(emr::RECTANGLE, {5, 5, 15, 15});
        const QImage img = Play(b.Done());
        EXPECT_EQ(At(img, 55, 55), QColor(Qt::red));
        EXPECT_EQ(At(img, 45, 45), QColor(Qt::white));
    }
    // A fixed metric mode: MM_LOMETRIC, y upward, 0.1 mm units.
    {
        Builder b;
        b.Add(emr::SETMAPMODE, {2}).Add(emr::SETVIEWPORTORGEX, {0, 100});
        Fill(b, 1, kRed).Add(emr::RECTANGLE, {0, 0, 200, 200});  // 20 mm square at the bottom left
        const QImage img = Play(b.Done());
        EXPECT_EQ(At(img, 10, 90), QColor(Qt::red));
        EXPECT_EQ(At(img, 10, 70), QColor(Qt::white));
    }
}

TEST(EmfPlayer, WorldTransformsAndSavedStates) {
    Builder b;
    Fill(b, 1, kRed);
    b.Add(emr::SAVEDC, {});
    b.Floats(emr::SETWORLDTRANSFORM, {1, 0, 0, 1, 50, 0});
    b.Add(emr::SAVEDC, {});
    Fill(b, 2, kBlue);
    // Scaling applied before the translation: the square doubles in size.
    b.Floats(emr::MODIFYWORLDTRANSFORM, {2, 0, 0, 2, 0, 0}, {2});
    b.Add(emr::RECTANGLE, {0, 0, 10, 10});  // blue, (50,0)-(70,20)
    b.Add(emr::RESTOREDC, {-2});            // back past both saves: red, no transform
    b.Add(emr::RECTANGLE, {0, 60, 10, 70});
    b.Add(emr::SAVEDC, {});
    Fill(b, 3, kBlue);
    b.Add(emr::RESTOREDC, {1});             // the first save by number
    b.Add(emr::RECTANGLE, {20, 60, 30, 70});
    b.Add(emr::RESTOREDC, {-5});            // nothing saved: ignored
    const QImage img = Play(b.Done());
    EXPECT_EQ(At(img, 65, 15), QColor(Qt::blue));
    EXPECT_EQ(At(img, 75, 15), QColor(Qt::white));
    EXPECT_EQ(At(img, 5, 65), QColor(Qt::red));
    EXPECT_EQ(At(img, 25, 65), QColor(Qt::red));
}

TEST(EmfPlayer, PensLinesAndCurves) {
    Builder b;
    // A 6-unit wide blue pen in a 2x scaled page: 12 pixels wide.
    b.Add(emr::SETMAPMODE, {8}).Add(emr::SETWINDOWEXTEX, {50, 50}).Add(emr::SETVIEWPORTEXTEX, {100, 100});
    b.Add(emr::CREATEPEN, {1, 0, 6, 0, kBlue}).Add(emr::SELECTOBJECT, {1});
    b.Add(emr::MOVETOEX, {5, 10}).Add(emr::LINETO, {45, 10});
    // A cosmetic (width 0) red polyline of 16-bit points.
    b.Add(emr::CREATEPEN, {2, 0, 0, 0, kRed}).Add(emr::SELECTOBJECT, {2});
    b.Add(emr::POLYLINE16, {0, 0, 0, 0, 3, (40 << 16) | 5, (40 << 16) | 25, (45 << 16) | 25});
    const QImage img = Play(b.Done());
    EXPECT_EQ(At(img, 50, 20), QColor(Qt::blue));
    EXPECT_EQ(At(img, 50, 25), QColor(Qt::blue));
    EXPECT_EQ(At(img, 50, 28), QColor(Qt::white));
    EXPECT_EQ(At(img, 30, 80), QColor(Qt::red));
    EXPECT_EQ(At(img, 30, 83), QColor(Qt::white));
}

TEST(EmfPlayer, TextWithAdvancesAndEscapement) {
    auto text = [](int escapement, std::vector<std::uint32_t> dx) {
        Builder b;
        std::vector<std::uint8_t> font;
        for (std::int32_t v : {-20, 0, escapement, escapement, 400}) Builder::Put(font, static_cast<std::uint32_t>(v));
        Builder::Put(font, 0);  // italic, underline, strike-out, charset
        Builder::Put(font, 0);
        const char16_t face[32] = u"Arial";
        const auto* fb = reinterpret_cast<const std::uint8_t*>(face);
        font.insert(font.begin(), {1, 0, 0, 0});
        font.insert(font.end(), fb, fb + 64);
        b.Raw(emr::EXTCREATEFONTINDIRECTW, font).Add(emr::SELECTOBJECT, {1}).Add(emr::SETBKMODE, {1});
        std::vector<std::uint8_t> rec;
        for (std::int64_t v : {0, 0, -1, -1, 1, 0, 0, 10, 60, 3, 76, 0, 0, 0, -1, -1, dx.empty() ? 0 : 84}) {
            Builder::Put(rec, static_cast<std::uint32_t>(v));
        }
        for (char16_t c : std::u16string(u"WWW")) {
            rec.push_back(static_cast<std::uint8_t>(c));
            rec.push_back(0);
        }
        rec.push_back(0);
        rec.push_back(0);
        for (auto d : dx) Builder::Put(rec, d);
        b.Raw(emr::EXTTEXTOUTW, rec);
        return Play(b.Done());
    };
    auto inkBox = [](const QImage& img) {
        QRect box;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (Dark(img.pixel(x, y))) box |= QRect(x, y, 1, 1);
        return box;
    };
    const QRect plain = inkBox(text(0, {}));
    ASSERT_FALSE(plain.isEmpty());
    EXPECT_GE(plain.left(), 10);
    EXPECT_GE(plain.top(), 60);
    EXPECT_LT(plain.width(), 70);

    // Advances of 25 spread the same letters wider.
    const QRect spread = inkBox(text(0, {25, 25, 25}));
    EXPECT_GT(spread.right(), 60 + 10);
    EXPECT_NEAR(spread.left(), plain.left(), 1);

    // Escapement 900: the text runs upward from its reference point.
    const QRect up = inkBox(text(900, {}));
    ASSERT_FALSE(up.isEmpty());
    EXPECT_GT(up.height(), up.width());
    // The reference point is the cell's top-left corner before turning: the
    // letters' tops face left, the cell lies right of x = 10.
    EXPECT_LE(up.bottom(), 61);
    EXPECT_GE(up.left(), 10);
    EXPECT_LE(up.right(), 10 + 25);
    // The most negative escapement is an angle like any other.
    EXPECT_FALSE(inkBox(text(INT32_MIN, {})).isEmpty());
}

TEST(EmfPlayer, DeviceIndependentBitmaps) {
    auto stretch = [](std::uint32_t bpp, std::uint32_t colours, std::vector<std::uint8_t> palette, std::vector<std::uint8_t> bits,
                      std::int32_t height) {
        Builder b;
        const std::uint32_t cbBmi = 40 + static_cast<std::uint32_t>(palette.size());
        const std::uint32_t offBmi = 80, offBits = offBmi + cbBmi;
        std::vector<std::uint8_t> rec;
        for (std::int64_t v : std::initializer_list<std::int64_t>{0, 0, 99, 99, 0, 0, 0, 0, 2, std::abs(height), offBmi, cbBmi, offBits,
                               static_cast<std::int64_t>(bits.size()), 0, 0x00CC0020, 100, 100}) {
            Builder::Put(rec, static_cast<std::uint32_t>(v));
        }
        for (std::int64_t v : {40, 2, height}) Builder::Put(rec, static_cast<std::uint32_t>(v));
        Builder::Put(rec, 1u | (bpp << 16));
        for (std::uint32_t v : {0u, 0u, 0u, 0u, colours, 0u}) Builder::Put(rec, v);
        rec.insert(rec.end(), palette.begin(), palette.end());
        rec.insert(rec.end(), bits.begin(), bits.end());
        b.Raw(emr::STRETCHDIBITS, rec);
        return Play(b.Done());
    };
    // 24-bit, bottom-up: the first row in the data is the bottom one.
    const QImage rgb = stretch(24, 0, {}, {0, 0, 255, 0, 255, 0, 0, 0, /* row 2 */ 255, 0, 0, 255, 255, 255, 0, 0}, 2);
    EXPECT_EQ(At(rgb, 25, 75), QColor(Qt::red));
    EXPECT_EQ(At(rgb, 75, 75), QColor(Qt::green));
    EXPECT_EQ(At(rgb, 25, 25), QColor(Qt::blue));
    EXPECT_EQ(At(rgb, 75, 25), QColor(Qt::white));
    // 8-bit with a two-colour palette, top-down.
    const QImage pal = stretch(8, 2, {0, 0, 255, 0, 255, 0, 0, 0}, {1, 0, 0, 0, 0, 1, 0, 0}, -2);
    EXPECT_EQ(At(pal, 25, 25), QColor(Qt::blue));
    EXPECT_EQ(At(pal, 75, 25), QColor(Qt::red));
    EXPECT_EQ(At(pal, 75, 75), QColor(Qt::blue));
}

TEST(EmfPlayer, GraphPlayedBackMatchesTheDirectDrawing) {
    test::Drawn d{test::Hs{{"2500", {"7", "3"}}, {"2460", {"6.5"}}}};
    d.Draw();
    const auto folder = std::filesystem::temp_directory_path() / ("quble_emfplay_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    PictureExport ex;
    ex.ProgramFolder = folder.string();
    std::vector<std::uint8_t> emf;
    std::string error;
    ASSERT_TRUE(MakeCurPicMF(d.plot, *d.sim, ex, &emf, &error)) << error;
    std::filesystem::remove_all(folder);

    const QSize size(663, static_cast<int>(test::kTestSH));
    const QImage played = RenderEmfToImage(emf, size, &error);
    ASSERT_FALSE(played.isNull()) << error;
    const QImage direct =
        RenderToImage(size, kPlotScaleWidth, [&](DrawingSurface& s) { WindDraw(d.plot, *d.sim, s, false); });
    const QByteArray dir = qgetenv("QUBLE_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        played.save(QString::fromUtf8(dir) + "/emf_played.png");
        direct.save(QString::fromUtf8(dir) + "/emf_direct.png");
        QFile f(QString::fromUtf8(dir) + "/CurPic.emf");
        if (f.open(QIODevice::WriteOnly)) f.write(reinterpret_cast<const char*>(emf.data()), qint64(emf.size()));
    }
    EXPECT_LT(Unmatched(played, direct), 0.03);
    EXPECT_LT(Unmatched(direct, played), 0.03);
    // Something was drawn, in colour: the red envelope.
    long red = 0;
    for (int y = 0; y < played.height(); ++y)
        for (int x = 0; x < played.width(); ++x) {
            const QColor c = played.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    EXPECT_GT(red, 200);

    // The same picture as SVG.
    const QString svg = QString::fromStdString((std::filesystem::temp_directory_path() / "quble_emf_test.svg").string());
    ASSERT_TRUE(RenderEmfToSvg(emf, size, svg, &error)) << error;
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("<svg"));
    file.remove();
}

TEST(EmfPlayer, DamagedMetafilesStopWithAnError) {
    Builder b;
    b.Add(emr::CREATEPEN, {1, 0, 1, 0, kRed}).Add(emr::SELECTOBJECT, {1}).Add(emr::MOVETOEX, {0, 0});
    b.Add(emr::LINETO, {50, 50});
    b.Add(emr::POLYLINE16, {0, 0, 0, 0, 2, 0, (10 << 16) | 10});
    const std::vector<std::uint8_t> good = b.Done();
    std::string error;
    ASSERT_FALSE(Play(good, &error).isNull());

    QImage img(100, 100, QImage::Format_RGB32);
    QPainter painter(&img);
    const QRectF target(0, 0, 100, 100);
    auto fails = [&](const std::vector<std::uint8_t>& data) {
        std::string e;
        const bool ok = PlayEmf(painter, data, target, &e);
        return !ok && !e.empty();
    };
    // Cut anywhere inside a record.
    for (std::size_t cut : {std::size_t{0}, std::size_t{50}, std::size_t{110}, good.size() - 30, good.size() - 3}) {
        EXPECT_TRUE(fails(std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))))
            << cut;
    }
    // Offsets of the records after the 108-byte header.
    const std::size_t pen = 108, select = pen + 28, move = select + 12, line = move + 16, poly = line + 16;
    auto patched = [&](std::size_t at, std::uint32_t value) {
        auto d = good;
        std::memcpy(d.data() + at, &value, 4);
        return d;
    };
    EXPECT_TRUE(fails(patched(line + 4, 0x00FFFFF0)));  // nSize past the end
    EXPECT_TRUE(fails(patched(line + 4, 0)));           // nSize zero
    EXPECT_TRUE(fails(patched(line + 4, 10)));          // nSize not a multiple of four
    EXPECT_TRUE(fails(patched(line + 4, 4)));           // nSize shorter than a record header
    EXPECT_TRUE(fails(patched(poly + 24, 0x40000000))); // point count beyond the record
    EXPECT_TRUE(fails(patched(pen + 8, 0x00FFFFFF)));   // object index out of range
    EXPECT_TRUE(fails(patched(48, 0x7FFFFFFF)));        // header nBytes beyond the data
    EXPECT_TRUE(fails(patched(40, 0)));                 // no signature

    // A text whose character count and spacing array run past the record.
    Builder t;
    std::vector<std::uint8_t> rec;
    for (std::int64_t v : {0, 0, -1, -1, 1, 0, 0, 10, 60, 0x10000000, 76, 0, 0, 0, -1, -1, 80}) {
        Builder::Put(rec, static_cast<std::uint32_t>(v));
    }
    Builder::Put(rec, 0x00410041);
    t.Raw(emr::EXTTEXTOUTW, rec);
    EXPECT_TRUE(fails(t.Done()));
    // A bitmap whose data offset points outside the record, and one whose
    // stated size is larger than its pixels.
    for (std::uint32_t offBits : {0x7FFFFFF0u, 120u}) {
        Builder d;
        std::vector<std::uint8_t> r;
        for (std::int64_t v : std::initializer_list<std::int64_t>{0, 0, 9, 9, 0, 0, 0, 0, 4000, 4000, 80, 40, offBits, 16, 0, 0x00CC0020, 10, 10}) {
            Builder::Put(r, static_cast<std::uint32_t>(v));
        }
        for (std::int64_t v : {40, 4000, 4000, 0x00180001, 0, 0, 0, 0, 0, 0}) Builder::Put(r, static_cast<std::uint32_t>(v));
        for (int i = 0; i < 4; ++i) Builder::Put(r, 0);
        d.Raw(emr::STRETCHDIBITS, r);
        EXPECT_TRUE(fails(d.Done())) << offBits;
    }
    painter.end();
}
