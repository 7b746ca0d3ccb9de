# End-to-end suites in CTest (native build). The driver pelloran_e2e.exe of the cross build named by
# PELLORAN_WIN_BUILD runs under 64-bit Wine on a virtual X display:
#  - e2e.env.start / e2e.env.stop (fixture e2e_env) start Xvfb and a fresh, warm Wine prefix in this build tree and
#    stop them again; env.sh writes the display and prefix to an env file the suites read;
#  - e2e.<Name>, one per tests/e2e/<Name>_e2e.cpp, runs the GoogleTest suites named <Name> (and <Name>/...).
# The suites share one prefix and one display, so they run one at a time (RESOURCE_LOCK).
if(NOT PELLORAN_WIN_BUILD)
    return()
endif()

find_program(PELLORAN_WINE64 wine64 HINTS /usr/lib/wine /usr/lib64/wine NO_CACHE)
if(NOT PELLORAN_WINE64)
    message(WARNING "wine64 not found: the end-to-end suites are not registered")
    return()
endif()

set(e2e_script_dir ${CMAKE_CURRENT_LIST_DIR})
set(e2e_work_dir ${CMAKE_BINARY_DIR}/e2e)
set(e2e_driver ${PELLORAN_WIN_BUILD}/bin/pelloran_e2e.exe)

add_test(NAME e2e.env.start COMMAND bash ${e2e_script_dir}/env.sh start ${e2e_work_dir} ${PELLORAN_WINE64})
set_tests_properties(e2e.env.start PROPERTIES FIXTURES_SETUP e2e_env RESOURCE_LOCK e2e_wine TIMEOUT 300)
add_test(NAME e2e.env.stop COMMAND bash ${e2e_script_dir}/env.sh stop ${e2e_work_dir})
set_tests_properties(e2e.env.stop PROPERTIES FIXTURES_CLEANUP e2e_env RESOURCE_LOCK e2e_wine TIMEOUT 120)

file(GLOB e2e_suite_files CONFIGURE_DEPENDS ${e2e_script_dir}/*_e2e.cpp)
foreach(file IN LISTS e2e_suite_files)
    get_filename_component(name ${file} NAME_WE)
    string(REGEX REPLACE "_e2e$" "" suite ${name})
    # Timings print figures and are run by tools/bench.sh, not as tests.
    if(suite STREQUAL "Benchmark")
        continue()
    endif()
    add_test(NAME e2e.${suite}
             COMMAND bash ${e2e_script_dir}/run-suite.sh ${e2e_work_dir} ${e2e_driver} ${suite}
                     ${CMAKE_BINARY_DIR}/screenshots)
    set_tests_properties(e2e.${suite} PROPERTIES FIXTURES_REQUIRED e2e_env RESOURCE_LOCK e2e_wine TIMEOUT 900)
endforeach()

# Self-test of the test IP helper DLL and the helper process, in the same prefix.
add_test(NAME e2e.FakesSelftest
         COMMAND bash ${e2e_script_dir}/run-program.sh ${e2e_work_dir} ${PELLORAN_WIN_BUILD}/bin/fakes_selftest.exe
                 --gtest_brief=1)
set_tests_properties(e2e.FakesSelftest PROPERTIES FIXTURES_REQUIRED e2e_env RESOURCE_LOCK e2e_wine TIMEOUT 600)

# In-process tests of the program's classes (tests/inproc), in the same prefix.
add_test(NAME e2e.InProcess
         COMMAND bash ${e2e_script_dir}/run-program.sh ${e2e_work_dir} ${PELLORAN_WIN_BUILD}/bin/pelloran_inproc.exe
                 --gtest_brief=1)
set_tests_properties(e2e.InProcess PROPERTIES FIXTURES_REQUIRED e2e_env RESOURCE_LOCK e2e_wine TIMEOUT 300)
