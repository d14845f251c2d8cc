// The frame as a desktop program: files dropped on its windows, the user
// guide on F1 from any window, the recent spectra of the experimental
// window, the window places kept between runs, and button rows that stay
// within reach on a narrow frame.
#include <QAction>
#include <QDropEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <list>
#include <memory>

#include "app/main_frame.h"
#include "experimental/form100_window.h"
#include "frame_fixture.h"
#include "platform/drop_paths.h"
#include "platform/formula_image.h"

namespace fs = std::filesystem;
using namespace quble;

namespace {

// Sends a drag over w and drops it; whether the drag was taken.
bool DropOn(QWidget* w, const std::vector<fs::path>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const fs::path& p : paths) urls.append(QUrl::fromLocalFile(QString::fromStdString(p.string())));
    data.setUrls(urls);
    const QPoint at = w->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &drop);
    // The work waits until the drop has ended.
    QTest::qWait(30);
    return drop.isAccepted();
}

class FrameDesktopTest : public test::FrameWithExamplesTest {
protected:
    fs::path Example(int i) const { return fs::path(folder) / "Examples" / ExampleFolders().at(i).name; }
    // An experiment in the spectrometer's own layout, from example i's files.
    fs::path BrukerExperiment(int i, const std::string& name, bool withAcqus = true) const {
        const fs::path exp = fs::path(folder) / "Data" / name;
        fs::create_directories(exp / "pdata" / "1");
        fs::copy_file(Example(i) / "1r", exp / "pdata" / "1" / "1r");
        fs::copy_file(Example(i) / "procs", exp / "pdata" / "1" / "procs");
        if (withAcqus) fs::copy_file(Example(i) / "acqus", exp / "acqus");
        return exp;
    }
    Form100& exp() { return *frame->EnsureForm100(); }
    int Messages(const std::string& title) const {
        int n = 0;
        for (const auto& a : dialogs.asked())
            if (a.kind == ScriptedDialogs::Asked::Kind::Message && a.title == title) ++n;
        return n;
    }
    std::string StateFile() const { return (fs::path(folder) / "config" / "quble" / "state.json").string(); }
    // The next run of the program, started from state as its state file.
    std::unique_ptr<MainFrame> FrameFromState(const UserState& state) {
        EXPECT_TRUE(SaveUserState(StateFile(), state));
        auto next = std::make_unique<MainFrame>(&laterDialogs.emplace_back());
        next->UseStateFile(StateFile());
        next->ShowAtStart();
        QTest::qWait(20);
        return next;
    }

    std::list<ScriptedDialogs> laterDialogs;  // outlive the frames that ask them
};

TEST_F(FrameDesktopTest, AnExperimentFolderOrA1rDroppedOnAnyWindowOpensIt) {
    const fs::path expFolder = BrukerExperiment(2, "bqw75a_10");
    const int before = exp().session().OpeningCount();

    // An experiment folder on the simulator: opened in the experimental window.
    ASSERT_TRUE(DropOn(frame->form1(), {expFolder}));
    EXPECT_EQ(exp().session().OpeningCount(), before + 1);
    EXPECT_EQ(fs::path(exp().spectrum().SpectrumPath), expFolder / "pdata" / "1" / "1r");
    EXPECT_EQ(frame->mdiArea()->activeSubWindow(), frame->form100Window());
    // Its title from the folder names, as a chosen file's.
    EXPECT_EQ(exp().spectrum().Title, "bqw75a_10");

    // The 1r itself on the experimental window, the example's formula with it.
    const fs::path r = Example(3) / "1r";
    ASSERT_TRUE(DropOn(&exp(), {r}));
    EXPECT_EQ(exp().session().OpeningCount(), before + 2);
    EXPECT_EQ(fs::path(exp().spectrum().SpectrumPath), r);
    EXPECT_TRUE(exp().ExpFormulaShown());

    // The Open dialog now starts from the dropped file.
    dialogs.QueueFile(std::nullopt);
    exp().OpenFull();
    ASSERT_FALSE(dialogs.asked().empty());
    EXPECT_EQ(fs::path(dialogs.asked().back().defaultText), r);

    // Over an input box: the box keeps its text, the window opens the spectrum.
    auto* box = frame->form1()->findChild<QLineEdit*>("Text2");
    ASSERT_NE(box, nullptr);
    const QString text = box->text();
    ASSERT_TRUE(DropOn(box, {Example(2)}));
    EXPECT_EQ(fs::path(exp().spectrum().SpectrumPath), Example(2) / "1r");
    EXPECT_EQ(box->text(), text);

    // A pdata folder on the frame itself.
    ASSERT_TRUE(DropOn(frame.get(), {expFolder / "pdata"}));
    EXPECT_EQ(exp().session().OpeningCount(), before + 4);
}

TEST_F(FrameDesktopTest, AFailedDropIsToldOnceAndTheOldSpectrumStays) {
    const fs::path noAcqus = BrukerExperiment(2, "lonely", false);
    // Taken out of every folder a search would reach.
    const int before = exp().session().OpeningCount();
    const std::string shown = exp().spectrum().SpectrumPath;
    dialogs.clear();
    ASSERT_TRUE(DropOn(frame->form1(), {noAcqus}));
    EXPECT_EQ(exp().session().OpeningCount(), before);
    EXPECT_EQ(exp().spectrum().SpectrumPath, shown);
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].title, "Error!");
    EXPECT_EQ(dialogs.asked()[0].text, "Cannot open, unable to find file acqus!");
    EXPECT_TRUE(frame->RecentSpectra().empty());
}

TEST_F(FrameDesktopTest, DragsOfNothingUsableAreRefused) {
    const fs::path text = fs::path(folder) / "notes.txt";
    std::ofstream(text) << "not a spectrum";
    const fs::path wrongName = fs::path(folder) / "Data" / "1R";
    fs::create_directories(wrongName.parent_path());
    fs::copy_file(Example(0) / "1r", wrongName);
    const int before = exp().session().OpeningCount();
    dialogs.clear();
    EXPECT_FALSE(DropOn(frame->form1(), {text}));
    EXPECT_FALSE(DropOn(&exp(), {wrongName}));
    EXPECT_FALSE(DropOn(frame->form1(), {fs::path(folder) / "Examples"}));
    // A picture on the frame's bars has no graph to go to.
    EXPECT_FALSE(DropOn(frame.get(), {Example(0) / "Ex1.emf"}));
    EXPECT_EQ(exp().session().OpeningCount(), before);
    EXPECT_TRUE(dialogs.asked().empty());
}

TEST_F(FrameDesktopTest, APictureDroppedOnAGraphBecomesItsFormula) {
    const fs::path emf = Example(4) / "Ex4.emf";
    std::vector<std::uint8_t> want;
    ASSERT_TRUE(ReadFormulaFile(emf, &want, nullptr));

    // The simulator: shown, kept as a pasted one is, and the clipboard untouched.
    form().clipboard().Clear();
    ASSERT_TRUE(DropOn(frame->form1(), {emf}));
    EXPECT_TRUE(form().Image1()->HasPicture());
    EXPECT_EQ(form().Image1()->Emf(), want);
    EXPECT_TRUE(form().Formula().FormulaShown);
    EXPECT_FALSE(form().Formula().FormulaFromExample);
    EXPECT_TRUE(fs::exists(fs::path(folder) / "SvClipMF.emf"));
    EXPECT_EQ(form().clipboard().MimeData(), nullptr);

    // The experimental window: its own formula, the simulator's stays.
    exp().mnuDelFormula_Click();
    ASSERT_TRUE(DropOn(&exp(), {Example(3) / "Ex3.emf"}));
    EXPECT_TRUE(exp().ExpFormulaShown());
    EXPECT_FALSE(exp().ExpFormulaFromExample());
    EXPECT_EQ(form().Image1()->Emf(), want);

    // A PNG becomes a picture too.
    QImage img(40, 20, QImage::Format_RGB32);
    img.fill(Qt::blue);
    const fs::path png = fs::path(folder) / "formula.PNG";
    ASSERT_TRUE(img.save(QString::fromStdString(png.string()), "PNG"));
    ASSERT_TRUE(DropOn(frame->form1(), {png}));
    EXPECT_NE(form().Image1()->Emf(), want);
    EXPECT_TRUE(form().Image1()->HasPicture());
}

TEST_F(FrameDesktopTest, ADamagedPictureFileIsToldAndTheFormulaStays) {
    ASSERT_TRUE(DropOn(frame->form1(), {Example(4) / "Ex4.emf"}));
    const std::vector<std::uint8_t> shown = form().Image1()->Emf();
    const fs::path bad = fs::path(folder) / "broken.svg";
    std::ofstream(bad) << "<svg this is not";
    const fs::path badPng = fs::path(folder) / "broken.png";
    std::ofstream(badPng) << "PNG? no";
    dialogs.clear();
    ASSERT_TRUE(DropOn(frame->form1(), {badPng}));
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].title, "No Picture!");
    EXPECT_NE(dialogs.asked()[0].text.find("broken.png"), std::string::npos);
    EXPECT_EQ(form().Image1()->Emf(), shown);
    DropOn(frame->form1(), {bad});
    EXPECT_EQ(form().Image1()->Emf(), shown);
}

TEST_F(FrameDesktopTest, F1OpensTheGuideFromEveryWindowAndAFailureIsTold) {
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    int opened = 0;
    frame->SetGuideOpener([&](QString*) { return ++opened, true; });
    QAction* guide = frame->findChild<QAction*>("mnuUserGuide");
    ASSERT_NE(guide, nullptr);
    EXPECT_EQ(guide->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(guide->text(), "&User Guide");

    form().Picture1()->setFocus();
    QTest::keyClick(form().Picture1(), Qt::Key_F1);
    EXPECT_EQ(opened, 1);
    exp().Picture1()->setFocus();
    QTest::keyClick(exp().Picture1(), Qt::Key_F1);
    EXPECT_EQ(opened, 2);

    frame->SetGuideOpener([](QString* error) {
        *error = "The user guide was not found.";
        return false;
    });
    dialogs.clear();
    QTest::keyClick(form().Picture1(), Qt::Key_F1);
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].title, "User Guide");
    EXPECT_EQ(dialogs.asked()[0].text, "The user guide was not found.");
}

TEST_F(FrameDesktopTest, RecentSpectraNewestFirstMissingOnesTakenOffAndCleared) {
    frame->UseStateFile(StateFile());
    const fs::path a = BrukerExperiment(2, "A") / "pdata" / "1" / "1r";
    const fs::path b = BrukerExperiment(3, "B") / "pdata" / "1" / "1r";
    exp().OpenDroppedSpectrum(a.string());
    dialogs.QueueFile(b.string());
    exp().OpenFull();  // the menu's Open is remembered as well
    exp().OpenDroppedSpectrum(a.string());
    ASSERT_EQ(frame->RecentSpectra().size(), 2u);
    EXPECT_EQ(fs::path(frame->RecentSpectra()[0]), a);
    EXPECT_EQ(fs::path(frame->RecentSpectra()[1]), b);
    // Kept at once, for the next run.
    EXPECT_EQ(LoadUserState(StateFile()).recentSpectra, frame->RecentSpectra());

    QMenu* recent = exp().findChild<QMenu*>("mnuRecent");
    ASSERT_NE(recent, nullptr);
    QAction* second = recent->findChild<QAction*>("mnuRecent1");
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->text().contains("B"));
    // Chosen from the menu: opened, and to the front.
    second->trigger();
    EXPECT_EQ(fs::path(exp().spectrum().SpectrumPath), b);
    EXPECT_EQ(fs::path(frame->RecentSpectra()[0]), b);

    // Gone from the disk: told, taken off, the shown spectrum kept.
    fs::remove_all(a.parent_path().parent_path().parent_path());
    dialogs.clear();
    recent->findChild<QAction*>("mnuRecent1")->trigger();
    ASSERT_EQ(dialogs.asked().size(), 1u);
    EXPECT_EQ(dialogs.asked()[0].title, "Recent Spectra");
    EXPECT_EQ(frame->RecentSpectra().size(), 1u);
    EXPECT_EQ(fs::path(exp().spectrum().SpectrumPath), b);
    EXPECT_EQ(recent->findChild<QAction*>("mnuRecent1"), nullptr);

    QAction* clear = recent->findChild<QAction*>("mnuRecentClear");
    ASSERT_NE(clear, nullptr);
    clear->trigger();
    EXPECT_TRUE(frame->RecentSpectra().empty());
    EXPECT_FALSE(recent->findChild<QAction*>("mnuRecentClear")->isEnabled());
    EXPECT_TRUE(LoadUserState(StateFile()).recentSpectra.empty());
}

TEST_F(FrameDesktopTest, WindowPlacesComeBackOnTheNextRunKeptOnTheScreen) {
    frame->UseStateFile(StateFile());
    frame->setGeometry(40, 30, 700, 500);
    exp();
    frame->form1Window()->setGeometry(10, 5, 300, 200);
    frame->form100Window()->setGeometry(50, 40, 320, 210);
    QTest::qWait(10);
    const QRect frameRect = frame->geometry();
    frame->close();
    const UserState saved = LoadUserState(StateFile());
    ASSERT_EQ(saved.windows.count("MDIForm1"), 1u);
    EXPECT_EQ(saved.windows.at("Form1Window").rect, (ScreenRect{10, 5, 300, 200}));

    const auto next = FrameFromState(saved);
    EXPECT_EQ(next->geometry(), frameRect);
    EXPECT_EQ(next->form1Window()->geometry(), QRect(10, 5, 300, 200));
    next->EnsureForm100();
    EXPECT_EQ(next->form100Window()->geometry(), QRect(50, 40, 320, 210));

    // Places from a bigger screen, or one no longer there, are brought back whole.
    UserState far = saved;
    far.windows["MDIForm1"] = {{5000, 4000, 3000, 2000}, false};
    far.windows["Form1Window"] = {{2000, 1500, 779, 600}, false};
    const auto moved = FrameFromState(far);
    const QRect screen = moved->screen()->availableGeometry();
    const QRect got = moved->geometry();
    EXPECT_TRUE(screen.contains(got)) << got.x() << "," << got.y() << " " << got.width() << "x" << got.height() << " in "
                                      << screen.width() << "x" << screen.height() << " min "
                                      << moved->minimumSizeHint().width() << "x" << moved->minimumSizeHint().height();
    // Inside the workspace, or where the workspace is smaller than what the
    // window needs, at its top left at that size, the workspace scrolling.
    const QRect space = moved->mdiArea()->viewport()->rect();
    const QRect placed = moved->form1Window()->geometry();
    const QSize least = moved->form1Window()->minimumSizeHint();
    if (least.width() <= space.width() && least.height() <= space.height()) {
        EXPECT_TRUE(space.contains(placed));
    } else {
        EXPECT_TRUE(space.contains(placed.topLeft()));
        EXPECT_GE(placed.width(), std::min(779, least.width()));
        EXPECT_GE(placed.height(), std::min(600, least.height()));
    }
}

TEST_F(FrameDesktopTest, AWorkspaceSmallerThanAWindowScrollsInsteadOfCuttingIt) {
    // A frame as small as a 960 x 540 screen (1920 x 1080 at twice the
    // size) leaves, and the simulator as big as it needs.
    UserState small;
    small.windows["MDIForm1"] = {{0, 0, 640, 420}, false};
    small.windows["Form1Window"] = {{0, 0, 779, 600}, false};
    const auto f = FrameFromState(small);
    const QRect space = f->mdiArea()->viewport()->rect();
    const QRect placed = f->form1Window()->geometry();
    const QSize least = f->form1Window()->minimumSizeHint();
    ASSERT_GT(least.height(), space.height()) << "the frame is not small enough for this test";
    EXPECT_GE(placed.height(), least.height());
    EXPECT_TRUE(space.contains(placed.topLeft()));
    QScrollBar* scroll = f->mdiArea()->verticalScrollBar();
    EXPECT_TRUE(scroll->isVisible());
    // The graph's bottom can be scrolled to.
    scroll->setValue(scroll->maximum());
    QTest::qWait(10);
    QWidget* graph = f->form1Window()->findChild<QWidget*>("Picture1");
    ASSERT_NE(graph, nullptr);
    const QPoint bottom = graph->mapTo(f->mdiArea()->viewport(), QPoint(0, graph->height() - 1));
    EXPECT_LE(bottom.y(), space.bottom());

    // Maximized, the experimental window keeps what its rows need too.
    f->EnsureForm100();
    QMdiSubWindow* exp = f->form100Window();
    exp->showMaximized();
    QTest::qWait(10);
    EXPECT_GE(exp->height(), exp->minimumSizeHint().height());
    EXPECT_TRUE(f->mdiArea()->verticalScrollBar()->isVisible());
    // Its commands wrap in so narrow a window, and every row keeps clear of
    // the graph: the wrapped rows above it, the step buttons below it.
    const auto bottomOf = [&](const char* name) {
        auto* w = exp->findChild<QWidget*>(name);
        return w->mapTo(exp, QPoint(0, w->height())).y();
    };
    const auto topOf = [&](const char* name) { return exp->findChild<QWidget*>(name)->mapTo(exp, QPoint(0, 0)).y(); };
    ASSERT_GT(topOf("Command11"), topOf("Command2")) << "the commands did not wrap";
    EXPECT_LE(bottomOf("Command11"), topOf("Picture1"));
    EXPECT_LE(bottomOf("Picture1"), topOf("Command9_0"));
    // Restored, it is free to be placed again.
    exp->showNormal();
    QTest::qWait(10);
    EXPECT_EQ(exp->minimumSize(), QSize(0, 0));
}

TEST_F(FrameDesktopTest, WithoutAStateBothWindowsStartInsideTheWorkspace) {
    ScriptedDialogs d2;
    MainFrame first(&d2);
    first.UseStateFile(StateFile());
    first.ShowAtStart();
    first.EnsureForm100();
    QTest::qWait(10);
    // With no place of their own they take the whole workspace (as it is
    // without scroll bars), or their contents' least size where that is
    // bigger; the workspace then scrolls to the rest.
    const QSize room = first.mdiArea()->maximumViewportSize();
    for (QMdiSubWindow* w : {first.form1Window(), first.form100Window()}) {
        const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
        EXPECT_EQ(w->geometry(), QRect(QPoint(0, 0), room.expandedTo(least))) << w->objectName().toStdString();
        if (least.width() > room.width()) {
            EXPECT_TRUE(first.mdiArea()->horizontalScrollBar()->isVisible());
        }
    }
    EXPECT_EQ(first.mdiArea()->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(first.geometry()));
}

TEST_F(FrameDesktopTest, EveryButtonIsWithinReachOnANarrowFrame) {
    for (const bool experimental : {false, true}) {
        if (experimental) exp();
        for (const int width : {800, 560}) {
            frame->resize(width, 600);
            QTest::qWait(10);
            QWidget* panel = frame->findChild<QWidget*>(experimental ? "Picture2" : "Picture1");
            ASSERT_TRUE(panel->isVisible());
            int shown = 0;
            for (QPushButton* b : panel->findChildren<QPushButton*>()) {
                if (b->isHidden()) continue;
                ++shown;
                const QRect r(b->mapTo(frame.get(), QPoint(0, 0)), b->size());
                EXPECT_TRUE(frame->rect().contains(r))
                    << b->objectName().toStdString() << " at " << width << " px: " << r.x() << "+" << r.width();
                // The caption is not cut.
                EXPECT_GE(b->width(), b->sizeHint().width()) << b->objectName().toStdString();
            }
            EXPECT_GE(shown, experimental ? 12 : 9);
            // The workspace keeps its room below the wrapped rows, and
            // scrolls to the parts of its windows it cannot show.
            EXPECT_GT(frame->mdiArea()->height(), 200);
            if (frame->mdiArea()->viewport()->width() < frame->form1Window()->geometry().right()) {
                EXPECT_TRUE(frame->mdiArea()->horizontalScrollBar()->isVisible()) << width;
            }
        }
    }
}

}  // namespace
