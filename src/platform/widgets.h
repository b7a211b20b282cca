#pragma once
// The few control behaviours the windows need beyond plain Qt widgets:
// labels and pictures that report clicks, labels that cut a long message or
// path to their room, shapes and line segments with a fill and a border
// colour, picture boxes that keep a persistent image, and colours given as
// the 0xBBGGRR numbers of the stored settings.
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <cstdint>

#include "platform/drawing.h"

namespace zv {

// 0xBBGGRR (red + 256 * green + 65536 * blue) as a colour.
QColor bgrColor(uint32_t bgr);
uint32_t bgrValue(const QColor& colour);

namespace colours {
const QColor green = bgrColor(0xC000);
const QColor orange = bgrColor(0x80FF);
const QColor blue = bgrColor(0xFF0000);
const QColor red = bgrColor(0xFF);
const QColor cyan = bgrColor(0xFFFF00);
}  // namespace colours

// A label (also used for pictures) that reports clicks, double clicks and mouse moves.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(const QString& name, QWidget* parent = nullptr);
    // As a form makes it; the form names it.
    explicit Label(QWidget* parent = nullptr);
    // Background: an opaque colour, or transparent.
    void setBackColor(const QColor& colour);
    void setTransparent();
    bool isTransparent() const { return !autoFillBackground(); }
    QColor backColor() const;
    void setForeColor(const QColor& colour);
    QColor foreColor() const;
    // Shows the picture file (stretched to the label when `stretch`); a file
    // that cannot be read fails with error 53 and leaves the old picture.
    void loadPicture(const QString& path, bool stretch = false);
    bool hasPicture() const;
    QString picturePath() const { return picturePath_; }

signals:
    void clicked();
    void doubleClicked();
    void mouseMoved();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QString picturePath_;
};

// A label for a message, a path or a file name. It keeps the whole text (its
// text() is what was set, however it was set) but draws only what fits the
// room the layout gives it, cut with an ellipsis: at the end for a message,
// in the middle for a path, whose file name is what the user looks for. The
// whole text is its tooltip while it is cut. Its minimum width is that of
// the ellipsis, so no text it is given ever widens its window.
class ElidedLabel : public Label {
    Q_OBJECT
    Q_PROPERTY(Qt::TextElideMode elideMode READ elideMode WRITE setElideMode)
public:
    explicit ElidedLabel(const QString& name, QWidget* parent = nullptr);
    // As a form makes it; the form names it.
    explicit ElidedLabel(QWidget* parent = nullptr);
    Qt::TextElideMode elideMode() const { return mode_; }
    void setElideMode(Qt::TextElideMode mode);
    // The text as it is drawn in the label's present width, line by line.
    QString shownText() const;
    bool isElided() const { return shownText() != text(); }
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textRect() const;
    void showWholeTextAsTip(bool elided);

    Qt::TextElideMode mode_ = Qt::ElideRight;
};

// A rectangle, or a horizontal or vertical line, with a fill and a border colour.
class Shape : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Rectangle, HorizontalLine, VerticalLine };
    Shape(const QString& name, Kind kind, QWidget* parent = nullptr);
    // As a form makes it: a rectangle until the form sets its kind.
    explicit Shape(QWidget* parent = nullptr);
    void setKind(Kind kind);
    void setFillColor(const QColor& c);
    QColor fillColor() const { return fill_; }
    void setFilled(bool filled);
    void setBorderColor(const QColor& c);
    QColor borderColor() const { return border_; }
    void setBorderWidth(int width);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind kind_;
    QColor fill_ = Qt::white;
    QColor border_ = Qt::black;
    bool filled_ = false;
    int borderWidth_ = 1;
};

// A drawing surface that keeps what is drawn on it; its image is what a
// report prints.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(const QString& name, QSize size, QWidget* parent = nullptr);
    // As a form makes it: the form names it and gives its size, which its
    // canvas takes.
    explicit PictureBox(QWidget* parent = nullptr);
    // The assigned picture, drawn from the top-left corner.
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    // A picture that draws itself: on paper it is drawn at the printer's own
    // resolution, never as this box's pixels scaled up.
    void setDrawing(Drawing drawing);
    const Drawing& drawing() const { return drawing_; }
    // Draws what the box shows (white, the picture, the drawing, the canvas)
    // into `target`, scaled from the box's size.
    void paint(QPainter& painter, const QRectF& target) const;
    // Clears what was drawn (the assigned picture stays).
    void cls();
    // What is drawn: the client area with the picture at its top-left corner.
    QImage image() const;
    // The persistent drawing layer, for the windows that draw.
    QImage& canvas();
    QSize sizeHint() const override { return canvas_.size(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    Drawing drawing_;
    QImage canvas_;
};

// A Designer form holds whole point sizes only: each control of `form` (and
// `form` itself) that carries the dynamic property "pointSizeF" takes that
// size, keeping the rest of its font.
void applyFormPointSizes(QWidget* form);

// How many characters as wide as `widest` a text box of fixed width shows
// whole in its own font: what can be typed into it without running out of sight.
int charactersShown(const QLineEdit* box, QChar widest = QLatin1Char('0'));

// Twips (1440 per inch) at the screen's 96 dots per inch.
constexpr int twipsToPixels(int twips) { return twips / 15; }

}  // namespace zv
