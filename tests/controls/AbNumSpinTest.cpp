#include "controls/AbFlash.h"
#include "controls/AbNumSpin.h"
#include "controls/AbSpinButton.h"
#include "controls/AbTimerSpeedBtn.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A MAC byte field as the main window sets it up.
void SetUpMacField(TAbNumSpin& field) {
  field.SetEditBase(ebHex);
  field.SetDigitsHex(0);
  field.setMaxLength(2);
  field.SetMinValue(0);
  field.SetMaxValue(255);
  field.SetOptions({eoLimitMax, eoLimitMin});
  field.SetIncrement(1);
  field.SetStartDelay(500);
  field.SetInterval(100);
  field.SetFormatStr(QStringLiteral("$"));
}

void SetUpPortField(TAbNumEdit& field) {
  field.SetEditBase(ebFloat);
  field.SetFormatStr(QStringLiteral("#0#"));
  field.SetIncrement(1);
  field.SetValue(3306);
}

void LeaveField(QWidget& field) {
  QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(&field, &focusOut);
}

struct TArrows {
  bool up;
  bool down;
  friend bool operator==(const TArrows&, const TArrows&) = default;
  friend std::ostream& operator<<(std::ostream& os, const TArrows& a) {
    return os << "up " << (a.up ? "enabled" : "disabled") << ", down " << (a.down ? "enabled" : "disabled");
  }
};

TArrows ArrowsOf(const TAbNumSpin& field) {
  return {field.Button()->UpButton()->isEnabled(), field.Button()->DownButton()->isEnabled()};
}

class MacFieldTest : public ::testing::Test {
 protected:
  MacFieldTest() : change(&field, &TAbNumEdit::Change) {
    SetUpMacField(field);
    field.resize(44, 22);
    field.show();
    field.setFocus();
  }

  TAbNumSpin field;
  QSignalSpy change;
};

TEST_F(MacFieldTest, ArrowsFollowTheLimits) {
  EXPECT_EQ(ArrowsOf(field), (TArrows{true, false})) << "0 sits at the minimum";
  field.SetValue(254);
  EXPECT_EQ(ArrowsOf(field), (TArrows{true, true}));
  QTest::mouseClick(field.Button()->UpButton(), Qt::LeftButton);
  EXPECT_EQ(field.Value(), 255);
  EXPECT_EQ(field.text(), "FF");
  EXPECT_EQ(ArrowsOf(field), (TArrows{false, true}));
  EXPECT_EQ(change.count(), 1);
  EXPECT_EQ(dynFlashList().Count(), 0) << "the release ends the registration";

  QTest::keyClick(&field, Qt::Key_Up);
  EXPECT_EQ(field.Value(), 255);
  EXPECT_EQ(change.count(), 2) << "the Up key at its limit still fires the change event";
  QTest::keyClick(&field, Qt::Key_Down);
  EXPECT_EQ(field.Value(), 254);
  EXPECT_EQ(change.count(), 3);
}

TEST_F(MacFieldTest, PendingTextDisablesBothArrowsUntilCommitted) {
  field.SetValue(10);
  field.selectAll();
  QTest::keyClicks(&field, "1");
  EXPECT_EQ(field.State(), esEditing);
  EXPECT_EQ(field.Value(), 10);
  EXPECT_EQ(ArrowsOf(field), (TArrows{false, false}));
  EXPECT_EQ(field.palette().color(QPalette::Base), QColor(0, 255, 0));
  QTest::keyClick(&field, Qt::Key_Return);
  EXPECT_EQ(field.Value(), 1);
  EXPECT_EQ(field.State(), esNormal);
  EXPECT_EQ(ArrowsOf(field), (TArrows{true, true}));
  EXPECT_EQ(change.count(), 2) << "one for the digit, one for Enter";
}

// Copying a sticker: the typed byte is where Up starts from; PgUp and PgDn step by 0x10.
TEST_F(MacFieldTest, UpStartsFromTheTypedByteAndPageKeysStepBySixteen) {
  field.selectAll();
  QTest::keyClicks(&field, "4a");
  QTest::keyClick(&field, Qt::Key_Up);
  EXPECT_EQ(field.text(), "4B");
  EXPECT_EQ(field.Value(), 0x4B);
  QTest::keyClick(&field, Qt::Key_PageUp);
  EXPECT_EQ(field.text(), "5B");
  QTest::keyClick(&field, Qt::Key_PageDown);
  QTest::keyClick(&field, Qt::Key_PageDown);
  EXPECT_EQ(field.text(), "3B");
  EXPECT_EQ(field.State(), esNormal);
}

TEST_F(MacFieldTest, InvalidTextTurnsRedSelectsItAndEscRestores) {
  field.SetValue(10);
  field.selectAll();
  QTest::keyClicks(&field, "g");
  EXPECT_EQ(field.State(), esError);
  EXPECT_EQ(field.palette().color(QPalette::Base), QColor(255, 0, 0));
  EXPECT_EQ(field.selectedText(), "g");
  QTest::keyClick(&field, Qt::Key_Escape);
  EXPECT_EQ(field.text(), "A");
  EXPECT_EQ(field.State(), esNormal);
  EXPECT_EQ(field.palette().color(QPalette::Base), QApplication::palette(&field).color(QPalette::Base));
}

TEST_F(MacFieldTest, ProgramWritesNeverFireTheChangeEvent) {
  field.SetValue(10);
  field.SetValueAsHex("0A");
  field.SetValueAsHex("3");
  EXPECT_EQ(field.Value(), 3);
  EXPECT_EQ(field.text(), "3");
  field.setText("03");
  EXPECT_EQ(change.count(), 0);
}

TEST_F(MacFieldTest, DisplayTextIsPendingUntilTheFieldIsLeft) {
  field.SetValue(5);
  field.setText("05");
  EXPECT_EQ(field.Value(), 5);
  EXPECT_EQ(field.State(), esEditing);
  EXPECT_EQ(ArrowsOf(field), (TArrows{false, false}));
  LeaveField(field);
  EXPECT_EQ(field.text(), "5");
  EXPECT_EQ(field.State(), esNormal);
  EXPECT_EQ(ArrowsOf(field), (TArrows{true, true}));
}

TEST_F(MacFieldTest, ContextMenuDoesNotCommitButReleasesAHeldArrow) {
  QTest::mousePress(field.Button()->UpButton(), Qt::LeftButton);
  ASSERT_TRUE(field.Button()->UpButton()->Repeating());
  field.setText("7");
  QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
  QApplication::sendEvent(&field, &popup);
  EXPECT_EQ(field.State(), esEditing);
  EXPECT_EQ(field.text(), "7");
  EXPECT_FALSE(field.Button()->UpButton()->Repeating());
  EXPECT_EQ(dynFlashList().Count(), 0);
}

TEST_F(MacFieldTest, EnablingRestoresOnlyArrowsAwayFromTheirLimit) {
  field.setEnabled(false);
  EXPECT_EQ(ArrowsOf(field), (TArrows{false, false}));
  field.setEnabled(true);
  EXPECT_EQ(ArrowsOf(field), (TArrows{true, false}));
}

TEST_F(MacFieldTest, StripSitsInsideTheRightEdgeAndTheTextStopsBeforeIt) {
  const QRect strip = field.Button()->geometry();
  EXPECT_EQ(strip.width(), 15);
  EXPECT_LE(strip.right(), field.width() - 1);
  EXPECT_GE(strip.top(), 0);
  EXPECT_LE(strip.bottom(), field.height() - 1);
  const int up = field.Button()->UpButton()->height();
  const int down = field.Button()->DownButton()->height();
  EXPECT_EQ(up + down, strip.height());
  EXPECT_LE(std::abs(up - down), 1);
  EXPECT_GE(field.textMargins().right(), 15);
  EXPECT_GE(field.height(), field.MinimumFieldHeight());
}

TEST_F(MacFieldTest, IntervalBelowFiftyIsIgnored) {
  field.SetInterval(20);
  EXPECT_EQ(field.Interval(), 100);
  EXPECT_EQ(field.StartDelay(), 500u);
}

TEST(AbNumEdit, PortFieldShowsAndCommitsItsNumber) {
  TAbNumEdit port;
  SetUpPortField(port);
  EXPECT_EQ(port.text(), "3306");
  EXPECT_EQ(port.ValueAsInt(), 3306);
  port.setText("3307");
  EXPECT_EQ(port.ValueAsInt(), 3306);
  LeaveField(port);
  EXPECT_EQ(port.ValueAsInt(), 3307);
}

TEST(AbNumEdit, ConversionErrorOfACommitIsReported) {
  QString reported;
  TAbNumEdit::SetConversionErrorReport([&](const QString& message) { reported = message; });
  TAbNumEdit port;
  SetUpPortField(port);
  port.setText("1e");
  EXPECT_TRUE(reported.isEmpty()) << "typing reports nothing";
  QTest::keyClick(&port, Qt::Key_Return);
  EXPECT_EQ(reported, "'1e' is not a valid floating point value");
  EXPECT_EQ(port.Value(), 3306);
}

TEST(AbNumEdit, WithoutEditorTypingChangesNothing) {
  TAbNumEdit field;
  field.SetEditorEnabled(false);
  QTest::keyClicks(&field, "12");
  EXPECT_EQ(field.text(), "0");
}

TEST(AbNumEdit, OnValueChangedAfterSetUp) {
  TAbNumEdit field;
  int fired = 0;
  field.OnValueChanged = [&](TAbNumEdit&) { ++fired; };
  field.SetValue(4);
  field.Loaded();
  field.SetValue(5);
  EXPECT_EQ(fired, 1);
}

// ---- Press and hold, on a tick service with a fake clock ----

class TFakeClock : public TTickClock {
 public:
  std::uint32_t TickCount() const override { return tick; }
  std::chrono::system_clock::time_point Now() const override { return {}; }
  std::uint32_t tick = 5000;
};

TEST(AbTimerSpeedBtn, HeldArrowRepeatsAndItsReleaseEndsEvenWhenDisabledMeanwhile) {
  TFakeClock clock;
  TFlashList service(clock);
  service.SendFlash = [](TFlashControl control, std::uint32_t tim, std::int64_t param) {
    TFlashEvent event(tim, param);
    QApplication::sendEvent(static_cast<QObject*>(control), &event);
  };
  QWidget window;
  TAbTimerSpeedBtn arrow(service, &window);
  arrow.resize(15, 9);
  window.show();
  int clicks = 0;
  QObject::connect(&arrow, &QAbstractButton::clicked, [&] { ++clicks; });

  QTest::mousePress(&arrow, Qt::LeftButton);
  EXPECT_EQ(service.Count(), 1);
  for (int i = 0; i < 63; ++i) {  // about 1 s
    clock.tick += 16;
    service.Flash();
    if (clicks == 3) arrow.setEnabled(false);
  }
  EXPECT_EQ(clicks, 6) << "the limit reached during the hold does not stop the steps (they beep)";
  QTest::mouseRelease(&arrow, Qt::LeftButton);
  EXPECT_EQ(service.Count(), 0);
}

TEST(AbTimerSpeedBtn, DefaultGlyphsAreTwoArrowsWithTransparentBackground) {
  for (const bool up : {true, false}) {
    const QImage image = AbSpinGlyph(up).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(image.size(), QSize(18, 6));
    const int apexRow = up ? 0 : 3;
    const int baseRow = up ? 3 : 0;
    EXPECT_EQ(image.pixel(4, apexRow), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(13, apexRow), qRgb(128, 128, 128));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(4, 5)), 0);
    int solid = 0;
    for (int x = 0; x < 9; ++x) solid += image.pixel(x, baseRow) == qRgb(0, 0, 0);
    EXPECT_EQ(solid, 7);
  }
}

// ---- The real tick service ----

TEST(AbFlash, TicksOnTheUserInterfaceThreadUntilDestroyed) {
  auto flash = std::make_unique<TAbFlash>();
  int ticks = 0;
  bool onGuiThread = true;
  flash->SetOnTimer([&](TAbFlash&) {
    ++ticks;
    onGuiThread = onGuiThread && QThread::currentThread() == QApplication::instance()->thread();
  });
  QElapsedTimer waited;
  waited.start();
  while (ticks < 3 && waited.elapsed() < 10000) QTest::qWait(5);
  EXPECT_GE(ticks, 3);
  EXPECT_TRUE(onGuiThread);
  flash.reset();
  const int after = ticks;
  QTest::qWait(50);
  EXPECT_EQ(ticks, after);
}

TEST(AbFlash, DisabledServiceTakesNoTicks) {
  TAbFlash flash;
  flash.SetEnabled(false);
  int ticks = 0;
  flash.SetOnTimer([&](TAbFlash&) { ++ticks; });
  QTest::qWait(60);
  EXPECT_EQ(ticks, 0);
}

TEST(AbFlash, SecondFlashTimerIsRefusedAndInert) {
  int probe = 0;
  dynFlashList().AddControl(&probe, 100);
  dynFlashList().DelControl(&probe);
  QString text;
  QString title;
  TAbFlashTimer::ShowDuplicateError = [&](const QString& t, const QString& c) {
    text = t;
    title = c;
  };
  TAbFlashTimer second;
  EXPECT_EQ(text, "Only one TAbFlashTimer per Application!\rRemove it...");
  EXPECT_EQ(title, "Error Message");
  EXPECT_FALSE(second.HasOnTimer());
}

// ---- How the fields look ----

TEST(Screenshots, MacAndPortFields) {
  QWidget window;
  window.setWindowTitle("Numeric fields");
  auto* layout = new QHBoxLayout(&window);
  auto* port = new TAbNumEdit(&window);
  SetUpPortField(*port);
  port->setFixedSize(65, 22);
  layout->addWidget(new QLabel("Port", &window));
  layout->addWidget(port);
  layout->addSpacing(12);
  layout->addWidget(new QLabel("54 - 2F - 89 -", &window));
  const int bytes[] = {0x0A, 0xFF, 0x03};
  TAbNumSpin* fields[3] = {};
  for (int i = 0; i < 3; ++i) {
    fields[i] = new TAbNumSpin(&window);
    SetUpMacField(*fields[i]);
    fields[i]->setFixedSize(44, std::max(22, fields[i]->MinimumFieldHeight()));
    fields[i]->SetValue(bytes[i]);
    if (i > 0) layout->addWidget(new QLabel("-", &window));
    layout->addWidget(fields[i]);
  }
  window.show();
  QApplication::processEvents();

  EXPECT_EQ(fields[0]->text(), "A");
  EXPECT_EQ(fields[1]->text(), "FF");
  EXPECT_EQ(fields[2]->text(), "3");
  EXPECT_EQ(ArrowsOf(*fields[1]), (TArrows{false, true}));

  const QString dir = QStringLiteral(MORVANE_SCREENSHOT_DIR);
  ASSERT_TRUE(QDir().mkpath(dir));
  const QPixmap shot = window.grab();
  ASSERT_TRUE(shot.save(dir + "/numeric_fields.png"));
  ASSERT_TRUE(fields[1]->grab().scaled(44 * 4, fields[1]->height() * 4).save(dir + "/mac_field_zoom.png"));
  EXPECT_FALSE(QImage(dir + "/numeric_fields.png").isNull());
}

}  // namespace
