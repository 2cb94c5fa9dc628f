# qz_library(NAME SRCS a.cpp b.cpp DEPS x y): one static, position-independent library per folder.
function(qz_library name)
  cmake_parse_arguments(ARG "" "" "SRCS;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SRCS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# qz_test(NAME SRCS a_test.cpp DEPS x y [JVM]): a GoogleTest binary run by CTest.
# JVM tests start a Java VM: they are left out of sanitizer builds and run with -Xcheck:jni.
function(qz_test name)
  cmake_parse_arguments(ARG "JVM" "" "SRCS;DEPS;ENV" ${ARGN})
  if(ARG_JVM AND QZ_SANITIZE)
    return()
  endif()
  add_executable(${name} ${ARG_SRCS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  add_test(NAME ${name} COMMAND ${name})
  set(env "QZ_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "QZ_TEST_BINARY_DIR=${CMAKE_BINARY_DIR}" ${ARG_ENV})
  if(ARG_JVM)
    list(APPEND env "QZ_JVM_OPTIONS=-Xcheck:jni")
    set_tests_properties(${name} PROPERTIES LABELS jvm)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()
