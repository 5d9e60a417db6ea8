# One INTERFACE target that every Halvex library, program and test links: language standard,
# warnings and the strict Qt defines live here and nowhere else.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

add_library(halvex_common INTERFACE)
target_compile_features(halvex_common INTERFACE cxx_std_20)
target_compile_options(halvex_common INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
    -Wno-missing-field-initializers)
# Tests (HALVEX_TEST target property) may write string literals where a QString is expected.
target_compile_definitions(halvex_common INTERFACE
    $<IF:$<BOOL:$<TARGET_PROPERTY:HALVEX_TEST>>,QT_RESTRICTED_CAST_FROM_ASCII,QT_NO_CAST_FROM_ASCII>
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER
    QT_NO_FOREACH)
target_include_directories(halvex_common INTERFACE "${CMAKE_SOURCE_DIR}/src")

if(HALVEX_SANITIZE)
    set(_halvex_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_compile_options(halvex_common INTERFACE ${_halvex_san})
    target_link_options(halvex_common INTERFACE ${_halvex_san})
endif()
