#include "host/companions.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "host/host.h"
#include "tests/support/test_objects.h"
#include "variant/variant.h"

using qztest::call;
using qztest::textArg;

TEST(EnvConfig, ResolveVarExpandsAndAlwaysAnswersAString) {
  qz::host::Host host;
  setenv("QZ_TEST_SETUP", "/opt/kestran", 1);
  qzRef<qzIUnknown> o = host.create("ZELTOOLS.ZELENVCFG");
  ASSERT_TRUE(o) << "class names ignore case";
  qzRef<qzIDispatch> d = qzQuery<qzIDispatch>(o.get(), qziid::kDispatch);
  ASSERT_TRUE(d);
  qzVariantS r;
  ASSERT_EQ(call(d.get(), "resolveVar", kQzMethod, {textArg("$QZ_TEST_SETUP/dbproxy.cfg")}, &r), 0);
  EXPECT_STREQ(r.text(), "/opt/kestran/dbproxy.cfg");
  ASSERT_EQ(call(d.get(), "resolveVar", kQzMethod, {textArg("$QZ_NOT_SET_ANYWHERE/a")}, &r), 0);
  EXPECT_STREQ(r.text(), "$QZ_NOT_SET_ANYWHERE/a") << "unknown names stay as written";
  ASSERT_EQ(call(d.get(), "resolveVar", kQzMethod, {textArg("")}, &r), 0);
  EXPECT_EQ(r.type, kVtString);
}

TEST(CharsetConvert, ConvertsOrLeavesTheCallerItsText) {
  qz::host::Host host;
  qzRef<qzIUnknown> o = host.create("zeltools.charsetconvert");
  qzRef<qzICharsetFactory> f = qzQuery<qzICharsetFactory>(o.get(), qziid::kCharsetFactory);
  ASSERT_TRUE(f);
  qzVariantS locale;
  ASSERT_EQ(f->getLocaleCharset(&locale), 0);
  EXPECT_GT(std::string(locale.text()).size(), 0u);
  EXPECT_EQ(f->isKnownCharset("CP1252"), 0);
  EXPECT_EQ(f->isKnownCharset("1252"), 0);
  EXPECT_EQ(f->isKnownCharset("no-such-charset"), 1);

  qzRef<qzIUnknown> c;
  ASSERT_EQ(f->openConverter("UTF-8", "CP1252", c.out()), 0);
  qzRef<qzICharsetConverter> conv = qzQuery<qzICharsetConverter>(c.get(), qziid::kCharsetConverter);
  ASSERT_TRUE(conv);
  qzVariantS out;
  ASSERT_EQ(conv->convert("caf\xc3\xa9 \xe2\x82\xac", &out), 0);
  EXPECT_EQ(std::string(out.text()), "caf\xe9 \x80") << "euro sign is 0x80 in CP1252";
  out.setString("untouched");
  EXPECT_NE(conv->convert("\xce\xb1\xce\xb2", &out), 0) << "Greek has no CP1252 form";
  EXPECT_STREQ(out.text(), "untouched");
  EXPECT_NE(conv->convert("\xff\xfe broken", &out), 0);

  qzRef<qzIUnknown> back;
  ASSERT_EQ(f->openConverter("CP1252", "UTF-8", back.out()), 0);
  qzRef<qzICharsetConverter> b = qzQuery<qzICharsetConverter>(back.get(), qziid::kCharsetConverter);
  ASSERT_EQ(b->convert("caf\xe9", &out), 0);
  EXPECT_STREQ(out.text(), "caf\xc3\xa9");
  // A long text grows the output buffer as needed.
  std::string longText(100000, '\xe9');
  ASSERT_EQ(b->convert(longText.c_str(), &out), 0);
  EXPECT_EQ(std::string(out.text()).size(), 200000u);
  EXPECT_EQ(f->openConverter("UTF-8", "no-such-charset", back.out()), 1);
}

TEST(HostFactory, UnknownClassesAndCompanionsByIdentifierRule) {
  qz::host::Host host;
  int32_t status = 0;
  EXPECT_FALSE(host.create("no.such.class", &status));
  EXPECT_EQ(status, 1);
  EXPECT_TRUE(host.create(qzMakeIID("zeltools.jvm", 0)));
  EXPECT_FALSE(host.create(qzMakeIID("ZELTOOLS.JVM", 12))) << "a counted length compares bytes";
  EXPECT_TRUE(host.create(qzMakeIID("zeltools.jvm", 12)));
}
