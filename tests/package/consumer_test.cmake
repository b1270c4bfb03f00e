# Builds a consumer project against the installed package as a new user
# would and runs its program, which prints "<name>: 0 failed" when all its
# checks pass. With EDITS, then checks that the build regenerates exactly what
# an edit calls for (examples/consumer).
#   -DSOURCE_DIR= -DWORK_DIR= -DPREFIX= -DGENERATOR= [-DMAKE_PROGRAM=]
#   -DPROGRAM=<folder/name under the build folder> [-DEDITS=ON]
file(REMOVE_RECURSE "${WORK_DIR}")
# A copy, so that touching its header leaves the source tree alone.
file(COPY "${SOURCE_DIR}/" DESTINATION "${WORK_DIR}/src")
set(build "${WORK_DIR}/build")

# CMAKE_BUILD_TYPE for single-config generators; multi-config ones get
# --config at build time.
set(args -S "${WORK_DIR}/src" -B "${build}" -G "${GENERATOR}" -DCMAKE_BUILD_TYPE=Release
    "-DCMAKE_PREFIX_PATH=${PREFIX}" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
if(MAKE_PROGRAM)
  list(APPEND args "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" ${args}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "configuring the consumer failed:\n${out}${err}")
endif()
# The package must come from the prefix just installed, not from elsewhere.
if(NOT out MATCHES "tavrik package: ([^\n]*)\n" OR NOT CMAKE_MATCH_1 STREQUAL "${PREFIX}/lib/cmake/tavrik")
  message(FATAL_ERROR "find_package(tavrik) did not use ${PREFIX}:\n${out}")
endif()

# Builds and leaves the build output in build_log.
function(build_consumer step)
  execute_process(COMMAND "${CMAKE_COMMAND}" --build "${build}" --config Release
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${step}: the build failed:\n${out}${err}")
  endif()
  set(build_log "${out}${err}" PARENT_SCOPE)
endfunction()

function(expect step pattern)
  if(NOT build_log MATCHES "${pattern}")
    message(FATAL_ERROR "${step}: expected '${pattern}' in the build output:\n${build_log}")
  endif()
endfunction()

function(refuse step pattern)
  if(build_log MATCHES "${pattern}")
    message(FATAL_ERROR "${step}: unexpected '${pattern}' in the build output:\n${build_log}")
  endif()
endfunction()

get_filename_component(program_name "${PROGRAM}" NAME)
get_filename_component(program_dir "${PROGRAM}" DIRECTORY)
function(run_consumer step)
  set(program "${build}/${program_dir}/Release/${program_name}")
  if(NOT EXISTS "${program}")
    set(program "${build}/${PROGRAM}")
  endif()
  execute_process(COMMAND "${program}" RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT out MATCHES "${program_name}: 0 failed\n$")
    message(FATAL_ERROR "${step}: the checks of ${program_name} failed (status ${status}):\n${out}${err}")
  endif()
endfunction()

build_consumer("first build")
run_consumer("first build")
if(NOT EDITS)
  return()
endif()

set(part_generated "Generating part_mgr\\.h and part_mgr\\.c")
set(point_generated "Generating point_mgr\\.h and point_mgr\\.c")
set(bin_generated "Generating bin\\.h and bin\\.c")
expect("first build" "${part_generated}")
expect("first build" "${point_generated}")
expect("first build" "${bin_generated}")

build_consumer("build with no change")
refuse("build with no change" "Generating|Building|Linking")

# Editing part.h: the part module is regenerated and what includes it is
# compiled again; the other modules and report.c are left alone.
file(TOUCH "${WORK_DIR}/src/app/part.h")
build_consumer("build after touching part.h")
expect("build after touching part.h" "${part_generated}")
refuse("build after touching part.h" "bin\\.[ch]|point_mgr|report\\.c")
build_consumer("second build after touching part.h")
refuse("second build after touching part.h" "Generating|Building|Linking")

# Editing model/point.h: the library of another directory is regenerated,
# and the program that links it is linked again.
file(TOUCH "${WORK_DIR}/src/model/point.h")
build_consumer("build after touching point.h")
expect("build after touching point.h" "${point_generated}")
expect("build after touching point.h" "Linking C executable")
refuse("build after touching point.h" "part_mgr|bin\\.[ch]|report\\.c")
run_consumer("build after touching point.h")

# A new tavrik: every module is regenerated.
file(TOUCH "${PREFIX}/bin/tavrik")
build_consumer("build after touching tavrik")
expect("build after touching tavrik" "${part_generated}")
expect("build after touching tavrik" "${point_generated}")
expect("build after touching tavrik" "${bin_generated}")
run_consumer("build after touching tavrik")
