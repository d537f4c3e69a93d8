# Copies the files named in FILES from SOURCE into DEST, each only when DEST
# has no file of that name yet: the user's own engine settings and options
# are never overwritten by a build.
#   cmake -DSOURCE=<folder> -DDEST=<folder> -DFILES=<a;b;c> -P copy-missing.cmake
foreach(variable SOURCE DEST FILES)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "copy-missing.cmake needs -D${variable}=...")
  endif()
endforeach()

file(MAKE_DIRECTORY "${DEST}")
foreach(name IN LISTS FILES)
  if(NOT EXISTS "${DEST}/${name}")
    file(COPY "${SOURCE}/${name}" DESTINATION "${DEST}")
    message(STATUS "Engine settings: ${name} put into ${DEST}")
  endif()
endforeach()
