# Shared build helpers: warning flags per target, sanitizers, and one function that
# turns test sources into a test executable registered with CTest.

if(NUVEX3_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
if(NUVEX3_TSAN)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
    # Every test of a thread-sanitizer build fails on the first report; the suppressions
    # cover only what libraries built without the sanitizer do themselves.
    set(NUVEX3_TSAN_OPTIONS
        "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/tsan.supp halt_on_error=1 second_deadlock_stack=1"
        CACHE INTERNAL "")
endif()
# A fuzzing build instruments every library, so coverage guides the fuzzers into all the
# code a target links and the sanitizers see inside it.
if(NUVEX3_BUILD_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# nuvex3_tsan_bridge(target): in a thread-sanitizer build the program links the bridge
# that tells the sanitizer about Qt's hand-offs between threads (see the file).
function(nuvex3_tsan_bridge target)
    if(NUVEX3_TSAN)
        target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/TsanQtBridge.cpp)
        target_link_libraries(${target} PRIVATE Qt6::Core ${CMAKE_DL_LIBS})
    endif()
endfunction()

function(nuvex3_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
endfunction()

# nuvex3_add_library(name SOURCES ... [DEPS ...])
function(nuvex3_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    add_library(nuvex3::${name} ALIAS ${name})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    nuvex3_warnings(${name})
endfunction()

# nuvex3_add_test(name SOURCES ... [DEPS ...] [LABELS ...])
# Widget tests run on the offscreen platform; each test binary is one CTest entry.
function(nuvex3_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} nuvex3_testsupport GTest::gmock GTest::gtest)
    nuvex3_warnings(${name})
    nuvex3_tsan_bridge(${name})
    add_test(NAME ${name} COMMAND ${name})
    set(env "QT_QPA_PLATFORM=offscreen" "ASAN_OPTIONS=detect_leaks=0")
    if(NUVEX3_TSAN_OPTIONS)
        list(APPEND env "${NUVEX3_TSAN_OPTIONS}")
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
    if(ARG_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
endfunction()
