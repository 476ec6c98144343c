# AddressSanitizer and UndefinedBehaviorSanitizer for the whole build (CORVANE_SANITIZE=ON).
# UBSan findings abort the test instead of scrolling past in the log.
if(CORVANE_SANITIZE)
    set(corvane_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_compile_options(${corvane_sanitize_flags})
    add_link_options(${corvane_sanitize_flags})
endif()
