# Compile options shared by every target of the project.
# Floating-point results must not depend on the optimiser: no contraction into
# fused multiply-adds, no fast-math reassociation.
add_compile_options(-Wall -Wextra -ffp-contract=off -fno-fast-math)

if(CINDERPATH_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

option(CINDERPATH_TSAN "Build with ThreadSanitizer" OFF)
if(CINDERPATH_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Resolves to the folder holding shared test data (audio, PNG conformance images).
set(CINDERPATH_TEST_DATA_DIR "${CMAKE_SOURCE_DIR}/tests/data" CACHE PATH "Test data folder")

# Fuzzing: every object carries coverage for the engine; the fuzz targets
# themselves link the engine (tests/fuzz).
if(CINDERPATH_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
