# Installs the built library into a scratch prefix, then builds and runs the
# client program against it twice: through find_package and through pkg-config;
# runs a client built with UBSan; and runs the installed programs, which must
# find the installed library by themselves.
file(REMOVE_RECURSE ${WORK_DIR})
set(PREFIX ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install ${VARNOX_BUILD_DIR} --prefix ${PREFIX})

run(${CMAKE_COMMAND} -S ${CLIENT_SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${PREFIX} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
run(${WORK_DIR}/build/varnox_client)
run(${WORK_DIR}/build/varnox_boundary_client)

# The installed programs, from another folder and with no library path given:
# only their own RUNPATH can lead them to libvarnox in a non-system prefix.
# PROGRAMS: the installed programs, separated by commas.
unset(ENV{LD_LIBRARY_PATH})
string(REPLACE "," ";" programs "${PROGRAMS}")
foreach(program IN LISTS programs)
  set(path ${PREFIX}/${BINDIR}/${program})
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "${program} was not installed into ${PREFIX}/${BINDIR}")
  endif()
  execute_process(COMMAND ${path} --help WORKING_DIRECTORY ${WORK_DIR}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT out MATCHES "^Usage: ${program} ")
    message(FATAL_ERROR "installed ${program} --help failed (${result}): ${out}${err}")
  endif()
endforeach()

# pkg-config: the .pc file must give everything a plain compiler line needs.
file(GLOB_RECURSE pc_files ${PREFIX}/*/varnox.pc)
list(GET pc_files 0 pc_file)
get_filename_component(pc_dir ${pc_file} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
execute_process(COMMAND pkg-config --cflags --libs varnox
  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know varnox")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
get_filename_component(libdir ${pc_dir} DIRECTORY)
run(c++ -std=c++17 ${CLIENT_SOURCE_DIR}/main.cpp -o ${WORK_DIR}/client_pc ${flags}
    -Wl,-rpath,${libdir})
run(${WORK_DIR}/client_pc)
