// Whole-file replacement for the configuration writer.
//
// Thread rule: any thread; two writers of one file at once leave one of their texts whole.
#pragma once

#include <filesystem>
#include <string_view>

namespace qz::config {

// Writes bytes to a new file beside target and renames it over target, so that target holds
// either its old content or all of the new one, never a part. A file that exists keeps its
// permissions; a new one is created with 0666 less the umask. A link is followed and the file
// it names is replaced. False, with target untouched, when any step fails.
bool replaceFileContents(const std::filesystem::path& target, std::string_view bytes);

}  // namespace qz::config
