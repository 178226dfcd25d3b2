// The written form of expressions: what the checker refuses and where, and bwtool store
// eval refusing a malformed expression while the evaluator keeps its own reading.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "fixture_stores.h"
#include "store/expression.h"
#include "store/expression_check.h"

namespace bw::store {
namespace {

using fixture::field;

// Field 1 "Name", 2 "Count" (5), 3 "Size" (a group of "Wide" 7 and "High" 2).
std::unique_ptr<RecordStore> small_store(const std::string& dir) {
  return fixture::build(
      dir,
      {field("Name", FieldType::fixed_text, 4), field("Count", FieldType::signed_integer, 4),
       field("Size", FieldType::group, 2, 0,
             {field("Wide", FieldType::signed_integer, 1),
              field("High", FieldType::signed_integer, 1)})},
      {{WriterValue::of_text("a"), WriterValue::of_integer(5, 4),
        WriterValue::of_members({WriterValue::of_integer(7, 1), WriterValue::of_integer(2, 1)})}});
}

TEST(ExpressionCheck, SoundTextsPass) {
  auto store = small_store(fixture::fresh_dir("check_sound"));
  ASSERT_NE(store, nullptr);
  for (const char* text :
       {"2*(3+4)", "1/3*3", "-2*3", "2*-3", "1--2", " 2 * ( 1 + 1 ) * 2 ", "((2))", "1e-3*1000",
        ".5+5.", "^2*2", "^Count*^Size.Wide", "^3.1[X]+1", "-(1+2)", "CX[\"Other\",2,^2]+1",
        "CX[3,^2]", "CX[^Count]", "1+CX[Other,2,^2]*2", "(CX[Other,2,^2])*3", "1+(-CX[2,^2])",
        "1/0", "+7"}) {
    const auto fault = check_expression(text, store.get());
    EXPECT_FALSE(fault) << text << ": " << describe_fault(text, *fault);
  }
}

TEST(ExpressionCheck, MalformedTextsAreRefusedWhereTheyGoWrong) {
  auto store = small_store(fixture::fresh_dir("check_bad"));
  ASSERT_NE(store, nullptr);
  struct Case {
    std::string text;
    size_t position;     // 0-based
    const char* reason;  // part of the reason
  } cases[] = {
      {"((1)", 0, "never closed"},
      {"2^3", 1, "operator expected"},
      {"1 2", 2, "operator expected"},
      {"1+", 2, "missing at the end after \"+\""},
      {"abc", 0, "a number, a field"},
      {"", 0, "empty"},
      {"(1))", 3, "without a \"(\""},
      {"()", 1, "before \")\""},
      {"1*/2", 2, "two operators"},
      {"(1)(2)", 3, "operator expected"},
      {"2(3)", 1, "operator expected"},
      {"1.2.3", 3, "operator expected"},
      {"1e", 1, "operator expected"},
      {"-", 1, "after the sign"},
      {"^", 0, "no field"},
      {"^Missing+1", 0, "no field"},
      {"^2x", 2, "operator expected"},
      {"^ 2", 0, "no field"},
      {"CX[2,^2", 0, "never closed"},
      {"CX[2,3]", 0, "field path"},
      {"CX[0,^2]", 0, "record number"},
      {"CX[,2,^2]", 0, "names no store"},
      {"1+CX[Other,2,^2]", 2, "read only first"},
      {"1+(CX[Other,2,^2])", 3, "read only first"},
      {"2*CX[Other,2,^2]", 2, "read only first"},
      {"1\n", 1, "operator expected"},
      {std::string(kMaxExpressionLength, '1'), 0, ""},  // the longest: sound
      {std::string(kMaxExpressionLength + 1, '1'), kMaxExpressionLength, "longer than 16384"},
  };
  for (const auto& c : cases) {
    const auto fault = check_expression(c.text, store.get());
    const std::string shown = c.text.substr(0, 20);
    if (*c.reason == '\0') {
      EXPECT_FALSE(fault) << shown;
      continue;
    }
    ASSERT_TRUE(fault) << shown;
    EXPECT_EQ(fault->position, c.position) << shown << ": " << fault->reason;
    EXPECT_NE(fault->reason.find(c.reason), std::string::npos) << shown << ": " << fault->reason;
    const std::string line = describe_fault(c.text, *fault);
    EXPECT_EQ(line.find('\n'), std::string::npos) << shown;
  }
  // Deep nesting is checked without deep recursion.
  const std::string deep = std::string(8000, '(') + "1" + std::string(8000, ')');
  EXPECT_FALSE(check_expression(deep, store.get()));
  // Without the store, names are taken as written.
  EXPECT_FALSE(check_expression("^Count*2+^2.2"));
  EXPECT_TRUE(check_expression("^Count*2+"));
}

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string slurp(const std::string& path) {
  const auto bytes = fixture::read_file(path);
  return std::string(bytes.begin(), bytes.end());
}

ToolRun store_eval(const std::string& store, const std::string& record,
                   const std::string& expression) {
  const std::string out = std::string(BW_TEST_TMPDIR) + "/eval.out";
  const std::string err = std::string(BW_TEST_TMPDIR) + "/eval.err";
  const std::string command = std::string(BW_BWTOOL) + " store eval '" + store + "' " + record +
                              " '" + expression + "' >" + out + " 2>" + err;
  ToolRun run;
  const int status = std::system(command.c_str());
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = slurp(out);
  run.err = slurp(err);
  return run;
}

TEST(ExpressionTool, RefusesMalformedExpressionsAndNamesStoredOnes) {
  auto store = small_store(fixture::fresh_dir("tool_eval"));
  ASSERT_NE(store, nullptr);
  const std::string dir = std::string(BW_TEST_TMPDIR) + "/tool_eval";
  struct Case {
    const char* expression;
    std::string err;  // the whole line
  } cases[] = {
      {"2^3", "bwtool store eval: malformed expression at character 2 (\"^3\"): an operator "
              "expected (read as it stands: 2.000000)\n"},
      {"1 2", "bwtool store eval: malformed expression at character 3 (\"2\"): an operator "
              "expected (read as it stands: 12.000000)\n"},
      {"((1)", "bwtool store eval: malformed expression at character 1 (\"((1)\"): this \"(\" is "
               "never closed (read as it stands: 0.000000)\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = store_eval(dir, "1", c.expression);
    EXPECT_EQ(run.status, 2) << c.expression;
    EXPECT_EQ(run.out, "") << c.expression;
    EXPECT_EQ(run.err, c.err) << c.expression;
  }
  const ToolRun good = store_eval(dir, "1", "^Count*(1+1)");
  EXPECT_EQ(good.status, 0);
  EXPECT_EQ(good.out, "10.000000\n");
  EXPECT_EQ(good.err, "");

  // A stored expression keeps the evaluator's reading ("(1+" counts as 0); the tool says
  // that it is malformed, once.
  const fixture::Linked linked = fixture::linked_stores("tool_eval_linked");
  const ToolRun stored = store_eval(linked.parent + "/A", "2", "^4+^4+1");
  EXPECT_EQ(stored.status, 0);
  EXPECT_EQ(stored.out, "1.000000\n");
  EXPECT_EQ(stored.err,
            "bwtool store eval: the stored expression \"(1+\" is malformed at character 4: an "
            "operand is missing at the end after \"+\"; it counts as 0.000000\n");
  const ToolRun sound = store_eval(linked.parent + "/A", "1", "^4");
  EXPECT_EQ(sound.status, 0);
  EXPECT_EQ(sound.err, "");
}

}  // namespace
}  // namespace bw::store
