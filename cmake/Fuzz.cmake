# Fuzz harnesses: one LLVMFuzzerTestOneInput per reader of outside input,
# with its seed corpus in corpus/<name>/ and the inputs of fixed crashes in
# regress/<name>/ beside the harness.
#
# With ORV_FUZZ (clang, scripts/fuzz.sh) each becomes a libFuzzer program
# fuzz_<name>. Otherwise each becomes replay_<name>, the same harness with a
# driver that runs the kept inputs once, and a test (label "fuzz") that does
# so; in the sanitizer trees that keeps fixed crashes fixed.
option(ORV_FUZZ "Build the fuzz harnesses as libFuzzer programs (clang)" OFF)

if(ORV_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(NOT TARGET fuzz_all)
  add_custom_target(fuzz_all)
endif()

function(project_fuzz_harness name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
  set(corpus ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  set(regress ${CMAKE_CURRENT_SOURCE_DIR}/regress/${name})
  if(ORV_FUZZ)
    set(target fuzz_${name})
    add_executable(${target} ${ARG_SOURCES})
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  else()
    set(target replay_${name})
    add_executable(${target} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
    add_test(NAME fuzz_replay_${name} COMMAND ${target} ${corpus} ${regress})
    set_tests_properties(fuzz_replay_${name} PROPERTIES LABELS fuzz
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1" TIMEOUT 300)
  endif()
  target_compile_options(${target} PRIVATE ${PROJECT_WARNINGS})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${ARG_LINK})
  add_dependencies(fuzz_all ${target})
  set_property(GLOBAL APPEND PROPERTY PROJECT_FUZZ_HARNESSES ${name})
endfunction()
