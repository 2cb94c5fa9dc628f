// The set-up steps against companion components that misbehave: a host engine of the test's
// own serves them, so every status a real host may pass on can be tried.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "engine/engine.h"
#include "jdbc/jsql_api.h"
#include "tests/jdbc/session_env.h"
#include "variant/variant.h"

namespace qz::jdbc {
namespace {

// Counts references but lives on the stack of the test.
template <class Interface>
class Fake : public Interface {
 public:
  int32_t QueryInterface(const qzIIDS* iid, void** out) override {
    if (!iid || !out) return kQzFailed;
    if (queryStatus != kQzOk) return queryStatus;
    if (qzIIDEqual(*iid, qziid::kUnknown) || qzIIDEqual(*iid, own_)) {
      AddRef();
      *out = static_cast<Interface*>(this);
      return kQzOk;
    }
    return kQzNoInterface;
  }
  int32_t AddRef() override { return ++refs; }
  int32_t Release() override { return --refs; }

  int32_t queryStatus = kQzOk;
  int32_t refs = 0;

 protected:
  explicit Fake(const qzIIDS& own) : own_(own) {}

 private:
  qzIIDS own_;
};

class FakeJvmProvider : public Fake<qzIJvmProvider> {
 public:
  FakeJvmProvider() : Fake(qziid::kJvmProvider) {}
  int32_t getConfiguration(qzVariantS*) override { return kQzFailed; }
  int32_t getJavaVM(void**, void**) override {
    ++calls;
    return status;  // hands out no VM, whatever it answers
  }
  int32_t status = kQzOk;
  int calls = 0;
};

class FakeConverter : public Fake<qzICharsetConverter> {
 public:
  FakeConverter() : Fake(qziid::kCharsetConverter) {}
  int32_t getSourceCharset(qzVariantS*) override { return kQzFailed; }
  int32_t getTargetCharset(qzVariantS*) override { return kQzFailed; }
  int32_t convert(const char*, qzVariantS*) override { return kQzFailed; }
};

class FakeCharsetFactory : public Fake<qzICharsetFactory> {
 public:
  FakeCharsetFactory() : Fake(qziid::kCharsetFactory) {}
  int32_t isKnownCharset(const char*) override { return kQzFailed; }
  int32_t getLocaleCharset(qzVariantS* out) override {
    if (localeStatus == kQzOk && !locale.empty()) out->setString(locale.c_str());
    return localeStatus;
  }
  int32_t openConverter(const char* from, const char* to, qzIUnknown** out) override {
    opened += std::string(from) + ">" + to + " ";
    int32_t status = std::string(from) == "UTF-8" ? fromUtf8Status : toUtf8Status;
    if (status == kQzOk) {
      converter.AddRef();
      *out = &converter;
    }
    return status;
  }
  int32_t localeStatus = kQzOk;
  std::string locale;
  int32_t fromUtf8Status = kQzOk;
  int32_t toUtf8Status = kQzOk;
  std::string opened;
  FakeConverter converter;
};

class FakeEnvConfig : public Fake<qzIDispatch> {
 public:
  FakeEnvConfig() : Fake(qziid::kDispatch) {}
  int32_t invoke(const char* name, int32_t, int32_t count, const qzVariantS*, qzVariantS* result,
                 qzIUnknown**) override {
    if (std::string(name) != "resolveVar" || count != 1 || status != kQzOk) return kQzFailed;
    if (result && !answer.empty()) result->setString(answer.c_str());
    return kQzOk;
  }
  int32_t status = kQzOk;
  std::string answer;  // empty: answers no text
};

// The host engine, which is its own engine factory. createObject answers the component
// registered under the class name, or the status registered for it.
class FakeEngine : public qzIEngineFactory {
 public:
  int32_t QueryInterface(const qzIIDS* iid, void** out) override {
    if (!iid || !out) return kQzFailed;
    if (qzIIDEqual(*iid, qziid::kEngineFactory) || qzIIDEqual(*iid, qziid::kUnknown)) {
      AddRef();
      *out = static_cast<qzIEngineFactory*>(this);
      return kQzOk;
    }
    return kQzNoInterface;
  }
  int32_t AddRef() override { return ++refs; }
  int32_t Release() override { return --refs; }
  int32_t registerClassObject(const qzIIDS*, qzIUnknown*, int32_t, uint32_t* cookie) override {
    if (cookie) *cookie = 1;
    return kQzOk;
  }
  int32_t revokeClassObject(uint32_t) override { return kQzOk; }
  int32_t classObjectCount(int32_t* out) override {
    *out = 0;
    return kQzOk;
  }
  int32_t createObject(const qzIIDS* classId, qzIUnknown** out) override {
    auto it = components.find(classId->name);
    if (it == components.end()) return 7;  // a status of the host's own
    if (!it->second.object) return it->second.status;
    it->second.object->AddRef();
    *out = it->second.object;
    return kQzOk;
  }

  struct Entry {
    qzIUnknown* object;
    int32_t status;
  };
  std::map<std::string, Entry> components;
  int32_t refs = 0;
};

class CompanionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qztest::jdbc::stopEngine();
    ASSERT_EQ(qzComInitRemoteEngine(&engine_), 0);
  }
  void TearDown() override {
    qzComTerminateRemoteEngine();
    EXPECT_EQ(engine_.refs, 0);
    qztest::jdbc::startEngine();
  }

  FakeEngine engine_;
};

TEST_F(CompanionTest, AJvmComponentThatHandsOutNoVmIsAFailure) {
  JSQLApi api;
  // Not there at all: the host's own status.
  EXPECT_EQ(api.CreateOrGetJVM(), -1);
  EXPECT_EQ(api.lastMessage(), "qzComCreateObject: zeltools.jvm");

  // There, but without the provider interface (status 2).
  FakeJvmProvider provider;
  engine_.components["zeltools.jvm"] = {&provider, 0};
  provider.queryStatus = kQzNoInterface;
  EXPECT_EQ(api.CreateOrGetJVM(), -1);
  EXPECT_EQ(api.lastMessage(), "qzComCreateObject: zeltools.jvm");
  EXPECT_EQ(provider.calls, 0) << "nothing is called through a pointer that did not arrive";

  // A provider that answers success but no VM.
  provider.queryStatus = kQzOk;
  EXPECT_EQ(api.CreateOrGetJVM(), -1);
  EXPECT_EQ(provider.calls, 1);
  EXPECT_FALSE(api.jvmReady());
  EXPECT_NE(api.lastMessage(), "");
  EXPECT_EQ(api.RegisterDBDriver("db"), -1);
  EXPECT_EQ(api.lastMessage(), "Can not register JDBC-driver. No JVM avalaible.");
  EXPECT_EQ(provider.refs, 0) << "the provider is released";
}

TEST_F(CompanionTest, EveryNonZeroStatusOfTheCharsetComponentIsAFailure) {
  JSQLApi api;
  engine_.components["zeltools.charsetconvert"] = {nullptr, 3};
  EXPECT_EQ(api.initCharsetConverter(), -1);
  EXPECT_EQ(api.lastMessage(),
            "JSQLApi::initCharsetConverter: Create object ZELTOOLS.CHARSETCONVERT failed");

  FakeCharsetFactory factory;
  engine_.components["zeltools.charsetconvert"] = {&factory, 0};
  factory.queryStatus = kQzNoInterface;
  EXPECT_EQ(api.initCharsetConverter(), -1);
  EXPECT_EQ(api.lastMessage(),
            "JSQLApi::initCharsetConverter: Create object ZELTOOLS.CHARSETCONVERT failed");

  factory.queryStatus = kQzOk;
  factory.localeStatus = 5;
  EXPECT_EQ(api.initCharsetConverter(), -1);
  EXPECT_EQ(api.lastMessage(), "JSQLApi::initCharsetConverter: getLocaleCharset failed");
  EXPECT_EQ(factory.opened, "");
  EXPECT_FALSE(api.fromUtf8Ready());
}

TEST_F(CompanionTest, ConvertersThatDoNotOpenAreLeftUnused) {
  FakeCharsetFactory factory;
  engine_.components["zeltools.charsetconvert"] = {&factory, 0};
  {
    JSQLApi api;
    factory.fromUtf8Status = 4;  // neither 0 nor 1
    factory.toUtf8Status = 1;
    EXPECT_EQ(api.initCharsetConverter(), 1);
    EXPECT_EQ(api.lastMessage(), "JSQLApi::initCharsetConverter: openConverter failed");
    EXPECT_FALSE(api.fromUtf8Ready());
    EXPECT_FALSE(api.toUtf8Ready());
    EXPECT_EQ(factory.opened, "UTF-8>CP1252 CP1252>UTF-8 ") << "no locale text: CP1252";
  }
  {
    JSQLApi api;
    factory.opened.clear();
    factory.locale = "ISO-8859-7";
    factory.fromUtf8Status = kQzOk;
    factory.toUtf8Status = kQzOk;
    EXPECT_EQ(api.initCharsetConverter(), 1);
    EXPECT_TRUE(api.fromUtf8Ready());
    EXPECT_TRUE(api.toUtf8Ready());
    EXPECT_EQ(factory.opened, "UTF-8>ISO-8859-7 ISO-8859-7>UTF-8 ");
    EXPECT_EQ(api.initCharsetConverter(), 1);
    EXPECT_EQ(factory.opened, "UTF-8>ISO-8859-7 ISO-8859-7>UTF-8 ") << "opened once";
    EXPECT_EQ(factory.converter.refs, 2);
  }
  EXPECT_EQ(factory.converter.refs, 0) << "the session releases its converters";
  EXPECT_EQ(factory.refs, 0);
}

TEST_F(CompanionTest, PathsResolveThroughTheEnvironmentComponentFirst) {
  using qztest::jdbc::writeJdbcConfig;
  std::string elsewhere = qztest::jdbc::freshFolder("elsewhere");
  writeJdbcConfig(elsewhere, qztest::jdbc::configBlock("db", "", "", "from-component"));
  writeJdbcConfig(qztest::jdbc::userFolder(), qztest::jdbc::configBlock("db", "", "", "own"));

  FakeEnvConfig resolver;
  engine_.components["zeltools.zelenvcfg"] = {&resolver, 0};
  resolver.answer = elsewhere + "\\jdbc.cfg";
  JSQLApi api;
  char buffer[32];
  ASSERT_EQ(api.JSQLGetServerDB("db", buffer, sizeof buffer - 1), 1);
  EXPECT_STREQ(buffer, "from-component");

  // A component that fails or answers no text leaves the expansion to the library.
  resolver.status = kQzFailed;
  ASSERT_EQ(api.JSQLGetServerDB("db", buffer, sizeof buffer - 1), 1);
  EXPECT_STREQ(buffer, "own");
  resolver.status = kQzOk;
  resolver.answer.clear();
  ASSERT_EQ(api.JSQLGetServerDB("db", buffer, sizeof buffer - 1), 1);
  EXPECT_STREQ(buffer, "own");
  EXPECT_EQ(resolver.refs, 0);
  qztest::jdbc::removeJdbcConfig(qztest::jdbc::userFolder());
}

}  // namespace
}  // namespace qz::jdbc
