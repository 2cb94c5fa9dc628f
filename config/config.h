// The configuration model: plain-text settings files of named blocks of named items, read,
// queried, changed and written back with every comment line and item-state marker kept.
//
// File syntax, one logical line per physical line (LF or CR LF on reading, LF on writing):
//
//   ; a comment line belongs to what follows it
//   [Block]                 a block header; a second header of the same name reopens it
//   key = value             an item; key and value lose blanks at both ends
//   #-key=value             a disabled item: kept and written back, invisible to lookups
//   #:INACTIVE;key=value    an inactive item: the same, with its own marker
//   #!                      in an item's comment: the item is forced (wins a merge)
//   #~                      in a block's comment: the block is marked (a merge leaves it)
//
// Items before the first header belong to the block "<default>", which is always first and
// never written with a header. Writing an unchanged file gives it back line for line, except
// that line breaks become LF, comment lines lose their leading and trailing blanks, marker
// lines inside comments are neutralised ("#!x" becomes "# x" unless the item is forced) and
// an empty line is put before a header that has no comment of its own.
//
// Results of file and stream operations: 1 read or written, 0 nothing read, -1 empty path,
// -2 stream or file failure. Nothing here throws for malformed input.
//
// Ownership: a configuration owns its blocks, a block its items, an item its values. Pointers
// handed out stay valid until their entry is removed, the configuration is assigned to,
// re-read or destroyed.
//
// Thread rule: none. A configuration and everything it hands out belong to one thread.
#pragma once

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "config/config_text.h"
#include "notify/notifying.h"

namespace qz::config {

inline constexpr char kDefaultBlock[] = "<default>";

// Item flags.
inline constexpr int kItemNormal = 1;
inline constexpr int kItemForced = 2;    // "#!" in the item's comment
inline constexpr int kItemDisabled = 4;  // line began with "#-"
inline constexpr int kItemInactive = 8;  // line began with "#:INACTIVE;"
inline constexpr int kItemHidden = kItemDisabled | kItemInactive;

// Block flags.
inline constexpr int kBlockMarked = 1;  // "#~" in the block's comment

// Line types of classifyLine.
inline constexpr int kLineHeader = 0;
inline constexpr int kLineItem = 1;
inline constexpr int kLineComment = 2;

// Results of reading and writing.
inline constexpr int kConfigDone = 1;
inline constexpr int kConfigNothingRead = 0;
inline constexpr int kConfigEmptyPath = -1;
inline constexpr int kConfigStreamFailed = -2;
// The path names a directory, FIFO, socket or device: refused unread, since opening a FIFO
// waits for a writer for ever and a directory reads as empty.
inline constexpr int kConfigNotRegularFile = -3;

class CSConfig;
class CSConfigBlock;

// One value of an item. Every setter marks it modified; the reader clears the mark.
class CSConfigVal {
 public:
  CSConfigVal() = default;
  explicit CSConfigVal(std::string text) : text_(std::move(text)) {}

  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  // Replaces the text and leaves the modified mark as it is (reading, defaults).
  void assign(const std::string& text) { text_ = text; }
  bool modified() const { return modified_; }
  void setModified(bool modified) { modified_ = modified; }

  // C-style conversions: leading blanks, a sign, digits up to the first other character; 0
  // (or the nearest int) when there is nothing or too much to convert.
  int asInt() const;
  double asDouble() const;
  // "yes", "ja" or "true" in any letter case, or a text whose integer value is 1.
  bool asBool() const;
  // A value outside [min, max] is replaced by the nearer bound, which is written back.
  int asIntClamped(int min, int max);
  double asDoubleClamped(double min, double max, int precision = 2);

  void setInt(int n);
  // Fixed-point with `precision` decimals (0 to kMaxPrecision); the text is as long as the
  // number needs.
  void setDouble(double x, int precision = 2);
  void setBool(bool b);  // "YES" or "NO"

  // Arrays are the formatted elements joined with "," and no blanks. The getters store at
  // most `capacity` elements and return how many they stored.
  void setInts(const int* values, std::size_t count);
  void setDoubles(const double* values, std::size_t count, int precision = 2);
  void setFloats(const float* values, std::size_t count, int precision = 2);
  std::size_t getInts(int* buffer, std::size_t capacity) const;
  std::size_t getDoubles(double* buffer, std::size_t capacity) const;
  std::size_t getFloats(float* buffer, std::size_t capacity) const;

  // Lists with a separator and a quote character (kNoQuote for none); see tokenize in
  // config/config_text.h. setList quotes the elements that need it, so getList with the
  // same characters gives the list back.
  std::vector<std::string> getList(char separator, int quote = '"', bool skipEmpty = false) const;
  void setList(const std::vector<std::string>& items, char separator, int quote = '"');

  static constexpr int kMaxPrecision = 1100;

 private:
  std::string text_;
  bool modified_ = false;
};

// A named setting: a key, a default, a comment and one or more values.
class CSConfigItem {
 public:
  CSConfigItem(CSConfigBlock* owner, std::string key, std::string defaultValue);
  CSConfigItem(const CSConfigItem&) = delete;
  CSConfigItem& operator=(const CSConfigItem&) = delete;

  const std::string& key() const { return key_; }
  const std::string& defaultValue() const { return defaultValue_; }
  // A non-empty text becomes the default and fills an empty first value.
  void setDefault(const std::string& text);

  // Value n (0 = the first); reading a value creates the empty values up to it.
  CSConfigVal* firstValue() { return value(0); }
  CSConfigVal* value(std::size_t n);
  CSConfigVal* addValue();
  std::size_t valueCount() const { return values_.size(); }
  // The text of value n, empty when it does not exist; creates nothing.
  const std::string& valueText(std::size_t n) const;

  // Comment lines before the item, each ending in a line break.
  const std::string& comment() const { return comment_; }
  void setComment(const std::string& comment) { comment_ = comment; }

  // Disabled and inactive items leave the block's active items when the flag is set and
  // return to them when it is cleared.
  int flags() const { return flags_; }
  void setFlags(int flags);
  void addFlag(int flag) { setFlags(flags_ | flag); }
  void clearFlag(int flag) { setFlags(flags_ & ~flag); }
  bool hasFlag(int flag) const { return (flags_ & flag) != 0; }
  bool isActive() const { return (flags_ & kItemHidden) == 0; }

  CSConfigBlock* owner() const { return owner_; }

 private:
  friend class CSConfigBlock;

  std::string key_;
  std::string sortKey_;  // key under the owner's comparison rule
  std::string defaultValue_;
  CSConfigBlock* owner_;
  std::string comment_;
  int flags_ = 0;
  std::vector<std::unique_ptr<CSConfigVal>> values_;
  bool attached_ = false;  // listed in the owner's items
  bool listedActive_ = false;
};

// A named group of items, in file order.
class CSConfigBlock {
 public:
  CSConfigBlock(CSConfig* owner, std::string name);
  CSConfigBlock(const CSConfigBlock&) = delete;
  CSConfigBlock& operator=(const CSConfigBlock&) = delete;

  // Returns the item of that key, active or not, after setDefault(value); making it visible
  // again (first value = value) unless flags holds kItemHidden. Otherwise creates it through
  // createItem. The item's flags become flags, except that an item already visible keeps
  // its flags when flags is 0.
  virtual CSConfigItem* addItem(const std::string& key, const std::string& value, int flags);
  // Removes and deletes the item of that key, active or not.
  virtual bool removeItem(const std::string& key);
  // Factory of the block's items: defaultValue and a first value (if not empty) = value.
  virtual std::unique_ptr<CSConfigItem> createItem(const std::string& key, const std::string& value,
                                                   int flags);
  virtual ~CSConfigBlock();

  const std::string& name() const { return name_; }
  bool isDefault() const;
  const std::string& comment() const { return comment_; }
  void setComment(const std::string& comment) { comment_ = comment; }
  const std::string& spare() const { return spare_; }
  void setSpare(const std::string& spare) { spare_ = spare; }
  int flags() const { return flags_; }
  void setFlags(int flags) { flags_ = flags; }
  bool testFlag(int flag) const { return (flags_ & flag) != 0; }

  // Active items only: neither disabled nor inactive.
  CSConfigItem* findItem(const std::string& key) const;
  std::size_t itemCount() const { return activeItems_.size(); }
  CSConfigItem* item(std::size_t i) const { return activeItems_[i]; }
  // Position among the active items, -1 when not active.
  int activeIndex(const CSConfigItem* item) const;

  // Every item, in file order.
  CSConfigItem* findAnyItem(const std::string& key) const;
  std::size_t allItemCount() const { return allItems_.size(); }
  CSConfigItem* allItem(std::size_t i) const { return allItems_[i].get(); }

  // Becomes a copy of other: comment, flags and every item with key, default, comment, flags
  // and all values.
  void copyFrom(const CSConfigBlock& other);
  // The merge of a configuration into another: a marked source leaves this block's items
  // alone (returns false); forced and hidden source items replace values, the others only
  // fill missing or empty ones.
  bool mergeFrom(const CSConfigBlock& source);
  void clear();

  CSConfig* owner() const { return owner_; }

 private:
  friend class CSConfig;
  friend class CSConfigItem;

  bool itemCaseInsensitive() const;
  std::string sortKeyOf(const std::string& key) const;
  void attach(std::unique_ptr<CSConfigItem> item);
  void syncActive(CSConfigItem* item);
  void resort();

  std::string name_;
  std::string comment_;
  std::string spare_;
  std::vector<CSConfigItem*> activeItems_;
  std::vector<std::unique_ptr<CSConfigItem>> allItems_;
  std::vector<CSConfigItem*> sortedItems_;  // by sortKey_
  CSConfig* owner_;
  int flags_ = 0;
};

// A numeric id bound to (key, block).
struct CSConfigId {
  int id;
  std::string key;
  std::string block;
};

// Sent by a configuration after a successful reread and after removals that notify.
class NotificationEventConfigChanged : public NotificationEvent {
 public:
  using NotificationEvent::NotificationEvent;
  ~NotificationEventConfigChanged() override;
};

class CSConfig : public NotifyingObject {
 public:
  // Empty, case-insensitive, one value per item.
  CSConfig();
  // Both case rules from the flag; reads the file when the name is not empty.
  explicit CSConfig(const std::string& fileName, bool caseInsensitive = true);
  explicit CSConfig(const char* fileName, bool caseInsensitive = true);
  // Reads all of `in` now (either stream may be null); save rewrites `out` from its start.
  // The streams are not owned and must outlive their use.
  CSConfig(std::istream* in, std::ostream* out, bool caseInsensitive = true);
  CSConfig(const CSConfig&) = delete;
  // Replaces the content with a copy of other's: the flags of multiLine and both case rules,
  // the trailing comment and every block and item. File name, streams, ids and receivers
  // stay as they were.
  CSConfig& operator=(const CSConfig& other);
  // Saves first when saveOnDestroy is set.
  ~CSConfig() override;

  // Binds id to (key, block) unless the id is bound already, and makes sure the item exists
  // with the default (null: empty). Returns 1.
  virtual int defineId(int id, const std::string& key, const std::string& block,
                       const char* defaultValue = nullptr);
  virtual CSConfigItem* getOrCreateItem(const std::string& key, const std::string& block,
                                        const char* defaultValue = nullptr);
  virtual bool removeItem(const std::string& key, const std::string& block);
  // "<default>" (in any letter case) always goes first, other new blocks last.
  virtual CSConfigBlock* getOrCreateBlock(const std::string& name);
  virtual bool removeBlock(const std::string& name);
  // To the file name if there is one, else to the output stream from its start, else -2. A
  // stream cannot be cut: an older, longer text in it keeps its tail.
  virtual int save();
  // Makes name the cursor block, creating it; true if it existed.
  virtual bool selectBlock(const std::string& name);
  virtual bool removeBlockAndNotify(const std::string& name);
  virtual std::unique_ptr<CSConfigBlock> createBlock(const std::string& name);
  virtual void mergeFrom(const CSConfig& other);
  // Adds what the stream holds to what is here; keepModified keeps values set since the
  // last read. 1, or -2 when the stream failed other than at its end. A UTF-8 byte-order mark
  // at the start (a Windows editor writes one) is not part of the first line.
  virtual int readStream(std::istream& in, bool keepModified);
  // Expands the path; 0 when the file does not exist or cannot be opened, -3 when it is not a
  // regular file. A UTF-8 byte-order mark before the first line is skipped.
  virtual int readFile(const std::string& path, bool keepModified);
  virtual void classifyLine(const std::string& line, int& type, std::string& key,
                            std::string& value, int& flags) const;
  virtual void writeItem(const CSConfigItem& item, std::ostream& out) const;

  // Sets the file name, forgets the streams and reads the file into what is here.
  int load(const std::string& path);
  int reload();
  // Empties the configuration and reads it again; 0 and a notification when that read, else
  // -1. Unlike the file results above, 0 is the success here.
  int reread();
  // Writes the file whole or not at all: a temporary file beside it is renamed over it, so a
  // failed write (-2) leaves the old file as it was.
  int saveAs(const std::string& path);
  int writeStream(std::ostream& out) const;
  int saveIfRequested();
  bool isModified() const;

  CSConfigBlock* findBlock(const std::string& name) const;
  bool hasBlock(const std::string& name) const { return findBlock(name) != nullptr; }
  bool hasItem(const std::string& key, const std::string& block) const {
    return findItem(key, block) != nullptr;
  }
  CSConfigItem* findItem(const std::string& key, const std::string& block) const;
  // The first value of the item, which is created with the default when missing.
  CSConfigVal* getValue(const std::string& key, const std::string& block,
                        const char* defaultValue = nullptr);
  CSConfigVal* getValue(const std::string& key, const std::string& block,
                        const std::string& defaultValue) {
    return getValue(key, block, defaultValue.c_str());
  }
  CSConfigItem* findItemById(int id) const;
  // Null for an id never defined.
  CSConfigVal* getValueById(int id);

  bool multiLine() const { return multiLine_; }
  void setMultiLine(bool on) { multiLine_ = on; }
  bool itemCaseInsensitive() const { return itemCaseInsensitive_; }
  void setItemCaseInsensitive(bool on);
  bool blockCaseInsensitive() const { return blockCaseInsensitive_; }
  void setBlockCaseInsensitive(bool on);
  bool saveOnDestroy() const { return saveOnDestroy_; }
  void setSaveOnDestroy(bool on) { saveOnDestroy_ = on; }
  const std::string& fileName() const { return fileName_; }
  std::filesystem::file_time_type fileTime() const { return fileTime_; }
  const std::string& trailingComment() const { return trailingComment_; }
  void setTrailingComment(const std::string& text) { trailingComment_ = text; }

  std::size_t blockCount() const { return blocks_.size(); }
  CSConfigBlock* block(std::size_t i) const { return blocks_[i].get(); }

  // Enumeration: block names in file order (only those containing `part` under the block
  // rule, when given) and the keys of a block's active items.
  std::vector<std::string> blockNames(const std::string& part = {}) const;
  std::vector<std::string> itemKeys(const std::string& block) const;

  // Numbered keys: prefix + "1", prefix + "2", ... hold the elements of a list. Writing
  // removes the members the new list does not have; reading puts each member (digits only
  // after the prefix, 1 to kMaxNumberedIndex) at its position, gaps left empty.
  void setNumbered(const std::string& prefix, const std::string& block,
                   const std::vector<std::string>& values);
  void setNumberedInts(const std::string& prefix, const std::string& block,
                       const std::vector<int>& values);
  void setNumberedDoubles(const std::string& prefix, const std::string& block,
                          const std::vector<double>& values, int precision = 2);
  std::vector<std::string> getNumbered(const std::string& prefix, const std::string& block) const;
  std::vector<int> getNumberedInts(const std::string& prefix, const std::string& block) const;
  std::vector<double> getNumberedDoubles(const std::string& prefix, const std::string& block) const;
  static constexpr int kMaxNumberedIndex = 65536;

  // Cursor operations on the cursor block (selectBlock, nextBlock). Writes create the item
  // and send nothing; reads create nothing and say whether the item was there and its text
  // could be converted.
  const std::string& cursorBlock() const { return cursorBlock_; }
  const std::string& cursorKey() const { return cursorKey_; }
  void setString(const std::string& key, const std::string& text);
  bool getString(const std::string& key, std::string& out);
  void setDouble(const std::string& key, double x);  // "%lf"
  bool getDouble(const std::string& key, double& out);
  void setInt(const std::string& key, int n);
  bool getInt(const std::string& key, int& out);
  void setBool(const std::string& key, bool b);  // "true" or "false"
  // True for "true", "yes", "ja" or "1" in any letter case.
  bool getBool(const std::string& key, bool& out);
  // Array forms: elements joined with ","; strings are quoted with "\"" where needed.
  void setStrings(const std::string& key, const std::vector<std::string>& values);
  bool getStrings(const std::string& key, std::vector<std::string>& out);
  void setInts(const std::string& key, const std::vector<int>& values);
  bool getInts(const std::string& key, std::vector<int>& out);
  void setDoubles(const std::string& key, const std::vector<double>& values);
  bool getDoubles(const std::string& key, std::vector<double>& out);
  // Remove the item and send NotificationEventConfigChanged.
  bool removeCursorItem(const std::string& key);
  bool removeItemAndNotify(const std::string& block, const std::string& key);
  // Walks blocks and the cursor block's active items; null at the end.
  void rewindBlocks() { cursorBlockIndex_ = -1; }
  CSConfigBlock* nextBlock();
  CSConfigItem* nextItem();

 private:
  std::string blockKey(const std::string& name) const;
  void indexBlocks();
  void clearContent();
  void resetCursor();
  void sendChanged();

  std::string fileName_;
  std::istream* inStream_ = nullptr;
  std::ostream* outStream_ = nullptr;
  bool itemCaseInsensitive_ = true;
  bool blockCaseInsensitive_ = true;
  bool saveOnDestroy_ = false;
  bool multiLine_ = false;
  std::filesystem::file_time_type fileTime_{};
  std::string trailingComment_;
  std::vector<std::unique_ptr<CSConfigBlock>> blocks_;
  std::unordered_map<std::string, CSConfigBlock*> blockIndex_;  // by blockKey
  std::vector<CSConfigId> ids_;
  mutable CSConfigBlock* lastBlock_ = nullptr;
  std::string cursorBlock_;
  std::string cursorKey_;
  int cursorItem_ = -1;
  int cursorBlockIndex_ = -1;
};

}  // namespace qz::config
