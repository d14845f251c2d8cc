// Program start: the frame window with the simulator, which computes
// Example 1/H7 on start. Without a display the start-up graph is written to
// a PNG instead; --screenshot grabs the whole frame after start-up.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/main_frame.h"
#include "examples/example_sets.h"
#include "platform/dialogs.h"
#include "platform/drop_paths.h"
#include "platform/user_state.h"
#include "experimental/form100_window.h"
#include "experimental/multiplet_window.h"
#include "simulator/form1_window.h"

namespace {

void Usage() {
    std::fprintf(stderr,
                 "usage: quble [--startup-png [PATH]] [--screenshot PATH] [--open-experimental 1R] [--drop PATH]\n"
                 "             [--hydrogens N] [--example NAME] [--fit] [--analyse PPM:PPM] [--paste TEXT]\n"
                 "  --startup-png [PATH]      write the start-up graph to PATH (default quble-startup.png in\n"
                 "                            the current folder) and exit\n"
                 "  --screenshot PATH         write a picture of the whole window to PATH and exit\n"
                 "  --open-experimental 1R    with --screenshot: show the experimental window with the\n"
                 "                            spectrum 1R (\"example\": the first example spectrum)\n"
                 "  --drop PATH               with --screenshot: PATH (an experiment folder, a 1r or a\n"
                 "                            picture) dropped on the simulator window first\n"
                 "  --hydrogens N             with --screenshot: enter N hydrogens (1 to 4), their shifts\n"
                 "                            and three J values each in the simulator first\n"
                 "  --example NAME            with --screenshot: load the example NAME (\"Example 2\",\n"
                 "                            \"Example 1/H6\" or its menu name \"mnuEx2\") in the simulator first\n"
                 "  --fit                     with --screenshot and --open-experimental: transfer the spectrum to\n"
                 "                            the simulator and fit the simulation to it (default choices) first\n"
                 "  --analyse PPM:PPM         with --screenshot and --open-experimental: drag the band across\n"
                 "                            the shifts (expanded onto them) and analyse the multiplet first\n"
                 "  --paste TEXT              with --screenshot: paste the journal text TEXT into the simulator\n"
                 "                            first\n"
                 "Window places and recent spectra are kept in $XDG_CONFIG_HOME/quble/state.json.\n");
}

// True once the start-up calculation and every deferred line-shape switch ran.
bool StartUpDone(const quble::Form1& f) {
    if (!f.HasGraph()) return false;
    for (const char* t : {"Timer2", "TimerLorentzian", "TimerLorGauss", "Timer7"}) {
        if (f.Timer(t)->isActive()) return false;
    }
    return true;
}

// A picture taken without anyone at the screen: a message goes to stderr and
// is answered as a user closing it would, so no modal box waits forever.
class BatchDialogs : public quble::Dialogs {
public:
    quble::MsgAnswer MessageBox(const std::string& title, const std::string& text, quble::MsgButtons buttons,
                                quble::MsgIcon) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        switch (buttons) {
            case quble::MsgButtons::Ok: return quble::MsgAnswer::Ok;
            case quble::MsgButtons::YesNo: return quble::MsgAnswer::No;
            default: return quble::MsgAnswer::Cancel;
        }
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<quble::ColorRef> ChooseColor(quble::ColorRef) override { return std::nullopt; }
};

}  // namespace

int main(int argc, char** argv) {
    std::string startupPng;
    std::string screenshot;
    std::string experimental;
    std::string dropped;
    int hydrogens = 0;
    std::string example;
    bool fit = false;
    double analyseFrom = 0.0, analyseTo = 0.0;
    bool analyse = false;
    std::string paste;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--startup-png") == 0) {
            // The path may be left out: a bare option still asks for the
            // picture, written where the user stands.
            const bool pathGiven = hasValue && std::strncmp(argv[i + 1], "--", 2) != 0;
            startupPng = pathGiven ? argv[++i] : "quble-startup.png";
        } else if (std::strcmp(argv[i], "--screenshot") == 0 && hasValue) {
            screenshot = argv[++i];
        } else if (std::strcmp(argv[i], "--open-experimental") == 0 && hasValue) {
            experimental = argv[++i];
        } else if (std::strcmp(argv[i], "--drop") == 0 && hasValue) {
            dropped = argv[++i];
        } else if (std::strcmp(argv[i], "--hydrogens") == 0 && hasValue) {
            hydrogens = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--example") == 0 && hasValue) {
            example = argv[++i];
            if (!quble::FindExample(example)) {
                std::fprintf(stderr, "There is no example \"%s\"; the examples are:", example.c_str());
                for (const auto& e : quble::ExampleSets()) std::fprintf(stderr, " \"%s\"", e.caption.c_str());
                std::fprintf(stderr, "\n");
                return 2;
            }
        } else if (std::strcmp(argv[i], "--fit") == 0) {
            fit = true;
        } else if (std::strcmp(argv[i], "--analyse") == 0 && hasValue) {
            char* end = nullptr;
            const char* text = argv[++i];
            analyseFrom = std::strtod(text, &end);
            const bool colon = end != text && *end == ':';
            const char* second = colon ? end + 1 : end;
            if (colon) analyseTo = std::strtod(second, &end);
            if (!colon || end == second || *end != '\0' || !std::isfinite(analyseFrom) || !std::isfinite(analyseTo) ||
                analyseFrom == analyseTo) {
                std::fprintf(stderr, "--analyse wants two different shifts in ppm, as 3.80:3.68, not \"%s\"\n", text);
                return 2;
            }
            analyse = true;
        } else if (std::strcmp(argv[i], "--paste") == 0 && hasValue) {
            paste = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Usage();
            return 0;
        } else if (std::strncmp(argv[i], "--", 2) == 0) {
            // Qt's own options (-platform, -style ...) start with one dash and
            // are left to QApplication; an unknown long option is a mistake.
            Usage();
            return 2;
        }
    }

    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
                           !qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    if (noDisplay) {
        if (startupPng.empty()) startupPng = "quble-startup.png";
        std::fprintf(stderr, "No display available: writing the start-up graph to %s\n", startupPng.c_str());
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Quble");
    QApplication::setApplicationVersion(QUBLE_VERSION);
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName("org.quble.Quble");

    const bool batch = !startupPng.empty() || !screenshot.empty();
    BatchDialogs batchDialogs;
    quble::MainFrame frame(batch ? &batchDialogs : nullptr);
    if (!startupPng.empty()) {
        frame.resize(1000, experimental.empty() ? 720 : 800);
        frame.show();
    } else if (batch) {
        // A picture of the first start: the places of a first run, and no
        // state read or written.
        frame.ShowAtStart();
    } else {
        frame.UseStateFile(quble::UserStateFile());
        frame.ShowAtStart();
        // Exit from a menu ends the program without closing the frame first.
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &frame, [&frame] {
            frame.RememberPlaces();
            frame.SaveState();
        });
        return QApplication::exec();
    }

    int result = 0;
    QTimer poll;
    int waited = 0;
    bool exampleChosen = example.empty();
    bool pasted = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        waited += 20;
        if (!StartUpDone(*frame.form1()) && waited < 15000) return;
        if (!exampleChosen) {
            // Through its menu entry, as a user picks it; its calculation and
            // line-shape switch run on timers, waited for as the start's.
            exampleChosen = true;
            QAction* entry = frame.form1()->Action(QString::fromStdString(quble::FindExample(example)->menuName));
            if (!entry) {
                std::fprintf(stderr, "The example \"%s\" has no menu entry.\n", example.c_str());
                result = 1;
            } else {
                entry->trigger();
                return;
            }
        }
        if (!paste.empty() && !pasted) {
            // Its calculation runs on the simulator's timers too.
            pasted = true;
            QGuiApplication::clipboard()->setText(QString::fromStdString(paste));
            frame.form1()->mnuPasteText_Click();
            return;
        }
        poll.stop();
        if (!frame.form1()->HasGraph()) {
            std::fprintf(stderr, "The start-up calculation did not finish.\n");
            result = 1;
        }
        if (result == 0 && !experimental.empty()) {
            quble::Form100* f = frame.EnsureForm100();
            frame.form100Window()->showMaximized();
            if (experimental != "example") {
                const quble::OpenResult opened = f->OpenSpectrumFile(experimental);
                if (!opened.ok()) {
                    // A picture of the example shown instead would pass for the one asked for.
                    std::fprintf(stderr, "%s is not opened: %s\n", experimental.c_str(), opened.text.c_str());
                    result = 1;
                }
            }
            if (fit) {
                // The fit dialog's own defaults, as a user accepting it at once.
                f->mnuTransferData_Click();
                frame.form1()->runFitDialog = [](const quble::OverlayFitChoice& c) { return std::optional(c); };
                frame.form1Window()->showMaximized();
                frame.form1()->mnuFit_Click();
            }
            if (analyse) {
                // As a user does: a rough band, expanded onto, then the band
                // across the multiplet itself.
                const double margin = 0.1 * std::fabs(analyseFrom - analyseTo) + 0.02;
                const double hi = std::max(analyseFrom, analyseTo), lo = std::min(analyseFrom, analyseTo);
                bool selected = f->SelectBandPpm(hi + margin, lo - margin);
                if (selected) {
                    f->Command4_Click();
                    selected = f->SelectBandPpm(hi, lo);
                }
                if (!selected) {
                    std::fprintf(stderr, "%g to %g ppm is not within the spectrum.\n", hi, lo);
                    result = 1;
                } else {
                    f->mnuAnalyse_Click();
                }
            }
        }
        if (result == 0 && !dropped.empty()) {
            const quble::DropTarget t = quble::ClassifyDrop({std::filesystem::path(dropped)});
            if (t.kind == quble::DropKind::None) {
                std::fprintf(stderr, "%s is neither a spectrum nor a picture.\n", dropped.c_str());
                result = 1;
            } else {
                frame.HandleDrop(t, frame.form1());
            }
        }
        if (result == 0 && hydrogens > 0) {
            // Typed as a user does: each box and Enter.
            auto enter = [&frame](const QString& box, const QString& text) {
                auto* b = frame.form1()->findChild<QLineEdit*>(box);
                if (!b) return;
                if (!text.isEmpty()) b->setText(text);
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
                QApplication::sendEvent(b, &press);
            };
            enter("Text2", QString::number(hydrogens));
            for (int i = 0; i < std::min(hydrogens, 4); ++i) enter(QString("Text6_%1").arg(i), "");
            for (int i = 0; i < std::min(hydrogens, 4); ++i) enter(QString("Text1_%1").arg(i), "3");
        }
        QApplication::processEvents();
        if (result == 0 && !startupPng.empty() &&
            !frame.form1()->Picture1()->picture().save(QString::fromStdString(startupPng), "PNG")) {
            std::fprintf(stderr, "Cannot write %s\n", startupPng.c_str());
            result = 1;
        }
        // A result window stands apart from the frame: the screen holds both.
        QPixmap shot;
        const quble::Form100* f100 = frame.form100();
        if (f100 && f100->AnalysisWindow() && f100->AnalysisWindow()->isVisible() && QGuiApplication::primaryScreen())
            shot = QGuiApplication::primaryScreen()->grabWindow(0);
        if (shot.isNull()) shot = frame.grab();
        if (result == 0 && !screenshot.empty() && !shot.save(QString::fromStdString(screenshot), "PNG")) {
            std::fprintf(stderr, "Cannot write %s\n", screenshot.c_str());
            result = 1;
        }
        QApplication::exit(result);
    });
    poll.start(20);
    QApplication::exec();
    return result;
}
