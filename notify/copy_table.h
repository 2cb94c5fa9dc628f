// The table of a deep copy: maps each source object to its copy, so that an object reached
// twice is copied once and pointers between copied objects can be redirected to the copies.
//
// Objects are identified by address only; the table neither owns nor dereferences them.
//
// Thread rule: one table belongs to one copy on one thread.
#pragma once

#include <cstddef>
#include <unordered_map>

namespace qz {

class CopyTableI {
 public:
  virtual bool contains(const void* source) const = 0;
  // The copy of source; a source not yet entered is entered with a null copy.
  virtual void* lookup(const void* source) = 0;
  virtual void set(const void* source, void* copy) = 0;
  // The copy of an entered source, else the pointer itself.
  virtual void* translate(void* pointer) const = 0;
  // Lets a table see each object a copy produces; CopyTableC has no use for it.
  virtual void hook(void* object) = 0;

 protected:
  ~CopyTableI() = default;
};

class CopyTableC final : public CopyTableI {
 public:
  static constexpr std::size_t kBuckets = 64;

  CopyTableC() : copies_(kBuckets) {}

  bool contains(const void* source) const override;
  void* lookup(const void* source) override;
  void set(const void* source, void* copy) override;
  void* translate(void* pointer) const override;
  void hook(void*) override {}

  std::size_t size() const { return copies_.size(); }

 private:
  std::unordered_map<const void*, void*> copies_;
};

}  // namespace qz
