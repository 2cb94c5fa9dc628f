// Where results go: a file descriptor written with write(2), so that a failed write (a full
// disk, /dev/full, a closed pipe) is seen with its cause instead of vanishing in a stream's
// state bits, and the run can stop with an error.
//
// Thread rule: one thread. Ownership: an Output closes the descriptor it opened, not
// standard output.
#pragma once

#include <memory>
#include <streambuf>
#include <string>
#include <vector>

namespace qzsql {

class Output : public std::streambuf {
 public:
  ~Output() override;
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Standard output.
  static std::unique_ptr<Output> standardOutput();
  // The file, created or emptied; null with *error (strerror) when it cannot be opened.
  static std::unique_ptr<Output> open(const std::string& path, std::string* error);

  // Writes what is buffered and, for a file, closes it. False once any write has failed.
  bool close();
  // The errno of the first failed write, or 0.
  int error() const { return error_; }
  // "standard output" or the file's path, for messages.
  const std::string& name() const { return name_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  Output(int fd, std::string name, bool owned);
  bool drain();
  bool writeAll(const char* data, size_t size);

  int fd_;
  std::string name_;
  bool owned_;
  int error_ = 0;
  std::vector<char> buffer_;
};

}  // namespace qzsql
