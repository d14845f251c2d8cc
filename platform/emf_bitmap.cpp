#include "platform/emf_bitmap.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <uemf.h>

namespace quble {

namespace {

void Append(std::vector<std::uint8_t>& out, char* record) {
    if (!record) return;
    std::uint32_t size;
    std::memcpy(&size, record + 4, 4);
    const auto* p = reinterpret_cast<const std::uint8_t*>(record);
    out.insert(out.end(), p, p + size);
    std::free(record);
}

void Put32(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

}  // namespace

std::vector<std::uint8_t> EmfFromBitmap(int width, int height, const std::uint32_t* pixels, double dpi,
                                        const ScreenMetrics& s) {
    // 64 Mpixel keeps the record far below the 32-bit size limit.
    if (width <= 0 || height <= 0 || !pixels || !(dpi > 0) || static_cast<double>(width) * height > 64e6 ||
        s.HORZSIZE <= 0 || s.VERTSIZE <= 0) {
        return {};
    }
    const std::int32_t frameR = static_cast<std::int32_t>(std::lround(width / dpi * 2540.0));
    const std::int32_t frameB = static_cast<std::int32_t>(std::lround(height / dpi * 2540.0));
    // The picture in pixels of the reference device (MM_TEXT: logical = device).
    const std::int32_t cx = std::max<std::int32_t>(1, std::lround(frameR / 100.0 * s.HORZRES / s.HORZSIZE));
    const std::int32_t cy = std::max<std::int32_t>(1, std::lround(frameB / 100.0 * s.VERTRES / s.VERTSIZE));

    std::vector<std::uint8_t> out;
    uint16_t description[3] = {'0', 0, 0};
    const U_RECTL bounds{0, 0, cx - 1, cy - 1};
    const U_RECTL frame{0, 0, frameR, frameB};
    Append(out, U_EMRHEADER_set(bounds, frame, nullptr, 3, description, sizel_set(s.HORZRES, s.VERTRES),
                                sizel_set(s.HORZSIZE, s.VERTSIZE), 0));
    Append(out, U_EMRSETSTRETCHBLTMODE_set(U_HALFTONE));

    // A 32-bit DIB is stored bottom row first, each pixel B, G, R, reserved:
    // the byte order of 0xAARRGGBB in memory on a little-endian machine.
    const std::uint32_t cbPx = static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height) * 4;
    std::vector<char> px(cbPx);
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = pixels + static_cast<std::size_t>(height - 1 - y) * width;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = row[x];
            char* d = px.data() + (static_cast<std::size_t>(y) * width + x) * 4;
            d[0] = static_cast<char>(v & 0xFF);
            d[1] = static_cast<char>((v >> 8) & 0xFF);
            d[2] = static_cast<char>((v >> 16) & 0xFF);
            d[3] = 0;
        }
    }
    const U_BITMAPINFOHEADER bmih = bitmapinfoheader_set(width, height, 1, 32, U_BI_RGB, cbPx, 0, 0, 0, 0);
    PU_BITMAPINFO bmi = bitmapinfo_set(bmih, nullptr);
    Append(out, U_EMRSTRETCHDIBITS_set(bounds, point32_set(0, 0), point32_set(cx, cy), point32_set(0, 0),
                                       point32_set(width, height), U_DIB_RGB_COLORS, U_SRCCOPY, bmi, cbPx,
                                       px.data()));
    std::free(bmi);
    const std::uint32_t eof[5] = {U_EMR_EOF, 20, 0, 16, 20};
    const auto* e = reinterpret_cast<const std::uint8_t*>(eof);
    out.insert(out.end(), e, e + sizeof eof);

    Put32(out.data() + 48, static_cast<std::uint32_t>(out.size()));
    Put32(out.data() + 52, 4);
    const std::uint16_t handles = 1;
    std::memcpy(out.data() + 56, &handles, 2);
    return out;
}

}  // namespace quble
