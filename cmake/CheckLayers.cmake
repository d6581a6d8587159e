# Fails when a source file includes a header from a layer above its own.
#   cmake -DSOURCE_ROOT=<folder holding the layer folders> -P CheckLayers.cmake
# The layers, lowest first. A file may include headers of its own layer and of the layers
# below it; the component (control) is on top and may use everything.
set(LAYERS platform shared query storage builder control)
list(JOIN LAYERS " < " ORDER_TEXT)

if(NOT SOURCE_ROOT)
  message(FATAL_ERROR "CheckLayers: SOURCE_ROOT is not set")
endif()
get_filename_component(SOURCE_ROOT "${SOURCE_ROOT}" ABSOLUTE)

set(broken "")
foreach(layer IN LISTS LAYERS)
  list(FIND LAYERS ${layer} rank)
  file(GLOB files RELATIVE ${SOURCE_ROOT} ${SOURCE_ROOT}/${layer}/*.h ${SOURCE_ROOT}/${layer}/*.cpp)
  foreach(file IN LISTS files)
    file(STRINGS ${SOURCE_ROOT}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
      if(header MATCHES "^\\.\\./" OR header MATCHES "/\\.\\./")
        string(APPEND broken "  ${file} includes ${header}: headers of other layers are named by their folder, never by a relative path\n")
        continue()
      endif()
      if(NOT header MATCHES "/")
        continue()  # a header of the same folder
      endif()
      string(REGEX REPLACE "/.*$" "" folder "${header}")
      list(FIND LAYERS ${folder} included)
      if(included GREATER rank)
        list(SUBLIST LAYERS 0 ${rank} below)
        list(APPEND below ${layer})
        list(JOIN below ", " allowed)
        string(APPEND broken "  ${file} includes ${header}: ${layer} may include only ${allowed} (${folder} is above it)\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(broken)
  message(FATAL_ERROR "Layer rule broken (dependencies point one way: ${ORDER_TEXT}):\n${broken}")
endif()
message(STATUS "Layers follow one direction: ${ORDER_TEXT}")
