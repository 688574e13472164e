#pragma once
// Gradient painting: the gradient styles and the routine that fills a rectangle with one.
#include "controls/NumEditTypes.h"

#include <QImage>
#include <QPoint>
#include <QRect>

class QPainter;

enum TGradientStyle {
  gsHorizontal1,
  gsHorizontal2,
  gsHorizontal3,
  gsVertical1,
  gsVertical2,
  gsVertical3,
  gsElliptic1,
  gsElliptic2,
  gsElliptic3,
  gsRectangle,
  gsDiamond1,
  gsDiamond2,
  gsTopLeft,
  gsTopRight,
};

int AbMaxInt(int a, int b);

// The middle of a rectangle whose right and bottom edges lie just outside it, halves rounded toward zero.
QPoint AbCenterPoint(const QRect& rect);

// Paints `rect` of `canvas` with a gradient from `colorFrom` to `colorTo` (system colours allowed).
// The gradient is drawn off-screen first and then in one operation, so the target never shows it half done.
void AbGradFill(QPainter& canvas, const QRect& rect, TColor colorFrom, TColor colorTo, TGradientStyle style);

// The off-screen picture AbGradFill draws: `width` x `height` pixels; a null image when either is 0.
QImage AbGradImage(int width, int height, TColor colorFrom, TColor colorTo, TGradientStyle style);
