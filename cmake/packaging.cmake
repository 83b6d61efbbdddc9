# Installation and packages: `cmake --install`, `cpack -G DEB` on Linux,
# `cpack -G ZIP` for the MinGW build.
include(GNUInstallDirs)

if(DAT_PLATFORM STREQUAL "win32")
  # The ZIP: both programs and a short README.txt with Windows line ends.
  install(TARGETS KOVRANT SELTHIX kovrant-merge kovrant-collection RUNTIME DESTINATION .)
  configure_file(${PROJECT_SOURCE_DIR}/doc/README-windows.txt.in ${PROJECT_BINARY_DIR}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  install(TARGETS KOVRANT SELTHIX kovrant-merge kovrant-collection
          RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Manual pages (English, and Japanese in doc/ja) and the changelog
  # compressed, as Debian installs them.
  set(pages KOVRANT.1 SELTHIX.1 kovrant-merge.1 kovrant-collection.1)
  foreach(page ${pages} changelog ja/KOVRANT.1 ja/SELTHIX.1 ja/kovrant-merge.1
               ja/kovrant-collection.1)
    get_filename_component(dir ${PROJECT_BINARY_DIR}/doc/${page} DIRECTORY)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/doc/${page} > ${PROJECT_BINARY_DIR}/doc/${page}.gz
      DEPENDS ${PROJECT_SOURCE_DIR}/doc/${page})
    list(APPEND compressed ${PROJECT_BINARY_DIR}/doc/${page}.gz)
  endforeach()
  add_custom_target(compressed_docs ALL DEPENDS ${compressed})
  foreach(page ${pages})
    install(FILES ${PROJECT_BINARY_DIR}/doc/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${PROJECT_BINARY_DIR}/doc/ja/${page}.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)
  endforeach()
  install(FILES README.md doc/copyright ${PROJECT_BINARY_DIR}/doc/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES doc/converter.md doc/dumper.md doc/merge.md doc/collection.md doc/development.md
          DESTINATION ${CMAKE_INSTALL_DOCDIR}/doc)
  # The JSON Schemas of the records for machines (SELTHIX.json, ...).
  install(DIRECTORY doc/schema DESTINATION ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_PACKAGE_NAME datrescue)
set(CPACK_PACKAGE_VENDOR "The datrescue developers")
set(CPACK_PACKAGE_CONTACT "The datrescue developers <datrescue@users.noreply.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "copy the audio of DAT cassettes into WAV files")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# The long description: CPack puts the summary above it and indents it.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "KOVRANT drives a SONY SDT-9000 DDS tape drive (firmware 12.2) through the"
  "SCSI generic driver, switches it into its audio mode and reads every frame"
  "of a DAT cassette into a frame image, KOVRANT.IMG; then it rewinds and"
  "unloads the cassette and restores data mode."
  "."
  "SELTHIX converts the frame image into one 16-bit stereo WAV file per program"
  "(track) and sampling rate, cutting at the quietest frame near each program"
  "change."
  "."
  "kovrant-merge joins frame images of one cassette read more than once by"
  "the tape time of their frames, so that a second read fills the first one's"
  "gaps."
  "."
  "kovrant-collection lists many tapes' directories as one collection (JSON,"
  "CSV and a page), verifies their files against the records and writes the"
  "converted tapes as BagIt bags.")
include(CPack)
