# The program under test runs as a separate process.
add_dependencies(${name} tavtool)
# It draws, through render or report.
set(OSTREL_TEST_DRAWS TRUE)
