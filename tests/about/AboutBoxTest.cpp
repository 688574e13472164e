// The About box filled from real version resources: this test program's own, a Windows program's
// without trademarks, and a library without any; shown modally and closed the three ways a user can.
#include "about/uAbout.h"
#include "controls/AbGradient.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `action` on the box once its modal loop is running, then clicks OK if it is still open.
void WhenShown(std::function<void(TfrmAbout&)> action) {
  QTimer::singleShot(0, [action] {
    auto* box = dynamic_cast<TfrmAbout*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr) << "the About box is not the active modal window";
    action(*box);
    if (box->isVisible()) box->OKButton->click();
  });
}

QStringList MemoLines(const TfrmAbout& box) {
  QString text = box.moInfo->toPlainText();
  return text.isEmpty() ? QStringList() : text.split('\n');
}

const QStringList OwnMemo = {
    "Company: KOVA",
    "FileDescription: About box tests",
    "FileVersion: 4.2.0.9",
    "InternalName: AboutBoxTest",
    "Copyright: Copyright KOVA",
    "Trademarks: Morvane is a mark of KOVA",
    "OriginalFileName: AboutBoxTest",
    "ProductName: Morvane",
    "ProductVersion: 4.2.0.0",
    "Comments: Pixel birth certificates",
};

TEST(AboutBox, ShowsTheProgramsOwnStringsInOrder) {
  TfrmAbout box;
  bool wasModal = false;
  WhenShown([&](TfrmAbout& shown) { wasModal = shown.isModal() && shown.isVisible(); });
  QString version = box.ShowVersion();

  EXPECT_TRUE(wasModal);
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(version, "4.2.0.9");
  EXPECT_EQ(MemoLines(box), OwnMemo);
  EXPECT_EQ(box.lblVersion->text(), "FileVersion: 4.2.0.9");
  EXPECT_EQ(box.lblCompanyName->text(), "KOVA");
  EXPECT_EQ(box.lblProductName->text(), "Morvane");
  EXPECT_EQ(box.lblComments->text(), "Pixel birth certificates");
  EXPECT_FALSE(box.moInfo->toPlainText().contains("build text")) << "private and special builds are never shown";
}

TEST(AboutBox, TheMemoOpensAtTheStartOfItsFirstLine) {
  TfrmAbout box;
  int horizontal = -1, vertical = -1, cursor = -1;
  WhenShown([&](TfrmAbout& shown) {
    cursor = shown.moInfo->textCursor().position();  // where the view goes once the memo has the focus
    horizontal = shown.moInfo->horizontalScrollBar()->value();
    vertical = shown.moInfo->verticalScrollBar()->value();
  });
  box.ShowVersion();
  EXPECT_EQ(cursor, 0);
  EXPECT_EQ(horizontal, 0);
  EXPECT_EQ(vertical, 0);
}

TEST(AboutBox, ShowingTwiceGivesTheSameMemo) {
  TfrmAbout box;
  WhenShown([](TfrmAbout&) {});
  box.ShowVersion();
  WhenShown([](TfrmAbout&) {});
  box.ShowVersion();
  EXPECT_EQ(MemoLines(box), OwnMemo);
}

TEST(AboutBox, MissingStringsLeaveNoLine) {
  TfrmAbout box;
  WhenShown([](TfrmAbout&) {});
  QString version = box.ShowVersionOf(NO_TRADEMARKS_EXE);
  EXPECT_EQ(version, "2.5.0.7");
  EXPECT_EQ(MemoLines(box), (QStringList{
                                "Company: Test Works",
                                "FileDescription: About box fixture",
                                "FileVersion: 2.5.0.7",
                                "InternalName: NoTrademarks",
                                "Copyright: (c) Test Works",
                                "OriginalFileName: NoTrademarks.exe",
                                "ProductName: Fixture Product",
                                "ProductVersion: 2.5",
                                "Comments: Bench build",
                            }));
}

TEST(AboutBox, WithoutResourceTheLabelsKeepTheirCaptions) {
  TfrmAbout fresh;
  WhenShown([](TfrmAbout&) {});
  EXPECT_EQ(fresh.ShowVersionOf(NO_VERSION_DLL), "");
  EXPECT_EQ(fresh.moInfo->toPlainText(), "");
  EXPECT_EQ(fresh.lblComments->text(), "");
  EXPECT_EQ(fresh.lblVersion->text(), "lblVersion:");
  EXPECT_EQ(fresh.lblCompanyName->text(), "lblCompanyName");
  EXPECT_EQ(fresh.lblProductName->text(), "lblProductName");

  TfrmAbout shownBefore;
  WhenShown([](TfrmAbout&) {});
  shownBefore.ShowVersion();
  WhenShown([](TfrmAbout&) {});
  shownBefore.ShowVersionOf(NO_VERSION_DLL);
  EXPECT_EQ(shownBefore.moInfo->toPlainText(), "");
  EXPECT_EQ(shownBefore.lblComments->text(), "");
  EXPECT_EQ(shownBefore.lblVersion->text(), "FileVersion: 4.2.0.9");
  EXPECT_EQ(shownBefore.lblCompanyName->text(), "KOVA");
}

TEST(AboutBox, ClosesWithOkEnterOrTheCloseBox) {
  const std::pair<const char*, std::function<void(TfrmAbout&)>> ways[] = {
      {"OK", [](TfrmAbout& box) { QTest::mouseClick(box.OKButton, Qt::LeftButton); }},
      {"Enter", [](TfrmAbout& box) { QTest::keyClick(box.moInfo, Qt::Key_Return); }},
      {"Enter on the button", [](TfrmAbout& box) { QTest::keyClick(box.OKButton, Qt::Key_Return); }},
      {"close box", [](TfrmAbout& box) { box.close(); }},
  };
  for (const auto& [way, close] : ways) {
    SCOPED_TRACE(way);
    TfrmAbout box;
    bool closedByAction = false;
    WhenShown([&, &close = close](TfrmAbout& shown) {
      close(shown);
      closedByAction = !shown.isVisible();
    });
    EXPECT_EQ(box.ShowVersion(), "4.2.0.9");
    EXPECT_TRUE(closedByAction);
  }
}

TEST(AboutBox, WindowAndControlsAsDesigned) {
  TfrmAbout box;
  EXPECT_EQ(box.windowTitle(), "About");
  EXPECT_EQ(box.size(), QSize(272, 300));
  EXPECT_EQ(box.minimumSize(), box.maximumSize()) << "fixed border";
  EXPECT_EQ(box.pos(), QPoint(440, 187));
  EXPECT_EQ(box.palette().color(QPalette::Window), QColor(192, 220, 192));
  EXPECT_FALSE(box.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(box.windowFlags() & Qt::WindowCloseButtonHint);

  const std::pair<QWidget*, QRect> bounds[] = {
      {box.pnlAbout, {0, 0, 272, 300}}, {box.gradient, {2, 2, 264, 112}},  {box.ProgramIcon, {8, 32, 74, 64}},
      {box.moInfo, {2, 114, 264, 162}}, {box.OKButton, {2, 276, 264, 18}},
  };
  for (const auto& [widget, rect] : bounds) EXPECT_EQ(widget->geometry(), rect) << widget->metaObject()->className();
  const std::pair<QLabel*, QPoint> labels[] = {
      {box.lblComments, {88, 58}},    {box.lblVersion, {88, 32}},  {box.lblProductName, {8, 4}},
      {box.lblCompanyName, {88, 77}}, {box.lblAuthor, {162, 102}},
  };
  for (const auto& [label, position] : labels) EXPECT_EQ(label->pos(), position) << label->text().toStdString();

  // Back to front, as the box stacks them.
  const QObjectList& stack = box.pnlAbout->children();
  const QObject* order[] = {box.gradient,       box.lblComments, box.lblVersion, box.lblProductName, box.ProgramIcon,
                            box.lblCompanyName, box.lblAuthor,   box.moInfo,     box.OKButton};
  for (std::size_t i = 1; i < std::size(order); ++i)
    EXPECT_LT(stack.indexOf(order[i - 1]), stack.indexOf(order[i])) << i;

  EXPECT_EQ(box.moInfo->toPlainText(), "moInfo");
  EXPECT_EQ(box.moInfo->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_TRUE(box.OKButton->isDefault());
  EXPECT_EQ(box.OKButton->text(), "OK");
  EXPECT_TRUE(box.lblAuthor->text().startsWith("by: "));
  EXPECT_EQ(box.lblProductName->palette().color(QPalette::WindowText), QColor(0, 0, 128));
  EXPECT_EQ(box.lblProductName->font().pointSize(), 14);
  EXPECT_TRUE(box.lblCompanyName->font().italic());
  EXPECT_TRUE(box.lblVersion->font().bold());
  EXPECT_EQ(box.gradient->GradSettings().ColorFrom(), 0xC0DCC0u);
  EXPECT_EQ(box.gradient->GradSettings().ColorTo(), 0xF0FBFFu);
  EXPECT_EQ(box.gradient->GradSettings().Style(), gsHorizontal1);
  EXPECT_FALSE(box.gradient->GradSettings().Visible());
  ASSERT_FALSE(box.ProgramIcon->pixmap().isNull());
  EXPECT_EQ(box.ProgramIcon->pixmap().size(), QSize(120, 120));
  EXPECT_TRUE(box.ProgramIcon->hasScaledContents());
}

// The dark pixels of a text drawn in a font: a bold face draws more of them than a regular one.
QImage Drawn(const QString& text, const QFont& font) {
  QImage image(400, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setFont(font);
  painter.drawText(2, 30, text);
  return image;
}

int Ink(const QImage& image) {
  int dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 128;
  return dark;
}

TEST(AboutBox, CaptionsAreDrawnInTheirStylesAndWhole) {
  TfrmAbout box;
  WhenShown([](TfrmAbout&) {});
  box.ShowVersionOf(MORVANE_PROGRAM);

  struct Styled {
    QWidget* control;
    QString text;
    bool italic;
  };
  const Styled bold[] = {{box.lblVersion, box.lblVersion->text(), false},
                         {box.lblComments, box.lblComments->text(), false},
                         {box.moInfo, "Company: KOVA", false},
                         {box.lblAuthor, box.lblAuthor->text(), true}};
  for (const auto& [control, text, italic] : bold) {
    SCOPED_TRACE(text.toStdString());
    QFont regular = control->font();
    regular.setBold(false);
    EXPECT_GT(Ink(Drawn(text, control->font())), Ink(Drawn(text, regular)));
    if (!italic) continue;
    QFont upright = control->font();
    upright.setItalic(false);
    EXPECT_TRUE(Drawn(text, control->font()) != Drawn(text, upright)) << "drawn upright";
  }

  for (QLabel* label : {box.lblComments, box.lblVersion, box.lblProductName, box.lblCompanyName, box.lblAuthor}) {
    SCOPED_TRACE(label->text().toStdString());
    EXPECT_TRUE(box.pnlAbout->contentsRect().contains(label->geometry()));
    if (label->wordWrap())
      EXPECT_GE(label->height(), label->heightForWidth(label->width()));
    else
      EXPECT_GE(label->width(), label->sizeHint().width());
  }
}

TEST(AboutBox, Screenshot) {
  TfrmAbout box;
  QImage shot;
  WhenShown([&](TfrmAbout& shown) {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&shown));
    shot = shown.grab().toImage();
  });
  box.ShowVersionOf(MORVANE_PROGRAM);
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.pixel(3, 2), QColor(192, 220, 192).rgb()) << "the gradient starts in money green";
  ASSERT_TRUE(QDir().mkpath("screenshots"));
  EXPECT_TRUE(shot.save("screenshots/about.png"));
}

}  // namespace
