# Libraries are declared once, in src/CMakeLists.txt, each as the sources under its folders. That one list
# also makes the test executables (tests/ mirrors src/) and guards the layout: every source under src/ and
# tests/ must belong to exactly one library or test executable, or configure stops and names the file.

# The repository's top folder, also when another project (fuzz/) includes this file.
get_filename_component(QZ_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

# Our own code builds with the strict warning set, as errors. Third-party headers come in as SYSTEM
# includes (imported targets), so only our code is held to it.
option(QZ_WERROR "Treat warnings in our own code as errors" ON)
set(QZ_WARNINGS -Wall -Wextra -Wshadow -Wconversion -Wold-style-cast -Wpedantic -Wnon-virtual-dtor)

# GCC 12's flow analysis at -O2 and above reports array bounds, overlapping copies and string overflows inside the
# standard library's inlined code that cannot happen; in optimised builds these stay warnings.
set(QZ_OPTIMISED_NO_ERROR -Wno-error=array-bounds -Wno-error=restrict -Wno-error=stringop-overflow
                          -Wno-error=stringop-overread)

function(qz_target_warnings target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${QZ_WARNINGS}>
    $<$<AND:$<COMPILE_LANGUAGE:CXX>,$<BOOL:${QZ_WERROR}>>:-Werror>
    $<$<AND:$<COMPILE_LANGUAGE:CXX>,$<CXX_COMPILER_ID:GNU>,$<NOT:$<CONFIG:Debug>>>:${QZ_OPTIMISED_NO_ERROR}>)
endfunction()

# qz_add_library(name [EXECUTABLE] DIRS dir... [DEPS lib...] [PRIVATE_DEPS lib...] [TEST_DEPS lib...])
#   EXECUTABLE    a program rather than a library (its folders hold its main); it has no tests of its own
#   DIRS          folders under src/ whose sources make the library (and, under tests/, its tests); a folder
#                 inside another library's folder belongs to the library that names it (the longest match)
#   DEPS          our libraries below this one (public: their headers are part of this one's)
#   PRIVATE_DEPS  third-party libraries this one wraps; their headers stay inside it
#   TEST_DEPS     what the test executable needs beyond the library itself
# Records the library; qz_create_libraries() makes the targets once every library is known.
function(qz_add_library name)
  cmake_parse_arguments(ARG "EXECUTABLE" "" "DIRS;DEPS;PRIVATE_DEPS;TEST_DEPS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS OR NOT ARG_DIRS)
    message(FATAL_ERROR "qz_add_library(${name}): DIRS are required; unexpected: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  foreach(dir IN LISTS ARG_DIRS)
    if(NOT IS_DIRECTORY "${QZ_ROOT}/src/${dir}")
      message(FATAL_ERROR "No folder src/${dir}: create it or take it out of the list")
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY QZ_LIBRARIES ${name})
  set_property(GLOBAL PROPERTY QZ_LIBRARY_${name}_DIRS ${ARG_DIRS})
  set_property(GLOBAL PROPERTY QZ_LIBRARY_${name}_DEPS ${ARG_DEPS})
  set_property(GLOBAL PROPERTY QZ_LIBRARY_${name}_PRIVATE_DEPS ${ARG_PRIVATE_DEPS})
  set_property(GLOBAL PROPERTY QZ_LIBRARY_${name}_TEST_DEPS ${ARG_TEST_DEPS})
  set_property(GLOBAL PROPERTY QZ_LIBRARY_${name}_EXECUTABLE ${ARG_EXECUTABLE})
endfunction()

# The library (or test executable) whose folder is the longest that holds a file, relative to a root;
# "" when none. Fails when two libraries name the same folder.
function(qz_owner_of out relative)
  get_property(libraries GLOBAL PROPERTY QZ_LIBRARIES)
  set(owner "")
  set(best -1)
  foreach(lib IN LISTS libraries)
    get_property(dirs GLOBAL PROPERTY QZ_LIBRARY_${lib}_DIRS)
    foreach(dir IN LISTS dirs)
      string(LENGTH "${dir}/" n)
      string(SUBSTRING "${relative}" 0 ${n} head)
      if(head STREQUAL "${dir}/")
        if(n EQUAL best AND NOT owner STREQUAL lib)
          message(FATAL_ERROR "${relative} belongs to two libraries, ${owner} and ${lib}: "
                              "both name its folder in src/CMakeLists.txt")
        endif()
        if(n GREATER best)
          set(owner ${lib})
          set(best ${n})
        endif()
      endif()
    endforeach()
  endforeach()
  set(${out} "${owner}" PARENT_SCOPE)
endfunction()

# Makes every recorded library from the sources it owns, and stops configure when a source or header
# under src/ belongs to no library.
function(qz_create_libraries)
  set(root "${QZ_ROOT}/src")
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE "${root}" "${root}/*.cpp" "${root}/*.c" "${root}/*.h")
  get_property(libraries GLOBAL PROPERTY QZ_LIBRARIES)
  foreach(lib IN LISTS libraries)
    set(srcs_${lib})
  endforeach()
  foreach(file IN LISTS files)
    qz_owner_of(owner "${file}")
    if(NOT owner)
      message(FATAL_ERROR "src/${file} belongs to no library: add its folder to a library in "
                          "src/CMakeLists.txt (the README's layout table says which)")
    endif()
    if(file MATCHES "\\.(cpp|c)$")
      list(APPEND srcs_${owner} "${root}/${file}")
    endif()
  endforeach()
  foreach(name IN LISTS libraries)
    get_property(deps GLOBAL PROPERTY QZ_LIBRARY_${name}_DEPS)
    get_property(private_deps GLOBAL PROPERTY QZ_LIBRARY_${name}_PRIVATE_DEPS)
    get_property(executable GLOBAL PROPERTY QZ_LIBRARY_${name}_EXECUTABLE)
    if(executable)
      add_executable(${name} ${srcs_${name}})
      target_include_directories(${name} PRIVATE ${root})
      target_link_libraries(${name} PRIVATE ${deps} ${private_deps})
      qz_target_warnings(${name})
    elseif(NOT srcs_${name})
      # Headers only so far.
      add_library(${name} INTERFACE)
      target_include_directories(${name} INTERFACE ${root})
      target_link_libraries(${name} INTERFACE ${deps} ${private_deps})
    else()
      add_library(${name} STATIC ${srcs_${name}})
      target_include_directories(${name} PUBLIC ${root})
      target_link_libraries(${name} PUBLIC ${deps} PRIVATE ${private_deps})
      qz_target_warnings(${name})
    endif()
  endforeach()
endfunction()

# One test executable per library, <name>_tests, from the same folders under tests/. Test sources outside
# every library's folders (but tests/Support, shared by all, and tests/fixtures) stop configure.
function(qz_add_library_tests)
  get_property(libraries GLOBAL PROPERTY QZ_LIBRARIES)
  foreach(lib IN LISTS libraries)
    get_property(dirs GLOBAL PROPERTY QZ_LIBRARY_${lib}_DIRS)
    get_property(test_deps GLOBAL PROPERTY QZ_LIBRARY_${lib}_TEST_DEPS)
    get_property(executable GLOBAL PROPERTY QZ_LIBRARY_${lib}_EXECUTABLE)
    if(executable)
      continue()
    endif()
    set(srcs)
    foreach(dir IN LISTS dirs)
      if(IS_DIRECTORY "${QZ_ROOT}/tests/${dir}")
        file(GLOB_RECURSE found CONFIGURE_DEPENDS RELATIVE "${QZ_ROOT}/tests"
             "${QZ_ROOT}/tests/${dir}/*.cpp")
        foreach(file IN LISTS found)
          qz_owner_of(owner "${file}")
          if(owner STREQUAL lib)
            list(APPEND srcs "${QZ_ROOT}/tests/${file}")
          endif()
        endforeach()
      endif()
    endforeach()
    if(NOT srcs)
      continue()
    endif()
    set(exe ${lib}_tests)
    add_executable(${exe} ${srcs})
    target_include_directories(${exe} PRIVATE ${QZ_ROOT}/tests)
    # Absolute, unlike __FILE__ under ccache's base directory.
    target_compile_definitions(${exe} PRIVATE QZ_TESTS_DIR="${QZ_ROOT}/tests")
    target_link_libraries(${exe} PRIVATE ${lib} ${test_deps} qz_test_support GTest::gmock GTest::gtest_main)
    qz_target_warnings(${exe})
    gtest_discover_tests(${exe} DISCOVERY_TIMEOUT 120
                         PROPERTIES ENVIRONMENT "SDL_NO_SIGNAL_HANDLERS=1")
  endforeach()

  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE "${QZ_ROOT}/tests"
       "${QZ_ROOT}/tests/*.cpp" "${QZ_ROOT}/tests/*.c")
  foreach(file IN LISTS files)
    if(file MATCHES "^(Support|fixtures)/")
      continue()
    endif()
    qz_owner_of(owner "${file}")
    if(NOT owner)
      message(FATAL_ERROR "tests/${file} belongs to no test executable: tests mirror the library "
                          "folders of src/CMakeLists.txt")
    endif()
  endforeach()
endfunction()
