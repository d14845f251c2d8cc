#include "simulator/form3_dialog.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "platform/qpainter_surface.h"

namespace quble {

namespace {

constexpr std::array<ColorRef, 10> kPalette{
    0x008080FF,  // light red
    0x000000FF,  // red
    0x000080FF,  // orange
    0x0000C0C0,  // olive
    0x0000C000,  // green
    0x00FF8080,  // light blue
    0x00C000C0,  // purple
    0x0000FFFF,  // yellow
    0x0000FF00,  // bright green
    0x80000012,  // the system's button-text colour
};

}  // namespace

// The four sample lines that show the colour about to be chosen.
class LinePreview : public QWidget {
public:
    explicit LinePreview(QWidget* parent) : QWidget(parent) {}
    void setColor(ColorRef c) {
        color_ = c;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.setPen(QPen(ToQColor(color_), 2));
        const int w = width(), h = height();
        for (int i = 0; i < 4; ++i) {
            const int x = w * (2 * i + 1) / 8;
            p.drawLine(x, h / 6, x, h * 5 / 6);
        }
    }

private:
    ColorRef color_ = 0;
};

Form3::Form3(QWidget* parent, Dialogs* dialogs, std::function<void()> linBlack)
    : QDialog(parent), dialogs_(dialogs), linBlack_(std::move(linBlack)) {
    setObjectName("Form3");
    setWindowTitle("Line Color");
    setModal(true);
    setFixedSize(300, 190);

    auto* prompt = new QLabel("Choose a color for the branches from this line", this);
    prompt->setObjectName("Label2");
    prompt->setGeometry(10, 8, 280, 18);

    for (int i = 0; i < 10; ++i) {
        auto* s = new QLabel(this);
        s->setObjectName(QString("Label1_%1").arg(i));
        s->setGeometry(10 + i * 28, 30, 24, 24);
        s->setAutoFillBackground(true);
        QPalette pal = s->palette();
        pal.setColor(QPalette::Window, ToQColor(kPalette[i]));
        s->setPalette(pal);
        s->setFrameShape(QFrame::Box);
        s->setCursor(Qt::PointingHandCursor);
        s->installEventFilter(this);
        swatches_[i] = s;
    }

    picture1_ = new LinePreview(this);
    picture1_->setObjectName("Picture1");
    picture1_->setGeometry(10, 64, 130, 80);

    auto* more = new QPushButton("More colors", this);
    more->setObjectName("Command3");
    more->setGeometry(160, 64, 130, 26);
    connect(more, &QPushButton::clicked, this, [this] { Command3_Click(); });

    auto* black = new QPushButton("Reset all to black", this);
    black->setObjectName("Command2");
    black->setGeometry(160, 96, 130, 26);
    connect(black, &QPushButton::clicked, this, [this] { Command2_Click(); });

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("Command1");
    ok->setGeometry(160, 152, 130, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

ColorRef Form3::PaletteColor(int swatch) { return kPalette.at(swatch); }

void Form3::SetPreview(ColorRef c) {
    preview_ = c;
    picture1_->setColor(c);
}

void Form3::Label1_Click(int index) {
    if (index < 0 || index >= 10) return;
    SetPreview(kPalette[index]);
    chosen_ = std::to_string(kPalette[index]);
}

void Form3::Command3_Click() {
    auto c = dialogs_->ChooseColor(preview_);
    if (!c) return;  // cancelled: nothing chosen
    SetPreview(*c);
    chosen_ = std::to_string(*c);
}

void Form3::Command2_Click() {
    if (linBlack_) linBlack_();
    chosen_ = "0";
    Finish();
}

void Form3::Command1_Click() {
    if (chosen_.empty()) chosen_ = "0";
    Finish();
}

void Form3::Finish() {
    confirmed_ = true;
    hide();
    if (isModal()) done(QDialog::Accepted);
    QApplication::processEvents();
}

std::optional<std::string> Form3::ShowModal() {
    chosen_.clear();
    confirmed_ = false;
    SetPreview(0);
    exec();
    if (!confirmed_) return std::nullopt;
    return chosen_;
}

bool Form3::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int i = 0; i < 10; ++i) {
            if (watched == swatches_[i]) {
                Label1_Click(i);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace quble
