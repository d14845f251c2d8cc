#include "platform/emf_format.h"

#include <algorithm>
#include <cmath>

namespace quble {

namespace {

std::uint32_t Get32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

bool Fail(std::string* error, const char* why) {
    if (error) *error = why;
    return false;
}

}  // namespace

bool ParseEmfHeader(const std::uint8_t* data, std::size_t size, EmfHeaderInfo* out, std::string* error) {
    // The fixed part of the header up to szlMillimeters.
    if (data == nullptr || size < 88) return Fail(error, "metafile shorter than its header");
    if (Get32(data) != emr::HEADER) return Fail(error, "first record is not a metafile header");
    const std::uint32_t nSize = Get32(data + 4);
    if (nSize < 88 || nSize > size || nSize % 4 != 0) return Fail(error, "header record size is wrong");
    if (Get32(data + 40) != 0x464D4520u) return Fail(error, "not an enhanced metafile");
    EmfHeaderInfo h;
    auto i32 = [&](std::size_t off) { return static_cast<std::int32_t>(Get32(data + off)); };
    h.bounds = {i32(8), i32(12), i32(16), i32(20)};
    h.frame = {i32(24), i32(28), i32(32), i32(36)};
    h.nBytes = Get32(data + 48);
    h.nRecords = Get32(data + 52);
    h.nHandles = static_cast<std::uint16_t>(Get32(data + 56) & 0xFFFF);
    h.deviceW = i32(72);
    h.deviceH = i32(76);
    h.deviceMmW = i32(80);
    h.deviceMmH = i32(84);
    if (h.nBytes > size) return Fail(error, "metafile is shorter than its header says");
    if (h.deviceW <= 0 || h.deviceH <= 0 || h.deviceMmW <= 0 || h.deviceMmH <= 0) {
        return Fail(error, "reference device size is not positive");
    }
    if (out) *out = h;
    return true;
}

bool EmfRecordWalker::Next(EmfRecord* rec) {
    if (done_ || !error_.empty()) return false;
    if (pos_ == size_) {
        done_ = true;
        return false;
    }
    if (size_ - pos_ < 8) {
        error_ = "record header cut off at the end of the data";
        return false;
    }
    const std::uint32_t type = Get32(data_ + pos_);
    const std::uint32_t nSize = Get32(data_ + pos_ + 4);
    if (nSize < 8 || nSize % 4 != 0) {
        error_ = "record size is not a positive multiple of four";
        return false;
    }
    if (nSize > size_ - pos_) {
        error_ = "record reaches past the end of the data";
        return false;
    }
    if (type == 0 || type > 0x7FFF) {
        error_ = "record type out of range";
        return false;
    }
    rec->type = type;
    rec->size = nSize;
    rec->data = data_ + pos_;
    pos_ += nSize;
    if (type == emr::EOF_) done_ = true;
    return true;
}

Affine Affine::Then(const Affine& n) const {
    Affine r;
    r.m11 = m11 * n.m11 + m12 * n.m21;
    r.m12 = m11 * n.m12 + m12 * n.m22;
    r.m21 = m21 * n.m11 + m22 * n.m21;
    r.m22 = m21 * n.m12 + m22 * n.m22;
    r.dx = dx * n.m11 + dy * n.m21 + n.dx;
    r.dy = dx * n.m12 + dy * n.m22 + n.dy;
    return r;
}

bool Affine::Invertible() const {
    const double det = m11 * m22 - m12 * m21;
    return std::isfinite(det) && std::fabs(det) > 1e-12 && std::isfinite(dx) && std::isfinite(dy);
}

void EmfMapping::SetMode(std::uint32_t m, double pxPerMmX, double pxPerMmY) {
    mode = m;
    // Units per millimetre of the fixed modes; y grows upward in all of them.
    double perMm = 0;
    switch (m) {
        case 2: perMm = 10.0; break;          // MM_LOMETRIC
        case 3: perMm = 100.0; break;         // MM_HIMETRIC
        case 4: perMm = 100.0 / 25.4; break;  // MM_LOENGLISH
        case 5: perMm = 1000.0 / 25.4; break; // MM_HIENGLISH
        case 6: perMm = 1440.0 / 25.4; break; // MM_TWIPS
        default: break;
    }
    if (perMm > 0) {
        winExtX = perMm;
        winExtY = perMm;
        vpExtX = pxPerMmX;
        vpExtY = -pxPerMmY;
    } else if (m == 1) {
        winExtX = winExtY = vpExtX = vpExtY = 1;
    }
}

Affine EmfMapping::PageToDevice() const {
    double sx = 1, sy = 1;
    if (mode != 1 && winExtX != 0 && winExtY != 0) {
        sx = vpExtX / winExtX;
        sy = vpExtY / winExtY;
        if (mode == 7) {  // MM_ISOTROPIC: the smaller scale on both axes, signs kept
            const double s = std::min(std::fabs(sx), std::fabs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
    }
    Affine a;
    a.m11 = sx;
    a.m22 = sy;
    a.dx = vpOrgX - winOrgX * sx;
    a.dy = vpOrgY - winOrgY * sy;
    return a;
}

}  // namespace quble
