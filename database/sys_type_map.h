// The system type map ("SYSTYPEMAP"): which value kind a JDBC column type is read as.
//
// A small rule table. A rule is a list of attribute pairs (name, value) and an answer; a query
// is a list of pairs too. A rule matches when every one of its pairs is in the query (names are
// lower-cased when parsed, values compare as written); of the matching rules the first with
// the most pairs wins, so a rule without pairs matches everything and loses to every other
// match. Scripts use one attribute, "systype", the JDBC type code in decimal.
//
// Thread rule: one thread at a time. The connection keeps the map most recently created; a
// record set reads it when it describes its columns.
//
// Statuses: 0 success, 1 failure (the component convention).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "database/db_object.h"
#include "interfaces/database.h"
#include "object/proxy_object.h"

class dbJDBCSysTypeMapC final
    : public dbObjectT<dbJDBCSysTypeMapC, proxyObjectC, dbISysTypeMap, dbiid::kSysTypeMap> {
 public:
  using Pairs = std::vector<std::pair<std::string, std::string>>;

  dbJDBCSysTypeMapC();

  int32_t addTranslation(int32_t sqlType, int32_t kind) override;
  // 1 (kind untouched) when no rule matches.
  int32_t getTranslation(int32_t sqlType, int32_t* kind) override;
  int32_t addTranslationText(const char* pairs, int32_t value) override;
  int32_t getTranslationText(const char* query, int32_t* value) override;

  // "a=1;B=2" gives ("a","1"), ("b","2"); a part without "=" has an empty value. Null is "".
  static Pairs parsePairs(const char* text);

 private:
  struct Rule {
    Pairs attributes;
    int32_t value;
  };

  dbScriptFn scriptAddTranslation, scriptGetTranslation;
  static proxyMethodTableC* table();

  std::vector<Rule> rules_;
};
