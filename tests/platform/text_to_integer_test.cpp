#include "platform/text_to_integer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/error.h"

namespace tolvane {
namespace {

struct ValueCase {
  std::string text;
  std::int32_t expected;
};

class TextToIntegerValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(TextToIntegerValueTest, ReadsTheNumber) {
  EXPECT_EQ(TextToInteger(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Plain, TextToIntegerValueTest,
    ::testing::Values(ValueCase{"0", 0}, ValueCase{"42", 42}, ValueCase{"+42", 42}, ValueCase{"-42", -42},
                      ValueCase{"  42  ", 42}, ValueCase{"\t-7\t", -7}, ValueCase{"007", 7}, ValueCase{"-0", 0},
                      ValueCase{"000000000000000000002147483647", 2147483647}));

INSTANTIATE_TEST_SUITE_P(
    RoundingHalfToEven, TextToIntegerValueTest,
    ::testing::Values(ValueCase{"2.5", 2}, ValueCase{"3.5", 4}, ValueCase{"-2.5", -2}, ValueCase{"-3.5", -4},
                      ValueCase{"0.5", 0}, ValueCase{"1.5", 2}, ValueCase{".5", 0}, ValueCase{"5.", 5},
                      ValueCase{"2.4999", 2}, ValueCase{"2.5000001", 3}, ValueCase{"1.50", 2},
                      ValueCase{"0.05", 0}, ValueCase{"2147483646.5", 2147483646},
                      ValueCase{"2147483647.4999999999999999999", 2147483647},
                      ValueCase{"2147483646.5000000000000000001", 2147483647}));

INSTANTIATE_TEST_SUITE_P(
    Exponent, TextToIntegerValueTest,
    ::testing::Values(ValueCase{"1e3", 1000}, ValueCase{"1E3", 1000}, ValueCase{"1e+2", 100},
                      ValueCase{"1.5e1", 15}, ValueCase{"25e-1", 2}, ValueCase{"35E-1", 4},
                      ValueCase{"12345678901e-1", 1234567890}, ValueCase{"0e999999999999", 0},
                      ValueCase{"1e-99999999999", 0}, ValueCase{" 2.147483647e9 ", 2147483647}));

INSTANTIATE_TEST_SUITE_P(
    Boundaries, TextToIntegerValueTest,
    ::testing::Values(ValueCase{"2147483647", 2147483647}, ValueCase{"-2147483648", -2147483647 - 1},
                      ValueCase{"-2147483648.4", -2147483647 - 1}, ValueCase{"-2147483647.5", -2147483647 - 1},
                      ValueCase{"-2147483648.5", -2147483647 - 1}));

struct FailureCase {
  std::string text;
  ErrorNumber number;
};

class TextToIntegerFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(TextToIntegerFailureTest, RaisesTheClassicError) {
  const FailureCase& c = GetParam();
  try {
    const std::int32_t value = TextToInteger(c.text);
    ADD_FAILURE() << '"' << c.text << "\" gave " << value;
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), c.number) << '"' << c.text << '"';
    EXPECT_EQ(error.Description(), ClassicDescription(c.number));
  }
}

INSTANTIATE_TEST_SUITE_P(
    NotANumber, TextToIntegerFailureTest,
    ::testing::Values(FailureCase{"", ErrorNumber::TypeMismatch}, FailureCase{"   ", ErrorNumber::TypeMismatch},
                      FailureCase{"abc", ErrorNumber::TypeMismatch}, FailureCase{"12abc", ErrorNumber::TypeMismatch},
                      FailureCase{"1 2", ErrorNumber::TypeMismatch}, FailureCase{"+", ErrorNumber::TypeMismatch},
                      FailureCase{"-", ErrorNumber::TypeMismatch}, FailureCase{".", ErrorNumber::TypeMismatch},
                      FailureCase{"1e", ErrorNumber::TypeMismatch}, FailureCase{"1e+", ErrorNumber::TypeMismatch},
                      FailureCase{"e5", ErrorNumber::TypeMismatch}, FailureCase{"--1", ErrorNumber::TypeMismatch},
                      FailureCase{"1,000", ErrorNumber::TypeMismatch}, FailureCase{"0x10", ErrorNumber::TypeMismatch},
                      FailureCase{"- 1", ErrorNumber::TypeMismatch}));

INSTANTIATE_TEST_SUITE_P(
    OutOfRange, TextToIntegerFailureTest,
    ::testing::Values(FailureCase{"2147483648", ErrorNumber::Overflow},
                      FailureCase{"-2147483649", ErrorNumber::Overflow},
                      FailureCase{"99999999999", ErrorNumber::Overflow},
                      FailureCase{"2147483647.5", ErrorNumber::Overflow},
                      FailureCase{"-2147483648.6", ErrorNumber::Overflow}, FailureCase{"3e9", ErrorNumber::Overflow},
                      FailureCase{"1e999999999999", ErrorNumber::Overflow},
                      FailureCase{"100000000000000000000000000", ErrorNumber::Overflow}));

}  // namespace
}  // namespace tolvane
