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

# A static library of every .cpp in the calling folder (not its subfolders:
# a core/ subfolder is a library of its own).
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

# A subsystem's widget-free library: the calling folder as a library that
# must never reach Qt Widgets, so that a core file including a widget header
# fails to build. project_check_core_libraries() checks the links once every
# target exists.
function(project_core_library name)
  project_folder_library(${name} ${ARGN})
  set_property(GLOBAL APPEND PROPERTY PROJECT_CORE_LIBRARIES ${name})
endfunction()

# Libraries that bring in widgets.
set(PROJECT_WIDGET_LIBRARIES Qt6::Widgets Qt6::PrintSupport Qt6::OpenGLWidgets)

function(project_find_widget_link target chain result)
  set(found "")
  foreach(prop LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
    get_target_property(libs ${target} ${prop})
    if(NOT libs)
      continue()
    endif()
    foreach(lib ${libs})
      if(lib IN_LIST PROJECT_WIDGET_LIBRARIES)
        set(found "${chain} -> ${lib}")
      elseif(TARGET ${lib} AND NOT lib MATCHES "::")
        project_find_widget_link(${lib} "${chain} -> ${lib}" sub)
        if(sub)
          set(found "${sub}")
        endif()
      endif()
      if(found)
        break()
      endif()
    endforeach()
    if(found)
      break()
    endif()
  endforeach()
  set(${result} "${found}" PARENT_SCOPE)
endfunction()

function(project_check_core_libraries)
  get_property(cores GLOBAL PROPERTY PROJECT_CORE_LIBRARIES)
  foreach(core ${cores})
    project_find_widget_link(${core} ${core} chain)
    if(chain)
      message(FATAL_ERROR "core library reaches widgets: ${chain}")
    endif()
  endforeach()
endfunction()

# One GoogleTest binary of every .cpp in the calling folder and below; each
# test case runs in a process of its own under CTest. DEPENDS names the
# programs the tests start, so that building the tests builds them too.
function(project_folder_tests name)
  cmake_parse_arguments(ARG "" "" "LINK;ENV;DEPENDS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  project_rescan_moc(${name} "${sources}")
  target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LINK} GTest::gmock GTest::gtest_main)
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  target_compile_definitions(${name} PRIVATE
    TEST_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
    TEST_FIXTURE_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures"
    TEST_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENV}" TIMEOUT 300)
endfunction()
