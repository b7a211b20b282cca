#include "platform/widgets.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

#include "platform/errors.h"

namespace zv {

QColor bgrColor(uint32_t bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

uint32_t bgrValue(const QColor& c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

namespace {

// Whether the widget's own palette already gives `role` this colour in every
// group, as QPalette::setColor leaves it. Windows recolour dozens of labels
// at every record they show; setting an equal palette again resolves and
// propagates it for nothing.
bool hasOwnColour(const QWidget& widget, QPalette::ColorRole role, const QColor& colour) {
    if (!widget.testAttribute(Qt::WA_SetPalette))
        return false;
    const QPalette& p = widget.palette();
    const QBrush wanted(colour);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        if (!p.isBrushSet(group, role) || p.brush(group, role) != wanted)
            return false;
    return true;
}

}  // namespace

Label::Label(const QString& name, QWidget* parent) : Label(parent) { setObjectName(name); }

Label::Label(QWidget* parent) : QLabel(parent) { setAutoFillBackground(false); }

void Label::setBackColor(const QColor& colour) {
    if (autoFillBackground() && hasOwnColour(*this, QPalette::Window, colour))
        return;
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
    setAutoFillBackground(true);
}

void Label::setTransparent() { setAutoFillBackground(false); }

QColor Label::backColor() const { return palette().color(QPalette::Window); }

void Label::setForeColor(const QColor& colour) {
    if (hasOwnColour(*this, QPalette::WindowText, colour))
        return;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

QColor Label::foreColor() const { return palette().color(QPalette::WindowText); }

void Label::loadPicture(const QString& path, bool stretch) {
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull())
        throw AppError(err::FileNotFound, QStringLiteral("File not found: %1").arg(path));
    setPixmap(QPixmap::fromImage(image));
    setScaledContents(stretch);
    picturePath_ = path;
}

bool Label::hasPicture() const { return !pixmap().isNull(); }

void Label::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mousePressEvent(event);
}

void Label::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    QLabel::mouseDoubleClickEvent(event);
}

void Label::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved();
    QLabel::mouseMoveEvent(event);
}

ElidedLabel::ElidedLabel(const QString& name, QWidget* parent) : ElidedLabel(parent) { setObjectName(name); }

// A message is never markup: "<" in a logged description shows as itself.
ElidedLabel::ElidedLabel(QWidget* parent) : Label(parent) { setTextFormat(Qt::PlainText); }

void ElidedLabel::setElideMode(Qt::TextElideMode mode) {
    mode_ = mode;
    update();
}

// The contents less the margin and the indent, where QLabel draws its text.
QRect ElidedLabel::textRect() const {
    QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    int indentation = indent();
    if (indentation < 0 && frameWidth() > 0)
        indentation = fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin();
    if (indentation > 0) {
        const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
        if (align & Qt::AlignLeft)
            room.setLeft(room.left() + indentation);
        if (align & Qt::AlignRight)
            room.setRight(room.right() - indentation);
    }
    return room;
}

QString ElidedLabel::shownText() const {
    const int room = textRect().width();
    QStringList lines = text().split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = fontMetrics().elidedText(line, mode_, room);
    return lines.join(QLatin1Char('\n'));
}

QSize ElidedLabel::minimumSizeHint() const {
    QSize hint = Label::minimumSizeHint();
    const int around = width() - textRect().width();
    hint.setWidth(around + fontMetrics().horizontalAdvance(QChar(0x2026)));
    return hint;
}

// The text can change through any QLabel pointer, which tells nobody: the
// tooltip follows it where it can be seen, when the label paints and when
// the pointer rests on it.
void ElidedLabel::showWholeTextAsTip(bool elided) {
    const QString tip = elided ? text() : QString();
    if (toolTip() != tip)
        setToolTip(tip);
}

bool ElidedLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip)
        showWholeTextAsTip(isElided());
    return Label::event(event);
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    const QString shown = shownText();
    showWholeTextAsTip(shown != text());
    if (shown == text() || hasPicture()) {
        Label::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    QStyleOption option;
    option.initFrom(this);
    const int align = int(QStyle::visualAlignment(layoutDirection(), alignment()));
    style()->drawItemText(&painter, textRect(), align, option.palette, isEnabled(), shown, foregroundRole());
}

Shape::Shape(const QString& name, Kind kind, QWidget* parent) : Shape(parent) {
    setObjectName(name);
    kind_ = kind;
}

Shape::Shape(QWidget* parent) : QWidget(parent), kind_(Kind::Rectangle) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::setKind(Kind kind) {
    kind_ = kind;
    update();
}

void Shape::setFillColor(const QColor& c) {
    fill_ = c;
    update();
}

void Shape::setFilled(bool filled) {
    filled_ = filled;
    update();
}

void Shape::setBorderColor(const QColor& c) {
    border_ = c;
    update();
}

void Shape::setBorderWidth(int width) {
    borderWidth_ = width;
    update();
}

QSize Shape::sizeHint() const {
    switch (kind_) {
    case Kind::HorizontalLine: return {40, borderWidth_ + 2};
    case Kind::VerticalLine: return {borderWidth_ + 2, 40};
    case Kind::Rectangle: break;
    }
    return {40, 40};
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    switch (kind_) {
    case Kind::Rectangle:
        if (filled_)
            p.fillRect(r, fill_);
        if (borderWidth_ > 0) {
            p.setPen(QPen(border_, borderWidth_));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
        break;
    case Kind::HorizontalLine:
        p.fillRect(QRect(0, (r.height() - borderWidth_) / 2, r.width(), borderWidth_), border_);
        break;
    case Kind::VerticalLine:
        p.fillRect(QRect((r.width() - borderWidth_) / 2, 0, borderWidth_, r.height()), border_);
        break;
    }
}

PictureBox::PictureBox(const QString& name, QSize size, QWidget* parent)
    : QWidget(parent), canvas_(size, QImage::Format_ARGB32_Premultiplied) {
    setObjectName(name);
    canvas_.fill(Qt::transparent);
    setFixedSize(size);
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

QImage& PictureBox::canvas() {
    if (canvas_.size() != size()) {
        canvas_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
        canvas_.fill(Qt::transparent);
    }
    return canvas_;
}

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void PictureBox::cls() {
    canvas_.fill(Qt::transparent);
    update();
}

void PictureBox::setDrawing(Drawing drawing) {
    drawing_ = std::move(drawing);
    update();
}

void PictureBox::paint(QPainter& p, const QRectF& target) const {
    p.save();
    p.setClipRect(target);
    p.fillRect(target, Qt::white);
    const double sx = target.width() / canvas_.width(), sy = target.height() / canvas_.height();
    if (!picture_.isNull()) {
        p.drawImage(QRectF(target.topLeft(), QSizeF(picture_.width() * sx, picture_.height() * sy)), picture_);
    }
    if (drawing_)
        drawing_(p, target);
    p.drawImage(target, canvas_);
    p.restore();
}

QImage PictureBox::image() const {
    QImage out(canvas_.size(), QImage::Format_RGB32);
    QPainter p(&out);
    paint(p, QRectF(QPointF(0, 0), QSizeF(canvas_.size())));
    return out;
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, image());
}

void applyFormPointSizes(QWidget* form) {
    QList<QWidget*> controls = form->findChildren<QWidget*>();
    controls.prepend(form);
    for (QWidget* control : controls) {
        const QVariant points = control->property("pointSizeF");
        if (!points.isValid())
            continue;
        QFont f = control->font();
        f.setPointSizeF(points.toDouble());
        control->setFont(f);
    }
}

int charactersShown(const QLineEdit* box, QChar widest) {
    // The room QLineEdit draws its text in: its contents inside the frame,
    // less the text margins and the two pixels it keeps at either side.
    QStyleOptionFrame option;
    option.initFrom(box);
    option.rect = QRect(0, 0, box->maximumWidth() < QWIDGETSIZE_MAX ? box->maximumWidth() : box->width(),
                        box->sizeHint().height());
    option.lineWidth = box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    const QRect contents = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    const QMargins margins = box->textMargins();
    constexpr int kSideMargin = 2;
    // One pixel more for the cursor after the last character: where it would
    // not fit, the box scrolls its text aside.
    const int room = contents.width() - margins.left() - margins.right() - 2 * kSideMargin - 1;
    const qreal advance = QFontMetricsF(box->font()).horizontalAdvance(widest);
    return advance > 0 ? std::max(0, int(room / advance)) : 0;
}

}  // namespace zv
