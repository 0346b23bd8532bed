# AddressSanitizer and UndefinedBehaviorSanitizer over every target of the
# build. Any report ends the program (no recovery), so a test that provokes
# one fails instead of printing a warning nobody reads. libstdc++'s own
# assertions add the bounds checks ASan cannot make: an index past a string's
# or span's size but within its allocation. -O1 keeps the build and the
# instrumented tests quick while leaving stack traces readable.
option(RENAMER_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(RENAMER_SANITIZE)
  set(RENAMER_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all)
  add_compile_options(${RENAMER_SANITIZER_FLAGS} -fno-omit-frame-pointer -O1)
  add_compile_definitions(_GLIBCXX_ASSERTIONS)
  add_link_options(${RENAMER_SANITIZER_FLAGS})
endif()
