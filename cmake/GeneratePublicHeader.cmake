# Copies one public header into the public folder, its project includes rewritten to
# <Lorvane/Name.h>. Fails when it includes a project header that is not public.
#   cmake -DINPUT=<header> -DOUTPUT=<copy> -DPUBLIC=<Name.h,Name.h,...> -P GeneratePublicHeader.cmake
string(REPLACE "," ";" PUBLIC "${PUBLIC}")
file(READ ${INPUT} text)
set(out "")
string(REGEX MATCHALL "#[ \t]*include[ \t]*\"[^\"]+\"" includes "${text}")
foreach(line IN LISTS includes)
  string(REGEX REPLACE "^.*\"([^\"]+)\"$" "\\1" path "${line}")
  get_filename_component(name ${path} NAME)
  list(FIND PUBLIC ${name} found)
  if(found LESS 0)
    message(FATAL_ERROR "${INPUT} is a public header but includes \"${path}\", which is not public: "
                        "make it public (cmake/PublicHeaders.cmake) or include it only from a .cpp file")
  endif()
  string(REPLACE "${line}" "#include <Lorvane/${name}>" text "${text}")
endforeach()
# Written only when it changes, so an unchanged header does not rebuild the hosts.
file(WRITE ${OUTPUT}.new "${text}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
