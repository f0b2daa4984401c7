# Helpers shared by every folder's CMakeLists.

# Automoc's timestamp does not depend on files that a later configure run
# globbed in, so a new Q_OBJECT header would go unscanned: when the list of
# files changes, drop the timestamp so that automoc scans again.
function(project_rescan_moc name files)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${name}_sources.stamp)
  set(old "")
  if(EXISTS ${stamp})
    file(READ ${stamp} old)
  endif()
  if(NOT old STREQUAL "${files}")
    file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/timestamp)
    file(WRITE ${stamp} "${files}")
  endif()
endfunction()

# A static library of every .cpp in the calling folder.
function(project_folder_library name)
  cmake_parse_arguments(ARG "" "" "LINK;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(ex ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${ex})
  endforeach()
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${sources} ${headers})
  project_rescan_moc(${name} "${sources};${headers}")
  target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
endfunction()

# One GoogleTest binary of every .cpp in the calling folder; each test
# case runs in a process of its own under CTest.
function(project_folder_tests name)
  cmake_parse_arguments(ARG "" "" "LINK;ENV" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  project_rescan_moc(${name} "${sources}")
  target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LINK} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
    TEST_FIXTURE_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures"
    TEST_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENV}" TIMEOUT 300)
endfunction()
