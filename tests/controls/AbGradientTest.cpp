// Gradient styles checked pixel by pixel against their rules, and the gradient control's repainting.
#include "controls/AbGradFill.h"
#include "controls/AbGradient.h"
#include "controls/GradSystemColors.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr TColor Black = 0x000000;
constexpr TColor Red = 0x0000FF;
constexpr TColor SystemWindow = 0xFF000005;

const TGradientStyle AllStyles[] = {gsHorizontal1, gsHorizontal2, gsHorizontal3, gsVertical1, gsVertical2,
                                    gsVertical3,   gsElliptic1,   gsElliptic2,   gsElliptic3, gsRectangle,
                                    gsDiamond1,    gsDiamond2,    gsTopLeft,     gsTopRight};

QRgb Rgb(TColor color) {
  return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

// Paints through AbGradFill onto a target of exactly the area's size.
QImage Paint(int width, int height, TColor from, TColor to, TGradientStyle style) {
  QImage target(width, height, QImage::Format_RGB32);
  target.fill(Qt::magenta);
  QPainter painter(&target);
  AbGradFill(painter, target.rect(), from, to, style);
  return target;
}

QImage Transposed(const QImage& image) {
  QImage turned(image.height(), image.width(), QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) turned.setPixel(y, x, image.pixel(x, y));
  return turned;
}

// Lengths of the runs of equal colour down column 0.
std::vector<int> RowRuns(const QImage& image) {
  std::vector<int> runs;
  for (int y = 0; y < image.height(); ++y) {
    if (y == 0 || image.pixel(0, y) != image.pixel(0, y - 1)) runs.push_back(0);
    ++runs.back();
  }
  return runs;
}

TEST(AbGradFill, RedExampleRowsTruncateTheirSteps) {
  QImage image = Paint(10, 100, Black, Red, gsHorizontal1);
  const std::pair<int, int> redByRow[] = {{0, 0}, {1, 2}, {2, 5}, {50, 127}, {98, 249}, {99, 252}};
  for (auto [row, red] : redByRow) {
    EXPECT_EQ(image.pixel(0, row), qRgb(red, 0, 0)) << "row " << row;
    EXPECT_EQ(image.pixel(9, row), qRgb(red, 0, 0)) << "row " << row;
  }
  EXPECT_EQ(RowRuns(image).size(), 100u) << "one band per row when there are more steps than rows";
}

TEST(AbGradFill, FewerStepsThanRowsGiveWiderBandsAndOneMore) {
  // 30 colour steps over 100 rows: bands of 3 rows, n = 33 bands and a 34th of one row inside the area,
  // band i in red Trunc(i * 30 / 33).
  QImage image = Paint(4, 100, Black, 0x00001E, gsHorizontal1);
  const float step = 30.0f / 33.0f;
  for (int row = 0; row < 100; ++row) {
    int band = row / 3;
    EXPECT_EQ(image.pixel(0, row), qRgb(static_cast<int>(static_cast<float>(band) * step), 0, 0)) << "row " << row;
  }
  EXPECT_EQ(image.pixel(0, 99), Rgb(0x00001E)) << "the 34th band is the last colour step";
  EXPECT_NE(image.pixel(0, 96), image.pixel(0, 99));
}

TEST(AbGradFill, ThirdStyleHasItsLightLineAtOneThird) {
  // 30 rows: n = Round(20.1) = 20 steps of 255 / 20 red; row 10 is ColorFrom.
  QImage image = Paint(5, 30, Black, Red, gsHorizontal3);
  auto redAt = [](int step) { return static_cast<int>(std::lrint(step * (255.0f / 20.0f))); };
  EXPECT_EQ(image.pixel(0, 10), Rgb(Black));
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(image.pixel(0, 10 - i), qRgb(redAt(i), 0, 0)) << "up " << i;
  for (int i = 1; i <= 19; ++i) EXPECT_EQ(image.pixel(0, 10 + i), qRgb(redAt(i), 0, 0)) << "down " << i;
  EXPECT_EQ(qRed(image.pixel(0, 0)), 128) << "step 10 of 12.75 rounds 127.5 to even";
}

TEST(AbGradFill, SecondStyleIsMirroredAroundTheMiddle) {
  QImage image = Paint(3, 100, Black, Red, gsHorizontal2);
  EXPECT_EQ(image.pixel(0, 50), Rgb(Black));
  EXPECT_EQ(image.pixel(0, 0), Rgb(Red));
  for (int i = 1; i < 50; ++i) EXPECT_EQ(image.pixel(0, 50 - i), image.pixel(0, 50 + i)) << i;
}

TEST(AbGradFill, VerticalStylesAreTheHorizontalOnesTurned) {
  const std::pair<TGradientStyle, TGradientStyle> pairs[] = {
      {gsHorizontal1, gsVertical1}, {gsHorizontal2, gsVertical2}, {gsHorizontal3, gsVertical3}};
  for (auto [horizontal, vertical] : pairs) {
    QImage rows = Paint(7, 61, 0x102030, 0xF0E0D0, horizontal);
    QImage columns = Paint(61, 7, 0x102030, 0xF0E0D0, vertical);
    EXPECT_EQ(columns, Transposed(rows)) << "style " << vertical;
  }
}

TEST(AbGradFill, CentredStylesStartFromColorFromInTheCentre) {
  const std::pair<int, int> sizes[] = {{100, 60}, {61, 101}, {5, 5}, {300, 2}, {1, 1}};
  for (auto [w, h] : sizes) {
    for (TGradientStyle style : {gsRectangle, gsDiamond1, gsDiamond2}) {
      QImage image = Paint(w, h, Black, Red, style);
      EXPECT_EQ(image.pixel(w / 2, h / 2), Rgb(Black)) << w << "x" << h << " style " << style;
    }
  }
}

TEST(AbGradFill, OuterCornersOfEllipsesAndDiamondsHaveColorTo) {
  for (TGradientStyle style : {gsElliptic1, gsElliptic2, gsDiamond1}) {
    QImage image = Paint(120, 80, Black, Red, style);
    for (QPoint corner : {QPoint(0, 0), QPoint(119, 0), QPoint(0, 79), QPoint(119, 79)})
      EXPECT_EQ(image.pixel(corner), Rgb(Red)) << "style " << style;
    EXPECT_LT(qRed(image.pixel(60, 40)), 10) << "style " << style;
  }
  QImage highlight = Paint(120, 80, Black, Red, gsElliptic3);
  EXPECT_LT(qRed(highlight.pixel(31, 21)), qRed(highlight.pixel(60, 40))) << "brightest toward the top left";
}

TEST(AbGradFill, DiagonalsRunFromOneCornerToTheOther) {
  // The corners are reached within a few colour steps (the first lines lie partly outside the area).
  QImage topLeft = Paint(90, 50, Black, Red, gsTopLeft);
  EXPECT_LE(qRed(topLeft.pixel(0, 0)), 5);
  EXPECT_GE(qRed(topLeft.pixel(89, 49)), 245);
  EXPECT_NEAR(qRed(topLeft.pixel(45, 25)), 128, 8) << "the middle colour on the diagonal";
  QImage topRight = Paint(90, 50, Black, Red, gsTopRight);
  EXPECT_LE(qRed(topRight.pixel(89, 0)), 5);
  EXPECT_GE(qRed(topRight.pixel(0, 49)), 245);
  EXPECT_NEAR(qRed(topRight.pixel(45, 25)), 128, 8);
  // Along a row the colour grows away from the starting corner.
  for (int x = 1; x < 90; ++x) {
    EXPECT_GE(qRed(topLeft.pixel(x, 25)), qRed(topLeft.pixel(x - 1, 25))) << x;
    EXPECT_LE(qRed(topRight.pixel(x, 25)), qRed(topRight.pixel(x - 1, 25))) << x;
  }
}

TEST(AbGradFill, EqualColoursFillSolidly) {
  const TColor systemAsRgb = GradColorToRGB(SystemWindow);
  const std::pair<TColor, TColor> pairs[] = {
      {0x336699, 0x336699}, {SystemWindow, systemAsRgb}, {systemAsRgb, SystemWindow}};
  for (auto [from, to] : pairs) {
    for (TGradientStyle style : AllStyles) {
      QImage image = Paint(23, 17, from, to, style);
      QImage expected(23, 17, QImage::Format_RGB32);
      expected.fill(Rgb(GradColorToRGB(from)));
      EXPECT_EQ(image, expected) << "style " << style << " from " << std::hex << from;
    }
  }
}

TEST(AbGradFill, PaintsOnlyItsRectangleAndNothingWhenItIsEmpty) {
  QImage target(50, 50, QImage::Format_RGB32);
  target.fill(Qt::magenta);
  QPainter painter(&target);
  AbGradFill(painter, QRect(10, 20, 0, 15), Black, Red, gsHorizontal1);
  AbGradFill(painter, QRect(10, 20, 15, 0), Black, Red, gsDiamond1);
  QImage untouched(50, 50, QImage::Format_RGB32);
  untouched.fill(Qt::magenta);
  EXPECT_EQ(target, untouched);

  AbGradFill(painter, QRect(10, 20, 15, 10), Black, Red, gsHorizontal1);
  painter.end();
  EXPECT_EQ(target.pixel(10, 20), Rgb(Black));
  EXPECT_EQ(target.pixel(9, 20), QColor(Qt::magenta).rgb());
  EXPECT_EQ(target.pixel(10, 19), QColor(Qt::magenta).rgb());
  EXPECT_EQ(target.pixel(25, 29), QColor(Qt::magenta).rgb());
  EXPECT_NE(target.pixel(24, 29), QColor(Qt::magenta).rgb());
}

TEST(AbGradFill, EveryStyleCoversEveryPixelOfOddAreas) {
  for (TGradientStyle style : AllStyles) {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{2, 3}, std::pair{37, 11}, std::pair{11, 37}, std::pair{264, 112}}) {
      QImage image = Paint(w, h, Black, Red, style);
      bool covered = true;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) covered = covered && image.pixel(x, y) != QColor(Qt::magenta).rgb();
      EXPECT_TRUE(covered) << "style " << style << " " << w << "x" << h;
    }
  }
}

TEST(AbGradHelpers, CentreAndMaximum) {
  EXPECT_EQ(AbCenterPoint(QRect(10, 20, 5, 7)), QPoint(12, 23));
  EXPECT_EQ(AbCenterPoint(QRect(0, 0, 264, 112)), QPoint(132, 56));
  EXPECT_EQ(AbMaxInt(-3, 2), 2);
  EXPECT_EQ(AbMaxInt(7, 7), 7);
}

TEST(AbGradSettings, SettersReportOnlyChanges) {
  TAbGradSettings settings;
  EXPECT_EQ(settings.ColorFrom(), 0xE2E2E2u);
  EXPECT_EQ(settings.ColorTo(), 0x8F8F8Fu);
  EXPECT_FALSE(settings.Visible());
  EXPECT_EQ(settings.Style(), gsHorizontal1);

  int changes = 0;
  settings.OnChange = [&](TAbPersistent& sender) {
    EXPECT_EQ(&sender, &settings);
    ++changes;
  };
  settings.SetColorFrom(0xE2E2E2);
  settings.SetStyle(gsHorizontal1);
  EXPECT_EQ(changes, 0);
  settings.SetColorFrom(0xC0DCC0);
  settings.SetColorTo(0xF0FBFF);
  settings.SetVisible(true);
  settings.SetStyle(gsDiamond2);
  EXPECT_EQ(changes, 4);

  TAbGradSettings copy;
  int copyChanges = 0;
  copy.OnChange = [&](TAbPersistent&) { ++copyChanges; };
  copy.Assign(settings);
  EXPECT_EQ(copy.ColorFrom(), 0xC0DCC0u);
  EXPECT_EQ(copy.ColorTo(), 0xF0FBFFu);
  EXPECT_TRUE(copy.Visible());
  EXPECT_EQ(copy.Style(), gsDiamond2);
  EXPECT_EQ(copyChanges, 5) << "four setters and the closing change";

  TAbGradSettings outer;
  TAbPersistent* reported = nullptr;
  outer.OnChange = [&](TAbPersistent& sender) { reported = &sender; };
  outer.ChangeObject(settings);
  EXPECT_EQ(reported, &settings);
}

class CountingGradient : public TAbGradient {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent* event) override {
    ++paints;
    TAbGradient::paintEvent(event);
  }
};

TEST(AbGradient, RepaintsOncePerChangeAndAtTheEndOfAnUpdate) {
  CountingGradient gradient;
  EXPECT_EQ(gradient.size(), QSize(50, 50));
  EXPECT_EQ(gradient.UpdateCount(), 0);
  gradient.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&gradient));
  QApplication::processEvents();
  gradient.paints = 0;

  gradient.GradSettings().SetColorTo(0x0000FF);
  QApplication::processEvents();
  EXPECT_EQ(gradient.paints, 1);
  EXPECT_TRUE(gradient.CompInvalidate());

  gradient.GradSettings().SetColorTo(0x0000FF);
  QApplication::processEvents();
  EXPECT_EQ(gradient.paints, 1) << "an unchanged value repaints nothing";

  gradient.BeginUpdate();
  gradient.BeginUpdate();
  gradient.GradSettings().SetColorFrom(0x00FF00);
  gradient.GradSettings().SetStyle(gsVertical2);
  QApplication::processEvents();
  gradient.EndUpdate();
  QApplication::processEvents();
  EXPECT_EQ(gradient.paints, 1) << "held back while an update is open";
  gradient.EndUpdate();
  QApplication::processEvents();
  EXPECT_EQ(gradient.paints, 2);

  gradient.EndUpdate();
  EXPECT_EQ(gradient.UpdateCount(), 0) << "never below zero";
}

TEST(AbGradient, PaintsItsSettingsOverItsWholeArea) {
  TAbGradient gradient;
  gradient.resize(40, 30);
  gradient.GradSettings().SetColorFrom(0xC0DCC0);
  gradient.GradSettings().SetColorTo(0xF0FBFF);
  QImage shown = gradient.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown, AbGradImage(40, 30, 0xC0DCC0, 0xF0FBFF, gsHorizontal1));
  EXPECT_EQ(shown.pixel(0, 0), qRgb(192, 220, 192));
}

TEST(AbGradient, ReportsClicks) {
  TAbGradient gradient;
  gradient.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&gradient));
  int clicks = 0, doubleClicks = 0, downs = 0, ups = 0;
  gradient.OnClick = [&](TAbGradient& sender) { clicks += &sender == &gradient; };
  gradient.OnDblClick = [&](TAbGradient&) { ++doubleClicks; };
  gradient.OnMouseDown = [&](TAbGradient&, QMouseEvent&) { ++downs; };
  gradient.OnMouseUp = [&](TAbGradient&, QMouseEvent&) { ++ups; };
  QTest::mouseClick(&gradient, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(ups, 1);
  QTest::mouseDClick(&gradient, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(doubleClicks, 1);
  QTest::mouseClick(&gradient, Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(clicks, 1) << "only the left button clicks";
}

}  // namespace
