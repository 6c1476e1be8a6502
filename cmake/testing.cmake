# GoogleTest from Debian's source package, built with whichever compiler this
# tree uses, so the same tests run natively and, cross-built, under Wine.
set(SB_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${SB_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# sb_add_unit_test(name SOURCES ... [LIBS ...] [WINE_ONLY])
# Natively the test runs directly; cross-built it runs under Wine through
# tools/wine-test, once under a GBK (936) and once under a Western (1252) code page.
function(sb_add_unit_test name)
  cmake_parse_arguments(arg "WINE_ONLY" "" "SOURCES;LIBS" ${ARGN})
  if(arg_WINE_ONLY AND NOT WIN32)
    return()
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gtest_main)
  if(WIN32)
    foreach(lang zh_CN en_US)
      add_test(NAME ${name}.${lang}
               COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-test ${lang}.UTF-8 $<TARGET_FILE:${name}>)
    endforeach()
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
endfunction()

# sb_add_pytests(PREFIX dir LOCK name TIMEOUT seconds ENV "A=1;B=2")
# One CTest test per test_*.py file in the current source folder, run with
# Debian's pytest from the repository root.
function(sb_add_pytests)
  cmake_parse_arguments(arg "" "PREFIX;LOCK;TIMEOUT" "ENV" ${ARGN})
  file(GLOB files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.py)
  foreach(t ${files})
    get_filename_component(n ${t} NAME_WE)
    add_test(NAME ${arg_PREFIX}.${n}
             COMMAND /usr/bin/python3 -m pytest -q -p no:cacheprovider ${t}
             WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
    set_tests_properties(${arg_PREFIX}.${n} PROPERTIES
      ENVIRONMENT "${arg_ENV}" RESOURCE_LOCK ${arg_LOCK} TIMEOUT ${arg_TIMEOUT})
  endforeach()
endfunction()
