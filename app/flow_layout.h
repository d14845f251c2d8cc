// A layout that places its widgets in a row and starts a new row when the
// next one would not fit, so a bar of buttons stays whole at any width.
#pragma once

#include <QLayout>
#include <QList>

namespace quble {

class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent, int spacing = 4);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    int Arrange(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> items_;
};

}  // namespace quble
