#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "object/call_exception.h"
#include "object/proxy_object.h"
#include "object/type_info.h"
#include "tests/support/test_objects.h"

using qztest::call;
using qztest::intArg;
using qztest::ScriptedObject;
using qztest::textArg;

namespace {

struct Holder {
  explicit Holder(ScriptedObject* o) : object(o) { object->AddRef(); }
  ~Holder() { object->Release(); }
  qzIDispatch* operator->() const { return object; }
  qzIDispatch* get() const { return object; }
  ScriptedObject* object;
};

std::string lastRun;

ScriptedObject::Handler records(const char* tag) {
  return [tag](proxyAutoParaListC& args, proxyAutoTypeCastC& r) {
    lastRun = tag;
    for (int i = 0; i < args.count(); ++i) args.get(i);
    r.setString(tag);
  };
}

}  // namespace

TEST(Invoke, FindsMembersByNameIgnoringCaseAndByKind) {
  Holder o(new ScriptedObject({{"Count", kQzPropertyGet, 0, records("count-get")},
                               {"count", kQzMethod, 0, records("count-call")},
                               {"", kQzMethod, 0, records("default")}}));
  qzVariantS r;
  EXPECT_EQ(call(o.get(), "COUNT", kQzPropertyGet, {}, &r), 0);
  EXPECT_EQ(lastRun, "count-get");
  EXPECT_EQ(call(o.get(), "count", kQzMethod, {}, &r), 0);
  EXPECT_EQ(lastRun, "count-call");
  EXPECT_EQ(call(o.get(), nullptr, kQzMethod, {}, &r), 0);
  EXPECT_EQ(lastRun, "default");
  EXPECT_STREQ(r.text(), "default");
}

TEST(Invoke, MethodRowsMatchWholeNamesFoldingLettersOnly) {
  const proxyMethodHandlerT h = [](void*, proxyAutoParaListC&, proxyAutoTypeCastC&) {};
  const proxyMethodRowS rows[] = {{"Coun", kQzMethod, 0, h},  {"Counter", kQzMethod, 0, h},
                                  {"a`", kQzMethod, 0, h},    {"Count", kQzPropertyGet, 0, h},
                                  {"Count", kQzMethod, 0, h}, {"", kQzMethod, 0, h},
                                  {nullptr, 0, 0, nullptr}};
  proxyMethodTableC table(rows);
  EXPECT_EQ(table.lookup("cOUNT", kQzMethod), &rows[4]);
  EXPECT_EQ(table.lookup("count", kQzAnyKind), &rows[3]);
  EXPECT_EQ(table.lookup("COUNT", kQzMethod, &rows[5]), nullptr);
  EXPECT_EQ(table.lookup("a@", kQzMethod), nullptr) << "@ and ` differ in the case bit only";
  EXPECT_EQ(table.lookup("A`", kQzMethod), &rows[2]);
  EXPECT_EQ(table.lookup(nullptr, kQzMethod), &rows[5]);
  EXPECT_EQ(table.lookup("Cou", kQzMethod), nullptr);
  EXPECT_EQ(table.lookup("Counters", kQzMethod), nullptr);
}

TEST(Invoke, OverloadsByCountAndByConversion) {
  Holder o(
      new ScriptedObject({{"f", kQzMethod, 1, records("one")},
                          {"f", kQzMethod, 2, records("two")},
                          {"g", kQzMethod, 1,
                           [](proxyAutoParaListC& a, proxyAutoTypeCastC& r) {
                             r.setInt(a.getInt(0));  // a string does not convert to a number here
                           }},
                          {"g", kQzMethod, 1, [](proxyAutoParaListC& a, proxyAutoTypeCastC& r) {
                             r.setString(std::string("text:") + a.getText(0));
                           }}}));
  qzVariantS r;
  std::string source, description;
  EXPECT_EQ(call(o.get(), "f", kQzMethod, {intArg(1), intArg(2)}, &r), 0);
  EXPECT_EQ(lastRun, "two");
  EXPECT_EQ(
      call(o.get(), "f", kQzMethod, {intArg(1), intArg(2), intArg(3)}, &r, &source, &description),
      1);
  EXPECT_EQ(source, "methode:f");
  EXPECT_EQ(description, "Object call failed");

  ASSERT_EQ(call(o.get(), "g", kQzMethod, {textArg("12")}, &r), 0);
  EXPECT_STREQ(r.text(), "text:12");
  ASSERT_EQ(call(o.get(), "g", kQzMethod, {intArg(12)}, &r), 0);
  EXPECT_EQ(r.type, kVtInt);
}

TEST(Invoke, FailureTextsNameTheArgumentLastRead) {
  Holder o(new ScriptedObject(
      {{"two", kQzMethod, 2,
        [](proxyAutoParaListC& a, proxyAutoTypeCastC&) {
          a.getInt(0);
          a.getInt(1);
        }},
       {"beyond", kQzMethod, 2,
        [](proxyAutoParaListC& a, proxyAutoTypeCastC&) {
          a.getInt(0);
          a.getInt(3);
        }},
       {"none", kQzMethod, -1, [](proxyAutoParaListC& a, proxyAutoTypeCastC&) { a.get(5); }},
       {"words", kQzMethod, 0,
        [](proxyAutoParaListC&, proxyAutoTypeCastC&) {
          throw proxyExecuteExceptionC("cant read database name", "db com server");
        }},
       {"crash", kQzMethod, 0,
        [](proxyAutoParaListC&, proxyAutoTypeCastC&) { throw std::runtime_error("boom"); }}}));
  std::string source, description;
  EXPECT_EQ(call(o.get(), "two", kQzMethod, {intArg(1), textArg("x")}, nullptr, &source), 1);
  EXPECT_EQ(source, "methode:two(Para:2)");
  EXPECT_EQ(call(o.get(), "beyond", kQzMethod, {intArg(1), intArg(2)}, nullptr, &source), 1);
  EXPECT_EQ(source, "methode:beyond(Para:1)");
  EXPECT_EQ(call(o.get(), "none", kQzMethod, {}, nullptr, &source), 1);
  EXPECT_EQ(source, "methode:none");
  EXPECT_EQ(call(o.get(), "words", kQzMethod, {}, nullptr, &source, &description), 1);
  EXPECT_EQ(source, "db com server");
  EXPECT_EQ(description, "cant read database name");
  EXPECT_EQ(call(o.get(), "crash", kQzMethod, {}, nullptr, &source, &description), 1);
  EXPECT_EQ(source, "methode:crash");
  EXPECT_EQ(description, "unhandle exception");
  EXPECT_EQ(call(o.get(), "missing", kQzPropertyPut, {intArg(1)}, nullptr, &source), 1);
  EXPECT_EQ(source, "methode:missing");

  // Null result and null exception out are allowed.
  EXPECT_EQ(o->invoke("two", kQzMethod, 0, nullptr, nullptr, nullptr), 1);
  qzVariantS ok[] = {intArg(1), intArg(2)};
  EXPECT_EQ(o->invoke("two", kQzMethod, 2, ok, nullptr, nullptr), 0);
}

TEST(Invoke, PassesOnAnErrorObjectAsTheInnerException) {
  qzIUnknown* inner = qzCreateCallException("driver", "table missing", nullptr);
  Holder o(
      new ScriptedObject({{"run", kQzMethod, 0, [inner](proxyAutoParaListC&, proxyAutoTypeCastC&) {
                             throw proxyExecuteComExceptionC(inner);
                           }}}));
  qzIUnknown* exception = nullptr;
  ASSERT_EQ(o->invoke("run", kQzMethod, 0, nullptr, nullptr, &exception), 1);
  qzRef<qzIException> e = qzQuery<qzIException>(exception, qziid::kException);
  exception->Release();
  ASSERT_TRUE(e);
  qzRef<qzIUnknown> got;
  ASSERT_EQ(e->getInnerException(got.out()), 0);
  EXPECT_EQ(qzReadException(got.get()).description, "table missing");
  EXPECT_EQ(qzReadException(e.get()).source, "methode:run");
  inner->Release();
}

TEST(Invoke, FallsBackToObjectsReturnedByPropertiesAndDefaults) {
  Holder target(new ScriptedObject({{"", kQzMethod, -1, records("target-default")},
                                    {"leaf", kQzMethod, 1, records("target-leaf")}}));
  qzIDispatch* t = target.get();
  Holder o(new ScriptedObject(
      {{"child", kQzPropertyGet, 0,
        [t](proxyAutoParaListC&, proxyAutoTypeCastC& r) { r.setObject(t); }},
       {"", kQzMethod, 0, [t](proxyAutoParaListC&, proxyAutoTypeCastC& r) { r.setObject(t); }}}));
  qzVariantS r;
  // obj.child(args): the property's object is called through its default member.
  ASSERT_EQ(call(o.get(), "child", kQzMethod, {intArg(1)}, &r), 0);
  EXPECT_EQ(lastRun, "target-default");
  // An unknown member goes to the object the default member answers.
  ASSERT_EQ(call(o.get(), "LEAF", kQzMethod, {intArg(1)}, &r), 0);
  EXPECT_EQ(lastRun, "target-leaf");
  EXPECT_STREQ(r.text(), "target-leaf");
  std::string source;
  EXPECT_EQ(call(o.get(), "nowhere", kQzMethod, {intArg(1)}, &r, &source), 1);
  EXPECT_EQ(source, "methode:nowhere(Para:1)") << "forwarding read every argument";
}

TEST(Invoke, AnObjectWhoseDefaultAnswersItselfFailsInBoundedDepth) {
  ScriptedObject* self = nullptr;
  Holder o(new ScriptedObject({{"", kQzMethod, 0, [&self](auto&, proxyAutoTypeCastC& r) {
                                  r.setObject(static_cast<qzIDispatch*>(self));
                                }}}));
  self = o.object;
  EXPECT_EQ(call(o.get(), "unknown", kQzMethod, {}), 1);
  EXPECT_EQ(o.object->refCount(), 1) << "every forwarded reference released";
}

TEST(Interfaces, QueryInterfaceAndParts) {
  Holder o(new ScriptedObject({}));
  void* p = nullptr;
  qzIIDS plain = qzMakeIID("QZIIDDSP", 0);
  ASSERT_EQ(o->QueryInterface(&plain, &p), 0);
  static_cast<qzIUnknown*>(p)->Release();
  // Our identifiers carry their length, so a plain name must match them byte for byte.
  qzIIDS lower = qzMakeIID("qziiddsp", 0);
  EXPECT_EQ(o->QueryInterface(&lower, &p), kQzNoInterface);
  qzIIDS exactLower = qzMakeIID("qziiddsp", 8);
  EXPECT_EQ(o->QueryInterface(&exactLower, &p), kQzNoInterface);
  qzIIDS other = qzMakeIID("NOPE", 0);
  EXPECT_EQ(o->QueryInterface(&other, &p), kQzNoInterface);

  qzRef<qzIComNativePointer> native = qzQuery<qzIComNativePointer>(o.get(), qziid::kNativePointer);
  ASSERT_TRUE(native);
  void* ptr = nullptr;
  native->getNativePointer(&ptr);
  EXPECT_EQ(ptr, static_cast<proxyObjectC*>(o.object));
  EXPECT_EQ(native->queryNative(0), 1);
  qzVariantS name;
  native->getClassName(&name);
  EXPECT_STREQ(name.text(), "proxyObjectC*");
  qzRef<qzIComExternalConnection> ext =
      qzQuery<qzIComExternalConnection>(native.get(), qziid::kExternalConnection);
  EXPECT_FALSE(ext) << "a part answers only itself and QZIIDUNK";
  ext = qzQuery<qzIComExternalConnection>(o.get(), qziid::kExternalConnection);
  int32_t value = 0;
  ASSERT_TRUE(ext);
  EXPECT_EQ(ext->queryConnection(&value), 0);
  EXPECT_EQ(value, 1);
  native.reset();
  ext.reset();
  EXPECT_EQ(o.object->refCount(), 1);
}

// The last reference is dropped without a locked subtraction: references dropped on several
// threads at once must still delete the object once, by whichever drops the last.
TEST(Interfaces, ReferencesDroppedOnManyThreadsDeleteOnce) {
  const int32_t before = qzLiveProxyObjects();
  constexpr int kThreads = 4, kEach = 50;
  for (int round = 0; round < 200; ++round) {
    auto* o = new ScriptedObject({});
    for (int i = 0; i < kThreads * kEach; ++i) o->AddRef();
    int32_t zeros[kThreads] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([o, t, &zeros] {
        for (int i = 0; i < kEach; ++i) zeros[t] += o->Release() == 0;
      });
    }
    for (auto& t : threads) t.join();
    ASSERT_EQ(zeros[0] + zeros[1] + zeros[2] + zeros[3], 1) << "round " << round;
    ASSERT_EQ(qzLiveProxyObjects(), before);
  }
}

TEST(TypeInfo, ListsEveryFormOfANameWithItsKinds) {
  Holder o(new ScriptedObject({{"Item", kQzMethod, 1, records("a")},
                               {"item", kQzPropertyGet, 0, records("b")},
                               {"item", kQzMethod, -1, records("c")},
                               {"Item", kQzMethod, 3, records("d")}}));
  qzRef<qzIComTypeInfo> info = qzQuery<qzIComTypeInfo>(o.get(), qziid::kTypeInfo);
  ASSERT_TRUE(info);
  qzRef<qzIUnknown> members;
  ASSERT_EQ(info->getMembers(7, members.out()), 0);
  qzRef<qzIComObjectCollection> list =
      qzQuery<qzIComObjectCollection>(members.get(), qziid::kObjectCollection);
  int32_t count = 0;
  list->getCount(&count);
  // "Item" and "item" each yield a method and a property-read entry.
  EXPECT_EQ(count, 4);
  qzRef<qzIUnknown> first;
  ASSERT_EQ(list->getItem(0, first.out()), 0);
  qzRef<qzIComMethodeTypeInfo> method =
      qzQuery<qzIComMethodeTypeInfo>(first.get(), qziid::kMethodTypeInfo);
  ASSERT_TRUE(method);
  qzVariantS name;
  method->getName(&name);
  EXPECT_STREQ(name.text(), "Item");
  int32_t minimum = -1, optional = -1;
  method->getMinParameterCount(&minimum);
  method->getOptionalParameterCount(&optional);
  EXPECT_EQ(minimum, 0) << "a row taking any count makes the minimum 0";
  EXPECT_EQ(optional, 3);
  qzRef<qzIUnknown> none;
  EXPECT_EQ(list->getItem(4, none.out()), 1);

  qzRef<qzIUnknown> member;
  EXPECT_EQ(info->getMember("ITEM", 6, member.out()), 0);
  EXPECT_TRUE(qzQuery<qzIComPropertyTypeInfo>(member.get(), qziid::kPropertyTypeInfo));
  EXPECT_EQ(info->getMember("item", 4, member.out()), 1);
  EXPECT_EQ(info->getMember("item", 8, member.out()), 1);
}

TEST(RecordedCall, FailureThenSuccessLeavesNoStaleException) {
  Holder o(new ScriptedObject({{"ok", kQzMethod, 0, records("ok")}}));
  EXPECT_EQ(qzRecordedCall(nullptr, "ok", kQzMethod, 0, nullptr, nullptr), 1);
  EXPECT_EQ(qzRecordedCall(o.get(), "bad", kQzMethod, 0, nullptr, nullptr), 1);
  qzRef<qzIUnknown> last(qzLastCallException());
  ASSERT_TRUE(last);
  EXPECT_EQ(qzReadException(last.get()).source, "methode:bad");
  last.reset();
  qzVariantS r;
  EXPECT_EQ(qzRecordedCallText(o.get(), "ok", kQzMethod, &r, "x"), 1) << "ok takes no argument";
  EXPECT_EQ(qzRecordedCall(o.get(), "ok", kQzMethod, 0, nullptr, &r), 0);
  EXPECT_EQ(qzLastCallException(), nullptr);
  qzReleaseLastCallException();
}

TEST(Identifiers, ComparisonRule) {
  EXPECT_TRUE(qzIIDEqual(qzMakeIID("QZIIDUNK", 8), qzMakeIID("QZIIDUNK", 0)));
  EXPECT_FALSE(qzIIDEqual(qzMakeIID("QZIIDUNK", 8), qzMakeIID("qziidunk", 0)));
  EXPECT_TRUE(qzIIDEqual(qzMakeIID("QZCOMENGFACT", 0), qzMakeIID("qzcomengfact", 0)));
  EXPECT_FALSE(qzIIDEqual(qzMakeIID("QZIIDUNK", 8), qzMakeIID("QZIIDUNKX", 9)));
  EXPECT_FALSE(qzIIDEqual(qzMakeIID("QZIIDUNK", 4), qzMakeIID("QZIIDUNK", 0)))
      << "the plain name must have exactly the counted length";
  EXPECT_TRUE(qzIIDEqual(qzMakeIID("QZIIDUNKNOWN", 4), qzMakeIID("QZII", 0)));
  EXPECT_FALSE(qzIIDMatchesName(qzMakeIID("A", 0), nullptr));
  EXPECT_TRUE(qzIIDMatchesName(qzMakeIID("database.jdbcdb", 0), "DATABASE.JDBCDB"));
  EXPECT_FALSE(qzIIDMatchesName(qzMakeIID("database.jdbcdb", 15), "DATABASE.JDBCDB"));
  // Lengths beyond the name storage never read past it.
  qzIIDS wild = qzMakeIID("X", 1000);
  EXPECT_FALSE(qzIIDEqual(wild, wild));
  qzIIDS unterminated;
  unterminated.length = 0;
  std::memset(unterminated.name, 'A', sizeof unterminated.name);
  EXPECT_FALSE(qzIIDMatchesName(unterminated, "A"));
  EXPECT_TRUE(qzIIDEqual(unterminated, unterminated));
  // Only letters fold: these pairs differ in the case bit alone and are still different.
  EXPECT_TRUE(qzEqualsIgnoringAsciiCase("Field_Z", "fIELD_z"));
  EXPECT_FALSE(qzEqualsIgnoringAsciiCase("a@", "a`"));
  EXPECT_FALSE(qzEqualsIgnoringAsciiCase("[x", "{x"));
  EXPECT_FALSE(qzEqualsIgnoringAsciiCase("\xc9", "\xe9")) << "no folding beyond ASCII";
  EXPECT_FALSE(qzEqualsIgnoringAsciiCase("Count", "Coun"));
  EXPECT_TRUE(qzEqualsIgnoringAsciiCase(nullptr, ""));
}
