# The Debian package: `cpack -G DEB` (or the `package` target) in the build
# directory writes regex-renamer_<version>_<arch>.deb with everything the
# install rules place under /usr. Its library dependencies are read from the
# binary by dpkg-shlibdeps; what the binary loads at run time without
# linking it is listed by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME regex-renamer)
set(CPACK_PACKAGE_VENDOR "the regex-renamer maintainers")
set(CPACK_PACKAGE_CONTACT "regex-renamer maintainers <maintainers@users.noreply.c-seed-f0b44602.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rename many files at once by a regular expression")
set(CPACK_PACKAGE_DESCRIPTION [=[
A desktop tool with one window: drag files or folders onto the list, and each
file becomes a row with its number, its name and the name it would get. A
JavaScript-style regular expression and a replacement ($1, $&, runs of # for
the row number, zero-padded) give every row its proposed name after each
keystroke. Rows whose rename would fail are drawn red with the reason
beforehand. One press renames every file in place; an existing file is never
replaced. The interface is in Simplified Chinese.]=])
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/regex-renamer/regex-renamer")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Appended to by dpkg-shlibdeps. Qt loads its Wayland platform plugin only
# when it runs on Wayland, so nothing links it; all texts are Chinese, so a
# font with the Chinese glyphs is needed to read any of them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland, fonts-wqy-microhei | fonts-noto-cjk")
# Chinese texts for Qt's own menus (the text boxes' context menu).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

include(GNUInstallDirs)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME} RENAME copyright)

include(CPack)
