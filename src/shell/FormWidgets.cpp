#include "FormWidgets.h"

#include <QMouseEvent>
#include <QPainter>

#include <utility>

TAutoLabel::TAutoLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TAutoLabel::SetCaption(const QString& text)
{
    if (text == FCaption) return;
    FCaption = text;
    FCaptionWidth = fontMetrics().horizontalAdvance(text);
    Present();
}

void TAutoLabel::AnchorRight(int right)
{
    FRight = right;
    Present();
}

void TAutoLabel::SetRoom(int width)
{
    if (width == FRoom) return;
    FRoom = width;
    Present();
}

void TAutoLabel::KeepNumberWhole()
{
    if (FKeepNumber) return;
    FKeepNumber = true;
    Present();
}

namespace {

// Where the number of a reading starts: after its last ": "; -1 for none.
qsizetype NumberStart(const QString& text)
{
    const qsizetype colon = text.lastIndexOf(QStringLiteral(": "));
    return colon < 0 ? -1 : colon + 2;
}

} // namespace

void TAutoLabel::Present()
{
    const bool cut = FRoom >= 0 && FCaptionWidth > FRoom;
    QString shown = FCaption;
    if (cut) {
        const qsizetype start = FKeepNumber ? NumberStart(FCaption) : -1;
        const QString number = start < 0 ? QString() : FCaption.mid(start - 2);
        const int nameRoom = FRoom - fontMetrics().horizontalAdvance(number);
        // The name gives way; where not even the number fits, the end is cut.
        if (start >= 0 && nameRoom >= fontMetrics().horizontalAdvance(QStringLiteral("…")))
            shown = fontMetrics().elidedText(FCaption.left(start - 2), Qt::ElideRight, nameRoom) + number;
        else
            shown = fontMetrics().elidedText(FCaption, Qt::ElideRight, FRoom);
    }
    setText(shown);
    adjustSize();
    if (FRoom >= 0 && width() > FRoom) resize(FRoom, height());
    if (FRight >= 0) move(FRight - width(), y());
    // A cut text is shown whole as the tooltip, which needs the mouse.
    setToolTip(cut ? FCaption : QString());
    setAttribute(Qt::WA_TransparentForMouseEvents, !cut);
}

TImageButton::TImageButton(QWidget* parent, const QString& hint) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    setToolTip(hint);
}

void TImageButton::SetPicture(const QPixmap& picture) { setPixmap(picture); }

void TImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick) OnClick();
    QLabel::mouseReleaseEvent(event);
}

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent)
{
    // The area paints every pixel itself: no background fill, nothing to erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::Present(QImage image)
{
    FImage = std::move(image);
    ++FPresents;
    // Painted with everything else that changed in this turn of the event
    // loop: one flush to the screen for all the areas of a hand-over.
    RequestPaint(rect());
}

void TPaintBox::RequestPaint(const QRect& area)
{
    if (FInPaint || !isVisible()) return;
    // The picture is new: the paint this asks for needs no OnPaint to draw it
    // again (40 times a second for the sound meter).
    FFresh = true;
    update(area);
}

void TPaintBox::PresentColumns(int x1, int x2, const std::function<void(QImage&)>& redraw)
{
    redraw(FImage);
    ++FPresents;
    RequestPaint(QRect(x1, 0, x2 - x1, height()));
}

int TPaintBox::Scale() const { return PictureScale(devicePixelRatioF()); }

bool TPaintBox::PictureFits() const { return ::PictureFits(FImage, width(), height(), Scale()); }

bool TPaintBox::event(QEvent* event)
{
    // On a screen of another device pixel ratio the picture is drawn again at
    // once, at the new ratio (the paint finds that it no longer fits).
    if (event->type() == QEvent::ScreenChangeInternal) update();
    return QWidget::event(event);
}

void TPaintBox::paintEvent(QPaintEvent*)
{
    const bool fresh = std::exchange(FFresh, false) && PictureFits();
    if (OnPaint && !fresh) {
        FInPaint = true;
        struct TResetFlag {
            bool& Flag;
            ~TResetFlag() { Flag = false; }
        } reset{FInPaint};
        OnPaint(*this);
    }
    // A picture of the device pixel ratio rounded up is scaled down to the
    // screen's without smoothing (the painter's default): every device pixel
    // takes the colour of one pixel of the picture, so a line never blurs.
    QPainter painter(this);
    if (FImage.isNull())
        painter.fillRect(rect(), palette().window());
    else
        painter.drawImage(QPointF(0, 0), FImage);
}
