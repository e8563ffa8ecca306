# SPDX-License-Identifier: GPL-3.0-or-later
# Project-wide compiler settings and small helpers shared by every folder.

# Warnings are errors in our own code. Qt's headers come in as system headers
# through the imported targets, so their warnings do not count.
add_compile_options(-Wall -Wextra -Wpedantic -Werror)

if(METERTEST_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(METERTEST_SANITIZE_THREAD)
  if(METERTEST_SANITIZE)
    message(FATAL_ERROR "ThreadSanitizer and AddressSanitizer cannot be combined: pick one")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

set(CMAKE_AUTOMOC ON)

# metertest_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [TIMEOUT <s>])
# One test executable per unit under test, run headless by CTest.
function(metertest_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set(env "QT_QPA_PLATFORM=offscreen")
  if(METERTEST_SANITIZE)
    list(APPEND env "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1"
                    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
                    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
  endif()
  if(METERTEST_SANITIZE_THREAD)
    # die_after_fork=0: the end-to-end tests start metersim as a process.
    # ignore_noninstrumented_modules=1: Qt and glib are not instrumented, and
    # what they do inside their own code is theirs (see tests/tsan.supp).
    list(APPEND env "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:ignore_noninstrumented_modules=1:suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp")
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  if(ARG_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  else()
    set_tests_properties(${name} PROPERTIES TIMEOUT 120)
  endif()
endfunction()
