# Warnings and sanitizers, applied to every target of the project.
add_compile_options(-Wall -Wextra -Wno-missing-field-initializers)
if(TESSEL_WERROR)
  add_compile_options(-Werror)
endif()

# Fuzzing builds (clang): coverage for libFuzzer in every library, with ASan.
option(TESSEL_FUZZ "Build libFuzzer executables (needs clang)" OFF)
if(TESSEL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TESSEL_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(TESSEL_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT TESSEL_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TESSEL_SANITIZE must be '', 'address' or 'thread'")
endif()

# tessel_add_test(name SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest executable; every test case becomes a CTest test.
function(tessel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(NOT T_LABELS)
    set(T_LABELS core)
  endif()
  # The emulated products keep their memories under XDG_STATE_HOME: tests
  # never read or change the user's demo store.
  gtest_discover_tests(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 120
                       ENVIRONMENT "XDG_STATE_HOME=${CMAKE_BINARY_DIR}/test-state/${name}"
                       DISCOVERY_TIMEOUT 60)
endfunction()
