# Installs the project into a scratch prefix, then configures, builds and runs a tiny host
# project that finds it with find_package(Lorvane).
file(REMOVE_RECURSE ${WORK_DIR})
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
if(NOT EXISTS ${WORK_DIR}/prefix/bin/lorvane)
  message(FATAL_ERROR "The command-line tool was not installed in ${WORK_DIR}/prefix/bin")
endif()
# The host is compiled as the project was (a sanitizer build's libraries need its runtime).
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/package/host -B ${WORK_DIR}/host-build
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/host-build)
run(${WORK_DIR}/host-build/tiny-host)
if(NOT LAST_OUTPUT MATCHES "caption=Kestrine Lorvane V2.0 size=36x33 join=false")
  message(FATAL_ERROR "Unexpected output from the tiny host: ${LAST_OUTPUT}")
endif()
