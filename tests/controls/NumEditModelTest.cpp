#include "controls/NumEditModel.h"
#include "controls/NumberConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace {

const TNumberLocale kPoint{U'.', U','};
const TNumberLocale kComma{U',', U'.'};

// Records what the model asks of its edit control.
class TRecordingView : public TNumEditView {
 public:
  void ShowText(const std::string& text) override { shown.push_back(text); }
  void SetBackground(TColor color) override { background = color; }
  void StateChanged(TNumEditState) override {}
  void LimitChanged() override { ++limitChanges; }
  void Beep() override { ++beeps; }
  void SelectInvalid(int start, int length) override { selection = {start, length}; }
  bool IsReadOnly() const override { return readOnly; }

  std::vector<std::string> shown;
  std::optional<TColor> background;
  int limitChanges = 0;
  int beeps = 0;
  std::optional<std::pair<int, int>> selection;
  bool readOnly = false;
};

struct TEventCounts {
  int change = 0;
  int valueChanged = 0;
  int limit = 0;
};

class NumEditModelTest : public ::testing::Test {
 protected:
  explicit NumEditModelTest(const TNumberLocale& locale = kPoint) : model(locale) {
    model.SetView(&view);
    model.OnChange = [this](TNumEditModel&) { ++events.change; };
    model.OnValueChanged = [this](TNumEditModel&) { ++events.valueChanged; };
    model.OnLimit = [this](TNumEditModel&) { ++events.limit; };
  }

  // A MAC byte field as the main window sets it up.
  void MakeMacField() { MakeMacField(model); }
  static void MakeMacField(TNumEditModel& field) {
    field.SetEditBase(ebHex);
    field.SetMinValue(0);
    field.SetMaxValue(255);
    field.SetOptions({eoLimitMax, eoLimitMin});
    field.SetIncrement(1);
    field.Loaded();
  }

  void Type(const std::string& text) { model.TextChanged(text); }

  TRecordingView view;
  TEventCounts events;
  TNumEditModel model;
};

TEST_F(NumEditModelTest, ConstructionCommitsZeroInEveryView) {
  EXPECT_EQ(model.Text(), "0");
  EXPECT_EQ(model.Value(), 0);
  EXPECT_EQ(model.ValueAsInt(), 0);
  EXPECT_EQ(model.ValueAsHex(), "0");
  EXPECT_EQ(model.ValueAsBool(), "0");
  EXPECT_EQ(model.State(), esNormal);
  EXPECT_EQ(model.EditBase(), ebFloat);
  EXPECT_EQ(model.FormatStr(), "#0.#");
  EXPECT_EQ(model.Increment(), 1.0f);
  EXPECT_EQ(model.ColorDefault(), clWindow);
  EXPECT_EQ(model.ColorEditing(), 0x00FF00u);
  EXPECT_EQ(model.ColorError(), 0x0000FFu);
}

// ---- Committing typed text ----

// Shows a typed-text case by its text in test listings; the default would dump the struct's bytes,
// pointers included.
template <typename TCase>
requires requires(const TCase& c) {
  c.text;
}
void PrintTo(const TCase& c, std::ostream* os) {
  *os << '"' << c.text << '"';
}

struct TCommitCase {
  const char* name;
  TEditBase base;
  const char* text;
  double value;
  const char* shown;
  TNumberLocale locale = kPoint;
};

class CommitTextTest : public ::testing::TestWithParam<TCommitCase> {};

TEST_P(CommitTextTest, CommitsAndRerenders) {
  const TCommitCase& c = GetParam();
  TNumEditModel model(c.locale);
  model.SetEditBase(c.base);
  model.TextChanged(c.text);
  ASSERT_TRUE(model.Commit());
  EXPECT_DOUBLE_EQ(model.Value(), c.value);
  if (c.shown) {
    EXPECT_EQ(model.Text(), c.shown);
  }
  EXPECT_EQ(model.State(), esNormal);
}

INSTANTIATE_TEST_SUITE_P(
    Bases, CommitTextTest,
    ::testing::Values(
        TCommitCase{"HexLowerCase", ebHex, "0a", 10, "A"},
        TCommitCase{"HexEightDigitsIsNegative", ebHex, "FFFFFFFF", -1, "FFFFFFFF"},
        TCommitCase{"HexLeadingZerosAreNotSignificant", ebHex, "0000000000FF", 255, "FF"},
        TCommitCase{"IntPrefixInHex", ebHex, "%255", 255, "FF"},
        TCommitCase{"HexPrefixInInt", ebInt, "$FF", 255, "255"}, TCommitCase{"BinPrefixInInt", ebInt, "&101", 5, "5"},
        TCommitCase{"FloatPrefixInHex", ebHex, "!2.5", 2.5, "2"}, TCommitCase{"LonePrefixIsZero", ebInt, "$", 0, "0"},
        TCommitCase{"Bin", ebBin, "101", 5, "101"}, TCommitCase{"FloatKilo", ebFloat, "2k", 2000, "2000"},
        TCommitCase{"FloatLoneKilo", ebFloat, "k", 1000, "1000"},
        TCommitCase{"FloatExponent", ebFloat, "1E3", 1000, "1000"},
        TCommitCase{"FloatExponentWithoutMantissa", ebFloat, "E3", 1000, "1000"},
        TCommitCase{"FloatNegativeExponent", ebFloat, "25e-1", 2.5, "2.5"},
        TCommitCase{"FloatFinalEIsExa", ebFloat, "5E", 5 * static_cast<double>(1E18f), nullptr},
        TCommitCase{"FloatMilliIsSinglePrecision", ebFloat, "5m", 5 * static_cast<double>(1E-3f), "0"},
        TCommitCase{"FloatLonePlus", ebFloat, "+", 0, "0"}, TCommitCase{"FloatLoneMinus", ebFloat, "-", 0, "0"},
        TCommitCase{"FloatPlusFive", ebFloat, "+5", 5, "5"},
        TCommitCase{"FloatThousands", ebFloat, "1,234.5", 1234.5, "1234.5"},
        TCommitCase{"FloatCommaLocale", ebFloat, "1.234,5", 1234.5, "1234,5", kComma},
        TCommitCase{"FloatAboveRangeIsLowered", ebFloat, "1E309", 1.7E308, nullptr},
        TCommitCase{"FloatBelowRangeIsRaised", ebFloat, "-1E309", -1.7E308, nullptr},
        TCommitCase{"FloatExaPastBothLimitsIsClamped", ebFloat, "-1e308E", -1.7E308, nullptr},
        TCommitCase{"FloatExaPastUpperLimitIsClamped", ebFloat, "+1e308E", 1.7E308, nullptr},
        TCommitCase{"FloatTooSmallIsZero", ebFloat, "1e-400", 0, "0"},
        TCommitCase{"IntKilo", ebInt, "5k", 5000, "5000"},
        TCommitCase{"IntThousandsAnywhere", ebInt, "1,2,34", 1234, "1234"},
        TCommitCase{"IntMinimumIsRaised", ebInt, "-2147483648", -2147483647, "-2147483647"},
        TCommitCase{"IntSign", ebInt, "-12", -12, "-12"}),
    [](const auto& info) { return std::string(info.param.name); });

struct TInvalidCase {
  const char* name;
  TEditBase base;
  const char* text;
  int start;
  int length;
};

class InvalidTextTest : public ::testing::TestWithParam<TInvalidCase> {};

TEST_P(InvalidTextTest, MarksTheSpanAndKeepsTheValue) {
  const TInvalidCase& c = GetParam();
  TNumEditModel model(kPoint);
  TRecordingView view;
  model.SetView(&view);
  model.SetEditBase(c.base);
  model.SetValue(7);
  model.TextChanged(c.text);
  EXPECT_EQ(model.State(), esError);
  ASSERT_TRUE(view.selection);
  EXPECT_EQ(*view.selection, std::make_pair(c.start, c.length));
  EXPECT_FALSE(model.Commit());
  EXPECT_EQ(model.Value(), 7);
  EXPECT_EQ(model.Text(), c.text);
  EXPECT_EQ(view.beeps, 1) << "a repeated error does not beep again";
}

INSTANTIATE_TEST_SUITE_P(Bases, InvalidTextTest,
                         ::testing::Values(TInvalidCase{"HexLetter", ebHex, "g", 0, 1},
                                           TInvalidCase{"HexSign", ebHex, "-5", 0, 1},
                                           TInvalidCase{"HexMultiplier", ebHex, "5k", 1, 1},
                                           TInvalidCase{"IntMilliIsNoMultiplier", ebInt, "5m", 1, 1},
                                           TInvalidCase{"IntDecimalSeparator", ebInt, "1.5", 1, 1},
                                           TInvalidCase{"FloatSecondSeparator", ebFloat, "1.2.3", 3, 1},
                                           TInvalidCase{"FloatSpanFromFirstToLast", ebFloat, "1x2y", 1, 3},
                                           TInvalidCase{"FloatInvalidBeforeSurplusSeparator", ebFloat, "12a.3.4", 2, 4},
                                           TInvalidCase{"FloatAfterExponent", ebFloat, "1e5x", 3, 1},
                                           TInvalidCase{"BinDigit", ebBin, "102", 2, 1},
                                           TInvalidCase{"NonAsciiIsOneCharacter", ebInt,
                                                        "1\xC3\xA4"
                                                        "2",
                                                        1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TConversionCase {
  const char* name;
  TEditBase base;
  const char* text;
};

class ConversionErrorTest : public ::testing::TestWithParam<TConversionCase> {};

TEST_P(ConversionErrorTest, CommitThrowsTypingDoesNot) {
  const TConversionCase& c = GetParam();
  TNumEditModel model(kPoint);
  model.SetEditBase(c.base);
  model.SetValue(7);
  EXPECT_NO_THROW(model.TextChanged(c.text));
  EXPECT_EQ(model.State(), esEditing);
  EXPECT_THROW(model.Commit(), EConvertError);
  EXPECT_EQ(model.Value(), 7);
  EXPECT_EQ(model.Text(), c.text);
}

INSTANTIATE_TEST_SUITE_P(Bases, ConversionErrorTest,
                         ::testing::Values(TConversionCase{"FloatExponentWithoutDigits", ebFloat, "1e"},
                                           TConversionCase{"FloatLoneSeparator", ebFloat, "."},
                                           TConversionCase{"HexNineDigits", ebHex, "123456789"},
                                           TConversionCase{"IntOutOfRange", ebInt, "3000000000"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Views of a value ----

struct TViewCase {
  double value;
  std::int32_t asInt;
  float asSingle;
  const char* asHex;
  const char* asBool;
};

void PrintTo(const TViewCase& c, std::ostream* os) {
  *os << c.value;
}

class ValueViewTest : public ::testing::TestWithParam<TViewCase> {};

TEST_P(ValueViewTest, DerivesEveryView) {
  const TViewCase& c = GetParam();
  TNumEditModel model(kPoint);
  model.SetValue(c.value);
  EXPECT_EQ(model.ValueAsInt(), c.asInt);
  EXPECT_EQ(model.ValueAsSingle(), c.asSingle);
  EXPECT_EQ(model.ValueAsHex(), c.asHex);
  EXPECT_EQ(model.ValueAsBool(), c.asBool);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueViewTest,
    ::testing::Values(TViewCase{2.5, 2, 2.5f, "2", "10"}, TViewCase{3.5, 4, 3.5f, "4", "100"},
                      TViewCase{5, 5, 5.0f, "5", "101"},
                      TViewCase{2147483647, 2147483647, 2147483647.0f, "7FFFFFFF", "1111111111111111111111111111111"},
                      TViewCase{1E12, 2147483647, 1E12f, "7FFFFFFF", "1111111111111111111111111111111"},
                      TViewCase{-1E12, -2147483647, -1E12f, "80000001", "10000000000000000000000000000001"},
                      TViewCase{-1, -1, -1.0f, "FFFFFFFF", "11111111111111111111111111111111"},
                      TViewCase{4E38, 2147483647, 3.4E38f, "7FFFFFFF", "1111111111111111111111111111111"},
                      TViewCase{-4E38, -2147483647, -std::numeric_limits<float>::infinity(), "80000001",
                                "10000000000000000000000000000001"}));

TEST(ValueViews, HexRenderingOfAMacByte) {
  const std::vector<std::tuple<double, int, std::string>> cases = {
      {0, 0, "0"},    {5, 0, "5"},      {10, 0, "A"},        {15, 0, "F"},          {16, 0, "10"},
      {255, 0, "FF"}, {255, 4, "00FF"}, {-1, 0, "FFFFFFFF"}, {-1, 10, "00FFFFFFFF"}};
  for (const auto& [value, digits, text] : cases) {
    TNumEditModel model(kPoint);
    model.SetEditBase(ebHex);
    model.SetDigitsHex(digits);
    model.SetValue(value);
    EXPECT_EQ(model.Text(), text) << value << " with " << digits << " digits";
  }
}

TEST(ValueViews, BinaryTextPadsButNeverTruncates) {
  EXPECT_EQ(AbIntToBin(5, 8), "00000101");
  EXPECT_EQ(AbIntToBin(5, 2), "101");
  EXPECT_EQ(AbIntToBin(0, -3), "0");
  EXPECT_EQ(AbBinToInt(U"11111111111111111111111111111111"), -1);
  EXPECT_EQ(AbBinToLWord(U"1x1"), 5u);
  EXPECT_EQ(AbBinToLWord(U"1" + std::u32string(32, U'0')), 0u) << "weights past 32 characters are zero";
}

TEST_F(NumEditModelTest, ProgramSetsOfViewsSkipTheLimits) {
  model.SetOptions({eoLimitMax});
  model.SetMaxValue(10);
  model.SetValueAsInt(20);
  EXPECT_EQ(model.Value(), 20);
  EXPECT_FALSE(model.LimitUp());
  model.SetValueAsSingle(2.5f);
  EXPECT_EQ(model.Value(), 2.5);
  EXPECT_EQ(model.Text(), "2.5");
}

TEST_F(NumEditModelTest, NaNIsNotTaken) {
  model.SetValue(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(model.Value(), 0);
  EXPECT_EQ(model.Text(), "0");
}

// ---- Limits ----

TEST_F(NumEditModelTest, LimitsClampAndRaiseFlagsAtTheLimitItself) {
  MakeMacField();
  EXPECT_TRUE(model.LimitLo()) << "0 with minimum 0";
  EXPECT_FALSE(model.LimitUp());
  model.SetValue(255);
  EXPECT_TRUE(model.LimitUp());
  EXPECT_FALSE(model.LimitLo());
  model.SetValue(300);
  EXPECT_EQ(model.Value(), 255);
  model.SetValue(-4);
  EXPECT_EQ(model.Value(), 0);
  EXPECT_TRUE(model.LimitLo());
  EXPECT_FALSE(model.LimitUp());
}

TEST_F(NumEditModelTest, FlagsChangeOnlyWithTheirOption) {
  model.SetMaxValue(10);
  model.SetValue(50);
  EXPECT_EQ(model.Value(), 50);
  EXPECT_FALSE(model.LimitUp());
  EXPECT_EQ(events.limit, 0);
}

TEST_F(NumEditModelTest, OnLimitFiresWhenAFlagChanges) {
  MakeMacField();
  const int before = events.limit;
  model.SetValue(255);
  EXPECT_EQ(events.limit, before + 2) << "LimitLo cleared, LimitUp set";
  model.SetValue(254);
  model.SetValue(253);
  EXPECT_EQ(events.limit, before + 3);
}

TEST_F(NumEditModelTest, HexTextAboveTheMaximumGivesTheMaximum) {
  MakeMacField();
  model.SetValueAsHex("1FF");
  EXPECT_EQ(model.Value(), 255);
  EXPECT_EQ(model.Text(), "FF");
  EXPECT_TRUE(model.LimitUp());
}

TEST_F(NumEditModelTest, EmptyHexTextWaitsAndLeavingCommitsZero) {
  MakeMacField();
  model.SetValue(10);
  model.SetValueAsHex("");
  EXPECT_EQ(model.Text(), "");
  EXPECT_EQ(model.State(), esEditing);
  EXPECT_EQ(model.Value(), 10);
  model.Exit();
  EXPECT_EQ(model.Value(), 0);
  EXPECT_EQ(model.Text(), "0");
  EXPECT_EQ(model.State(), esNormal);
  EXPECT_TRUE(model.LimitLo());
}

TEST_F(NumEditModelTest, InvalidHexTextLeavesTheValue) {
  MakeMacField();
  model.SetValue(10);
  model.SetValueAsHex("zz");
  EXPECT_EQ(model.State(), esError);
  EXPECT_EQ(model.Value(), 10);
}

// ---- What the MAC byte fields require ----

TEST_F(NumEditModelTest, SettingTheSameValueChangesNothingEvenWithPendingText) {
  MakeMacField();
  model.SetValue(5);
  Type("05");
  const auto shownBefore = view.shown.size();
  model.SetValue(5);
  EXPECT_EQ(model.Text(), "05");
  EXPECT_EQ(model.State(), esEditing);
  EXPECT_EQ(view.shown.size(), shownBefore);
}

TEST_F(NumEditModelTest, SettingHexTextParsesAndRedisplays) {
  MakeMacField();
  model.SetValueAsHex("0A");
  EXPECT_EQ(model.Value(), 10);
  EXPECT_EQ(model.ValueAsInt(), 10);
  EXPECT_EQ(model.Text(), "A");
  EXPECT_EQ(model.State(), esNormal);
  const auto shownBefore = view.shown.size();
  model.SetValueAsHex("A");
  EXPECT_EQ(view.shown.size(), shownBefore) << "the same text changes nothing";
}

TEST_F(NumEditModelTest, HexTextInAnotherBaseIsPrefixed) {
  model.SetValueAsHex("FF");
  EXPECT_EQ(model.Value(), 255);
  EXPECT_EQ(model.Text(), "255");
  model.SetValueAsBool("101");
  EXPECT_EQ(model.Value(), 5);
}

TEST_F(NumEditModelTest, DisplayTextDoesNotChangeTheValueUntilCommitted) {
  MakeMacField();
  model.SetValue(5);
  Type("05");
  EXPECT_EQ(model.Value(), 5);
  EXPECT_EQ(model.State(), esEditing);
  EXPECT_EQ(view.background, clLime);
  model.Exit();
  EXPECT_EQ(model.Text(), "5");
  EXPECT_EQ(model.State(), esNormal);
  EXPECT_EQ(view.background, clWindow);
}

TEST_F(NumEditModelTest, NoChangeEventForProgramSetsOrCommits) {
  MakeMacField();
  model.SetValue(10);
  model.SetValueAsHex("20");
  Type("3");
  model.Commit();
  model.SetEditBase(ebInt);
  EXPECT_EQ(events.change, 0);
}

// ---- Change and value-changed events ----

TEST_F(NumEditModelTest, StepsFireOnChangeOnceAfterTheCommit) {
  MakeMacField();
  double seen = -1;
  model.OnChange = [&](TNumEditModel& m) {
    ++events.change;
    seen = m.Value();
  };
  model.UpClick();
  EXPECT_EQ(events.change, 1);
  EXPECT_EQ(seen, 1);
  model.KeyDown(TNumEditKey::Down);
  EXPECT_EQ(events.change, 2);
  EXPECT_EQ(seen, 0);
}

TEST_F(NumEditModelTest, EveryOtherKeyFiresOnChangeBeforeTheTextChanges) {
  MakeMacField();
  model.KeyDown(TNumEditKey::Other);
  EXPECT_EQ(events.change, 1);
  EXPECT_EQ(model.Text(), "0");
  model.KeyPress(U'\r');
  EXPECT_EQ(events.change, 1) << "the commit by Enter fires nothing further";
}

TEST_F(NumEditModelTest, ArrowKeyAtItsLimitFiresOnChangeWithoutStepOrBeep) {
  MakeMacField();
  model.SetValue(255);
  model.KeyDown(TNumEditKey::Up);
  EXPECT_EQ(events.change, 1);
  EXPECT_EQ(model.Value(), 255);
  EXPECT_EQ(view.beeps, 0);
}

TEST_F(NumEditModelTest, StepAtItsLimitOrReadOnlyOnlyBeeps) {
  MakeMacField();
  model.DownClick();
  EXPECT_EQ(view.beeps, 1);
  EXPECT_EQ(events.change, 0);
  EXPECT_EQ(model.Value(), 0);
  view.readOnly = true;
  model.UpClick();
  EXPECT_EQ(view.beeps, 2);
  EXPECT_EQ(model.Value(), 0);
}

TEST_F(NumEditModelTest, SteppingToTheMaximumSetsTheFlag) {
  MakeMacField();
  model.SetValue(254);
  model.UpClick();
  EXPECT_EQ(model.Value(), 255);
  EXPECT_EQ(model.Text(), "FF");
  EXPECT_TRUE(model.LimitUp());
}

TEST_F(NumEditModelTest, StepsStartFromTheCommittedValueAndDiscardPendingText) {
  MakeMacField();
  model.SetValue(5);
  Type("9");
  model.UpClick();
  EXPECT_EQ(model.Value(), 6);
  EXPECT_EQ(model.Text(), "6");
  EXPECT_EQ(model.State(), esNormal);
}

// A step key takes what was typed first: a technician copying a sticker keeps the typed byte.
TEST_F(NumEditModelTest, StepKeysStartFromValidTypedText) {
  struct Case {
    const char* typed;
    TNumEditKey key;
    double value;
    const char* text;
    TNumEditState state;
  };
  const Case cases[] = {
      {"4a", TNumEditKey::Up, 0x4B, "4B", esNormal},
      {"4a", TNumEditKey::Down, 0x49, "49", esNormal},
      {"4a", TNumEditKey::PageUp, 0x5A, "5A", esNormal},
      {"FF", TNumEditKey::Up, 0xFF, "FF", esNormal},  // taken, then at its limit
      {"4g", TNumEditKey::Up, 5, "4g", esError},      // invalid: stays as typed, marked
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    TRecordingView fieldView;
    TNumEditModel field(kPoint);
    field.SetView(&fieldView);
    MakeMacField(field);
    field.SetValue(5);
    field.TextChanged(c.typed);
    field.KeyDown(c.key);
    EXPECT_EQ(field.Value(), c.value);
    EXPECT_EQ(field.Text(), c.text);
    EXPECT_EQ(field.State(), c.state);
  }
}

// A page step is ten in the shown base: 0x10 for a MAC byte, 10 for the port; the limits hold.
TEST_F(NumEditModelTest, PageKeysStepByTenInTheShownBase) {
  struct Case {
    TEditBase base;
    double from;
    TNumEditKey key;
    double to;
  };
  const Case cases[] = {
      {ebHex, 0, TNumEditKey::PageUp, 0x10},      {ebHex, 0x25, TNumEditKey::PageDown, 0x15},
      {ebHex, 0xF5, TNumEditKey::PageUp, 0xFF},   {ebHex, 0x05, TNumEditKey::PageDown, 0},
      {ebFloat, 3306, TNumEditKey::PageUp, 3316}, {ebBin, 1, TNumEditKey::PageUp, 3},
  };
  MakeMacField();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    model.SetEditBase(c.base);
    model.SetMaxValue(c.base == ebFloat ? 65535 : 255);
    model.SetValue(c.from);
    model.KeyDown(c.key);
    EXPECT_EQ(model.Value(), c.to);
  }
}

TEST_F(NumEditModelTest, MultiplyingSteps) {
  model.SetOptions({eoMultiply});
  model.SetIncrement(10);
  model.SetValue(2);
  model.UpClick();
  EXPECT_EQ(model.Value(), 20);
  model.DownClick();
  model.DownClick();
  EXPECT_DOUBLE_EQ(model.Value(), 0.2);
  model.SetValue(0);
  model.UpClick();
  EXPECT_EQ(model.Value(), 10) << "from zero the increment is added";
}

TEST_F(NumEditModelTest, OnValueChangedOnlyAfterLoadingAndOnlyForANewText) {
  model.SetValue(3);
  EXPECT_EQ(events.valueChanged, 0);
  model.Loaded();
  model.SetValue(4);
  EXPECT_EQ(events.valueChanged, 1);
  model.SetValue(4.01);
  EXPECT_EQ(events.valueChanged, 1) << "4.01 shows as 4 again";
  Type("4.0");
  model.Commit();
  EXPECT_EQ(events.valueChanged, 1);
}

// ---- States and keys ----

TEST_F(NumEditModelTest, StatesColourTheBackground) {
  MakeMacField();
  model.SetValue(10);
  Type("B");
  EXPECT_EQ(model.State(), esEditing);
  EXPECT_EQ(view.background, clLime);
  EXPECT_EQ(view.beeps, 0);
  Type("A");
  EXPECT_EQ(model.State(), esNormal) << "back to the committed text";
  Type("g");
  EXPECT_EQ(model.State(), esError);
  EXPECT_EQ(view.background, clRed);
  EXPECT_EQ(view.beeps, 1);
  Type("gg");
  EXPECT_EQ(view.beeps, 1);
  model.KeyDown(TNumEditKey::Escape);
  EXPECT_EQ(model.Text(), "A");
  EXPECT_EQ(model.State(), esNormal);
  EXPECT_EQ(events.change, 1);
}

TEST_F(NumEditModelTest, EscapeInNormalStateKeepsTheText) {
  model.KeyDown(TNumEditKey::Escape);
  EXPECT_EQ(events.change, 1);
  EXPECT_EQ(model.Text(), "0");
}

TEST_F(NumEditModelTest, ColorDefaultIsSetAtOnceWhateverTheState) {
  Type("1");
  model.SetColorDefault(0x123456);
  EXPECT_EQ(view.background, 0x123456u);
}

TEST_F(NumEditModelTest, EnterCommitsAndAnEmptyTextBecomesZero) {
  model.SetValue(4);
  Type("");
  EXPECT_EQ(model.State(), esEditing);
  EXPECT_FALSE(model.KeyPress(U'\r'));
  EXPECT_EQ(model.Text(), "0");
  EXPECT_EQ(model.Value(), 0);
  EXPECT_TRUE(model.KeyPress(U'7'));
}

TEST_F(NumEditModelTest, WithoutEditorEveryCharacterBeepsAndIsSwallowed) {
  model.SetEditorEnabled(false);
  EXPECT_FALSE(model.KeyPress(U'7'));
  EXPECT_FALSE(model.KeyPress(U'\r'));
  EXPECT_EQ(view.beeps, 2);
}

TEST_F(NumEditModelTest, EditBaseRerendersWithoutReparsing) {
  model.SetValue(2.5);
  model.SetEditBase(ebHex);
  EXPECT_EQ(model.Text(), "2");
  EXPECT_EQ(model.Value(), 2.5);
  Type("g");
  model.SetEditBase(ebBin);
  EXPECT_EQ(model.Text(), "10");
  EXPECT_EQ(model.State(), esNormal);
}

TEST_F(NumEditModelTest, FormatStrRecommitsTheShownValue) {
  model.SetValue(2.7);
  EXPECT_EQ(model.Text(), "2.7");
  model.SetFormatStr("#0");
  EXPECT_EQ(model.Text(), "3");
  EXPECT_EQ(model.Value(), 3);
}

TEST_F(NumEditModelTest, PortFieldShowsAnIntegerWithoutGrouping) {
  model.SetFormatStr("#0#");
  model.SetValue(3306);
  EXPECT_EQ(model.Text(), "3306");
  EXPECT_EQ(model.ValueAsInt(), 3306);
  Type("65,535");
  model.Commit();
  EXPECT_EQ(model.Text(), "65535");
}

TEST_F(NumEditModelTest, FormatStrDoesNotTouchOtherBases) {
  MakeMacField();
  model.SetValue(10);
  model.SetFormatStr("$$");
  EXPECT_EQ(model.Text(), "A");
  EXPECT_EQ(model.Value(), 10);
}

}  // namespace
