#include "controls/AbGradFill.h"

#include "controls/GradSystemColors.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

struct Rgb {
  int r, g, b;
};

Rgb Split(TColor color) {
  return {static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
          static_cast<int>((color >> 16) & 0xFF)};
}

QRgb Pixel(int r, int g, int b) {
  return qRgb(r & 0xFF, g & 0xFF, b & 0xFF);
}

// Round to nearest, ties to even, as the current rounding mode does by default.
int RoundEven(float value) {
  return static_cast<int>(std::lrint(value));
}

// The colours of a gradient cut into `n` steps, computed in single precision.
class ColorSteps {
 public:
  ColorSteps(Rgb from, Rgb to, int n)
      : from_(from),
        stepR_(static_cast<float>(to.r - from.r) / static_cast<float>(n)),
        stepG_(static_cast<float>(to.g - from.g) / static_cast<float>(n)),
        stepB_(static_cast<float>(to.b - from.b) / static_cast<float>(n)) {}

  // The colour at step k (k may be fractional), each channel rounded.
  QRgb At(float k) const {
    return Pixel(from_.r + RoundEven(k * stepR_), from_.g + RoundEven(k * stepG_), from_.b + RoundEven(k * stepB_));
  }

  // The colour at whole step i with each channel truncated, as the band styles paint it.
  QRgb Truncated(int i) const {
    auto channel = [i](int start, float step) {
      return static_cast<int>(std::trunc(static_cast<float>(start) + static_cast<float>(i) * step));
    };
    return Pixel(channel(from_.r, stepR_), channel(from_.g, stepG_), channel(from_.b, stepB_));
  }

 private:
  Rgb from_;
  float stepR_, stepG_, stepB_;
};

// The off-screen picture with the drawing operations of the gradient styles. Rectangles exclude their
// right and bottom edges and lines their end point, so adjacent shapes neither overlap nor leave gaps.
class GradBitmap {
 public:
  GradBitmap(int width, int height) : image_(width, height, QImage::Format_RGB32) {}

  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }

  void Fill(QRgb color) { image_.fill(color); }

  void FillRect(int left, int top, int right, int bottom, QRgb color) {
    QRect area = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)).intersected(image_.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
      std::fill_n(reinterpret_cast<QRgb*>(image_.scanLine(y)) + area.left(), area.width(), color);
  }

  void Row(int y, QRgb color) { FillRect(0, y, Width(), y + 1, color); }
  void Column(int x, QRgb color) { FillRect(x, 0, x + 1, Height(), color); }

  void Ellipse(int left, int top, int right, int bottom, QRgb color) {
    if (right - left < 1 || bottom - top < 1) return;
    QPainter painter(&image_);
    painter.setPen(QPen(QColor(color), 1));
    painter.setBrush(QColor(color));
    painter.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
  }

  void SetPixel(int x, int y, QRgb color) {
    if (image_.rect().contains(x, y)) reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = color;
  }

  // Bresenham's line from (x0, y0) toward (x1, y1), the end point left out.
  void Line(int x0, int y0, int x1, int y1, QRgb color) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    while (x0 != x1 || y0 != y1) {
      SetPixel(x0, y0, color);
      int doubled = 2 * error;
      if (doubled >= dy) {
        error += dy;
        x0 += stepX;
      }
      if (doubled <= dx) {
        error += dx;
        y0 += stepY;
      }
    }
  }

  QImage Take() { return std::move(image_); }

 private:
  QImage image_;
};

struct Gradient {
  Rgb from, to;
  int steps;
  QRgb fromPixel, toPixel;
};

// Bands of equal colour across the picture, one band per colour step or per pixel row (column).
void PaintBands(GradBitmap& bitmap, const Gradient& gradient, bool horizontal) {
  int extent = horizontal ? bitmap.Height() : bitmap.Width();
  int n = std::min(gradient.steps, extent);
  int band = extent / n;
  n = std::max(extent / band, 1);
  ColorSteps colors(gradient.from, gradient.to, n);
  for (int i = 0; i <= n; ++i) {
    if (horizontal)
      bitmap.FillRect(0, i * band, bitmap.Width(), i * band + band, colors.Truncated(i));
    else
      bitmap.FillRect(i * band, 0, i * band + band, bitmap.Height(), colors.Truncated(i));
  }
}

// Lines in the colour at their distance from line `middle`; upward ones only while inside the picture.
void PaintMirrored(GradBitmap& bitmap, const Gradient& gradient, bool horizontal, int n, int middle) {
  n = std::max(n, 1);
  ColorSteps colors(gradient.from, gradient.to, n);
  auto line = [&](int at, QRgb color) { horizontal ? bitmap.Row(at, color) : bitmap.Column(at, color); };
  line(middle, colors.At(0));
  for (int i = 1; i <= n; ++i) {
    line(middle + i, colors.At(static_cast<float>(i)));
    if (middle - i >= 0) line(middle - i, colors.At(static_cast<float>(i)));
  }
}

void PaintEllipses(GradBitmap& bitmap, const Gradient& gradient, QPoint centre, float factorX, float factorY) {
  int n = gradient.steps;
  ColorSteps colors(gradient.from, gradient.to, n);
  float fx = static_cast<float>(bitmap.Width()) / static_cast<float>(n) * factorX;
  float fy = static_cast<float>(bitmap.Height()) / static_cast<float>(n) * factorY;
  bitmap.Fill(gradient.toPixel);
  for (int i = n; i >= 1; --i) {
    int dx = RoundEven(static_cast<float>(i) * fx), dy = RoundEven(static_cast<float>(i) * fy);
    bitmap.Ellipse(centre.x() - dx, centre.y() - dy, centre.x() + dx, centre.y() + dy,
                   colors.At(static_cast<float>(i)));
  }
}

void PaintRectangles(GradBitmap& bitmap, const Gradient& gradient, QPoint centre) {
  int n = gradient.steps;
  ColorSteps colors(gradient.from, gradient.to, n);
  float fx = static_cast<float>(bitmap.Width()) / static_cast<float>(n) / 2;
  float fy = static_cast<float>(bitmap.Height()) / static_cast<float>(n) / 2;
  for (int i = n; i >= 0; --i) {
    int dx = RoundEven(static_cast<float>(i) * fx), dy = RoundEven(static_cast<float>(i) * fy);
    bitmap.FillRect(centre.x() - dx, centre.y() - dy, centre.x() + dx + 1, centre.y() + dy + 1,
                    colors.At(static_cast<float>(i)));
  }
}

// Diamond outlines around the centre, `reach` times the half-size apart at the outermost one.
void PaintDiamonds(GradBitmap& bitmap, const Gradient& gradient, QPoint centre, int n, float reach) {
  n = std::max(n, 1);
  ColorSteps colors(gradient.from, gradient.to, n);
  float fx = static_cast<float>(bitmap.Width()) / static_cast<float>(n) * reach / 2;
  float fy = static_cast<float>(bitmap.Height()) / static_cast<float>(n) * reach / 2;
  bitmap.Fill(gradient.toPixel);
  for (int i = n; i >= 1; --i) {
    int dx = RoundEven(static_cast<float>(i) * fx), dy = RoundEven(static_cast<float>(i) * fy);
    QRgb color = colors.At(static_cast<float>(i));
    const QPoint corners[] = {{centre.x(), centre.y() - dy},
                              {centre.x() + dx, centre.y()},
                              {centre.x(), centre.y() + dy},
                              {centre.x() - dx, centre.y()}};
    for (int c = 0; c < 4; ++c) {
      const QPoint& a = corners[c];
      const QPoint& b = corners[(c + 1) % 4];
      bitmap.Line(a.x(), a.y(), b.x(), b.y(), color);
    }
  }
  bitmap.SetPixel(centre.x(), centre.y(), gradient.fromPixel);
}

// Diagonals from one corner (ColorFrom) to the opposite one (ColorTo), meeting at the middle colour.
void PaintDiagonals(GradBitmap& bitmap, const Gradient& gradient, bool fromTopLeft) {
  int w = bitmap.Width(), h = bitmap.Height();
  int n = std::max(AbMaxInt(w, h), 1);
  float fx = static_cast<float>(w) / static_cast<float>(n);
  float fy = static_cast<float>(h) / static_cast<float>(n);
  ColorSteps colors(gradient.from, gradient.to, n);
  for (int i = 0; i <= n; ++i) {
    int tx = RoundEven(static_cast<float>(i) * fx), ty = RoundEven(static_cast<float>(i) * fy);
    QRgb nearColor = colors.At(static_cast<float>(i) / 2);
    QRgb farColor = colors.At(static_cast<float>(n) - static_cast<float>(i) / 2);
    if (fromTopLeft) {
      bitmap.Line(0, ty, tx, -1, nearColor);
      bitmap.Line(w, h - ty, w - tx, h, farColor);
    } else {
      bitmap.Line(w, ty, w - tx, -1, nearColor);
      bitmap.Line(0, h - ty, tx, h, farColor);
    }
  }
}

}  // namespace

int AbMaxInt(int a, int b) {
  return a > b ? a : b;
}

QPoint AbCenterPoint(const QRect& rect) {
  return {rect.x() + rect.width() / 2, rect.y() + rect.height() / 2};
}

QImage AbGradImage(int width, int height, TColor colorFrom, TColor colorTo, TGradientStyle style) {
  if (width <= 0 || height <= 0) return {};
  GradBitmap bitmap(width, height);
  TColor fromRgb = GradColorToRGB(colorFrom), toRgb = GradColorToRGB(colorTo);
  Rgb from = Split(fromRgb), to = Split(toRgb);
  QRgb fromPixel = Pixel(from.r, from.g, from.b);
  if (fromRgb == toRgb) {
    bitmap.Fill(fromPixel);
    return bitmap.Take();
  }
  int steps = std::max({std::abs(to.r - from.r), std::abs(to.g - from.g), std::abs(to.b - from.b), 1});
  Gradient gradient{from, to, steps, fromPixel, Pixel(to.r, to.g, to.b)};
  // Only the diagonal styles can leave a pixel unpainted; the middle colour hides it best.
  bitmap.Fill(ColorSteps(from, to, 2).At(1));
  QPoint centre = AbCenterPoint(QRect(0, 0, width, height));

  switch (style) {
    case gsHorizontal1:
      PaintBands(bitmap, gradient, true);
      break;
    case gsHorizontal2:
      PaintMirrored(bitmap, gradient, true, height / 2, std::max(height / 2, 1));
      break;
    case gsHorizontal3:
      PaintMirrored(bitmap, gradient, true, static_cast<int>(std::lrint(height * 0.67)), height / 3);
      break;
    case gsVertical1:
      PaintBands(bitmap, gradient, false);
      break;
    case gsVertical2:
      PaintMirrored(bitmap, gradient, false, width / 2, std::max(width / 2, 1));
      break;
    case gsVertical3:
      PaintMirrored(bitmap, gradient, false, static_cast<int>(std::lrint(width * 0.67)), width / 3);
      break;
    case gsElliptic1:
      PaintEllipses(bitmap, gradient, centre, 0.5f, 0.5f);
      break;
    case gsElliptic2:
      PaintEllipses(bitmap, gradient, centre, 0.695f, 0.695f);
      break;
    case gsElliptic3:
      PaintEllipses(bitmap, gradient, centre - QPoint(width / 4 - 1, height / 4 - 1), 0.82f, 0.82f);
      break;
    case gsRectangle:
      PaintRectangles(bitmap, gradient, centre);
      break;
    case gsDiamond1:
      PaintDiamonds(bitmap, gradient, centre, AbMaxInt(AbMaxInt(width, height) / 2, steps), 1);
      break;
    case gsDiamond2:
      PaintDiamonds(bitmap, gradient, centre, AbMaxInt(AbMaxInt(width, height), steps), 2);
      break;
    case gsTopLeft:
      PaintDiagonals(bitmap, gradient, true);
      break;
    case gsTopRight:
      PaintDiagonals(bitmap, gradient, false);
      break;
  }
  return bitmap.Take();
}

void AbGradFill(QPainter& canvas, const QRect& rect, TColor colorFrom, TColor colorTo, TGradientStyle style) {
  QImage image = AbGradImage(rect.width(), rect.height(), colorFrom, colorTo, style);
  if (!image.isNull()) canvas.drawImage(rect, image);
}
