# A source tree that lacks one subsystem folder must not configure: the build names the
# missing folder instead of leaving the subsystem (or its tests) out without a word.
# Arguments: -DSOURCE=repository -DWORK=scratch folder -DGENERATOR=cmake generator
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/tree")
file(COPY "${SOURCE}/CMakeLists.txt" "${SOURCE}/cmake" "${SOURCE}/src" "${SOURCE}/tools"
          "${SOURCE}/data" "${SOURCE}/tests" "${SOURCE}/bench" "${SOURCE}/fuzz"
     DESTINATION "${WORK}/tree")
foreach(missing src/bytecode tests/bytecode)
  get_filename_component(parent "${missing}" DIRECTORY)
  get_filename_component(name "${missing}" NAME)
  file(REMOVE_RECURSE "${WORK}/tree/${missing}" "${WORK}/build")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S "${WORK}/tree" -B "${WORK}/build" -G "${GENERATOR}"
            -DBW_BENCH=OFF
    RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
  if(status EQUAL 0)
    message(FATAL_ERROR "the tree without ${missing} configured")
  endif()
  if(NOT err MATCHES "add_subdirectory given source \"(src/)?${name}\"")
    message(FATAL_ERROR "without ${missing}: ${err}")
  endif()
  file(COPY "${SOURCE}/${missing}" DESTINATION "${WORK}/tree/${parent}")
endforeach()
file(REMOVE_RECURSE "${WORK}")
