# Fails when a source file of one layer includes a header of a layer it may
# not use. Run as a script at build time:
#   cmake -DLAYER=platform/print -DALLOWED="platform/base;platform/page"
#         -DSOURCES="a.cpp;a.h" -DSTAMP=file -P CheckIncludes.cmake
# A project header is named from src/ ("platform/base/Failure.h"); one
# whose first folder is not a layer (a Qt or generated header) is not ours
# to check.
set(layers platform/base platform/picture platform/page platform/cups platform/print platform/desktop
           properties preview about inputs printing shell)
set(bad "")
foreach(file IN LISTS SOURCES)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    set(owner "")
    foreach(layer IN LISTS layers)
      string(FIND "${header}" "${layer}/" at)
      if(at EQUAL 0)
        set(owner "${layer}")
      endif()
    endforeach()
    if(owner STREQUAL "" OR owner STREQUAL LAYER)
      continue()
    endif()
    list(FIND ALLOWED "${owner}" known)
    if(known EQUAL -1)
      string(APPEND bad "\n  ${file}: \"${header}\" (${LAYER}/ may include only its own headers and: ${ALLOWED})")
    endif()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "An include runs against the layers:${bad}")
endif()
file(WRITE "${STAMP}" "")
