// Every picture and text the windows write, on a disk that takes no more:
// the older file stays as it was, no half-written file is left behind, and
// the message says why. The disk is made full by a file-size limit, which
// refuses a write beyond it as a full disk refuses it (root passes any
// permission check, not this one).
#include <QApplication>
#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <sys/resource.h>

#include "../core/emf_test_util.h"
#include "form100_fixture.h"
#include "platform/clipboard.h"
#include "platform/emf_bitmap.h"
#include "render/wind_draw.h"
#include "simulator/form1_window.h"

namespace quble::test {
namespace {

// Writes beyond `bytes` fail with EFBIG ("File too large") while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit small = old_;
        small.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); }

private:
    rlimit old_{};
};

std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

QMimeData* FormulaMime() {
    std::vector<std::uint32_t> px(200 * 200, 0xFF2050A0);
    const std::vector<std::uint8_t> emf = EmfFromBitmap(200, 200, px.data(), 96.0);
    auto* d = new QMimeData;
    d->setData(kMimeEmf, QByteArray(reinterpret_cast<const char*>(emf.data()), static_cast<qsizetype>(emf.size())));
    return d;
}

const ScriptedDialogs::Asked* Last(const ScriptedDialogs& d) { return d.asked().empty() ? nullptr : &d.asked().back(); }

TEST(FullDisk, SimulatorCopyPasteAndEveryExportFormKeepTheOldFilesAndSayWhy) {
    const ScratchFolder scratch("full_disk_simulator");
    const fs::path& folder = scratch.path();
    ScriptedDialogs dialogs;
    FakeClipboard clip;
    fs::create_directory(folder / "Examples");  // nothing to seed
    auto form = std::make_unique<Form1>(nullptr, &dialogs, false);
    form->SetProgramFolder(folder);
    form->SetClipboard(&clip);
    form->show();
    form->Form_Load();
    form->Timer2_Timer();
    ASSERT_TRUE(form->HasGraph());

    // Older files of every kind, written while the disk had room.
    form->mnuCopyMF_Click();
    const fs::path curPic = folder / kCurPicFile;
    const auto oldCurPic = ReadAll(curPic);
    ASSERT_GT(oldCurPic.size(), 2000u);
    for (const char* name : {"g.emf", "g.svg", "g.pdf", "g.png"}) {
        dialogs.QueueFile((folder / name).string());
        if (std::string(name) == "g.png") dialogs.QueueInput("96");
        form->mnuExportPicture_Click();
        ASSERT_GT(ReadAll(folder / name).size(), 2000u) << name;
    }
    std::map<std::string, std::vector<std::uint8_t>> before;
    for (const char* name : {"g.emf", "g.svg", "g.pdf", "g.png"}) before[name] = ReadAll(folder / name);
    const auto names = Listing(folder);

    dialogs.clear();
    {
        FileSizeLimit full(1000);
        form->mnuCopyBW_Click();
        ASSERT_NE(Last(dialogs), nullptr);
        EXPECT_EQ(Last(dialogs)->text, MetafileFailedText("cannot write " + curPic.string() + ": File too large"));

        clip.SetMimeData(FormulaMime());
        form->mnuPaste_Click();
        EXPECT_EQ(Last(dialogs)->text,
                  MetafileFailedText("cannot write " + (folder / kSvClipMFFile).string() + ": File too large"));

        for (const char* name : {"g.emf", "g.svg", "g.pdf", "g.png"}) {
            dialogs.QueueFile((folder / name).string());
            if (std::string(name) == "g.png") dialogs.QueueInput("96");
            form->mnuExportPicture_Click();
            ASSERT_NE(Last(dialogs), nullptr);
            EXPECT_EQ(Last(dialogs)->title, "Export Picture") << name;
            EXPECT_EQ(Last(dialogs)->text, "The picture could not be saved:\r\ncannot write " +
                                               (folder / name).string() + ": File too large")
                << name;
        }
    }
    EXPECT_EQ(ReadAll(curPic), oldCurPic);
    for (const auto& [name, bytes] : before) EXPECT_EQ(ReadAll(folder / name), bytes) << name;
    EXPECT_EQ(Listing(folder), names);  // nothing half-written, no temporary left
    form.reset();
    std::error_code ec;
    fs::remove_all(folder, ec);
}

TEST_F(Form100Test, FullDiskKeepsTheOldTextAndFormulaFilesAndSaysWhy) {
    FakeClipboard clip;
    form->SetClipboard(&clip);
    Open(Strychnine());
    ASSERT_EQ(form->spectrum().NPont, 131072);
    const fs::path out = folder / "NMR Y Data.txt";
    std::ofstream(out) << "older text\n";
    const auto names = Listing(folder);
    dialogs.clear();
    {
        FileSizeLimit full(1000);
        dialogs.QueueFile(out.string());
        form->mnuSave_Click();
        ASSERT_NE(Last(dialogs), nullptr);
        EXPECT_EQ(Last(dialogs)->title, "Error!");
        EXPECT_EQ(Last(dialogs)->text,
                  "Cannot write the file\r\n" + out.string() + "\r\ncannot write " + out.string() + ": File too large");

        clip.SetMimeData(FormulaMime());
        form->mnuPaste_Click();
        EXPECT_EQ(Last(dialogs)->text,
                  MetafileFailedText("cannot write " + (folder / kSvClipMFSFFile).string() + ": File too large"));
    }
    const auto kept = ReadAll(out);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "older text\n");
    EXPECT_EQ(Listing(folder), names);
}

}  // namespace
}  // namespace quble::test
