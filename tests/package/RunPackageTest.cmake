# The package as a host gets it, twice: installed into a scratch prefix with `cmake --install`,
# and made into a .deb by CPack and unpacked into a scratch root. Each time the ten-line host
# and the host guide's examples are configured, built and run against it. In between, the
# installed tree itself is checked: only the public headers, a versioned shared library that
# exports only the public classes, a CMake package and a pkg-config file without build-machine
# paths; and the .deb's contents and dependencies.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK_DIR})
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()
function(expect what text pattern)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: expected to match \"${pattern}\", got:\n${text}")
  endif()
endfunction()
function(reject what text pattern)
  if(text MATCHES "${pattern}")
    message(FATAL_ERROR "${what}: must not match \"${pattern}\" (found \"${CMAKE_MATCH_0}\"), got:\n${text}")
  endif()
endfunction()

set(connection "Provider=SQLite;Data Source=${SAMPLE_DB}")
# What the guide shows the event host printing.
file(READ ${SOURCE_DIR}/docs/host-guide.md guide)
string(FIND "${guide}" "<!-- output of examples/event-host -->" at)
if(at EQUAL -1)
  message(FATAL_ERROR "docs/host-guide.md has no <!-- output of examples/event-host --> block")
endif()
string(SUBSTRING "${guide}" ${at} -1 guide)
string(REGEX REPLACE "^[^\n]*\n```text\n" "" guide "${guide}")
string(FIND "${guide}" "```" end)
string(SUBSTRING "${guide}" 0 ${end} guide_output)

# Runs an example with the sample database's connection string as its first argument (passed
# here, not through run(), whose argument list would split it at its ";").
function(run_example program)
  execute_process(COMMAND ${program} "${connection}" ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Failed: ${program} (exit ${rc})\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

# Configures, builds and runs the hosts against the Lorvane found under prefix_path.
function(build_and_run_hosts label prefix_path)
  set(build ${WORK_DIR}/${label}-hosts)
  # Compiled as the project was (a sanitizer build's library needs its runtime).
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/package/host -B ${build} -DCMAKE_PREFIX_PATH=${prefix_path}
      -DLORVANE_EXAMPLES=${SOURCE_DIR}/examples -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}")
  run(${CMAKE_COMMAND} --build ${build})
  run(${build}/tiny-host)
  expect("${label}: tiny host" "${LAST_OUTPUT}" "caption=Kestrine Lorvane V2.0 size=36x33 join=false")
  run_example(${build}/examples/minimal-host --quit)
  expect("${label}: minimal host" "${LAST_OUTPUT}" "^ConnectionComplete 0 \nbuilder open: yes\n$")
  run_example(${build}/examples/event-host)
  if(NOT LAST_OUTPUT STREQUAL guide_output)
    message(FATAL_ERROR "${label}: the event host printed\n${LAST_OUTPUT}\nbut docs/host-guide.md shows\n${guide_output}")
  endif()
  file(SIZE ${build}/tiny-host size)
  message(STATUS "${label}: the ten-line host is ${size} bytes")
endfunction()

# --- cmake --install -------------------------------------------------------------------------
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(file bin/lorvane include/Lorvane/Lorvanev2.h ${LIBDIR}/liblorvane.so.2 ${LIBDIR}/cmake/Lorvane/LorvaneConfig.cmake
             ${LIBDIR}/pkgconfig/lorvane.pc ${QT_PLUGINS}/designer/liblorvane_designer.so)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "Not installed: ${prefix}/${file}")
  endif()
endforeach()
# The user guide goes with the package, with the screenshots it shows.
foreach(doc guide/index.html screenshots/5-query-results.png)
  if(NOT EXISTS ${prefix}/share/doc/lorvane/${doc})
    message(FATAL_ERROR "The user guide's ${doc} was not installed in ${prefix}/share/doc/lorvane")
  endif()
endforeach()
# Only the public folder is installed, and it holds only the public headers.
file(GLOB_RECURSE headers RELATIVE ${prefix}/include ${prefix}/include/*)
list(SORT headers)
set(public_headers Lorvane/ConnectionStringDialog.h Lorvane/FieldTypeSource.h Lorvane/Lorvanev2.h
  Lorvane/LorvaneExport.h Lorvane/OleColor.h Lorvane/Picture.h Lorvane/Prompts.h Lorvane/PropertyBag.h
  Lorvane/RecordSet.h Lorvane/RecordSetModel.h Lorvane/VLNError.h Lorvane/clsField.h Lorvane/clsFunctions.h
  Lorvane/clsTable.h Lorvane/clsTableAndField.h)
list(SORT public_headers)
if(NOT headers STREQUAL public_headers)
  message(FATAL_ERROR "Installed headers differ from the public set.\nInstalled: ${headers}\nPublic: ${public_headers}")
endif()
foreach(header IN LISTS headers)
  file(READ ${prefix}/include/${header} text)
  reject("${header}" "${text}" "#[ \t]*include[ \t]*\"[^\"]*\"")
endforeach()
# A versioned SONAME, and only the public classes leave the library.
run(readelf -d ${prefix}/${LIBDIR}/liblorvane.so.2)
expect("SONAME" "${LAST_OUTPUT}" "SONAME\\)[^\n]*\\[liblorvane\\.so\\.2\\]")
run(nm -D -C --defined-only ${prefix}/${LIBDIR}/liblorvane.so.2)
expect("exported symbols" "${LAST_OUTPUT}" "lorvane::Lorvanev2::VLNMakeConnection")
expect("exported symbols" "${LAST_OUTPUT}" "lorvane::RecordSetModel::")
reject("exported symbols" "${LAST_OUTPUT}" "lorvane::(frmQDM|Statement|ConnectionManager|QueryState|SavedQuery)::")
# Nothing installed names this machine's build: the package is found by relative paths and
# finds its dependencies by name.
file(GLOB package_files ${prefix}/${LIBDIR}/cmake/Lorvane/*.cmake ${prefix}/${LIBDIR}/pkgconfig/lorvane.pc)
foreach(file IN LISTS package_files)
  file(READ ${file} text)
  reject("${file}" "${text}" "${BUILD_DIR}|${SOURCE_DIR}|${WORK_DIR}|\"/(usr|lib|opt|home|work)/|[ ;=]/(usr|lib|opt)/")
endforeach()
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
run(pkg-config --cflags --libs lorvane)
expect("pkg-config" "${LAST_OUTPUT}" "-I[^ ]*/prefix/[^ ]*include")
expect("pkg-config" "${LAST_OUTPUT}" "-llorvane")
build_and_run_hosts(installed ${prefix})

# --- cpack -G DEB --------------------------------------------------------------------------
run(${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/deb)
file(GLOB debs ${WORK_DIR}/deb/*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "cpack made ${count} .deb files: ${debs}")
endif()
file(SIZE ${debs} size)
message(STATUS "the .deb is ${size} bytes")
run(dpkg-deb --contents ${debs})
set(contents "${LAST_OUTPUT}")
foreach(file ./usr/bin/lorvane ./usr/include/Lorvane/Lorvanev2.h ./usr/include/Lorvane/RecordSetModel.h
             ./usr/${LIBDIR}/liblorvane.so.2 ./usr/${LIBDIR}/liblorvane.so ./usr/${LIBDIR}/cmake/Lorvane/LorvaneConfig.cmake
             ./usr/${LIBDIR}/cmake/Lorvane/LorvaneTargets.cmake ./usr/${LIBDIR}/pkgconfig/lorvane.pc
             ./usr/${QT_PLUGINS}/designer/liblorvane_designer.so)
  string(REPLACE "." "\\." pattern "${file}")
  expect(".deb contents" "${contents}" " ${pattern}( |\n)")
endforeach()
reject(".deb contents" "${contents}" "include/(control|shared|platform|builder|query|storage|lorvane)/")
run(dpkg-deb --field ${debs} Package Version Depends)
expect(".deb fields" "${LAST_OUTPUT}" "Package: lorvane\n")
foreach(dependency libqt6widgets6 libqt6sql6 libsqlite3-0 libpq5 libodbc2 libxlsxwriter libzip4)
  expect(".deb dependencies" "${LAST_OUTPUT}" "Depends:[^\n]*${dependency}")
endforeach()
run(dpkg-deb -x ${debs} ${WORK_DIR}/root)
build_and_run_hosts(deb ${WORK_DIR}/root/usr)
