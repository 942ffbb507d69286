# The install test installs this very build tree, so everything installed must be built.
add_dependencies(${name} ostrel tavtool ostrel_changelog)
target_compile_definitions(${name} PRIVATE OSTREL_BUILD_DIR="${CMAKE_BINARY_DIR}"
                                           OSTREL_CMAKE_COMMAND="${CMAKE_COMMAND}"
                                           OSTREL_CPACK_COMMAND="${CMAKE_CPACK_COMMAND}"
                                           OSTREL_VERSION="${PROJECT_VERSION}")
if(OSTREL_MANPAGES)
    add_dependencies(${name} ostrel_manpages)
else()
    target_compile_definitions(${name} PRIVATE OSTREL_NO_MANPAGES)
endif()
if(OSTREL_SANITIZE)
    target_compile_definitions(${name} PRIVATE OSTREL_SANITIZED)
endif()
