// bwtool store eval: the value of an expression in the context of one record.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "command.h"
#include "store/expression.h"
#include "store/expression_check.h"
#include "store/record_store.h"
#include "store/value_text.h"

namespace bwtool {
namespace {

// At most 60 characters of `text`, on one line.
std::string shown(std::string_view text) {
  std::string line(text.substr(0, 60));
  for (char& c : line)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text.size() > 60 ? line + "..." : line;
}

int run_eval(std::span<char* const> args) {
  if (args.size() != 3) {
    std::fputs("usage: bwtool store eval DIR RECORD EXPRESSION\n", stderr);
    return kUsageError;
  }
  char* end = nullptr;
  errno = 0;
  const long record = std::strtol(args[1], &end, 10);
  if (errno != 0 || end == args[1] || *end != '\0' || record < 1 || record > INT_MAX) {
    std::fprintf(stderr, "bwtool store eval: \"%s\" is not a record number\n", args[1]);
    return kUsageError;
  }
  bw::store::OpenFailure failure{};
  auto store = bw::store::RecordStore::open(args[0], failure);
  if (!store) {
    std::fprintf(stderr, "bwtool store eval: cannot open store \"%s\" (code %d)\n", args[0],
                 static_cast<int>(failure));
    return 1;
  }
  bw::store::StoreLinks links;
  // The evaluator reads any text and would answer a mistyped expression with a number:
  // refuse it, saying where it goes wrong and what the evaluator would make of it.
  if (const auto fault = bw::store::check_expression(args[2], store.get())) {
    const double taken = bw::store::evaluate(*store, static_cast<int>(record), args[2], &links);
    std::fprintf(stderr, "bwtool store eval: malformed expression %s (read as it stands: %s)\n",
                 bw::store::describe_fault(args[2], *fault).c_str(),
                 bw::store::fixed_text(taken, 6).c_str());
    return kUsageError;
  }
  // Expressions stored in fields keep the evaluator's reading; a malformed one is pointed
  // out once, beside the value it gives.
  std::set<std::string> told;
  const std::string_view given = args[2];
  bw::store::ListenToExpressions listen([&](std::string_view text, double value) {
    if (text.data() == given.data() || !told.insert(std::string(text)).second) return;
    if (const auto fault = bw::store::check_expression(text))
      std::fprintf(stderr, "bwtool store eval: the stored expression \"%s\" is malformed %s; "
                   "it counts as %s\n", shown(text).c_str(),
                   bw::store::describe_fault(text, *fault).c_str(),
                   bw::store::fixed_text(value, 6).c_str());
  });
  const double value = bw::store::evaluate(*store, static_cast<int>(record), args[2], &links);
  std::printf("%s\n", bw::store::fixed_text(value, 6).c_str());
  // Virtual fields read as nothing when the library was refused: say why.
  if (!links.plugin().refusal().empty())
    std::fprintf(stderr, "bwtool store eval: %s\n", links.plugin().refusal().c_str());
  return 0;
}

const CommandRegistration eval(
    "store eval",
    "  store eval DIR RECORD EXPRESSION\n"
    "                          value of an expression (+ - * / ( ) ^field CX[store,rec,^field]);\n"
    "                          a malformed one is refused (status 2) saying where it goes\n"
    "                          wrong, a malformed stored one named beside its value;\n"
    "                          links and expression fields are followed; virtual fields come\n"
#ifdef _WIN32
    "                          from DIR\\Methods.dll, which is never loaded when DIR or the\n"
    "                          library belongs to another user, or its access list lets\n"
    "                          anyone but its owner, the administrators and the system write\n"
    "                          it (Everyone, Users, Authenticated Users...)\n",
#else
    "                          from DIR/Methods.so, which is never loaded when DIR or the\n"
    "                          library can be written by other users\n",
#endif
    &run_eval);

}  // namespace
}  // namespace bwtool
