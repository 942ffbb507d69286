# cmake -DSRC=... -DDST=... -P copy_if_missing.cmake
# Puts a default file in place once; settings the user saved there later are kept.
if(NOT EXISTS "${DST}")
    configure_file("${SRC}" "${DST}" COPYONLY)
endif()
