# The libraries every directory adds its sources to, and the helpers that give our own
# targets their warnings and register tests.

# zeko_core: the portable core (engine, detector, settings file, string list, paths, the
# platform layer's file calls); it builds in every tree.
add_library(zeko_core STATIC)
target_include_directories(zeko_core PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(zeko_core PRIVATE ${ZEKO_CXX_FLAGS})

# zeko_win: everything that needs windows.h (framework windows, batch job, main window,
# settings sheet); only in the Windows trees.
if(WIN32)
    add_library(zeko_win STATIC)
    target_link_libraries(zeko_win PUBLIC zeko_core comctl32 shell32 ole32 uuid)
    target_compile_options(zeko_win PRIVATE ${ZEKO_CXX_FLAGS})
endif()

function(zeko_target_flags target)
    target_compile_options(${target} PRIVATE ${ZEKO_CXX_FLAGS})
endfunction()

# Tests run under Wine in the x86_64 tree and natively in the native tree; the i686 tree
# compiles them (so they stay warning-free there too) but cannot execute them.
set(ZEKO_RUN_TESTS OFF)
if(NOT WIN32 OR CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(ZEKO_RUN_TESTS ON)
endif()

# zeko_add_test(NAME SOURCES ... [LIBS ...] [GUI] [WINDOWS_ONLY] [SMALL_DISK] [READ_ONLY_DISK])
#   GUI: the test creates windows; it gets the ctest label "gui".
#   SMALL_DISK, READ_ONLY_DISK: the test writes onto the full or the read-only disk that
#   the fixtures of tests/CMakeLists.txt mount, found through ZEKO_SMALL_DISK and
#   ZEKO_READ_ONLY_DISK.
function(zeko_add_test name)
    cmake_parse_arguments(ARG "GUI;WINDOWS_ONLY;SMALL_DISK;READ_ONLY_DISK" "" "SOURCES;LIBS" ${ARGN})
    if(ARG_WINDOWS_ONLY AND NOT WIN32)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    zeko_target_flags(${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} zeko_test_support GTest::gmock)
    if(NOT ZEKO_RUN_TESTS)
        return()
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set(labels unit)
    set(fixtures)
    set(locks)
    set(environment)
    if(ARG_GUI)
        set(labels gui)
        # Window tests share one Wine desktop: two at once take focus and activation from
        # each other, so they run one at a time.
        list(APPEND locks desktop)
    endif()
    if(WIN32)
        list(APPEND fixtures wine)
    endif()
    if(ARG_SMALL_DISK)
        list(APPEND fixtures small_disk)
        list(APPEND locks small_disk)
        if(WIN32)
            list(APPEND environment ZEKO_SMALL_DISK=X:)
        else()
            list(APPEND environment ZEKO_SMALL_DISK=${CMAKE_BINARY_DIR}/small-disk)
        endif()
    endif()
    if(ARG_READ_ONLY_DISK)
        list(APPEND fixtures read_only_disk)
        list(APPEND environment ZEKO_READ_ONLY_DISK=R:)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT 600
        FIXTURES_REQUIRED "${fixtures}" RESOURCE_LOCK "${locks}" ENVIRONMENT "${environment}")
endfunction()

# Windows test programs of the x86_64 tree run under Wine, in this tree's own prefix.
if(WIN32 AND ZEKO_RUN_TESTS)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/tools/wine.sh ${CMAKE_BINARY_DIR})
endif()
