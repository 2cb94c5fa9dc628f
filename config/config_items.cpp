// Values, items and blocks of the configuration model.
#include <algorithm>
#include <string>

#include "config/config.h"
#include "config/config_text.h"
#include "interfaces/qzcom.h"

namespace qz::config {
namespace {

template <class T>
std::string joinFixed(const T* values, std::size_t count, int precision) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out += ',';
    out += formatFixed(static_cast<double>(values[i]), precision, CSConfigVal::kMaxPrecision);
  }
  return out;
}

template <class T, class Convert>
std::size_t splitInto(const std::string& text, T* buffer, std::size_t capacity, Convert convert) {
  if (buffer == nullptr) return 0;
  std::vector<std::string> parts = tokenize(text, ',', kNoQuote, false);
  std::size_t n = std::min(parts.size(), capacity);
  for (std::size_t i = 0; i < n; ++i) buffer[i] = convert(parts[i]);
  return n;
}

}  // namespace

// ---- CSConfigVal

void CSConfigVal::setText(const std::string& text) {
  text_ = text;
  modified_ = true;
}

int CSConfigVal::asInt() const {
  return parseInt(text_);
}

double CSConfigVal::asDouble() const {
  return parseDouble(text_);
}

bool CSConfigVal::asBool() const {
  std::string word = trimBlanks(text_);
  return qzEqualsIgnoringAsciiCase(word, "yes") || qzEqualsIgnoringAsciiCase(word, "ja") ||
         qzEqualsIgnoringAsciiCase(word, "true") || asInt() == 1;
}

int CSConfigVal::asIntClamped(int min, int max) {
  int n = asInt();
  if (n < min || n > max) {
    n = n < min ? min : max;
    setInt(n);
  }
  return n;
}

double CSConfigVal::asDoubleClamped(double min, double max, int precision) {
  double x = asDouble();
  if (x < min || x > max) {
    x = x < min ? min : max;
    setDouble(x, precision);
  }
  return x;
}

void CSConfigVal::setInt(int n) {
  setText(std::to_string(n));
}

void CSConfigVal::setDouble(double x, int precision) {
  setText(formatFixed(x, precision, kMaxPrecision));
}

void CSConfigVal::setBool(bool b) {
  setText(b ? "YES" : "NO");
}

void CSConfigVal::setInts(const int* values, std::size_t count) {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) out += ',';
    out += std::to_string(values[i]);
  }
  setText(out);
}

void CSConfigVal::setDoubles(const double* values, std::size_t count, int precision) {
  setText(joinFixed(values, count, precision));
}

void CSConfigVal::setFloats(const float* values, std::size_t count, int precision) {
  setText(joinFixed(values, count, precision));
}

std::size_t CSConfigVal::getInts(int* buffer, std::size_t capacity) const {
  return splitInto(text_, buffer, capacity, [](const std::string& s) { return parseInt(s); });
}

std::size_t CSConfigVal::getDoubles(double* buffer, std::size_t capacity) const {
  return splitInto(text_, buffer, capacity, [](const std::string& s) { return parseDouble(s); });
}

std::size_t CSConfigVal::getFloats(float* buffer, std::size_t capacity) const {
  return splitInto(text_, buffer, capacity,
                   [](const std::string& s) { return static_cast<float>(parseDouble(s)); });
}

std::vector<std::string> CSConfigVal::getList(char separator, int quote, bool skipEmpty) const {
  return tokenize(text_, separator, quote, skipEmpty);
}

void CSConfigVal::setList(const std::vector<std::string>& items, char separator, int quote) {
  setText(joinList(items, separator, quote));
}

// ---- CSConfigItem

CSConfigItem::CSConfigItem(CSConfigBlock* owner, std::string key, std::string defaultValue)
    : key_(std::move(key)), defaultValue_(std::move(defaultValue)), owner_(owner) {}

void CSConfigItem::setDefault(const std::string& text) {
  if (text.empty()) return;
  defaultValue_ = text;
  CSConfigVal* first = firstValue();
  if (first->text().empty()) first->assign(text);
}

CSConfigVal* CSConfigItem::value(std::size_t n) {
  while (values_.size() <= n) values_.push_back(std::make_unique<CSConfigVal>());
  return values_[n].get();
}

CSConfigVal* CSConfigItem::addValue() {
  values_.push_back(std::make_unique<CSConfigVal>());
  return values_.back().get();
}

const std::string& CSConfigItem::valueText(std::size_t n) const {
  static const std::string kEmpty;
  return n < values_.size() ? values_[n]->text() : kEmpty;
}

void CSConfigItem::setFlags(int flags) {
  flags_ = flags;
  if (owner_ != nullptr) owner_->syncActive(this);
}

// ---- CSConfigBlock

CSConfigBlock::CSConfigBlock(CSConfig* owner, std::string name)
    : name_(std::move(name)), owner_(owner) {}

CSConfigBlock::~CSConfigBlock() = default;

bool CSConfigBlock::isDefault() const {
  return qzEqualsIgnoringAsciiCase(trimBlanks(name_), kDefaultBlock);
}

bool CSConfigBlock::itemCaseInsensitive() const {
  return owner_ == nullptr || owner_->itemCaseInsensitive();
}

std::string CSConfigBlock::sortKeyOf(const std::string& key) const {
  return nameKey(key, itemCaseInsensitive());
}

CSConfigItem* CSConfigBlock::findAnyItem(const std::string& key) const {
  std::string wanted = sortKeyOf(key);
  auto it = std::lower_bound(
      sortedItems_.begin(), sortedItems_.end(), wanted,
      [](const CSConfigItem* item, const std::string& k) { return item->sortKey_ < k; });
  return it != sortedItems_.end() && (*it)->sortKey_ == wanted ? *it : nullptr;
}

CSConfigItem* CSConfigBlock::findItem(const std::string& key) const {
  CSConfigItem* item = findAnyItem(key);
  return item != nullptr && item->listedActive_ ? item : nullptr;
}

int CSConfigBlock::activeIndex(const CSConfigItem* item) const {
  auto it = std::find(activeItems_.begin(), activeItems_.end(), item);
  return it == activeItems_.end() ? -1 : static_cast<int>(it - activeItems_.begin());
}

CSConfigItem* CSConfigBlock::addItem(const std::string& key, const std::string& value, int flags) {
  if (CSConfigItem* item = findAnyItem(key)) {
    item->setDefault(value);
    bool wasActive = item->listedActive_;
    if ((flags & kItemHidden) == 0 && !wasActive) item->firstValue()->setText(value);
    // A plain lookup (flags 0) of a visible item must not wipe its forced mark.
    if (!(wasActive && flags == 0)) item->setFlags(flags);
    return item;
  }
  std::unique_ptr<CSConfigItem> created = createItem(key, value, flags);
  CSConfigItem* item = created.get();
  attach(std::move(created));
  if (item->valueCount() > 0) item->firstValue()->setModified(false);
  return item;
}

bool CSConfigBlock::removeItem(const std::string& key) {
  CSConfigItem* item = findAnyItem(key);
  if (item == nullptr) return false;
  if (item->listedActive_) activeItems_.erase(activeItems_.begin() + activeIndex(item));
  sortedItems_.erase(std::find(sortedItems_.begin(), sortedItems_.end(), item));
  allItems_.erase(std::find_if(allItems_.begin(), allItems_.end(),
                               [item](const auto& owned) { return owned.get() == item; }));
  return true;
}

std::unique_ptr<CSConfigItem> CSConfigBlock::createItem(const std::string& key,
                                                        const std::string& value, int flags) {
  auto item = std::make_unique<CSConfigItem>(this, key, value);
  if (!value.empty()) item->firstValue()->assign(value);
  item->flags_ = flags;
  return item;
}

void CSConfigBlock::attach(std::unique_ptr<CSConfigItem> item) {
  CSConfigItem* raw = item.get();
  raw->owner_ = this;
  raw->sortKey_ = sortKeyOf(raw->key_);
  raw->attached_ = true;
  allItems_.push_back(std::move(item));
  auto at = std::upper_bound(
      sortedItems_.begin(), sortedItems_.end(), raw->sortKey_,
      [](const std::string& k, const CSConfigItem* other) { return k < other->sortKey_; });
  sortedItems_.insert(at, raw);
  syncActive(raw);
}

void CSConfigBlock::syncActive(CSConfigItem* item) {
  bool wanted = item->attached_ && item->isActive();
  if (wanted == item->listedActive_) return;
  if (wanted) {
    activeItems_.push_back(item);
  } else {
    activeItems_.erase(std::find(activeItems_.begin(), activeItems_.end(), item));
  }
  item->listedActive_ = wanted;
}

void CSConfigBlock::resort() {
  for (auto& item : allItems_) item->sortKey_ = sortKeyOf(item->key_);
  std::stable_sort(
      sortedItems_.begin(), sortedItems_.end(),
      [](const CSConfigItem* a, const CSConfigItem* b) { return a->sortKey_ < b->sortKey_; });
}

void CSConfigBlock::clear() {
  activeItems_.clear();
  sortedItems_.clear();
  allItems_.clear();
}

void CSConfigBlock::copyFrom(const CSConfigBlock& other) {
  if (&other == this) return;
  clear();
  comment_ = other.comment_;
  flags_ = other.flags_;
  for (const auto& source : other.allItems_) {
    CSConfigItem* item = addItem(source->key_, source->valueText(0), source->flags_);
    item->defaultValue_ = source->defaultValue_;
    item->comment_ = source->comment_;
    item->values_.clear();
    for (const auto& value : source->values_) {
      item->values_.push_back(std::make_unique<CSConfigVal>(*value));
    }
  }
}

bool CSConfigBlock::mergeFrom(const CSConfigBlock& source) {
  flags_ = source.flags_;
  if (source.testFlag(kBlockMarked)) return false;
  for (std::size_t i = 0; i < source.allItems_.size(); ++i) {
    const CSConfigItem& from = *source.allItems_[i];
    const std::string& value = from.valueText(0);
    CSConfigItem* to = nullptr;
    if ((from.flags_ & kItemHidden) != 0) {
      to = addItem(from.key_, "", from.flags_);
      to->firstValue()->setText(value);
    } else if (from.hasFlag(kItemForced)) {
      to = addItem(from.key_, "", 0);
      to->setFlags(kItemForced);
      to->firstValue()->setText(value);
    } else {
      to = addItem(from.key_, value, 0);
      to->setFlags(kItemNormal);
    }
    to->setComment(from.comment_);
  }
  return true;
}

}  // namespace qz::config
