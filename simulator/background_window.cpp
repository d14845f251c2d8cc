#include "simulator/background_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qpainter_surface.h"
#include "settings/graph_background.h"

namespace quble {

GridPreview::GridPreview(QWidget* parent) : QWidget(parent) { setMinimumSize(60, 36); }

void GridPreview::Show(ColorRef back, bool grid, int gridCode) {
    back_ = back;
    grid_ = grid;
    code_ = gridCode;
    update();
}

void GridPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ToQColor(ResolveColor(back_)));
    if (grid_) {
        // The graph's pattern at a readable scale: fine, coarse, centre.
        const GridColors g = GridColorsForCode(code_);
        const int w = width(), h = height(), xc = w / 2;
        auto vert = [&](int step, ColorRef c) {
            p.setPen(ToQColor(c));
            for (int x = xc; x > 0; x -= step) p.drawLine(x, 0, x, h);
            for (int x = xc; x < w; x += step) p.drawLine(x, 0, x, h);
        };
        auto horiz = [&](int step, ColorRef c) {
            p.setPen(ToQColor(c));
            for (int y = h - 1; y > 0; y -= step) p.drawLine(0, y, w, y);
        };
        vert(4, g[0]);
        vert(20, g[1]);
        p.setPen(ToQColor(g[2]));
        p.drawLine(xc, 0, xc, h);
        horiz(4, g[0]);
        horiz(20, g[3]);
    }
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void GridPreview::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit clicked();
}

Form5::Form5(QWidget* parent, BackgroundLink link) : QDialog(parent), link_(std::move(link)) {
    setObjectName("Form5");
    setWindowTitle("Graph Background");
    setModal(true);
    auto* top = new QVBoxLayout(this);

    auto* frame1 = new QGroupBox("Graph Back Color", this);
    frame1->setObjectName("Frame1");
    auto* backs = new QHBoxLayout(frame1);
    for (int k = 0; k < kBackColorCount; ++k) {
        // A swatch is a preview without grid: plain colour, clickable.
        auto* l = new GridPreview(frame1);
        l->setObjectName(QString("Label1_%1").arg(k));
        l->Show(BackColorForIndex(k), false, kFirstGridCode);
        l->setCursor(Qt::PointingHandCursor);
        connect(l, &GridPreview::clicked, this, [this, k] { Label1_Click(k); });
        swatches_[static_cast<std::size_t>(k)] = l;
        backs->addWidget(l);
    }
    top->addWidget(frame1);

    auto* frame2 = new QGroupBox("Graph Background Grid Color", this);
    frame2->setObjectName("Frame2");
    auto* grids = new QGridLayout(frame2);
    for (int k = 0; k < 5; ++k) {
        auto* pv = new GridPreview(frame2);
        pv->setObjectName(QString("Picture1_%1").arg(k));
        previews_[static_cast<std::size_t>(k)] = pv;
        connect(pv, &GridPreview::clicked, this, [this, k] { Picture1_Click(k); });
        grids->addWidget(pv, 0, k);
    }
    auto* noGrid = new QLabel("No Grid", frame2);
    noGrid->setObjectName("Label2");
    grids->addWidget(noGrid, 1, 4, Qt::AlignHCenter);
    top->addWidget(frame2);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("Command1");
    connect(ok, &QPushButton::clicked, this, [this] { Command1_Click(); });
    top->addWidget(ok, 0, Qt::AlignRight);

    RefreshPreviews();
}

void Form5::RefreshPreviews() {
    const ColorRef back = BackColorForIndex(link_.backIndex());
    for (int k = 0; k < 4; ++k) previews_[static_cast<std::size_t>(k)]->Show(back, true, kFirstGridCode + k);
    previews_[4]->Show(back, false, link_.gridCode());
}

void Form5::Label1_Click(int index) {
    if (index < 0 || index >= kBackColorCount) return;
    link_.set(index, link_.grid(), link_.gridCode());
    RefreshPreviews();
}

void Form5::Picture1_Click(int index) {
    if (index < 0 || index > 4) return;
    if (index == 4) {
        link_.set(link_.backIndex(), false, link_.gridCode());
    } else {
        link_.set(link_.backIndex(), true, kFirstGridCode + index);
    }
}

void Form5::Command1_Click() { accept(); }

}  // namespace quble
