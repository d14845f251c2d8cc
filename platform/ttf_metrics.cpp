#include "platform/ttf_metrics.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

namespace quble {

namespace {

// Big-endian reads that refuse to look past the end of the data.
class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& d) : d_(d) {}
    bool Has(std::size_t off, std::size_t len) const { return off <= d_.size() && len <= d_.size() - off; }
    std::uint16_t U16(std::size_t off) const { return static_cast<std::uint16_t>((d_[off] << 8) | d_[off + 1]); }
    std::int16_t S16(std::size_t off) const { return static_cast<std::int16_t>(U16(off)); }
    std::uint32_t U32(std::size_t off) const {
        return (static_cast<std::uint32_t>(U16(off)) << 16) | U16(off + 2);
    }

private:
    const std::vector<std::uint8_t>& d_;
};

struct Table {
    std::size_t offset = 0;
    std::size_t length = 0;
    bool found = false;
};

bool Fail(std::string* error, const char* why) {
    if (error) *error = why;
    return false;
}

}  // namespace

bool TtfMetrics::Parse(const std::vector<std::uint8_t>& data, std::string* error) {
    const Reader r(data);
    if (!r.Has(0, 12)) return Fail(error, "font file too short");
    const std::size_t numTables = r.U16(4);
    if (!r.Has(12, numTables * 16)) return Fail(error, "font table directory truncated");
    Table head, hhea, hmtx, cmap, os2;
    for (std::size_t i = 0; i < numTables; ++i) {
        const std::size_t e = 12 + i * 16;
        const std::uint32_t tag = r.U32(e);
        Table t{r.U32(e + 8), r.U32(e + 12), true};
        if (!r.Has(t.offset, t.length)) return Fail(error, "font table outside the file");
        switch (tag) {
            case 0x68656164: head = t; break;  // head
            case 0x68686561: hhea = t; break;  // hhea
            case 0x686D7478: hmtx = t; break;  // hmtx
            case 0x636D6170: cmap = t; break;  // cmap
            case 0x4F532F32: os2 = t; break;   // OS/2
            default: break;
        }
    }
    if (!head.found || !hhea.found || !hmtx.found || !cmap.found) return Fail(error, "font lacks a required table");
    if (head.length < 54 || hhea.length < 36) return Fail(error, "font header tables too short");
    unitsPerEm_ = r.U16(head.offset + 18);
    if (unitsPerEm_ < 16 || unitsPerEm_ > 16384) return Fail(error, "implausible units per em");

    ascent_ = r.S16(hhea.offset + 4);
    descent_ = -r.S16(hhea.offset + 6);
    // Windows sizes the character cell by the OS/2 table's Windows metrics.
    if (os2.found && os2.length >= 78) {
        ascent_ = r.U16(os2.offset + 74);
        descent_ = r.U16(os2.offset + 76);
    }

    const std::size_t numHMetrics = r.U16(hhea.offset + 34);
    if (numHMetrics == 0 || numHMetrics * 4 > hmtx.length) return Fail(error, "horizontal metrics truncated");
    advances_.resize(numHMetrics);
    for (std::size_t g = 0; g < numHMetrics; ++g) advances_[g] = r.U16(hmtx.offset + g * 4);

    // The Unicode BMP subtable (format 4), Windows or Unicode platform.
    if (cmap.length < 4) return Fail(error, "character map truncated");
    const std::size_t nSub = r.U16(cmap.offset + 2);
    if (4 + nSub * 8 > cmap.length) return Fail(error, "character map truncated");
    std::size_t sub = 0;
    for (std::size_t i = 0; i < nSub; ++i) {
        const std::size_t e = cmap.offset + 4 + i * 8;
        const std::uint16_t platform = r.U16(e);
        const std::uint16_t encoding = r.U16(e + 2);
        const std::size_t off = cmap.offset + r.U32(e + 4);
        if (!r.Has(off, 4) || r.U16(off) != 4) continue;
        if ((platform == 3 && encoding == 1) || platform == 0) {
            sub = off;
            break;
        }
    }
    if (sub == 0) return Fail(error, "no Unicode character map");
    const std::size_t len = r.U16(sub + 2);
    if (!r.Has(sub, len) || len < 16) return Fail(error, "character map subtable truncated");
    const std::size_t segX2 = r.U16(sub + 6);
    if (segX2 % 2 != 0 || 16 + segX2 * 4 > len) return Fail(error, "character map segments truncated");
    const std::size_t ends = sub + 14, starts = ends + segX2 + 2, deltas = starts + segX2, ranges = deltas + segX2;
    const std::size_t subEnd = sub + len;
    cmap_.clear();
    for (std::size_t s = 0; s < segX2; s += 2) {
        const std::uint32_t end = r.U16(ends + s);
        const std::uint32_t start = r.U16(starts + s);
        const std::uint16_t delta = r.U16(deltas + s);
        const std::uint16_t rangeOff = r.U16(ranges + s);
        if (start > end) continue;
        for (std::uint32_t c = start; c <= end && c != 0xFFFF; ++c) {
            std::uint16_t glyph = 0;
            if (rangeOff == 0) {
                glyph = static_cast<std::uint16_t>(c + delta);
            } else {
                const std::size_t at = ranges + s + rangeOff + 2 * (c - start);
                if (at + 2 > subEnd) break;
                glyph = r.U16(at);
                if (glyph != 0) glyph = static_cast<std::uint16_t>(glyph + delta);
            }
            if (glyph != 0) cmap_[c] = glyph;
        }
    }
    return true;
}

bool TtfMetrics::Load(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(error, "cannot open font file");
    const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Parse(data, error);
}

int TtfMetrics::Advance(char32_t c) const {
    const auto it = cmap_.find(c);
    const std::size_t glyph = it == cmap_.end() ? 0 : it->second;
    if (advances_.empty()) return unitsPerEm_ / 2;
    // Glyphs past the last long metric share its advance.
    return advances_[std::min(glyph, advances_.size() - 1)];
}

const TtfMetrics* ArialMetrics(int weight) {
    static const auto load = [](const char* file) -> std::unique_ptr<TtfMetrics> {
        for (const char* dir : {"/usr/share/fonts/truetype/liberation2/", "/usr/share/fonts/truetype/liberation/"}) {
            auto m = std::make_unique<TtfMetrics>();
            if (m->Load(std::string(dir) + file, nullptr)) return m;
        }
        return nullptr;
    };
    static const std::unique_ptr<TtfMetrics> regular = load("LiberationSans-Regular.ttf");
    static const std::unique_ptr<TtfMetrics> bold = load("LiberationSans-Bold.ttf");
    return weight >= 600 ? bold.get() : regular.get();
}

std::u32string DecodeUtf8(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        int extra = 0;
        char32_t c = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1;
            c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            c = b & 0x07;
        } else {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        bool ok = true;
        for (int k = 1; ok && k <= extra; ++k) {
            if (i + k >= s.size()) {
                ok = false;
                break;
            }
            const unsigned char n = static_cast<unsigned char>(s[i + k]);
            if ((n & 0xC0) != 0x80) ok = false;
            else c = (c << 6) | (n & 0x3F);
        }
        if (!ok || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::vector<double> TextAdvances(int weight, double height, std::u32string_view text) {
    std::vector<double> out;
    out.reserve(text.size());
    // The graph writes Arial only; any other face is measured as Arial too.
    const TtfMetrics* m = ArialMetrics(weight);
    for (char32_t c : text) {
        out.push_back(m ? height * m->Advance(c) / m->UnitsPerEm() : 0.55 * height);
    }
    return out;
}

double TextLineHeight(int weight, double height) {
    const TtfMetrics* m = ArialMetrics(weight);
    return m ? height * (m->Ascent() + m->Descent()) / m->UnitsPerEm() : 1.15 * height;
}

}  // namespace quble
