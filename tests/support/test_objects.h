// Small scriptable objects for tests of the object model.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "object/proxy_object.h"

namespace qztest {

// A scriptable object whose method table is given per instance: each row's handler calls
// the std::function stored for it.
class ScriptedObject : public proxyObjectC {
 public:
  using Handler = std::function<void(proxyAutoParaListC&, proxyAutoTypeCastC&)>;
  struct Member {
    std::string name;
    int32_t kind;
    int32_t count;
    Handler handler;
  };

  explicit ScriptedObject(std::vector<Member> members);
  ~ScriptedObject() override;

 private:
  template <int N>
  static void handler(void* native, proxyAutoParaListC& args, proxyAutoTypeCastC& result) {
    static_cast<ScriptedObject*>(native)->members_[N].handler(args, result);
  }
  static proxyMethodHandlerT handlerFor(size_t index);

  std::vector<Member> members_;
  std::vector<proxyMethodRowS> rows_;
  proxyMethodTableC table_;
};

// Calls invoke and returns the status; result and exception texts land in the out params.
int32_t call(qzIDispatch* target, const char* name, int32_t kind, std::vector<qzVariantS> args,
             qzVariantS* result = nullptr, std::string* source = nullptr,
             std::string* description = nullptr);

qzVariantS intArg(int32_t v);
qzVariantS floatArg(double v);
qzVariantS textArg(const char* v);

}  // namespace qztest
