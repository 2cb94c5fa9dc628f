// CSConfig: cursor operations, numbered keys and enumeration.
#include <algorithm>
#include <string>

#include "config/config.h"
#include "config/config_text.h"
#include "interfaces/qzcom.h"

namespace qz::config {
namespace {

// The position a key holds in the family of prefix, or 0 when it is not a member.
int familyIndex(const std::string& key, const std::string& prefix, bool caseInsensitive) {
  std::string k = trimBlanks(key);
  if (k.size() <= prefix.size()) return 0;
  std::string head = k.substr(0, prefix.size());
  bool same = caseInsensitive ? qzEqualsIgnoringAsciiCase(head, prefix) : head == prefix;
  if (!same) return 0;
  long long n = 0;
  for (std::size_t i = prefix.size(); i < k.size(); ++i) {
    if (k[i] < '0' || k[i] > '9') return 0;
    n = n * 10 + (k[i] - '0');
    if (n > CSConfig::kMaxNumberedIndex) return 0;
  }
  return static_cast<int>(n);
}

bool containsText(const std::string& text, const std::string& part, bool caseInsensitive) {
  if (!caseInsensitive) return text.find(part) != std::string::npos;
  return nameKey(text, true).find(nameKey(part, true)) != std::string::npos;
}

}  // namespace

// ---- enumeration

std::vector<std::string> CSConfig::blockNames(const std::string& part) const {
  std::vector<std::string> names;
  for (const auto& block : blocks_) {
    if (part.empty() || containsText(block->name(), part, blockCaseInsensitive_)) {
      names.push_back(block->name());
    }
  }
  return names;
}

std::vector<std::string> CSConfig::itemKeys(const std::string& block) const {
  std::vector<std::string> keys;
  if (CSConfigBlock* owner = findBlock(block)) {
    for (std::size_t i = 0; i < owner->itemCount(); ++i) keys.push_back(owner->item(i)->key());
  }
  return keys;
}

// ---- numbered keys

void CSConfig::setNumbered(const std::string& prefix, const std::string& block,
                           const std::vector<std::string>& values) {
  CSConfigBlock* owner = getOrCreateBlock(block);
  // Members the new list does not have would come back as elements on the next read.
  std::vector<std::string> stale;
  for (std::size_t i = 0; i < owner->itemCount(); ++i) {
    const std::string& key = owner->item(i)->key();
    int n = familyIndex(key, prefix, itemCaseInsensitive_);
    if (n == 0) continue;
    bool canonical = trimBlanks(key).size() == prefix.size() + std::to_string(n).size();
    if (n > static_cast<int>(values.size()) || !canonical) stale.push_back(key);
  }
  for (const std::string& key : stale) removeItem(key, block);
  for (std::size_t i = 0; i < values.size(); ++i) {
    getOrCreateItem(prefix + std::to_string(i + 1), block)->firstValue()->setText(values[i]);
  }
}

void CSConfig::setNumberedInts(const std::string& prefix, const std::string& block,
                               const std::vector<int>& values) {
  std::vector<std::string> texts;
  for (int n : values) texts.push_back(std::to_string(n));
  setNumbered(prefix, block, texts);
}

void CSConfig::setNumberedDoubles(const std::string& prefix, const std::string& block,
                                  const std::vector<double>& values, int precision) {
  std::vector<std::string> texts;
  for (double x : values) texts.push_back(formatFixed(x, precision, CSConfigVal::kMaxPrecision));
  setNumbered(prefix, block, texts);
}

std::vector<std::string> CSConfig::getNumbered(const std::string& prefix,
                                               const std::string& block) const {
  std::vector<std::string> out;
  CSConfigBlock* owner = findBlock(block);
  if (owner == nullptr) return out;
  for (std::size_t i = 0; i < owner->itemCount(); ++i) {
    CSConfigItem* item = owner->item(i);
    int n = familyIndex(item->key(), prefix, itemCaseInsensitive_);
    if (n == 0) continue;
    if (out.size() < static_cast<std::size_t>(n)) out.resize(n);
    out[n - 1] = item->valueText(0);
  }
  return out;
}

std::vector<int> CSConfig::getNumberedInts(const std::string& prefix,
                                           const std::string& block) const {
  std::vector<int> out;
  for (const std::string& text : getNumbered(prefix, block)) out.push_back(parseInt(text));
  return out;
}

std::vector<double> CSConfig::getNumberedDoubles(const std::string& prefix,
                                                 const std::string& block) const {
  std::vector<double> out;
  for (const std::string& text : getNumbered(prefix, block)) out.push_back(parseDouble(text));
  return out;
}

// ---- cursor

bool CSConfig::selectBlock(const std::string& name) {
  bool existed = hasBlock(name);
  CSConfigBlock* block = getOrCreateBlock(name);
  cursorBlock_ = block->name();
  cursorKey_.clear();
  cursorItem_ = -1;
  auto it = std::find_if(blocks_.begin(), blocks_.end(),
                         [block](const auto& owned) { return owned.get() == block; });
  cursorBlockIndex_ = static_cast<int>(it - blocks_.begin());
  return existed;
}

CSConfigBlock* CSConfig::nextBlock() {
  int next = cursorBlockIndex_ + 1;
  if (next >= static_cast<int>(blocks_.size())) {
    cursorBlockIndex_ = static_cast<int>(blocks_.size());
    return nullptr;
  }
  CSConfigBlock* block = blocks_[next].get();
  cursorBlockIndex_ = next;
  cursorBlock_ = block->name();
  cursorKey_.clear();
  cursorItem_ = -1;
  return block;
}

CSConfigItem* CSConfig::nextItem() {
  CSConfigBlock* block = findBlock(cursorBlock_);
  if (block == nullptr) return nullptr;
  int next = cursorItem_ + 1;
  if (next >= static_cast<int>(block->itemCount())) {
    cursorItem_ = static_cast<int>(block->itemCount());
    return nullptr;
  }
  cursorItem_ = next;
  CSConfigItem* item = block->item(next);
  cursorKey_ = item->key();
  return item;
}

void CSConfig::setString(const std::string& key, const std::string& text) {
  cursorKey_ = key;
  getOrCreateItem(key, cursorBlock_)->firstValue()->setText(text);
}

bool CSConfig::getString(const std::string& key, std::string& out) {
  cursorKey_ = key;
  CSConfigItem* item = findItem(key, cursorBlock_);
  if (item == nullptr) return false;
  out = item->valueText(0);
  return true;
}

void CSConfig::setDouble(const std::string& key, double x) {
  setString(key, formatFixed(x, 6, CSConfigVal::kMaxPrecision));
}

namespace {

// out becomes the number the text holds; false, out untouched, when it holds none.
template <class T>
bool parseNumber(const std::string& text, T (*parse)(std::string_view, bool*), T& out) {
  bool converted = false;
  const T x = parse(text, &converted);
  if (converted) out = x;
  return converted;
}

}  // namespace

bool CSConfig::getDouble(const std::string& key, double& out) {
  std::string text;
  return getString(key, text) && parseNumber(text, parseDouble, out);
}

void CSConfig::setInt(const std::string& key, int n) {
  setString(key, std::to_string(n));
}

bool CSConfig::getInt(const std::string& key, int& out) {
  std::string text;
  return getString(key, text) && parseNumber(text, parseInt, out);
}

void CSConfig::setBool(const std::string& key, bool b) {
  setString(key, b ? "true" : "false");
}

bool CSConfig::getBool(const std::string& key, bool& out) {
  std::string text;
  if (!getString(key, text)) return false;
  std::string word = trimBlanks(text);
  out = qzEqualsIgnoringAsciiCase(word, "true") || qzEqualsIgnoringAsciiCase(word, "yes") ||
        qzEqualsIgnoringAsciiCase(word, "ja") || word == "1";
  return true;
}

void CSConfig::setStrings(const std::string& key, const std::vector<std::string>& values) {
  setString(key, joinList(values, ',', '"'));
}

bool CSConfig::getStrings(const std::string& key, std::vector<std::string>& out) {
  std::string text;
  if (!getString(key, text)) return false;
  out = tokenize(text, ',', '"', false);
  return true;
}

void CSConfig::setInts(const std::string& key, const std::vector<int>& values) {
  getOrCreateItem(key, cursorBlock_)->firstValue()->setInts(values.data(), values.size());
  cursorKey_ = key;
}

namespace {

// The numbers of a list item's text, its parts apart by commas.
template <class T>
std::vector<T> parseNumbers(const std::string& text, T (*parse)(std::string_view, bool*)) {
  std::vector<T> out;
  for (const std::string& part : tokenize(text, ',', kNoQuote, false)) {
    out.push_back(parse(part, nullptr));
  }
  return out;
}

}  // namespace

bool CSConfig::getInts(const std::string& key, std::vector<int>& out) {
  std::string text;
  if (!getString(key, text)) return false;
  out = parseNumbers(text, parseInt);
  return true;
}

void CSConfig::setDoubles(const std::string& key, const std::vector<double>& values) {
  getOrCreateItem(key, cursorBlock_)->firstValue()->setDoubles(values.data(), values.size(), 6);
  cursorKey_ = key;
}

bool CSConfig::getDoubles(const std::string& key, std::vector<double>& out) {
  std::string text;
  if (!getString(key, text)) return false;
  out = parseNumbers(text, parseDouble);
  return true;
}

bool CSConfig::removeCursorItem(const std::string& key) {
  bool removed = removeItem(key, cursorBlock_);
  sendChanged();
  return removed;
}

bool CSConfig::removeItemAndNotify(const std::string& block, const std::string& key) {
  if (!hasBlock(block)) return false;
  selectBlock(block);
  return removeCursorItem(key);
}

}  // namespace qz::config
