// CSConfig: blocks, reading, writing and merging. Cursor operations, numbered keys and
// enumeration are in config_access.cpp.
#include "config/config.h"

#include <algorithm>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
#include <system_error>

#include "config/config_file.h"
#include "config/config_text.h"
#include "config/expand.h"
#include "interfaces/qzcom.h"

namespace qz::config {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFileBuckets = 64;
constexpr std::size_t kStreamBuckets = 256;

// A header: the first character that is not a blank is "[" and a "]" follows. Carriage
// returns count as blanks here as they do in trimming, or a comment line written back
// without its leading CR would turn into a header.
bool parseHeader(const std::string& text, std::string* name) {
  std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos || text[first] != '[') return false;
  // Only blanks stand before the "[", so the first "]" always follows it.
  std::size_t close = text.find(']', first);
  if (close == std::string::npos) return false;
  if (name != nullptr) *name = trimBlanks(text.substr(first + 1, close - first - 1));
  return true;
}

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

void stripLineEnd(std::string& line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
}

// An item line must read back as an item: a key that starts like a comment is written one
// blank in, which the reader trims away again.
std::string itemLine(const std::string& key, const std::string& value) {
  bool looksLikeComment =
      !key.empty() && (key[0] == ';' || key[0] == '*' || key[0] == '!' || key[0] == '#');
  std::string line;
  line.reserve(key.size() + value.size() + 3);
  if (looksLikeComment) line += ' ';
  line += key;
  line += '=';
  line += value;
  line += '\n';
  return line;
}

}  // namespace

NotificationEventConfigChanged::~NotificationEventConfigChanged() = default;

// ---- construction

CSConfig::CSConfig() : blockIndex_(kFileBuckets) {}

CSConfig::CSConfig(const std::string& fileName, bool caseInsensitive)
    : fileName_(fileName),
      itemCaseInsensitive_(caseInsensitive),
      blockCaseInsensitive_(caseInsensitive),
      blockIndex_(kFileBuckets) {
  if (!fileName_.empty()) load(fileName_);
}

CSConfig::CSConfig(const char* fileName, bool caseInsensitive)
    : CSConfig(std::string(fileName != nullptr ? fileName : ""), caseInsensitive) {}

CSConfig::CSConfig(std::istream* in, std::ostream* out, bool caseInsensitive)
    : inStream_(in),
      outStream_(out),
      itemCaseInsensitive_(caseInsensitive),
      blockCaseInsensitive_(caseInsensitive),
      blockIndex_(kStreamBuckets) {
  if (inStream_ != nullptr) readStream(*inStream_, false);
}

CSConfig& CSConfig::operator=(const CSConfig& other) {
  if (&other == this) return *this;
  // Ids name (key, block) pairs of this configuration, not content: they stay.
  std::vector<CSConfigId> ids = std::move(ids_);
  clearContent();
  multiLine_ = other.multiLine_;
  itemCaseInsensitive_ = other.itemCaseInsensitive_;
  blockCaseInsensitive_ = other.blockCaseInsensitive_;
  trailingComment_ = other.trailingComment_;
  for (const auto& block : other.blocks_) getOrCreateBlock(block->name())->copyFrom(*block);
  ids_ = std::move(ids);
  return *this;
}

CSConfig::~CSConfig() {
  if (saveOnDestroy_) {
    try {
      save();
    } catch (...) {
      // A destructor has nobody to report to; the file keeps its old content.
    }
  }
}

// ---- blocks and items

std::string CSConfig::blockKey(const std::string& name) const {
  // "<default>" is one block whatever the case rule, as it is never written with a header
  // that could tell two apart.
  std::string key = nameKey(name, blockCaseInsensitive_);
  if (qzEqualsIgnoringAsciiCase(key, kDefaultBlock)) return kDefaultBlock;
  return key;
}

CSConfigBlock* CSConfig::findBlock(const std::string& name) const {
  std::string key = blockKey(name);
  if (lastBlock_ != nullptr && blockKey(lastBlock_->name()) == key) return lastBlock_;
  auto it = blockIndex_.find(key);
  if (it == blockIndex_.end()) return nullptr;
  lastBlock_ = it->second;
  return lastBlock_;
}

CSConfigBlock* CSConfig::getOrCreateBlock(const std::string& name) {
  if (CSConfigBlock* found = findBlock(name)) return found;
  std::string key = blockKey(name);
  bool isDefault = key == kDefaultBlock;
  std::unique_ptr<CSConfigBlock> created = createBlock(isDefault ? kDefaultBlock : name);
  CSConfigBlock* block = created.get();
  if (isDefault) {
    blocks_.insert(blocks_.begin(), std::move(created));
    if (cursorBlockIndex_ >= 0) ++cursorBlockIndex_;
  } else {
    blocks_.push_back(std::move(created));
  }
  blockIndex_.emplace(key, block);
  lastBlock_ = block;
  return block;
}

std::unique_ptr<CSConfigBlock> CSConfig::createBlock(const std::string& name) {
  return std::make_unique<CSConfigBlock>(this, name);
}

bool CSConfig::removeBlock(const std::string& name) {
  CSConfigBlock* block = findBlock(name);
  if (block == nullptr) return false;
  auto it = std::find_if(blocks_.begin(), blocks_.end(),
                         [block](const auto& owned) { return owned.get() == block; });
  int index = static_cast<int>(it - blocks_.begin());
  if (blockKey(cursorBlock_) == blockKey(block->name())) {
    cursorBlock_.clear();
    cursorKey_.clear();
    cursorItem_ = -1;
  }
  if (index <= cursorBlockIndex_) --cursorBlockIndex_;
  blockIndex_.erase(blockKey(block->name()));
  lastBlock_ = nullptr;
  blocks_.erase(it);
  return true;
}

bool CSConfig::removeBlockAndNotify(const std::string& name) {
  bool removed = removeBlock(name);
  sendChanged();
  return removed;
}

CSConfigItem* CSConfig::getOrCreateItem(const std::string& key, const std::string& block,
                                        const char* defaultValue) {
  return getOrCreateBlock(block)->addItem(key, defaultValue != nullptr ? defaultValue : "", 0);
}

bool CSConfig::removeItem(const std::string& key, const std::string& block) {
  CSConfigBlock* owner = findBlock(block);
  if (owner == nullptr) return false;
  CSConfigItem* item = owner->findAnyItem(key);
  if (item == nullptr) return false;
  if (blockKey(cursorBlock_) == blockKey(owner->name())) {
    int index = owner->activeIndex(item);
    if (index >= 0 && index <= cursorItem_) --cursorItem_;
    if (nameKey(cursorKey_, itemCaseInsensitive_) == nameKey(key, itemCaseInsensitive_)) {
      cursorKey_.clear();
    }
  }
  return owner->removeItem(key);
}

CSConfigItem* CSConfig::findItem(const std::string& key, const std::string& block) const {
  CSConfigBlock* owner = findBlock(block);
  return owner != nullptr ? owner->findItem(key) : nullptr;
}

CSConfigVal* CSConfig::getValue(const std::string& key, const std::string& block,
                                const char* defaultValue) {
  return getOrCreateItem(key, block, defaultValue)->firstValue();
}

int CSConfig::defineId(int id, const std::string& key, const std::string& block,
                       const char* defaultValue) {
  auto bound =
      std::find_if(ids_.begin(), ids_.end(), [id](const CSConfigId& e) { return e.id == id; });
  if (bound == ids_.end()) ids_.push_back(CSConfigId{id, key, block});
  getOrCreateItem(key, block, defaultValue);
  return 1;
}

CSConfigItem* CSConfig::findItemById(int id) const {
  for (const CSConfigId& e : ids_) {
    if (e.id == id) return findItem(e.key, e.block);
  }
  return nullptr;
}

CSConfigVal* CSConfig::getValueById(int id) {
  for (const CSConfigId& e : ids_) {
    if (e.id == id) return getValue(e.key, e.block);
  }
  return nullptr;
}

bool CSConfig::isModified() const {
  for (const auto& block : blocks_) {
    for (std::size_t i = 0; i < block->itemCount(); ++i) {
      CSConfigItem* item = block->item(i);
      for (std::size_t v = 0; v < item->valueCount(); ++v) {
        if (item->value(v)->modified()) return true;
      }
    }
  }
  return false;
}

void CSConfig::setItemCaseInsensitive(bool on) {
  itemCaseInsensitive_ = on;
  for (auto& block : blocks_) block->resort();
}

void CSConfig::setBlockCaseInsensitive(bool on) {
  blockCaseInsensitive_ = on;
  indexBlocks();
}

void CSConfig::indexBlocks() {
  blockIndex_.clear();
  lastBlock_ = nullptr;
  for (auto& block : blocks_) blockIndex_.emplace(blockKey(block->name()), block.get());
}

void CSConfig::resetCursor() {
  cursorBlock_.clear();
  cursorKey_.clear();
  cursorItem_ = -1;
  cursorBlockIndex_ = -1;
}

void CSConfig::clearContent() {
  blocks_.clear();
  blockIndex_.clear();
  ids_.clear();
  lastBlock_ = nullptr;
  trailingComment_.clear();
  resetCursor();
}

void CSConfig::sendChanged() {
  NotificationEventConfigChanged event(this);
  notify(&event);
}

void CSConfig::mergeFrom(const CSConfig& other) {
  if (&other == this) return;
  for (const auto& source : other.blocks_) {
    CSConfigBlock* target = findBlock(source->name());
    if (target != nullptr) {
      target->mergeFrom(*source);
    } else {
      target = getOrCreateBlock(source->name());
      target->copyFrom(*source);
    }
    target->setComment(source->comment());
  }
  trailingComment_ = other.trailingComment_;
}

// ---- reading

void CSConfig::classifyLine(const std::string& line, int& type, std::string& key,
                            std::string& value, int& flags) const {
  std::string text = line;
  // A marked header stays a comment: a header that was switched off must not come back on.
  if (startsWith(text, kMarkerDisabled)) {
    std::string rest = text.substr(2);
    if (!parseHeader(rest, nullptr)) {
      text = std::move(rest);
      flags |= kItemDisabled;
    }
  } else if (startsWith(text, kMarkerInactive)) {
    std::string rest = text.substr(sizeof(kMarkerInactive) - 1);
    if (!parseHeader(rest, nullptr)) {
      text = std::move(rest);
      flags |= kItemInactive;
    }
  }
  if (parseHeader(text, &key)) {
    type = kLineHeader;
    return;
  }
  std::size_t eq = text.find('=');
  bool commentStart =
      !text.empty() && (text[0] == ';' || text[0] == '*' || text[0] == '!' || text[0] == '#');
  if (commentStart || eq == std::string::npos) {
    type = kLineComment;
    return;
  }
  type = kLineItem;
  key = trimBlanks(std::string_view(text).substr(0, eq));
  value = trimBlanks(std::string_view(text).substr(eq + 1));
}

int CSConfig::readStream(std::istream& in, bool keepModified) {
  CSConfigBlock* current = nullptr;
  std::string pending;
  std::string line, key, value;
  for (bool first = true; in.good(); first = false) {
    std::getline(in, line);
    // Nothing extracted: the end after a final line break, or a failed stream.
    if (in.fail()) break;
    if (first && line.compare(0, sizeof kUtf8Bom - 1, kUtf8Bom) == 0) {
      line.erase(0, sizeof kUtf8Bom - 1);
    }
    stripLineEnd(line);
    int type = kLineComment;
    int flags = 0;
    key.clear();
    value.clear();
    classifyLine(line, type, key, value, flags);
    if (type == kLineComment) {
      pending += line;
      pending += '\n';
      continue;
    }
    if (type == kLineHeader) {
      current = getOrCreateBlock(key);
      // "<default>" is written without a header, so a comment given to it would be lost:
      // the comment goes on to whatever follows.
      if (current->isDefault()) continue;
      current->setComment(pending);
      int marked = hasMarkerLine(pending, kMarkerBlock) ? kBlockMarked : 0;
      current->setFlags((current->flags() & ~kBlockMarked) | marked);
      pending.clear();
      continue;
    }
    if (current == nullptr) current = getOrCreateBlock(kDefaultBlock);
    CSConfigItem* item = current->findItem(key);
    if (keepModified && item != nullptr && item->firstValue()->modified()) {
      // A value the program set since the last read wins over the file.
    } else if (item != nullptr && multiLine_) {
      item->addValue()->assign(value);
      // The item's lines are written together behind its comment: what stood before a later
      // line joins it, instead of replacing what stood before the first.
      pending.insert(0, item->comment());
    } else if (item != nullptr) {
      item->firstValue()->assign(value);
      item->setFlags(flags);
      item->setDefault(item->defaultValue());
    } else {
      item = current->addItem(key, "", flags);
      item->firstValue()->assign(value);
      item->firstValue()->setModified(false);
    }
    item->setComment(pending);
    if (flags == 0) {
      item->setFlags(hasMarkerLine(item->comment(), kMarkerForced) ? kItemForced : kItemNormal);
    }
    pending.clear();
  }
  stripLineEnd(pending);
  trailingComment_ = pending;
  return in.bad() || (in.fail() && !in.eof()) ? kConfigStreamFailed : kConfigDone;
}

int CSConfig::readFile(const std::string& path, bool keepModified) {
  std::string expanded = expandPath(path);
  std::error_code ec;
  if (expanded.empty()) return kConfigNothingRead;
  fs::file_status status = fs::status(expanded, ec);
  if (ec || !fs::exists(status)) return kConfigNothingRead;
  if (!fs::is_regular_file(status)) return kConfigNotRegularFile;
  std::ifstream in(expanded);
  if (!in.is_open()) return kConfigNothingRead;
  int rc = readStream(in, keepModified);
  fs::file_time_type t = fs::last_write_time(expanded, ec);
  if (!ec) fileTime_ = t;
  return rc;
}

int CSConfig::load(const std::string& path) {
  fileName_ = path;
  inStream_ = nullptr;
  outStream_ = nullptr;
  if (path.empty()) return kConfigEmptyPath;
  return readFile(path, false);
}

int CSConfig::reload() {
  if (!fileName_.empty()) return load(fileName_);
  if (inStream_ != nullptr) {
    // The stream was read to its end when the configuration was made.
    inStream_->clear();
    inStream_->seekg(0);
    inStream_->clear();
    return readStream(*inStream_, false);
  }
  return kConfigStreamFailed;
}

int CSConfig::reread() {
  clearContent();
  if (reload() != kConfigDone) return -1;
  sendChanged();
  return 0;
}

// ---- writing

void CSConfig::writeItem(const CSConfigItem& item, std::ostream& out) const {
  CommentMarker marker = CommentMarker::kNone;
  const char* lineMarker = nullptr;
  if (item.hasFlag(kItemInactive)) {
    marker = CommentMarker::kInactive;
    lineMarker = kMarkerInactive;
  } else if (item.hasFlag(kItemDisabled)) {
    marker = CommentMarker::kDisabled;
    lineMarker = kMarkerDisabled;
  } else if (item.hasFlag(kItemForced)) {
    marker = CommentMarker::kForced;
  }
  std::string text = formatComment(item.comment(), marker);
  out << text;
  if (!multiLine_) {
    out << itemLine(item.key(), item.valueText(0));
    return;
  }
  for (std::size_t i = 0; i < item.valueCount(); ++i) {
    // Every line of a hidden item carries the marker, or the further values would come back
    // as visible items.
    if (i > 0 && lineMarker != nullptr) out << lineMarker;
    out << itemLine(item.key(), item.valueText(i));
  }
  if (item.valueCount() == 0 && !text.empty() && text.back() != '\n') out << '\n';
}

int CSConfig::writeStream(std::ostream& stream) const {
  std::ostringstream out;
  for (std::size_t i = 0; i < blocks_.size(); ++i) {
    const CSConfigBlock& block = *blocks_[i];
    std::string comment =
        formatComment(block.comment(), block.testFlag(kBlockMarked) ? CommentMarker::kBlockMarked
                                                                    : CommentMarker::kNone);
    if (block.isDefault()) {
      // no header, and so no place for a comment
    } else if (!comment.empty()) {
      out << comment;
    } else if (i > 0) {
      out << '\n';
    }
    if (!block.isDefault()) out << '[' << block.name() << "]\n";
    for (std::size_t n = 0; n < block.allItemCount(); ++n) writeItem(*block.allItem(n), out);
  }
  // The comment formatter ends the text with a line break; after the last item line, which
  // has its own, nothing more is written, so an unchanged file keeps its length. Empty lines
  // at the very end are dropped: the reader could not tell them from the end of the file.
  std::string tail = formatComment(trailingComment_, CommentMarker::kNone);
  while (!tail.empty() && tail.back() == '\n' &&
         (tail.size() == 1 || tail[tail.size() - 2] == '\n')) {
    tail.pop_back();
  }
  out << tail;
  // A text that starts with a byte-order mark of its own (a key or comment beginning with one)
  // gets another in front, since the reader takes the first for the file's.
  const std::string text = out.str();
  if (text.compare(0, sizeof kUtf8Bom - 1, kUtf8Bom) == 0) stream << kUtf8Bom;
  stream << text;
  stream.flush();
  return stream.fail() ? kConfigStreamFailed : kConfigDone;
}

int CSConfig::saveAs(const std::string& path) {
  std::string expanded = expandPath(path);
  std::ostringstream text;
  int rc = writeStream(text);
  if (expanded.empty() || !replaceFileContents(expanded, text.str())) rc = kConfigStreamFailed;
  std::error_code ec;
  fs::file_time_type t = fs::last_write_time(expanded, ec);
  if (!ec) fileTime_ = t;
  return rc;
}

int CSConfig::save() {
  if (!fileName_.empty()) return saveAs(fileName_);
  if (outStream_ != nullptr) {
    outStream_->clear();
    outStream_->seekp(0);
    // A stream that cannot seek (a pipe) is written where it stands.
    outStream_->clear();
    return writeStream(*outStream_);
  }
  return kConfigStreamFailed;
}

int CSConfig::saveIfRequested() {
  return save() == kConfigDone ? 0 : -1;
}

}  // namespace qz::config
