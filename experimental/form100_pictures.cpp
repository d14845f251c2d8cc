// The experimental window's picture: copies, export and the formula picture.
#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QScreen>

#include "experimental/experimental_graph_picture.h"
#include "experimental/form100_window.h"
#include "platform/formula_image.h"
#include "platform/picture_export_dialog.h"
#include "platform/picture_files.h"
#include "platform/screen_metrics_qt.h"

namespace quble {

void Form100::SetClipboard(Clipboard* c) {
    if (c) {
        clipboard_ = c;
    } else {
        if (!ownClipboard_) ownClipboard_ = std::make_unique<QtClipboard>();
        clipboard_ = ownClipboard_.get();
    }
    if (formula_) formula_->SetClipboard(clipboard_);
}

ScreenMetrics Form100::Screen() const {
    const QScreen* s = screen();
    if (!s) s = QGuiApplication::primaryScreen();
    return ScreenMetricsOf(s);
}

ExpFormula Form100::Formula() const {
    ExpFormula f;
    f.ExpFormulaShown = formula_->Shown();
    f.ExpFormulaFromExample = formula_->FromExample();
    f.ExpExampleFormulaPath = formula_->ExamplePath();
    const QRectF r = formula_->Rect();
    f.Left = r.left();
    f.Top = r.top();
    f.Width = r.width();
    f.Height = r.height();
    return f;
}

ExpFrameLayout Form100::FrameLayout() const {
    ExpFrameLayout f;
    f.graphWidth = picture1_->width();
    f.graphHeight = picture1_->height();
    f.titleHeight = Picture7->height();
    f.legendHeight = Picture6->height();
    f.title = Label10->text().toStdString();
    // Positions as the strips hold them now; a label that has not been laid
    // out yet (a window never shown) is centred or left at its default.
    if (Label10->isVisibleTo(this) && Label10->width() > 0 && Picture7->layout()) {
        Picture7->layout()->activate();
        f.titleLeft = Label10->x();
        f.titleTop = Label10->y();
    }
    f.reference = Label5->text().toStdString();
    f.referenceLeft = Label5->x();
    f.referenceTop = Label5->y();
    const QPoint delta = Label11->mapTo(Picture6, QPoint(0, 0));
    f.deltaLeft = delta.x();
    f.deltaTop = delta.y();
    return f;
}

GraphPicture Form100::CurrentGraphPicture() const {
    return ExperimentalGraphPicture(session_.view(), session_.spectrum(), session_.style(), FrameLayout(),
                                    formula_->ShownEmf(), formula_->Rect(), Screen());
}

bool Form100::MakeCurPic2MF(std::vector<std::uint8_t>* bytes) {
    std::string error;
    if (!quble::MakeCurPic2MF(session_.view(), session_.spectrum(), session_.style(), FrameLayout(), Formula(),
                              Screen(), programFolder_.string(), bytes, &error)) {
        dialogs_->MessageBox(ApplicationTitle(), MetafileFailedText(error));
        return false;
    }
    return true;
}

void Form100::mnuCopy_Click() {
    std::vector<std::uint8_t> emf;
    if (!MakeCurPic2MF(&emf)) return;
    // The same drawing as SVG and PNG, for programs that take no metafile.
    const GraphPicture g = CurrentGraphPicture();
    const QByteArray svg = GraphSvg(g, false);
    const QByteArray png = GraphPng(g, false, 2.0 * g.screen.LOGPIXELSX);
    clipboard_->Clear();
    clipboard_->SetMimeData(PictureMimeData(emf, svg, png));
}

bool Form100::SaveClipFormulaSF(const std::vector<std::uint8_t>& emf, std::string* error) {
    return SaveClipMF(emf, programFolder_.string(), kSvClipMFSFFile, error);
}

void Form100::mnuPaste_Click() { formula_->Paste(); }
void Form100::mnuDelFormula_Click() { formula_->Delete(); }
void Form100::ExamplePictureAdd(const std::string& path) { formula_->ExamplePictureAdd(path); }

void Form100::VerifFormula() {
    formula_->VerifFormula(std::filesystem::path(session_.spectrum().SpectrumPath).parent_path());
}

void Form100::mnuEdit_Show() {
    const bool paste = formula_->CanPaste();
    Action("mnuPaste")->setEnabled(paste);
    if (frame_.enableFramePaste) frame_.enableFramePaste(paste);
    Action("mnuDelFormula")->setEnabled(formula_->Shown());
}

void Form100::mnuExportPicture_Click() {
    ExportPictureDialog(*dialogs_, (programFolder_ / "Spectrum.emf").string(),
                        QLocale::system().decimalPoint().at(0).toLatin1(),
                        [this] { return CurrentGraphPicture(); });
}

}  // namespace quble
