# `deb`: the Debian package of this build tree, brushwright_<version>_<arch>.deb in the
# build folder (scripts/package-debian, which also works on a build tree by itself).
if(TARGET brushwright AND TARGET bwtool AND TARGET pictures)
  add_custom_target(deb
    COMMAND "${PROJECT_SOURCE_DIR}/scripts/package-debian" --no-build "${CMAKE_BINARY_DIR}"
    USES_TERMINAL
    COMMENT "Packaging brushwright ${PROJECT_VERSION} for Debian")
  add_dependencies(deb brushwright bwtool pictures)
endif()
