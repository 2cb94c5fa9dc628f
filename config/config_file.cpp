#include "config/config_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>
#include <system_error>

#include "platform/files.h"

namespace qz::config {
namespace {

namespace fs = std::filesystem;

constexpr int kCreateAttempts = 16;

std::string uniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  return std::to_string(seed) + "." + std::to_string(counter.fetch_add(1));
}

// Exclusive creation: a name some other writer uses is never opened twice.
std::FILE* createTemporary(const fs::path& dir, const std::string& base, fs::path* out) {
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    fs::path candidate = dir / ("." + base + ".tmp" + uniqueSuffix());
    if (std::FILE* f = std::fopen(candidate.string().c_str(), "wx")) {
      *out = candidate;
      return f;
    }
    if (errno != EEXIST) return nullptr;
  }
  return nullptr;
}

bool writeAll(std::FILE* f, std::string_view bytes) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    return false;
  }
  // The rename must not reach the disk before the data it publishes.
  return platform::syncFile(f);
}

}  // namespace

bool replaceFileContents(const fs::path& path, std::string_view bytes) {
  std::error_code ec;
  fs::path target = path;
  if (fs::is_symlink(target, ec)) {
    fs::path real = fs::canonical(target, ec);
    if (!ec) target = real;
  }
  if (target.filename().empty() || fs::is_directory(target, ec)) return false;
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";

  fs::path temporary;
  std::FILE* f = createTemporary(dir, target.filename().string(), &temporary);
  if (f == nullptr) return false;
  bool ok = writeAll(f, bytes);
  ok = std::fclose(f) == 0 && ok;
  if (ok) {
    fs::file_status old = fs::status(target, ec);
    if (!ec && fs::exists(old)) fs::permissions(temporary, old.permissions(), ec);
    fs::rename(temporary, target, ec);
    ok = !ec;
  }
  if (!ok) fs::remove(temporary, ec);
  return ok;
}

}  // namespace qz::config
