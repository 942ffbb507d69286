# The program under test runs as a separate process.
add_dependencies(${name} tavtool)
