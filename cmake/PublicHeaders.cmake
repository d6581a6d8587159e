# The headers a host may include, all in one folder: #include <Lorvane/Lorvanev2.h>.
# Inside the tree the headers live with their layer; a host must not care which layer that
# is, so each public header is copied into <build>/generated/include/Lorvane with its project
# includes rewritten to <Lorvane/...>, and only that folder is installed. A public header that
# includes a header outside this list fails the build, so the set stays closed.
set(LORVANE_PUBLIC_HEADERS
  control/Lorvanev2.h
  control/ConnectionStringDialog.h
  shared/clsTableAndField.h
  shared/clsTable.h
  shared/clsField.h
  shared/FieldTypeSource.h
  shared/clsFunctions.h
  platform/RecordSet.h
  platform/RecordSetModel.h
  platform/VLNError.h
  platform/PropertyBag.h
  platform/Prompts.h
  platform/Picture.h
  platform/OleColor.h
  platform/LorvaneExport.h)

set(public_dir ${LORVANE_GENERATED_DIR}/include/Lorvane)
set(public_names "")
foreach(header IN LISTS LORVANE_PUBLIC_HEADERS)
  get_filename_component(name ${header} NAME)
  list(APPEND public_names ${name})
endforeach()
list(JOIN public_names "," public_names_arg)

set(generated "")
foreach(header IN LISTS LORVANE_PUBLIC_HEADERS)
  get_filename_component(name ${header} NAME)
  add_custom_command(OUTPUT ${public_dir}/${name}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_CURRENT_SOURCE_DIR}/${header} -DOUTPUT=${public_dir}/${name}
      -DPUBLIC=${public_names_arg} -P ${PROJECT_SOURCE_DIR}/cmake/GeneratePublicHeader.cmake
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${PROJECT_SOURCE_DIR}/cmake/GeneratePublicHeader.cmake
    COMMENT "Public header Lorvane/${name}" VERBATIM)
  list(APPEND generated ${public_dir}/${name})
endforeach()
add_custom_target(lorvane_public_headers ALL DEPENDS ${generated})

install(FILES ${generated} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/Lorvane COMPONENT development)
if(LORVANE_SHARED)
  install(TARGETS lorvane_shared EXPORT LorvaneTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT development
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
else()
  # Static on request: both archives, and the package config finds their dependencies.
  install(TARGETS lorvane_core lorvane EXPORT LorvaneTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endif()
