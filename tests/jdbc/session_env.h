// Test set-up for the session layer: this module's engine initialised in-process with our host,
// so that companion components can be created, and installation folders of the test's own.
//
// KESTRAN_USER and KESTRAN_SETUP point to two fresh folders, and the registry stores point to
// files that do not exist, so nothing of the machine's installation leaks into a test.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace qz::host {
class Host;
}

namespace qztest::jdbc {

class SessionEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
};

// The host the engine was started with.
qz::host::Host& host();

// Initialises and terminates the engine with the host (the environment starts it).
void startEngine();
void stopEngine();

const std::string& userFolder();
const std::string& setupFolder();
// A fresh folder under the test's temporary root.
std::string freshFolder(const std::string& name);

// Writes jdbc.cfg into a folder; removeJdbcConfig deletes it.
void writeJdbcConfig(const std::string& folder, const std::string& text);
void removeJdbcConfig(const std::string& folder);

// A jdbc.cfg block.
std::string configBlock(const std::string& dataSource, const std::string& url,
                        const std::string& driverClass, const std::string& serverDb = "");

}  // namespace qztest::jdbc
