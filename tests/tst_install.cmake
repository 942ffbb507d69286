# The install test installs this very build tree, so the installed programs must be built.
add_dependencies(${name} ostrel tavtool)
target_compile_definitions(${name} PRIVATE OSTREL_BUILD_DIR="${CMAKE_BINARY_DIR}"
                                           OSTREL_CMAKE_COMMAND="${CMAKE_COMMAND}")
