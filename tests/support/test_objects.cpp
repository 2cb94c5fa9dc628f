#include "tests/support/test_objects.h"

#include <iterator>

#include "object/call_exception.h"

namespace qztest {

proxyMethodHandlerT ScriptedObject::handlerFor(size_t index) {
  // Rows carry plain function pointers, so each row index gets its own instantiation.
  static const proxyMethodHandlerT handlers[] = {
      &handler<0>,  &handler<1>,  &handler<2>,  &handler<3>, &handler<4>,  &handler<5>,
      &handler<6>,  &handler<7>,  &handler<8>,  &handler<9>, &handler<10>, &handler<11>,
      &handler<12>, &handler<13>, &handler<14>, &handler<15>};
  return index < std::size(handlers) ? handlers[index] : nullptr;
}

ScriptedObject::ScriptedObject(std::vector<Member> members)
    : proxyObjectC(&table_, nullptr, false), members_(std::move(members)), table_(nullptr) {
  for (size_t i = 0; i < members_.size(); ++i) {
    const Member& m = members_[i];
    rows_.push_back({m.name.c_str(), m.kind, m.count, handlerFor(i)});
  }
  table_.add(rows_.data(), rows_.size());
}

ScriptedObject::~ScriptedObject() = default;

int32_t call(qzIDispatch* target, const char* name, int32_t kind, std::vector<qzVariantS> args,
             qzVariantS* result, std::string* source, std::string* description) {
  qzIUnknown* exception = nullptr;
  int32_t rc = target->invoke(name, kind, static_cast<int32_t>(args.size()),
                              args.empty() ? nullptr : args.data(), result, &exception);
  if (exception) {
    qzExceptionTexts texts = qzReadException(exception);
    if (source) *source = texts.source;
    if (description) *description = texts.description;
    exception->Release();
  }
  return rc;
}

qzVariantS intArg(int32_t v) {
  qzVariantS a;
  a.setInt(v);
  return a;
}
qzVariantS floatArg(double v) {
  qzVariantS a;
  a.setFloat(v);
  return a;
}
qzVariantS textArg(const char* v) {
  qzVariantS a;
  a.setString(v);
  return a;
}

}  // namespace qztest
