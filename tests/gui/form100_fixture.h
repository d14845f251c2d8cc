// Shared set-up of the experimental-window tests: a Form100 in an empty
// program folder whose dialogs answer from a script, the real spectra of
// tests/data/realdata, and small spectra written on the spot.
#pragma once

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "experimental/form100_window.h"
#include "platform/scripted_dialogs.h"

namespace quble::test {

namespace fs = std::filesystem;

inline std::string RealSet(const std::string& set, const std::string& experiment) {
    return std::string(QUBLE_TEST_DATA) + "/realdata/" + set + "/" + experiment + "/pdata/1/1r";
}
inline std::string Strychnine() { return RealSet("strychnine-cdcl3", "10"); }
inline std::string Gaba1H() { return RealSet("gaba-1h-d2o", "1H"); }
inline std::string Complat() { return RealSet("complat-1h-cdcl3", "1"); }
inline std::string Comet() { return RealSet("comet-urine-be", "10"); }
inline std::string Gaba13C() { return RealSet("gaba-13c-d2o", "13C"); }

struct Synthetic {
    std::vector<std::int32_t> y;
    bool bigEndian = false;
    std::string nucleus = "<1H>";
    double o1 = 2000.0, sfo1 = 400.0, swh = 4000.0;
    bool acqus = true;
};

// Writes root/name/1/pdata/1/{1r,procs} and root/name/1/acqus; returns the 1r.
inline std::string WriteSpectrum(const fs::path& root, const std::string& name, const Synthetic& s) {
    const fs::path exp = root / name / "1";
    const fs::path proc = exp / "pdata" / "1";
    fs::create_directories(proc);
    std::ofstream r(proc / "1r", std::ios::binary);
    for (std::int32_t v : s.y) {
        const auto u = static_cast<std::uint32_t>(v);
        unsigned char b[4];
        for (int k = 0; k < 4; ++k) {
            const int shift = s.bigEndian ? 24 - 8 * k : 8 * k;
            b[k] = static_cast<unsigned char>((u >> shift) & 0xFF);
        }
        r.write(reinterpret_cast<const char*>(b), 4);
    }
    std::ofstream(proc / "procs") << "##TITLE= test\n##$BYTORDP= " << (s.bigEndian ? 1 : 0) << "\n##$SF= 400\n";
    if (s.acqus) {
        std::ofstream(exp / "acqus") << "##$NUC1= " << s.nucleus << "\n##$O1= " << s.o1 << "\n##$SFO1= " << s.sfo1
                                     << "\n##$SW_h= " << s.swh << "\n##$TD= " << s.y.size() << "\n";
    }
    return (proc / "1r").generic_string();
}

class Form100Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        folder = temp.path().toStdString();
        form = std::make_unique<Form100>(nullptr, &dialogs, folder);
        form->show();
    }

    // "&Open" with the file dialog answering path.
    void Open(const std::string& path) {
        dialogs.QueueFile(path);
        form->OpenFull();
    }

    template <class T = QWidget>
    T* W(const QString& name) const {
        T* w = form->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QString Text(const QString& label) const { return W<QLabel>(label)->text(); }
    QPushButton* Button(const QString& name) const { return W<QPushButton>(name); }
    QScrollBar* Scroll() const { return W<QScrollBar>("ScrollBar1"); }
    int Messages() const {
        int n = 0;
        for (const auto& a : dialogs.asked()) n += a.kind == ScriptedDialogs::Asked::Kind::Message;
        return n;
    }
    const ScriptedDialogs::Asked* LastMessage() const {
        for (auto it = dialogs.asked().rbegin(); it != dialogs.asked().rend(); ++it) {
            if (it->kind == ScriptedDialogs::Asked::Kind::Message) return &*it;
        }
        return nullptr;
    }
    // Pixel x of point i in the current view.
    double XOf(std::int64_t i) const { return (i - form->view().FirstShown) * form->view().PixPerPoint; }

    QTemporaryDir temp;
    fs::path folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form100> form;
};

}  // namespace quble::test
