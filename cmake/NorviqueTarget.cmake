# Settings every target of ours shares: warnings as errors, UTF-8 sources
# (control names are Chinese identifiers), and the sanitizers when asked.
function(norvique_target_defaults target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /utf-8 /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wconversion
                                             -Wshadow -Werror)
  endif()
  if(NORVIQUE_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined
                                             -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(NORVIQUE_FUZZ)
    # Coverage for libFuzzer in every library a fuzz target links.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined
                                             -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(MINGW)
    # One executable with nothing to find at run time but Windows' own DLLs.
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()
