# Run with -P by CTest: configures tests/cmake/ResourceNames once per case and
# checks that two files under one resource name stop the configure step with
# a message naming both, while distinct names configure.
#   -DQZ_SOURCE_DIR=<repository> -DQZ_WORK_DIR=<scratch folder>

set(project "${QZ_SOURCE_DIR}/tests/cmake/ResourceNames")
set(failures 0)

function(configure_case name out_result out_output)
  set(build "${QZ_WORK_DIR}/${name}")
  file(REMOVE_RECURSE "${build}")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${project}" -B "${build}" "-DQZ_SOURCE_DIR=${QZ_SOURCE_DIR}"
            "-DQZ_CASE=${name}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(${out_result} "${result}" PARENT_SCOPE)
  set(${out_output} "${output}" PARENT_SCOPE)
endfunction()

configure_case(distinct result output)
if(NOT result EQUAL 0)
  message(SEND_ERROR "case distinct: configure failed:\n${output}")
endif()

# case, the two files, the name they share
set(clashes
  "one_call|a b.png|a_b.png|A_B_PNG"
  "two_calls|a.b.png|a_b.png|A_B_PNG"
  "given_name|a b.png|a_b.png|C_PNG")
foreach(clash IN LISTS clashes)
  string(REPLACE "|" ";" parts "${clash}")
  list(GET parts 0 name)
  list(GET parts 1 first)
  list(GET parts 2 second)
  list(GET parts 3 resource)
  configure_case(${name} result output)
  # The message may be wrapped; compare it as one line.
  string(REGEX REPLACE "[ \n]+" " " flat "${output}")
  set(dir "${QZ_WORK_DIR}/${name}/pictures")
  string(REGEX REPLACE "[ \n]+" " " expected
         "\"${dir}/${first}\" and \"${dir}/${second}\" both make the GDIPLUS resource ${resource}")
  string(FIND "${flat}" "${expected}" at)
  if(result EQUAL 0)
    message(SEND_ERROR "case ${name}: configure succeeded although two files share ${resource}")
  elseif(at EQUAL -1)
    message(SEND_ERROR "case ${name}: expected\n  ${expected}\nin\n${output}")
  endif()
endforeach()
