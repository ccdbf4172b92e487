# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged files of the Debian
# package, before it is packed: Debian wants man pages and the changelog
# compressed without timestamps, and a copyright file beside the docs.
# `cmake --install` keeps the plain files.
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT EXISTS "${root}/bin")
  message(FATAL_ERROR "DebianStage: no staged files below ${root}")
endif()
set(doc "${root}/share/doc/${CPACK_PACKAGE_NAME}")

file(GLOB pages "${root}/share/man/man1/*.1")
foreach(page IN LISTS pages)
  execute_process(COMMAND gzip -9nf "${page}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "DebianStage: gzip ${page} failed")
  endif()
endforeach()

file(COPY_FILE "${CPACK_VORBRANT_COPYRIGHT}" "${doc}/copyright")

# A native package keeps its changelog as changelog.gz, in Debian's format.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(when "$ENV{SOURCE_DATE_EPOCH}")
else()
  string(TIMESTAMP when "%s" UTC)
endif()
execute_process(COMMAND date -u -R -d "@${when}" OUTPUT_VARIABLE date OUTPUT_STRIP_TRAILING_WHITESPACE)
file(WRITE "${doc}/changelog"
  "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
  "  * Release ${CPACK_PACKAGE_VERSION}: the window program vorbrant and the\n"
  "    command-line program vorbrant-cli, with man pages, a desktop entry and\n"
  "    bash completion.\n\n"
  " -- ${CPACK_PACKAGE_CONTACT}  ${date}\n")
execute_process(COMMAND gzip -9nf "${doc}/changelog" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "DebianStage: gzip changelog failed")
endif()
