// Parsing and writing a configuration held in memory, shared by the configuration tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "config/config.h"

namespace qz::config {

inline std::unique_ptr<CSConfig> parse(const std::string& text, bool multiLine = false,
                                       bool caseInsensitive = true) {
  auto config = std::make_unique<CSConfig>(nullptr, nullptr, caseInsensitive);
  config->setMultiLine(multiLine);
  std::istringstream in(text);
  EXPECT_EQ(config->readStream(in, false), kConfigDone);
  return config;
}

// The first value of an item, or "<missing>".
inline std::string valueOf(CSConfig& config, const std::string& key, const std::string& block) {
  CSConfigItem* item = config.findItem(key, block);
  return item != nullptr ? item->valueText(0) : "<missing>";
}

inline std::string written(const CSConfig& config) {
  std::ostringstream out;
  EXPECT_EQ(config.writeStream(out), kConfigDone);
  return out.str();
}

}  // namespace qz::config
