# qz_library(NAME SRCS a.cpp b.cpp DEPS x y): one static, position-independent library per folder.
function(qz_library name)
  cmake_parse_arguments(ARG "" "" "SRCS;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SRCS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# qz_test(NAME SRCS a_test.cpp DEPS x y [JVM [JVM_OPTIONS "..."]]): a GoogleTest binary run by
# CTest. JVM tests start a Java VM: they run with -Xcheck:jni and JVM_OPTIONS, and in sanitizer
# builds with QZ_JVM_SANITIZER_ENV.
function(qz_test name)
  cmake_parse_arguments(ARG "JVM" "JVM_OPTIONS" "SRCS;DEPS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SRCS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  add_test(NAME ${name} COMMAND ${name})
  set(env "QZ_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "QZ_TEST_BINARY_DIR=${CMAKE_BINARY_DIR}" ${ARG_ENV})
  if(ARG_JVM)
    string(STRIP "-Xcheck:jni ${ARG_JVM_OPTIONS}" options)
    list(APPEND env "QZ_JVM_OPTIONS=${options}" ${QZ_JVM_SANITIZER_ENV})
    set_tests_properties(${name} PROPERTIES LABELS jvm)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()

# qz_fuzz(NAME SRCS a_fuzz.cpp DEPS x y): a libFuzzer target when QZ_FUZZ is on under clang; its
# corpus is the folder corpus/NAME beside it. Run: NAME -max_total_time=60 corpus/NAME
function(qz_fuzz name)
  cmake_parse_arguments(ARG "" "" "SRCS;DEPS" ${ARGN})
  if(NOT QZ_FUZZ OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  add_executable(${name}_fuzz ${ARG_SRCS})
  target_link_libraries(${name}_fuzz PRIVATE ${ARG_DEPS})
  target_link_options(${name}_fuzz PRIVATE -fsanitize=fuzzer)
endfunction()
