// The set-up steps against companion components that misbehave: a host engine of the test's
// own serves them, so that every status a host may pass on can be tried.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "engine/engine.h"
#include "jdbc/jsql_api.h"
#include "tests/jdbc/session_env.h"
#include "variant/variant.h"

namespace qz::jdbc {
namespace {

// Counts its references; lives on the test's stack. queryStatus is what QueryInterface answers.
template <class Interface>
class Fake : public Interface {
 public:
  int32_t QueryInterface(const qzIIDS* iid, void** out) override {
    if (queryStatus != kQzOk) return queryStatus;
    if (!qzIIDEqual(*iid, qziid::kUnknown) && !qzIIDEqual(*iid, own_)) return kQzNoInterface;
    AddRef();
    *out = static_cast<Interface*>(this);
    return kQzOk;
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

struct FakeJvmProvider : Fake<qzIJvmProvider> {
  FakeJvmProvider() : Fake(qziid::kJvmProvider) {}
  int32_t getConfiguration(qzVariantS*) override { return kQzFailed; }
  // Answers success but hands out no VM.
  int32_t getJavaVM(void**, void**) override {
    ++calls;
    return kQzOk;
  }
  int calls = 0;
};

struct FakeConverter : Fake<qzICharsetConverter> {
  FakeConverter() : Fake(qziid::kCharsetConverter) {}
  int32_t getSourceCharset(qzVariantS*) override { return kQzFailed; }
  int32_t getTargetCharset(qzVariantS*) override { return kQzFailed; }
  int32_t convert(const char*, qzVariantS*) override { return kQzFailed; }
};

struct FakeCharsetFactory : Fake<qzICharsetFactory> {
  FakeCharsetFactory() : Fake(qziid::kCharsetFactory) {}
  int32_t isKnownCharset(const char*) override { return kQzFailed; }
  int32_t getLocaleCharset(qzVariantS* out) override {
    if (!locale.empty()) out->setString(locale.c_str());
    return localeStatus;
  }
  int32_t openConverter(const char* from, const char* to, qzIUnknown** out) override {
    opened += std::string(from) + ">" + to + " ";
    if (openStatus != kQzOk) return openStatus;
    converter.AddRef();
    *out = &converter;
    return kQzOk;
  }
  int32_t localeStatus = kQzOk;
  std::string locale;
  int32_t openStatus = kQzOk;
  std::string opened;
  FakeConverter converter;
};

struct FakeEnvConfig : Fake<qzIDispatch> {
  FakeEnvConfig() : Fake(qziid::kDispatch) {}
  int32_t invoke(const char*, int32_t, int32_t, const qzVariantS*, qzVariantS* result,
                 qzIUnknown**) override {
    if (status == kQzOk && !answer.empty()) result->setString(answer.c_str());
    return status;
  }
  int32_t status = kQzOk;
  std::string answer;  // empty: no text
};

// The host engine, its own engine factory: createObject answers the component registered under
// the class name, or a status of the host's own.
struct FakeEngine : Fake<qzIEngineFactory> {
  FakeEngine() : Fake(qziid::kEngineFactory) {}
  int32_t registerClassObject(const qzIIDS*, qzIUnknown*, int32_t, uint32_t* cookie) override {
    *cookie = 1;
    return kQzOk;
  }
  int32_t revokeClassObject(uint32_t) override { return kQzOk; }
  int32_t classObjectCount(int32_t* out) override {
    *out = 0;
    return kQzOk;
  }
  int32_t createObject(const qzIIDS* classId, qzIUnknown** out) override {
    auto it = components.find(classId->name);
    if (it == components.end()) return 7;
    it->second->AddRef();
    *out = it->second;
    return kQzOk;
  }
  std::map<std::string, qzIUnknown*> components;
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
  EXPECT_EQ(api.CreateOrGetJVM(), -1) << "not there: the host's own status";
  EXPECT_EQ(api.lastMessage(), "qzComCreateObject: zeltools.jvm");

  FakeJvmProvider provider;
  engine_.components["zeltools.jvm"] = &provider;
  provider.queryStatus = kQzNoInterface;
  EXPECT_EQ(api.CreateOrGetJVM(), -1);
  EXPECT_EQ(api.lastMessage(), "qzComCreateObject: zeltools.jvm");
  EXPECT_EQ(provider.calls, 0);

  provider.queryStatus = kQzOk;
  EXPECT_EQ(api.CreateOrGetJVM(), -1) << "success without a VM";
  EXPECT_EQ(provider.calls, 1);
  EXPECT_FALSE(api.jvmReady());
  EXPECT_EQ(api.RegisterDBDriver("db"), -1);
  EXPECT_EQ(api.lastMessage(), "Can not register JDBC-driver. No JVM avalaible.");
  EXPECT_EQ(provider.refs, 0);
}

TEST_F(CompanionTest, CharsetComponentStatusesOtherThanZeroAreFailures) {
  FakeCharsetFactory factory;
  engine_.components["zeltools.charsetconvert"] = &factory;
  {
    JSQLApi api;
    factory.queryStatus = kQzNoInterface;
    EXPECT_EQ(api.initCharsetConverter(), -1);
    EXPECT_EQ(api.lastMessage(),
              "JSQLApi::initCharsetConverter: Create object ZELTOOLS.CHARSETCONVERT failed");
    factory.queryStatus = kQzOk;
    factory.localeStatus = 5;
    EXPECT_EQ(api.initCharsetConverter(), -1);
    EXPECT_EQ(api.lastMessage(), "JSQLApi::initCharsetConverter: getLocaleCharset failed");

    // Converters that do not open leave the text unconverted; the step still succeeds.
    factory.localeStatus = kQzOk;
    factory.openStatus = 4;
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
    factory.openStatus = kQzOk;
    EXPECT_EQ(api.initCharsetConverter(), 1);
    EXPECT_EQ(api.initCharsetConverter(), 1);
    EXPECT_TRUE(api.fromUtf8Ready());
    EXPECT_TRUE(api.toUtf8Ready());
    EXPECT_EQ(factory.opened, "UTF-8>ISO-8859-7 ISO-8859-7>UTF-8 ") << "opened once";
  }
  EXPECT_EQ(factory.converter.refs, 0) << "the session releases what it holds";
  EXPECT_EQ(factory.refs, 0);
}

TEST_F(CompanionTest, PathsResolveThroughTheEnvironmentComponentFirst) {
  std::string elsewhere = qztest::jdbc::freshFolder("elsewhere");
  qztest::jdbc::writeJdbcConfig(elsewhere, qztest::jdbc::configBlock("db", "", "", "component"));
  qztest::jdbc::writeJdbcConfig(qztest::jdbc::userFolder(),
                                qztest::jdbc::configBlock("db", "", "", "own"));
  FakeEnvConfig resolver;
  engine_.components["zeltools.zelenvcfg"] = &resolver;
  JSQLApi api;
  char buffer[32];
  resolver.answer = elsewhere + "\\jdbc.cfg";
  ASSERT_EQ(api.JSQLGetServerDB("db", buffer, sizeof buffer - 1), 1);
  EXPECT_STREQ(buffer, "component");
  // A call that fails or gives no text leaves the expansion to us.
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
