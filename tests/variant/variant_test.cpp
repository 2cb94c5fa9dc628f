#include "variant/variant.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>
#include <utility>

#include "tests/support/test_objects.h"

using qztest::ScriptedObject;

namespace {

qzVariantS fromText(const char* t) {
  qzVariantS v;
  v.setString(t);
  return v;
}

// An object whose default member answers the given value.
qzRef<qzIUnknown> objectAnswering(const qzVariantS& value) {
  auto* o = new ScriptedObject(
      {{"", kQzMethod, 0, [value](auto&, proxyAutoTypeCastC& r) { r.value = value; }}});
  o->AddRef();
  return qzRef<qzIUnknown>(static_cast<qzIDispatch*>(o));
}

}  // namespace

TEST(VariantConversion, TextToNumberNeedsTheWholeText) {
  struct Case {
    const char* text;
    int status;
    int32_t value;
  } cases[] = {{"12", 0, 12}, {" 12", 0, 12}, {"1e3", 0, 1000}, {"", 0, 0},
               {"12 ", 1, 0}, {"abc", 1, 0},  {"3.99", 0, 3},   {"-3.99", 0, -3}};
  for (const Case& c : cases) {
    qzVariantS v = fromText(c.text);
    int32_t out = -777;
    EXPECT_EQ(v.getInt(&out), c.status) << c.text;
    if (c.status == 0) {
      EXPECT_EQ(out, c.value) << c.text;
      EXPECT_EQ(v.type, kVtInt);
    } else {
      EXPECT_EQ(out, -777) << "out written on failure";
      EXPECT_EQ(v.type, kVtString) << "failed conversion changed the variant";
      EXPECT_STREQ(v.text(), c.text);
    }
  }
}

// Beyond a 64-bit truncation there is no defined answer: fail instead of guessing.
TEST(VariantConversion, FloatToIntTakesLow32BitsOfTheTruncation) {
  const struct {
    double from;
    int status;
    int32_t to;
  } cases[] = {
      {4294967297.0, 0, 1}, {-2147483649.0, 0, 2147483647}, {1e30, 1, 0}, {std::nan(""), 1, 0}};
  for (const auto& c : cases) {
    qzVariantS v;
    v.setFloat(c.from);
    int32_t out = 0;
    EXPECT_EQ(v.getInt(&out), c.status) << c.from;
    EXPECT_EQ(out, c.to) << c.from;
  }
}

TEST(VariantConversion, BytesAndFormatting) {
  qzVariantS v;
  int32_t i = 0;
  v.setInt(300);
  ASSERT_EQ(v.changeType(kVtByte), 0);
  EXPECT_EQ(v.value.b, 44);
  v.setByte(200);
  ASSERT_EQ(v.getInt(&i), 0);
  EXPECT_EQ(i, -56);

  for (auto [number, text] :
       {std::pair<double, const char*>{0.1, "0.1"}, {1e20, "1e+20"}, {-1.5e-300, "-1.5e-300"}}) {
    const char* t = nullptr;
    v.setFloat(number);
    ASSERT_EQ(v.getText(&t), 0);
    EXPECT_STREQ(t, text);
  }
  const char* t = nullptr;
  v.setInt(-5);
  ASSERT_EQ(v.getText(&t), 0);
  EXPECT_STREQ(t, "-5");

  v.setByte(1);
  EXPECT_EQ(v.changeType(kVtFloat), 1);
  EXPECT_EQ(v.changeType(kVtString), 1);
  v.setFloat(1.0);
  EXPECT_EQ(v.changeType(kVtByte), 1);
  v.clear();
  EXPECT_EQ(v.changeType(kVtInt), 1);
}

TEST(VariantConversion, DecimalPointWhateverTheUserLocale) {
  // A locale with a decimal comma, if this machine has one; the conversion must not care.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  qzVariantS v = fromText("2.5");
  double d = 0;
  EXPECT_EQ(v.getFloat(&d), 0);
  EXPECT_EQ(d, 2.5);
  v.setFloat(0.25);
  const char* t = nullptr;
  ASSERT_EQ(v.getText(&t), 0);
  EXPECT_STREQ(t, "0.25");
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!comma) GTEST_SKIP() << "no de_DE locale here; checked under the C locale only";
}

TEST(VariantObjects, ConversionFollowsTheDefaultMember) {
  qzRef<qzIUnknown> seven = objectAnswering(qztest::intArg(7));
  qzVariantS v;
  v.setObject(seven.get());
  const char* t = nullptr;
  ASSERT_EQ(v.getText(&t), 0);
  EXPECT_STREQ(t, "7");
  EXPECT_EQ(v.type, kVtString) << "the variant still holds the object";

  // An object answering an object answering 2.5: followed to the end.
  qzVariantS inner;
  inner.setObject(objectAnswering(qztest::floatArg(2.5)).get());
  qzRef<qzIUnknown> outer = objectAnswering(inner);
  qzVariantS w;
  w.setObject(outer.get());
  qzVariantS def;
  ASSERT_EQ(w.defaultValue(&def), 0);
  EXPECT_EQ(def.type, kVtFloat);
  EXPECT_EQ(def.value.f, 2.5);
}

TEST(VariantObjects, SelfAnsweringDefaultMemberFailsInsteadOfOverflowing) {
  // Its default member answers the object itself.
  ScriptedObject* loop = nullptr;
  loop = new ScriptedObject({{"", kQzMethod, 0, [&loop](auto&, proxyAutoTypeCastC& r) {
                                r.setObject(static_cast<qzIDispatch*>(loop));
                              }}});
  loop->AddRef();
  qzVariantS v;
  v.setObject(static_cast<qzIDispatch*>(loop));
  int32_t i = 0;
  EXPECT_EQ(v.getInt(&i), 1);
  EXPECT_EQ(v.type, kVtObject) << "a failed conversion of an object leaves the object";
  qzVariantS def;
  EXPECT_EQ(v.defaultValue(&def), 1);
  v.clear();
  loop->Release();
}

TEST(VariantObjects, NullObjectStaysUndefAndReferencesBalance) {
  qzVariantS v;
  v.setObject(nullptr);
  EXPECT_EQ(v.type, kVtUndef);

  auto* o = new ScriptedObject({});
  o->AddRef();
  {
    qzVariantS a;
    a.setObject(static_cast<qzIDispatch*>(o));
    qzVariantS b(a);
    qzVariantS c;
    c = b;
    EXPECT_EQ(o->refCount(), 4);
    qzIUnknown* got = nullptr;
    ASSERT_EQ(c.getObject(&got), 0);
    got->Release();
  }
  EXPECT_EQ(o->refCount(), 1);
  o->Release();
}

// Growing by one, as a list of rows does, makes each page as its first element is reached,
// also after shrinking.
TEST(VariantArrays, GrowingByOneReachesEveryPage) {
  qzVariantArrayC array;
  for (int i = 0; i < 40; ++i) {
    array.resize(i + 1);
    array.element(i).setInt(i);
  }
  for (int i = 0; i < 40; ++i) EXPECT_EQ(array.element(i).value.i, i);
  array.resize(3);
  array.resize(49);
  array.element(48).setInt(48);
  EXPECT_EQ(array.element(39).value.i, 39);
  EXPECT_EQ(array.count(), 49);
}

// Callers in other modules index within a page from its first element's address.
TEST(VariantArrays, ThePagesOfEightLieInOnePiece) {
  qzVariantArrayC array;
  array.resize(30);
  for (int i = 0; i < 30; ++i) {
    array.element(i).setInt(i);
    EXPECT_EQ(&array.element(i), &array.element(i & ~7) + (i & 7)) << i;
  }
  for (int i = 0; i < 30; ++i) EXPECT_EQ((&array.element(i & ~7))[i & 7].value.i, i);
}

TEST(VariantArrays, CopyIsDeepAndClearKeepsOldValues) {
  auto* array = new qzVariantArrayC();
  array->resize(20);
  for (int i = 0; i < 20; ++i) array->element(i).setString(std::to_string(i).c_str());
  qzVariantS src;
  src.setArray(array);
  qzVariantS copy(src);
  copy.value.a->element(3).setInt(99);
  EXPECT_STREQ(src.value.a->element(3).text(), "3");
  EXPECT_EQ(copy.value.a->count(), 20);

  array->clear();
  EXPECT_EQ(array->count(), 0);
  array->resize(5);
  EXPECT_STREQ(array->element(4).text(), "4") << "resize after clear shows the old values";

  // Assigning an element of an array to the variant owning that array must not read freed
  // memory.
  qzVariantS holder;
  holder.setArray(copy.value.a->clone());
  holder = holder.value.a->element(7);
  EXPECT_STREQ(holder.text(), "7");
  // Nor taking one.
  holder.setArray(copy.value.a->clone());
  holder.take(holder.value.a->element(8));
  EXPECT_STREQ(holder.text(), "8");
}
