# halbrin_library(NAME DIRS dir... [EXCLUDE dir...] [LIBS lib...])
# A static library made of every .cpp under the given folders but the
# excluded ones (new files are picked up at the next build without editing
# CMake files).
function(halbrin_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;EXCLUDE;LIBS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  foreach(dir IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/${dir}/")
  endforeach()
  if(NOT sources)
    # Header-only for now.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE halbrin_sanitize ${ARG_LIBS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC halbrin_sanitize ${ARG_LIBS})
endfunction()

# halbrin_test(NAME DIRS dir... LIBS lib... [LABEL label] [SERIAL] [ENVIRONMENT var=value...])
# One GoogleTest executable per test folder; every TEST becomes a CTest case.
# SERIAL cases run alone: they send real input events, which go to whichever
# window has the focus on the shared X server.
function(halbrin_test name)
  cmake_parse_arguments(ARG "SERIAL" "LABEL" "DIRS;LIBS;ENVIRONMENT" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(NOT sources)
    # No tests written yet; the glob above still re-runs CMake once some appear.
    message(STATUS "${name}: no test sources yet, target skipped")
    return()
  endif()
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  # Helpers in sub-folders (fixtures/...) are named from the test folder itself.
  foreach(dir IN LISTS ARG_DIRS)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
  endforeach()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set(props)
  if(ARG_LABEL OR ARG_SERIAL OR ARG_ENVIRONMENT)
    list(APPEND props PROPERTIES)
  endif()
  if(ARG_ENVIRONMENT)
    list(APPEND props ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  if(ARG_LABEL)
    list(APPEND props LABELS ${ARG_LABEL})
  endif()
  if(ARG_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  # A case is named by its index or its name generator, never by a printout of
  # its parameter (a struct prints as raw memory, which differs between builds).
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES ${props}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
