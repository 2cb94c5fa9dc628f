// The POSIX registry: one text file per root, parsed once into an index that is read again
// only when the file changes (another file, size or modification time), so an edited store
// takes effect at the next read and a large store costs one parse, not one per lookup.
//
// A line "key\path = value" sets the default value of a key, "key\path\@name = value" its
// value "name". Blanks around key and value are dropped, "#" and ";" start comment lines, a
// line without "=" or without a key is skipped, and the last line for a value wins.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/folders.h"
#include "platform/registry.h"

namespace qz::platform {
namespace {

constexpr char kUserStoreVariable[] = "QZ_REGISTRY_USER";
constexpr char kMachineStoreVariable[] = "QZ_REGISTRY_MACHINE";
constexpr char kUserStoreName[] = "/qzjdbc/registry";
constexpr char kMachineStore[] = "/etc/qzjdbc/registry";
// A store is a handful of lines; anything this big is not one, and is not read into memory.
constexpr std::size_t kMaxStoreBytes = 16u << 20;
constexpr std::string_view kBlanks = " \t\r";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// What tells one version of a store file from another.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  long seconds = 0;
  long nanoseconds = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const struct stat& info) {
  return {info.st_dev, info.st_ino, info.st_size, static_cast<long>(info.st_mtim.tv_sec),
          static_cast<long>(info.st_mtim.tv_nsec)};
}

// Only a regular file is read: a FIFO or device named by mistake must neither block nor flood.
bool readStore(const std::string& path, std::string* text, FileStamp* stamp) {
  if (path.empty()) return false;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            static_cast<std::size_t>(info.st_size) <= kMaxStoreBytes;
  if (ok) *stamp = stampOf(info);
  char chunk[8192];
  while (ok) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n == 0) break;
    if (n < 0) {
      ok = false;
    } else {
      text->append(chunk, static_cast<std::size_t>(n));
      ok = text->size() <= kMaxStoreBytes;  // the file may grow while we read
    }
  }
  ::close(fd);
  return ok;
}

std::string_view trim(std::string_view s) {
  std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lowerAscii(c);
  return out;
}

// Lower-cased components joined by "\", so that "A/b\\C" and "a\B\c" name the same key.
std::string canonicalKey(std::string_view path) {
  std::string out;
  std::size_t i = 0;
  while (i < path.size()) {
    std::size_t end = path.find_first_of("\\/", i);
    if (end == std::string_view::npos) end = path.size();
    if (end > i) {
      if (!out.empty()) out += '\\';
      out += lowerAscii(path.substr(i, end - i));
    }
    i = end + 1;
  }
  return out;
}

struct Entry {
  std::string key;   // canonical
  std::string name;  // lower case; empty for the default value
  std::string_view value;
};

bool parseLine(std::string_view line, Entry* entry) {
  line = trim(line);
  if (line.empty() || line.front() == '#' || line.front() == ';') return false;
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  std::string key = canonicalKey(trim(line.substr(0, eq)));
  if (key.empty()) return false;
  std::size_t last = key.rfind('\\');
  std::size_t lastStart = last == std::string::npos ? 0 : last + 1;
  if (key[lastStart] == '@') {
    entry->name = key.substr(lastStart + 1);
    key.erase(last == std::string::npos ? 0 : last);
  } else {
    entry->name.clear();
  }
  entry->key = std::move(key);
  entry->value = trim(line.substr(eq + 1));
  return true;
}

}  // namespace

std::string registryStorePath(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kCurrentUser: {
      std::string path = environment(kUserStoreVariable);
      if (!path.empty()) return path;
      std::string dir = userAppDataFolder();
      return dir.empty() ? std::string() : dir + kUserStoreName;
    }
    case RegistryRoot::kLocalMachine: {
      std::string path = environment(kMachineStoreVariable);
      return path.empty() ? kMachineStore : path;
    }
    case RegistryRoot::kClassesRoot:
    case RegistryRoot::kUsers:
      break;
  }
  return {};
}

namespace {

// Every value of one store by canonical key and lower-case name; the last line for a value
// wins.
struct StoreIndex {
  FileStamp stamp;
  std::string text;  // what was parsed, to tell an edit within one clock tick
  std::map<std::pair<std::string, std::string>, std::string> values;
};

// File times advance in coarse clock ticks: an edit of the same length within the tick of the
// last read can keep the stamp. So an index read less than this long after its file's time is
// checked against the text, until a check comes that much later.
constexpr long kRacyNanoseconds = 1000000000;

long long nanoseconds(long seconds, long nanoseconds) {
  return static_cast<long long>(seconds) * 1000000000 + nanoseconds;
}

long long now() {
  timespec t{};
  ::clock_gettime(CLOCK_REALTIME, &t);
  return nanoseconds(t.tv_sec, t.tv_nsec);
}

std::shared_ptr<const StoreIndex> parseStore(std::string text, const FileStamp& stamp) {
  auto index = std::make_shared<StoreIndex>();
  index->stamp = stamp;
  index->text = std::move(text);
  const std::string& all = index->text;
  std::string_view rest(all);
  if (rest.substr(0, kUtf8Bom.size()) == kUtf8Bom) rest.remove_prefix(kUtf8Bom.size());
  Entry entry;
  while (!rest.empty()) {
    std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (parseLine(line, &entry)) index->values[{entry.key, entry.name}] = std::string(entry.value);
  }
  return index;
}

struct CachedStore {
  std::shared_ptr<const StoreIndex> index;
  long long checked = 0;  // when the index was last known to match the file
};

// The index of the store at path, parsed again only when the file is another one or changed.
std::shared_ptr<const StoreIndex> storeIndex(const std::string& path) {
  static std::mutex mutex;
  static std::map<std::string, CachedStore> cache;
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  const FileStamp current = stampOf(info);
  const long long modified = nanoseconds(current.seconds, current.nanoseconds);
  std::shared_ptr<const StoreIndex> cached;
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(path);
    if (it != cache.end() && it->second.index->stamp == current) {
      if (it->second.checked - modified > kRacyNanoseconds) return it->second.index;
      cached = it->second.index;
    }
  }
  const long long started = now();
  std::string text;
  FileStamp stamp;
  if (!readStore(path, &text, &stamp)) return nullptr;
  std::shared_ptr<const StoreIndex> index = cached && cached->stamp == stamp && cached->text == text
                                                ? cached
                                                : parseStore(std::move(text), stamp);
  std::lock_guard<std::mutex> lock(mutex);
  cache[path] = {index, started};
  return index;
}

}  // namespace

bool readRegistryString(RegistryRoot root, const std::string& subKey, const std::string& valueName,
                        std::string* value) {
  std::shared_ptr<const StoreIndex> index = storeIndex(registryStorePath(root));
  if (!index) return false;
  auto it = index->values.find({canonicalKey(subKey), lowerAscii(valueName)});
  if (it == index->values.end()) return false;
  value->assign(it->second);
  return true;
}

}  // namespace qz::platform
