# Configures and builds the fuzz harness with clang, then runs it on a fresh
# copy of the seed corpus: every seed first, then new inputs. Run as
#   cmake -DSOURCE_DIR=<repo> -DBINARY_DIR=<dir> -DCLANGXX=<clang++> \
#         [-DGENERATOR=<generator>] [-DRUNS=<n>] [-DSECONDS=<s>] -P run_fuzz.cmake
# With RUNS (the default, 5000) the run makes that many executions from a
# fixed seed, so it is short and repeatable: what the test suite runs. With
# SECONDS it fuzzes for that long from a random seed, to search further.
# Any broken promise, sanitizer report or crash fails the run; the input that
# caused it is left in <dir>/artifacts/.
foreach(var SOURCE_DIR BINARY_DIR CLANGXX)
  if(NOT ${var})
    message(FATAL_ERROR "run_fuzz.cmake needs -D${var}=...")
  endif()
endforeach()
if(SECONDS)
  set(limit "-max_total_time=${SECONDS}")
else()
  if(NOT RUNS)
    set(RUNS 5000)
  endif()
  set(limit "-runs=${RUNS}" -seed=1)
endif()
set(generator_args)
if(GENERATOR)
  set(generator_args -G "${GENERATOR}")
endif()

set(fuzz_dir "${SOURCE_DIR}/tests/fuzz")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${fuzz_dir}/harness" -B "${BINARY_DIR}/harness" ${generator_args}
          "-DCMAKE_CXX_COMPILER=${CLANGXX}" "-DTAVRIK_SOURCE_DIR=${SOURCE_DIR}"
  RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "configuring the fuzz harness failed")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BINARY_DIR}/harness" --parallel 2
                RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "building the fuzz harness failed")
endif()

# libFuzzer adds what it finds to the first corpus folder: keep the
# repository's seeds untouched.
file(REMOVE_RECURSE "${BINARY_DIR}/corpus")
file(MAKE_DIRECTORY "${BINARY_DIR}/corpus" "${BINARY_DIR}/artifacts")
file(GLOB seeds "${fuzz_dir}/corpus/*")
file(COPY ${seeds} DESTINATION "${BINARY_DIR}/corpus")

set(ENV{UBSAN_OPTIONS} "print_stacktrace=1")
execute_process(
  COMMAND "${BINARY_DIR}/harness/fuzz_front_end" "${BINARY_DIR}/corpus"
          "-dict=${fuzz_dir}/tavrik.dict" ${limit} -max_len=1500 -len_control=0
          -timeout=10 -print_final_stats=1 "-artifact_prefix=${BINARY_DIR}/artifacts/"
  RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "the fuzz run found a fault (exit ${result}); see ${BINARY_DIR}/artifacts/")
endif()
