# GoogleTest from Debian's source package, built with whichever compiler this
# tree uses, so the same tests run natively and, cross-built, under Wine.
set(SB_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${SB_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# sb_add_unit_test(name SOURCES ... [LIBS ...] [WINE_ONLY] [SLOW])
# SLOW: a long one, started among the first when the Wine tests run side by side.
# Natively the test runs directly; cross-built it runs under Wine through
# tools/wine-test, once under a GBK (936) and once under a Western (1252) code page.
function(sb_add_unit_test name)
  cmake_parse_arguments(arg "WINE_ONLY;SLOW" "" "SOURCES;LIBS" ${ARGN})
  if(arg_WINE_ONLY AND NOT WIN32)
    return()
  endif()
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBS} GTest::gtest_main)
  if(WIN32)
    foreach(lang zh_CN en_US)
      add_test(NAME ${name}.${lang}
               COMMAND ${CMAKE_SOURCE_DIR}/tools/slot ${CMAKE_SOURCE_DIR}/tools/wine-test ${lang}.UTF-8
                       $<TARGET_FILE:${name}>)
      set_tests_properties(${name}.${lang} PROPERTIES RESOURCE_GROUPS wine:1)
      if(arg_SLOW)
        set_tests_properties(${name}.${lang} PROPERTIES COST 9000)
      endif()
    endforeach()
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
endfunction()

# sb_add_pytests(PREFIX dir TIMEOUT seconds [LOCK name] [SLOW test_x ...] [SOUND test_x ...] ENV "A=1;B=2")
# One CTest test per test_*.py file in the current source folder, run with
# Debian's pytest from the repository root in a Wine slot of its own
# (tools/slot). LOCK keeps the folder's tests from running beside each other;
# SLOW names the long files, longest first, which tools/test starts first; SOUND those that
# compare captured sound with references, of which tools/test runs only a few
# at a time (each plays in real time and must not be starved of the CPU).
function(sb_add_pytests)
  cmake_parse_arguments(arg "" "PREFIX;LOCK;TIMEOUT" "ENV;SLOW;SOUND" ${ARGN})
  file(GLOB files CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.py)
  foreach(t ${files})
    get_filename_component(n ${t} NAME_WE)
    add_test(NAME ${arg_PREFIX}.${n}
             COMMAND ${CMAKE_SOURCE_DIR}/tools/slot /usr/bin/python3 -m pytest -q -p no:cacheprovider ${t}
             WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
    # The long files first, in the order given (longest first), the others after them.
    set(cost 100)
    list(FIND arg_SLOW ${n} rank)
    if(rank GREATER_EQUAL 0)
      math(EXPR cost "10000 - 100 * ${rank}")
    endif()
    set(groups wine:1)
    if(n IN_LIST arg_SOUND)
      set(groups "wine:1,sound:1")
    endif()
    set_tests_properties(${arg_PREFIX}.${n} PROPERTIES
      ENVIRONMENT "${arg_ENV}" RESOURCE_GROUPS "${groups}" TIMEOUT ${arg_TIMEOUT} COST ${cost})
    if(arg_LOCK)
      set_tests_properties(${arg_PREFIX}.${n} PROPERTIES RESOURCE_LOCK ${arg_LOCK})
    endif()
  endforeach()
endfunction()
