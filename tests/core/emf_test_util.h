// Reading back what the metafile writer produced: the records in order, with
// the fields the tests look at.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/emf_format.h"
#include "scratch_folder.h"

namespace quble::test {

struct Rec {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    std::int32_t I(std::size_t off) const {
        std::int32_t v;
        std::memcpy(&v, bytes.data() + off, 4);
        return v;
    }
    std::uint32_t U(std::size_t off) const { return static_cast<std::uint32_t>(I(off)); }
    float F(std::size_t off) const {
        float v;
        std::memcpy(&v, bytes.data() + off, 4);
        return v;
    }
    // ExtTextOutW's string, as UTF-8 for ASCII texts.
    std::string Text() const {
        const std::uint32_t n = U(44), off = U(48);
        std::string s;
        for (std::uint32_t i = 0; i < n; ++i) s.push_back(static_cast<char>(bytes[off + 2 * i]));
        return s;
    }
    std::vector<std::uint32_t> Dx() const {
        const std::uint32_t n = U(44), off = U(72);
        std::vector<std::uint32_t> d;
        for (std::uint32_t i = 0; i < n; ++i) d.push_back(U(off + 4 * i));
        return d;
    }
};

// Every record; the walker's error (if any) in *error.
inline std::vector<Rec> Records(const std::vector<std::uint8_t>& emf, std::string* error = nullptr) {
    std::vector<Rec> out;
    EmfRecordWalker w(emf.data(), emf.size());
    EmfRecord r;
    while (w.Next(&r)) out.push_back({r.type, std::vector<std::uint8_t>(r.data, r.data + r.size)});
    if (error) *error = w.error();
    return out;
}

inline std::vector<Rec> OfType(const std::vector<Rec>& recs, std::uint32_t type) {
    std::vector<Rec> out;
    for (const Rec& r : recs)
        if (r.type == type) out.push_back(r);
    return out;
}

// The colours of the pens a picture creates and of its texts.
inline std::set<std::uint32_t> PenColours(const std::vector<Rec>& recs) {
    std::set<std::uint32_t> out;
    for (const Rec& r : OfType(recs, emr::CREATEPEN)) out.insert(r.U(24));
    return out;
}
inline std::set<std::uint32_t> TextColours(const std::vector<Rec>& recs) {
    std::set<std::uint32_t> out;
    for (const Rec& r : OfType(recs, emr::SETTEXTCOLOR)) out.insert(r.U(8));
    return out;
}

inline std::set<std::string> Texts(const std::vector<Rec>& recs) {
    std::set<std::string> out;
    for (const Rec& r : OfType(recs, emr::EXTTEXTOUTW)) out.insert(r.Text());
    return out;
}

// The texts in drawing order, each followed by "|": "|word|" finds a whole
// text, not a part of a longer one.
inline std::string JoinedTexts(const std::vector<Rec>& recs) {
    std::string t;
    for (const Rec& r : OfType(recs, emr::EXTTEXTOUTW)) t += r.Text() + "|";
    return t;
}

// A PNG's width in pixels, from its header.
inline std::uint32_t PngWidth(const std::vector<std::uint8_t>& png) {
    return (std::uint32_t{png[16]} << 24) | (std::uint32_t{png[17]} << 16) | (std::uint32_t{png[18]} << 8) | png[19];
}

inline std::vector<std::uint8_t> ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace quble::test
