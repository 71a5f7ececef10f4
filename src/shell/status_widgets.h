#pragma once
#include <QImage>
#include <QLabel>
#include <QWidget>

#include <functional>

namespace kx {

// The painted progress bar: 255 one-pixel columns, 23 rows high. What was painted
// stays in an image until the next clearing, so it survives repaints. Changing the
// image does not repaint the widget: its owner calls update() when a person should
// see the change, so a run of changes costs one repaint.
class GradBar final : public QWidget {
public:
    static constexpr int kColumns = 255;
    static constexpr int kRows = 23;

    explicit GradBar(QWidget* parent);

    void Clear(const QColor& colour);
    // Paints columns 1..count (clipped to the bar) in red 255, green i, blue 0,
    // over what was there.
    void PaintColumns(int count);
    const QImage& Image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

// A label that reports clicks and double clicks.
class ActionLabel final : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;
    std::function<void()> onDoubleClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace kx
