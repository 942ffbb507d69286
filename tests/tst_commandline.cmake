# The programs under test run as separate processes.
add_dependencies(${name} ostrel tavtool)
target_compile_definitions(${name} PRIVATE OSTREL_VERSION="${PROJECT_VERSION}")
