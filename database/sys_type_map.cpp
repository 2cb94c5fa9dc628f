#include "database/sys_type_map.h"

#include <algorithm>
#include <cstring>

#include "database/db_object.h"

namespace {

constexpr char kSysTypeAttribute[] = "systype";

std::string sysTypeQuery(int32_t sqlType) {
  return std::string(kSysTypeAttribute) + "=" + std::to_string(sqlType);
}

}  // namespace

dbJDBCSysTypeMapC::dbJDBCSysTypeMapC() : dbObjectT(table()) {}

dbJDBCSysTypeMapC::Pairs dbJDBCSysTypeMapC::parsePairs(const char* text) {
  Pairs pairs;
  std::string rest = text ? text : "";
  while (!rest.empty()) {
    size_t end = rest.find(';');
    std::string part = rest.substr(0, end);
    rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
    size_t eq = part.find('=');
    std::string name = part.substr(0, eq);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
    pairs.emplace_back(std::move(name),
                       eq == std::string::npos ? std::string() : part.substr(eq + 1));
  }
  return pairs;
}

int32_t dbJDBCSysTypeMapC::addTranslation(int32_t sqlType, int32_t kind) {
  return addTranslationText(sysTypeQuery(sqlType).c_str(), kind);
}

int32_t dbJDBCSysTypeMapC::getTranslation(int32_t sqlType, int32_t* kind) {
  return getTranslationText(sysTypeQuery(sqlType).c_str(), kind);
}

int32_t dbJDBCSysTypeMapC::addTranslationText(const char* pairs, int32_t value) {
  try {
    rules_.push_back({parsePairs(pairs), value});
    return kQzOk;
  } catch (...) {
    return kQzFailed;
  }
}

int32_t dbJDBCSysTypeMapC::getTranslationText(const char* query, int32_t* value) {
  try {
    const Pairs asked = parsePairs(query);
    const Rule* best = nullptr;
    for (const Rule& rule : rules_) {
      bool all = std::all_of(rule.attributes.begin(), rule.attributes.end(), [&](const auto& a) {
        return std::find(asked.begin(), asked.end(), a) != asked.end();
      });
      if (all && (!best || rule.attributes.size() > best->attributes.size())) best = &rule;
    }
    if (!best) return kQzFailed;
    if (value) *value = best->value;
    return kQzOk;
  } catch (...) {
    return kQzFailed;
  }
}

void dbJDBCSysTypeMapC::scriptAddTranslation(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  int32_t sqlType = args.getInt(0);
  int32_t kind = args.getInt(1);
  addTranslation(sqlType, kind);
  result.setInt(1);
}

void dbJDBCSysTypeMapC::scriptGetTranslation(proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
  int32_t kind = 0;
  if (getTranslation(args.getInt(0), &kind) != kQzOk) kind = 0;
  result.setInt(kind);
}

proxyMethodTableC* dbJDBCSysTypeMapC::table() {
  using T = dbJDBCSysTypeMapC;
  return dbTable<T>({
      dbMethod<&T::scriptAddTranslation>("addTranslation", 2),
      dbMethod<&T::scriptGetTranslation>("getTranslation", 1),
  });
}
