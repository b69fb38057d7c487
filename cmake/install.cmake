# Install rules. Included at the end of the top-level CMakeLists.txt, after every
# subdirectory, so that each program is installed once its target exists.
#
# Linux: the usual tree under the prefix: programs in bin/, manual pages in
# share/man/man1/, the suites in share/dravik/suites/, examples and documents in
# share/doc/dravik/. Windows: one folder, as the zip unpacks: the programs at its top,
# suites/ and docs/ beside them.
include(GNUInstallDirs)
if(WIN32)
  set(DRAVIK_INSTALL_BINDIR .)
  set(DRAVIK_INSTALL_SUITESDIR suites)
  set(DRAVIK_INSTALL_DOCDIR docs)
else()
  set(DRAVIK_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
  set(DRAVIK_INSTALL_SUITESDIR ${CMAKE_INSTALL_DATADIR}/dravik/suites)
  set(DRAVIK_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/dravik)
endif()

foreach(program dravik dravik-run dravik-stress)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${DRAVIK_INSTALL_BINDIR})
  endif()
endforeach()

# The substitute driver keeps its short name in the build tree (the tests call it
# there) and is installed under a name that says whose it is.
if(TARGET echo-driver)
  install(TARGETS echo-driver RUNTIME DESTINATION ${DRAVIK_INSTALL_BINDIR})
  install(CODE "
    set(bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${DRAVIK_INSTALL_BINDIR}\")
    file(RENAME \"\${bindir}/echo-driver\" \"\${bindir}/dravik-echo-driver\")
    message(STATUS \"Renamed: \${bindir}/dravik-echo-driver\")")
endif()

# The suites' scripts, known failures and README; the generator of the sharing
# scripts stays in the source.
if(EXISTS ${CMAKE_SOURCE_DIR}/suites)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/suites/ DESTINATION ${DRAVIK_INSTALL_SUITESDIR}
    PATTERN *.py EXCLUDE)
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION ${DRAVIK_INSTALL_DOCDIR}/examples)

# The documents are Markdown, which reads as plain text; on Windows they are named
# .txt so that a double click opens them in a text editor.
file(GLOB DRAVIK_DOCUMENTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.md)
foreach(document ${CMAKE_SOURCE_DIR}/README.md ${DRAVIK_DOCUMENTS})
  get_filename_component(name ${document} NAME_WE)
  if(WIN32)
    install(FILES ${document} DESTINATION ${DRAVIK_INSTALL_DOCDIR} RENAME ${name}.txt)
  else()
    install(FILES ${document} DESTINATION ${DRAVIK_INSTALL_DOCDIR})
  endif()
endforeach()

# What Debian asks of every package's document folder: the copyright statement and
# the changelog, compressed.
if(NOT WIN32)
  set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
  add_custom_command(OUTPUT ${changelog}
    COMMAND sh -c "gzip -9n -c '${CMAKE_SOURCE_DIR}/packaging/debian/changelog' > '${changelog}'"
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/debian/changelog VERBATIM)
  add_custom_target(dravik_changelog ALL DEPENDS ${changelog})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/copyright ${changelog}
    DESTINATION ${DRAVIK_INSTALL_DOCDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/debian/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME dravik)
endif()
