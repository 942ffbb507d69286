target_compile_definitions(${name} PRIVATE QTEST_QPA_MOUSE_HANDLING)
