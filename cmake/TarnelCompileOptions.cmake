# Warning and sanitizer settings shared by every Tarnel target (third-party code is built without them).
add_library(tarnel_options INTERFACE)
target_compile_options(tarnel_options INTERFACE -Wall -Wextra -Werror)

if(TARNEL_SANITIZE)
    # Sanitizers apply to the whole build, GoogleTest included, so that every frame is instrumented.
    set(_tarnel_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_compile_options(${_tarnel_sanitize_flags})
    if(TARNEL_FUZZ)
        add_compile_options(-fsanitize=fuzzer-no-link)
    endif()
    add_link_options(-fsanitize=address,undefined)
endif()

if(TARNEL_SANITIZE_THREAD)
    # ThreadSanitizer for the batch conversions that run side by side in one process.
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

# Platform halves are chosen here, never by #ifdef inside the sources.
if(WIN32)
    set(TARNEL_OS_SUFFIX win32)
else()
    set(TARNEL_OS_SUFFIX posix)
endif()
