// bwtool store eval: the value of an expression in the context of one record.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "command.h"
#include "store/expression.h"
#include "store/record_store.h"
#include "store/value_text.h"

namespace bwtool {
namespace {

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
  int failure = 0;
  auto store = bw::store::RecordStore::open(args[0], failure);
  if (!store) {
    std::fprintf(stderr, "bwtool store eval: cannot open store \"%s\" (code %d)\n", args[0],
                 failure);
    return 1;
  }
  bw::store::StoreLinks links;
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
