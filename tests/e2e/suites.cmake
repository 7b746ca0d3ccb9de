# End-to-end suites in CTest (native build). The test programs of one of the two Windows builds
# (PELLORAN_WIN32_BUILD, PELLORAN_WIN64_BUILD) run under Wine on a virtual X display:
#  - e2e.env.start / e2e.env.stop (fixture e2e_env) choose the build under test (the shipped 32-bit one where this
#    machine runs 32-bit code and 32-bit Wine is installed, else the 64-bit one; PELLORAN_E2E_ARCH=win32|win64
#    forces either) and print it, start Xvfb and a fresh, warm Wine prefix in this build tree, and stop them again;
#    env.sh writes the build, display and prefix to an env file the suites read;
#  - e2e.<Name>, one per tests/e2e/<Name>_e2e.cpp, runs the GoogleTest suites named <Name> (and <Name>/...).
# The suites share one prefix and one display, so they run one at a time (RESOURCE_LOCK).
if(NOT PELLORAN_WIN32_BUILD OR NOT PELLORAN_WIN64_BUILD)
    return()
endif()

set(e2e_script_dir ${CMAKE_CURRENT_LIST_DIR})
set(e2e_work_dir ${CMAKE_BINARY_DIR}/e2e)

add_test(NAME e2e.env.start
         COMMAND bash ${e2e_script_dir}/env.sh start ${e2e_work_dir} ${PELLORAN_WIN32_BUILD} ${PELLORAN_WIN64_BUILD})
set_tests_properties(e2e.env.start PROPERTIES FIXTURES_SETUP e2e_env RESOURCE_LOCK e2e_wine TIMEOUT 300)
add_test(NAME e2e.env.stop COMMAND bash ${e2e_script_dir}/env.sh stop ${e2e_work_dir})
set_tests_properties(e2e.env.stop PROPERTIES FIXTURES_CLEANUP e2e_env RESOURCE_LOCK e2e_wine TIMEOUT 120)

foreach(set IN ITEMS "new::pelloran_e2e.exe")
    string(REPLACE ":" ";" set "${set}")
    list(GET set 0 kind)
    list(GET set 1 folder)
    list(GET set 2 driver)
    file(GLOB e2e_suite_files CONFIGURE_DEPENDS ${e2e_script_dir}/${folder}*_e2e.cpp)
    foreach(file IN LISTS e2e_suite_files)
        get_filename_component(name ${file} NAME_WE)
        string(REGEX REPLACE "_e2e$" "" suite ${name})
        # Timings print figures and are run by tools/bench.sh, not as tests.
        if(suite STREQUAL "Benchmark")
            continue()
        endif()
        set(test e2e.${suite})
        if(kind STREQUAL "old")
            set(test e2e.old.${suite})
        endif()
        add_test(NAME ${test} COMMAND bash ${e2e_script_dir}/run-suite.sh ${e2e_work_dir} ${suite}
                                      ${CMAKE_BINARY_DIR}/screenshots ${driver})
        set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED e2e_env RESOURCE_LOCK e2e_wine TIMEOUT 900)
    endforeach()
endforeach()

# In-process tests of the program's classes, in the same prefix.
add_test(NAME e2e.InProcess COMMAND bash ${e2e_script_dir}/run-program.sh ${e2e_work_dir} pelloran_inproc.exe
                                    --gtest_brief=1)
set_tests_properties(e2e.InProcess PROPERTIES FIXTURES_REQUIRED e2e_env RESOURCE_LOCK e2e_wine TIMEOUT 300)
