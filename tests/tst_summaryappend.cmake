# Once more on the leaf scan's portable path: its blocks may keep the other zero of -0 and 0,
# and an extension must take its blocks from the same scan a whole build does.
add_test(NAME tst_summaryappend_portable COMMAND tst_summaryappend)
set_tests_properties(tst_summaryappend_portable PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;OSTREL_PORTABLE_SCAN=1"
    TIMEOUT 600)
