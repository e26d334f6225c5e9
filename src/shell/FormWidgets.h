#pragma once
// The small widget kinds the main window is built from: labels that size
// themselves to their text, image buttons, and paint areas with a slot tag.

#include "DiagramRenderer.h"

#include <QImage>
#include <QLabel>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// A label as wide as its text. A right-anchored label keeps its right edge when
// its text changes. A label given a room never grows wider than it: a longer
// text is cut with "…" and shown whole as the label's tooltip.
class TAutoLabel : public QLabel {
public:
    explicit TAutoLabel(QWidget* parent);

    void SetCaption(const QString& text);
    void SetCaption(const std::string& text) { SetCaption(QString::fromStdString(text)); }
    // The whole text, also while the label shows it cut.
    const QString& Caption() const { return FCaption; }
    // The width the whole text needs.
    int CaptionWidth() const { return FCaptionWidth; }
    // Keep the right edge at x = `right` from now on.
    void AnchorRight(int right);
    // At most `width` pixels wide from now on; -1 for no limit.
    void SetRoom(int width);
    // A reading ("CPU Total: 45%"): a cut takes letters from the name before
    // the last ": ", never from the number after it.
    void KeepNumberWhole();
    bool Elided() const { return text() != FCaption; }
    // The left edge plus the width: where the text ends.
    int RightEdge() const { return x() + width(); }

private:
    void Present();

    QString FCaption;
    int FCaptionWidth = 0;
    int FRight = -1;
    int FRoom = -1;
    bool FKeepNumber = false;
};

// A picture that reacts to a click, with a hand cursor and a tooltip.
class TImageButton : public QLabel {
public:
    TImageButton(QWidget* parent, const QString& hint);
    void SetPicture(const QPixmap& picture);
    // A number that belongs to the button (the theme button keeps the theme in it).
    int Tag = 0;
    std::function<void()> OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A paint area. `Tag` names the diagram slot it shows (1..16), 0 for none.
// What it shows is an image prepared off-screen; `OnPaint` prepares it when the
// area is painted, and `Present` shows a new one at once.
class TPaintBox : public QWidget {
public:
    explicit TPaintBox(QWidget* parent);

    int Tag = 0;
    // A store for a text that belongs to the area (never shown as a tooltip).
    std::string Hint;
    std::function<void(TPaintBox&)> OnPaint;

    // Stores the picture; the area shows it when this turn of the event loop
    // ends (no flicker: the image is complete before it reaches the screen).
    void Present(QImage image);
    // Draws the pixel columns x1..x2-1 of the stored picture anew and shows
    // only them: a picture that changed in a few columns costs only those.
    void PresentColumns(int x1, int x2, const std::function<void(QImage&)>& redraw);
    const QImage& Picture() const { return FImage; }
    // Device pixels per logical pixel of the pictures for the screen the area is on.
    int Scale() const;
    // Whether the stored picture has the area's size at the screen's scale.
    bool PictureFits() const;
    // How many pictures were shown so far.
    std::uint64_t Presents() const { return FPresents; }

    // What the shown picture was drawn from, when it is a diagram.
    std::optional<TDiagramInputs> Shown;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void RequestPaint(const QRect& area);

    QImage FImage;
    std::uint64_t FPresents = 0;
    bool FInPaint = false;
    bool FFresh = false; // a paint was asked for by a new picture
};
