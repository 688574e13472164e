#include "controls/FloatPicture.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const TNumberLocale kPoint{U'.', U','};
const TNumberLocale kComma{U',', U'.'};

struct TPictureCase {
  const char* picture;
  double value;
  const char* expected;
  TNumberLocale locale = kPoint;
};

// Names the case in test listings; the default would dump the struct's bytes, pointers included.
void PrintTo(const TPictureCase& c, std::ostream* os) {
  *os << '"' << c.picture << "\" with " << c.value << " gives \"" << c.expected << '"';
}

class FloatPictureTest : public ::testing::TestWithParam<TPictureCase> {};

TEST_P(FloatPictureTest, Formats) {
  const TPictureCase& c = GetParam();
  EXPECT_EQ(FormatFloat(c.picture, c.value, c.locale), c.expected) << c.picture << " with " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, FloatPictureTest,
    ::testing::Values(
        // The port field's picture: an integer without grouping; from the first "0" on every digit shows.
        TPictureCase{"#0#", 3306, "3306"}, TPictureCase{"#0#", 65535, "65535"}, TPictureCase{"#0#", 5, "05"},
        TPictureCase{"#0#", 3306.4, "3306"}, TPictureCase{"#0#", 3306.5, "3307"},
        // The default picture: at most one decimal and no trailing separator.
        TPictureCase{"#0.#", 0, "0"}, TPictureCase{"#0.#", 2.5, "2.5"}, TPictureCase{"#0.#", 3, "3"},
        TPictureCase{"#0.#", 2.25, "2.3"}, TPictureCase{"#0.#", 2.35, "2.4"}, TPictureCase{"#0.#", 9.96, "10"},
        TPictureCase{"#0.#", -2.5, "-2.5"}, TPictureCase{"#0.#", -0.04, "0"}, TPictureCase{"#0.#", 2.5, "2,5", kComma},
        TPictureCase{"#0", 2.7, "3"}, TPictureCase{"#0", 0.4, "0"}, TPictureCase{"#", 0, ""},
        TPictureCase{"000", 7, "007"}, TPictureCase{"0.00", 1.5, "1.50"}, TPictureCase{".00", 0.5, ".50"},
        TPictureCase{"0.0##", 1.23456, "1.235"}, TPictureCase{"0.0##", 1.2, "1.2"},
        // Grouping.
        TPictureCase{"#,##0.00", 1234567.891, "1,234,567.89"},
        TPictureCase{"#,##0.00", 1234567.891, "1.234.567,89", kComma}, TPictureCase{"#,##0", 999, "999"},
        TPictureCase{"#,##0", -1000, "-1,000"},
        // Exponents.
        TPictureCase{"0.00E+00", 12345, "1.23E+04"}, TPictureCase{"0.00E+00", 0.000123, "1.23E-04"},
        TPictureCase{"0.0E-0", 12345, "1.2E4"}, TPictureCase{"0.00E+00", 9.999, "1.00E+01"},
        TPictureCase{"0.00E+00", 0, "0.00E+00"},
        // Sections and literals.
        TPictureCase{"#0.0;(#0.0);'zero'", 1.5, "1.5"}, TPictureCase{"#0.0;(#0.0);'zero'", -1.5, "(1.5)"},
        TPictureCase{"#0.0;(#0.0);'zero'", 0, "zero"}, TPictureCase{"#0.0;(#0.0);'zero'", 0.01, "zero"},
        TPictureCase{"#0;;'none'", -4, "-4"}, TPictureCase{"'$'#0", 5, "$5"}, TPictureCase{"\"n=\"0", 5, "n=5"},
        TPictureCase{"$", 5, "$"}, TPictureCase{"", 2.5, "2.5"}, TPictureCase{"", 2.5, "2,5", kComma},
        TPictureCase{"#0.#", std::numeric_limits<double>::quiet_NaN(), "NAN"},
        TPictureCase{"#0.#", -std::numeric_limits<double>::infinity(), "-INF"}));

}  // namespace
