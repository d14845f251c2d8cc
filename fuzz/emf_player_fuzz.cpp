// Feeds arbitrary bytes to the metafile player. Any crash, sanitizer report
// or hang is a fault: malformed input must end in an error.
//
// With QUBLE_FUZZ_SEED_DIR set, the first run writes a few well-formed
// metafiles there (made by our writer) to start the corpus from.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/emf_player.h"
#include "platform/emf_surface.h"

namespace {

std::vector<std::uint8_t> Seed(int kind) {
    quble::EmfPageSetup s;
    s.scaleWidth = 200;
    s.scaleHeight = 100;
    s.frame = {0, 0, 5292, 2646};
    quble::EmfSurface dc(s);
    dc.SetMapMode(8);
    dc.SetWindowExtEx(200, 100);
    dc.SetViewportExtEx(200, 100);
    dc.SetPen({quble::Rgb(255, 0, 0), kind == 0 ? 0.0 : 3.0});
    dc.MoveTo(1, 1);
    dc.LineTo(199, 99);
    const quble::PointF pts[] = {{10, 10}, {50, 80}, {90, 20}, {40000, 5}};
    dc.Polyline(pts, kind == 2 ? 4 : 3);
    dc.Ellipse(20, 20, 60, 50);
    dc.Box(100, 10, 150, 40, quble::Rgb(0, 0, 255), kind == 1);
    dc.SetPixel(5, 5, 0);
    dc.SetFont(quble::Font{"Arial", 11, kind == 1 ? 700 : 400, kind == 2, kind == 0 ? 900 : 0});
    dc.SetTextColor(quble::Rgb(0, 128, 0));
    dc.TextOut(30, 60, "J1 = 7.5 Hz");
    if (kind == 2) {
        quble::EmfSurface inner(s);
        inner.SetPen({0, 1});
        inner.MoveTo(0, 0);
        inner.LineTo(50, 50);
        const auto bytes = inner.Finish();
        dc.EmbedMetafile(bytes, 120, 50, 180, 90, nullptr);
    }
    return dc.Finish();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_QPA_FONTDIR", "/usr/share/fonts/truetype", 0);
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(*argc, *argv);
    if (const char* dir = std::getenv("QUBLE_FUZZ_SEED_DIR")) {
        std::filesystem::create_directories(dir);
        for (int k = 0; k < 3; ++k) {
            const auto bytes = Seed(k);
            const std::string path = std::string(dir) + "/seed" + std::to_string(k) + ".emf";
            if (FILE* f = std::fopen(path.c_str(), "wb")) {
                std::fwrite(bytes.data(), 1, bytes.size(), f);
                std::fclose(f);
            }
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QImage image(64, 48, QImage::Format_RGB32);
    const std::vector<std::uint8_t> bytes(data, data + size);
    image.fill(Qt::white);
    QPainter painter(&image);
    std::string error;
    quble::PlayEmf(painter, bytes, QRectF(0, 0, 64, 48), &error);
    painter.end();
    return 0;
}
