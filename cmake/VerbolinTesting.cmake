# Helpers that register the project's tests with CTest.

# Paths of this machine as a test program sees them: under wine the root folder is drive Z:.
set(VERBOLIN_HOST_ROOT "")
if(CMAKE_CROSSCOMPILING AND WIN32)
    set(VERBOLIN_HOST_ROOT "Z:")
endif()

# A QtTest program run under the offscreen platform: no display needed.
function(verbolin_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE verbolin_settings Qt6::Test ${T_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    # A configuration folder of its own, so that nothing lands in the user's (autostart entries).
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/${name}-config"
        LABELS unit)
    if(CMAKE_CROSSCOMPILING)
        # Run under wine (the emulator) in the build's own prefix, one at a time: the
        # programs of one prefix share its desktop, its mouse and its clipboard.
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300
                                                RESOURCE_LOCK wine_desktop)
    endif()
endfunction()

# A QtTest program that drives the real executable inside a private X session
# (Xvfb + openbox + trayer, see e2e/x-session.sh). VERBOLIN_EXE tells it where the
# program is; each test copies it into a fresh folder of its own.
function(verbolin_add_e2e_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE verbolin_settings Qt6::Test ${T_LIBS})
    add_dependencies(${name} verbolin ${T_DEPENDS})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_test(NAME ${name} COMMAND "${PROJECT_SOURCE_DIR}/e2e/x-session.sh" "$<TARGET_FILE:${name}>")
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "VERBOLIN_EXE=$<TARGET_FILE:verbolin>"
        LABELS e2e TIMEOUT ${T_TIMEOUT} RESOURCE_LOCK x-session)
endfunction()

# A plain C++ driver cross-built with mingw-w64 and run under wine, so that the
# Win32 code really runs. Sources must not need Qt.
find_program(VERBOLIN_MINGW_CXX x86_64-w64-mingw32-g++-posix)
if(NOT VERBOLIN_MINGW_CXX)
    find_program(VERBOLIN_MINGW_CXX x86_64-w64-mingw32-g++)
endif()
find_program(VERBOLIN_WINE wine)
if(VERBOLIN_MINGW_CXX AND VERBOLIN_WINE)
    set(VERBOLIN_WINE_TESTS ON)
    set(VERBOLIN_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
    add_test(NAME wine_prefix_setup
             COMMAND "${PROJECT_SOURCE_DIR}/scripts/wine-prefix.sh" "${VERBOLIN_WINEPREFIX}")
    set_tests_properties(wine_prefix_setup PROPERTIES FIXTURES_SETUP wine_prefix LABELS wine TIMEOUT 300)
    if(CMAKE_CROSSCOMPILING)
        # The Windows build's tests are Windows programs: CTest runs them under wine.
        set(CMAKE_CROSSCOMPILING_EMULATOR "${PROJECT_SOURCE_DIR}/scripts/wine-run.sh;${VERBOLIN_WINEPREFIX};--qtest")
    endif()
elseif(CMAKE_CROSSCOMPILING)
    message(FATAL_ERROR "The Windows build's tests run under wine, which is missing")
else()
    set(VERBOLIN_WINE_TESTS OFF)
    message(WARNING "mingw-w64 or wine missing: the Windows backend tests are not built")
endif()

function(verbolin_add_wine_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    # The Windows build compiles and runs the same code as part of the program.
    if(NOT VERBOLIN_WINE_TESTS OR CMAKE_CROSSCOMPILING)
        return()
    endif()
    set(exe "${CMAKE_CURRENT_BINARY_DIR}/${name}.exe")
    set(srcs)
    foreach(src IN LISTS T_SOURCES)
        get_filename_component(abs "${src}" ABSOLUTE)
        list(APPEND srcs "${abs}")
    endforeach()
    set(libs)
    foreach(lib IN LISTS T_LIBS)
        list(APPEND libs "-l${lib}")
    endforeach()
    set(werror)
    if(VERBOLIN_WERROR)
        set(werror -Werror)
    endif()
    add_custom_command(OUTPUT "${exe}"
        COMMAND "${VERBOLIN_MINGW_CXX}" -std=c++17 -O1 -Wall -Wextra ${werror} -municode -static
                -DUNICODE -D_UNICODE -DNOMINMAX -DWIN32_LEAN_AND_MEAN
                -I "${PROJECT_SOURCE_DIR}" ${srcs} -o "${exe}" ${libs}
        DEPENDS ${srcs}
        COMMENT "Cross-building ${name}.exe with mingw-w64"
        VERBATIM)
    add_custom_target(${name} ALL DEPENDS "${exe}")
    add_test(NAME ${name} COMMAND "${PROJECT_SOURCE_DIR}/scripts/wine-run.sh" "${VERBOLIN_WINEPREFIX}" "${exe}")
    # One wine desktop per prefix: a driver's low-level hook would see another driver's
    # SendInput keys, so the drivers run one at a time.
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix LABELS wine TIMEOUT 300
                                            RESOURCE_LOCK wine_desktop)
endfunction()
