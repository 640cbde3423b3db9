# Fails when an object built from an *Avx2.cpp or *Avx512.cpp file defines weak code: an inline
# function or a template emitted there is one the linker may keep for every caller, and then the
# plain kernels would run AVX2 or AVX-512 instructions on processors without them. OBJECTS: object files separated by "|".
string(REPLACE "|" ";" objects "${OBJECTS}")
set(shared "")
foreach(object IN LISTS objects)
  get_filename_component(name "${object}" NAME)
  if(NOT name MATCHES "Avx(2|512)")
    continue()
  endif()
  execute_process(COMMAND "${NM}" -C --defined-only "${object}" OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${NM} could not read ${object}")
  endif()
  # Weak data (tables, type names) holds no instructions; weak code does.
  string(REGEX MATCHALL "[^\n]* W [^\n]*" weak "${symbols}")
  foreach(symbol IN LISTS weak)
    string(APPEND shared "\n  ${name}: ${symbol}")
  endforeach()
endforeach()
if(shared)
  message(FATAL_ERROR "AVX2 or AVX-512 objects define code other files may share:${shared}")
endif()
