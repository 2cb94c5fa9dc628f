#include <elf.h>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstring>

#include "platform/modules.h"
#include "platform/stack.h"
#include "platform/stack_symbol.h"

namespace qz::platform {
namespace {

// A file mapped read-only for the symbol lookup; unmapped when it goes.
class MappedFile {
 public:
  explicit MappedFile(const char* path) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
      void* p = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
      if (p != MAP_FAILED) {
        data_ = static_cast<const unsigned char*>(p);
        size_ = static_cast<size_t>(st.st_size);
      }
    }
    ::close(fd);
  }
  ~MappedFile() {
    if (data_) ::munmap(const_cast<unsigned char*>(data_), size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // A pointer to n bytes at offset, or null when they lie outside the file.
  const unsigned char* at(uint64_t offset, uint64_t n) const {
    if (!data_ || offset > size_ || n > size_ - offset) return nullptr;
    return data_ + offset;
  }

 private:
  const unsigned char* data_ = nullptr;
  size_t size_ = 0;
};

// Searches one symbol table section for the symbol covering fileAddr. A symbol without a size
// counts when it is the closest one below.
bool searchSymbols(const MappedFile& file, const Elf64_Ehdr& eh, const Elf64_Shdr& symtab,
                   uint64_t fileAddr, char* name, size_t nameSize, uint64_t* offset) {
  if (symtab.sh_entsize != sizeof(Elf64_Sym) || symtab.sh_link >= eh.e_shnum) return false;
  const auto* strHdr = reinterpret_cast<const Elf64_Shdr*>(
      file.at(eh.e_shoff + uint64_t{symtab.sh_link} * sizeof(Elf64_Shdr), sizeof(Elf64_Shdr)));
  if (!strHdr) return false;
  const unsigned char* strings = file.at(strHdr->sh_offset, strHdr->sh_size);
  const auto* syms = reinterpret_cast<const Elf64_Sym*>(file.at(symtab.sh_offset, symtab.sh_size));
  if (!strings || !syms) return false;
  const size_t count = symtab.sh_size / sizeof(Elf64_Sym);
  const Elf64_Sym* best = nullptr;
  for (size_t i = 0; i < count; ++i) {
    const Elf64_Sym& s = syms[i];
    const int type = ELF64_ST_TYPE(s.st_info);
    if ((type != STT_FUNC && type != STT_OBJECT) || s.st_shndx == SHN_UNDEF || s.st_value == 0 ||
        s.st_value > fileAddr || s.st_name >= strHdr->sh_size) {
      continue;
    }
    if (s.st_size != 0) {
      if (fileAddr - s.st_value < s.st_size) {
        best = &s;
        break;
      }
      continue;
    }
    if (!best || s.st_value > best->st_value) best = &s;
  }
  if (!best) return false;
  const char* text = reinterpret_cast<const char*>(strings + best->st_name);
  size_t n = strnlen(text, strHdr->sh_size - best->st_name);
  if (n >= nameSize) n = nameSize - 1;
  std::memcpy(name, text, n);
  name[n] = '\0';
  *offset = fileAddr - best->st_value;
  return true;
}

bool lookupSymbol(const char* path, uint64_t fileAddr, char* name, size_t nameSize,
                  uint64_t* offset) {
  MappedFile file(path);
  const auto* eh = reinterpret_cast<const Elf64_Ehdr*>(file.at(0, sizeof(Elf64_Ehdr)));
  if (!eh || std::memcmp(eh->e_ident, ELFMAG, SELFMAG) != 0 ||
      eh->e_ident[EI_CLASS] != ELFCLASS64 || eh->e_shentsize != sizeof(Elf64_Shdr)) {
    return false;
  }
  const auto* sections = reinterpret_cast<const Elf64_Shdr*>(
      file.at(eh->e_shoff, uint64_t{eh->e_shnum} * sizeof(Elf64_Shdr)));
  if (!sections) return false;
  // The full table names everything; the dynamic one only what the module exports.
  for (uint32_t wanted : {SHT_SYMTAB, SHT_DYNSYM}) {
    for (int i = 0; i < eh->e_shnum; ++i) {
      if (sections[i].sh_type == wanted &&
          searchSymbols(file, *eh, sections[i], fileAddr, name, nameSize, offset)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

void prepareStackCapture() {
  // The first backtrace loads the unwinder library, which allocates.
  void* frames[2];
  ::backtrace(frames, 2);
}

size_t captureStack(uint64_t* out, size_t depth, size_t skip) {
  void* frames[64];
  const int n = ::backtrace(frames, 64);
  // The caller's frames start at our own return address; sanitizers wrap backtrace in frames of
  // their own, so counting frames from the top would be off.
  const void* anchor = __builtin_return_address(0);
  int first = 1;
  for (int i = 0; i < n; ++i) {
    if (frames[i] == anchor) {
      first = i;
      break;
    }
  }
  size_t count = 0;
  for (int i = first + static_cast<int>(skip); i < n && count < depth; ++i) {
    out[count++] = reinterpret_cast<uintptr_t>(frames[i]);
  }
  return count;
}

uint64_t programCounterOf(const void* context) {
  if (!context) return 0;
  const auto* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
  return static_cast<uint64_t>(uc->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  return static_cast<uint64_t>(uc->uc_mcontext.pc);
#else
  (void)uc;
  return 0;
#endif
}

size_t captureStackFromContext(const void* context, uint64_t* out, size_t depth) {
  if (depth == 0) return 0;
  const uint64_t pc = programCounterOf(context);
  // The unwinder walks through the signal frame, so the handler's own frames come first and
  // the faulting instruction follows them.
  void* frames[64];
  const int n = ::backtrace(frames, 64);
  int start = -1;
  for (int i = 0; i < n; ++i) {
    if (reinterpret_cast<uintptr_t>(frames[i]) == pc) {
      start = i;
      break;
    }
  }
  size_t count = 0;
  if (start < 0) {
    // A jump to a bad address leaves nothing to unwind from: the address is all there is.
    out[count++] = pc;
    return count;
  }
  for (int i = start; i < n && count < depth; ++i)
    out[count++] = reinterpret_cast<uintptr_t>(frames[i]);
  return count;
}

bool readMemory(uint64_t addr, void* out, size_t n) {
  // The kernel copies for us and reports an unreadable page as an error, not a fault.
  iovec local{out, n};
  iovec remote{reinterpret_cast<void*>(addr), n};
  return ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(n);
}

void describeSymbol(uint64_t addr, AddressInfo* info) {
  lookupSymbol(info->module, addr - info->moduleBase, info->symbol, sizeof info->symbol,
               &info->symbolOffset);
}

}  // namespace qz::platform
