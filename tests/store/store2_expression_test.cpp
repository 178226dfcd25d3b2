#include <gtest/gtest.h>

#include <cmath>

#include "fixture_stores.h"
#include "store/expression.h"

namespace bw::store {
namespace {

using fixture::field;

TEST(Expression, ArithmeticAndItsRounding) {
  const std::string dir = fixture::fresh_dir("expr_plain");
  auto store =
      fixture::build(dir, {field("Name", FieldType::fixed_text, 4)}, {{WriterValue::of_text("a")}});
  ASSERT_NE(store, nullptr);
  struct Case {
    const char* text;
    double want;
  } cases[] = {
      {"2*(3+4)", 14},       {"10/4", 2.5},          {"1+2*3", 7},
      {"1/3*3", 0.999999},   {"(1+2", 0},            {"2*(1+2", 0},
      {"2*-3", -6},          {"-2*3", -6},           {"1--2", 3},
      {"10-2-3", 5},         {"8/2/2", 2},           {"(1+2)*(3+4)", 21},
      {" 2 * ( 1 + 1 ) * 2 ", 8}, {"((2))", 2},      {"1e-3*1000", 1},
      {"2.5e2+1", 251},      {"abc", 0},             {"", 0},
      {"7", 7},              {"1/3+1/3", 0.666666},  {"2*(3-5)", -4},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(evaluate(*store, 1, c.text), c.want, 1e-9) << c.text;
  // Division by zero follows the floating-point rules, also through parentheses.
  EXPECT_EQ(evaluate(*store, 1, "1/0"), INFINITY);
  EXPECT_EQ(evaluate(*store, 1, "1-(2/0)"), -INFINITY);
  EXPECT_TRUE(std::isnan(evaluate(*store, 1, "(0/0)*2")));
  EXPECT_EQ(evaluate(*store, 1, std::string(kMaxExpressionLength + 1, '1')), 0);
}

// Field 1 name, 2 "Count" (signed 5), 3 "List" (array 1, 2, 3), 4 "Weight" (double 2.5),
// 5 "Day" (date), 6 "Price" (signed, 2 decimals).
std::unique_ptr<RecordStore> values_store(const std::string& dir) {
  std::vector<WriterRecord> records;
  for (int r = 1; r <= 3; ++r) {
    records.push_back({WriterValue::of_text("r" + std::to_string(r)),
                       WriterValue::of_integer(5 * r, 4),
                       WriterValue::of_elements({{1, 0, 0, 0}, {2, 0, 0, 0}, {3, 0, 0, 0}}),
                       WriterValue::of_double(2.5 * r), WriterValue::of_integer(730560, 3),
                       WriterValue::of_integer(1234, 4)});
  }
  return fixture::build(
      dir,
      {field("Name", FieldType::fixed_text, 4), field("Count", FieldType::signed_integer, 4),
       field("List", FieldType::signed_integer, 4, 0x20),
       field("Weight", FieldType::double_float, 8, 2), field("Day", FieldType::date, 3),
       field("Price", FieldType::signed_integer, 4, 2)},
      records);
}

TEST(Expression, FieldReferences) {
  const std::string parent = fixture::fresh_dir("expr_fields");
  auto store = values_store(parent + "/Main1");
  ASSERT_NE(store, nullptr);
  struct Case {
    int record;
    const char* text;
    double want;
  } cases[] = {
      {1, "^2*2", 10},           {2, "^2*2", 20},          {1, "^3[X]", 6},
      {1, "^3[2]+^3[3]", 5},     {1, "^Count*^Weight", 12.5}, {3, "(^2+1)*2", 32},
      {1, "^6*100", 1234},       {1, "^5", 730560},        {1, "-^2+1", -4},
      {1, "^9", 0},              {1, "^Missing+1", 1},     {4, "^2+1", 1},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(evaluate(*store, c.record, c.text), c.want, 1e-9) << c.text << " @" << c.record;
  std::string text;
  EXPECT_EQ(field_number(*store, 1, FieldPath::of(5), &text), 730560);
  EXPECT_EQ(text, "29.02.2000");
}

TEST(Expression, CrossStoreReferences) {
  const std::string parent = fixture::fresh_dir("expr_cross");
  auto store = values_store(parent + "/Here");
  auto other = values_store(parent + "/Other");
  ASSERT_NE(store, nullptr);
  ASSERT_NE(other, nullptr);
  StoreLinks links;
  struct Case {
    const char* text;
    double want;
  } cases[] = {
      {"CX[\"Other\",2,^2]+1", 11},
      {"CX[Other,3,^Count]", 15},
      {"CX[3,^2]", 15},               // the current store, record 3
      {"CX[^2]", 5},                  // the current record
      {"CX[\"Nowhere\",2,^2]+1", 1},  // a store that does not open counts 0
      {"CX[\"Other\",9,^2]", 0},      // a record past the end
      {"1+CX[\"Other\",2,^2]", 1},    // after "+" an operand is never a cross reference
      {"1+CX[\"Other\",2,^2]*2", 21}, // ... unless it is the left operand of "*"
  };
  for (const auto& c : cases) EXPECT_NEAR(evaluate(*store, 1, c.text, &links), c.want, 1e-9) << c.text;
  EXPECT_EQ(links.paths(), std::vector<std::string>{parent + "/Other"});
}

TEST(Expression, NumberTextsOfIntegerFieldsAreEvaluated) {
  const std::string dir = fixture::fresh_dir("expr_parse");
  auto store = values_store(dir);
  ASSERT_NE(store, nullptr);
  ValueField price;
  price.type = FieldType::signed_integer;
  price.flags = 2;
  price.size = 4;
  std::vector<uint8_t> bytes;
  ASSERT_EQ(parse_value("1/4+^2", price, expression_context(*store, 2), bytes).length, 4);
  EXPECT_EQ(load_i32(bytes.data()), 1025);  // 10.25 with two implied decimals
  ValueField weight;
  weight.type = FieldType::double_float;
  weight.size = 8;
  ASSERT_EQ(parse_value("^Weight*2", weight, expression_context(*store, 1), bytes).length, 8);
  double d = 0;
  std::memcpy(&d, bytes.data(), 8);
  EXPECT_EQ(d, 5.0);
}

TEST(StoreLinks, MostRecentlyUsedFirstAndAtMost256) {
  const std::string parent = fixture::fresh_dir("links_list");
  for (int i = 0; i < 257; ++i) {
    const std::string dir = parent + "/S" + std::to_string(i);
    std::string error;
    ASSERT_TRUE(write_store(dir, {field("Name", FieldType::fixed_text, 4)}, {}, {}, &error))
        << error;
  }
  StoreLinks links;
  for (int i = 0; i < 257; ++i) ASSERT_NE(links.get(parent + "/S" + std::to_string(i)), nullptr);
  EXPECT_EQ(links.size(), 256u);
  EXPECT_EQ(links.paths().front(), parent + "/S256");
  EXPECT_EQ(links.paths().back(), parent + "/S1");  // S0 was the least recently used
  RecordStore* s5 = links.get(parent + "/S5");
  EXPECT_EQ(links.paths().front(), parent + "/S5");
  EXPECT_EQ(links.get(parent + "/S5"), s5);  // the same open store
  EXPECT_EQ(links.get(parent + "/none"), nullptr);
  EXPECT_EQ(links.size(), 256u);
}

TEST(StoreLinks, LinkNamesAreRelativeToTheContainingDirectory) {
  struct Case {
    const char* dir;
    const char* name;
    const char* want;
  } cases[] = {
      {"data/Base3", "Base1", "data/Base1"},  {"data/Base3", "Base1\nrest", "data/Base1"},
      {"data/Base3", "", "data"},             {"Base3", "Base1", "./Base1"},
      {"/Base3", "Base1", "/Base1"},          {"data/Base3", "/abs/S", "/abs/S"},
      {"data/Base3", "c:\\S", "c:\\S"},
  };
  for (const auto& c : cases) EXPECT_EQ(linked_store_path(c.dir, c.name), c.want) << c.name;
}

}  // namespace
}  // namespace bw::store
