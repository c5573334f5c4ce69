# Installs the built library into a fresh prefix, then builds and runs a small
# consumer against it, once through find_package and once through pkg-config.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${result}): ${command}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/consumer)
# The installed <tarnwick/Version.h> and the installed library both carry the
# version of the project that was built.
execute_process(COMMAND ${WORK_DIR}/build/consumer OUTPUT_VARIABLE output)
string(REPLACE "." "\\." version_pattern "${VERSION}")
if(NOT output MATCHES "^Tarnwick ${version_pattern} \\(library ${version_pattern}\\)\n")
  message(FATAL_ERROR "the consumer does not report version ${VERSION}: ${output}")
endif()

file(GLOB_RECURSE pc_file ${prefix}/*/tarnwick.pc)
get_filename_component(pc_dir "${pc_file}" DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
execute_process(COMMAND pkg-config --cflags --libs tarnwick
  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know tarnwick")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CXX} ${SOURCE_DIR}/main.cpp -o ${WORK_DIR}/consumer-pc ${flags})
get_filename_component(lib_dir "${pc_dir}" DIRECTORY)
set(ENV{LD_LIBRARY_PATH} ${lib_dir})
run(${WORK_DIR}/consumer-pc)
