// libFuzzer entry: any bytes, cut at line feeds, go through qzsql's statement splitter without a
// crash; each statement found splits again into itself, and its prepared text keeps to the
// engine's query rule and strips back to the same statement.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/visible_text.h"
#include "tools/qzsql/statements.h"

namespace {

using qzsql::Piece;

using qztest::visible;

[[noreturn]] void fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "%s:\n%s\n", what, visible(text).c_str());
  std::abort();
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    out.push_back(text.substr(start, nl - start));
  }
  out.push_back(text.substr(start));
  return out;
}

// The pieces; *open tells whether the last one was left open at the end of the input.
std::vector<Piece> split(const std::vector<std::string>& lines, bool* open = nullptr) {
  qzsql::StatementSplitter s;
  std::vector<Piece> out;
  for (const std::string& l : lines) {
    s.addLine(l);
    while (std::optional<Piece> p = s.next()) out.push_back(*p);
    (void)s.state();
  }
  std::optional<Piece> rest = s.finish();
  if (rest) out.push_back(*rest);
  if (open) *open = rest.has_value();
  if (s.pending() || s.state() != '=') fail("pending after finish", lines.back());
  return out;
}

// Where the engine sees "SELECT", in any letter case.
size_t selectAt(const std::string& text) {
  std::string u = text;
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u.find("SELECT");
}

void checkPrepared(const std::string& stripped) {
  if (qzsql::stripComments(stripped) != stripped) fail("stripping twice changes", stripped);
  (void)qzsql::firstWord(stripped);
  (void)qzsql::returnsRows(stripped);
  std::string query = qzsql::prepareSql(stripped, true);
  if (selectAt(query) >= 6) fail("a query the engine does not run as one", query);
  std::string update = qzsql::prepareSql(stripped, false);
  size_t at = selectAt(update);
  if (at != std::string::npos && at < 7) fail("an update the engine counts as a query", update);
  if (qzsql::stripComments(query) != stripped) fail("the query marker stays", query);
  if (qzsql::stripComments(update) != stripped) fail("the update padding stays", update);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = linesOf(input);
  bool open = false;
  const std::vector<Piece> pieces = split(lines, &open);
  for (size_t k = 0; k < pieces.size(); ++k) {
    const Piece& p = pieces[k];
    // A meta-command line amid a pending statement runs at once, so pieces need not come in
    // the order of their first lines.
    if (p.line < 1 || p.line > static_cast<int>(lines.size())) fail("line out of range", p.text);
    if (p.kind == Piece::Kind::kMeta) {
      if (p.text.empty() || p.text[0] != '\\' || p.text.find('\n') != std::string::npos)
        fail("a meta-command that is not one line starting with a backslash", p.text);
      continue;
    }
    const std::string stripped = qzsql::stripComments(p.text);
    if (stripped.empty()) fail("a statement of blanks and comments", p.text);
    checkPrepared(stripped);
    // A line of its own that starts with a backslash is a meta-command, so only a statement
    // that does not start with one comes back whole; and one left open at the end of the input
    // (in a quote or comment, say) takes the ";" in.
    if (p.text[0] == '\\' || (open && k + 1 == pieces.size())) continue;
    std::vector<Piece> again = split(linesOf(p.text + ";"));
    if (again.size() != 1 || again[0].kind != Piece::Kind::kSql || again[0].text != p.text)
      fail("a statement splits differently on its own", p.text);
  }
  return 0;
}
