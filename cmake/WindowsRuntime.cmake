# The Windows build: every executable lands in bin/ beside the DLLs it needs (Qt, its
# platform plugins, the mingw runtime), so that the build folder runs under wine as it is,
# and the same files make the release zip.

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")
# The PNG renderings of the icons stand in for the SVG plugin, which this Qt lacks.
set(VERBOLIN_PNG_ICONS ON)

# The compiler's own runtime, found where the compiler finds it.
set(VERBOLIN_MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(path "${path}" REALPATH)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "The mingw runtime ${dll} was not found")
    endif()
    list(APPEND VERBOLIN_MINGW_RUNTIME_DLLS "${path}")
endforeach()

set(VERBOLIN_QT_DLLS)
foreach(module Core Gui Widgets Network)
    list(APPEND VERBOLIN_QT_DLLS "$<TARGET_FILE:Qt6::${module}>")
endforeach()

# Copies the runtime beside the executables; called once every target exists.
function(verbolin_windows_runtime)
    set(test_dlls)
    if(TARGET Qt6::Test)
        set(test_dlls "$<TARGET_FILE:Qt6::Test>")
    endif()
    set(bin "${CMAKE_BINARY_DIR}/bin")
    add_custom_target(verbolin_windows_runtime ALL
        COMMAND ${CMAKE_COMMAND} -E make_directory "${bin}/platforms" "${bin}/styles"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VERBOLIN_QT_DLLS} ${test_dlls} ${VERBOLIN_MINGW_RUNTIME_DLLS} "${bin}/"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different "$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>"
                "$<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>" "${bin}/platforms/"
        COMMAND ${CMAKE_COMMAND} -E copy_if_different "$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>" "${bin}/styles/"
        COMMENT "Copying the Qt and mingw runtime beside the Windows executables"
        VERBATIM)
    add_dependencies(verbolin verbolin_windows_runtime)
endfunction()
