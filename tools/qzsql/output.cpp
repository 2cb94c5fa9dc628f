#include "tools/qzsql/output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qzsql {
namespace {

constexpr size_t kBufferSize = 1 << 16;

}  // namespace

Output::Output(int fd, std::string name, bool owned)
    : fd_(fd), name_(std::move(name)), owned_(owned), buffer_(kBufferSize) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

Output::~Output() {
  close();
}

std::unique_ptr<Output> Output::standardOutput() {
  return std::unique_ptr<Output>(new Output(STDOUT_FILENO, "standard output", false));
}

std::unique_ptr<Output> Output::open(const std::string& path, std::string* error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<Output>(new Output(fd, path, true));
}

bool Output::writeAll(const char* data, size_t size) {
  if (error_ != 0) return false;
  if (fd_ == STDOUT_FILENO) {
    // Prompts and banners go through stdio to the same descriptor: they come first.
    if (std::fflush(stdout) != 0) {
      error_ = errno != 0 ? errno : EIO;
      return false;
    }
  }
  while (size > 0) {
    ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool Output::drain() {
  size_t pending = static_cast<size_t>(pptr() - pbase());
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  // After a failure nothing more is written: the output is lost from there on anyway.
  return writeAll(buffer_.data(), pending);
}

Output::int_type Output::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

std::streamsize Output::xsputn(const char* s, std::streamsize n) {
  if (error_ != 0) return 0;
  const size_t room = static_cast<size_t>(epptr() - pptr());
  if (static_cast<size_t>(n) <= room) {
    std::memcpy(pptr(), s, static_cast<size_t>(n));
    pbump(static_cast<int>(n));
    return n;
  }
  if (!drain() || !writeAll(s, static_cast<size_t>(n))) return 0;
  return n;
}

int Output::sync() {
  return drain() ? 0 : -1;
}

bool Output::close() {
  bool ok = drain();
  if (owned_ && fd_ >= 0) {
    // A file system may report a failed write only at close (NFS, quotas).
    if (::close(fd_) != 0 && error_ == 0) {
      error_ = errno;
      ok = false;
    }
    fd_ = -1;
  }
  return ok && error_ == 0;
}

}  // namespace qzsql
