// main() of the JVM tests. The VM is never destroyed; while an exiting process tears down the
// VM library's statics, the VM's watcher thread may still run -Xcheck:jni's signal check and
// report the SIGSEGV handler as "modified". Once the results are out, leave without teardown.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  int result = RUN_ALL_TESTS();
  std::fflush(nullptr);
  std::_Exit(result);
}
