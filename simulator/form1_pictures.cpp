#include "simulator/form1_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "examples/program_folder.h"
#include "platform/formula_image.h"
#include "platform/picture_export_dialog.h"
#include "platform/qpainter_surface.h"
#include "platform/qt_dialogs.h"
#include "simulator/form3_dialog.h"
#include "simulator/input_rules.h"
#include "simulator/simulator_picture.h"
#include "simulator/form1_internal.h"

namespace quble {

using namespace form1detail;

// ---------------------------------------------------------------- pictures

namespace {
std::string AppTitle() {
    const QString n = QCoreApplication::applicationName();
    return n.isEmpty() ? "Quble" : n.toStdString();
}
}  // namespace

void Form1::SetClipboard(Clipboard* c) {
    if (c) {
        clipboard_ = c;
        ownClipboard_.reset();
    } else {
        ownClipboard_ = std::make_unique<QtClipboard>();
        clipboard_ = ownClipboard_.get();
    }
}

ScreenMetrics Form1::Screen() const {
    const QScreen* s = screen();
    if (!s) s = QGuiApplication::primaryScreen();
    return ScreenMetricsOf(s);
}

FormulaPicture Form1::Formula() const {
    FormulaPicture f;
    f.FormulaShown = FormulaShown_;
    f.FormulaFromExample = FormulaFromExample_;
    f.ExampleFormulaPath = ExampleFormulaPath_;
    const QRectF r = image1_->UnitRect();
    f.Left = r.left();
    f.Top = r.top();
    f.Width = r.width();
    f.Height = r.height();
    return f;
}

GraphPicture Form1::CurrentGraphPicture() {
    std::vector<std::uint8_t> emf;
    if (FormulaShown_ && image1_->HasPicture()) emf = image1_->Emf();
    return SimulatorGraphPicture(plot_, sim_, std::move(emf), image1_->UnitRect(), Screen());
}

void Form1::CopyPicture(bool bw) {
    // Without a calculated graph there is nothing to draw.
    if (!session_.HasGraph()) return;
    PictureExport ex;
    ex.BWExport = bw;
    ex.ProgramFolder = programFolder_.string();
    ex.formula = Formula();
    ex.screen = Screen();
    std::vector<std::uint8_t> emf;
    std::string error;
    if (!MakeCurPicMF(plot_, sim_, ex, &emf, &error)) {
        dialogs_->MessageBox(AppTitle(), MetafileFailedText(error));
        return;
    }
    // The same drawing as SVG and PNG, for programs that take no metafile.
    const GraphPicture g = CurrentGraphPicture();
    const QByteArray svg = GraphSvg(g, bw);
    const QByteArray png = GraphPng(g, bw, 2.0 * g.screen.LOGPIXELSX);
    clipboard_->Clear();
    clipboard_->SetMimeData(PictureMimeData(emf, svg, png));
}

void Form1::mnuCopyMF_Click() { CopyPicture(false); }
void Form1::mnuCopyBW_Click() { CopyPicture(true); }

void Form1::mnuCopy_Click() {
    clipboard_->Clear();
    Timer3->start();
}

void Form1::Timer3_Timer() {
    Timer3->stop();
    clipboard_->Clear();
    auto* d = new QMimeData;
    d->setImageData(picture1_->picture());
    clipboard_->SetMimeData(d);
}

bool Form1::ShowFormula(std::vector<std::uint8_t> emf) {
    // As far from the right edge as on the smallest box, whatever its width.
    return image1_->ShowPicture(std::move(emf), 448 + std::max(0.0, plot_.ScaleWidth - kPlotScaleWidth), 24, 200);
}

void Form1::mnuPaste_Click() {
    std::optional<ClipPicture> pic = TakeClipPicture(clipboard_->MimeData());
    std::string note;
    std::vector<std::uint8_t> emf;
    if (pic) emf = FormulaEmfFromClip(*pic, &note);
    if (emf.empty()) {
        dialogs_->MessageBox("No Picture!", "There is no metafile picture in the clipboard!", MsgButtons::Ok,
                             MsgIcon::Critical);
        return;
    }
    // Saved first: a picture that cannot be kept would vanish from the next
    // export, so it is not shown either.
    std::string error;
    if (!SaveClipMF(emf, programFolder_.string(), kSvClipMFFile, &error)) {
        dialogs_->MessageBox(AppTitle(), MetafileFailedText(error));
        return;
    }
    if (!ShowFormula(std::move(emf))) {
        dialogs_->MessageBox("No Picture!", "There is no metafile picture in the clipboard!", MsgButtons::Ok,
                             MsgIcon::Critical);
        return;
    }
    FormulaShown_ = true;
    FormulaFromExample_ = false;
    Action("mnuDelFormula")->setEnabled(true);
    QCoreApplication::processEvents();
}

void Form1::mnuDelFormula_Click() {
    image1_->ClearPicture();
    FormulaShown_ = false;
    FormulaFromExample_ = false;
    Action("mnuDelFormula")->setEnabled(false);
}

void Form1::ExamplePictureAdd(const std::string& path) {
    ExampleFormulaPath_ = path;
    image1_->ClearPicture();
    std::vector<std::uint8_t> emf;
    if (!ReadFormulaFile(path, &emf, nullptr) || !ShowFormula(std::move(emf))) {
        image1_->ClearPicture();
        FormulaShown_ = FormulaFromExample_ = false;
        Action("mnuDelFormula")->setEnabled(false);
        return;
    }
    FormulaShown_ = FormulaFromExample_ = true;
    Action("mnuDelFormula")->setEnabled(true);
}

void Form1::VerifFormula(const std::filesystem::path& folder) {
    mnuDelFormula_Click();
    if (std::optional<std::filesystem::path> f = FindFormulaBeside(folder)) ExamplePictureAdd(f->string());
}

void Form1::mnuEdit_Show() {
    Action("mnuCopyMF")->setEnabled(session_.HasGraph());
    Action("mnuCopyBW")->setEnabled(session_.HasGraph());
    Action("mnuPaste")->setEnabled(HasClipPicture(clipboard_->MimeData()));
    Action("mnuDelFormula")->setEnabled(FormulaShown_);
}

void Form1::mnuExportPicture_Click() {
    if (!session_.HasGraph()) return;
    ExportPictureDialog(*dialogs_, (programFolder_ / "Graph.emf").string(), decSep_,
                        [this] { return CurrentGraphPicture(); });
}

}  // namespace quble
