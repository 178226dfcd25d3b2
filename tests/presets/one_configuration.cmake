# Every build tree is configured from a preset in CMakePresets.json: a script that spells
# out its own configure line drifts from the others (one already lost -DBW_WERROR=ON that
# way). Fails, naming file and line, for a script that configures this project without
# --preset, and for a --preset that names no configure preset.
cmake_minimum_required(VERSION 3.25)
# Arguments: -DSOURCE=tree to check (its scripts/, .ci/ and bench/*.sh)
file(READ "${SOURCE}/CMakePresets.json" presets_json)
string(JSON preset_count LENGTH "${presets_json}" configurePresets)
set(presets)
math(EXPR last "${preset_count} - 1")
foreach(i RANGE ${last})
  string(JSON name GET "${presets_json}" configurePresets ${i} name)
  list(APPEND presets "${name}")
endforeach()

file(GLOB scripts LIST_DIRECTORIES false "${SOURCE}/scripts/*" "${SOURCE}/.ci/*"
     "${SOURCE}/bench/*.sh")
set(faults)
foreach(script IN LISTS scripts)
  file(RELATIVE_PATH shown "${SOURCE}" "${script}")
  file(STRINGS "${script}" lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(line MATCHES "^[ \t]*#" OR NOT line MATCHES "(^|[ \t;&|(])cmake[ \t]")
      continue()
    endif()
    if(line MATCHES "--preset[ =]([A-Za-z0-9_-]+)")
      if(NOT CMAKE_MATCH_1 IN_LIST presets)
        list(APPEND faults "${shown}:${number}: no configure preset \"${CMAKE_MATCH_1}\"")
      endif()
      continue()
    endif()
    # A configure names a source or build folder or a generator. The libraries built from
    # Debian's source packages for the Windows build are other projects, not this one.
    if(line MATCHES "[ \t]-[SBG]([ \t]|$)" AND NOT line MATCHES "-S \"\\$\\(source_dir ")
      list(APPEND faults "${shown}:${number}: configures the build itself, not from a preset")
    endif()
  endforeach()
endforeach()
if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "${text}")
endif()
