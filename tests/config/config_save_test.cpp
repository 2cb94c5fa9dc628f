// Loading, saving and re-reading files: results, atomic replacement and path expansion.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/config.h"
#include "tests/support/scratch.h"

namespace qz::config {
namespace {

namespace fs = std::filesystem;

const std::string kOld = "; the user's file\n[S]\nk=old\n";

class SaveTest : public ::testing::Test {
 protected:
  // Some tests take the folder's write permission away; the scratch folder cannot go without it.
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
  }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  static void put(const std::string& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
  }

  static std::string get(const std::string& file) { return qztest::readFile(file); }

  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // A configuration whose text is far larger than `size`.
  static void fill(CSConfig& config, int size) {
    for (int i = 0; i * 20 < size * 4; ++i) {
      config.getValue("key" + std::to_string(i), "Big")->setText(std::string(16, 'v'));
    }
  }

  qztest::ScratchDir scratch_{"qz_config_save"};
  fs::path dir_{scratch_.path()};
};

TEST_F(SaveTest, LoadResults) {
  CSConfig config;
  EXPECT_EQ(config.load(""), kConfigEmptyPath);
  put(path("a.cfg"), kOld);
  EXPECT_EQ(config.load(path("a.cfg")), kConfigDone);
  EXPECT_EQ(config.fileTime(), fs::last_write_time(path("a.cfg")));
  // Nothing to read leaves what was read before.
  EXPECT_EQ(config.load(path("missing.cfg")), kConfigNothingRead);
  EXPECT_EQ(config.getValue("k", "S")->text(), "old");
  if (::geteuid() != 0) {
    put(path("locked.cfg"), kOld);
    fs::permissions(path("locked.cfg"), fs::perms::none);
    EXPECT_EQ(config.load(path("locked.cfg")), kConfigNothingRead);
  }
}

TEST_F(SaveTest, SaveAsReplacesTheFileWholeAndKeepsItsMode) {
  put(path("a.cfg"), kOld);
  fs::permissions(path("a.cfg"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  CSConfig config(path("a.cfg"));
  config.getValue("k", "S")->setText("new");
  EXPECT_EQ(config.saveAs(path("a.cfg")), kConfigDone);
  EXPECT_EQ(get(path("a.cfg")), "; the user's file\n[S]\nk=new\n");
  EXPECT_EQ(fs::status(path("a.cfg")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(config.fileTime(), fs::last_write_time(path("a.cfg")));
  EXPECT_EQ(entries(), std::vector<std::string>{"a.cfg"});

  // A new file gets 0666 less the umask.
  mode_t mask = ::umask(022);
  EXPECT_EQ(config.saveAs(path("b.cfg")), kConfigDone);
  ::umask(mask);
  EXPECT_EQ(fs::status(path("b.cfg")).permissions() & fs::perms::all, static_cast<fs::perms>(0644));
}

// The write runs out of room part way: the old file must stay as it was.
TEST_F(SaveTest, FailedWriteLeavesTheOldFileIntact) {
  put(path("a.cfg"), kOld);
  CSConfig config(path("a.cfg"));
  fill(config, 4096);

  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  int rc = config.save();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(rc, kConfigStreamFailed);
  EXPECT_EQ(get(path("a.cfg")), kOld);
  EXPECT_EQ(entries(), std::vector<std::string>{"a.cfg"});
  EXPECT_EQ(config.save(), kConfigDone);
  EXPECT_GT(get(path("a.cfg")).size(), 4096u);
}

TEST_F(SaveTest, TargetsThatCannotBeWritten) {
  CSConfig config;
  config.getValue("k", "S", "v");
  EXPECT_EQ(config.saveAs(path("no/such/folder/a.cfg")), kConfigStreamFailed);
  fs::create_directory(path("sub"));
  EXPECT_EQ(config.saveAs(path("sub")), kConfigStreamFailed);
  EXPECT_TRUE(fs::is_directory(path("sub")));
  EXPECT_EQ(config.saveAs(""), kConfigStreamFailed);
  if (::geteuid() != 0) {
    put(path("a.cfg"), kOld);
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(config.saveAs(path("a.cfg")), kConfigStreamFailed);
    fs::permissions(dir_, fs::perms::owner_all);
    EXPECT_EQ(get(path("a.cfg")), kOld);
  }
}

TEST_F(SaveTest, SavingThroughALinkReplacesTheLinkedFile) {
  fs::create_directory(path("real"));
  put(path("real/a.cfg"), kOld);
  fs::create_symlink(path("real/a.cfg"), path("link.cfg"));
  CSConfig config(path("link.cfg"));
  config.getValue("k", "S")->setText("new");
  EXPECT_EQ(config.save(), kConfigDone);
  EXPECT_TRUE(fs::is_symlink(path("link.cfg")));
  EXPECT_EQ(get(path("real/a.cfg")), "; the user's file\n[S]\nk=new\n");
}

TEST_F(SaveTest, SaveGoesToTheFileOrTheStream) {
  CSConfig none;
  EXPECT_EQ(none.save(), kConfigStreamFailed);
  EXPECT_EQ(none.saveIfRequested(), -1);

  std::istringstream in("[S]\nk=1\n");
  std::stringstream out;
  out << "left over from before";
  CSConfig streams(&in, &out);
  streams.getValue("k", "S")->setText("2");
  EXPECT_EQ(streams.saveIfRequested(), 0);
  // Rewritten from the start; a stream cannot be cut, so a longer old text leaves its tail.
  EXPECT_EQ(out.str(), "[S]\nk=2\nr from before");
  std::ofstream full("/dev/full");
  if (full.is_open()) {
    EXPECT_EQ(streams.writeStream(full), kConfigStreamFailed);
  }

  put(path("a.cfg"), kOld);
  {
    CSConfig onDestroy(path("a.cfg"));
    onDestroy.setSaveOnDestroy(true);
    onDestroy.getValue("k", "S")->setText("at exit");
  }
  EXPECT_EQ(get(path("a.cfg")), "; the user's file\n[S]\nk=at exit\n");
}

class ChangeCounter : public ReferingObject {
 public:
  void notify(NotificationEvent* event, void*) override {
    if (dynamic_cast<NotificationEventConfigChanged*>(event)) ++changes;
  }
  int changes = 0;
};

TEST_F(SaveTest, RereadStartsAfreshAndNotifies) {
  put(path("a.cfg"), kOld);
  CSConfig config(path("a.cfg"));
  ChangeCounter counter;
  config.addReceiver(&counter);
  config.getValue("extra", "Mine", "1");
  config.defineId(1, "k", "S");
  put(path("a.cfg"), "[S]\nk=newer\n");
  EXPECT_EQ(config.reread(), 0);
  EXPECT_EQ(counter.changes, 1);
  EXPECT_FALSE(config.hasBlock("Mine"));
  EXPECT_EQ(config.findItemById(1), nullptr);
  EXPECT_EQ(config.getValue("k", "S")->text(), "newer");
  EXPECT_FALSE(config.isModified());

  fs::remove(path("a.cfg"));
  EXPECT_EQ(config.reread(), -1);
  EXPECT_EQ(counter.changes, 1);
  EXPECT_EQ(config.blockCount(), 0u);
}

TEST_F(SaveTest, StreamConfigurationRereadsFromTheStart) {
  std::istringstream in("[S]\nk=1\n");
  CSConfig config(&in, nullptr);
  EXPECT_EQ(config.reread(), 0);
  EXPECT_EQ(config.getValue("k", "S")->text(), "1");
  CSConfig none;
  EXPECT_EQ(none.reload(), kConfigStreamFailed);
}

TEST_F(SaveTest, PathsAreExpandedAtEachOpen) {
  const char* kVariable = "QZ_CONFIG_SAVE_TEST_DIR";
  fs::create_directory(path("one"));
  fs::create_directory(path("two"));
  put(path("one/a.cfg"), kOld);
  ::setenv(kVariable, path("one").c_str(), 1);
  CSConfig config("$(QZ_CONFIG_SAVE_TEST_DIR)/a.cfg");
  EXPECT_EQ(config.fileName(), "$(QZ_CONFIG_SAVE_TEST_DIR)/a.cfg");
  EXPECT_EQ(config.getValue("k", "S")->text(), "old");
  ::setenv(kVariable, path("two").c_str(), 1);
  EXPECT_EQ(config.save(), kConfigDone);
  ::unsetenv(kVariable);
  EXPECT_EQ(get(path("two/a.cfg")), kOld);
}

}  // namespace
}  // namespace qz::config
