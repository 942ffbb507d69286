# The statistics once more on the leaf scan's portable path, which a processor with AVX and
# FMA never takes otherwise.
add_test(NAME tst_rangestats_portable COMMAND tst_rangestats)
set_tests_properties(tst_rangestats_portable PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;OSTREL_PORTABLE_SCAN=1"
    TIMEOUT 600)
