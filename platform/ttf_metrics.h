// Advance widths and vertical metrics read straight from a TrueType file, so
// the metafile writer can give every character its advance without a font
// engine. Arial is measured with Liberation Sans, which has Arial's metrics.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quble {

class TtfMetrics {
public:
    // Reads the tables the widths need (head, hhea, hmtx, cmap, OS/2 when
    // present). Returns false with a reason for anything short, overlapping
    // the end of the data or otherwise inconsistent.
    bool Parse(const std::vector<std::uint8_t>& data, std::string* error);
    bool Load(const std::string& path, std::string* error);

    int UnitsPerEm() const { return unitsPerEm_; }
    // Ascent and descent (both positive) of the character cell, font units.
    int Ascent() const { return ascent_; }
    int Descent() const { return descent_; }
    // Advance of a character in font units; characters the font lacks take
    // the missing glyph's advance.
    int Advance(char32_t c) const;

private:
    int unitsPerEm_ = 2048;
    int ascent_ = 0;
    int descent_ = 0;
    std::vector<std::uint16_t> advances_;            // by glyph
    std::unordered_map<char32_t, std::uint16_t> cmap_;  // character -> glyph
};

// Metrics of the face the graph's texts use, regular (weight < 600) or bold;
// nullptr when the font files are not installed.
const TtfMetrics* ArialMetrics(int weight);

// UTF-8 to code points; malformed bytes become U+FFFD.
std::u32string DecodeUtf8(std::string_view text);

// Per-character advances of a text in a font of the given character (em)
// height, in the same units as the height. Without installed metrics each
// character is taken as 0.55 of the height.
std::vector<double> TextAdvances(int weight, double height, std::u32string_view text);
// Cell height (ascent + descent) of that font.
double TextLineHeight(int weight, double height);

}  // namespace quble
